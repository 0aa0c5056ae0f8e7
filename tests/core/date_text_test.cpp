#include "core/date_text.h"

#include <gtest/gtest.h>

TEST(FormatDate, TwoDigitDayAndMonthFourDigitYear)
{
    EXPECT_EQ(FormatDate(QDate(2021, 6, 30)), QStringLiteral("30/06/2021"));
    EXPECT_EQ(FormatDate(QDate(2026, 1, 2)), QStringLiteral("02/01/2026"));
    EXPECT_EQ(FormatDate(QDate()), QString());
}

TEST(ParseDate, IsStrict)
{
    EXPECT_EQ(ParseDate(QStringLiteral("30/06/2021")), QDate(2021, 6, 30));
    EXPECT_EQ(ParseDate(QStringLiteral("1/2/2021")), QDate(2021, 2, 1));
    EXPECT_EQ(ParseDate(QStringLiteral("29/02/2020")), QDate(2020, 2, 29));
    for (const char *bad : {"31/02/2021", "29/02/2021", "00/01/2021", "01/13/2021", "2021-01-01", "01/01/21",
                            "  /  /    ", "", "31-12-2021", "1/1/2021x"})
        EXPECT_FALSE(ParseDate(QString::fromLatin1(bad)).isValid()) << bad;
}

TEST(FormatLongDate, SpanishMonthInLowerCase)
{
    EXPECT_EQ(FormatLongDate(QDate(2026, 12, 9)), QStringLiteral("09 de diciembre de 2026"));
    EXPECT_EQ(FormatLongDate(QDate(2021, 3, 15)), QStringLiteral("15 de marzo de 2021"));
}

TEST(SpanishMonthName, OneToTwelveOnly)
{
    EXPECT_EQ(SpanishMonthName(3), QStringLiteral("Marzo"));
    EXPECT_EQ(SpanishMonthName(12), QStringLiteral("Diciembre"));
    EXPECT_TRUE(SpanishMonthName(0).isEmpty());
    EXPECT_TRUE(SpanishMonthName(13).isEmpty());
}

TEST(IsoDates, RoundTrip)
{
    EXPECT_EQ(DateToIso(QDate(2021, 6, 30)), QStringLiteral("2021-06-30"));
    EXPECT_EQ(DateFromIso(QStringLiteral("2021-06-30")), QDate(2021, 6, 30));
    EXPECT_TRUE(DateToIso(QDate()).isEmpty());
}
