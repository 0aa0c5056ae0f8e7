#include "verifactu/pending_sender.h"

#include "core/errors.h"
#include "core/ini_file.h"
#include "core/prompter.h"
#include "verifactu/certificate_password.h"

#include <algorithm>
#include <map>

namespace {

// The record's own answer state as the timer reports it.
QString RejectionsText(int count)
{
    return QStringLiteral("La Agencia Tributaria ha rechazado o aceptado con errores %1 registro(s) VERI*FACTU: "
                          "véalos en Utilidades, VERI*FACTU, Registros rechazados.").arg(count);
}

// Marks a sending in progress for as long as it lasts, however it ends.
class Busy
{
public:
    explicit Busy(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~Busy() { m_flag = false; }
    Busy(const Busy &) = delete;
    Busy &operator=(const Busy &) = delete;

private:
    bool &m_flag;
};

} // namespace

PendingSender::PendingSender(PendingSenderSetup setup, QObject *parent)
    : QObject(parent)
    , m_setup(std::move(setup))
{
    m_timer.setObjectName(QStringLiteral("TimerVerifactu"));
    m_timer.setSingleShot(true);
    // A coarse timer may fire 5 % late: past the hour the law allows between retries.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PendingSender::sendInBackground);
}

bool PendingSender::certificateConfigured() const
{
    return !ReadVerifactuSettings(IniFile(m_setup.settingsPath)).certificateFile.isEmpty();
}

void PendingSender::refresh()
{
    try {
        const QSqlDatabase db = m_setup.database();
        const int count = db.isValid() && db.isOpen() ? PendingRecordCount(db) : 0;
        if (count != m_pending) {
            m_pending = count;
            emit pendingChanged(m_pending);
        }
        if (!m_busy)
            plan();
    } catch (const AppError &e) {
        // Counting is a courtesy: the next refresh tries again.
        setProblem(e.message());
    }
}

void PendingSender::plan()
{
    if (m_pending == 0 || !certificateConfigured()) {
        m_timer.stop();
        return;
    }
    qint64 delayMs = qint64(kRetrySeconds) * 1000;
    if (!m_lastFailed) {
        // Made records go as soon as the agency's wait allows; never later than the hour.
        const QDateTime notBefore = ReadNextSendingTime(IniFile(m_setup.settingsPath));
        delayMs = notBefore.isValid() ? std::clamp(m_setup.clock().msecsTo(notBefore), qint64(0), delayMs) : 0;
    }
    // A retry already due sooner is not put off by each new record.
    if (m_timer.isActive() && m_timer.remainingTime() <= delayMs)
        return;
    m_timer.start(static_cast<int>(delayMs));
}

void PendingSender::setProblem(const QString &text)
{
    if (text == m_problem)
        return;
    m_problem = text;
    emit problemChanged(m_problem);
}

PendingSender::Outcome PendingSender::attempt(bool byUser)
{
    const QSqlDatabase db = m_setup.database();
    IniFile settings(m_setup.settingsPath);
    const VerifactuSettings configured = ReadVerifactuSettings(settings);
    const QDateTime notBefore = ReadNextSendingTime(settings);
    m_pending = PendingRecordCount(db);
    if (!MaySendNow(notBefore, m_setup.clock(), m_pending)) {
        m_lastReport = NextSendingText(notBefore);
        return Outcome::Waiting;
    }
    std::optional<ClientCertificate> certificate;
    try {
        certificate = m_setup.password->open(configured.certificateFile, *m_setup.prompter, m_setup.clock());
    } catch (const AppError &e) {
        m_lastReport = e.message();
        return Outcome::Failed;
    }
    if (!certificate) {
        if (!byUser)
            m_askDeclined = true;
        m_lastReport = QStringLiteral("Los registros VERI*FACTU no se enviarán mientras no se indique la contraseña "
                                      "del certificado: use Utilidades, VERI*FACTU, Enviar registros pendientes.");
        return Outcome::Cancelled;
    }
    m_askDeclined = false;

    SendOptions options;
    options.certificate = *certificate;
    options.endpoint = m_setup.endpoint.isEmpty() ? AgencyEndpoint(configured.environment) : m_setup.endpoint;
    options.extraAuthorities = m_setup.extraAuthorities;
    options.timeoutMs = m_setup.timeoutMs;
    options.notBefore = notBefore;
    options.clock = m_setup.clock;
    const SendReport report = SendPendingRecords(db, options);
    if (report.nextAllowed != notBefore)
        WriteNextSendingTime(settings, report.nextAllowed);
    m_pending = report.pending;
    m_lastReport = SendReportText(report);
    if (!report.ok())
        return Outcome::Failed;
    if (!report.answered.empty())
        setProblem(RejectionsText(static_cast<int>(report.answered.size())));
    else
        setProblem(QString());
    return report.waiting ? Outcome::Waiting : Outcome::Sent;
}

void PendingSender::sendNow()
{
    Prompter &prompter = *m_setup.prompter;
    if (m_busy) {
        prompter.inform(QStringLiteral("Ya se están enviando los registros VERI*FACTU."));
        return;
    }
    m_pending = PendingRecordCount(m_setup.database());
    if (m_pending == 0) {
        emit pendingChanged(0);
        prompter.inform(QStringLiteral("No hay registros VERI*FACTU pendientes de envío."));
        return;
    }
    Outcome outcome = Outcome::Failed;
    {
        const Busy busy(m_busy);
        outcome = attempt(true);
    }
    emit pendingChanged(m_pending);
    if (outcome != Outcome::Cancelled) {
        m_lastFailed = outcome == Outcome::Failed;
        if (m_lastFailed)
            setProblem(m_lastReport);
        const bool clean = outcome == Outcome::Sent && m_problem.isEmpty();
        prompter.message(m_lastReport.trimmed(), clean ? Prompter::Icon::Information : Prompter::Icon::Warning,
                         Prompter::Buttons::Ok, QStringLiteral("Envío VERI*FACTU"));
    }
    plan();
}

void PendingSender::sendInBackground()
{
    if (m_busy)
        return;
    try {
        if (!certificateConfigured())
            return;
        if (m_setup.userBusy && m_setup.userBusy()) {
            m_timer.start(kBusyRetrySeconds * 1000);
            return;
        }
        const QString file = ReadVerifactuSettings(IniFile(m_setup.settingsPath)).certificateFile;
        if (m_askDeclined && !m_setup.password->known(file)) {
            m_lastFailed = true;
            plan();
            return;
        }
        const Busy busy(m_busy);
        const Outcome outcome = attempt(false);
        m_lastFailed = outcome == Outcome::Failed || outcome == Outcome::Cancelled;
        if (m_lastFailed)
            setProblem(m_lastReport.trimmed());
    } catch (const AppError &e) {
        m_lastFailed = true;
        setProblem(e.message());
    }
    emit pendingChanged(m_pending);
    try {
        plan();
    } catch (const AppError &e) {
        setProblem(e.message());
    }
}

std::vector<StoredRecord> RecordsWithAgencyErrors(const QSqlDatabase &db)
{
    const std::vector<StoredRecord> all = VerifactuLedger::Records(db);
    // A record the agency later accepted cleanly for the same invoice is settled.
    std::map<std::pair<QString, QString>, qint64> lastAccepted;
    for (const StoredRecord &r : all) {
        if (r.estado == kStateAccepted)
            lastAccepted[{r.emisor, r.numSerie}] = r.numero;
    }
    std::vector<StoredRecord> found;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (it->estado != kStateRejected && it->estado != kStateAcceptedWithErrors)
            continue;
        const auto accepted = lastAccepted.find({it->emisor, it->numSerie});
        if (accepted == lastAccepted.end() || accepted->second < it->numero)
            found.push_back(*it);
    }
    return found;
}
