#include "invoicing/invoice_math.h"

#include "core/errors.h"
#include "core/rounding.h"

#include <gtest/gtest.h>

namespace {

qint64 Cents(double amount)
{
    return RoundToInt(amount * 100);
}

TEST(CalcularLinea, DiscountFirstThenVatAndWithholdingOnTheBase)
{
    struct Row
    {
        const char *label;
        double subTotal;
        InvoiceRates rates;
        LineAmounts expected;
    } rows[] = {
        {"fee with every rate", 1000.00, {21, 15, 10}, {100.00, 189.00, 135.00, 954.00}},
        {"third decimal decides, 4.9995 rounds up", 33.33, {16, 15, 0}, {0.00, 5.33, 5.00, 33.66}},
        {"outlay without rates", 50.00, {0, 0, 0}, {0, 0, 0, 50.00}},
        {"outlay amount rounded to cents", 10.345, {0, 0, 0}, {0, 0, 0, 10.35}},
        {"negative amount keeps its sign", -100.00, {21, 0, 0}, {0, -21.00, 0, -121.00}},
    };
    for (const Row &r : rows) {
        const LineAmounts a = CalcularLinea(r.subTotal, r.rates);
        EXPECT_EQ(Cents(a.totalDCTO), Cents(r.expected.totalDCTO)) << r.label;
        EXPECT_EQ(Cents(a.totalIVA), Cents(r.expected.totalIVA)) << r.label;
        EXPECT_EQ(Cents(a.totalIRPF), Cents(r.expected.totalIRPF)) << r.label;
        EXPECT_EQ(Cents(a.total), Cents(r.expected.total)) << r.label;
        EXPECT_EQ(a.total, RoundTo2(a.total)) << r.label;
    }
}

TEST(InvoiceTotals, FeesLessDiscountPlusVatLessWithholdingPlusOutlaysLessProvisions)
{
    const LineAmounts fee = CalcularLinea(33.33, {16, 15, 0});
    LineSums sums;
    sums.subTotales = 33.33;
    sums.dctos = fee.totalDCTO;
    sums.ivas = fee.totalIVA;
    sums.irpfs = fee.totalIRPF;
    sums.suplidos = CalcularLinea(50, {}).total;
    sums.provisiones = CalcularLinea(200, {}).total;
    const InvoiceTotals t = TotalsFromSums(sums);
    EXPECT_EQ(t.total, -116.34);
    EXPECT_EQ(Cents(t.totalHonorario), 3333);
    EXPECT_EQ(Cents(t.totalSuplidos), 5000);
    EXPECT_EQ(Cents(t.totalProvisiones), 20000);
    EXPECT_EQ(TotalsFromSums({}), InvoiceTotals{});
}

TEST(InvoiceTotals, ReratingReplacesTaxTotalsAndRoundsOnlyTheTotal)
{
    InvoiceTotals before;
    before.totalHonorario = 1000;
    before.totalSuplidos = 50;
    before.totalProvisiones = 200;
    const InvoiceTotals t = TotalsAfterRerating(before, 100, 189.004, 135);
    EXPECT_EQ(t.totalIVA, 189.004); // the accumulator, not rounded
    EXPECT_EQ(t.totalHonorario, 1000);
    EXPECT_EQ(Cents(t.total), Cents(1000 + 50 - 200 - 100 + 189 - 135));
}

TEST(InvoiceLine, PreviewColumnsAndTypedTexts)
{
    // Preview: base = 100 - 10 = 90; 90 - 13.5 + 18.9, not rounded.
    EXPECT_DOUBLE_EQ(LinePreview(100, {21, 15, 10}), 95.4);
    EXPECT_DOUBLE_EQ(LinePreview(33.333, {}), 33.333);

    struct Row
    {
        const char *tipo;
        double entradas;
        double salidas;
    } rows[] = {{"Honorario", 0, 80}, {"HONORARIO", 0, 80}, {"Suplido", 0, 80}, {"Provision", 80, 0}};
    for (const Row &r : rows) {
        const LineColumns c = EntradasSalidas(QLatin1String(r.tipo), 80);
        EXPECT_EQ(c.entradas, r.entradas) << r.tipo;
        EXPECT_EQ(c.salidas, r.salidas) << r.tipo;
    }

    EXPECT_EQ(TypedRate(QStringLiteral("7,5")), 7.5);
    EXPECT_EQ(TypedRate(QStringLiteral("abc")), 0.0);
    EXPECT_EQ(TypedRate(QString()), 0.0);
    EXPECT_EQ(AmountFromText(QStringLiteral("1234,5")), 1234.5);
    EXPECT_EQ(IntegerFromText(QStringLiteral(" 58 ")), 58);
    EXPECT_THROW(AmountFromText(QString()), AppError);
    EXPECT_THROW(AmountFromText(QStringLiteral("12a")), AppError);
    EXPECT_THROW(AmountFromText(QStringLiteral("1E13")), AppError);
    EXPECT_THROW(IntegerFromText(QStringLiteral("5,5")), AppError);
}

} // namespace
