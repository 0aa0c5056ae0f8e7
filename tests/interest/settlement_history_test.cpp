#include "interest/history_list_model.h"
#include "interest/settlement_engine.h"
#include "interest/settlement_history.h"
#include "interest/settlement_json.h"
#include "store/sql.h"
#include "support/app_fixture.h"
#include "support/dates.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

namespace {

SettlementInput SecondPeriodCase()
{
    SettlementInput in;
    in.principal = 10000.0;
    in.start = D(1, 1, 2021);
    in.end = D(30, 6, 2021);
    in.secondPeriod = true;
    in.secondEnd = D(31, 12, 2021);
    in.type1 = static_cast<int>(InterestType::VerbalLegal50);
    in.type2 = static_cast<int>(InterestType::Agreed);
    in.agreedRate1 = QStringLiteral("9");
    in.agreedRate2 = QStringLiteral("4,25");
    in.compound = true;
    in.currency = QStringLiteral("Pta");
    in.movements = {{D(30, 9, 2021), 500.0, QStringLiteral("E")}, {D(30, 3, 2021), 1000.0, QStringLiteral("P")}};
    return in;
}

HistoryHeader Header(const QString &numAsunto, const QString &descripcion = {}, const QDate &fecha = D(5, 5, 2025))
{
    return {numAsunto, fecha, descripcion, QStringLiteral("nota")};
}

const std::vector<RatePeriod> Rates2021 = {{D(1, 1, 2021), D(31, 12, 2021), 3.0, 3.75, 3.75}};

class History : public ::testing::Test
{
protected:
    QSqlDatabase db() const { return app.store.database(Alias::Historico); }
    int count(const char *sql, const QString &numAsunto) const
    {
        return Scalar(db(), QString::fromLatin1(sql), {numAsunto}).toInt();
    }
    void store(const QString &numAsunto, const QString &descripcion = {}, const QDate &fecha = D(5, 5, 2025))
    {
        StoreSettlement(db(), StoredFromInput(Header(numAsunto, descripcion, fecha), SecondPeriodCase()));
    }

    AppFixture app;
};

} // namespace

TEST(StoredFromInput, WritesTheSecondPeriodAndAgreedRatesOnlyWhereTheyApply)
{
    StoredSettlement s = StoredFromInput(Header(QStringLiteral("  12/2021 ")), SecondPeriodCase());
    EXPECT_EQ(s.header.numAsunto, QStringLiteral("12/2021"));
    EXPECT_EQ(s.tipoInteres1, QStringLiteral("Interés Verbal Auto. (Legal +50%)"));
    EXPECT_TRUE(s.interes1.isEmpty());
    EXPECT_EQ(s.desde2, D(1, 7, 2021));
    EXPECT_EQ(s.hasta2, D(31, 12, 2021));
    EXPECT_EQ(s.tipoInteres2, QStringLiteral("Interés Pactado"));
    EXPECT_EQ(s.interes2, QStringLiteral("4,25"));
    EXPECT_EQ(s.tipo, QStringLiteral("I"));
    EXPECT_EQ(s.moneda, QStringLiteral("Pta"));
    EXPECT_EQ(s.movements.front().date, D(30, 3, 2021)); // in date order

    SettlementInput off = SecondPeriodCase();
    off.secondPeriod = false;
    off.type1 = static_cast<int>(InterestType::Agreed);
    s = StoredFromInput(Header(QStringLiteral("1")), off);
    EXPECT_EQ(s.interes1, QStringLiteral("9"));
    EXPECT_FALSE(s.desde2.isValid());
    EXPECT_FALSE(s.hasta2.isValid());
    EXPECT_TRUE(s.tipoInteres2.isEmpty());
    EXPECT_TRUE(s.interes2.isEmpty());
}

TEST_F(History, StoresTheRecordAndItsMovementsAndReadsThemBack)
{
    const StoredSettlement stored = StoredFromInput(Header(QStringLiteral("12/2021"), QStringLiteral("Pérez")), SecondPeriodCase());
    StoreSettlement(db(), stored);
    const auto loaded = LoadStoredSettlement(db(), QStringLiteral("12/2021"));
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, stored);
    EXPECT_TRUE(StoredSettlementExists(db(), QStringLiteral("12/2021")));
    EXPECT_FALSE(LoadStoredSettlement(db(), QStringLiteral("13/2021")).has_value());

    // Blank fields are stored as nothing, not as empty texts.
    SettlementInput off = SecondPeriodCase();
    off.secondPeriod = false;
    StoreSettlement(db(), StoredFromInput({QStringLiteral("7"), {}, {}, {}}, off));
    EXPECT_EQ(count("SELECT count(*) FROM Cabecera WHERE NumAsunto = ? AND Desde2 IS NULL AND Hasta2 IS NULL"
                    " AND TipoInteres2 IS NULL AND Interes2 IS NULL AND Interes1 IS NULL AND Fecha IS NULL",
                    QStringLiteral("7")),
              1);
}

TEST_F(History, EmptyAndTakenCaseNumbersAreRefusedAndNothingChanges)
{
    store(QStringLiteral("A-1"));
    try {
        StoreSettlement(db(), StoredFromInput(Header(QStringLiteral("A-1")), SettlementInput{}));
        FAIL() << "a case number was stored twice";
    } catch (const HistoryRefusal &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Ya existe una liquidación con ese Núm. de Asunto."));
    }
    EXPECT_EQ(count("SELECT count(*) FROM Pagos WHERE NumAsunto = ?", QStringLiteral("A-1")), 2);
    EXPECT_EQ(LoadStoredSettlement(db(), QStringLiteral("A-1"))->capital, 10000.0);

    try {
        StoreSettlement(db(), StoredFromInput(Header(QStringLiteral("   ")), SecondPeriodCase()));
        FAIL() << "an empty case number was stored";
    } catch (const HistoryRefusal &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Es necesario rellenar el campo Núm. Asunto."));
    }
    EXPECT_THROW(store(QString(21, QLatin1Char('9'))), HistoryRefusal);
    EXPECT_THROW(store(QStringLiteral("B"), QString(81, QLatin1Char('x'))), HistoryRefusal);
    EXPECT_EQ(Scalar(db(), QStringLiteral("SELECT count(*) FROM Cabecera")).toInt(), 1);
}

TEST_F(History, AFailureWhileCopyingMovementsLeavesNoSettlementBehind)
{
    SettlementInput broken = SecondPeriodCase();
    broken.movements.push_back({D(30, 3, 2021), 1.0, QStringLiteral("E")}); // the same date twice
    EXPECT_THROW(StoreSettlement(db(), StoredFromInput(Header(QStringLiteral("X")), broken)), StoreError);
    EXPECT_FALSE(StoredSettlementExists(db(), QStringLiteral("X")));
    EXPECT_EQ(count("SELECT count(*) FROM Pagos WHERE NumAsunto = ?", QStringLiteral("X")), 0);
}

TEST_F(History, MovementsLeftWithoutTheirSettlementDoNotJoinANewOne)
{
    RunSql(db(), QStringLiteral("INSERT INTO Pagos (NumAsunto, Fecha, Importe, Tipo) VALUES ('Z', '2021-03-30', 99, 'P')"));
    RunSql(db(), QStringLiteral("INSERT INTO Tramos (NumAsunto, Desde, Hasta, Interes, DiasAcumu) VALUES ('Z', '2021-01-01', '2021-12-31', 3, 0)"));
    store(QStringLiteral("Z"));
    EXPECT_EQ(LoadStoredSettlement(db(), QStringLiteral("Z"))->movements, StoredFromInput(Header(QStringLiteral("Z")), SecondPeriodCase()).movements);
    EXPECT_EQ(count("SELECT count(*) FROM Tramos WHERE NumAsunto = ?", QStringLiteral("Z")), 0);
}

TEST_F(History, DeletingRemovesRowsMovementsAndRecordOfThatCaseOnly)
{
    store(QStringLiteral("1"));
    store(QStringLiteral("2")); // the same movement dates in another settlement
    RunSql(db(), QStringLiteral("INSERT INTO Tramos (NumAsunto, Desde, Hasta, Interes, DiasAcumu) VALUES ('1', '2021-01-01', '2021-12-31', 3, 0)"));
    EXPECT_TRUE(DeleteStoredSettlement(db(), QStringLiteral("1")));
    for (const char *sql : {"SELECT count(*) FROM Tramos WHERE NumAsunto = ?", "SELECT count(*) FROM Pagos WHERE NumAsunto = ?",
                            "SELECT count(*) FROM Cabecera WHERE NumAsunto = ?"})
        EXPECT_EQ(count(sql, QStringLiteral("1")), 0) << sql;
    EXPECT_EQ(count("SELECT count(*) FROM Pagos WHERE NumAsunto = ?", QStringLiteral("2")), 2);
    EXPECT_FALSE(DeleteStoredSettlement(db(), QStringLiteral("1")));
}

TEST_F(History, ADeletionThatFailsHalfWayLeavesTheSettlementWhole)
{
    store(QStringLiteral("1"));
    if (IsServer(db())) {
        RunSql(db(), QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS"
                                    " $$ BEGIN RAISE EXCEPTION 'disco lleno'; END $$"));
        RunSql(db(), QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON Cabecera FOR EACH ROW EXECUTE FUNCTION refuse()"));
    } else {
        RunSql(db(), QStringLiteral("CREATE TEMP TRIGGER refuse BEFORE DELETE ON Cabecera BEGIN SELECT RAISE(ABORT, 'disco lleno'); END"));
    }
    EXPECT_THROW(DeleteStoredSettlement(db(), QStringLiteral("1")), StoreError);
    RunSql(db(), IsServer(db()) ? QStringLiteral("DROP TRIGGER refuse ON Cabecera") : QStringLiteral("DROP TRIGGER refuse"));
    EXPECT_EQ(LoadStoredSettlement(db(), QStringLiteral("1"))->movements.size(), 2u);
}

TEST_F(History, HeaderEditsReachTheRecordUnlessItIsGone)
{
    store(QStringLiteral("1"));
    const HistoryHeader edited{QStringLiteral("1"), D(1, 2, 2026), QStringLiteral("Nueva"), QStringLiteral("Otra nota")};
    EXPECT_TRUE(UpdateHistoryHeader(db(), edited));
    EXPECT_EQ(LoadStoredSettlement(db(), QStringLiteral("1"))->header, edited);
    DeleteStoredSettlement(db(), QStringLiteral("1"));
    EXPECT_FALSE(UpdateHistoryHeader(db(), edited));
}

TEST(ReloadedInput, BringsBackTypesRatesAndPeriodsAndKeepsWhatIsNotStored)
{
    SettlementInput current;
    current.imputePayments = true;
    current.perPeriodRows = false;
    current.type2 = 3;
    current.secondEnd = D(1, 1, 2030);
    current.movements = {{D(1, 1, 2000), 1.0, QStringLiteral("P")}};

    const SettlementInput stored = SecondPeriodCase();
    SettlementInput back = ReloadedInput(StoredFromInput(Header(QStringLiteral("1")), stored), current);
    EXPECT_EQ(back.type1, static_cast<int>(InterestType::VerbalLegal50));
    EXPECT_EQ(back.agreedRate1, current.agreedRate1); // not "Interés Pactado": untouched
    EXPECT_EQ(back.type2, static_cast<int>(InterestType::Agreed));
    EXPECT_EQ(back.agreedRate2, QStringLiteral("4,25"));
    EXPECT_TRUE(back.secondPeriod);
    EXPECT_EQ(back.secondEnd, D(31, 12, 2021));
    EXPECT_TRUE(back.imputePayments);
    EXPECT_FALSE(back.perPeriodRows);
    EXPECT_EQ(back.currency, QStringLiteral("Pta"));
    EXPECT_EQ(back.movements, StoredFromInput(Header(QStringLiteral("1")), stored).movements);

    // Second period off: unchecked, first type, its end kept but never before the new start.
    SettlementInput off = stored;
    off.secondPeriod = false;
    back = ReloadedInput(StoredFromInput(Header(QStringLiteral("1")), off), current);
    EXPECT_FALSE(back.secondPeriod);
    EXPECT_EQ(back.type2, 0);
    EXPECT_EQ(back.secondEnd, D(1, 1, 2030));
    current.secondEnd = D(1, 1, 2000);
    EXPECT_EQ(ReloadedInput(StoredFromInput(Header(QStringLiteral("1")), off), current).secondEnd, D(1, 7, 2021));

    // A type text the lists do not hold keeps the current choice.
    StoredSettlement unknown = StoredFromInput(Header(QStringLiteral("1")), stored);
    unknown.tipoInteres1 = QStringLiteral("Interés de otra clase");
    current.type1 = 5;
    EXPECT_EQ(ReloadedInput(unknown, current).type1, 5);
}

TEST_F(History, StoredAndReloadedSettlementGivesTheSameFigures)
{
    SettlementInput in = SecondPeriodCase();
    in.imputePayments = true;
    StoreSettlement(db(), StoredFromInput(Header(QStringLiteral("R")), in));
    SettlementInput window; // the option not stored keeps the window's state
    window.imputePayments = true;
    const SettlementInput back = ReloadedInput(*LoadStoredSettlement(db(), QStringLiteral("R")), window);
    const SettlementResult before = ComputeSettlement(in, Rates2021);
    const SettlementResult after = ComputeSettlement(back, Rates2021);
    ASSERT_FALSE(before.rows.empty());
    EXPECT_EQ(after.rows, before.rows);
    EXPECT_EQ(after.grandTotal, before.grandTotal);
    EXPECT_EQ(TotalsTexts(back, after), TotalsTexts(in, before));
}

TEST_F(History, StoredCaseJsonReadsBackAsTheSameCaseAndHeader)
{
    store(QStringLiteral("J\"1"), QStringLiteral("Descripción con \"comillas\""));
    const StoredSettlement stored = *LoadStoredSettlement(db(), QStringLiteral("J\"1"));
    const QByteArray json = WriteStoredSettlementCase(stored);
    EXPECT_EQ(ParseSettlementCase(json).input, StoredInput(stored));
    HistoryHeader header = ReadHistoryHeader(json);
    header.numAsunto = stored.header.numAsunto;
    EXPECT_EQ(header, stored.header);
    EXPECT_EQ(ReadHistoryHeader("{}").fecha, QDate::currentDate());
    EXPECT_FALSE(ReadHistoryHeader(R"({"Fecha": ""})").fecha.isValid());
    EXPECT_THROW(ReadHistoryHeader(R"({"Fecha": "31/02/2021"})"), CaseError);
}

TEST_F(History, TwoProgramsStoringAtOnceLoseNothingAndTheSecondToTakeANumberIsRefused)
{
    DataStore other(QStringLiteral("second-program-"));
    other.connectMain(app.install.path());
    const QSqlDatabase first = db();
    const QSqlDatabase second = other.database(Alias::Historico);
    for (int i = 0; i < 20; ++i) {
        StoreSettlement(i % 2 ? first : second, StoredFromInput(Header(QString::number(i)), SecondPeriodCase()));
    }
    StoreSettlement(first, StoredFromInput(Header(QStringLiteral("shared")), SecondPeriodCase()));
    EXPECT_THROW(StoreSettlement(second, StoredFromInput(Header(QStringLiteral("shared")), SettlementInput{})), HistoryRefusal);
    EXPECT_EQ(Scalar(second, QStringLiteral("SELECT count(*) FROM Cabecera")).toInt(), 21);
    EXPECT_EQ(Scalar(first, QStringLiteral("SELECT count(*) FROM Pagos")).toInt(), 42);
}

TEST_F(History, ListGoesToTheNearestRecordInTheOrderOfEachIndex)
{
    store(QStringLiteral("1"), QStringLiteral("zapata"), D(3, 1, 2024));
    store(QStringLiteral("11"), QStringLiteral("Álvarez"), D(1, 1, 2024));
    store(QStringLiteral("120"), QStringLiteral("Bermúdez"), D(2, 1, 2024));
    store(QStringLiteral("13"), QStringLiteral("banco"), D(2, 1, 2024));
    store(QStringLiteral("2"), QStringLiteral("Castro"), D(9, 1, 2024));
    RunSql(db(), QStringLiteral("UPDATE Cabecera SET Tipo = 'H' WHERE NumAsunto = '2'")); // not ours: not listed

    HistoryListModel model(db());
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.headerData(HistoryListModel::NumAsunto, Qt::Horizontal).toString(), QStringLiteral("Número de Asunto"));
    EXPECT_EQ(model.headerData(HistoryListModel::Descripcion, Qt::Horizontal).toString(), QStringLiteral("Descripción"));
    EXPECT_EQ(model.keyAt(model.nearestCaseNumber(QStringLiteral("12"))), QStringLiteral("120"));
    EXPECT_EQ(model.keyAt(model.nearestCaseNumber(QStringLiteral("9"))), QStringLiteral("13")); // past the end: the last
    EXPECT_EQ(model.index(model.rowOfKey(QStringLiteral("11")), HistoryListModel::Fecha).data().toString(),
              QStringLiteral("01/01/2024"));

    // Descriptions ignore case; ties and dates follow the case number.
    EXPECT_EQ(model.keyAt(model.nearestDescription(QStringLiteral("BE"))), QStringLiteral("120"));
    EXPECT_EQ(model.order(), HistoryOrder::Descripcion);
    EXPECT_EQ(model.keyAt(0), QStringLiteral("13"));
    EXPECT_EQ(model.keyAt(model.nearestDate(D(2, 1, 2024))), QStringLiteral("120"));
    EXPECT_EQ(model.keyAt(model.nearestDate(D(2, 1, 2024)) + 1), QStringLiteral("13"));
    EXPECT_EQ(model.keyAt(model.nearestDate(D(1, 1, 2030))), QStringLiteral("1"));

    // Another program stores a settlement: a search that lands on it reads the list again.
    store(QStringLiteral("125"), QStringLiteral("Nuevo"), D(5, 1, 2024));
    EXPECT_EQ(model.keyAt(model.nearestCaseNumber(QStringLiteral("121"))), QStringLiteral("125"));
    EXPECT_EQ(model.rowCount(), 5);
}

TEST_F(History, ListFetchesPagesOfRowsAsAskedFor)
{
    Transaction t(db());
    for (int i = 0; i < 300; ++i) {
        RunSql(db(), QStringLiteral("INSERT INTO Cabecera (NumAsunto, Fecha, Descripcion, Tipo) VALUES (?, ?, ?, 'I')"),
               {QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("2024-01-01"),
                QStringLiteral("Asunto %1").arg(i)});
    }
    t.commit();
    HistoryListModel model(db());
    ASSERT_EQ(model.rowCount(), 300);
    for (int row : {299, 0, 128, 127, 200})
        EXPECT_EQ(model.index(row, HistoryListModel::Descripcion).data().toString(), QStringLiteral("Asunto %1").arg(row));
}

// A search reads the rows around the record found from that record, both ways; they must be
// the very rows the positions hold, NULLs and ties included.
TEST_F(History, RowsReadAroundASearchAreThoseOfTheirPositions)
{
    const QStringList names = {QStringLiteral("pérez"), QStringLiteral("Pérez"), QString(), QStringLiteral("banco"),
                               QStringLiteral("Zeta"), QStringLiteral("ab")};
    Transaction t(db());
    for (int i = 0; i < 700; ++i) {
        RunSql(db(), QStringLiteral("INSERT INTO Cabecera (NumAsunto, Fecha, Descripcion, Tipo) VALUES (?, ?, ?, 'I')"),
               {QStringLiteral("%1").arg((i * 389) % 700, 4, 10, QLatin1Char('0')),
                i % 7 ? QVariant(QStringLiteral("2024-01-%1").arg(i % 28 + 1, 2, 10, QLatin1Char('0'))) : QVariant(),
                names[i % names.size()].isNull() ? QVariant() : QVariant(names[i % names.size()] + QString::number(i % 3))});
    }
    t.commit();
    // The orders as SQL gives them on either engine: NULLs first, the description without case.
    const auto sqlOrder = [this](const char *column) {
        const QString first = IsServer(db()) ? QStringLiteral(" NULLS FIRST") : QString();
        const QString name = QLatin1String(column);
        const QString orderBy = name == QLatin1String("NumAsunto") ? name
                                : name == QLatin1String("Descripcion")
                                    ? NoCase(db(), name) + first + QStringLiteral(", NumAsunto")
                                    : name + first + QStringLiteral(", NumAsunto");
        QStringList keys;
        QSqlQuery q = RunSql(db(), QStringLiteral("SELECT NumAsunto FROM Cabecera ORDER BY ") + orderBy);
        while (q.next())
            keys << q.value(0).toString();
        return keys;
    };
    const auto listed = [](const HistoryListModel &model) {
        QStringList keys;
        for (int row = 0; row < model.rowCount(); ++row)
            keys << model.keyAt(row);
        return keys;
    };
    for (const QString &text : {QStringLiteral("0300"), QStringLiteral("0699"), QStringLiteral("9"), QStringLiteral("")}) {
        HistoryListModel model(db(), HistoryOrder::Fecha);
        const int row = model.nearestCaseNumber(text);
        EXPECT_EQ(listed(model), sqlOrder("NumAsunto")) << text.toStdString();
        EXPECT_EQ(model.keyAt(row), sqlOrder("NumAsunto").value(std::min<int>(row, 699)));
    }
    for (const QString &text : {QStringLiteral("PEREZ"), QStringLiteral("pérez1"), QStringLiteral("b"), QStringLiteral("zz"),
                                QStringLiteral("a")}) {
        HistoryListModel model(db());
        const int row = model.nearestDescription(text);
        EXPECT_EQ(listed(model), sqlOrder("Descripcion")) << text.toStdString();
        EXPECT_TRUE(row >= 0 && row < 700);
    }
    for (const QDate &date : {D(15, 1, 2024), D(1, 1, 2000), D(31, 12, 2030), D(28, 1, 2024)}) {
        HistoryListModel model(db());
        model.nearestDate(date);
        EXPECT_EQ(listed(model), sqlOrder("Fecha")) << date.toString().toStdString();
    }

    // One list searched again and again counts from the rows it has read: each answer must
    // still be the number of records sorting before the text.
    const auto truth = [this](const char *column, const QString &text) {
        return Scalar(db(), QStringLiteral("SELECT count(*) FROM Cabecera WHERE %1 IS NULL OR %2 < %3")
                                .arg(QLatin1String(column), NoCase(db(), QLatin1String(column)), NoCase(db(), QStringLiteral("?"))),
                      {text}).toInt();
    };
    HistoryListModel model(db());
    for (const QString &text : {QStringLiteral("b"), QStringLiteral("pérez2"), QStringLiteral("BANCO1"), QStringLiteral("Pérez0"),
                                QStringLiteral("zeta"), QStringLiteral("ab"), QStringLiteral("pérez1"), QStringLiteral("a"),
                                QStringLiteral("banco"), QStringLiteral("zz"), QStringLiteral("P")}) {
        EXPECT_EQ(model.nearestDescription(text), std::min(truth("Descripcion", text), 699)) << text.toStdString();
        for (int row = 0; row < model.rowCount(); row += 37)
            model.keyAt(row); // the grid scrolled about: more rows read
    }
    for (int i = 0; i < 40; ++i) {
        const QString text = QStringLiteral("%1").arg((i * 263) % 720, 4, 10, QLatin1Char('0'));
        EXPECT_EQ(model.nearestCaseNumber(text), std::min(truth("NumAsunto", text), 699)) << text.toStdString();
    }
    for (int day = 1; day <= 31; day += 3) {
        const QString iso = QStringLiteral("2024-01-%1").arg(day, 2, 10, QLatin1Char('0'));
        EXPECT_EQ(model.nearestDate(D(day, 1, 2024)), std::min(truth("Fecha", iso), 699)) << iso.toStdString();
    }

    // A list left open long enough has walked its order and counts from the marks it noted.
    HistoryListModel scanned(db(), HistoryOrder::Descripcion);
    const auto scanDone = [&scanned] {
        const QDeadlineTimer deadline(10000);
        while (scanned.scanning() && !deadline.hasExpired())
            QCoreApplication::processEvents();
        return !scanned.scanning();
    };
    ASSERT_TRUE(scanDone());
    for (const QString &text : {QStringLiteral("pérez1"), QStringLiteral("b"), QStringLiteral("PÉREZ2"), QStringLiteral("zeta0"),
                                QStringLiteral("")})
        EXPECT_EQ(scanned.nearestDescription(text), std::min(truth("Descripcion", text), 699)) << text.toStdString();
    scanned.setOrder(HistoryOrder::Fecha);
    ASSERT_TRUE(scanDone());
    for (int day = 2; day <= 31; day += 5) {
        const QString iso = QStringLiteral("2024-01-%1").arg(day, 2, 10, QLatin1Char('0'));
        EXPECT_EQ(scanned.nearestDate(D(day, 1, 2024)), std::min(truth("Fecha", iso), 699)) << iso.toStdString();
    }
}

TEST_F(History, ListOrdersAsTheIndexesDoWhateverTheTexts)
{
    const QStringList descriptions = {QStringLiteral("abc"), QStringLiteral("ABC"), QStringLiteral("Ábaco"), QStringLiteral("ab"),
                                      QStringLiteral("abcd"), QString(), QStringLiteral("Zeta"), QStringLiteral("zeta"),
                                      QStringLiteral("ñandú"), QStringLiteral("N"), QStringLiteral("_x"), QStringLiteral("a b"),
                                      QString(), QStringLiteral("abc")};
    Transaction t(db());
    for (int i = 0; i < descriptions.size(); ++i) {
        RunSql(db(), QStringLiteral("INSERT INTO Cabecera (NumAsunto, Fecha, Descripcion, Tipo) VALUES (?, ?, ?, 'I')"),
               {QStringLiteral("k%1").arg(13 - i), i % 3 ? QVariant(QStringLiteral("2024-01-0%1").arg(i % 4 + 1)) : QVariant(),
                descriptions[i].isNull() ? QVariant() : QVariant(descriptions[i])});
    }
    t.commit();
    // The orders as SQL gives them on either engine: NULLs first, the description without case.
    const auto sqlOrder = [this](const char *column) {
        const QString first = IsServer(db()) ? QStringLiteral(" NULLS FIRST") : QString();
        const QString name = QLatin1String(column);
        const QString orderBy = name == QLatin1String("NumAsunto") ? name
                                : name == QLatin1String("Descripcion")
                                    ? NoCase(db(), name) + first + QStringLiteral(", NumAsunto")
                                    : name + first + QStringLiteral(", NumAsunto");
        QStringList keys;
        QSqlQuery q = RunSql(db(), QStringLiteral("SELECT NumAsunto FROM Cabecera ORDER BY ") + orderBy);
        while (q.next())
            keys << q.value(0).toString();
        return keys;
    };
    const auto modelOrder = [](HistoryListModel &model, HistoryOrder order) {
        model.setOrder(order);
        QStringList keys;
        for (int row = 0; row < model.rowCount(); ++row)
            keys << model.keyAt(row);
        return keys;
    };
    HistoryListModel model(db());
    EXPECT_EQ(modelOrder(model, HistoryOrder::Descripcion), sqlOrder("Descripcion"));
    EXPECT_EQ(modelOrder(model, HistoryOrder::Fecha), sqlOrder("Fecha"));
    EXPECT_EQ(modelOrder(model, HistoryOrder::NumAsunto), sqlOrder("NumAsunto"));
}
