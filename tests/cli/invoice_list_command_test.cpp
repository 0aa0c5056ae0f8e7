#include "support/temp_installation.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct ListRun
{
    int status;
    QByteArray out;
    QString err;
};

class InvoiceListCommand : public ::testing::Test
{
protected:
    ListRun cli(const QStringList &words, const QByteArray &input = {}) const
    {
        QProcess p;
        p.start(BuiltProgram(QStringLiteral("devenix-cli")),
                words + QStringList{QStringLiteral("--instalacion"), install.path()});
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(60000);
        return {p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    }

    void store(int id, const char *nif, double fee) const
    {
        const QByteArray json = QStringLiteral(R"({"Id": %1, "Iyear": 2024, "Fecha": "01/03/2024", "Nif": "%2", "NombreCliente": "Cliente %1",
            "IVA": 21, "IRPF": 15, "Lineas": [{"Tipo": "Honorario", "SubTotal": %3}]})")
                                    .arg(id)
                                    .arg(QString::fromUtf8(nif))
                                    .arg(fee)
                                    .toUtf8();
        const ListRun r = cli({QStringLiteral("factura"), QStringLiteral("alta")}, json);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
    }

    QJsonObject search(const QByteArray &criteria) const
    {
        const ListRun r = cli({QStringLiteral("facturas"), QStringLiteral("buscar")}, criteria);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out).object();
    }

    TempInstallation install;
};

TEST_F(InvoiceListCommand, SearchesCollectsAndPrints)
{
    store(1, "B12345678", 1000); // 1.060,00
    store(2, "x-b12", 100);      // 106,00
    store(70, "B12", 10);

    ASSERT_EQ(cli({QStringLiteral("factura"), QStringLiteral("cobrar"), QStringLiteral("1"), QStringLiteral("2024")}).status, 0);
    QJsonObject o = search(R"({"Nif": "b12", "NumeroDesde": 1, "NumeroHasta": 50})");
    EXPECT_EQ(o.value(QStringLiteral("Encontradas")).toInt(), 2);
    EXPECT_EQ(o.value(QStringLiteral("TotFacturas")).toDouble(), 1166.0);
    EXPECT_EQ(o.value(QStringLiteral("TotCobrado")).toDouble(), 1060.0);
    EXPECT_EQ(o.value(QStringLiteral("TotPendiente")).toDouble(), 106.0);
    EXPECT_EQ(o.value(QStringLiteral("TotHonorarios")).toDouble(), 1100.0);
    const QJsonObject first = o.value(QStringLiteral("Facturas")).toArray().at(0).toObject();
    EXPECT_TRUE(first.value(QStringLiteral("Cobrado")).toBool());
    EXPECT_FALSE(first.value(QStringLiteral("FechaCobro")).toString().isEmpty());

    o = search(R"({"TotalDesde": "1.000,5", "Cobro": "no cobradas"})");
    EXPECT_EQ(o.value(QStringLiteral("Encontradas")).toInt(), 0);
    ASSERT_EQ(cli({QStringLiteral("factura"), QStringLiteral("cobrar"), QStringLiteral("--no"), QStringLiteral("1"),
                   QStringLiteral("2024")}).status, 0);
    o = search(R"({"TotalDesde": "1.000,5", "Cobro": "no cobradas"})");
    EXPECT_EQ(o.value(QStringLiteral("Encontradas")).toInt(), 1);
    EXPECT_EQ(o.value(QStringLiteral("Facturas")).toArray().at(0).toObject().value(QStringLiteral("FechaCobro")).toString(),
              QString());

    // Refused before anything runs, with exit status 2.
    const struct
    {
        QStringList words;
        QByteArray input;
        const char *message;
    } bad[] = {
        {{QStringLiteral("facturas"), QStringLiteral("buscar")}, R"({"TotalHasta": "mil"})", "TotalHasta: La candidad"},
        {{QStringLiteral("facturas"), QStringLiteral("buscar")}, R"({"Nif": "a", "Otro": 1})", "Otro"},
        {{QStringLiteral("facturas"), QStringLiteral("buscar")}, R"({"NumeroDesde": 9, "NumeroHasta": 1})", "hasta no puede"},
        {{QStringLiteral("factura"), QStringLiteral("cobrar"), QStringLiteral("5"), QStringLiteral("2024")}, {}, "No existe"},
        {{QStringLiteral("factura"), QStringLiteral("pdf"), QStringLiteral("5"), QStringLiteral("2024"),
          install.path() + QStringLiteral("/x.pdf")}, {}, "No existe"},
    };
    for (const auto &b : bad) {
        const ListRun r = cli(b.words, b.input);
        EXPECT_EQ(r.status, 2) << b.message;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(b.message))) << r.err.toStdString();
    }

    // The three files: two PDFs and a workbook.
    const QString pdf = install.path() + QStringLiteral("/f.pdf");
    const QString list = install.path() + QStringLiteral("/l.pdf");
    const QString xlsx = install.path() + QStringLiteral("/l.xlsx");
    EXPECT_EQ(cli({QStringLiteral("factura"), QStringLiteral("pdf"), QStringLiteral("1"), QStringLiteral("2024"), pdf}).status, 0);
    EXPECT_EQ(cli({QStringLiteral("facturas"), QStringLiteral("listado"), list}, "{}").status, 0);
    EXPECT_EQ(cli({QStringLiteral("facturas"), QStringLiteral("exportar"), xlsx}, "{}").status, 0);
    for (const QString &path : {pdf, list}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        EXPECT_TRUE(f.read(5).startsWith("%PDF-"));
    }
    QFile book(xlsx);
    ASSERT_TRUE(book.open(QIODevice::ReadOnly));
    EXPECT_TRUE(book.read(2).startsWith("PK"));
}

} // namespace
