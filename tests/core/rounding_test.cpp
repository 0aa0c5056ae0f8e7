#include "core/rounding.h"
#include "core/amount_limit.h"
#include "core/errors.h"

#include <gtest/gtest.h>

namespace {

// Compare in cents: the results are decimal amounts stored as the nearest double.
long long Cents(double x)
{
    return std::llround(x * 100.0);
}

struct RoundCase
{
    const char *label;
    double input;
    double expected;
};

} // namespace

TEST(RoundTo2, DecidesOnTheThirdDecimalOfTheStoredDouble)
{
    const RoundCase cases[] = {
        {"2.675 is stored just below the half", 2.675, 2.67},
        {"2.345 is stored just above the half", 2.345, 2.35},
        {"1.005 is stored just below the half", 1.005, 1.00},
        {"10.345 is stored just above the half", 10.345, 10.35},
        {"0.285 is stored just below the half", 0.285, 0.28},
        {"further decimals are dropped, not rounded", 2.3449, 2.34},
        {"just over the half", 2.3451, 2.35},
        {"1.0049 truncates", 1.0049, 1.00},
        {"1.0051 rounds up", 1.0051, 1.01},
        {"0,0049999 gives 0,00", 0.0049999, 0.00},
        {"0,005 gives 0,01", 0.005, 0.01},
        {"9,995 is stored below the half", 9.995, 9.99},
        {"carry into the units", 9.9951, 10.00},
        {"worked example: 181 days of 10.000 at 3 %", 181.0 * 10000.0 * 3.0 / 36500.0, 148.77},
        {"worked example: 184 days of 9.000 at 3 %", 184.0 * 9000.0 * 3.0 / 36500.0, 136.11},
        {"large amount, stored below the half", 12345678.915, 12345678.91},
        {"large amount, above the half", 12345678.9151, 12345678.92},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Cents(RoundTo2(c.input)), Cents(c.expected)) << c.label;
}

TEST(RoundTo2, NegativeAmountsRoundByTheirMagnitude)
{
    EXPECT_EQ(Cents(RoundTo2(-0.005)), -1);
    EXPECT_EQ(Cents(RoundTo2(-2.3451)), -235);
    EXPECT_EQ(Cents(RoundTo2(-1.0051)), -101);
    EXPECT_EQ(Cents(RoundTo2(-1.235)), -124);
}

TEST(RoundTo2, ResultIsTheNearestDoubleOfTheDecimalAmount)
{
    EXPECT_EQ(RoundTo2(2.675), 2.67);
    EXPECT_EQ(RoundTo2(10.345), 10.35);
    EXPECT_EQ(RoundTo2(0.1 + 0.2), 0.3);
}

TEST(RoundTo2, NeverGivesNegativeZero)
{
    EXPECT_FALSE(std::signbit(RoundTo2(-0.004)));
    EXPECT_FALSE(std::signbit(RoundTo2(-0.0)));
}

TEST(RoundTo2, HugeAndNonFiniteValuesPassThrough)
{
    EXPECT_EQ(RoundTo2(1e300), 1e300);
    EXPECT_TRUE(std::isinf(RoundTo2(INFINITY)));
    EXPECT_TRUE(std::isnan(RoundTo2(NAN)));
}

TEST(RoundToInt, HalvesGoAwayFromZero)
{
    EXPECT_EQ(RoundToInt(2.5), 3);
    EXPECT_EQ(RoundToInt(-2.5), -3);
    EXPECT_EQ(RoundToInt(2.4999999), 2);
    EXPECT_EQ(RoundToInt(-2.4999999), -2);
    EXPECT_EQ(RoundToInt(166386.0), 166386);
    // 0.49999999999999994 + 0.5 would round to 1 in double arithmetic: the exact value decides.
    EXPECT_EQ(RoundToInt(0.49999999999999994), 0);
    EXPECT_EQ(RoundToInt(1000.0 * 166.386), 166386);
}

TEST(AmountInRange, RefusesBeyondTheLargestRealAmountAndNonFinite)
{
    EXPECT_TRUE(AmountInRange(999999999999.99));
    EXPECT_TRUE(AmountInRange(-999999999999.99));
    EXPECT_TRUE(AmountInRange(0.0));
    EXPECT_FALSE(AmountInRange(1000000000000.0));
    EXPECT_FALSE(AmountInRange(1e308));
    EXPECT_FALSE(AmountInRange(INFINITY));
    EXPECT_FALSE(AmountInRange(NAN));
    try {
        CheckAmountInRange(1e308);
        FAIL() << "no refusal";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("El importe es demasiado grande."));
    }
}
