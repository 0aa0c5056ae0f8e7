#include "invoicing/invoice_store.h"

#include "core/rounding.h"
#include "store/sql.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

namespace {

qint64 Cents(double amount)
{
    return RoundToInt(amount * 100);
}

class InvoiceStoreTest : public ::testing::Test
{
protected:
    QSqlDatabase db() const { return m_app.store.database(Alias::Intereses); }

    InvoiceLine line(const QString &tipo, double amount, const InvoiceRates &rates = {}, QDate fecha = {}) const
    {
        InvoiceLine l;
        l.fecha = fecha.isValid() ? fecha : QDate(2024, 3, 1);
        l.tipo = tipo;
        l.subTotal = amount;
        l.iva = rates.iva;
        l.irpf = rates.irpf;
        l.dcto = rates.dcto;
        l.calculate();
        return l;
    }

    // The invoice of the examples: a fee of 33.33 at 16 % / 15 %, an outlay of 50 and a
    // provision of 200.
    void addExampleLines()
    {
        AddInvoiceLine(db(), m_key, line(kTipoHonorario, 33.33, {16, 15, 0}));
        AddInvoiceLine(db(), m_key, line(kTipoSuplido, 50));
        AddInvoiceLine(db(), m_key, line(kTipoProvision, 200));
    }

    AppFixture m_app;
    InvoiceKey m_key{12, 2024};
};

TEST_F(InvoiceStoreTest, EveryLineChangeStoresTheTotalsOfTheStoredLines)
{
    CreateInvoice(db(), m_key, QDate(2024, 3, 1));
    EXPECT_EQ(RecalcularTotales(db(), m_key), InvoiceTotals{});

    addExampleLines();
    InvoiceTotals stored = LoadInvoice(db(), m_key)->totals;
    EXPECT_EQ(stored.total, -116.34);
    EXPECT_EQ(Cents(stored.totalIVA), 533);
    EXPECT_EQ(Cents(stored.totalIRPF), 500);
    EXPECT_EQ(stored, RecalcularTotales(db(), m_key));

    InvoiceLine fee = LoadInvoiceLines(db(), m_key).front();
    fee.subTotal = 1000;
    fee.iva = 21;
    fee.dcto = 10;
    fee.calculate();
    ModifyInvoiceLine(db(), m_key, fee);
    stored = LoadInvoice(db(), m_key)->totals;
    EXPECT_EQ(Cents(stored.total), Cents(900 + 189 - 135 + 50 - 200));

    const InvoiceLine outlay = LoadInvoiceLines(db(), m_key).at(1);
    DeleteInvoiceLine(db(), m_key, outlay.fecha, outlay.linea);
    EXPECT_EQ(LoadInvoiceLines(db(), m_key).size(), 2u);
    EXPECT_EQ(Cents(LoadInvoice(db(), m_key)->totals.totalSuplidos), 0);
}

TEST_F(InvoiceStoreTest, LinesOfOneDateAreNumberedOnlyOnACollision)
{
    CreateInvoice(db(), m_key, QDate(2024, 3, 1));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(AddInvoiceLine(db(), m_key, line(kTipoSuplido, 10)).line.linea, i);
    AddInvoiceLine(db(), m_key, line(kTipoSuplido, 10, {}, QDate(2024, 3, 2)));
    // A gap left by a deleted line is filled before numbering goes on.
    DeleteInvoiceLine(db(), m_key, QDate(2024, 3, 1), 1);
    EXPECT_EQ(AddInvoiceLine(db(), m_key, line(kTipoSuplido, 10)).line.linea, 1);

    std::vector<int> numbers;
    for (const InvoiceLine &l : LoadInvoiceLines(db(), m_key))
        numbers.push_back(l.linea);
    EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2, 0}));
}

TEST_F(InvoiceStoreTest, RerateTouchesFeeLinesInAnyCaseAndLeavesOutlaysAndProvisions)
{
    CreateInvoice(db(), m_key, QDate(2024, 3, 1));
    addExampleLines();
    // A fee line written by another tool, type in capitals.
    RunSql(db(), QStringLiteral("INSERT INTO lineasfact (Id, Iyear, Fecha, Linea, Tipo, SubTotal, IVA, IRPF, DCTO,"
                                " TotalIVA, TotalIRPF, TotalDCTO, Total) VALUES (12, 2024, '2024-03-05', 0,"
                                " 'HONORARIO', 100, 16, 15, 0, 16, 15, 0, 101)"));
    const auto before = LoadInvoiceLines(db(), m_key);
    const InvoiceTotals totals = RerateInvoice(db(), m_key, {21, 15, 0}, RecalcularTotales(db(), m_key));
    const auto after = LoadInvoiceLines(db(), m_key);

    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(Cents(after[0].amounts.totalIVA), 700);  // 33.33 x 21 % = 6.9993
    EXPECT_EQ(after[1], before[1]);                     // outlay
    EXPECT_EQ(after[2], before[2]);                     // provision
    EXPECT_EQ(Cents(after[3].amounts.totalIVA), 2100);  // "HONORARIO"
    EXPECT_EQ(after[3].iva, 21.0);
    EXPECT_EQ(Cents(totals.totalIVA), 2800);
    EXPECT_EQ(Cents(totals.total), Cents(133.33 + 28 - 20 + 50 - 200));
    const InvoiceHeader header = *LoadInvoice(db(), m_key);
    EXPECT_EQ(header.iva, 21.0);
    EXPECT_EQ(header.totals, totals);

    // A discount typed as letters is 0: every fee line without discount.
    RerateInvoice(db(), m_key, {21, 15, TypedRate(QStringLiteral("diez"))}, totals);
    EXPECT_EQ(LoadInvoiceLines(db(), m_key)[0].amounts.totalDCTO, 0.0);
}

TEST_F(InvoiceStoreTest, NewInvoiceNumberIsTheHighestOfAnyYearPlusOne)
{
    EXPECT_EQ(ProposedInvoiceNumber(db()), std::nullopt);
    CreateInvoice(db(), {57, 2023}, QDate(2023, 12, 1));
    CreateInvoice(db(), {12, 2024}, QDate(2024, 1, 10));
    EXPECT_EQ(ProposedInvoiceNumber(db()), 58);

    // Another program sharing the data takes the same number a moment later.
    DataStore other(QStringLiteral("other-"));
    other.connectMain(m_app.install.path());
    try {
        CreateInvoice(other.database(Alias::Intereses), {12, 2024}, QDate(2024, 1, 11));
        FAIL() << "a taken number was stored";
    } catch (const InvoiceRefusal &refusal) {
        EXPECT_EQ(refusal.message(), kDuplicateInvoiceMessage);
    }
    EXPECT_EQ(LoadInvoice(db(), {12, 2024})->fecha, QDate(2024, 1, 10));
}

TEST_F(InvoiceStoreTest, ALineAndItsTotalsAreStoredTogetherOrNotAtAll)
{
    CreateInvoice(db(), m_key, QDate(2024, 3, 1));
    AddInvoiceLine(db(), m_key, line(kTipoSuplido, 50));
    // The totals statement fails after the line was written, as a crash there would.
    if (IsServer(db())) {
        RunSql(db(), QStringLiteral("CREATE FUNCTION fail_totals() RETURNS trigger LANGUAGE plpgsql AS"
                                    " $$ BEGIN RAISE EXCEPTION 'disk gone'; END $$"));
        RunSql(db(), QStringLiteral("CREATE TRIGGER fail_totals BEFORE UPDATE OF Total ON facturas"
                                    " FOR EACH ROW EXECUTE FUNCTION fail_totals()"));
    } else {
        RunSql(db(), QStringLiteral("CREATE TEMP TRIGGER fail_totals BEFORE UPDATE OF Total ON facturas"
                                    " BEGIN SELECT RAISE(ABORT, 'disk gone'); END"));
    }
    EXPECT_THROW(AddInvoiceLine(db(), m_key, line(kTipoSuplido, 70)), StoreError);
    InvoiceLine changed = LoadInvoiceLines(db(), m_key).front();
    changed.subTotal = 99;
    changed.calculate();
    EXPECT_THROW(ModifyInvoiceLine(db(), m_key, changed), StoreError);
    EXPECT_THROW(DeleteInvoiceLine(db(), m_key, changed.fecha, 0), StoreError);
    RunSql(db(), QStringLiteral("DROP TRIGGER fail_totals") + (IsServer(db()) ? QStringLiteral(" ON facturas") : QString()));

    const auto lines = LoadInvoiceLines(db(), m_key);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].subTotal, 50.0);
    EXPECT_EQ(LoadInvoice(db(), m_key)->totals.total, 50.0);
}

TEST_F(InvoiceStoreTest, AnInvoiceDeletedMeanwhileGetsNoOrphanLines)
{
    CreateInvoice(db(), m_key, QDate(2024, 3, 1));
    AddInvoiceLine(db(), m_key, line(kTipoSuplido, 50));
    EXPECT_TRUE(DeleteInvoice(db(), m_key));
    EXPECT_FALSE(DeleteInvoice(db(), m_key));

    InvoiceHeader header;
    header.key = m_key;
    for (const auto &change : std::vector<std::function<void()>>{
             [&] { AddInvoiceLine(db(), m_key, line(kTipoSuplido, 70)); },
             [&] { StoreInvoiceHeader(db(), header); },
             [&] { RerateInvoice(db(), m_key, {21, 0, 0}, {}); }}) {
        try {
            change();
            ADD_FAILURE() << "a change of a deleted invoice went through";
        } catch (const StoreError &e) {
            EXPECT_EQ(e.code(), StoreCode::DeletedByOther);
            EXPECT_EQ(e.message(), kInvoiceDeletedMessage);
        }
    }
    EXPECT_FALSE(Scalar(db(), QStringLiteral("SELECT 1 FROM lineasfact")).isValid());
    EXPECT_FALSE(InvoiceExists(db(), m_key));
}

} // namespace
