#include "interest/print_qt.h"
#include "interest/settlement_json.h"
#include "support/dates.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <limits>

namespace {

QByteArray Utf8(const char *text)
{
    return QByteArray(text);
}

QString CaseErrorOf(const QByteArray &json)
{
    try {
        ParseSettlementCase(json);
    } catch (const CaseError &e) {
        return e.message();
    }
    return QStringLiteral("(accepted)");
}

} // namespace

TEST(SettlementJson, ACaseReadsBackToTheSameInputAndRates)
{
    SettlementCase c;
    SettlementInput &in = c.input;
    in.principal = 0.1 + 0.2; // no short decimal form
    in.start = D(29, 2, 2020);
    in.end = D(31, 12, 2020);
    in.secondPeriod = true;
    in.secondEnd = D(31, 12, 2022);
    in.type1 = 4;
    in.type2 = 3;
    in.agreedRate1 = QStringLiteral("7,125");
    in.agreedRate2 = QStringLiteral("0");
    in.compound = true;
    in.perPeriodRows = false;
    in.imputePayments = true;
    in.currency = QStringLiteral("Pta");
    in.movements = {{D(1, 3, 2020), 1234567.891234567, QStringLiteral("P")},
                    {D(2, 3, 2020), 1e-7, QStringLiteral("E")},
                    {D(3, 3, 2020), 999999999999.99, QStringLiteral("P")}};
    c.rates = std::vector<RatePeriod>{{D(1, 1, 2020), D(31, 12, 2020), 3.0, 3.75, 4.6875},
                                      {D(1, 1, 2021), D(31, 12, 2021), 3.0, 3.75, 3.75}};
    EXPECT_EQ(ParseSettlementCase(WriteSettlementCase(in, c.rates)), c);

    c.rates.reset();
    in.secondPeriod = false;
    in.secondEnd = QDate();
    in.movements.clear();
    EXPECT_EQ(ParseSettlementCase(WriteSettlementCase(in)), c);
}

TEST(SettlementJson, AbsentFieldsTakeTheirDefaults)
{
    const SettlementCase c = ParseSettlementCase(Utf8(
        R"({"Desde1": "1/1/2021", "Hasta1": "31/12/2021", "TipoInteres1": 1, "CalculoDetallado": true,
            "Pagos": [{"Fecha": "30/06/2021", "Importe": 1000}], "NumAsunto": "ignored"})"));
    const SettlementInput &in = c.input;
    EXPECT_EQ(in.principal, 0.0);
    EXPECT_EQ(in.start, D(1, 1, 2021));
    EXPECT_EQ(in.type1, 1);
    EXPECT_EQ(in.type2, 0);
    EXPECT_FALSE(in.secondPeriod);
    EXPECT_FALSE(in.secondEnd.isValid());
    EXPECT_FALSE(in.compound);
    EXPECT_FALSE(in.perPeriodRows);
    EXPECT_FALSE(in.imputePayments);
    EXPECT_TRUE(in.agreedRate1.isEmpty());
    EXPECT_EQ(in.currency, QStringLiteral("Eur"));
    ASSERT_EQ(in.movements.size(), 1u);
    EXPECT_EQ(in.movements[0].kind, QStringLiteral("P"));
    EXPECT_FALSE(c.rates.has_value());
}

TEST(SettlementJson, BadCasesSayWhatIsWrong)
{
    const char *base = R"("Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": "Interés Legal")";
    const auto with = [base](const char *more) -> QByteArray { return QByteArray("{") + base + more + "}"; };
    struct Bad
    {
        QByteArray json;
        QString message;
    } cases[] = {
        {Utf8("{\"Capital\": 1"), QStringLiteral("El caso no es un JSON válido (error en la posición 13).")},
        {Utf8("[1, 2]"), QStringLiteral("El caso debe ser un objeto JSON.")},
        {with(R"(, "Capital": "10.000,00")"), QStringLiteral("El campo Capital debe ser un número.")},
        {Utf8(R"({"Desde1": "31/02/2021", "Hasta1": "31/12/2021", "TipoInteres1": 0})"),
         QStringLiteral("El campo Desde1 no es una fecha válida (dd/mm/aaaa): \"31/02/2021\".")},
        {Utf8(R"({"Desde1": "01/01/2021", "TipoInteres1": 0})"),
         QStringLiteral("El campo Hasta1 no es una fecha válida (dd/mm/aaaa): \"\".")},
        {Utf8(R"({"Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": "Interes Legal"})"),
         QStringLiteral("Tipo de interés desconocido en TipoInteres1: \"Interes Legal\".")},
        {Utf8(R"({"Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": 6})"),
         QStringLiteral("Tipo de interés desconocido en TipoInteres1: 6.")},
        {Utf8(R"({"Desde1": "01/01/2021", "Hasta1": "31/12/2021"})"),
         QStringLiteral("Tipo de interés desconocido en TipoInteres1: \"\".")},
        {with(R"(, "ConSentencia": true, "Hasta2": "31/12/2022", "TipoInteres2": 2.5)"),
         QStringLiteral("Tipo de interés desconocido en TipoInteres2: 2,5.")},
        {with(R"(, "ConSentencia": "sí")"), QStringLiteral("El campo ConSentencia debe ser true o false.")},
        {with(R"(, "ConSentencia": true)"), QStringLiteral("El campo Hasta2 no es una fecha válida (dd/mm/aaaa): \"\".")},
        {Utf8(R"({"Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": 4, "Interes1": "4.5"})"),
         QStringLiteral("El campo Interes1 no es un porcentaje válido para \"Interés Pactado\": \"4.5\".")},
        {Utf8(R"({"Desde1": "01/01/2021", "Hasta1": "31/12/2021", "TipoInteres1": 4, "Interes1": 4.5})"),
         QStringLiteral("El campo Interes1 debe ser un texto.")},
        {with(R"(, "ConSentencia": true, "Hasta2": "31/12/2022", "TipoInteres2": "Interés Pactado")"),
         QStringLiteral("El campo Interes2 no es un porcentaje válido para \"Interés Pactado\": \"\".")},
        {with(R"(, "Moneda": "USD")"), QStringLiteral("Moneda desconocida: \"USD\" (debe ser \"Eur\" o \"Pta\").")},
        {with(R"(, "Pagos": {})"), QStringLiteral("El campo Pagos debe ser una lista.")},
        {with(R"(, "Pagos": [3])"), QStringLiteral("Pagos[0]: cada movimiento debe ser un objeto.")},
        {with(R"(, "Pagos": [{"Fecha": "01/02/2021"}])"), QStringLiteral("Pagos[0]: falta el campo Importe.")},
        {with(R"(, "Pagos": [{"Fecha": "01/02/2021", "Importe": 1}, {"Fecha": "1/2/2021", "Importe": 2, "Tipo": "E"}])"),
         QStringLiteral("Pagos[1]: Ya existe un pago o un entrada con esa fecha (01/02/2021).")},
        {with(R"(, "Pagos": [{"Fecha": "01/02/2021", "Importe": 1, "Tipo": "X"}])"),
         QStringLiteral("Pagos[0]: el campo Tipo debe ser \"P\" (pago) o \"E\" (entrada): \"X\".")},
        {with(R"(, "Capital": -0.01)"), QStringLiteral("El capital inicial no puede ser negativo.")},
        {with(R"(, "Capital": 1e308)"), QStringLiteral("El importe es demasiado grande.")},
        {with(R"(, "Pagos": [{"Fecha": "01/02/2021", "Importe": 0}])"),
         QStringLiteral("Pagos[0]: El importe debe ser mayor que cero.")},
        {with(R"(, "Pagos": [{"Fecha": "01/02/2021", "Importe": 5}, {"Fecha": "01/03/2021", "Importe": -5, "Tipo": "E"}])"),
         QStringLiteral("Pagos[1]: El importe debe ser mayor que cero.")},
        {with(R"(, "Pagos": [{"Fecha": "01/02/2021", "Importe": 1000000000000}])"),
         QStringLiteral("Pagos[0]: El importe es demasiado grande.")},
        {with(R"(, "Pagos": [{"Fecha": "01/01/2100", "Importe": 5}])"),
         QStringLiteral("Pagos[0]: La fecha debe ser anterior al 01/01/2100.")},
        {with(R"(, "Tipos": [{"Desde": "01/05/2021", "Hasta": "31/05/2021"}, {"Desde": "01/01/2021", "Hasta": "31/12/2021"}])"),
         QStringLiteral("Tipos[1]: El período introducido incluye un período de intereses ya existente.")},
        {with(R"(, "Tipos": [{"Desde": "15/12/2021", "Hasta": "15/01/2022"}])"),
         QStringLiteral("Tipos[0]: El año de la fecha final no coincide con el año de la fecha inicial.")},
        {with(R"(, "Tipos": [{"Desde": "01/01/2021", "Hasta": "31/12/2021", "InteJudi": 120}])"),
         QStringLiteral("Tipos[0]: El Interés Judicial debe estar entre 0 y 100.")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CaseErrorOf(c.json), c.message) << c.json.toStdString();
}

TEST(SettlementJson, TheResultCarriesRowsTotalsTextsAndMessages)
{
    SettlementInput in;
    in.principal = 10000.0;
    in.start = D(1, 1, 2021);
    in.end = D(31, 12, 2021);
    in.movements = {{D(30, 6, 2021), 1000.0, QStringLiteral("P")}};
    SettlementResult r = ComputeSettlement(in, {{D(1, 1, 2021), D(31, 12, 2021), 3.0, 3.75, 3.75}});
    r.messages = {NoRatesMessage, QStringLiteral("con \"comillas\"\ny salto")};
    const QJsonObject o = QJsonDocument::fromJson(WriteSettlementResult(in, r)).object();
    const QJsonArray rows = o.value(QStringLiteral("Filas")).toArray();
    ASSERT_EQ(rows.size(), 2);
    const QJsonObject second = rows.at(1).toObject();
    EXPECT_EQ(second.value(QStringLiteral("Desde")).toString(), QStringLiteral("01/07/2021"));
    EXPECT_EQ(second.value(QStringLiteral("Hasta")).toString(), QStringLiteral("31/12/2021"));
    EXPECT_EQ(second.value(QStringLiteral("DIAS")).toInt(), 184);
    EXPECT_EQ(second.value(QStringLiteral("Capital")).toDouble(), r.rows[1].capital);
    EXPECT_EQ(second.value(QStringLiteral("Interes")).toDouble(), 3.0);
    EXPECT_EQ(second.value(QStringLiteral("Total")).toDouble(), r.rows[1].total);
    EXPECT_EQ(o.value(QStringLiteral("TotalInterest")).toDouble(), r.totalInterest);
    EXPECT_EQ(o.value(QStringLiteral("TotalPayments")).toDouble(), 1000.0);
    EXPECT_EQ(o.value(QStringLiteral("TotalEntries")).toDouble(), 0.0);
    EXPECT_EQ(o.value(QStringLiteral("GrandTotal")).toDouble(), r.grandTotal);
    const QJsonObject texts = o.value(QStringLiteral("Textos")).toObject();
    EXPECT_EQ(texts.value(QStringLiteral("LabelCAPITAL")).toString(), QStringLiteral("10.000,00"));
    EXPECT_EQ(texts.value(QStringLiteral("LabelTOTINTER")).toString(), QStringLiteral("284,88"));
    EXPECT_EQ(texts.value(QStringLiteral("LabelTOTPAGOS")).toString(), QStringLiteral("1.000,00"));
    EXPECT_EQ(texts.value(QStringLiteral("LabelTOTENTRADAS")).toString(), QStringLiteral("0,00"));
    EXPECT_EQ(texts.value(QStringLiteral("LabelTOTAL")).toString(), QStringLiteral("9.284,88"));
    EXPECT_EQ(o.value(QStringLiteral("Mensajes")).toArray().toVariantList(),
              (QVariantList{NoRatesMessage, QStringLiteral("con \"comillas\"\ny salto")}));
}

TEST(SettlementJson, TheResultComesInPiecesAndNothingComesOutOfRange)
{
    SettlementInput in;
    in.principal = 1000.0;
    SettlementResult r;
    for (int i = 0; i < 5000; ++i)
        r.rows.push_back({D(1, 1, 2000).addDays(i), D(1, 1, 2000).addDays(i), 1000.0 + i, 3.0, 0.08});
    QByteArray joined;
    int pieces = 0;
    WriteSettlementResult(in, r, [&](const QByteArray &piece) {
        joined += piece;
        ++pieces;
    });
    EXPECT_GT(pieces, 1);
    EXPECT_EQ(joined, WriteSettlementResult(in, r));

    r.rows.back().total = std::numeric_limits<double>::infinity();
    pieces = 0;
    EXPECT_THROW(WriteSettlementResult(in, r, [&](const QByteArray &) { ++pieces; }), AppError);
    EXPECT_EQ(pieces, 0);
}

TEST(SettlementJson, NumbersAreTheShortestTextThatReadsBack)
{
    EXPECT_EQ(JsonNumber(148.77), QByteArray("148.77"));
    EXPECT_EQ(JsonNumber(10000.0), QByteArray("10000"));
    EXPECT_EQ(JsonNumber(0.1 + 0.2), QByteArray("0.30000000000000004"));
    EXPECT_EQ(JsonNumber(-0.0), QByteArray("-0"));
    EXPECT_EQ(JsonNumber(1e21), QByteArray("1e+21"));
    for (double v : {284.88, 1.0 / 3.0, -2015.37, 9284.880000000001, 5e-324, 1.7976931348623157e308})
        EXPECT_EQ(JsonNumber(v).toDouble(), v);
    EXPECT_THROW(JsonNumber(std::numeric_limits<double>::infinity()), AppError);
    EXPECT_THROW(JsonNumber(std::nan("")), AppError);
    EXPECT_EQ(JsonString(QStringLiteral("Año \"1\"\\\t")), QByteArray("\"A\xc3\xb1o \\\"1\\\"\\\\\\u0009\""));
}
