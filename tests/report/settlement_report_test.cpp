#include "interest/settlement_report.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QDate kPrinted(2026, 12, 9);

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

SettlementInput Input(double principal)
{
    SettlementInput input;
    input.principal = principal;
    input.start = QDate(2021, 1, 1);
    input.end = QDate(2021, 12, 31);
    return input;
}

const QString kFirstPeriod = QStringLiteral("Primer período: del 01/01/2021 al 31/12/2021, Interés Legal");

// The texts of the summary line: amounts follow "Capital Inicial:" ... "Total:" in order.
QStringList SummaryAmounts(const ReportPage &page)
{
    const QStringList texts = page.texts();
    const qsizetype at = texts.indexOf(QStringLiteral("Capital Inicial:"));
    EXPECT_GE(at, 0);
    QStringList amounts;
    for (qsizetype i = at; i < texts.size(); ++i) {
        if (texts[i].at(0).isDigit() || (texts[i].startsWith(QLatin1Char('-')) && texts[i].size() > 1))
            amounts.append(texts[i]);
    }
    return amounts;
}

} // namespace

TEST(SettlementReport, HeaderOnEveryPageAndRowsInTheirFormats)
{
    SettlementResult result;
    for (int i = 0; i < 120; ++i)
        result.rows.push_back(Row(QDate(2021, 1, 1).addDays(i), QDate(2021, 1, 1).addDays(i), 10000.0 + i, 3.0, 0.82));
    const std::vector<ReportPage> pages = SettlementReportPages(Input(10000.0), result, kPrinted);
    ASSERT_GT(pages.size(), 2u);
    int rows = 0;
    for (const ReportPage &page : pages) {
        const QStringList texts = page.texts();
        EXPECT_EQ(texts.mid(0, 9), (QStringList{QStringLiteral("09 de diciembre de 2026"), QStringLiteral("Cuantix"),
                                                kFirstPeriod, QStringLiteral("Desde:"), QStringLiteral("Hasta:"),
                                                QStringLiteral("Días:"), QStringLiteral("Capital Acumu.:"),
                                                QStringLiteral("Interés"), QStringLiteral("Total:")}));
        rows += static_cast<int>(texts.count(QStringLiteral("0,82")));
    }
    EXPECT_EQ(rows, 120);
    const QStringList first = pages[0].texts();
    const qsizetype at = first.indexOf(QStringLiteral("01/01/2021"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(first.mid(at, 6), (QStringList{QStringLiteral("01/01/2021"), QStringLiteral("01/01/2021"),
                                             QStringLiteral("1"), QStringLiteral("10.000,00"), QStringLiteral("3,00"),
                                             QStringLiteral("0,82")}));
    EXPECT_TRUE(pages[0].find(QStringLiteral("10.000,00"))->alignment & Qt::AlignRight);
    EXPECT_EQ(pages.back().find(QStringLiteral("Página %1 de %1").arg(pages.size()))->text,
              QStringLiteral("Página %1 de %1").arg(pages.size()));
    EXPECT_NE(pages.back().find(QStringLiteral("Capital Inicial:")), nullptr);
    EXPECT_EQ(pages.front().find(QStringLiteral("Capital Inicial:")), nullptr);
}

TEST(SettlementReport, SummaryShowsEveryAmountWithItsTwoDecimalsAsTheViewDoes)
{
    SettlementResult result;
    result.rows.push_back(Row(QDate(2021, 1, 1), QDate(2021, 1, 1), 12345678.91, 0.0, 0.0));
    result.totalInterest = 369355.24;
    const std::vector<ReportPage> pages = SettlementReportPages(Input(12345678.91), result, kPrinted);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(SummaryAmounts(pages[0]), (QStringList{QStringLiteral("12.345.678,91"), QStringLiteral("369.355,24"),
                                                     QStringLiteral("0,00"), QStringLiteral("0,00"),
                                                     QStringLiteral("12.715.034,15")}));

    // Pesetas: ten integer digits and more keep their cents, never an exponent.
    SettlementInput pesetas = Input(2054148130.0);
    pesetas.currency = QStringLiteral("Pta");
    result.totalInterest = 123456789012.34;
    const QStringList big = SummaryAmounts(SettlementReportPages(pesetas, result, kPrinted)[0]);
    EXPECT_EQ(big.first(), QStringLiteral("2.054.148.130,00"));
    EXPECT_EQ(big.at(1), QStringLiteral("123.456.789.012,34"));
}

TEST(SettlementReport, BelowTheTitleTheOfficeTheCaseAndEachPeriodsType)
{
    SettlementInput in = Input(1000.0);
    in.type1 = 4;
    in.agreedRate1 = QStringLiteral("7,5");
    in.secondPeriod = true;
    in.secondEnd = QDate(2022, 6, 30);
    in.type2 = 1;
    SettlementHeading heading{QStringLiteral("Bufete Peña"), QStringLiteral("2021/117"),
                              QStringLiteral("Reclamación Gómez")};
    const QStringList expected{
        QStringLiteral("Bufete Peña"), QStringLiteral("Asunto: 2021/117 - Reclamación Gómez"),
        QStringLiteral("Primer período: del 01/01/2021 al 31/12/2021, Interés Pactado (7,5 %)"),
        QStringLiteral("Segundo período: del 01/01/2022 al 30/06/2022, Interés Judicial")};
    const std::vector<ReportPage> pages = SettlementReportPages(in, SettlementResult{}, kPrinted, heading);
    EXPECT_EQ(pages[0].texts().mid(2, 4), expected);

    // A settlement not recovered from the history names no case; no office, no line.
    heading.office.clear();
    heading.caseNumber.clear();
    EXPECT_EQ(SettlementHeadingLines(in, heading), expected.mid(2));

    QTemporaryDir dir;
    const QString ini = dir.path() + QStringLiteral("/Devenix.ini");
    EXPECT_TRUE(OfficeNameFromSettings(ini).isEmpty());
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[FACTURACION]\nEMPRESA=Bufete Pe\xc3\xb1" "a \n");
    file.close();
    EXPECT_EQ(OfficeNameFromSettings(ini), QStringLiteral("Bufete Peña"));
}

TEST(SettlementReport, TotalAddsEntriesAndSubtractsPayments)
{
    SettlementResult result;
    result.rows.push_back(Row(QDate(2021, 1, 1), QDate(2021, 6, 30), 10000.0, 3.0, 148.77));
    result.totalInterest = 284.88;
    result.totalPayments = 1000.0;
    result.totalEntries = 250.5;
    const std::vector<ReportPage> pages = SettlementReportPages(Input(10000.0), result, kPrinted);
    EXPECT_EQ(SummaryAmounts(pages[0]), (QStringList{QStringLiteral("10.000,00"), QStringLiteral("284,88"),
                                                     QStringLiteral("250,50"), QStringLiteral("1.000,00"),
                                                     QStringLiteral("9.535,38")}));
    const QStringList texts = pages[0].texts();
    const qsizetype at = texts.indexOf(QStringLiteral("Capital Inicial:"));
    EXPECT_EQ(texts.mid(at, 14),
              (QStringList{QStringLiteral("Capital Inicial:"), QStringLiteral("10.000,00"), QStringLiteral("+"),
                           QStringLiteral("Intereses:"), QStringLiteral("284,88"), QStringLiteral("+"),
                           QStringLiteral("Entradas:"), QStringLiteral("250,50"), QStringLiteral("-"),
                           QStringLiteral("Pagos:"), QStringLiteral("1.000,00"), QStringLiteral("="),
                           QStringLiteral("Total:"), QStringLiteral("9.535,38")}));
}

TEST(SettlementReport, PrintedWithoutRows)
{
    const std::vector<ReportPage> pages = SettlementReportPages(Input(500.0), SettlementResult{}, kPrinted);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find(QStringLiteral("Cuantix")), nullptr);
    EXPECT_EQ(SummaryAmounts(pages[0]).last(), QStringLiteral("500,00"));
    EXPECT_NE(pages[0].find(QStringLiteral("Página 1 de 1")), nullptr);
}

TEST(SettlementReport, PdfOfTheReport)
{
    QTemporaryDir dir;
    SettlementResult result;
    result.rows.push_back(Row(QDate(2021, 1, 1), QDate(2021, 12, 31), 10000.0, 3.0, 300.0));
    const QString path = dir.path() + QStringLiteral("/liquidacion.pdf");
    WriteSettlementReportPdf(Input(10000.0), result, path, kPrinted);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("%PDF"));
}
