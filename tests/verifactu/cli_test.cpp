#include "ledger_fixture.h"

#include "core/ini_file.h"
#include "store/sql.h"
#include "verifactu/agency_sender.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Result
{
    int status;
    QString out;
    QString err;
};

Result RunCli(const QString &install, QStringList args, const QByteArray &input = {})
{
    QProcess p;
    args << QStringLiteral("--instalacion") << install;
    p.start(BuiltProgram(QStringLiteral("devenix-cli")), QStringList{QStringLiteral("verifactu")} + args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(VerifactuCli, ListsChecksAndPrintsRecords)
{
    LedgerFixture f;
    const VerifactuLedger ledger(TestLedgerOptions());
    ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(1)));
    ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(2)));
    const auto cancelled = ledger.recordCancellation(f.db(), 1, 2027);
    ASSERT_TRUE(cancelled);
    const QString install = f.install.path();

    Result r = RunCli(install, {QStringLiteral("comprobar")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Registros comprobados: 3. Todas las huellas y la cadena son correctas.\n"));

    r = RunCli(install, {QStringLiteral("registros")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray all = QJsonDocument::fromJson(r.out.toUtf8()).array();
    ASSERT_EQ(all.size(), 3);
    const QJsonObject last = all.at(2).toObject();
    EXPECT_EQ(last.value(QStringLiteral("Tipo")).toString(), QStringLiteral("Anulacion"));
    EXPECT_EQ(last.value(QStringLiteral("Factura")).toString(), QStringLiteral("2027/000001"));
    EXPECT_EQ(last.value(QStringLiteral("Huella")).toString(), cancelled->huella);
    EXPECT_EQ(last.value(QStringLiteral("HuellaAnterior")).toString(), all.at(1).toObject().value(QStringLiteral("Huella")).toString());
    EXPECT_EQ(last.value(QStringLiteral("Estado")).toString(), QStringLiteral("Pendiente"));
    EXPECT_TRUE(all.at(0).toObject().value(QStringLiteral("HuellaAnterior")).isNull());

    // Records are generated on 15/07/2027 (office time).
    r = RunCli(install, {QStringLiteral("registros"), QStringLiteral("--desde"), QStringLiteral("16/07/2027")});
    EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).array().size(), 0);
    r = RunCli(install, {QStringLiteral("registros"), QStringLiteral("--desde"), QStringLiteral("15/07/2027"),
                         QStringLiteral("--hasta"), QStringLiteral("15/07/2027")});
    EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).array().size(), 3);
    r = RunCli(install, {QStringLiteral("registros"), QStringLiteral("--desde"), QStringLiteral("31/02/2027")});
    EXPECT_EQ(r.status, 2);

    r = RunCli(install, {QStringLiteral("xml"), QStringLiteral("3")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.toUtf8().trimmed(), cancelled->xml.trimmed());
    r = RunCli(install, {QStringLiteral("xml"), QStringLiteral("9")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("No existe el registro VERI*FACTU 9.\n"));

    DropRecordsTrigger(f.db(), "VerifactuRegistros_SinCambios");
    RunSql(f.db(), QStringLiteral("UPDATE VerifactuRegistros SET Xml = replace(Xml, '189.00', '180.00') WHERE Numero = 2"));
    r = RunCli(install, {QStringLiteral("comprobar")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QStringLiteral("El registro 2 (alta de la factura 2027/000002 del 15-07-2027) tiene una huella que "
                                    "no corresponde a su contenido.\n"));
}

TEST(VerifactuCli, SendRefusesAMissingCertificateAndSendsNothing)
{
    LedgerFixture f;
    const QString install = f.install.path();
    Result r = RunCli(install, {QStringLiteral("enviar")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("Registros VERI*FACTU pendientes de envío: 0\n"));

    ASSERT_TRUE(VerifactuLedger(TestLedgerOptions()).recordIssue(f.db(), SampleInvoice(1)));
    r = RunCli(install, {QStringLiteral("enviar")}, "secreto\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QStringLiteral("No se ha indicado el certificado para enviar los registros VERI*FACTU.\n"));
    IniFile settings(install + QStringLiteral("/Devenix.ini"));
    WriteVerifactuSettings(settings, {install + QStringLiteral("/no-existe.p12"), AgencyEnvironment::Pruebas});
    r = RunCli(install, {QStringLiteral("enviar")}, "secreto\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("No se encuentra el certificado"))) << r.err.toStdString();

    // Within the agency's wait nothing is tried, and the command says when it may send.
    WriteNextSendingTime(settings, QDateTime::currentDateTimeUtc().addSecs(600));
    r = RunCli(install, {QStringLiteral("enviar")}, "secreto\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("La Agencia Tributaria pide esperar entre envíos: se podrá enviar a partir "
                                                "de las"))) << r.err.toStdString();
    EXPECT_EQ(PendingRecordCount(f.db()), 1);
}
