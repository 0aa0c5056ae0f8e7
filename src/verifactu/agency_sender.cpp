#include "verifactu/agency_sender.h"

#include "core/date_text.h"
#include "core/ini_file.h"
#include "store/sql.h"
#include "verifactu/agency_messages.h"

#include <algorithm>

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
const QString kNextSendingKey = QStringLiteral("ENVIO_PERMITIDO");

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
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
};

// A POST of `envelope`, or a GET when it is null, over mutual TLS with the office's certificate.
Reply Exchange(const SendOptions &options, const QByteArray &envelope)
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

    QNetworkReply *reply = envelope.isNull() ? manager.get(request) : manager.post(request, envelope);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    Reply result;
    result.body = reply->readAll();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.error = reply->error();
    if (reply->error() != QNetworkReply::NoError && result.status == 0)
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
    if (!QSslCertificate::importPkcs12(&file, &c.key, &c.certificate, &c.chain, password.toUtf8())) {
        // A PKCS#12 file is DER: it begins with an ASN.1 SEQUENCE. Anything else is not one,
        // whatever the password.
        file.seek(0);
        char first = 0;
        if (!file.getChar(&first) || static_cast<unsigned char>(first) != 0x30)
            throw AppError(QStringLiteral("No se ha podido abrir el certificado \"%1\": no es un archivo PKCS#12 "
                                          "(.p12 o .pfx).").arg(shown));
        throw CertificatePasswordError(QStringLiteral("No se ha podido abrir el certificado \"%1\": la contraseña no "
                                                      "es correcta (o el archivo está dañado).").arg(shown));
    }
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
    QDateTime allowed = options.notBefore;
    for (;;) {
        const std::vector<StoredRecord> batch = NextBatch(db);
        if (batch.empty())
            break;
        if (!MaySendNow(allowed, options.clock(), static_cast<int>(batch.size()))) {
            report.waiting = true;
            break;
        }
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
        const Reply reply = Exchange(options, SendingEnvelope(issuerName, batch.front().emisor, incidencia, batch));
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
        allowed = options.clock().addSecs(std::clamp(answer->waitSeconds, 0, kLongestAgencyWaitSeconds));
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
    report.nextAllowed = allowed;
    return report;
}

ConnectionCheck CheckAgencyConnection(const SendOptions &options, const QString &environmentName)
{
    const QString holder =
        options.certificate.certificate.subjectInfo(QSslCertificate::CommonName).join(QStringLiteral(", "));
    const Reply reply = Exchange(options, QByteArray());
    if (reply.status == 401 || reply.status == 403)
        return {false, QStringLiteral("La Agencia Tributaria (%1) ha rechazado el certificado de \"%2\" (HTTP %3). "
                                      "Compruebe que es un certificado de la empresa o de su representante.")
                           .arg(environmentName, holder).arg(reply.status)};
    if (reply.status > 0)
        return {true, QStringLiteral("Conexión correcta con la Agencia Tributaria (%1) con el certificado de \"%2\".")
                          .arg(environmentName, holder)};
    // Not reached at all; any other failure came once connected: a server that refuses the
    // client's certificate ends the handshake, or (TLS 1.3) the connection right after it.
    const QNetworkReply::NetworkError unreachable[] = {
        QNetworkReply::HostNotFoundError,           QNetworkReply::ConnectionRefusedError,
        QNetworkReply::TimeoutError,                QNetworkReply::OperationCanceledError,
        QNetworkReply::TemporaryNetworkFailureError, QNetworkReply::NetworkSessionFailedError,
        QNetworkReply::ProxyConnectionRefusedError, QNetworkReply::ProxyNotFoundError,
        QNetworkReply::ProxyTimeoutError,           QNetworkReply::ProxyConnectionClosedError};
    if (std::find(std::begin(unreachable), std::end(unreachable), reply.error) == std::end(unreachable))
        return {false, QStringLiteral("La Agencia Tributaria (%1) no ha aceptado la conexión segura con el certificado "
                                      "de \"%2\": %3").arg(environmentName, holder, reply.networkError)};
    return {false, QStringLiteral("No se ha podido conectar con la Agencia Tributaria (%1): %2. Compruebe la conexión "
                                  "a Internet.").arg(environmentName, reply.networkError)};
}

QDateTime ReadNextSendingTime(const IniFile &settings)
{
    return QDateTime::fromString(settings.readString(kSection, kNextSendingKey).trimmed(), Qt::ISODate);
}

void WriteNextSendingTime(IniFile &settings, const QDateTime &allowed)
{
    settings.writeString(kSection, kNextSendingKey, allowed.isValid() ? allowed.toUTC().toString(Qt::ISODateWithMs) : QString());
}

bool MaySendNow(const QDateTime &notBefore, const QDateTime &now, int pending)
{
    // A wait longer than any the agency asks for comes from a clock that was wrong when it was
    // noted: it would hold the records back for good.
    return !notBefore.isValid() || now >= notBefore || pending >= kMaxRecordsPerMessage
           || now.secsTo(notBefore) > kLongestAgencyWaitSeconds;
}

QString NextSendingText(const QDateTime &allowed)
{
    const QDateTime local = allowed.toLocalTime();
    return QStringLiteral("La Agencia Tributaria pide esperar entre envíos: se podrá enviar a partir de las %1 del %2.")
        .arg(local.time().toString(QStringLiteral("HH:mm:ss")), FormatDate(local.date()));
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
    if (report.waiting)
        text += NextSendingText(report.nextAllowed) + QLatin1Char('\n');
    text += PendingRecordsText(report.pending) + QLatin1Char('\n');
    return text;
}
