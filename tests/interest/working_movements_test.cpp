#include "core/date_text.h"
#include "core/errors.h"
#include "interest/working_movements.h"
#include "interest/working_movements_model.h"
#include "store/sql.h"
#include "support/app_fixture.h"
#include "support/dates.h"

#include <QSqlRecord>

#include <gtest/gtest.h>

namespace {

QStringList Texts(const std::vector<QDate> &dates)
{
    QStringList texts;
    for (const QDate &d : dates)
        texts << FormatDate(d);
    return texts;
}

PeriodicSeries Monthly(int count, int month, int year, PeriodicSeries::Day day, int dayNumber = 1)
{
    PeriodicSeries s;
    s.count = count;
    s.month = month;
    s.year = year;
    s.day = day;
    s.dayNumber = dayNumber;
    return s;
}

class WorkingMovements : public ::testing::Test
{
protected:
    QSqlDatabase db() const { return app.store.database(Alias::Devenix); }

    AppFixture app;
};

} // namespace

TEST(PeriodicDates, LastDayOfEachMonthFromDecemberIntoTheNextYear)
{
    EXPECT_EQ(Texts(PeriodicDates(Monthly(12, 12, 2021, PeriodicSeries::Day::Last))),
              (QStringList{QStringLiteral("31/12/2021"), QStringLiteral("31/01/2022"), QStringLiteral("28/02/2022"),
                           QStringLiteral("31/03/2022"), QStringLiteral("30/04/2022"), QStringLiteral("31/05/2022"),
                           QStringLiteral("30/06/2022"), QStringLiteral("31/07/2022"), QStringLiteral("31/08/2022"),
                           QStringLiteral("30/09/2022"), QStringLiteral("31/10/2022"), QStringLiteral("30/11/2022")}));
}

TEST(PeriodicDates, ATypedDayThatIsNoDateFallsOnTheMonthsLastDay)
{
    EXPECT_EQ(Texts(PeriodicDates(Monthly(3, 2, 2022, PeriodicSeries::Day::Number, 31))),
              (QStringList{QStringLiteral("28/02/2022"), QStringLiteral("31/03/2022"), QStringLiteral("30/04/2022")}));
    EXPECT_EQ(Texts(PeriodicDates(Monthly(1, 2, 2024, PeriodicSeries::Day::Number, 30))),
              QStringList{QStringLiteral("29/02/2024")});
    EXPECT_EQ(Texts(PeriodicDates(Monthly(1, 12, 2023, PeriodicSeries::Day::Number, 40))),
              QStringList{QStringLiteral("31/12/2023")});
    EXPECT_EQ(Texts(PeriodicDates(Monthly(2, 11, 2023, PeriodicSeries::Day::Fifteenth))),
              (QStringList{QStringLiteral("15/11/2023"), QStringLiteral("15/12/2023")}));
    EXPECT_EQ(Texts(PeriodicDates(Monthly(2, 12, 2023, PeriodicSeries::Day::First))),
              (QStringList{QStringLiteral("01/12/2023"), QStringLiteral("01/01/2024")}));
}

TEST_F(WorkingMovements, PeriodicSeriesAddsOntoItsOwnKindAndStopsAtTheOtherKind)
{
    AddWorkingMovement(db(), {D(1, 2, 2022), 10.0, PaymentKind});
    AddWorkingMovement(db(), {D(1, 4, 2022), 7.0, EntryKind});

    PeriodicSeries s = Monthly(6, 1, 2022, PeriodicSeries::Day::First);
    s.amount = 100.5;
    const PeriodicOutcome outcome = AddPeriodicMovements(db(), s);
    EXPECT_EQ(outcome.posted, 3);
    ASSERT_TRUE(outcome.refusedAt.has_value());
    EXPECT_EQ(*outcome.refusedAt, D(1, 4, 2022));

    const std::vector<Movement> expected = {{D(1, 1, 2022), 100.5, PaymentKind},
                                            {D(1, 2, 2022), 110.5, PaymentKind},
                                            {D(1, 3, 2022), 100.5, PaymentKind},
                                            {D(1, 4, 2022), 7.0, EntryKind}};
    EXPECT_EQ(LoadWorkingMovements(db()), expected);

    // A series that would take a movement past the largest amount posts nothing.
    s = Monthly(2, 2, 2022, PeriodicSeries::Day::First);
    s.amount = 999999999999.0;
    EXPECT_THROW(AddPeriodicMovements(db(), s), AppError);
    EXPECT_EQ(LoadWorkingMovements(db()), expected);
}

TEST_F(WorkingMovements, DeletingOneKindLeavesTheOther)
{
    AddWorkingMovement(db(), {D(1, 1, 2022), 1.0, PaymentKind});
    AddWorkingMovement(db(), {D(2, 1, 2022), 2.0, EntryKind});
    AddWorkingMovement(db(), {D(3, 1, 2022), 3.0, PaymentKind});
    DeleteWorkingMovementsOfKind(db(), PaymentKind);
    EXPECT_EQ(LoadWorkingMovements(db()), (std::vector<Movement>{{D(2, 1, 2022), 2.0, EntryKind}}));
    EXPECT_EQ(CountWorkingMovements(db(), EntryKind), 1);
    EXPECT_EQ(CountWorkingMovements(db(), PaymentKind), 0);
}

TEST_F(WorkingMovements, ADateHoldsOneMovementOfEitherKind)
{
    AddWorkingMovement(db(), {D(1, 1, 2022), 1.0, PaymentKind});
    try {
        AddWorkingMovement(db(), {D(1, 1, 2022), 2.0, EntryKind});
        FAIL() << "a second movement on one date was stored";
    } catch (const StoreError &e) {
        EXPECT_EQ(e.code(), StoreCode::KeyViolation);
    }
    AddWorkingMovement(db(), {D(2, 1, 2022), 2.0, EntryKind});
    EXPECT_THROW(UpdateWorkingMovement(db(), D(2, 1, 2022), {D(1, 1, 2022), 2.0, EntryKind}), StoreError);
    EXPECT_THROW(UpdateWorkingMovement(db(), D(9, 9, 2022), {D(9, 9, 2022), 2.0, EntryKind}), StoreError);
}

TEST_F(WorkingMovements, ReplacingIsAllOrNothing)
{
    AddWorkingMovement(db(), {D(1, 1, 2022), 1.0, PaymentKind});
    const std::vector<Movement> twice = {{D(5, 5, 2022), 1.0, PaymentKind}, {D(5, 5, 2022), 2.0, EntryKind}};
    EXPECT_THROW(ReplaceWorkingMovements(db(), twice), StoreError);
    EXPECT_EQ(LoadWorkingMovements(db()), (std::vector<Movement>{{D(1, 1, 2022), 1.0, PaymentKind}}));
}

TEST_F(WorkingMovements, AnotherProgramOnTheSameDataNeitherSeesNorEmptiesThem)
{
    AddWorkingMovement(db(), {D(1, 1, 2022), 1.0, PaymentKind});
    DataStore other(QStringLiteral("other-program-"));
    other.connectMain(app.install.path());
    other.OpenWorkTables();
    EXPECT_TRUE(LoadWorkingMovements(other.database(Alias::Devenix)).empty());
    AddWorkingMovement(other.database(Alias::Devenix), {D(1, 1, 2022), 9.0, EntryKind});
    EXPECT_EQ(LoadWorkingMovements(db()), (std::vector<Movement>{{D(1, 1, 2022), 1.0, PaymentKind}}));
}

TEST_F(WorkingMovements, ModelShowsSpanishTextsAndListsItsKindOnly)
{
    AddWorkingMovement(db(), {D(3, 1, 2022), 1234.5, PaymentKind});
    AddWorkingMovement(db(), {D(1, 1, 2022), 7.0, EntryKind});
    WorkingMovementsModel model(db(), PaymentKind);
    model.setDateTitle(QStringLiteral("Fecha Pago"));
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.headerData(model.fechaColumn(), Qt::Horizontal).toString(), QStringLiteral("Fecha Pago"));
    EXPECT_EQ(model.headerData(model.importeColumn(), Qt::Horizontal).toString(), QStringLiteral("Importe"));
    EXPECT_EQ(model.index(0, model.fechaColumn()).data().toString(), QStringLiteral("03/01/2022"));
    EXPECT_EQ(model.index(0, model.importeColumn()).data().toString(), QStringLiteral("1.234,50"));
    EXPECT_EQ(model.index(0, model.importeColumn()).data(WorkingMovementsModel::EditTextRole).toString(), QStringLiteral("1234,5"));
}

TEST_F(WorkingMovements, ModelRefusesTextThatIsNoDateOrAmount)
{
    WorkingMovementsModel model(db(), PaymentKind);
    const int row = model.appendMovement(D(1, 1, 2022), PaymentKind);
    EXPECT_FALSE(model.setData(model.index(row, model.fechaColumn()), QStringLiteral("31/02/2022")));
    EXPECT_FALSE(model.setData(model.index(row, model.importeColumn()), QStringLiteral("12a")));
    EXPECT_FALSE(model.setData(model.index(row, model.importeColumn()), QStringLiteral("1E400")));
    // Readable but not right: refused with the reason the grid shows.
    const std::pair<int, const char *> refused[] = {
        {model.importeColumn(), "0"}, {model.importeColumn(), "-3"}, {model.fechaColumn(), "01/01/2100"}};
    for (const auto &[column, text] : refused) {
        EXPECT_FALSE(model.setData(model.index(row, column), QString::fromLatin1(text))) << text;
        EXPECT_FALSE(model.lastRefusal().isEmpty()) << text;
    }
    EXPECT_TRUE(model.setData(model.index(row, model.importeColumn()), QStringLiteral("1.500,25")));
    ASSERT_TRUE(model.submitAll());
    EXPECT_EQ(LoadWorkingMovements(db()), (std::vector<Movement>{{D(1, 1, 2022), 1500.25, PaymentKind}}));
}

TEST_F(WorkingMovements, ModelPostsNewAndChangedRowsAndTellsWhyOneIsRefused)
{
    AddWorkingMovement(db(), {D(10, 1, 2022), 5.0, EntryKind});
    WorkingMovementsModel model(db(), PaymentKind);

    int row = model.appendMovement(D(10, 1, 2022), PaymentKind);
    EXPECT_TRUE(model.rowIsNew(row));
    EXPECT_FALSE(model.submitAll());
    EXPECT_EQ(model.lastFailure(), WorkingMovementsModel::Failure::MissingAmount);
    EXPECT_EQ(model.lastFailureMessage(), QStringLiteral("Es necesario introducir el importe del movimiento."));

    ASSERT_TRUE(model.setData(model.index(row, model.importeColumn()), 20.0));
    EXPECT_FALSE(model.submitAll());
    EXPECT_EQ(model.lastFailure(), WorkingMovementsModel::Failure::DuplicateDate);
    EXPECT_EQ(model.lastFailureMessage(), QStringLiteral("Ya existe un pago o un entrada con esa fecha."));

    ASSERT_TRUE(model.setData(model.index(row, model.fechaColumn()), QStringLiteral("11/01/2022")));
    ASSERT_TRUE(model.submitAll());
    row = model.rowOfDate(D(11, 1, 2022));
    ASSERT_GE(row, 0);
    EXPECT_FALSE(model.rowIsNew(row));

    // A stored movement moved to another date keeps its amount.
    ASSERT_TRUE(model.setData(model.index(row, model.fechaColumn()), D(12, 1, 2022)));
    ASSERT_TRUE(model.submitAll());
    EXPECT_EQ(LoadWorkingMovements(db()),
              (std::vector<Movement>{{D(10, 1, 2022), 5.0, EntryKind}, {D(12, 1, 2022), 20.0, PaymentKind}}));
}
