#include "verifactu/qr_url.h"

#include "verifactu/record_xml.h"
#include "verifactu/verifactu_ledger.h"

namespace {

QString Encoded(const QString &value)
{
    QString out;
    for (const char byte : value.trimmed().toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
            || c == '_' || c == '*')
            out += QLatin1Char(static_cast<char>(c));
        else
            out += QStringLiteral("%%1").arg(static_cast<uint>(c), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

} // namespace

QString QrValidationUrl(AgencyEnvironment environment, const QString &nif, const QString &numSerie,
                        const QString &fecha, const QString &importe)
{
    const QString base = environment == AgencyEnvironment::Produccion
                             ? QStringLiteral("https://www2.agenciatributaria.gob.es/wlpl/TIKE-CONT/ValidarQR")
                             : QStringLiteral("https://prewww2.aeat.es/wlpl/TIKE-CONT/ValidarQR");
    return base + QStringLiteral("?nif=") + Encoded(nif) + QStringLiteral("&numserie=") + Encoded(numSerie)
           + QStringLiteral("&fecha=") + Encoded(fecha) + QStringLiteral("&importe=") + Encoded(importe);
}

QString QrValidationUrl(AgencyEnvironment environment, const StoredRecord &alta)
{
    const auto parsed = ParseRecordXml(alta.xml);
    if (!alta.alta || !parsed)
        return {};
    return QrValidationUrl(environment, parsed->emisor, parsed->numSerie, parsed->fecha, parsed->importeTotal);
}
