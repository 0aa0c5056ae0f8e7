#include "invoicing/invoice_store.h"
#include "store/data_store.h"
#include "support/temp_installation.h"
#include "verifactu/qr_painting.h"
#include "verifactu/qr_url.h"
#include "verifactu/verifactu_ledger.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

struct CliResult
{
    int status;
    QByteArray out;
    QString err;
};

QString Tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

class InvoiceIssuingCommand : public ::testing::Test
{
protected:
    CliResult cli(const QStringList &words, const QByteArray &input = {}) const
    {
        QProcess p;
        p.start(BuiltProgram(QStringLiteral("devenix-cli")), words + QStringList{QStringLiteral("--instalacion"), install.path()});
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return {p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    }
    CliResult store(int id, const QString &client) const
    {
        const QJsonObject invoice{{QStringLiteral("Id"), id},
                                  {QStringLiteral("Iyear"), 2024},
                                  {QStringLiteral("Fecha"), QStringLiteral("01/03/2024")},
                                  {QStringLiteral("NombreCliente"), client},
                                  {QStringLiteral("Nif"), QStringLiteral("12345678Z")},
                                  {QStringLiteral("IVA"), 21},
                                  {QStringLiteral("IRPF"), 15},
                                  {QStringLiteral("Lineas"),
                                   QJsonArray{QJsonObject{{QStringLiteral("Tipo"), QStringLiteral("Honorario")},
                                                          {QStringLiteral("SubTotal"), 1000}},
                                              QJsonObject{{QStringLiteral("Tipo"), QStringLiteral("Suplido")},
                                                          {QStringLiteral("SubTotal"), 50}}}}};
        return cli({QStringLiteral("factura"), QStringLiteral("alta")}, QJsonDocument(invoice).toJson());
    }
    // Each record as type and invoice: "Alta 2024/000001".
    QStringList records() const
    {
        const CliResult r = cli({QStringLiteral("verifactu"), QStringLiteral("registros")});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        QStringList list;
        for (const QJsonValue &v : QJsonDocument::fromJson(r.out).array())
            list << v[QStringLiteral("Tipo")].toString() + QLatin1Char(' ') + v[QStringLiteral("Factura")].toString();
        return list;
    }
    QString runTool(const char *tool, const QStringList &arguments) const
    {
        QProcess p;
        p.start(Tool(tool), arguments);
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << tool << ": " << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    TempInstallation install;
};

TEST_F(InvoiceIssuingCommand, StoredInvoicesAreIssuedAndThePdfCarriesTheQrOfTheirRecord)
{
    if (Tool("pdftoppm").isEmpty() || Tool("pdftotext").isEmpty() || Tool("zbarimg").isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) or zbarimg (zbar-tools) missing";
    const CliResult stored = store(1, QStringLiteral("Ana Peña"));
    ASSERT_EQ(stored.status, 0) << stored.err.toStdString();
    EXPECT_EQ(records(), QStringList{QStringLiteral("Alta 2024/000001")});

    // An invoice stored some other way is issued when it is first printed.
    {
        DataStore other(QStringLiteral("other-"));
        other.connectMain(install.path());
        InvoiceHeader h;
        h.key = {2, 2024};
        h.fecha = QDate(2024, 3, 2);
        h.nombreCliente = QStringLiteral("Luis Gil");
        h.nif = QStringLiteral("12345678Z");
        std::vector<InvoiceLine> lines(1);
        lines[0].tipo = kTipoHonorario;
        lines[0].subTotal = 100;
        lines[0].iva = 21;
        StoreNewInvoice(other.database(Alias::Intereses), h, lines);
    }
    const struct
    {
        int id;
        const char *numSerie;
        const char *fecha;
        const char *importe; // outlays and withholding stay out
    } printed[] = {{1, "2024/000001", "01-03-2024", "1210.00"}, {2, "2024/000002", "02-03-2024", "121.00"}};
    for (const auto &p : printed) {
        SCOPED_TRACE(p.id);
        const QString pdf = install.file(QStringLiteral("f%1.pdf").arg(p.id));
        const CliResult r = cli({QStringLiteral("factura"), QStringLiteral("pdf"), QString::number(p.id), QStringLiteral("2024"), pdf});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        runTool("pdftoppm", {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-png"), QStringLiteral("-f"),
                             QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, install.file(QStringLiteral("page"))});
        const QString url = runTool("zbarimg", {QStringLiteral("--raw"), QStringLiteral("-q"), install.file(QStringLiteral("page.png"))});
        EXPECT_EQ(url.trimmed(), QrValidationUrl(AgencyEnvironment::Pruebas, kTestOfficeNif, QString::fromLatin1(p.numSerie),
                                                 QString::fromLatin1(p.fecha), QString::fromLatin1(p.importe)));
        const QString text = runTool("pdftotext", {pdf, QStringLiteral("-")});
        EXPECT_EQ(text.count(kQrCaption), 1);
        EXPECT_LT(text.indexOf(kQrCaption), text.indexOf(kQrLegend));
        EXPECT_LT(text.indexOf(kQrLegend), text.indexOf(QStringLiteral("FACTURA"))) << text.toStdString();
    }
    EXPECT_EQ(records(), (QStringList{QStringLiteral("Alta 2024/000001"), QStringLiteral("Alta 2024/000002")}));
}

TEST_F(InvoiceIssuingCommand, DeletionCancelsTheNumberAndARefusedRecordStoresNothing)
{
    ASSERT_EQ(store(1, QStringLiteral("Ana Peña")).status, 0);
    ASSERT_EQ(cli({QStringLiteral("factura"), QStringLiteral("borrar"), QStringLiteral("1"), QStringLiteral("2024")}).status, 0);
    EXPECT_EQ(records(), (QStringList{QStringLiteral("Alta 2024/000001"), QStringLiteral("Anulacion 2024/000001")}));

    for (const auto &[id, client, says] : {std::tuple{1, QStringLiteral("Ana Peña"), kNumberCancelledMessage},
                                           std::tuple{3, QStringLiteral("Ana\tPeña"), QStringLiteral("\"Nombre del cliente\"")}}) {
        const CliResult r = store(id, client);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.err.contains(says)) << r.err.toStdString();
        EXPECT_EQ(cli({QStringLiteral("factura"), QStringLiteral("mostrar"), QString::number(id), QStringLiteral("2024")}).status, 2);
    }
    EXPECT_EQ(records().size(), 2);
}

} // namespace
