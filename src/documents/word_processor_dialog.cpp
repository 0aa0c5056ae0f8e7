#include "documents/word_processor_dialog.h"

#include "core/errors.h"
#include "documents/merge_field_clipboard.h"
#include "documents/open_document.h"
#include "documents/settlement_document.h"
#include "platform/desktop_links.h"
#include "store/app_context.h"
#include "widgets/application.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

QString WordModeName(WordMode mode)
{
    switch (mode) {
    case WordMode::NewTemplate:
        return QStringLiteral("AltaPLANT");
    case WordMode::EditTemplate:
        return QStringLiteral("ModifPLANT");
    case WordMode::Settlement:
        break;
    }
    return QStringLiteral("Liquidacion");
}

TFormWord::TFormWord(AppContext &context, WordMode mode, QString templateFile, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_mode(mode)
    , m_templateFile(std::move(templateFile))
{
    setObjectName(QStringLiteral("FormWord"));
    setWindowTitle(QStringLiteral("Procesador de Textos"));

    auto *image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(48, 48));
    m_label = new QLabel(QStringLiteral("Arrancando el procesador de textos Word. Espere, por favor ...."), this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_written = new QLabel(this);
    m_written->setObjectName(QStringLiteral("LabelARCHIVO"));
    m_written->setWordWrap(true);
    m_written->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_written->hide();
    m_continue = new QPushButton(QStringLiteral("Continuar"), this);
    m_continue->setObjectName(QStringLiteral("BtnContinuar"));
    m_continue->setDefault(true);
    m_continue->hide();
    connect(m_continue, &QPushButton::clicked, this, &QDialog::accept);

    m_fields = new QWidget(this);
    m_fields->setObjectName(QStringLiteral("Cuantix"));
    auto *caption = new QLabel(QStringLiteral("Campos Substitución"), m_fields);
    m_fieldList = new QComboBox(m_fields);
    m_fieldList->setObjectName(QStringLiteral("ComboCampos"));
    m_fieldList->setMinimumWidth(170);
    caption->setBuddy(m_fieldList);
    auto *insert = new QPushButton(QStringLiteral("Insertar"), m_fields);
    insert->setObjectName(QStringLiteral("BtnInsertar"));
    auto *done = new QPushButton(QStringLiteral("Terminar"), m_fields);
    done->setObjectName(QStringLiteral("BtnTerminar"));
    m_fieldHint = new QLabel(m_fields);
    m_fieldHint->setObjectName(QStringLiteral("LabelCampo"));
    connect(insert, &QPushButton::clicked, this, &TFormWord::insertField);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    auto *fieldRow = new QHBoxLayout;
    fieldRow->addWidget(caption);
    fieldRow->addWidget(m_fieldList, 1);
    fieldRow->addWidget(insert);
    fieldRow->addWidget(done);
    auto *fieldBox = new QVBoxLayout(m_fields);
    fieldBox->setContentsMargins(0, 0, 0, 0);
    fieldBox->addLayout(fieldRow);
    fieldBox->addWidget(m_fieldHint);
    m_fields->setVisible(mode != WordMode::Settlement);
    if (mode != WordMode::Settlement)
        m_fieldList->addItems(MergeFieldLabels(context.store.database(Alias::Devenix)));

    auto *top = new QHBoxLayout;
    top->addWidget(image, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->addWidget(m_label);
    texts->addWidget(m_progress);
    texts->addWidget(m_written);
    top->addLayout(texts, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_continue);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_fields);
    layout->addLayout(buttons);
    setMinimumWidth(460);
}

void TFormWord::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        QTimer::singleShot(0, this, &TFormWord::runJob);
    }
}

void TFormWord::progress(int value)
{
    m_progress->setValue(value);
    m_progress->repaint();
}

void TFormWord::runJob()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        doJob();
    } catch (...) {
        finishJob();
        ReportCurrentException(m_context.prompter);
        return;
    }
    finishJob();
}

void TFormWord::doJob()
{
    repaint();
    progress(1);
    const QString templatePath = m_context.session.docPlantDir() + QLatin1Char('/') + m_templateFile;
    switch (m_mode) {
    case WordMode::NewTemplate:
        progress(30);
        WriteEmptyDocument(templatePath);
        progress(70);
        m_documentPath = templatePath;
        openDocument(templatePath);
        progress(100);
        break;
    case WordMode::EditTemplate:
        progress(40);
        if (!QFileInfo(templatePath).isFile())
            throw AppError(QStringLiteral("No se encuentra la plantilla \"%1\".").arg(QDir::toNativeSeparators(templatePath)));
        progress(70);
        m_documentPath = templatePath;
        openDocument(templatePath);
        progress(100);
        break;
    case WordMode::Settlement: {
        const QString folder = m_context.session.programDir + QStringLiteral("/Documentos");
        if (!QDir().mkpath(folder))
            throw AppError(QStringLiteral("No se ha podido crear la carpeta \"%1\".").arg(QDir::toNativeSeparators(folder)));
        progress(30);
        const MergeFieldCatalogue catalogue = LoadMergeFields(m_context.store.database(Alias::Devenix));
        const QString output = MergedDocumentPath(folder, m_templateFile, QDateTime::currentDateTime());
        MergeSettlementDocument(templatePath, output, catalogue, m_data);
        m_documentPath = output;
        progress(80);
        openDocument(output);
        break;
    }
    }
}

void TFormWord::openDocument(const QString &path)
{
    if (!OpenDocument(path))
        ReportUnopenedFile(m_context.prompter, m_mode == WordMode::Settlement ? QStringLiteral("el documento")
                                                                              : QStringLiteral("la plantilla"),
                           path);
}

void TFormWord::finishJob()
{
    m_progress->hide();
    if (!m_documentPath.isEmpty()) {
        m_written->setText(QStringLiteral("Documento: %1").arg(QDir::toNativeSeparators(m_documentPath)));
        m_written->show();
    }
    m_label->setText(QStringLiteral("Pulse el botón \"Continuar\" para seguir con la ejecución del programa."));
    m_continue->show();
    m_continue->setFocus();
    m_finished = true;
    QApplication::restoreOverrideCursor();
}

void TFormWord::insertField()
{
    const QString label = m_fieldList->currentText();
    if (label.isEmpty())
        return;
    QApplication::clipboard()->setMimeData(MergeFieldMimeData(label));
    m_fieldHint->setText(QStringLiteral("Campo «%1» copiado: péguelo en el documento (Ctrl+V).").arg(label));
}
