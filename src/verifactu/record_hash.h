#pragma once

#include <QString>

// The fields the agency hashes, as written in the record (trimmed before hashing).
struct AltaHashFields
{
    QString idEmisorFactura;
    QString numSerieFactura;
    QString fechaExpedicionFactura;
    QString tipoFactura;
    QString cuotaTotal;
    QString importeTotal;
    QString huellaAnterior; // empty for the first record of the chain
    QString fechaHoraHusoGenRegistro;
};

struct AnulacionHashFields
{
    QString idEmisorFacturaAnulada;
    QString numSerieFacturaAnulada;
    QString fechaExpedicionFacturaAnulada;
    QString huellaAnterior;
    QString fechaHoraHusoGenRegistro;
};

// "IDEmisorFactura=...&NumSerieFactura=...&...&Huella=...&FechaHoraHusoGenRegistro=...": the
// values trimmed, never URL-encoded, an absent value written as "name=".
QString HashInput(const AltaHashFields &fields);
QString HashInput(const AnulacionHashFields &fields);
// SHA-256 of the UTF-8 input as 64 upper-case hexadecimal digits.
QString Huella(const QString &hashInput);
