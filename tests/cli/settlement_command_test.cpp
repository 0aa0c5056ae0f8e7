#include "interest/settlement_json.h"
#include "support/temp_installation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int status;
    QByteArray out;
    QString err;
};

CliRun Liquidacion(const QByteArray &input, const QStringList &extra = {}, const QString &workingDir = {})
{
    QProcess p;
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(BuiltProgram(QStringLiteral("devenix-cli")), QStringList{QStringLiteral("liquidacion")} + extra);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return {p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
}

const char *const kExample = R"({"Capital": 10000, "Desde1": "01/01/2021", "Hasta1": "31/12/2021",
    "TipoInteres1": "Interés Legal", "ImputarPagos": true,
    "Pagos": [{"Fecha": "30/06/2021", "Importe": 1000, "Tipo": "P"}, {"Fecha": "15/01/2022", "Importe": 0.1, "Tipo": "E"}])";

QByteArray WithRates(const char *json)
{
    return QByteArray(json)
           + R"(, "Tipos": [{"Desde": "01/01/2021", "Hasta": "31/12/2021", "InteLega": 3, "InteJudi": 5, "InteAdmi": 3.75}]})";
}

} // namespace

TEST(LiquidacionCommand, ComputesTheCaseAndWritesNumbersThatReadBackExactly)
{
    const QByteArray input = WithRates(kExample);
    const CliRun r = Liquidacion(input);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();

    const SettlementCase c = ParseSettlementCase(input);
    const SettlementResult expected = ComputeSettlement(c.input, *c.rates);
    const QJsonArray rows = o.value(QStringLiteral("Filas")).toArray();
    ASSERT_EQ(rows.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject row = rows.at(i).toObject();
        const SettlementRow &e = expected.rows[static_cast<std::size_t>(i)];
        EXPECT_EQ(row.value(QStringLiteral("DIAS")).toInt(), e.days());
        EXPECT_EQ(row.value(QStringLiteral("Capital")).toDouble(), e.capital);
        EXPECT_EQ(row.value(QStringLiteral("Total")).toDouble(), e.total);
    }
    EXPECT_EQ(rows.at(1).toObject().value(QStringLiteral("Total")).toDouble(), 138.36);
    EXPECT_EQ(o.value(QStringLiteral("TotalEntries")).toDouble(), 0.1);
    EXPECT_EQ(o.value(QStringLiteral("GrandTotal")).toDouble(), expected.grandTotal);
    const QJsonObject texts = o.value(QStringLiteral("Textos")).toObject();
    EXPECT_EQ(texts.value(QStringLiteral("LabelTOTAL")).toString(), QStringLiteral("9.287,23"));
    EXPECT_EQ(texts.value(QStringLiteral("LabelTOTENTRADAS")).toString(), QStringLiteral("0,10"));
    EXPECT_TRUE(o.value(QStringLiteral("Mensajes")).toArray().isEmpty());
}

TEST(LiquidacionCommand, WithoutRatesItReadsTheInstallation)
{
    TempInstallation install;
    const QByteArray input = QByteArray(kExample) + "}";
    CliRun r = Liquidacion(input, {QStringLiteral("--instalacion"), install.path()});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value(QStringLiteral("TotalInterest")).toDouble(), 148.77 + 138.36);

    r = Liquidacion(input, {}, install.path());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();

    // The folder may also come before the command, as git -C does.
    QProcess before;
    before.start(BuiltProgram(QStringLiteral("devenix-cli")),
                 {QStringLiteral("--instalacion"), install.path(), QStringLiteral("liquidacion")});
    before.write(input);
    before.closeWriteChannel();
    before.waitForFinished(30000);
    EXPECT_EQ(before.exitCode(), 0) << before.readAllStandardError().toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(before.readAllStandardOutput()).object().value(QStringLiteral("TotalInterest")).toDouble(),
              148.77 + 138.36);

    QTemporaryDir empty;
    r = Liquidacion(input, {}, empty.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("No hay una instalación de Cuantix en"))) << r.err.toStdString();
}

TEST(LiquidacionCommand, AResultOutOfRangeFailsWithNothingOnStandardOutput)
{
    const CliRun r = Liquidacion(WithRates(R"({"Capital": 1e11, "Desde1": "01/01/2021", "Hasta1": "31/12/2021",
        "TipoInteres1": 4, "Interes1": "1E300")"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, QStringLiteral("El cálculo da un importe fuera de rango.\n"));
}

TEST(LiquidacionCommand, ABadCaseIsRefusedWithExitTwoAndNothingOnStandardOutput)
{
    struct Bad
    {
        QByteArray input;
        QStringList args;
        QString message;
    } cases[] = {
        {"{\"Capital\": ", {}, QStringLiteral("El caso no es un JSON válido (error en la posición 12).\n")},
        {WithRates(R"({"Desde1": "01/01/2021", "Hasta1": "32/12/2021", "TipoInteres1": 0)"), {},
         QStringLiteral("El campo Hasta1 no es una fecha válida (dd/mm/aaaa): \"32/12/2021\".\n")},
        {WithRates(R"({"Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": "Interés Usurario")"), {},
         QStringLiteral("Tipo de interés desconocido en TipoInteres1: \"Interés Usurario\".\n")},
        {WithRates(R"({"Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": 4, "Interes1": "mucho")"), {},
         QStringLiteral("El campo Interes1 no es un porcentaje válido para \"Interés Pactado\": \"mucho\".\n")},
        {WithRates(R"({"Desde1": "01/01/2021", "Hasta1": "01/01/2021", "TipoInteres1": 0, "ConSentencia": true, "Hasta2": "01/01/2021", "TipoInteres2": 1)"),
         {}, QStringLiteral("La fecha de inicio del segundo período no puede ser posterior a la fecha final.\n")},
        {WithRates(R"({"Desde1": "01/01/2021", "Hasta1": "01/01/2021", "TipoInteres1": 0)"), {},
         QStringLiteral("La fecha final del primer período no puede ser igual o anterior a la fecha inicial.\n")},
        {WithRates(R"({"Capital": -5, "Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": 0)"), {},
         QStringLiteral("El capital inicial no puede ser negativo.\n")},
        {WithRates(R"({"Capital": 1e308, "Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": 0)"), {},
         QStringLiteral("El importe es demasiado grande.\n")},
        {WithRates(R"({"Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": 0, "Pagos": [{"Fecha": "01/02/2021", "Importe": 0}])"),
         {}, QStringLiteral("Pagos[0]: El importe debe ser mayor que cero.\n")},
        {WithRates(R"({"Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": 0, "Pagos": [{"Fecha": "01/02/2021", "Importe": 1e13, "Tipo": "E"}])"),
         {}, QStringLiteral("Pagos[0]: El importe es demasiado grande.\n")},
        {WithRates(R"({"Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": 0, "Pagos": [{"Fecha": "30/06/2100", "Importe": 5}])"),
         {}, QStringLiteral("Pagos[0]: La fecha debe ser anterior al 01/01/2100.\n")},
        // Control characters typed in the case come back escaped, never raw.
        {WithRates(R"({"Desde1": "\u001b[2J\u0000", "Hasta1": "31/12/2021", "TipoInteres1": 0)"), {},
         QStringLiteral("El campo Desde1 no es una fecha válida (dd/mm/aaaa): \"\\x1B[2J\\x00\".\n")},
        {WithRates(kExample), {QStringLiteral("--detalle")}, QStringLiteral("Argumento no reconocido: --detalle\n")},
        {WithRates(kExample), {QStringLiteral("--instalacion")}, QStringLiteral("Falta el valor de la opción --instalacion.\n")},
    };
    for (const auto &c : cases) {
        const CliRun r = Liquidacion(c.input, c.args);
        EXPECT_EQ(r.status, 2) << c.input.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.input.toStdString();
        EXPECT_EQ(r.err.toStdString(), c.message.toStdString());
    }
}
