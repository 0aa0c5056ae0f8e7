#include "documents/merge_values.h"

#include <gtest/gtest.h>

namespace {

MergeData Settlement(double principal, const QString &currency)
{
    MergeData d;
    d.principal = principal;
    d.currency = currency;
    return d;
}

SettlementRow Row(const QDate &desde, const QDate &hasta, double capital, double rate, double total)
{
    SettlementRow r;
    r.desde = desde;
    r.hasta = hasta;
    r.capital = capital;
    r.rate = rate;
    r.total = total;
    return r;
}

} // namespace

TEST(MergeValues, PrincipalInBothCurrencies)
{
    EXPECT_EQ(MergeCodeValues(1, Settlement(1000.0, QStringLiteral("Eur"))), QStringList{QStringLiteral("166.386,00")});
    EXPECT_EQ(MergeCodeValues(2, Settlement(1000.0, QStringLiteral("Eur"))), QStringList{QStringLiteral("1.000,00")});
    EXPECT_EQ(MergeCodeValues(2, Settlement(166386.0, QStringLiteral("Pta"))), QStringList{QStringLiteral("1.000,00")});
    EXPECT_EQ(MergeCodeValues(1, Settlement(166386.0, QStringLiteral("Pta"))), QStringList{QStringLiteral("166.386,00")});
}

TEST(MergeValues, ConversionRoundsAsTheRulesSay)
{
    // 0,01 € is 1,66386 pesetas: the nearest whole peseta.
    EXPECT_EQ(InPesetas(0.01, QStringLiteral("Eur")), 2.0);
    // 3 € is 499,158 pesetas; -3 € rounds away from zero too.
    EXPECT_EQ(InPesetas(3.0, QStringLiteral("Eur")), 499.0);
    EXPECT_EQ(InPesetas(-3.0, QStringLiteral("Eur")), -499.0);
    // 1 peseta is 0,00601 €: rounded to cents.
    EXPECT_EQ(InEuros(1.0, QStringLiteral("Pta")), 0.01);
    EXPECT_EQ(InEuros(100.0, QStringLiteral("Pta")), 0.6);
    // Amounts already in the currency asked for are not touched.
    EXPECT_EQ(InEuros(0.005, QStringLiteral("Eur")), 0.005);
    EXPECT_EQ(InPesetas(10.5, QStringLiteral("Pta")), 10.5);
}

TEST(MergeValues, AmountsKeepTheirCentsAsTheViewShowsThem)
{
    EXPECT_EQ(MergeCodeValues(2, Settlement(12345678.91, QStringLiteral("Eur"))),
              QStringList{QStringLiteral("12.345.678,91")});
    MergeData d = Settlement(1000.0, QStringLiteral("Eur"));
    d.grandTotal = 12715034.15;
    EXPECT_EQ(MergeCodeValues(12, d), QStringList{QStringLiteral("12.715.034,15")});
    d = Settlement(2054148130.0, QStringLiteral("Pta"));
    EXPECT_EQ(MergeCodeValues(1, d), QStringList{QStringLiteral("2.054.148.130,00")});
    EXPECT_EQ(MergeAmountText(999999999999.99), QStringLiteral("999.999.999.999,99"));
    EXPECT_EQ(MergeAmountText(-1234.5), QStringLiteral("-1.234,50"));
}

TEST(MergeValues, TotalsByCode)
{
    MergeData d = Settlement(10000.0, QStringLiteral("Eur"));
    d.grandTotal = 9284.88;
    d.totalInterest = 284.88;
    d.totalPayments = 1000.0;
    d.totalEntries = 0.0;
    EXPECT_EQ(MergeCodeValues(12, d).first(), QStringLiteral("9.284,88"));
    EXPECT_EQ(MergeCodeValues(11, d).first(), QStringLiteral("1.544.874,00")); // 9.284,88 x 166,386 = 1.544.874,04
    EXPECT_EQ(MergeCodeValues(14, d).first(), QStringLiteral("284,88"));
    EXPECT_EQ(MergeCodeValues(13, d).first(), QStringLiteral("47.400,00"));
    EXPECT_EQ(MergeCodeValues(16, d).first(), QStringLiteral("1.000,00"));
    EXPECT_EQ(MergeCodeValues(15, d).first(), QStringLiteral("166.386,00"));
    EXPECT_EQ(MergeCodeValues(18, d).first(), QStringLiteral("0,00"));
    EXPECT_EQ(MergeCodeValues(17, d).first(), QStringLiteral("0,00"));
}

TEST(MergeValues, PerRowCodesGiveOneTextPerRow)
{
    MergeData d = Settlement(10000.0, QStringLiteral("Eur"));
    d.rows = {Row(QDate(2021, 1, 1), QDate(2021, 6, 30), 10000.0, 3.0, 148.77),
              Row(QDate(2021, 7, 1), QDate(2021, 12, 31), 9000.0, 3.75, 136.11)};
    EXPECT_EQ(MergeCodeValues(5, d), (QStringList{QStringLiteral("01/01/2021"), QStringLiteral("01/07/2021")}));
    EXPECT_EQ(MergeCodeValues(7, d), (QStringList{QStringLiteral("30/06/2021"), QStringLiteral("31/12/2021")}));
    EXPECT_EQ(MergeCodeValues(6, d), (QStringList{QStringLiteral("181"), QStringLiteral("184")}));
    EXPECT_EQ(MergeCodeValues(10, d), (QStringList{QStringLiteral("3"), QStringLiteral("3,75")}));
    EXPECT_EQ(MergeCodeValues(4, d), (QStringList{QStringLiteral("10.000,00"), QStringLiteral("9.000,00")}));
    EXPECT_EQ(MergeCodeValues(3, d), (QStringList{QStringLiteral("1.663.860,00"), QStringLiteral("1.497.474,00")}));
    EXPECT_EQ(MergeCodeValues(9, d), (QStringList{QStringLiteral("148,77"), QStringLiteral("136,11")}));
    EXPECT_EQ(MergeCodeValues(8, d), (QStringList{QStringLiteral("24.753,00"), QStringLiteral("22.647,00")}));

    d.rows.clear();
    for (int code : {3, 4, 5, 6, 7, 8, 9, 10})
        EXPECT_TRUE(MergeCodeValues(code, d).isEmpty()) << code;
    EXPECT_EQ(MergeCodeValues(0, d), QStringList{kUnrecognisedField});
    EXPECT_EQ(MergeCodeValues(19, d), QStringList{kUnrecognisedField});
}

TEST(MergeValues, FieldKindsAndLabels)
{
    struct Case
    {
        const char *instruction;
        FieldKind kind;
        const char *label;
    };
    const Case cases[] = {
        {" MERGEFIELD CapitalEuros ", FieldKind::MergeField, "CapitalEuros"},
        {"MERGEFIELD  Capital Euros", FieldKind::MergeField, "CapitalEuros"},
        {" mergefield Dias ", FieldKind::MergeField, "Dias"},
        {" CAMPOCOMBINACIÓN TotalEuros ", FieldKind::MergeField, "TotalEuros"},
        {" MERGEFIELD Dias \\* MERGEFORMAT ", FieldKind::MergeField, "Dias"},
        {" MERGEFIELD \"Dias\" \\b \"x\" ", FieldKind::MergeField, "Dias"},
        {" IF 1 = 1 \"a\" \"b\" ", FieldKind::OtherMerge, ""},
        {" ASK Nombre \"¿Nombre?\" ", FieldKind::OtherMerge, ""},
        {" NEXT ", FieldKind::OtherMerge, ""},
        {" PAGE ", FieldKind::Other, ""},
        {" DATE \\@ \"dd/MM/yyyy\" ", FieldKind::Other, ""},
        {" MERGEFIELDX ", FieldKind::Other, ""},
        {"", FieldKind::Other, ""},
    };
    for (const Case &c : cases) {
        const QString instruction = QString::fromUtf8(c.instruction);
        EXPECT_EQ(ClassifyField(instruction), c.kind) << c.instruction;
        if (c.kind == FieldKind::MergeField) {
            EXPECT_EQ(MergeFieldLabel(instruction), QString::fromUtf8(c.label)) << c.instruction;
        }
    }
}

TEST(MergeValues, WhatAFieldBecomes)
{
    const MergeFieldCatalogue catalogue = {{QStringLiteral("CapitalEuros"), 2}, {QStringLiteral("Raro"), 40}};
    const MergeData d = Settlement(1000.0, QStringLiteral("Eur"));
    EXPECT_EQ(SettlementFieldValue(QStringLiteral(" MERGEFIELD CapitalEuros "), catalogue, d),
              QStringList{QStringLiteral("1.000,00")});
    EXPECT_EQ(SettlementFieldValue(QStringLiteral(" MERGEFIELD Raro "), catalogue, d), QStringList{kUnrecognisedField});
    EXPECT_EQ(SettlementFieldValue(QStringLiteral(" IF { MERGEFIELD CapitalEuros } > 0 \"sí\" "), catalogue, d),
              QStringList{kUnrecognisedField});
    EXPECT_EQ(SettlementFieldValue(QStringLiteral(" PAGE "), catalogue, d), std::nullopt);
}

TEST(MergeValues, SwitchesAndNamesAsWordProcessorsWriteThem)
{
    const MergeFieldCatalogue catalogue = {{QStringLiteral("CapitalEuros"), 2}, {QStringLiteral("FechaDesde"), 5}};
    MergeData d = Settlement(1000.0, QStringLiteral("Eur"));
    d.rows = {Row(QDate(2021, 1, 1), QDate(2021, 6, 30), 1000.0, 3.0, 1.0)};
    MergeData noRows = d;
    noRows.rows.clear();
    struct Case
    {
        const char *instruction;
        const MergeData &data;
        QStringList expected;
    };
    const QStringList unknown{kUnrecognisedField};
    const Case cases[] = {
        {" MERGEFIELD CapitalEuros \\* MERGEFORMAT ", d, {QStringLiteral("1.000,00")}},
        {" MERGEFIELD CapitalEuros \\*MERGEFORMAT", d, {QStringLiteral("1.000,00")}},
        {" MERGEFIELD CapitalEuros \\* CHARFORMAT ", d, {QStringLiteral("1.000,00")}},
        {" MERGEFIELD \"CapitalEuros\" ", d, {QStringLiteral("1.000,00")}},
        {" MERGEFIELD capitaleuros ", d, {QStringLiteral("1.000,00")}},
        {" CAMPOCOMBINACIÓN «capitalEUROS» ", d, unknown},
        {" MERGEFIELD CapitalEuros \\b \"Capital: \" \\f \" €\" \\* MERGEFORMAT ", d, {QStringLiteral("Capital: 1.000,00 €")}},
        {" MERGEFIELD CapitalEuros \\f \"\\\"x\\\"\" ", d, {QStringLiteral("1.000,00\"x\"")}},
        {" MERGEFIELD FechaDesde \\b \"desde \" ", noRows, {}}, // nothing to put it before
        {" MERGEFIELD FechaDesde \\b \"del \" \\* Upper ", d, {QStringLiteral("del 01/01/2021")}},
        {" MERGEFIELD CapitalEuros \\* Arabic ", d, unknown},
        {" MERGEFIELD CapitalEuros \\# \"#.##0\" ", d, unknown},
        {" MERGEFIELD CapitalEuros \\@ \"dd/MM/yyyy\" ", d, unknown},
        {" MERGEFIELD CapitalEuros \\b ", d, unknown},
        {" MERGEFIELD CapitalEuros \\m ", d, unknown},
        {" MERGEFIELD ", d, unknown},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(SettlementFieldValue(QString::fromUtf8(c.instruction), catalogue, c.data), c.expected) << c.instruction;
    }

    const struct
    {
        const char *switches;
        const char *value;
        const char *expected;
    } letterCases[] = {
        {"\\* Upper", "señor garcía", "SEÑOR GARCÍA"}, {"\\* lower", "SEÑOR García", "señor garcía"},
        {"\\* Caps", "señor de la peña", "Señor De La Peña"}, {"\\* FirstCap", "señor de la peña", "Señor de la peña"},
        {"\\* Upper \\b \"(\" \\f \")\"", "ab", "(AB)"}, {"\\* Upper", "", ""},
    };
    for (const auto &c : letterCases) {
        const MergeFieldInstruction field =
            ParseMergeFieldInstruction(QStringLiteral(" MERGEFIELD Nombre ") + QString::fromUtf8(c.switches));
        EXPECT_TRUE(field.recognised) << c.switches;
        EXPECT_EQ(field.apply(QString::fromUtf8(c.value)), QString::fromUtf8(c.expected)) << c.switches;
    }
}
