#pragma once

#include "core/errors.h"
#include "verifactu/qr_url.h"
#include "verifactu/verifactu_ledger.h"

#include <QList>
#include <QSqlDatabase>
#include <QSslCertificate>
#include <QSslKey>
#include <QUrl>

#include <functional>
#include <vector>

class IniFile;

// The agency's VERI*FACTU web service of each environment.
QUrl AgencyEndpoint(AgencyEnvironment environment);

// Section VERIFACTU of the settings file: CERTIFICADO (the office's PKCS#12 file) and ENTORNO
// ("pruebas" or "produccion"; pruebas when absent).
struct VerifactuSettings
{
    QString certificateFile;
    AgencyEnvironment environment = AgencyEnvironment::Pruebas;
};
VerifactuSettings ReadVerifactuSettings(const IniFile &settings);
void WriteVerifactuSettings(IniFile &settings, const VerifactuSettings &values);

struct ClientCertificate
{
    QSslCertificate certificate;
    QSslKey key;
    QList<QSslCertificate> chain;
};
// Opens the office's certificate. Throws AppError with the user's message: the file is
// missing, is not PKCS#12 or the password is wrong, or the certificate is not valid at `now`.
ClientCertificate LoadClientCertificate(const QString &path, const QString &password,
                                        const QDateTime &now = QDateTime::currentDateTimeUtc());
// The file is PKCS#12 but does not open with the password given.
class CertificatePasswordError : public AppError
{
public:
    using AppError::AppError;
};

struct SendOptions
{
    ClientCertificate certificate;
    QUrl endpoint;
    QList<QSslCertificate> extraAuthorities; // besides the system's (a private test server)
    int timeoutMs = 60000;
    // No message before this instant (the agency's TiempoEsperaEnvio after its last answer),
    // unless a full message of kMaxRecordsPerMessage records is waiting. Invalid: no wait.
    QDateTime notBefore;
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); };
};

struct SendReport
{
    int sent = 0;
    int accepted = 0;
    int acceptedWithErrors = 0;
    int rejected = 0;
    int pending = 0;  // still waiting after this sending
    QString failure;  // why the sending stopped; the records stay pending
    int waitSeconds = 60;
    QDateTime nextAllowed; // the first instant of the next sending (options.notBefore when none answered)
    bool waiting = false;  // records left pending because the agency's wait has not passed
    std::vector<StoredRecord> answered; // records that got an answer other than "Correcto"

    bool ok() const { return failure.isEmpty(); }
};

// Sends every pending record in generation order, at most kMaxRecordsPerMessage a message,
// one issuer a message, with Incidencia "S" for records an earlier sending could not deliver.
// After each answer it waits for nobody: what cannot go before the agency's TiempoEsperaEnvio
// stays pending (report.waiting) for the caller to send at report.nextAllowed.
// Each answer is stored with its record; a sending that fails (no network, the agency down,
// an answer that is not the agency's) leaves the records pending and stops. Throws
// StoreError on a database failure.
SendReport SendPendingRecords(const QSqlDatabase &db, const SendOptions &options);

// "Probar conexión": a request to the agency over mutual TLS with the certificate, telling
// whether the agency took it. `environmentName` names the environment in the text ("pruebas").
struct ConnectionCheck
{
    bool ok = false;
    QString text;
};
ConnectionCheck CheckAgencyConnection(const SendOptions &options, const QString &environmentName);

// Key ENVIO_PERMITIDO of section VERIFACTU: the instant the agency allows the next sending,
// kept across runs and shared with devenix-cli. Invalid when there is none.
QDateTime ReadNextSendingTime(const IniFile &settings);
void WriteNextSendingTime(IniFile &settings, const QDateTime &allowed);
// Whether a sending may start at `now`: the wait has passed, or a full message is waiting. A
// wait of more than kLongestAgencyWaitSeconds is taken as none (a clock set wrong).
inline constexpr int kLongestAgencyWaitSeconds = 24 * 3600;
bool MaySendNow(const QDateTime &notBefore, const QDateTime &now, int pending);
// "La Agencia Tributaria pide esperar entre envíos: se podrá enviar a partir de las 10:01:00 del
// 15/07/2027." in the computer's local time.
QString NextSendingText(const QDateTime &allowed);

// "Registros VERI*FACTU pendientes de envío: N".
int PendingRecordCount(const QSqlDatabase &db);
QString PendingRecordsText(int count);
// The report for the user: counts, and each record not accepted cleanly with the agency's text.
QString SendReportText(const SendReport &report);
