#pragma once

#include "verifactu/agency_sender.h"

#include <QObject>
#include <QSqlDatabase>
#include <QTimer>

#include <functional>

class CertificatePassword;
class Prompter;

// What the program gives the sender of its pending records.
struct PendingSenderSetup
{
    std::function<QSqlDatabase()> database; // Datos; an invalid one means there is nothing to send
    QString settingsPath;                   // the settings file (certificate, environment, wait)
    Prompter *prompter = nullptr;
    CertificatePassword *password = nullptr;
    std::function<bool()> userBusy;          // a window is open: the automatic sending waits
    QUrl endpoint;                           // empty: the configured environment's
    QList<QSslCertificate> extraAuthorities; // besides the system's (a private test server)
    int timeoutMs = 60000;
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); };
};

// The records still to be sent while the program runs. Sends them as soon as the agency allows
// after they are made, retries at least hourly when a sending fails (with Incidencia "S"), and
// honours the agency's TiempoEsperaEnvio (kept in the settings, shared with devenix-cli). The
// automatic sending runs only once a certificate is configured and never shows a message: its
// failures and the agency's rejections are reported through problemChanged.
class PendingSender final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PendingSender)

public:
    static constexpr int kRetrySeconds = 3600;
    static constexpr int kBusyRetrySeconds = 60;

    explicit PendingSender(PendingSenderSetup setup, QObject *parent = nullptr);

    int pending() const { return m_pending; }
    // The last automatic sending's failure or rejections; empty when it went well.
    const QString &problem() const { return m_problem; }
    const QTimer &timer() const { return m_timer; }

    // Counts the pending records again (after invoices changed, or another program sent) and
    // plans the next automatic sending.
    void refresh();
    // "Enviar registros pendientes": asks the password when it is not known yet and tells the
    // outcome, each rejected record with the agency's code and text. Throws StoreError.
    void sendNow();
    // The timer's sending; shows nothing but the password question the first time.
    void sendInBackground();

signals:
    void pendingChanged(int count);
    void problemChanged(const QString &text);

private:
    enum class Outcome { Sent, Waiting, Failed, Cancelled };
    Outcome attempt(bool byUser);
    void plan();
    void setProblem(const QString &text);
    bool certificateConfigured() const;

    PendingSenderSetup m_setup;
    QTimer m_timer;
    int m_pending = 0;
    bool m_lastFailed = false;
    bool m_busy = false;
    bool m_askDeclined = false; // the user cancelled the password the timer asked for
    QString m_problem;
    QString m_lastReport; // the text of the last sending, for sendNow
};

// Records the agency rejected or accepted with errors and not since accepted cleanly for the
// same invoice, newest first.
std::vector<StoredRecord> RecordsWithAgencyErrors(const QSqlDatabase &db);
