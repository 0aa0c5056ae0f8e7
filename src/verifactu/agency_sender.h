#pragma once

#include "verifactu/qr_url.h"
#include "verifactu/verifactu_ledger.h"

#include <QList>
#include <QSqlDatabase>
#include <QSslCertificate>
#include <QSslKey>
#include <QUrl>

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

struct SendOptions
{
    ClientCertificate certificate;
    QUrl endpoint;
    QList<QSslCertificate> extraAuthorities; // besides the system's (a private test server)
    int timeoutMs = 60000;
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
    std::vector<StoredRecord> answered; // records that got an answer other than "Correcto"

    bool ok() const { return failure.isEmpty(); }
};

// Sends every pending record in generation order, at most kMaxRecordsPerMessage a message,
// one issuer a message, with Incidencia "S" for records an earlier sending could not deliver.
// Each answer is stored with its record; a sending that fails (no network, the agency down,
// an answer that is not the agency's) leaves the records pending and stops. Throws
// StoreError on a database failure.
SendReport SendPendingRecords(const QSqlDatabase &db, const SendOptions &options);

// "Registros VERI*FACTU pendientes de envío: N".
int PendingRecordCount(const QSqlDatabase &db);
QString PendingRecordsText(int count);
// The report for the user: counts, and each record not accepted cleanly with the agency's text.
QString SendReportText(const SendReport &report);
