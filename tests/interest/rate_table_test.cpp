#include "core/errors.h"
#include "interest/print_qt.h"
#include "interest/rate_table.h"
#include "store/sql.h"
#include "support/app_fixture.h"
#include "support/dates.h"

#include <gtest/gtest.h>

namespace {

RatePeriod P(QDate desde, QDate hasta, double lega = 3.0)
{
    return {desde, hasta, lega, lega, lega};
}

} // namespace

TEST(CheckNewRatePeriod, RefusesInTheOrderOfTheAddDialog)
{
    const std::vector<RatePeriod> existing{P(D(1, 1, 2021), D(30, 6, 2021)), P(D(1, 5, 2022), D(31, 5, 2022))};
    struct Case
    {
        const char *label;
        QDate desde;
        QDate hasta;
        RatePeriodCheck expected;
    } cases[] = {
        {"a whole free year", D(1, 1, 2023), D(31, 12, 2023), RatePeriodCheck::Accepted},
        {"one day", D(1, 7, 2021), D(1, 7, 2021), RatePeriodCheck::Accepted},
        {"right after an existing period", D(1, 7, 2021), D(31, 12, 2021), RatePeriodCheck::Accepted},
        {"end before start, also across years", D(1, 1, 2023), D(31, 12, 2022), RatePeriodCheck::EndBeforeStart},
        {"across the new year", D(15, 12, 2021), D(15, 1, 2022), RatePeriodCheck::YearsDiffer},
        {"years are checked before overlaps", D(15, 5, 2022), D(15, 1, 2023), RatePeriodCheck::YearsDiffer},
        {"start on an existing last day", D(30, 6, 2021), D(31, 12, 2021), RatePeriodCheck::StartInside},
        {"end inside an existing period", D(1, 3, 2022), D(15, 5, 2022), RatePeriodCheck::EndInside},
        {"encloses an existing period", D(1, 3, 2022), D(30, 6, 2022), RatePeriodCheck::EnclosesExisting},
        {"encloses it exactly", D(1, 5, 2022), D(31, 5, 2022), RatePeriodCheck::StartInside},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CheckNewRatePeriod(existing, c.desde, c.hasta), c.expected) << c.label;
}

TEST(CheckNewRatePeriod, MessagesAreTheDialogs)
{
    EXPECT_EQ(RatePeriodCheckMessage(RatePeriodCheck::EndBeforeStart),
              QStringLiteral("La fecha final es inferior a la fecha inicial."));
    EXPECT_EQ(RatePeriodCheckMessage(RatePeriodCheck::YearsDiffer),
              QStringLiteral("El año de la fecha final no coincide con el año de la fecha inicial."));
    EXPECT_EQ(RatePeriodCheckMessage(RatePeriodCheck::StartInside),
              QStringLiteral("La fecha inicial ya está incluida en un período de intereses."));
    EXPECT_EQ(RatePeriodCheckMessage(RatePeriodCheck::EndInside), RatePeriodCheckMessage(RatePeriodCheck::StartInside));
    EXPECT_EQ(RatePeriodCheckMessage(RatePeriodCheck::EnclosesExisting),
              QStringLiteral("El período introducido incluye un período de intereses ya existente."));
}

class RateTableStore : public ::testing::Test
{
protected:
    void SetUp() override { RunSql(db(), QStringLiteral("DELETE FROM Interes")); }
    QSqlDatabase db() const { return app.store.database(Alias::Devenix); }

    AppFixture app;
};

TEST_F(RateTableStore, AddsChecksAgainstTheStoredPeriodsAndReadsThemInOrder)
{
    EXPECT_EQ(AddRatePeriod(db(), {D(1, 7, 2021), D(31, 12, 2021), 3.0, 3.75, 150.0}), RatePeriodCheck::Accepted);
    EXPECT_EQ(AddRatePeriod(db(), P(D(1, 1, 2021), D(30, 6, 2021))), RatePeriodCheck::Accepted);
    EXPECT_EQ(AddRatePeriod(db(), P(D(1, 1, 2021), D(31, 12, 2021))), RatePeriodCheck::StartInside);
    const std::vector<RatePeriod> periods = LoadRatePeriods(db());
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_EQ(periods[0].desde, D(1, 1, 2021));
    EXPECT_EQ(periods[1], (RatePeriod{D(1, 7, 2021), D(31, 12, 2021), 3.0, 3.75, 150.0}));
}

TEST_F(RateTableStore, LegalAndJudicialRatesMustLieWithin0And100)
{
    try {
        AddRatePeriod(db(), {D(1, 1, 2021), D(31, 12, 2021), 100.5, 3.0, 3.0});
        FAIL() << "accepted a legal rate above 100";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("El Interés Legal debe estar entre 0 y 100."));
    }
    EXPECT_THROW(AddRatePeriod(db(), {D(1, 1, 2021), D(31, 12, 2021), 3.0, -0.5, 3.0}), AppError);
    EXPECT_TRUE(LoadRatePeriods(db()).empty());

    ASSERT_EQ(AddRatePeriod(db(), {D(1, 1, 2021), D(31, 12, 2021), 0.0, 100.0, 250.0}), RatePeriodCheck::Accepted);
    EXPECT_THROW(UpdateRatePeriodRates(db(), D(1, 1, 2021), 3.0, 101.0, 3.0), AppError);
    UpdateRatePeriodRates(db(), D(1, 1, 2021), 4.0, 4.5, 300.0);
    EXPECT_EQ(LoadRatePeriods(db()).at(0), (RatePeriod{D(1, 1, 2021), D(31, 12, 2021), 4.0, 4.5, 300.0}));
}

TEST_F(RateTableStore, ChangingAVanishedPeriodIsTheDeletedByAnotherUserOutcome)
{
    ASSERT_EQ(AddRatePeriod(db(), P(D(1, 1, 2021), D(31, 12, 2021))), RatePeriodCheck::Accepted);
    EXPECT_TRUE(RatePeriodExists(db(), D(1, 1, 2021)));
    DeleteRatePeriod(db(), D(1, 1, 2021));
    EXPECT_FALSE(RatePeriodExists(db(), D(1, 1, 2021)));
    try {
        UpdateRatePeriodRates(db(), D(1, 1, 2021), 3.0, 3.0, 3.0);
        FAIL() << "updated a period that is gone";
    } catch (const StoreError &e) {
        EXPECT_EQ(e.code(), StoreCode::DeletedByOther);
    }
}
