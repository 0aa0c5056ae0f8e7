#include "core/number_text.h"

#include <gtest/gtest.h>

namespace {

struct TextCase
{
    const char *label;
    double input;
    const char *expected;
};

void ExpectTexts(const std::vector<TextCase> &cases, const std::function<QString(double)> &format)
{
    for (const auto &c : cases)
        EXPECT_EQ(format(c.input).toStdString(), std::string(c.expected)) << c.label;
}

} // namespace

TEST(FormatThousands2, ThousandsPointAndDecimalComma)
{
    ExpectTexts({{"zero", 0.0, "0,00"},
                 {"small", 1.5, "1,50"},
                 {"thousands", 1234.5, "1.234,50"},
                 {"millions", 12345678.91, "12.345.678,91"},
                 {"negative", -10300.0, "-10.300,00"},
                 {"no negative zero", -0.004, "0,00"},
                 {"half cent rounds away from zero", 0.125, "0,13"},
                 {"stored below the half", 2.675, "2,67"},
                 {"carry", 999.999, "1.000,00"},
                 {"below one", 0.07, "0,07"}},
                FormatThousands2);
}

TEST(FormatThousands2Digits, NineSignificantDigitsForPrintouts)
{
    const auto nine = [](double v) { return FormatThousands2Digits(v, 9); };
    ExpectTexts({{"eight integer digits keep one decimal", 12345678.91, "12.345.678,90"},
                 {"nine integer digits keep none", 123456789.12, "123.456.789,00"},
                 {"more digits go to exponent form", 12345678901.0, "1,23456789E10"},
                 {"small amounts are whole", 284.88, "284,88"},
                 {"peseta amount", 166386.0, "166.386,00"}},
                nine);
}

TEST(FormatThousands2Digits, FifteenSignificantDigitsForTheView)
{
    const auto fifteen = [](double v) { return FormatThousands2Digits(v, 15); };
    ExpectTexts({{"view total", 9284.88, "9.284,88"},
                 {"rounded to 15 digits first", 2.675, "2,68"},
                 {"large", 12345678.91, "12.345.678,91"}},
                fifteen);
}

TEST(FormatGeneral, FifteenSignificantDigitsNoThousands)
{
    ExpectTexts({{"single precision 2.3", static_cast<double>(2.3f), "2,29999995231628"},
                 {"whole", 3.0, "3"},
                 {"decimals", 3.75, "3,75"},
                 {"thousands not grouped", 12345.5, "12345,5"},
                 {"zero", 0.0, "0"},
                 {"negative", -0.5, "-0,5"},
                 {"tiny goes to exponent form", 0.0000015, "1,5E-6"},
                 {"huge goes to exponent form", 1e20, "1E20"},
                 {"smallest fixed value", 0.00001, "0,00001"}},
                FormatGeneral);
}

TEST(FormatUpTo2Decimals, FeeTextOfANumericEdit)
{
    ExpectTexts({{"half cent of a stored value just below", 1234.565, "1234,57"},
                 {"cents kept", 1500.25, "1500,25"},
                 {"whole", 300.0, "300"},
                 {"one decimal", 620.6, "620,6"},
                 {"zero", 0.0, "0"},
                 {"no negative zero", -0.004, "0"},
                 {"negative", -12.345, "-12,35"},
                 {"carry", 999.999, "1000"},
                 {"large", 999999999999.99, "999999999999,99"}},
                FormatUpTo2Decimals);
}

TEST(FormatRatePercent, UpToThreeDecimals)
{
    ExpectTexts({{"two decimals", 3.75, "3,75 %"},
                 {"whole", 3.0, "3 %"},
                 {"three decimals", 4.0625, "4,063 %"},
                 {"zero", 0.0, "0 %"}},
                FormatRatePercent);
}

TEST(ParseSpanishNumber, ReadsTheDecimalComma)
{
    EXPECT_EQ(ParseSpanishNumber(QStringLiteral("16,00")), 16.0);
    EXPECT_EQ(ParseSpanishNumber(QStringLiteral(" 3,75 ")), 3.75);
    EXPECT_EQ(ParseSpanishNumber(QStringLiteral("-2")), -2.0);
    EXPECT_EQ(ParseSpanishNumber(QStringLiteral(",5")), 0.5);
    EXPECT_EQ(ParseSpanishNumber(QStringLiteral("1,5E3")), 1500.0);
}

TEST(ParseSpanishNumber, RefusesWhatIsNotANumber)
{
    for (const char *bad : {"", "abc", "1.5", "1.000,00", "1,2,3", "--1", "1e", "3 %", "inf", "nan"})
        EXPECT_FALSE(ParseSpanishNumber(QString::fromLatin1(bad)).has_value()) << bad;
}
