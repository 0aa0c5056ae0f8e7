#include "verifactu/agency_messages.h"

#include "verifactu/record_xml.h"

#include <QXmlStreamReader>

namespace {

QByteArray Escaped(const QString &text)
{
    return text.trimmed().toHtmlEscaped().toUtf8();
}

} // namespace

QByteArray SendingEnvelope(const QString &issuerName, const QString &issuerNif, bool incidencia,
                           const std::vector<StoredRecord> &records)
{
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\">\n"
                     "<soapenv:Header/>\n<soapenv:Body>\n<sum:RegFactuSistemaFacturacion xmlns:sum=\""
                     + kSuministroLRNs.toUtf8() + "\" xmlns:sum1=\"" + kSuministroInformacionNs.toUtf8()
                     + "\">\n<sum:Cabecera>\n"
                       "<sum1:ObligadoEmision><sum1:NombreRazon>"
                     + Escaped(issuerName) + "</sum1:NombreRazon><sum1:NIF>" + Escaped(issuerNif)
                     + "</sum1:NIF></sum1:ObligadoEmision>\n";
    if (incidencia)
        out += "<sum1:RemisionVoluntaria><sum1:Incidencia>S</sum1:Incidencia></sum1:RemisionVoluntaria>\n";
    out += "</sum:Cabecera>\n";
    for (const StoredRecord &r : records)
        out += "<sum:RegistroFactura>\n" + r.xml.trimmed() + "\n</sum:RegistroFactura>\n";
    out += "</sum:RegFactuSistemaFacturacion>\n</soapenv:Body>\n</soapenv:Envelope>\n";
    return out;
}

std::optional<AgencyAnswer> ParseAgencyAnswer(const QByteArray &body)
{
    QXmlStreamReader reader(body);
    AgencyAnswer answer;
    bool sawAnswer = false;
    bool sawFault = false;
    bool sawEnvelope = false;
    QStringList path;
    AnswerLine line;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QString name = reader.name().toString();
            path << name;
            if (name == QLatin1String("Envelope"))
                sawEnvelope = true;
            else if (name == QLatin1String("RespuestaRegFactuSistemaFacturacion"))
                sawAnswer = true;
            else if (name == QLatin1String("Fault"))
                sawFault = true;
            else if (name == QLatin1String("RespuestaLinea"))
                line = AnswerLine{};
            continue;
        }
        if (reader.isEndElement()) {
            if (path.constLast() == QLatin1String("RespuestaLinea"))
                answer.lines.push_back(line);
            path.removeLast();
            continue;
        }
        if (!reader.isCharacters() || path.isEmpty())
            continue;
        const QString name = path.constLast();
        const QString text = reader.text().toString().trimmed();
        const bool inLine = path.contains(QStringLiteral("RespuestaLinea"));
        const bool inDuplicate = path.contains(QStringLiteral("RegistroDuplicado"));
        if (sawFault && name == QLatin1String("faultcode"))
            answer.faultCode += text;
        else if (sawFault && name == QLatin1String("faultstring"))
            answer.faultText += text;
        else if (!inLine && name == QLatin1String("CSV"))
            answer.csv += text;
        else if (!inLine && name == QLatin1String("TiempoEsperaEnvio"))
            answer.waitSeconds = text.toInt();
        else if (!inLine && name == QLatin1String("EstadoEnvio"))
            answer.estadoEnvio += text;
        else if (inLine && !inDuplicate) {
            if (name == QLatin1String("IDEmisorFactura"))
                line.emisor += text;
            else if (name == QLatin1String("NumSerieFactura"))
                line.numSerie += text;
            else if (name == QLatin1String("FechaExpedicionFactura"))
                line.fecha += text;
            else if (name == QLatin1String("TipoOperacion"))
                line.alta = text != QLatin1String("Anulacion");
            else if (name == QLatin1String("EstadoRegistro"))
                line.estado += text;
            else if (name == QLatin1String("CodigoErrorRegistro"))
                line.codigo += text;
            else if (name == QLatin1String("DescripcionErrorRegistro"))
                line.descripcion += text;
        }
    }
    if (reader.hasError() || !sawEnvelope || (!sawAnswer && !sawFault))
        return std::nullopt;
    if (sawAnswer && !sawFault && answer.estadoEnvio.isEmpty())
        return std::nullopt;
    return answer;
}
