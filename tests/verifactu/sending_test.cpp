#include "ledger_fixture.h"

#include "verifactu/agency_messages.h"
#include "core/ini_file.h"
#include "support/scripted_prompter.h"
#include "verifactu/agency_sender.h"
#include "verifactu/certificate_password.h"
#include "verifactu/pending_sender.h"
#include "verifactu/record_schema.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

bool Run(const QString &program, const QStringList &args, const QString &dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void Write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray Read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A private authority, the server's certificate for 127.0.0.1, the office's certificate as a
// PKCS#12 file with password "secreto", and a second office certificate the server does not know.
class Certificates
{
public:
    bool make()
    {
        const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
        const QString d = dir.path();
        Write(dir.filePath(QStringLiteral("ext")), "subjectAltName=IP:127.0.0.1\n");
        auto req = [&](const QString &name, const QString &cn) {
            return Run(openssl, {QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                                 QStringLiteral("-keyout"), name + QStringLiteral(".key"), QStringLiteral("-out"),
                                 name + QStringLiteral(".csr"), QStringLiteral("-subj"), QStringLiteral("/CN=") + cn}, d);
        };
        auto sign = [&](const QString &name, bool server) {
            QStringList args{QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), name + QStringLiteral(".csr"),
                             QStringLiteral("-CA"), QStringLiteral("ca.pem"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                             QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"),
                             QStringLiteral("-out"), name + QStringLiteral(".pem")};
            if (server)
                args << QStringLiteral("-extfile") << QStringLiteral("ext");
            return Run(openssl, args, d);
        };
        auto p12 = [&](const QString &name, const QString &certificate) {
            return Run(openssl, {QStringLiteral("pkcs12"), QStringLiteral("-export"), QStringLiteral("-inkey"), name + QStringLiteral(".key"),
                                 QStringLiteral("-in"), certificate, QStringLiteral("-out"), name + QStringLiteral(".p12"),
                                 QStringLiteral("-passout"), QStringLiteral("pass:secreto")}, d);
        };
        return Run(openssl, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                             QStringLiteral("-nodes"), QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                             QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                             QStringLiteral("/CN=Autoridad de pruebas")}, d)
               && req(QStringLiteral("servidor"), QStringLiteral("127.0.0.1")) && sign(QStringLiteral("servidor"), true)
               && req(QStringLiteral("despacho"), QStringLiteral("Despacho de pruebas")) && sign(QStringLiteral("despacho"), false)
               && p12(QStringLiteral("despacho"), QStringLiteral("despacho.pem"))
               && Run(openssl, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                                QStringLiteral("-nodes"), QStringLiteral("-keyout"), QStringLiteral("extrano.key"), QStringLiteral("-out"),
                                QStringLiteral("extrano.pem"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                                QStringLiteral("/CN=Desconocido")}, d)
               && p12(QStringLiteral("extrano"), QStringLiteral("extrano.pem"));
    }
    QString file(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
};

// The agency's stand-in (agency_server.py), answering as FOLDER/modo says.
class AgencyServer
{
public:
    AgencyServer(const Certificates &c, const QString &folder)
        : m_folder(folder)
    {
        m_process.start(QStandardPaths::findExecutable(QStringLiteral("python3")),
                        {QStringLiteral(VERIFACTU_TEST_DIR "/agency_server.py"), c.file("servidor.pem"),
                         c.file("servidor.key"), c.file("ca.pem"), folder});
        if (m_process.waitForReadyRead(30000))
            m_port = m_process.readLine().trimmed().toInt();
    }
    ~AgencyServer()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    QUrl url() const { return QUrl(QStringLiteral("https://127.0.0.1:%1/wlpl/TIKE-CONT/ws/SistemaFacturacion/VerifactuSOAP").arg(m_port)); }
    int port() const { return m_port; }
    void answer(const char *mode) const { Write(m_folder + QStringLiteral("/modo"), mode); }
    QStringList requests() const
    {
        QStringList list;
        for (int n = 1; QFile::exists(m_folder + QStringLiteral("/peticion-%1.xml").arg(n)); ++n)
            list << m_folder + QStringLiteral("/peticion-%1.xml").arg(n);
        return list;
    }

private:
    QString m_folder;
    QProcess m_process;
    int m_port = 0;
};

// The RegFactuSistemaFacturacion element of a SOAP message (it declares its own namespaces).
QByteArray MessageBody(const QByteArray &envelope)
{
    const qsizetype from = envelope.indexOf("<sum:RegFactuSistemaFacturacion");
    const QByteArray end = "</sum:RegFactuSistemaFacturacion>";
    const qsizetype to = envelope.indexOf(end);
    return from < 0 || to < 0 ? QByteArray() : envelope.mid(from, to + end.size() - from);
}

} // namespace

TEST(AgencySending, SendsInOrderStoresEachAnswerAndKeepsRecordsPendingWhenTheAgencyIsDown)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty() || !QSslSocket::supportsSsl())
        GTEST_SKIP() << "python3, openssl or TLS support missing";
    Certificates certificates;
    ASSERT_TRUE(certificates.make());
    QTemporaryDir serverFolder;
    const AgencyServer server(certificates, serverFolder.path());
    ASSERT_GT(server.port(), 0);

    LedgerFixture f;
    const VerifactuLedger ledger(TestLedgerOptions());
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(n)));
    ASSERT_TRUE(ledger.recordCancellation(f.db(), 2, 2027));

    SendOptions options;
    options.certificate = LoadClientCertificate(certificates.file("despacho.p12"), QStringLiteral("secreto"));
    options.endpoint = server.url();
    options.extraAuthorities = QSslCertificate::fromPath(certificates.file("ca.pem"));
    options.timeoutMs = 20000;

    // The agency down, then answering nonsense: nothing changes but the attempts.
    for (const char *mode : {"caido", "basura"}) {
        server.answer(mode);
        const SendReport report = SendPendingRecords(f.db(), options);
        EXPECT_FALSE(report.ok()) << mode;
        EXPECT_EQ(report.sent, 0) << mode;
        EXPECT_EQ(report.pending, 4) << mode;
    }
    // A certificate the agency does not know: refused at the handshake.
    SendOptions stranger = options;
    stranger.certificate = LoadClientCertificate(certificates.file("extrano.p12"), QStringLiteral("secreto"));
    server.answer("aceptar");
    const SendReport refused = SendPendingRecords(f.db(), stranger);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.pending, 4);
    EXPECT_EQ(PendingRecordCount(f.db()), 4);

    server.answer("rechazar");
    const SendReport report = SendPendingRecords(f.db(), options);
    EXPECT_TRUE(report.ok()) << report.failure.toStdString();
    EXPECT_EQ(report.sent, 4);
    EXPECT_EQ(report.accepted, 3);
    EXPECT_EQ(report.rejected, 1);
    EXPECT_EQ(report.pending, 0);
    const auto records = VerifactuLedger::Records(f.db());
    EXPECT_EQ(records[0].estado, kStateRejected);
    EXPECT_EQ(records[0].codigoError, QStringLiteral("1100"));
    EXPECT_EQ(records[0].descripcionError, QStringLiteral("Valor o tipo incorrecto del campo: NombreRazon"));
    EXPECT_EQ(records[3].estado, kStateAccepted);
    EXPECT_EQ(records[3].csv, QStringLiteral("A-PRUEBA0123456789"));
    EXPECT_TRUE(SendReportText(report).contains(
        QStringLiteral("Registro 1 (factura 2027/000001): rechazado 1100 Valor o tipo incorrecto del campo: NombreRazon")));

    // A record made after the failures goes without Incidencia.
    ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(4)));
    server.answer("aceptar");
    EXPECT_EQ(SendPendingRecords(f.db(), options).accepted, 1);

    const QStringList requests = server.requests();
    ASSERT_EQ(requests.size(), 4); // the unknown certificate never got through
    const RecordSchema messageSchema(QStringLiteral(CUANTIX_SOURCE_DATA_DIR "/verifactu/SuministroLR.xsd"));
    for (const QString &request : requests)
        EXPECT_EQ(messageSchema.validate(MessageBody(Read(request))), QString()) << request.toStdString();
    const QByteArray late = Read(requests.at(2));
    EXPECT_TRUE(late.contains("<sum1:Incidencia>S</sum1:Incidencia>"));
    EXPECT_EQ(late.count("<sum:RegistroFactura>"), 4);
    EXPECT_LT(late.indexOf("2027/000001"), late.indexOf("2027/000003"));
    EXPECT_FALSE(Read(requests.at(3)).contains("Incidencia"));
}

TEST(AgencySending, RefusesABadCertificateWithAClearMessage)
{
    if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty() || !QSslSocket::supportsSsl())
        GTEST_SKIP() << "openssl or TLS support missing";
    Certificates certificates;
    ASSERT_TRUE(certificates.make());
    const QString p12 = certificates.file("despacho.p12");
    Write(certificates.file("texto.p12"), "esto no es un certificado");
    const struct
    {
        QString path;
        QString password;
        QDateTime now;
        const char *message;
    } rows[] = {
        {certificates.file("no-existe.p12"), QStringLiteral("secreto"), QDateTime::currentDateTimeUtc(), "No se encuentra el certificado"},
        {certificates.file("texto.p12"), QStringLiteral("secreto"), QDateTime::currentDateTimeUtc(), "no es un archivo PKCS#12"},
        {p12, QStringLiteral("otra"), QDateTime::currentDateTimeUtc(), "la contraseña no es correcta"},
        {p12, QStringLiteral("secreto"), QDateTime::currentDateTimeUtc().addDays(5), "caducó el"},
    };
    for (const auto &row : rows) {
        try {
            LoadClientCertificate(row.path, row.password, row.now);
            ADD_FAILURE() << row.message;
        } catch (const AppError &e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(row.message))) << e.message().toStdString();
        }
    }
    EXPECT_NO_THROW(LoadClientCertificate(p12, QStringLiteral("secreto")));
}

TEST(AgencySending, ReadsTheAgencysAnswerAndRefusesAnythingElse)
{
    EXPECT_FALSE(ParseAgencyAnswer("hola"));
    EXPECT_FALSE(ParseAgencyAnswer("<html><body>Servicio no disponible</body></html>"));
    const auto fault = ParseAgencyAnswer(
        "<env:Envelope xmlns:env=\"http://schemas.xmlsoap.org/soap/envelope/\"><env:Body><env:Fault>"
        "<faultcode>env:Server</faultcode><faultstring>Error interno</faultstring></env:Fault></env:Body></env:Envelope>");
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->faultCode, QStringLiteral("env:Server"));
    EXPECT_EQ(fault->faultText, QStringLiteral("Error interno"));
}

TEST(AgencySending, PendingSenderRetriesHonoursTheAgencysWaitAndForgetsAWrongPassword)
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty() || !QSslSocket::supportsSsl())
        GTEST_SKIP() << "python3, openssl or TLS support missing";
    Certificates certificates;
    ASSERT_TRUE(certificates.make());
    QTemporaryDir serverFolder;
    const AgencyServer server(certificates, serverFolder.path());
    ASSERT_GT(server.port(), 0);

    LedgerFixture f;
    const VerifactuLedger ledger(TestLedgerOptions());
    ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(1)));
    ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(2)));
    const QString settingsPath = f.install.path() + QStringLiteral("/Devenix.ini");
    IniFile settings(settingsPath);
    WriteVerifactuSettings(settings, {certificates.file("despacho.p12"), AgencyEnvironment::Pruebas});

    ScriptedPrompter prompter;
    CertificatePassword password;
    auto now = std::make_shared<QDateTime>(QDateTime::currentDateTimeUtc());
    PendingSenderSetup setup;
    setup.database = [&f] { return f.db(); };
    setup.settingsPath = settingsPath;
    setup.prompter = &prompter;
    setup.password = &password;
    setup.endpoint = server.url();
    setup.extraAuthorities = QSslCertificate::fromPath(certificates.file("ca.pem"));
    setup.timeoutMs = 20000;
    setup.clock = [now] { return *now; };
    PendingSender sender(setup);
    const auto askedPasswords = [&prompter] {
        return std::count_if(prompter.shown().begin(), prompter.shown().end(),
                             [](const ScriptedPrompter::Shown &s) { return s.kind == QLatin1String("askPassword"); });
    };

    // Records made and nothing answered yet: they go at once.
    sender.refresh();
    EXPECT_EQ(sender.pending(), 2);
    EXPECT_TRUE(sender.timer().isActive());
    EXPECT_EQ(sender.timer().remainingTime(), 0);

    // A wrong password is told and forgotten, so the next sending asks again.
    server.answer("caido");
    prompter.queueText(QStringLiteral("otra"));
    sender.sendNow();
    EXPECT_TRUE(prompter.lastMessage().contains(QStringLiteral("la contraseña no es correcta"))) << prompter.lastMessage().toStdString();
    EXPECT_FALSE(password.known(certificates.file("despacho.p12")));
    EXPECT_TRUE(server.requests().isEmpty());

    // The agency down: the user is told; the timer retries in an hour with the kept password.
    prompter.queueText(QStringLiteral("secreto"));
    sender.sendNow();
    EXPECT_TRUE(prompter.lastMessage().startsWith(QStringLiteral("Registros enviados: 0"))) << prompter.lastMessage().toStdString();
    EXPECT_FALSE(sender.problem().isEmpty());
    EXPECT_EQ(sender.pending(), 2);
    EXPECT_GT(sender.timer().remainingTime(), (PendingSender::kRetrySeconds - 60) * 1000);
    EXPECT_LE(sender.timer().remainingTime(), PendingSender::kRetrySeconds * 1000);
    EXPECT_TRUE(password.known(certificates.file("despacho.p12")));

    // The hourly retry: no message, no question; the rejection is reported beside the count.
    server.answer("rechazar");
    const std::size_t shownBefore = prompter.shown().size();
    sender.sendInBackground();
    EXPECT_EQ(prompter.shown().size(), shownBefore);
    EXPECT_EQ(sender.pending(), 0);
    EXPECT_FALSE(sender.timer().isActive());
    EXPECT_TRUE(sender.problem().contains(QStringLiteral("rechazado"))) << sender.problem().toStdString();
    ASSERT_EQ(RecordsWithAgencyErrors(f.db()).size(), 1u);
    EXPECT_EQ(RecordsWithAgencyErrors(f.db()).front().codigoError, QStringLiteral("1100"));
    EXPECT_TRUE(server.requests().last().size() > 0);
    EXPECT_TRUE(Read(server.requests().last()).contains("<sum1:Incidencia>S</sum1:Incidencia>"));
    EXPECT_EQ(ReadNextSendingTime(settings), now->addSecs(60));

    // Records made within the agency's 60 seconds wait for them, also when the user asks.
    ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(3)));
    ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(1))); // the rejected one, sent again
    sender.refresh();
    EXPECT_EQ(sender.pending(), 2);
    EXPECT_GT(sender.timer().remainingTime(), 50000);
    EXPECT_LE(sender.timer().remainingTime(), 60000);
    server.answer("aceptar");
    const int requestsBefore = static_cast<int>(server.requests().size());
    sender.sendNow();
    EXPECT_TRUE(prompter.lastMessage().startsWith(QStringLiteral("La Agencia Tributaria pide esperar"))) << prompter.lastMessage().toStdString();
    EXPECT_EQ(server.requests().size(), requestsBefore);
    *now = now->addSecs(61);
    sender.sendInBackground();
    EXPECT_EQ(sender.pending(), 0);
    EXPECT_EQ(server.requests().size(), requestsBefore + 1);
    EXPECT_TRUE(sender.problem().isEmpty());
    EXPECT_TRUE(RecordsWithAgencyErrors(f.db()).empty());
    EXPECT_EQ(askedPasswords(), 2);

    // A password the timer asked for and the user cancelled is not asked again by the timer.
    ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(4)));
    password.forget();
    *now = now->addSecs(120);
    prompter.queueText(std::nullopt);
    sender.sendInBackground();
    sender.sendInBackground();
    EXPECT_EQ(askedPasswords(), 3);
    EXPECT_EQ(sender.pending(), 1);
    EXPECT_TRUE(prompter.allAnswersUsed());
}

TEST(AgencySending, ConnectionCheckTellsAcceptedRefusedAndUnreachable)
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty() || !QSslSocket::supportsSsl())
        GTEST_SKIP() << "python3, openssl or TLS support missing";
    Certificates certificates;
    ASSERT_TRUE(certificates.make());
    QTemporaryDir serverFolder;
    const AgencyServer server(certificates, serverFolder.path());
    ASSERT_GT(server.port(), 0);
    server.answer("aceptar");

    SendOptions options;
    options.endpoint = server.url();
    options.extraAuthorities = QSslCertificate::fromPath(certificates.file("ca.pem"));
    options.timeoutMs = 20000;
    QUrl closed = server.url();
    closed.setPort(1);
    const struct
    {
        const char *p12;
        QUrl endpoint;
        bool ok;
        const char *text;
    } rows[] = {
        {"despacho.p12", server.url(), true, "Conexión correcta con la Agencia Tributaria (pruebas) con el certificado de \"Despacho de pruebas\"."},
        {"extrano.p12", server.url(), false, "no ha aceptado la conexión segura con el certificado de \"Desconocido\""},
        {"despacho.p12", closed, false, "No se ha podido conectar con la Agencia Tributaria (pruebas)"},
    };
    for (const auto &row : rows) {
        options.certificate = LoadClientCertificate(certificates.file(row.p12), QStringLiteral("secreto"));
        options.endpoint = row.endpoint;
        const ConnectionCheck check = CheckAgencyConnection(options, QStringLiteral("pruebas"));
        EXPECT_EQ(check.ok, row.ok) << row.text;
        EXPECT_TRUE(check.text.contains(QString::fromUtf8(row.text))) << check.text.toStdString();
    }
    EXPECT_TRUE(server.requests().isEmpty()); // a check sends no record
}

TEST(AgencySending, OnlyAFullMessageGoesBeforeTheAgencysWaitHasPassed)
{
    const QDateTime at(QDate(2027, 7, 15), QTime(10, 0), QTimeZone::utc());
    const struct
    {
        QDateTime notBefore;
        int pending;
        bool may;
    } rows[] = {
        {QDateTime(), 1, true},
        {at.addSecs(1), 1, false},
        {at.addSecs(1), kMaxRecordsPerMessage - 1, false},
        {at.addSecs(1), kMaxRecordsPerMessage, true},
        {at, 1, true},
        {at.addDays(2), 1, true}, // noted under a clock that was days ahead
    };
    for (const auto &row : rows)
        EXPECT_EQ(MaySendNow(row.notBefore, at, row.pending), row.may) << row.notBefore.toString(Qt::ISODate).toStdString();
}
