#include "verifactu/record_hash.h"

#include <QCryptographicHash>

namespace {

QString Pair(const char *name, const QString &value)
{
    return QLatin1String(name) + QLatin1Char('=') + value.trimmed();
}

} // namespace

QString HashInput(const AltaHashFields &f)
{
    return QStringList{Pair("IDEmisorFactura", f.idEmisorFactura),
                       Pair("NumSerieFactura", f.numSerieFactura),
                       Pair("FechaExpedicionFactura", f.fechaExpedicionFactura),
                       Pair("TipoFactura", f.tipoFactura),
                       Pair("CuotaTotal", f.cuotaTotal),
                       Pair("ImporteTotal", f.importeTotal),
                       Pair("Huella", f.huellaAnterior),
                       Pair("FechaHoraHusoGenRegistro", f.fechaHoraHusoGenRegistro)}
        .join(QLatin1Char('&'));
}

QString HashInput(const AnulacionHashFields &f)
{
    return QStringList{Pair("IDEmisorFacturaAnulada", f.idEmisorFacturaAnulada),
                       Pair("NumSerieFacturaAnulada", f.numSerieFacturaAnulada),
                       Pair("FechaExpedicionFacturaAnulada", f.fechaExpedicionFacturaAnulada),
                       Pair("Huella", f.huellaAnterior),
                       Pair("FechaHoraHusoGenRegistro", f.fechaHoraHusoGenRegistro)}
        .join(QLatin1Char('&'));
}

QString Huella(const QString &hashInput)
{
    return QString::fromLatin1(QCryptographicHash::hash(hashInput.toUtf8(), QCryptographicHash::Sha256).toHex().toUpper());
}
