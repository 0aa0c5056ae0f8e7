#include "documents/template_dialog.h"

#include "documents/office_conversion.h"
#include "store/app_context.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormDctoMan::TFormDctoMan(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_files(context.prompter, context.session.docPlantDir(), OfficeProgram())
{
    setObjectName(QStringLiteral("FormDctoMan"));
    setWindowTitle(QStringLiteral("Mantenimiento de Plantillas"));

    m_descripcion = new QLineEdit(this);
    m_descripcion->setObjectName(QStringLiteral("EditDESCRIPCION"));
    m_descripcion->setMaxLength(100);
    m_plantilla = new QLineEdit(this);
    m_plantilla->setObjectName(QStringLiteral("EditPLANTILLA"));
    m_plantilla->setReadOnly(true);
    m_plantilla->setMaxLength(255);

    const auto button = [this](const QString &text, const char *name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton *select = button(QStringLiteral("S&elec."), "BtnSelec");
    QPushButton *create = button(QStringLiteral("&Nueva"), "BtnNueva");
    QPushButton *remove = button(QStringLiteral("&Eliminar"), "BtnEliminar");
    QPushButton *modify = button(QStringLiteral("&Modif."), "BtnModif");
    QPushButton *ok = button(QStringLiteral(" &Aceptar"), "BtnAceptar");
    ok->setDefault(true);
    connect(select, &QPushButton::clicked, this, &TFormDctoMan::select);
    connect(create, &QPushButton::clicked, this, &TFormDctoMan::create);
    connect(remove, &QPushButton::clicked, this, &TFormDctoMan::remove);
    connect(modify, &QPushButton::clicked, this, &TFormDctoMan::modify);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Descripción de la Plantilla:"), m_descripcion);
    form->addRow(QStringLiteral("Nombre de la plantilla:"), m_plantilla);
    auto *documentButtons = new QHBoxLayout;
    for (QPushButton *b : {select, create, remove, modify})
        documentButtons->addWidget(b);
    documentButtons->addStretch();
    documentButtons->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(documentButtons);
    setMinimumWidth(520);
}

void TFormDctoMan::setRecord(const TemplateRecord &record)
{
    m_record = record;
    m_descripcion->setText(record.descripcion);
    m_plantilla->setText(record.plantilla);
}

TemplateRecord TFormDctoMan::record() const
{
    TemplateRecord r = m_record;
    r.descripcion = m_descripcion->text();
    r.plantilla = m_plantilla->text();
    return r;
}

void TFormDctoMan::setPlantilla(const QString &name)
{
    m_plantilla->setText(name);
}

void TFormDctoMan::select()
{
    if (const std::optional<QString> name = m_files.select())
        setPlantilla(*name);
}

void TFormDctoMan::create()
{
    const std::optional<QString> name = m_files.askNewName();
    if (!name)
        return;
    setPlantilla(*name);
    runWordProcessor(WordMode::NewTemplate);
}

void TFormDctoMan::modify()
{
    const QString current = m_plantilla->text();
    if (m_files.documentExists(current)) {
        runWordProcessor(WordMode::EditTemplate);
        return;
    }
    if (const std::optional<QString> name = m_files.replaceMissing(current))
        setPlantilla(*name);
}

void TFormDctoMan::remove()
{
    m_files.removeDocument(m_plantilla->text());
    setPlantilla(QString());
}

void TFormDctoMan::runWordProcessor(WordMode mode)
{
    TFormWord word(m_context, mode, m_plantilla->text(), this);
    word.exec();
}
