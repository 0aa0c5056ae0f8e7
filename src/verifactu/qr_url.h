#pragma once

#include <QString>

struct StoredRecord;

// The agency's two environments: the test portal and production.
enum class AgencyEnvironment { Pruebas, Produccion };

// The address the invoice's QR code holds: the agency's checking service with the four
// parameters nif, numserie, fecha (dd-mm-yyyy) and importe (ImporteTotal as in the record),
// each value percent-encoded in UTF-8 (letters, digits and "-._*" kept).
QString QrValidationUrl(AgencyEnvironment environment, const QString &nif, const QString &numSerie,
                        const QString &fecha, const QString &importe);
// The same for a stored RegistroAlta; empty for an anulación or an unreadable record.
QString QrValidationUrl(AgencyEnvironment environment, const StoredRecord &alta);
