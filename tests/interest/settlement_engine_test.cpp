#include "core/errors.h"
#include "core/rounding.h"
#include "interest/print_qt.h"
#include "interest/settlement_engine.h"
#include "support/dates.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

long long Cents(double x)
{
    return std::llround(x * 100.0);
}

RatePeriod Year(int y, double lega, double judi = 0.0, double admi = 0.0)
{
    return {D(1, 1, y), D(31, 12, y), lega, judi, admi};
}

SettlementInput Case(double principal, QDate start, QDate end)
{
    SettlementInput in;
    in.principal = principal;
    in.start = start;
    in.end = end;
    in.secondEnd = end.addDays(1);
    return in;
}

Movement Payment(QDate date, double amount)
{
    return {date, amount, QStringLiteral("P")};
}

Movement Entry(QDate date, double amount)
{
    return {date, amount, QStringLiteral("E")};
}

// Expected row: dates, days, and capital/rate/interest in cents.
struct Row
{
    QDate desde;
    QDate hasta;
    int days;
    long long capital;
    long long rate;
    long long total;
};

void ExpectRows(const SettlementResult &r, const std::vector<Row> &expected)
{
    ASSERT_EQ(r.rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const SettlementRow &row = r.rows[i];
        SCOPED_TRACE(testing::Message() << "row " << i);
        EXPECT_EQ(row.desde, expected[i].desde);
        EXPECT_EQ(row.hasta, expected[i].hasta);
        EXPECT_EQ(row.days(), expected[i].days);
        EXPECT_EQ(Cents(row.capital), expected[i].capital);
        EXPECT_EQ(Cents(row.rate), expected[i].rate);
        EXPECT_EQ(Cents(row.total), expected[i].total);
        EXPECT_EQ(row.total, RoundTo2(row.total)) << "each interest amount is a rounded amount";
    }
}

// The sum of daily compound amounts, as the rule states it; capital grows by each of them.
double CompoundSum(double &capital, double rate, int days, int divisor)
{
    double sum = 0.0;
    for (int i = 0; i < days; ++i) {
        const double interest = RoundTo2(static_cast<double>(static_cast<long double>(rate) * capital / divisor));
        sum += interest;
        capital += interest;
    }
    return sum;
}

} // namespace

// The worked examples: 10.000,00 over 2021 at the legal rate of 3 %.
class WorkedExample : public ::testing::Test
{
protected:
    SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
    std::vector<RatePeriod> rates{Year(2021, 3.0, 3.75)};
};

TEST_F(WorkedExample, NoMovementsGiveOneRowOfTheWholeYear)
{
    const SettlementResult r = ComputeSettlement(in, rates);
    ExpectRows(r, {{D(1, 1, 2021), D(31, 12, 2021), 365, 1000000, 300, 30000}});
    EXPECT_EQ(Cents(r.totalInterest), 30000);
    EXPECT_EQ(Cents(r.grandTotal), 1030000);
    EXPECT_TRUE(r.messages.isEmpty());
    const SettlementTotalsTexts t = TotalsTexts(in, r);
    EXPECT_EQ(t.capital, QStringLiteral("10.000,00"));
    EXPECT_EQ(t.interest, QStringLiteral("300,00"));
    EXPECT_EQ(t.payments, QStringLiteral("0,00"));
    EXPECT_EQ(t.entries, QStringLiteral("0,00"));
    EXPECT_EQ(t.total, QStringLiteral("10.300,00"));
}

TEST_F(WorkedExample, APaymentSplitsTheYearAndRunsTheRestOnLessPrincipal)
{
    in.movements = {Payment(D(30, 6, 2021), 1000.0)};
    const SettlementResult r = ComputeSettlement(in, rates);
    ExpectRows(r, {{D(1, 1, 2021), D(30, 6, 2021), 181, 1000000, 300, 14877},
                   {D(1, 7, 2021), D(31, 12, 2021), 184, 900000, 300, 13611}});
    const SettlementTotalsTexts t = TotalsTexts(in, r);
    EXPECT_EQ(t.interest, QStringLiteral("284,88"));
    EXPECT_EQ(t.payments, QStringLiteral("1.000,00"));
    EXPECT_EQ(t.total, QStringLiteral("9.284,88"));
}

TEST_F(WorkedExample, AnImputedPaymentFirstClearsThePendingInterest)
{
    in.movements = {Payment(D(30, 6, 2021), 1000.0)};
    in.imputePayments = true;
    const SettlementResult r = ComputeSettlement(in, rates);
    ExpectRows(r, {{D(1, 1, 2021), D(30, 6, 2021), 181, 1000000, 300, 14877},
                   {D(1, 7, 2021), D(31, 12, 2021), 184, 914877, 300, 13836}});
    EXPECT_EQ(TotalsTexts(in, r).total, QStringLiteral("9.287,13"));
}

TEST_F(WorkedExample, CompoundPerPeriodSumsTheDailyAmounts)
{
    in.compound = true;
    in.perPeriodRows = true;
    const SettlementResult r = ComputeSettlement(in, rates);
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0].days(), 365);
    EXPECT_EQ(Cents(r.rows[0].total), 30448);
    EXPECT_EQ(Cents(r.totalInterest), 30448);
    // Capital shows the principal of the last day, before that day's interest.
    double lastDay = 10000.0;
    CompoundSum(lastDay, 3.0, 364, 36500);
    EXPECT_EQ(r.rows[0].capital, lastDay);
}

TEST_F(WorkedExample, TwoRatePeriodsUseTheDivisorOfEachYear)
{
    in.start = D(1, 7, 2020);
    in.end = D(30, 6, 2021);
    rates = {Year(2020, 3.0), Year(2021, 3.0)};
    const SettlementResult r = ComputeSettlement(in, rates);
    ExpectRows(r, {{D(1, 7, 2020), D(31, 12, 2020), 184, 1000000, 300, 15082},
                   {D(1, 1, 2021), D(30, 6, 2021), 181, 1000000, 300, 14877}});
    EXPECT_EQ(TotalsTexts(in, r).interest, QStringLiteral("299,59"));
}

TEST_F(WorkedExample, TheSecondPeriodRunsAtItsOwnType)
{
    in.end = D(30, 6, 2021);
    in.secondPeriod = true;
    in.secondEnd = D(31, 12, 2021);
    in.type2 = static_cast<int>(InterestType::Judicial);
    const SettlementResult r = ComputeSettlement(in, rates);
    ExpectRows(r, {{D(1, 1, 2021), D(30, 6, 2021), 181, 1000000, 300, 14877},
                   {D(1, 7, 2021), D(31, 12, 2021), 184, 1000000, 375, 18904}});
    EXPECT_EQ(TotalsTexts(in, r).interest, QStringLiteral("337,81"));
}

TEST(SettlementRounding, EachInterestAmountIsRoundedOnItsThirdDecimal)
{
    // One day at 1 % on a principal chosen so that the amount is exactly the example.
    struct Example
    {
        const char *label;
        double principal;
        long long cents;
    } examples[] = {
        {"0,0049999 gives 0,00", 0.0049999 * 36500, 0},
        {"0,005 gives 0,01", 0.005 * 36500, 1},
        {"-1,235 gives -1,24", -1.235 * 36500, -124},
        {"2,3449 gives 2,34", 2.3449 * 36500, 234},
        {"2,3451 gives 2,35", 2.3451 * 36500, 235},
        {"-2,3451 gives -2,35", -2.3451 * 36500, -235},
        {"1,0049 gives 1,00", 1.0049 * 36500, 100},
        {"1,0051 gives 1,01", 1.0051 * 36500, 101},
        {"-1,0051 gives -1,01", -1.0051 * 36500, -101},
    };
    for (const auto &e : examples) {
        SettlementCalculator calc(e.principal, SettlementMode::Simple, false);
        calc.AddSegment(1.0, D(1, 3, 2021), D(1, 3, 2021));
        ASSERT_EQ(calc.rows().size(), 1u);
        EXPECT_EQ(Cents(calc.rows()[0].total), e.cents) << e.label;
    }
}

TEST(SettlementRounding, TheAmountIsFormedInLongDouble)
{
    // Both cases land a hair on either side of a half cent depending on the width of the
    // arithmetic; the extended value decides.
    SettlementCalculator simple(170782.92, SettlementMode::Simple, false);
    simple.AddSegment(3.0, D(25, 3, 2020), D(1, 3, 2020)); // 25 days, divisor 36600
    EXPECT_EQ(Cents(simple.rows()[0].total), 34997);
    EXPECT_EQ(Cents(RoundTo2(25.0 * 170782.92 * 3.0 / 36600)), 34996) << "double arithmetic would differ";

    SettlementCalculator daily(298582.80, SettlementMode::CompoundDaily, false);
    daily.AddSegment(7.5, D(1, 3, 2020), D(1, 3, 2020));
    EXPECT_EQ(Cents(daily.rows()[0].total), 6118);
    EXPECT_EQ(Cents(RoundTo2(7.5 * 298582.80 / 36600)), 6119) << "double arithmetic would differ";

    SettlementCalculator perPeriod(298582.80, SettlementMode::CompoundPerPeriod, false);
    perPeriod.AddSegment(7.5, D(1, 3, 2020), D(1, 3, 2020));
    EXPECT_EQ(Cents(perPeriod.rows()[0].total), 6118);
}

TEST(SettlementSegments, DaysAreCountedInclusivelyAndLeapYearsDivideBy366)
{
    SettlementCalculator calc(10000.0, SettlementMode::Simple, false);
    calc.AddSegment(3.0, D(1, 3, 2021), D(1, 3, 2021));
    calc.AddSegment(3.0, D(31, 12, 2020), D(1, 1, 2020));
    ASSERT_EQ(calc.rows().size(), 2u);
    EXPECT_EQ(calc.rows()[0].days(), 1);
    EXPECT_EQ(Cents(calc.rows()[0].total), 82); // 0,8219...
    EXPECT_EQ(calc.rows()[1].days(), 366);
    EXPECT_EQ(Cents(calc.rows()[1].total), 30000);
}

TEST(SettlementSegments, ARatePeriodBeginningAfterTheStartLeavesTheEarlierDaysWithoutInterest)
{
    const SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
    const SettlementResult r = ComputeSettlement(in, {{D(1, 7, 2021), D(31, 12, 2021), 3.0, 0, 0}});
    ExpectRows(r, {{D(1, 7, 2021), D(31, 12, 2021), 184, 1000000, 300, 15123}});
}

TEST(SettlementSegments, AMovementOnASegmentsFirstDayClosesAOneDayRowFirst)
{
    SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
    in.movements = {Payment(D(1, 7, 2021), 1000.0)};
    const std::vector<RatePeriod> rates{{D(1, 1, 2021), D(30, 6, 2021), 3.0, 0, 0},
                                        {D(1, 7, 2021), D(31, 12, 2021), 4.0, 0, 0}};
    const SettlementResult r = ComputeSettlement(in, rates);
    ExpectRows(r, {{D(1, 1, 2021), D(30, 6, 2021), 181, 1000000, 300, 14877},
                   {D(1, 7, 2021), D(1, 7, 2021), 1, 1000000, 400, 110},
                   {D(2, 7, 2021), D(31, 12, 2021), 183, 900000, 400, 18049}});
}

TEST(SettlementSegments, AMovementOnTheLastDayClosesTheSegmentWithNoFurtherRow)
{
    SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
    in.movements = {Payment(D(31, 12, 2021), 1000.0)};
    const SettlementResult r = ComputeSettlement(in, {Year(2021, 3.0)});
    ExpectRows(r, {{D(1, 1, 2021), D(31, 12, 2021), 365, 1000000, 300, 30000}});
    EXPECT_EQ(Cents(r.totalPayments), 100000);
    EXPECT_EQ(Cents(r.grandTotal), 930000);
}

TEST(SettlementMovements, MovementsUpToTheStartAdjustTheOpeningPrincipalOnce)
{
    SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
    in.imputePayments = true; // plays no part before the start
    in.movements = {Entry(D(15, 12, 2020), 500.0), Payment(D(1, 12, 2020), 2000.0),
                    Payment(D(1, 1, 2021), 1000.0)}; // the last one on the start date itself
    const SettlementResult r = ComputeSettlement(in, {Year(2021, 3.0)});
    ExpectRows(r, {{D(1, 1, 2021), D(31, 12, 2021), 365, 750000, 300, 22500}});
    EXPECT_EQ(Cents(r.totalPayments), 300000);
    EXPECT_EQ(Cents(r.totalEntries), 50000);
    EXPECT_EQ(Cents(r.grandTotal), 1000000 + 22500 - 300000 + 50000);
}

TEST(SettlementMovements, MovementsAfterTheLastRowAreCountedUntil2099)
{
    SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
    in.movements = {Payment(D(15, 1, 2022), 1000.0), Entry(D(31, 12, 2099), 200.0),
                    Payment(D(1, 1, 2100), 5000.0)};
    const SettlementResult r = ComputeSettlement(in, {Year(2021, 3.0), Year(2022, 3.0)});
    ExpectRows(r, {{D(1, 1, 2021), D(31, 12, 2021), 365, 1000000, 300, 30000}});
    EXPECT_EQ(Cents(r.totalPayments), 100000);
    EXPECT_EQ(Cents(r.totalEntries), 20000);
}

TEST(SettlementMovements, AMovementInAGapOfTheRateTableIsCountedAndChangesThePrincipal)
{
    SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
    in.movements = {Payment(D(15, 5, 2021), 1000.0)};
    const std::vector<RatePeriod> rates{{D(1, 1, 2021), D(31, 3, 2021), 3.0, 0, 0},
                                       {D(1, 7, 2021), D(31, 12, 2021), 3.0, 0, 0}};
    const SettlementResult r = ComputeSettlement(in, rates);
    ExpectRows(r, {{D(1, 1, 2021), D(31, 3, 2021), 90, 1000000, 300, 7397},
                   {D(1, 7, 2021), D(31, 12, 2021), 184, 900000, 300, 13611}});
    EXPECT_EQ(Cents(r.totalPayments), 100000);
    EXPECT_EQ(Cents(r.grandTotal), 1000000 + 7397 + 13611 - 100000);

    // In a gap before the first rate period, with imputation: the pending interest is nil,
    // so the whole payment reduces the principal.
    in.imputePayments = true;
    in.movements = {Payment(D(15, 2, 2021), 1000.0)};
    const SettlementResult early = ComputeSettlement(in, {{D(1, 7, 2021), D(31, 12, 2021), 3.0, 0, 0}});
    ExpectRows(early, {{D(1, 7, 2021), D(31, 12, 2021), 184, 900000, 300, 13611}});
    EXPECT_EQ(Cents(early.totalPayments), 100000);
}

TEST(SettlementMovements, WithoutAnyRatePeriodEveryMovementStillCounts)
{
    SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
    in.movements = {Payment(D(1, 12, 2020), 100.0), Payment(D(15, 5, 2021), 1000.0), Entry(D(1, 3, 2022), 50.0)};
    const SettlementResult r = ComputeSettlement(in, {Year(2019, 3.0)});
    EXPECT_TRUE(r.rows.empty());
    EXPECT_EQ(r.messages, QStringList{NoRatesMessage});
    EXPECT_EQ(Cents(r.totalPayments), 110000);
    EXPECT_EQ(Cents(r.totalEntries), 5000);
    EXPECT_EQ(TotalsTexts(in, r).total, QStringLiteral("8.950,00"));
}

TEST(SettlementMovements, ImputedPaymentsPayTheInterestBeforeThePrincipal)
{
    SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
    in.imputePayments = true;
    // Q1 interest 73,97: the payment of 50 leaves 23,97 pending and the principal whole;
    // Q2 adds 74,79 (98,76 pending): the payment of 100 clears it and takes 1,24 off the principal.
    in.movements = {Payment(D(31, 3, 2021), 50.0), Payment(D(30, 6, 2021), 100.0)};
    const SettlementResult r = ComputeSettlement(in, {Year(2021, 3.0)});
    ExpectRows(r, {{D(1, 1, 2021), D(31, 3, 2021), 90, 1000000, 300, 7397},
                   {D(1, 4, 2021), D(30, 6, 2021), 91, 1000000, 300, 7479},
                   {D(1, 7, 2021), D(31, 12, 2021), 184, 999876, 300, 15121}});
    EXPECT_EQ(Cents(r.totalPayments), 15000);
}

TEST(SettlementMovements, PaymentsLargerThanThePrincipalGiveNegativeInterestRoundedAwayFromZero)
{
    SettlementInput in = Case(1000.0, D(1, 1, 2021), D(31, 12, 2021));
    in.movements = {Payment(D(30, 6, 2021), 3000.0)};
    const SettlementResult r = ComputeSettlement(in, {Year(2021, 3.0)});
    // -2.000 x 184 x 3 / 36500 = -30,2465...
    ExpectRows(r, {{D(1, 1, 2021), D(30, 6, 2021), 181, 100000, 300, 1488},
                   {D(1, 7, 2021), D(31, 12, 2021), 184, -200000, 300, -3025}});
    EXPECT_EQ(TotalsTexts(in, r).total, QStringLiteral("-2.015,37"));
}

TEST(SettlementTypes, EachTypeTakesItsRateFromThePeriod)
{
    const RatePeriod p{D(1, 1, 2021), D(31, 12, 2021), 3.0, 3.75, 3.75 * 1.25};
    EXPECT_EQ(RateFor(0, p, {}), 3.0);
    EXPECT_EQ(RateFor(1, p, {}), 3.75);
    EXPECT_EQ(RateFor(2, p, {}), 20.0);
    EXPECT_EQ(RateFor(3, p, {}), 4.5);
    EXPECT_EQ(RateFor(4, p, QStringLiteral("5,25")), 5.25);
    EXPECT_EQ(RateFor(5, p, {}), 3.75 * 1.25);
    EXPECT_THROW(RateFor(4, p, QStringLiteral("5.25%")), AppError);
    EXPECT_THROW(RateFor(6, p, {}), AppError);
}

TEST(SettlementTypes, FixedAndAgreedRatesStillNeedARatePeriod)
{
    SettlementInput in = Case(10000.0, D(1, 7, 2020), D(30, 6, 2021));
    in.type1 = static_cast<int>(InterestType::Verbal20);
    const std::vector<RatePeriod> only2021{Year(2021, 3.0)};
    ExpectRows(ComputeSettlement(in, only2021), {{D(1, 1, 2021), D(30, 6, 2021), 181, 1000000, 2000, 99178}});

    in.type1 = static_cast<int>(InterestType::Agreed);
    in.agreedRate1 = QStringLiteral("5,5");
    ExpectRows(ComputeSettlement(in, only2021), {{D(1, 1, 2021), D(30, 6, 2021), 181, 1000000, 550, 27274}});

    // Without any rate period the agreed rate is never read.
    in.agreedRate1 = QStringLiteral("abc");
    const SettlementResult none = ComputeSettlement(in, {});
    EXPECT_TRUE(none.rows.empty());
    EXPECT_EQ(none.messages, QStringList{NoRatesMessage});
    EXPECT_THROW(ComputeSettlement(in, only2021), AppError);
}

TEST(SettlementSecondPeriod, BeginsTheDayAfterTheEndAndFollowsTheFirstPeriodsRows)
{
    SettlementInput in = Case(10000.0, D(1, 7, 2020), D(15, 3, 2021));
    in.secondPeriod = true;
    in.secondEnd = D(31, 12, 2022);
    in.type2 = static_cast<int>(InterestType::Judicial);
    in.movements = {Payment(D(16, 3, 2021), 1000.0)};
    const std::vector<RatePeriod> rates{Year(2020, 3.0, 5.0), Year(2021, 3.0, 4.0), Year(2022, 3.0, 4.5)};
    const SettlementResult r = ComputeSettlement(in, rates);
    ExpectRows(r, {{D(1, 7, 2020), D(31, 12, 2020), 184, 1000000, 300, 15082},
                   {D(1, 1, 2021), D(15, 3, 2021), 74, 1000000, 300, 6082},
                   {D(16, 3, 2021), D(16, 3, 2021), 1, 1000000, 400, 110},
                   {D(17, 3, 2021), D(31, 12, 2021), 290, 900000, 400, 28603},
                   {D(1, 1, 2022), D(31, 12, 2022), 365, 900000, 450, 40500}});
    EXPECT_TRUE(r.messages.isEmpty());
}

TEST(SettlementSecondPeriod, EachPeriodWithoutRatesShowsTheMessage)
{
    SettlementInput in = Case(10000.0, D(1, 1, 2030), D(31, 12, 2030));
    in.secondPeriod = true;
    in.secondEnd = D(31, 12, 2031);
    const SettlementResult r = ComputeSettlement(in, {Year(2021, 3.0)});
    EXPECT_EQ(r.messages, (QStringList{NoRatesMessage, NoRatesMessage}));
    EXPECT_TRUE(r.rows.empty());

    // Rates for the first period only: the second period's filter also starts at the start
    // date, so it passes; the days it leaves without rates are named instead.
    in.start = D(1, 1, 2021);
    in.end = D(31, 12, 2021);
    in.secondEnd = D(31, 12, 2022);
    const SettlementResult partial = ComputeSettlement(in, {Year(2021, 3.0)});
    EXPECT_EQ(partial.messages,
              QStringList{QStringLiteral("No existen tipos de intereses para todo el período del 01/01/2022 al 31/12/2022.")});
    EXPECT_EQ(partial.rows.size(), 1u);
}

TEST(SettlementSecondPeriod, AGapInTheRatesIsNamedAfterItsPeriodOnly)
{
    SettlementInput in = Case(10000.0, D(1, 7, 2020), D(30, 6, 2022));
    in.secondPeriod = true;
    in.secondEnd = D(31, 12, 2022);
    struct Expect
    {
        std::vector<RatePeriod> rates;
        QStringList messages;
    };
    const std::vector<Expect> cases{
        {{Year(2020, 3.0), Year(2021, 3.0), Year(2022, 3.0)}, {}},
        // 2021 missing: only the first period is incomplete.
        {{Year(2020, 3.0), Year(2022, 3.0)},
         {QStringLiteral("No existen tipos de intereses para todo el período del 01/07/2020 al 30/06/2022.")}},
        // Rates end before the first period does: both periods are named, first one first.
        {{Year(2020, 3.0), Year(2021, 3.0)},
         {QStringLiteral("No existen tipos de intereses para todo el período del 01/07/2020 al 30/06/2022."),
          QStringLiteral("No existen tipos de intereses para todo el período del 01/07/2022 al 31/12/2022.")}},
        // Rates start within the first period, overlapping ones included.
        {{{D(1, 1, 2021), D(31, 12, 2021), 3.0, 0, 0}, {D(1, 6, 2021), D(31, 12, 2022), 3.0, 0, 0}},
         {QStringLiteral("No existen tipos de intereses para todo el período del 01/07/2020 al 30/06/2022.")}},
    };
    for (const Expect &c : cases)
        EXPECT_EQ(ComputeSettlement(in, c.rates).messages, c.messages);
}

TEST(SettlementModes, DailyRowsUseTheDivisorOfEachDayAcrossYearsAndPeriods)
{
    SettlementInput in = Case(10000.0, D(28, 2, 2020), D(2, 1, 2021));
    in.compound = true;
    in.perPeriodRows = false;
    const SettlementResult r = ComputeSettlement(in, {Year(2020, 3.0), Year(2021, 4.0)});
    ASSERT_EQ(r.rows.size(), 310u); // 28/02/2020 .. 02/01/2021, 29/02 included
    EXPECT_EQ(r.rows[1].desde, D(29, 2, 2020));
    double capital = 10000.0;
    double sum = 0.0;
    for (const SettlementRow &row : r.rows) {
        const bool leap = row.desde.year() == 2020;
        const double rate = leap ? 3.0 : 4.0;
        const double interest = RoundTo2(static_cast<double>(capital * static_cast<long double>(rate) / (leap ? 36600 : 36500)));
        ASSERT_EQ(row.hasta, row.desde);
        ASSERT_EQ(row.capital, capital) << row.desde.toString().toStdString();
        ASSERT_EQ(row.total, interest) << row.desde.toString().toStdString();
        ASSERT_EQ(row.rate, rate);
        capital += interest;
        sum += interest;
    }
    EXPECT_EQ(r.totalInterest, sum);
    EXPECT_EQ(Cents(r.grandTotal), Cents(capital));
}

TEST(SettlementModes, PerPeriodRowsCompoundAcrossRatePeriodsAndMovements)
{
    SettlementInput in = Case(10000.0, D(1, 7, 2020), D(30, 6, 2021));
    in.compound = true;
    in.movements = {Entry(D(31, 12, 2020), 2000.0), Payment(D(31, 3, 2021), 500.0)};
    const SettlementResult r = ComputeSettlement(in, {Year(2020, 3.0), Year(2021, 4.0)});
    ASSERT_EQ(r.rows.size(), 3u);
    double capital = 10000.0;
    const double first = CompoundSum(capital, 3.0, 184, 36600);
    capital += 2000.0;
    const double second = CompoundSum(capital, 4.0, 90, 36500);
    capital -= 500.0;
    const double third = CompoundSum(capital, 4.0, 91, 36500);
    EXPECT_EQ(r.rows[0].total, first);
    EXPECT_EQ(r.rows[1].total, second);
    EXPECT_EQ(r.rows[1].desde, D(1, 1, 2021));
    EXPECT_EQ(r.rows[2].total, third);
    EXPECT_EQ(r.rows[2].desde, D(1, 4, 2021));
    EXPECT_EQ(Cents(r.grandTotal), Cents(10000.0 + first + second + third + 2000.0 - 500.0));
}

TEST(SettlementModes, ImputationNeverMakesACompoundDebtLarger)
{
    // 10.000 over 2021 at 3 %, compound, 100 paid on 30/06: 10.203,01 with or without
    // imputation, since the compounded interest is already part of the principal.
    for (const bool perPeriod : {true, false}) {
        SCOPED_TRACE(perPeriod ? "per-period rows" : "daily rows");
        SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
        in.compound = true;
        in.perPeriodRows = perPeriod;
        in.movements = {Payment(D(30, 6, 2021), 100.0)};
        const SettlementResult plain = ComputeSettlement(in, {Year(2021, 3.0)});
        in.imputePayments = true;
        const SettlementResult imputed = ComputeSettlement(in, {Year(2021, 3.0)});
        EXPECT_EQ(Cents(plain.grandTotal), 1020301);
        EXPECT_EQ(Cents(imputed.grandTotal), 1020301);
        EXPECT_EQ(Cents(imputed.totalInterest), Cents(plain.totalInterest));
    }
}

TEST(SettlementInputErrors, ADayIsNeverChargedTwiceAndBadDatesAreRefused)
{
    SettlementInput in = Case(10000.0, D(1, 1, 2021), D(31, 12, 2021));
    const SettlementResult r = ComputeSettlement(in, {{D(1, 1, 2021), D(30, 6, 2021), 3.0, 0, 0},
                                                       {D(1, 3, 2021), D(31, 12, 2021), 3.0, 0, 0}});
    ExpectRows(r, {{D(1, 1, 2021), D(30, 6, 2021), 181, 1000000, 300, 14877},
                   {D(1, 7, 2021), D(31, 12, 2021), 184, 1000000, 300, 15123}});

    const SettlementResult unordered = ComputeSettlement(Case(10000.0, D(1, 1, 2021), D(31, 12, 2022)),
                                                         {Year(2022, 4.0), Year(2021, 3.0)});
    ExpectRows(unordered, {{D(1, 1, 2021), D(31, 12, 2021), 365, 1000000, 300, 30000},
                           {D(1, 1, 2022), D(31, 12, 2022), 365, 1000000, 400, 40000}});

    in.movements = {Payment(QDate(), 10.0)};
    EXPECT_THROW(ComputeSettlement(in, {Year(2021, 3.0)}), AppError);
    in.movements.clear();
    in.end = QDate();
    EXPECT_THROW(ComputeSettlement(in, {Year(2021, 3.0)}), AppError);
}

TEST(SettlementDates, TheChecksOfTheViewButtonComeInOrder)
{
    SettlementInput in = Case(10000.0, D(1, 1, 2021), D(1, 1, 2021));
    in.secondPeriod = true;
    in.secondEnd = D(1, 1, 2021);
    auto refusal = CheckSettlementDates(in);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, QStringLiteral("La fecha de inicio del segundo período no puede ser posterior a la fecha final."));
    EXPECT_EQ(refusal->focus, QStringLiteral("DateHASTA2"));

    in.secondPeriod = false;
    refusal = CheckSettlementDates(in);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, QStringLiteral("La fecha final del primer período no puede ser igual o anterior a la fecha inicial."));
    EXPECT_EQ(refusal->focus, QStringLiteral("DateDESDE1"));

    in.end = D(2, 1, 2021);
    EXPECT_FALSE(CheckSettlementDates(in));
    in.secondPeriod = true;
    EXPECT_TRUE(CheckSettlementDates(in));
    in.secondEnd = D(3, 1, 2021);
    EXPECT_FALSE(CheckSettlementDates(in));
}
