#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

class IniFile;
struct AppContext;

// The office's own data ("Datos Empresa"), section FACTURACION of the settings file. Every
// value is kept as text, the rates exactly as typed ("21,00").
struct CompanyData
{
    QString empresa;
    QString nif;
    QString direccion;
    QString localidad;
    QString provincia; // Id in "provincias", decimal digits
    QString iva;
    QString irpf;
    QString telefono;
    QString telefono2;
    QString movil;
    QString fax;
    QString inscripcion;
    QString email;
    QString codigoPostal;

    bool operator==(const CompanyData &) const = default;
};

inline const QString kCompanySection = QStringLiteral("FACTURACION");
inline const QString kStartSection = QStringLiteral("INICIO");
inline const QString kRegionKey = QStringLiteral("REGION");
inline const QString kPostalCodeKey = QStringLiteral("CODIGOPOSTAL");

// The fourteen keys with the values of absent ones: "Empresa de Ejemplo S.A." for EMPRESA,
// "21" (Spain's general VAT rate) for IVA, empty for the rest.
CompanyData ReadCompanyData(const IniFile &settings);
// Writes the fourteen keys in their order (EMPRESA, NIF, ... CODIGOPOSTAL). Throws AppError.
void WriteCompanyData(IniFile &settings, const CompanyData &data);

// Empresa, NIF, Dirección, Población, Provincia, Teléfono, E-Mail and Código Postal must not
// be blank.
bool HasRequiredFields(const CompanyData &data);
inline const QString kRequiredFieldsMessage = QStringLiteral("Debe completar las casillas con la \"x\"");

// The first required field left blank, in the window's order (Empresa, N.I.F., Dirección,
// Código Postal, Población, Provincia, Teléfono, E-Mail): the field and its caption.
struct MissingCompanyField
{
    QString CompanyData::*field;
    QString caption; // "Teléfono"
};
std::optional<MissingCompanyField> FirstMissingField(const CompanyData &data);
// "Debe completar la casilla \"Teléfono\"."
QString MissingFieldMessage(const MissingCompanyField &missing);

// The office's own tax number must be a valid NIF, NIE or CIF (CheckTaxId): the agency refuses
// records of any other issuer. The message for the "D.N.I./N.I.F." box, or nothing when valid.
std::optional<QString> CompanyNifProblem(const QString &nif);

// A telephone holds at most nine digits (a Spanish number); the spaces an office types to
// read it ("915 550 123") do not count and are kept.
inline constexpr int kPhoneDigits = 9;
int PhoneDigitCount(const QString &phone);

// Caption of the VAT box: "I.G.I.C." for a province of the Canary Islands (or, when the
// window opens, for the region "Canarias"), "I.V.A." otherwise.
QString VatCaptionForProvince(const QString &provincia);
QString VatCaptionForRegion(const QString &regionName);

// The province number a Spanish postal code begins with ("38001" gives 38); nullopt when the
// first two characters are not digits.
std::optional<int> ProvinceFromPostalCode(const QString &postalCode);

struct Province
{
    int id = 0;
    QString name;
};
// Every province by Id ("select id, Provincia from provincias order by id"). Throws StoreError.
std::vector<Province> ReadProvinces(const QSqlDatabase &general);

inline const QString kNoRegionMessage =
    QStringLiteral("No existe esa región de honorarios. Se cargarán los honorarios de Galicia.");
inline const QString kFallbackRegionId = QStringLiteral("6");
// "Hubo un error al intentar abrir la información de " + region name.
QString ModuleOpenFailedMessage(const QString &regionName);

// After the company data are saved: the fee region of the saved province becomes the active
// one (Galicia, region 6, with a notice when the province has none), its module is opened
// (a failure is told and the region is kept all the same), the session's region values are
// set and INICIO/REGION is written. Throws AppError when even region 6 is missing.
void ChooseBillingRegion(AppContext &context);
