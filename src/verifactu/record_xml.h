#pragma once

#include "verifactu/invoice_snapshot.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

inline const QString kSuministroInformacionNs = QStringLiteral(
    "https://www2.agenciatributaria.gob.es/static_files/common/internet/dep/aplicaciones/es/aeat/tike/cont/ws/"
    "SuministroInformacion.xsd");

// The program and its producer as every record names them (SistemaInformatico).
struct SoftwareIdentity
{
    QString producerName;
    QString producerNif;
    QString systemName = QStringLiteral("Cuantix");
    QString systemId = QStringLiteral("CX");
    QString version;

    bool operator==(const SoftwareIdentity &) const = default;
};

struct SystemBlock
{
    SoftwareIdentity identity;
    QString installationNumber;
    bool multipleIssuers = false;
};

// The record a new record chains to: its invoice (issuer, series and number, issue date) and
// its hash.
struct ChainLink
{
    QString emisor;
    QString numSerie;
    QString fecha;
    QString huella;

    bool operator==(const ChainLink &) const = default;
};

struct AltaRecord
{
    QString emisor;
    QString numSerie;
    QString fecha; // dd-mm-yyyy
    QString issuerName;
    bool subsanacion = false;
    bool rechazoPrevio = false; // corrects a record the agency rejected
    QString description;
    QString clientName;
    QString clientNif;
    bool canarias = false;
    std::vector<TaxLine> lines;
    QString cuotaTotal;
    QString importeTotal;
    std::optional<ChainLink> previous;
    SystemBlock system;
    QString timestamp;
    QString huella;
};

struct AnulacionRecord
{
    QString emisor;
    QString numSerie;
    QString fecha;
    bool sinRegistroPrevio = false; // the agency holds no alta of it (all were rejected)
    std::optional<ChainLink> previous;
    SystemBlock system;
    QString timestamp;
    QString huella;
};

// The RegistroAlta / RegistroAnulacion element, UTF-8, namespace-qualified ("sum1" prefix
// declared on the element), without XML declaration: the text stored and sent.
QByteArray AltaXml(const AltaRecord &record);
QByteArray AnulacionXml(const AnulacionRecord &record);

// What a stored record's XML says about its hash and its chain.
struct ParsedRecord
{
    bool alta = true;
    bool subsanacion = false;
    QString emisor;
    QString numSerie;
    QString fecha;
    QString issuerName; // NombreRazonEmisor of an alta
    QString tipoFactura;
    QString cuotaTotal;
    QString importeTotal;
    bool firstRecord = false;
    ChainLink previous;
    QString timestamp;
    QString huella;
};
// nullopt when the text is not a record of ours.
std::optional<ParsedRecord> ParseRecordXml(const QByteArray &xml);
// The hash the record's own fields give.
QString RecomputedHuella(const ParsedRecord &record);
