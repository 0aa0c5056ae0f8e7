#pragma once

#include "verifactu/verifactu_ledger.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

inline const QString kSuministroLRNs = QStringLiteral(
    "https://www2.agenciatributaria.gob.es/static_files/common/internet/dep/aplicaciones/es/aeat/tike/cont/ws/"
    "SuministroLR.xsd");
inline constexpr int kMaxRecordsPerMessage = 1000;

// The SOAP 1.1 message RegFactuSistemaFacturacion carrying `records` (1 to 1000, all of one
// issuer, in generation order) exactly as stored. `incidencia`: records sent late because an
// earlier sending failed (RemisionVoluntaria/Incidencia "S").
QByteArray SendingEnvelope(const QString &issuerName, const QString &issuerNif, bool incidencia,
                           const std::vector<StoredRecord> &records);

// The agency's verdict on one record of a message.
struct AnswerLine
{
    QString emisor;
    QString numSerie;
    QString fecha;
    bool alta = true; // TipoOperacion "Alta" or "Anulacion"
    QString estado;   // Correcto, AceptadoConErrores, Incorrecto
    QString codigo;
    QString descripcion;
};

struct AgencyAnswer
{
    QString faultCode; // a SOAP fault ("soapenv:Server", "soapenv:Client"); then nothing else
    QString faultText;
    QString csv;
    int waitSeconds = 60;
    QString estadoEnvio;
    std::vector<AnswerLine> lines;
};

// nullopt when `body` is neither the agency's answer nor a SOAP fault.
std::optional<AgencyAnswer> ParseAgencyAnswer(const QByteArray &body);
