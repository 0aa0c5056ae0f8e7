#include "backup/backup_window.h"

#include "backup/archive_log_view.h"
#include "backup/archive_writer.h"
#include "backup/backup_rules.h"
#include "backup/refused_characters.h"
#include "core/errors.h"
#include "platform/volumes.h"
#include "store/app_context.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <memory>

namespace {

const QString kNotReady = QStringLiteral("No hay un disco en la unidad seleccionada o no tiene espacio libre "
                                         "suficiente para almacenar la copia de seguridad.");

} // namespace

TFormCopSeg::TFormCopSeg(AppContext &app, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_app(app)
{
    setObjectName(QStringLiteral("FormCopSeg"));
    setWindowTitle(QStringLiteral("Copia de Seguridad"));
    buildLayout();

    for (const Volume &volume : MountedVolumes())
        m_volumes->addItem(volume.displayName, volume.rootPath);
    // The tree opens on the user's backup folder, not on the root of the file system.
    const QString folder = DefaultBackupFolder();
    QDir().mkpath(folder);
    const int volume = m_volumes->findData(VolumeRootOf(folder));
    setVolumeIndex(volume < 0 ? 0 : volume);
    m_directory->setText(QDir::toNativeSeparators(folder));
    m_name->setText(ProposedBackupName(QDate::currentDate()));

    connect(m_volumes, &QComboBox::activated, this, &TFormCopSeg::chooseVolume);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    m_directory->setText(QDir::toNativeSeparators(m_folders->filePath(current)));
            });
    rootTreeAt(QFileInfo(folder).path());
    chooseDirectory(folder);
    connect(m_run.start, &QPushButton::clicked, this, &TFormCopSeg::start);
    connect(m_run.exit, &QPushButton::clicked, this, &TFormCopSeg::reject);
}

void TFormCopSeg::buildLayout()
{
    auto *notice = new QLabel(QStringLiteral("Seleccione la unidad de destino y el directorio \n"
                                             "donde desea crear la copia de seguridad.\n"
                                             "Se guardan los datos (Datos), el histórico de liquidaciones (Historia), "
                                             "los módulos de honorarios (modulos), las plantillas (DocPlant) y los "
                                             "documentos combinados (Documentos)."),
                              this);
    notice->setWordWrap(true);
    notice->setObjectName(QStringLiteral("LabelAVISO"));

    m_volumes = new QComboBox(this);
    m_volumes->setObjectName(QStringLiteral("ComboUNIDAD"));
    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("TreeDIRECTORIO"));
    m_tree->setModel(m_folders);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->header()->hide();
    m_directory = new QLabel(this);
    m_directory->setObjectName(QStringLiteral("LabelDIRECTORIO"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("EditARCHIVO"));
    m_name->setValidator(new RefusedCharacters(RefusedInBackupName(), m_name));
    auto *form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("Unidad de destino:"), this), 0, 0);
    form->addWidget(m_volumes, 0, 1);
    form->addWidget(m_tree, 1, 0, 1, 2);
    form->addWidget(new QLabel(QStringLiteral("Directorio destino:"), this), 2, 0);
    form->addWidget(m_directory, 2, 1);
    form->addWidget(new QLabel(QStringLiteral("Nombre archivo de seguridad:"), this), 3, 0);
    form->addWidget(m_name, 3, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(notice);
    layout->addLayout(form);
    m_run = ArchiveRunControls::Create(this, layout);
    resize(520, 560);
}

QString TFormCopSeg::directory() const
{
    return QDir::fromNativeSeparators(m_directory->text());
}

void TFormCopSeg::chooseDirectory(const QString &path)
{
    const QModelIndex index = m_folders->index(path);
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_tree->expand(parent);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
    // The folders load in the background: bring the chosen one into view once its own folder
    // is listed, and only then (the user may open other folders afterwards).
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(m_folders, &QFileSystemModel::directoryLoaded, this,
                    [this, once, parent = QDir::cleanPath(QFileInfo(path).path())](const QString &loaded) {
                        if (QDir::cleanPath(loaded) != parent)
                            return;
                        m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
                        disconnect(*once);
                    });
}

void TFormCopSeg::chooseVolume(int index)
{
    const QString root = m_volumes->itemData(index).toString();
    if (VolumeIsReady(root)) {
        setVolumeIndex(index);
        // The volume's root becomes the destination until a folder below it is chosen.
        m_directory->setText(QDir::toNativeSeparators(root));
        return;
    }
    m_app.prompter.inform(kNotReady);
    setVolumeIndex(0);
}

void TFormCopSeg::setVolumeIndex(int index)
{
    m_volumes->setCurrentIndex(index);
    rootTreeAt(m_volumes->itemData(index).toString());
}

void TFormCopSeg::rootTreeAt(const QString &root)
{
    m_folders->setRootPath(root);
    m_tree->setRootIndex(m_folders->index(root));
}

QString TFormCopSeg::chosenVolume() const
{
    return m_volumes->currentData().toString();
}

bool TFormCopSeg::start()
{
    const QString name = m_name->text();
    if (name.isEmpty()) {
        m_app.prompter.inform(QStringLiteral("Es necesario introducir un nombre para la copia de seguridad."));
        m_name->setFocus();
        return false;
    }
    if (!VolumeIsReady(chosenVolume())) {
        m_app.prompter.inform(kNotReady);
        return false;
    }
    const QString archive = BackupArchivePath(directory(), name);

    m_run.log->clear();
    m_run.log->appendPlainText(QStringLiteral("Inicio de Proceso."));
    bool written = false;
    {
        BusyWindow busy(m_running, {m_run.start, m_run.exit, m_volumes, m_tree, m_name});
        ArchiveLogView view(m_run.progress, m_run.log);
        try {
            const BackupSummary summary = WriteBackup(m_app.session.programDir, archive, view);
            m_run.log->appendPlainText(QStringLiteral("Copia de seguridad creada en \"%1\": %2 archivos.")
                                       .arg(QDir::toNativeSeparators(archive))
                                       .arg(summary.files));
            written = true;
        } catch (const AppError &e) {
            m_run.log->appendPlainText(QStringLiteral("Error: ") + e.message());
            if (!e.detail().isEmpty())
                qWarning("%s", qUtf8Printable(e.detail()));
        }
    }
    m_run.log->appendPlainText(QStringLiteral("Proceso finalizado."));
    if (written) {
        m_run.progress->setValue(100);
        m_app.prompter.inform(BackupWrittenNotice(QFileInfo(archive).absolutePath()));
    }
    return written;
}

void TFormCopSeg::reject()
{
    if (!m_running)
        QDialog::reject();
}

void ShowBackupWindow(AppContext &app, QWidget *parent)
{
    TFormCopSeg window(app, parent);
    window.exec();
}
