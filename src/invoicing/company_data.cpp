#include "invoicing/company_data.h"

#include "core/ini_file.h"
#include "core/spanish_ids.h"
#include "fees/region_modules.h"
#include "store/app_context.h"
#include "store/sql.h"

#include <QDebug>

#include <algorithm>
#include <array>

namespace {

// The keys in the order they are written, with the member each one holds.
struct CompanyKey
{
    const char *key;
    QString CompanyData::*field;
};

constexpr std::array<CompanyKey, 14> kKeys = {{
    {"EMPRESA", &CompanyData::empresa},
    {"NIF", &CompanyData::nif},
    {"DIRECCION", &CompanyData::direccion},
    {"LOCALIDAD", &CompanyData::localidad},
    {"PROVINCIA", &CompanyData::provincia},
    {"IVA", &CompanyData::iva},
    {"IRPF", &CompanyData::irpf},
    {"TELEFONO", &CompanyData::telefono},
    {"TELEFONO2", &CompanyData::telefono2},
    {"MOVIL", &CompanyData::movil},
    {"FAX", &CompanyData::fax},
    {"INSCRIPCION", &CompanyData::inscripcion},
    {"EMAIL", &CompanyData::email},
    {"CODIGOPOSTAL", &CompanyData::codigoPostal},
}};

bool Blank(const QString &text)
{
    return text.trimmed().isEmpty();
}

} // namespace

CompanyData ReadCompanyData(const IniFile &settings)
{
    CompanyData defaults;
    defaults.empresa = QStringLiteral("Empresa de Ejemplo S.A.");
    defaults.iva = QStringLiteral("21");
    CompanyData data;
    for (const CompanyKey &k : kKeys)
        data.*k.field = settings.readString(kCompanySection, QLatin1String(k.key), defaults.*k.field);
    return data;
}

void WriteCompanyData(IniFile &settings, const CompanyData &data)
{
    for (const CompanyKey &k : kKeys)
        settings.writeString(kCompanySection, QLatin1String(k.key), data.*k.field);
}

bool HasRequiredFields(const CompanyData &data)
{
    return !FirstMissingField(data);
}

std::optional<MissingCompanyField> FirstMissingField(const CompanyData &data)
{
    const MissingCompanyField required[] = {
        {&CompanyData::empresa, QStringLiteral("Empresa")},
        {&CompanyData::nif, QStringLiteral("D.N.I./N.I.F.")},
        {&CompanyData::direccion, QStringLiteral("Dirección")},
        {&CompanyData::codigoPostal, QStringLiteral("Código Postal")},
        {&CompanyData::localidad, QStringLiteral("Población")},
        {&CompanyData::provincia, QStringLiteral("Provincia")},
        {&CompanyData::telefono, QStringLiteral("Teléfono")},
        {&CompanyData::email, QStringLiteral("E-Mail")},
    };
    for (const MissingCompanyField &f : required) {
        if (Blank(data.*(f.field)))
            return f;
    }
    return std::nullopt;
}

QString MissingFieldMessage(const MissingCompanyField &missing)
{
    return QStringLiteral("Debe completar la casilla \"") + missing.caption + QStringLiteral("\".");
}

std::optional<QString> CompanyNifProblem(const QString &nif)
{
    if (Blank(nif))
        return MissingFieldMessage({&CompanyData::nif, QStringLiteral("D.N.I./N.I.F.")});
    if (CheckTaxId(nif) == TaxIdKind::Invalid)
        return QStringLiteral("El D.N.I./N.I.F. \"%1\" de la empresa no es un N.I.F., N.I.E. ni C.I.F. válido. "
                              "Revíselo: la Agencia Tributaria lo exige en cada factura VERI*FACTU.")
            .arg(nif.trimmed());
    return std::nullopt;
}

int PhoneDigitCount(const QString &phone)
{
    return static_cast<int>(std::count_if(phone.begin(), phone.end(), [](QChar c) { return c.isDigit(); }));
}

QString VatCaptionForProvince(const QString &provincia)
{
    // Both provinces of the Canary Islands pay IGIC, not VAT.
    if (provincia == QLatin1String("Santa Cruz de Tenerife") || provincia == QLatin1String("Las Palmas"))
        return QStringLiteral("I.G.I.C.");
    return QStringLiteral("I.V.A.");
}

QString VatCaptionForRegion(const QString &regionName)
{
    return regionName == QLatin1String("Canarias") ? QStringLiteral("I.G.I.C.") : QStringLiteral("I.V.A.");
}

std::optional<int> ProvinceFromPostalCode(const QString &postalCode)
{
    const auto isAsciiDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (postalCode.size() < 2 || !isAsciiDigit(postalCode.at(0)) || !isAsciiDigit(postalCode.at(1)))
        return std::nullopt;
    return postalCode.left(2).toInt();
}

std::vector<Province> ReadProvinces(const QSqlDatabase &general)
{
    std::vector<Province> provinces;
    QSqlQuery query = RunSql(general, QStringLiteral("SELECT Id, Provincia FROM provincias ORDER BY Id"));
    while (query.next())
        provinces.push_back({query.value(0).toInt(), query.value(1).toString()});
    return provinces;
}

QString ModuleOpenFailedMessage(const QString &regionName)
{
    return QStringLiteral("Hubo un error al intentar abrir la información de ") + regionName;
}

void ChooseBillingRegion(AppContext &context)
{
    IniFile settings = context.settings();
    const QSqlDatabase general = context.store.database(Alias::General);
    const int provinceId = settings.readInteger(kCompanySection, QStringLiteral("PROVINCIA"), 1);
    const QString provincia =
        Scalar(general, QStringLiteral("SELECT Provincia FROM provincias WHERE Id = ?"), {provinceId}).toString();

    std::optional<RegionRow> region;
    const QString regionName = BillingRegionName(provincia);
    if (!regionName.isEmpty())
        region = FindRegionByName(general, regionName);
    if (!region) {
        context.prompter.inform(kNoRegionMessage);
        region = FindRegionById(general, kFallbackRegionId);
        if (!region)
            throw AppError(QStringLiteral("La tabla de regiones no contiene la región de Galicia."));
    }

    try {
        OpenRegionModule(context.session, context.store, *region);
    } catch (const AppError &e) {
        qWarning().noquote() << e.message() << "--" << e.detail();
        context.prompter.message(ModuleOpenFailedMessage(region->nombre), Prompter::Icon::Error,
                                 Prompter::Buttons::Ok);
    }
    context.session.regionName = region->nombre;
    context.session.regionIPC = static_cast<float>(region->ipc);
    settings.writeString(kStartSection, kRegionKey, region->id);
}
