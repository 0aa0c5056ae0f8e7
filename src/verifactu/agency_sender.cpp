#include "verifactu/agency_sender.h"

#include "core/date_text.h"
#include "core/ini_file.h"
#include "store/sql.h"
#include "verifactu/agency_messages.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>

namespace {

const QString kSection = QStringLiteral("VERIFACTU");

std::vector<StoredRecord> NextBatch(const QSqlDatabase &db)
{
    std::vector<StoredRecord> batch;
    const auto pending = VerifactuLedger::PendingRecords(db, kMaxRecordsPerMessage);
    for (const StoredRecord &r : pending) {
        if (!batch.empty() && r.emisor != batch.front().emisor)
            break;
        batch.push_back(r);
    }
    return batch;
}

struct Reply
{
    QByteArray body;
    QString networkError; // empty when an answer arrived (whatever its HTTP status)
};

Reply Post(const SendOptions &options, const QByteArray &envelope)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(options.endpoint);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/xml; charset=UTF-8"));
    request.setRawHeader("SOAPAction", "\"\"");
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setLocalCertificate(options.certificate.certificate);
    ssl.setLocalCertificateChain(QList<QSslCertificate>{options.certificate.certificate} + options.certificate.chain);
    ssl.setPrivateKey(options.certificate.key);
    if (!options.extraAuthorities.isEmpty())
        ssl.addCaCertificates(options.extraAuthorities);
    request.setSslConfiguration(ssl);
    request.setTransferTimeout(options.timeoutMs);

    QNetworkReply *reply = manager.post(request, envelope);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    Reply result;
    result.body = reply->readAll();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError && status == 0)
        result.networkError = reply->errorString();
    reply->deleteLater();
    return result;
}

void MarkAttempt(const QSqlDatabase &db, const std::vector<StoredRecord> &batch)
{
    Transaction transaction(db);
    for (const StoredRecord &r : batch)
        RunSql(db, QStringLiteral("UPDATE VerifactuRegistros SET Intentos = Intentos + 1 WHERE Numero = ?"), {r.numero});
    transaction.commit();
}

} // namespace

QUrl AgencyEndpoint(AgencyEnvironment environment)
{
    return QUrl(environment == AgencyEnvironment::Produccion
                    ? QStringLiteral("https://www1.agenciatributaria.gob.es/wlpl/TIKE-CONT/ws/SistemaFacturacion/VerifactuSOAP")
                    : QStringLiteral("https://prewww1.aeat.es/wlpl/TIKE-CONT/ws/SistemaFacturacion/VerifactuSOAP"));
}

VerifactuSettings ReadVerifactuSettings(const IniFile &settings)
{
    VerifactuSettings values;
    values.certificateFile = settings.readString(kSection, QStringLiteral("CERTIFICADO")).trimmed();
    values.environment = settings.readString(kSection, QStringLiteral("ENTORNO")).trimmed().toLower()
                                 == QLatin1String("produccion")
                             ? AgencyEnvironment::Produccion
                             : AgencyEnvironment::Pruebas;
    return values;
}

void WriteVerifactuSettings(IniFile &settings, const VerifactuSettings &values)
{
    settings.writeString(kSection, QStringLiteral("CERTIFICADO"), values.certificateFile);
    settings.writeString(kSection, QStringLiteral("ENTORNO"),
                         values.environment == AgencyEnvironment::Produccion ? QStringLiteral("produccion")
                                                                             : QStringLiteral("pruebas"));
}

ClientCertificate LoadClientCertificate(const QString &path, const QString &password, const QDateTime &now)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (path.isEmpty())
        throw AppError(QStringLiteral("No se ha indicado el certificado para enviar los registros VERI*FACTU."));
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("No se encuentra el certificado \"%1\".").arg(shown));
    ClientCertificate c;
    if (!QSslCertificate::importPkcs12(&file, &c.key, &c.certificate, &c.chain, password.toUtf8()))
        throw AppError(QStringLiteral("No se ha podido abrir el certificado \"%1\": no es un archivo PKCS#12 "
                                      "(.p12 o .pfx) o la contraseña no es correcta.").arg(shown));
    if (c.certificate.expiryDate() < now)
        throw AppError(QStringLiteral("El certificado \"%1\" caducó el %2.")
                           .arg(shown, FormatDate(c.certificate.expiryDate().toUTC().date())));
    if (c.certificate.effectiveDate() > now)
        throw AppError(QStringLiteral("El certificado \"%1\" no es válido hasta el %2.")
                           .arg(shown, FormatDate(c.certificate.effectiveDate().toUTC().date())));
    return c;
}

SendReport SendPendingRecords(const QSqlDatabase &db, const SendOptions &options)
{
    SendReport report;
    for (;;) {
        const std::vector<StoredRecord> batch = NextBatch(db);
        if (batch.empty())
            break;
        QString issuerName;
        for (auto it = batch.rbegin(); it != batch.rend() && issuerName.isEmpty(); ++it) {
            if (const auto parsed = ParseRecordXml(it->xml))
                issuerName = parsed->issuerName;
        }
        if (issuerName.isEmpty()) {
            if (const auto alta = VerifactuLedger::LastAltaOfIssuer(db, batch.front().emisor))
                issuerName = ParseRecordXml(alta->xml).value_or(ParsedRecord{}).issuerName;
        }
        const bool incidencia = std::any_of(batch.begin(), batch.end(), [](const StoredRecord &r) { return r.intentos > 0; });
        const Reply reply = Post(options, SendingEnvelope(issuerName, batch.front().emisor, incidencia, batch));
        const auto answer = reply.networkError.isEmpty() ? ParseAgencyAnswer(reply.body) : std::nullopt;
        if (!answer || !answer->faultCode.isEmpty()) {
            MarkAttempt(db, batch);
            if (!reply.networkError.isEmpty())
                report.failure = QStringLiteral("No se ha podido conectar con la Agencia Tributaria: %1").arg(reply.networkError);
            else if (!answer)
                report.failure = QStringLiteral("La respuesta de la Agencia Tributaria no se entiende; los registros "
                                                "quedan pendientes de envío.");
            else
                report.failure = QStringLiteral("La Agencia Tributaria no ha admitido el envío: %1").arg(answer->faultText);
            break;
        }
        report.waitSeconds = answer->waitSeconds;
        std::vector<bool> matched(batch.size(), false);
        const QString now = QDateTime::currentDateTime().toString(Qt::ISODate);
        Transaction transaction(db);
        for (const AnswerLine &line : answer->lines) {
            for (std::size_t i = 0; i < batch.size(); ++i) {
                const StoredRecord &r = batch[i];
                if (matched[i] || r.alta != line.alta || r.numSerie != line.numSerie || r.fecha != line.fecha
                    || (!line.emisor.isEmpty() && r.emisor != line.emisor))
                    continue;
                matched[i] = true;
                RunSql(db,
                       QStringLiteral("UPDATE VerifactuRegistros SET Estado = ?, CodigoError = ?, DescripcionError = ?,"
                                      " Csv = ?, Respuesta = ?, Intentos = Intentos + 1 WHERE Numero = ?"),
                       {line.estado, TextOrNull(line.codigo), TextOrNull(line.descripcion), TextOrNull(answer->csv), now,
                        r.numero});
                ++report.sent;
                if (line.estado == kStateAccepted) {
                    ++report.accepted;
                } else {
                    (line.estado == kStateRejected ? report.rejected : report.acceptedWithErrors)++;
                    StoredRecord answered = r;
                    answered.estado = line.estado;
                    answered.codigoError = line.codigo;
                    answered.descripcionError = line.descripcion;
                    report.answered.push_back(answered);
                }
                break;
            }
        }
        transaction.commit();
        if (std::find(matched.begin(), matched.end(), true) == matched.end()) {
            MarkAttempt(db, batch);
            report.failure = QStringLiteral("La respuesta de la Agencia Tributaria no menciona ningún registro enviado; "
                                            "quedan pendientes de envío.");
            break;
        }
    }
    report.pending = PendingRecordCount(db);
    return report;
}

int PendingRecordCount(const QSqlDatabase &db)
{
    return Scalar(db, QStringLiteral("SELECT count(*) FROM VerifactuRegistros WHERE Estado = ?"), {kStatePending}).toInt();
}

QString PendingRecordsText(int count)
{
    return QStringLiteral("Registros VERI*FACTU pendientes de envío: %1").arg(count);
}

QString SendReportText(const SendReport &report)
{
    QString text = QStringLiteral("Registros enviados: %1 (correctos %2, aceptados con errores %3, rechazados %4).\n")
                       .arg(report.sent)
                       .arg(report.accepted)
                       .arg(report.acceptedWithErrors)
                       .arg(report.rejected);
    for (const StoredRecord &r : report.answered)
        text += QStringLiteral("Registro %1 (factura %2): %3 %4 %5\n")
                    .arg(r.numero)
                    .arg(r.numSerie, r.estado == kStateRejected ? QStringLiteral("rechazado") : QStringLiteral("aceptado con errores"),
                         r.codigoError, r.descripcionError);
    if (!report.ok())
        text += report.failure + QLatin1Char('\n');
    text += PendingRecordsText(report.pending) + QLatin1Char('\n');
    return text;
}
