#include "invoicing/company_data_window.h"

#include "core/ini_file.h"
#include "store/app_context.h"
#include "verifactu/certificate_password.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>

namespace {

QLineEdit *Edit(QWidget *parent, const char *name, int maxLength = 0)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

// A caption, with the red mark of the fields that must be filled.
QLabel *Caption(QWidget *parent, const QString &text, bool required)
{
    const QString mark = required ? QStringLiteral(" <span style=\"color:#c00000\">*</span>") : QString();
    auto *label = new QLabel(text.toHtmlEscaped() + mark, parent);
    label->setTextFormat(Qt::RichText);
    return label;
}

// Up to kPhoneDigits digits, with the spaces (or other separators) the office types.
class PhoneValidator final : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return PhoneDigitCount(input) <= kPhoneDigits && input.size() <= 2 * kPhoneDigits ? Acceptable : Invalid;
    }
};

} // namespace

TFormConfHono::TFormConfHono(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("FormConfHono"));
    setWindowTitle(QStringLiteral("Datos Empresa"));
    buildForm();

    for (const Province &province : ReadProvinces(m_context.store.database(Alias::General)))
        m_provincia->addItem(province.name, province.id);
    setData(ReadCompanyData(m_context.settings()));
    setVerifactu(ReadVerifactuSettings(m_context.settings()));
    m_vatCaption->setText(VatCaptionForRegion(m_context.session.regionName));

    connect(m_provincia, &QComboBox::activated, this, &TFormConfHono::showVatCaptionForProvince);
    connect(m_codigoPostal, &QLineEdit::textEdited, this, [this] { m_postalCodeEdited = true; });
    connect(m_codigoPostal, &QLineEdit::editingFinished, this, &TFormConfHono::postalCodeLeft);
    connect(m_nif, &QLineEdit::textEdited, m_nifError, [this] {
        m_nifError->clear();
        m_nifError->hide();
    });
}

void TFormConfHono::buildForm()
{
    m_empresa = Edit(this, "tbxEmpresa");
    m_nif = Edit(this, "tbxNif");
    m_direccion = Edit(this, "tbxDireccion");
    m_codigoPostal = Edit(this, "tbxcodpostal");
    m_localidad = Edit(this, "tbxLocalidad");
    m_provincia = new QComboBox(this);
    m_provincia->setObjectName(QStringLiteral("tbxProvincia"));
    m_provincia->setEditable(false);
    m_telefono = Edit(this, "tbxTelefono");
    m_telefono->setValidator(new PhoneValidator(m_telefono));
    m_telefono2 = Edit(this, "tbxTelefono2", 16);
    m_movil = Edit(this, "tbxMovil", 16);
    m_fax = Edit(this, "tbxFax", 16);
    m_email = Edit(this, "tbxemail");
    m_iva = Edit(this, "tbxIVA");
    m_irpf = Edit(this, "tbxIRPF");
    m_inscripcion = Edit(this, "tbxInscripcion", 170);
    m_nifError = new QLabel(this);
    m_nifError->setObjectName(QStringLiteral("lblNifError"));
    m_nifError->setStyleSheet(QStringLiteral("color: #c00000"));
    m_nifError->setWordWrap(true);
    m_nifError->hide();
    m_vatCaption = new QLabel(QStringLiteral("I.V.A."), this);
    m_vatCaption->setObjectName(QStringLiteral("lblIVA"));
    for (QLineEdit *rate : {m_iva, m_irpf})
        rate->setMaximumWidth(80);

    auto *heading = new QLabel(QStringLiteral("Configuración de Quorvia Cuantix"), this);
    QFont headingFont = heading->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    auto *note = new QLabel(QStringLiteral("(Estos datos son necesarios para un funcionamiento correcto del programa)"),
                            this);

    auto *grid = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const QString &caption, bool required, QWidget *field, int span = 3) {
        grid->addWidget(Caption(this, caption, required), row, 0);
        grid->addWidget(field, row, 1, 1, span);
    };
    addRow(QStringLiteral("Empresa:"), true, m_empresa);
    ++row;
    addRow(QStringLiteral("D.N.I./N.I.F.:"), true, m_nif, 1);
    ++row;
    grid->addWidget(m_nifError, row, 1, 1, 3);
    ++row;
    addRow(QStringLiteral("Dirección:"), true, m_direccion);
    ++row;
    addRow(QStringLiteral("Código Postal:"), true, m_codigoPostal, 1);
    grid->addWidget(Caption(this, QStringLiteral("Población:"), true), row, 2);
    grid->addWidget(m_localidad, row, 3);
    ++row;
    addRow(QStringLiteral("Provincia:"), true, m_provincia, 1);
    ++row;
    addRow(QStringLiteral("Telefono:"), true, m_telefono, 1);
    grid->addWidget(Caption(this, QStringLiteral("Telefono 2:"), false), row, 2);
    grid->addWidget(m_telefono2, row, 3);
    ++row;
    addRow(QStringLiteral("Movil:"), false, m_movil, 1);
    grid->addWidget(Caption(this, QStringLiteral("Fax:"), false), row, 2);
    grid->addWidget(m_fax, row, 3);
    ++row;
    addRow(QStringLiteral("E-Mail"), true, m_email);
    ++row;
    auto *rates = new QHBoxLayout;
    rates->addWidget(m_iva);
    rates->addWidget(new QLabel(QStringLiteral("%"), this));
    rates->addSpacing(24);
    rates->addWidget(new QLabel(QStringLiteral("I.R.P.F."), this));
    rates->addWidget(m_irpf);
    rates->addWidget(new QLabel(QStringLiteral("%"), this));
    rates->addStretch();
    grid->addWidget(m_vatCaption, row, 0);
    grid->addLayout(rates, row, 1, 1, 3);
    ++row;
    addRow(QStringLiteral("Inscripción:"), false, m_inscripcion);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto *buttons = new QDialogButtonBox(this);
    auto *ok = buttons->addButton(QStringLiteral("&Aceptar"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnAceptar"));
    ok->setDefault(true);
    auto *cancel = buttons->addButton(QStringLiteral("&Cancelar"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormConfHono::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormConfHono::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(note);
    layout->addSpacing(8);
    layout->addLayout(grid);
    QGroupBox *verifactu = buildVerifactuGroup();
    layout->addWidget(verifactu);
    layout->addStretch();
    layout->addWidget(buttons);

    const auto button = [verifactu](const char *name) { return verifactu->findChild<QPushButton *>(QLatin1String(name)); };
    QWidget *const order[] = {m_empresa, m_nif, m_direccion, m_codigoPostal, m_localidad, m_provincia,
                              m_telefono, m_telefono2, m_movil, m_fax, m_email, m_iva, m_irpf,
                              m_inscripcion, m_certificate, button("btnCertificado"), m_environment,
                              button("btnProbarConexion"), ok, cancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    resize(620, sizeHint().height());
}

QGroupBox *TFormConfHono::buildVerifactuGroup()
{
    auto *group = new QGroupBox(QStringLiteral("VERI*FACTU"), this);
    group->setObjectName(QStringLiteral("GrupoVerifactu"));
    m_certificate = Edit(group, "tbxCertificado");
    m_certificate->setPlaceholderText(QStringLiteral("Archivo .p12 o .pfx de la empresa o de su representante"));
    auto *browse = new QPushButton(QStringLiteral("..."), group);
    browse->setObjectName(QStringLiteral("btnCertificado"));
    browse->setMaximumWidth(32);
    m_environment = new QComboBox(group);
    m_environment->setObjectName(QStringLiteral("cmbEntorno"));
    m_environment->addItem(QStringLiteral("Pruebas"), static_cast<int>(AgencyEnvironment::Pruebas));
    m_environment->addItem(QStringLiteral("Producción"), static_cast<int>(AgencyEnvironment::Produccion));
    m_endpoint = new QLabel(group);
    m_endpoint->setObjectName(QStringLiteral("lblDireccionEnvio"));
    m_endpoint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *test = new QPushButton(QStringLiteral("Probar conexión"), group);
    test->setObjectName(QStringLiteral("btnProbarConexion"));

    auto *grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Certificado:"), group), 0, 0);
    auto *file = new QHBoxLayout;
    file->addWidget(m_certificate, 1);
    file->addWidget(browse);
    grid->addLayout(file, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Entorno:"), group), 1, 0);
    grid->addWidget(m_environment, 1, 1);
    grid->addWidget(test, 1, 2, Qt::AlignRight);
    grid->addWidget(m_endpoint, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(browse, &QPushButton::clicked, this, &TFormConfHono::chooseCertificate);
    connect(test, &QPushButton::clicked, this, &TFormConfHono::testConnection);
    connect(m_environment, &QComboBox::currentIndexChanged, this, &TFormConfHono::showEndpoint);
    showEndpoint();
    return group;
}

VerifactuSettings TFormConfHono::verifactu() const
{
    VerifactuSettings v;
    v.certificateFile = m_certificate->text().trimmed();
    v.environment = static_cast<AgencyEnvironment>(m_environment->currentData().toInt());
    return v;
}

void TFormConfHono::setVerifactu(const VerifactuSettings &settings)
{
    m_certificate->setText(settings.certificateFile);
    m_environment->setCurrentIndex(m_environment->findData(static_cast<int>(settings.environment)));
    showEndpoint();
}

void TFormConfHono::showEndpoint()
{
    m_endpoint->setText(AgencyEndpoint(verifactu().environment).toString());
}

void TFormConfHono::chooseCertificate()
{
    Prompter::FileRequest request;
    request.title = QStringLiteral("Certificado para VERI*FACTU");
    request.filters = {QStringLiteral("Certificados PKCS#12 (*.p12 *.pfx)"), QStringLiteral("Todos los archivos (*)")};
    if (!m_certificate->text().trimmed().isEmpty())
        request.directory = QFileInfo(m_certificate->text().trimmed()).absolutePath();
    const QString chosen = m_context.prompter.openFile(request);
    if (!chosen.isEmpty())
        m_certificate->setText(chosen);
}

void TFormConfHono::testConnection()
{
    setCursor(Qt::WaitCursor);
    const auto check = ProbeAgencyConnection(verifactu(), ProgramCertificatePassword(), m_context.prompter);
    unsetCursor();
    if (!check)
        return;
    m_context.prompter.message(check->text, check->ok ? Prompter::Icon::Information : Prompter::Icon::Warning,
                               Prompter::Buttons::Ok, QStringLiteral("Probar conexión"));
}

CompanyData TFormConfHono::data() const
{
    CompanyData d;
    d.empresa = m_empresa->text();
    d.nif = m_nif->text();
    d.direccion = m_direccion->text();
    d.localidad = m_localidad->text();
    if (m_provincia->currentIndex() >= 0)
        d.provincia = QString::number(m_provincia->currentData().toInt());
    d.iva = m_iva->text();
    d.irpf = m_irpf->text();
    d.telefono = m_telefono->text();
    d.telefono2 = m_telefono2->text();
    d.movil = m_movil->text();
    d.fax = m_fax->text();
    d.inscripcion = m_inscripcion->text();
    d.email = m_email->text();
    d.codigoPostal = m_codigoPostal->text();
    return d;
}

void TFormConfHono::setData(const CompanyData &d)
{
    m_empresa->setText(d.empresa);
    m_nif->setText(d.nif);
    m_direccion->setText(d.direccion);
    m_localidad->setText(d.localidad);
    bool numeric = false;
    const int province = d.provincia.trimmed().toInt(&numeric);
    selectProvince(numeric ? province : -1);
    m_iva->setText(d.iva);
    m_irpf->setText(d.irpf);
    m_telefono->setText(d.telefono);
    m_telefono2->setText(d.telefono2);
    m_movil->setText(d.movil);
    m_fax->setText(d.fax);
    m_inscripcion->setText(d.inscripcion);
    m_email->setText(d.email);
    m_codigoPostal->setText(d.codigoPostal);
    m_postalCodeEdited = false;
}

QWidget *TFormConfHono::fieldOf(QString CompanyData::*member) const
{
    const std::pair<QString CompanyData::*, QWidget *> fields[] = {
        {&CompanyData::empresa, m_empresa},     {&CompanyData::nif, m_nif},
        {&CompanyData::direccion, m_direccion}, {&CompanyData::codigoPostal, m_codigoPostal},
        {&CompanyData::localidad, m_localidad}, {&CompanyData::provincia, m_provincia},
        {&CompanyData::telefono, m_telefono},   {&CompanyData::email, m_email}};
    for (const auto &[field, widget] : fields) {
        if (field == member)
            return widget;
    }
    return nullptr;
}

void TFormConfHono::selectProvince(int id)
{
    // A number that names no province leaves the box empty, so that the office chooses one.
    m_provincia->setCurrentIndex(m_provincia->findData(id));
}

void TFormConfHono::showVatCaptionForProvince()
{
    m_vatCaption->setText(VatCaptionForProvince(m_provincia->currentText()));
}

void TFormConfHono::postalCodeLeft()
{
    const QString code = m_codigoPostal->text();
    // Kept at once, even when the window is then cancelled.
    IniFile settings = m_context.settings();
    settings.writeString(kCompanySection, kPostalCodeKey, code);
    if (m_postalCodeEdited && !code.isEmpty()) {
        if (const auto province = ProvinceFromPostalCode(code)) {
            selectProvince(*province);
            m_postalCodeEdited = false;
        }
    }
    showVatCaptionForProvince();
}

void TFormConfHono::accept()
{
    const CompanyData entered = data();
    if (const auto missing = FirstMissingField(entered)) {
        m_context.prompter.inform(MissingFieldMessage(*missing));
        if (QWidget *field = fieldOf(missing->field))
            field->setFocus();
        return;
    }
    const auto problem = CompanyNifProblem(entered.nif);
    m_nifError->setText(problem.value_or(QString()));
    m_nifError->setVisible(problem.has_value());
    if (problem && height() < sizeHint().height())
        resize(width(), sizeHint().height());
    if (problem) {
        m_context.prompter.inform(*problem);
        m_nif->setFocus();
        return;
    }
    IniFile settings = m_context.settings();
    WriteCompanyData(settings, entered);
    WriteVerifactuSettings(settings, verifactu());
    QDialog::accept();
    ChooseBillingRegion(m_context);
}
