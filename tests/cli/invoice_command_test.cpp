#include "invoicing/invoice_store.h"
#include "store/data_store.h"
#include "store/record_locks.h"
#include "support/temp_installation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int status;
    QByteArray out;
    QString err;
};

class InvoiceCommand : public ::testing::Test
{
protected:
    CliRun cli(QStringList words, const QByteArray &input = {}) const
    {
        QProcess p;
        p.start(BuiltProgram(QStringLiteral("devenix-cli")),
                QStringList{QStringLiteral("factura")} + words
                    + QStringList{QStringLiteral("--instalacion"), install.path()});
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return {p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    }

    static QJsonObject Object(const QByteArray &json) { return QJsonDocument::fromJson(json).object(); }

    TempInstallation install;
};

const char *const kInvoice = R"({"IVA": 16, "IRPF": 15, "DCTO": 0, "Lineas": [
    {"Tipo": "Honorario", "SubTotal": 33.33},
    {"Tipo": "Suplido", "SubTotal": 50},
    {"Tipo": "provision", "SubTotal": "200,00"},
    {"Tipo": "Suplido", "SubTotal": 10, "IVA": 21}]})";

TEST_F(InvoiceCommand, CalculatesLinesAndTotalsWithoutStoring)
{
    const CliRun r = cli({QStringLiteral("calcular")}, kInvoice);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = Object(r.out);
    const QJsonArray lines = o.value(QStringLiteral("Lineas")).toArray();
    ASSERT_EQ(lines.size(), 4);
    const QJsonObject fee = lines[0].toObject();
    EXPECT_EQ(fee.value(QStringLiteral("TotalIVA")).toDouble(), 5.33);
    EXPECT_EQ(fee.value(QStringLiteral("TotalIRPF")).toDouble(), 5.0);
    EXPECT_EQ(fee.value(QStringLiteral("Total")).toDouble(), 33.66);
    EXPECT_EQ(fee.value(QStringLiteral("SALIDAS")).toDouble(), 33.33);
    EXPECT_EQ(lines[2].toObject().value(QStringLiteral("ENTRADAS")).toDouble(), 200.0);
    EXPECT_EQ(lines[2].toObject().value(QStringLiteral("Tipo")).toString(), QStringLiteral("Provision"));
    // An outlay with a rate of its own is computed with it and still summed by its Total.
    EXPECT_EQ(lines[3].toObject().value(QStringLiteral("Total")).toDouble(), 12.1);
    EXPECT_EQ(o.value(QStringLiteral("TotalSuplidos")).toDouble(), 62.1);
    EXPECT_EQ(o.value(QStringLiteral("Total")).toDouble(), -104.24);
    EXPECT_EQ(cli({QStringLiteral("mostrar"), QStringLiteral("1"), QStringLiteral("2024")}).status, 2);
}

TEST_F(InvoiceCommand, StoredInvoiceIsShownAsTheEditorWouldStoreItAndDeleted)
{
    QJsonObject in = Object(kInvoice);
    in.remove(QStringLiteral("IVA")); // a new invoice's VAT: 21 without a settings key
    in.insert(QStringLiteral("Id"), 7);
    in.insert(QStringLiteral("Iyear"), 2024);
    in.insert(QStringLiteral("Fecha"), QStringLiteral("05/03/2024"));
    in.insert(QStringLiteral("NombreCliente"), QStringLiteral("Ana Peña"));
    in.insert(QStringLiteral("Nif"), QStringLiteral("12345678Z"));
    const QByteArray json = QJsonDocument(in).toJson();
    CliRun r = cli({QStringLiteral("alta")}, json);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    r = cli({QStringLiteral("mostrar"), QStringLiteral("7"), QStringLiteral("2024")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject shown = Object(r.out);
    EXPECT_EQ(shown.value(QStringLiteral("NombreCliente")).toString(), QStringLiteral("Ana Peña"));
    EXPECT_EQ(shown.value(QStringLiteral("IVA")).toDouble(), 21.0);
    const QJsonArray lines = shown.value(QStringLiteral("Lineas")).toArray();
    ASSERT_EQ(lines.size(), 4);
    // Same date: blank, 1, 2, 3; the stored totals are those calcular gives.
    EXPECT_TRUE(lines[0].toObject().value(QStringLiteral("Linea")).isNull());
    EXPECT_EQ(lines[3].toObject().value(QStringLiteral("Linea")).toInt(), 3);
    const QJsonObject computed = Object(cli({QStringLiteral("calcular")}, json).out);
    for (const char *key : {"TotalHonorario", "TotalIVA", "TotalIRPF", "TotalSuplidos", "TotalProvisiones", "Total"})
        EXPECT_EQ(shown.value(QLatin1String(key)), computed.value(QLatin1String(key))) << key;

    r = cli({QStringLiteral("alta")}, json);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("Ya existe una factura con ese mismo número y año\n"));

    {
        // Open in an editor of another program: not deleted.
        DataStore other(QStringLiteral("editor-"));
        other.connectMain(install.path());
        const ScopedRecordLock editing(RecordLocks(other.database(Alias::Intereses)), kInvoiceTable,
                                       InvoiceLockKey({7, 2024}));
        r = cli({QStringLiteral("borrar"), QStringLiteral("7"), QStringLiteral("2024")});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(cli({QStringLiteral("mostrar"), QStringLiteral("7"), QStringLiteral("2024")}).status, 0);
    }
    EXPECT_EQ(cli({QStringLiteral("borrar"), QStringLiteral("7"), QStringLiteral("2024")}).status, 0);
    r = cli({QStringLiteral("borrar"), QStringLiteral("7"), QStringLiteral("2024")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("No existe la factura número 7 del año 2024.\n"));
}

TEST_F(InvoiceCommand, BadInputExitsWith2AndStoresNothing)
{
    struct Row
    {
        const char *json;
        const char *message;
    } rows[] = {
        {R"({"Id": 1, "Iyear": 2024, "Lineas": [{"Tipo": "Suplido", "SubTotal": "12a"}]})",
         "\"12a\" no es un número válido."},
        {R"({"Id": "1x", "Iyear": 2024})", "\"1x\" no es un número entero válido."},
        {R"({"Id": 1, "Iyear": 2024, "Lineas": [{"Tipo": "Gasto", "SubTotal": 1}]})",
         "El campo Tipo de la línea 1 debe ser \"Honorario\", \"Provision\" o \"Suplido\"."},
        {R"({"Id": 1, "Iyear": 2024, "Lineas": [{"Tipo": "Suplido", "SubTotal": 1e13}]})",
         "El importe es demasiado grande."},
        {R"({"Id": 1, "Iyear": 2024, "Fecha": "31/02/2024"})", "\"31/02/2024\" no es una fecha válida."},
        {R"({"Id": 1, "Iyear": 2024, "Lineas": [{"Tipo": "Suplido", "SubTotal": 1}, 3]})",
         "La línea 2 debe ser un objeto JSON."},
        {"[1]", "La factura debe ser un objeto JSON."},
    };
    for (const Row &row : rows) {
        const CliRun r = cli({QStringLiteral("alta")}, row.json);
        EXPECT_EQ(r.status, 2) << row.json;
        EXPECT_EQ(r.err, QString::fromUtf8(row.message) + QLatin1Char('\n')) << row.json;
    }
    EXPECT_EQ(cli({QStringLiteral("mostrar"), QStringLiteral("1"), QStringLiteral("2024")}).status, 2);
    EXPECT_EQ(cli({QStringLiteral("mostrar"), QStringLiteral("uno"), QStringLiteral("2024")}).err,
              QStringLiteral("\"uno\" no es un número entero válido.\n"));
    // A rate typed as letters counts as 0, as in the rate boxes.
    const CliRun r = cli({QStringLiteral("calcular")}, R"({"IVA": "abc", "Lineas": [{"Tipo": "Honorario", "SubTotal": 10}]})");
    EXPECT_EQ(Object(r.out).value(QStringLiteral("Total")).toDouble(), 10.0);
}

} // namespace
