#include "backup/restore_window.h"

#include "backup/archive_log_view.h"
#include "backup/archive_reader.h"
#include "backup/backup_rules.h"
#include "backup/refused_characters.h"
#include "backup/restore.h"
#include "platform/volumes.h"
#include "store/app_context.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TFormCopRes::TFormCopRes(AppContext &app, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_app(app)
{
    setObjectName(QStringLiteral("FormCopRes"));
    setWindowTitle(QStringLiteral("Restaurar Copia de Seguridad"));
    buildLayout();

    for (const Volume &volume : MountedVolumes())
        m_volumes->addItem(volume.displayName, volume.rootPath);
    m_volumes->setCurrentIndex(0);
    m_volumeRoot = m_volumes->currentData().toString();
    const QString newest = NewestBackupIn(DefaultBackupFolder());
    m_archive->setText(QDir::toNativeSeparators(newest.isEmpty() ? DefaultRestoreArchive() : newest));

    m_archive->installEventFilter(this);
    connect(m_volumes, &QComboBox::activated, this, &TFormCopRes::chooseVolume);
    connect(m_browse, &QPushButton::clicked, this, &TFormCopRes::browse);
    connect(m_run.start, &QPushButton::clicked, this, &TFormCopRes::start);
    connect(m_run.exit, &QPushButton::clicked, this, &TFormCopRes::reject);
}

void TFormCopRes::buildLayout()
{
    m_archive = new QLineEdit(this);
    m_archive->setObjectName(QStringLiteral("EditARCHIVO"));
    m_archive->setValidator(new RefusedCharacters(RefusedInRestoreName(QDir::separator()), m_archive));
    m_browse = new QPushButton(QStringLiteral("Examinar ..."), this);
    m_browse->setObjectName(QStringLiteral("BitBtnEXAMINAR"));
    m_volumes = new QComboBox(this);
    m_volumes->setObjectName(QStringLiteral("ComboUNIDAD"));
    m_browse->setAutoDefault(false);

    auto *form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("Nombre archivo de seguridad:"), this), 0, 0, 1, 2);
    form->addWidget(m_archive, 1, 0);
    form->addWidget(m_browse, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("Unidad para restaurar los datos:"), this), 2, 0, 1, 2);
    form->addWidget(m_volumes, 3, 0, 1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    m_run = ArchiveRunControls::Create(this, layout);
    resize(520, 420);
}

QString TFormCopRes::archivePath() const
{
    const QString typed = QDir::fromNativeSeparators(m_archive->text());
    if (typed.isEmpty())
        return {};
    return QDir::cleanPath(QDir(m_volumeRoot).absoluteFilePath(typed));
}

void TFormCopRes::chooseVolume(int index)
{
    const QString root = m_volumes->itemData(index).toString();
    if (VolumeIsReady(root) && QFileInfo(root).isReadable()) {
        m_volumes->setCurrentIndex(index);
        m_volumeRoot = root;
        return;
    }
    m_app.prompter.inform(QStringLiteral("No se puede tener acceso a la unidad \"%1\". Compruebe si el disco está en la unidad.")
                              .arg(QDir::toNativeSeparators(root)));
    m_volumes->setCurrentIndex(0);
    m_volumeRoot = m_volumes->itemData(0).toString();
}

void TFormCopRes::browse()
{
    Prompter::FileRequest request;
    request.title = QStringLiteral("Examinar");
    const QFileInfo current(archivePath());
    request.directory = current.dir().exists() ? current.absolutePath() : DefaultBackupFolder();
    request.filters = {QStringLiteral("Copias de Seguridad (*.zip)"), QStringLiteral("Todos los archivos (*.*)")};
    request.mustExist = true;
    const QString chosen = m_app.prompter.openFile(request);
    if (!chosen.isEmpty())
        m_archive->setText(QDir::toNativeSeparators(chosen));
}

bool TFormCopRes::start()
{
    const QString archive = archivePath();
    if (archive.isEmpty() || !QFileInfo(archive).isFile()) {
        m_app.prompter.inform(
            QStringLiteral("Es necesario introducir un nombre de archivo válido para restaurar la copia de seguridad."));
        m_archive->setFocus();
        return false;
    }
    if (!m_app.prompter.askYesNo(RestoreQuestion(BackupTakenAt(archive).date())))
        return false;

    m_run.log->clear();
    m_run.log->appendPlainText(QStringLiteral("Inicio de Proceso."));
    bool restored = false;
    QString failure;
    Prompter::Icon icon = Prompter::Icon::Warning;
    {
        BusyWindow busy(m_running, {m_run.start, m_run.exit, m_browse, m_volumes, m_archive});
        ArchiveLogView view(m_run.progress, m_run.log);
        try {
            RestoreBackup(m_app, archive, view);
            restored = true;
        } catch (const RestoreRefused &e) {
            failure = e.message();
        } catch (const AppError &e) {
            failure = e.message();
            icon = Prompter::Icon::Error;
        }
    }
    if (!restored)
        m_run.log->appendPlainText(QStringLiteral("Error: ") + failure);
    m_run.log->appendPlainText(QStringLiteral("Proceso finalizado."));
    if (restored) {
        m_run.progress->setValue(100);
        m_app.prompter.inform(QStringLiteral("El proceso de recuperación de la copia de seguridad ha finalizado."));
    } else {
        m_app.prompter.message(failure, icon, Prompter::Buttons::Ok);
    }
    return restored;
}

void TFormCopRes::reject()
{
    if (!m_running)
        QDialog::reject();
}

bool TFormCopRes::eventFilter(QObject *watched, QEvent *event)
{
    // A click in the name selects all of it, ready to be typed over.
    if (watched == m_archive && event->type() == QEvent::MouseButtonRelease)
        QTimer::singleShot(0, m_archive, &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}

void ShowRestoreWindow(AppContext &app, QWidget *parent)
{
    TFormCopRes window(app, parent);
    window.exec();
}
