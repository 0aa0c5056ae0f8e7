#include "verifactu/record_xml.h"

#include "verifactu/record_format.h"
#include "verifactu/record_hash.h"

#include <QHash>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

class Writer
{
public:
    explicit Writer(QByteArray *out)
        : m_xml(out)
    {
        m_xml.setAutoFormatting(true);
        m_xml.setAutoFormattingIndent(2);
        m_xml.writeNamespace(kSuministroInformacionNs, QStringLiteral("sum1"));
    }
    void start(const char *name) { m_xml.writeStartElement(kSuministroInformacionNs, QLatin1String(name)); }
    void end() { m_xml.writeEndElement(); }
    void text(const char *name, const QString &value)
    {
        m_xml.writeTextElement(kSuministroInformacionNs, QLatin1String(name), value.trimmed());
    }
    void finish() { m_xml.writeEndDocument(); }

    void chain(const std::optional<ChainLink> &previous)
    {
        start("Encadenamiento");
        if (!previous) {
            text("PrimerRegistro", QStringLiteral("S"));
        } else {
            start("RegistroAnterior");
            text("IDEmisorFactura", previous->emisor);
            text("NumSerieFactura", previous->numSerie);
            text("FechaExpedicionFactura", previous->fecha);
            text("Huella", previous->huella);
            end();
        }
        end();
    }

    void system(const SystemBlock &s)
    {
        start("SistemaInformatico");
        text("NombreRazon", s.identity.producerName);
        text("NIF", NormalizedTaxId(s.identity.producerNif));
        text("NombreSistemaInformatico", s.identity.systemName);
        text("IdSistemaInformatico", s.identity.systemId);
        text("Version", s.identity.version);
        text("NumeroInstalacion", s.installationNumber);
        text("TipoUsoPosibleSoloVerifactu", QStringLiteral("S"));
        text("TipoUsoPosibleMultiOT", QStringLiteral("S"));
        text("IndicadorMultiplesOT", s.multipleIssuers ? QStringLiteral("S") : QStringLiteral("N"));
        end();
    }

    void recipient(const QString &name, const QString &taxId);

private:
    QXmlStreamWriter m_xml;
};

// Country of an EU VAT number's prefix (Greece writes "EL"); empty when it has none.
QString VatCountry(const QString &id)
{
    static const QStringList countries = {
        QStringLiteral("AT"), QStringLiteral("BE"), QStringLiteral("BG"), QStringLiteral("CY"), QStringLiteral("CZ"),
        QStringLiteral("DE"), QStringLiteral("DK"), QStringLiteral("EE"), QStringLiteral("FI"), QStringLiteral("FR"),
        QStringLiteral("HR"), QStringLiteral("HU"), QStringLiteral("IE"), QStringLiteral("IT"), QStringLiteral("LT"),
        QStringLiteral("LU"), QStringLiteral("LV"), QStringLiteral("MT"), QStringLiteral("NL"), QStringLiteral("PL"),
        QStringLiteral("PT"), QStringLiteral("RO"), QStringLiteral("SE"), QStringLiteral("SI"), QStringLiteral("SK")};
    const QString prefix = id.left(2);
    if (prefix == QLatin1String("EL"))
        return QStringLiteral("GR");
    return countries.contains(prefix) ? prefix : QString();
}

void Writer::recipient(const QString &name, const QString &taxId)
{
    const QString id = NormalizedTaxId(taxId);
    start("Destinatarios");
    start("IDDestinatario");
    text("NombreRazon", name);
    if (id.size() == 9 && VatCountry(id).isEmpty()) {
        text("NIF", id);
    } else {
        // A foreign client: an EU VAT number ("02") or another document ("06").
        const QString country = VatCountry(id);
        start("IDOtro");
        if (!country.isEmpty())
            text("CodigoPais", country);
        text("IDType", country.isEmpty() ? QStringLiteral("06") : QStringLiteral("02"));
        text("ID", id);
        end();
    }
    end();
    end();
}

} // namespace

QByteArray AltaXml(const AltaRecord &r)
{
    QByteArray out;
    Writer w(&out);
    w.start("RegistroAlta");
    w.text("IDVersion", QStringLiteral("1.0"));
    w.start("IDFactura");
    w.text("IDEmisorFactura", r.emisor);
    w.text("NumSerieFactura", r.numSerie);
    w.text("FechaExpedicionFactura", r.fecha);
    w.end();
    w.text("NombreRazonEmisor", r.issuerName);
    if (r.subsanacion)
        w.text("Subsanacion", QStringLiteral("S"));
    if (r.subsanacion && r.rechazoPrevio)
        w.text("RechazoPrevio", QStringLiteral("S"));
    w.text("TipoFactura", QStringLiteral("F1"));
    w.text("DescripcionOperacion", r.description);
    w.recipient(r.clientName, r.clientNif);
    w.start("Desglose");
    for (const TaxLine &line : r.lines) {
        w.start("DetalleDesglose");
        w.text("Impuesto", r.canarias ? QStringLiteral("03") : QStringLiteral("01"));
        w.text("ClaveRegimen", QStringLiteral("01"));
        w.text("CalificacionOperacion", QStringLiteral("S1"));
        w.text("TipoImpositivo", RecordRate(line.rate));
        w.text("BaseImponibleOimporteNoSujeto", RecordAmount(line.base));
        w.text("CuotaRepercutida", RecordAmount(line.tax));
        w.end();
    }
    w.end();
    w.text("CuotaTotal", r.cuotaTotal);
    w.text("ImporteTotal", r.importeTotal);
    w.chain(r.previous);
    w.system(r.system);
    w.text("FechaHoraHusoGenRegistro", r.timestamp);
    w.text("TipoHuella", QStringLiteral("01"));
    w.text("Huella", r.huella);
    w.end();
    w.finish();
    return out;
}

QByteArray AnulacionXml(const AnulacionRecord &r)
{
    QByteArray out;
    Writer w(&out);
    w.start("RegistroAnulacion");
    w.text("IDVersion", QStringLiteral("1.0"));
    w.start("IDFactura");
    w.text("IDEmisorFacturaAnulada", r.emisor);
    w.text("NumSerieFacturaAnulada", r.numSerie);
    w.text("FechaExpedicionFacturaAnulada", r.fecha);
    w.end();
    if (r.sinRegistroPrevio)
        w.text("SinRegistroPrevio", QStringLiteral("S"));
    w.chain(r.previous);
    w.system(r.system);
    w.text("FechaHoraHusoGenRegistro", r.timestamp);
    w.text("TipoHuella", QStringLiteral("01"));
    w.text("Huella", r.huella);
    w.end();
    w.finish();
    return out;
}

std::optional<ParsedRecord> ParseRecordXml(const QByteArray &xml)
{
    // Leaf texts by their path below the root ("IDFactura/IDEmisorFactura").
    QXmlStreamReader reader(xml);
    QHash<QString, QString> leaves;
    QString path;
    std::vector<qsizetype> lengths;
    QString root;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (reader.namespaceUri() != kSuministroInformacionNs)
                return std::nullopt;
            if (root.isEmpty()) {
                root = reader.name().toString();
                continue;
            }
            lengths.push_back(path.size());
            if (!path.isEmpty())
                path += QLatin1Char('/');
            path += reader.name();
        } else if (reader.isCharacters() && !reader.isWhitespace()) {
            leaves[path] += reader.text();
        } else if (reader.isEndElement() && !lengths.empty()) {
            path.truncate(lengths.back());
            lengths.pop_back();
        }
    }
    if (reader.hasError() || (root != QLatin1String("RegistroAlta") && root != QLatin1String("RegistroAnulacion")))
        return std::nullopt;

    ParsedRecord r;
    r.alta = root == QLatin1String("RegistroAlta");
    const QString suffix = r.alta ? QString() : QStringLiteral("Anulada");
    r.emisor = leaves.value(QStringLiteral("IDFactura/IDEmisorFactura") + suffix).trimmed();
    r.numSerie = leaves.value(QStringLiteral("IDFactura/NumSerieFactura") + suffix).trimmed();
    r.fecha = leaves.value(QStringLiteral("IDFactura/FechaExpedicionFactura") + suffix).trimmed();
    r.issuerName = leaves.value(QStringLiteral("NombreRazonEmisor")).trimmed();
    r.subsanacion = leaves.value(QStringLiteral("Subsanacion")).trimmed() == QLatin1String("S");
    r.tipoFactura = leaves.value(QStringLiteral("TipoFactura")).trimmed();
    r.cuotaTotal = leaves.value(QStringLiteral("CuotaTotal")).trimmed();
    r.importeTotal = leaves.value(QStringLiteral("ImporteTotal")).trimmed();
    r.firstRecord = leaves.value(QStringLiteral("Encadenamiento/PrimerRegistro")).trimmed() == QLatin1String("S");
    const QString anterior = QStringLiteral("Encadenamiento/RegistroAnterior/");
    r.previous = {leaves.value(anterior + QStringLiteral("IDEmisorFactura")).trimmed(),
                  leaves.value(anterior + QStringLiteral("NumSerieFactura")).trimmed(),
                  leaves.value(anterior + QStringLiteral("FechaExpedicionFactura")).trimmed(),
                  leaves.value(anterior + QStringLiteral("Huella")).trimmed()};
    r.timestamp = leaves.value(QStringLiteral("FechaHoraHusoGenRegistro")).trimmed();
    r.huella = leaves.value(QStringLiteral("Huella")).trimmed();
    return r;
}

QString RecomputedHuella(const ParsedRecord &r)
{
    if (r.alta)
        return Huella(HashInput(AltaHashFields{r.emisor, r.numSerie, r.fecha, r.tipoFactura, r.cuotaTotal,
                                               r.importeTotal, r.previous.huella, r.timestamp}));
    return Huella(HashInput(AnulacionHashFields{r.emisor, r.numSerie, r.fecha, r.previous.huella, r.timestamp}));
}
