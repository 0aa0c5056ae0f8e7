#include "interest/history_store_dialog.h"
#include "interest/history_view_dialog.h"
#include "interest/history_window.h"
#include "support/modal.h"
#include "interest/settlement_history.h"
#include "interest/settlement_input_window.h"
#include "interest/settlement_view_window.h"
#include "interest/working_movements.h"
#include "store/record_locks.h"
#include "store/sql.h"
#include "support/app_fixture.h"
#include "widgets/date_box.h"
#include "support/dates.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A settlement of 2021 the installation's official rates cover.
SettlementInput Case2021()
{
    SettlementInput in;
    in.principal = 10000.0;
    in.start = D(1, 1, 2021);
    in.end = D(30, 6, 2021);
    in.secondPeriod = true;
    in.secondEnd = D(31, 12, 2021);
    in.type1 = static_cast<int>(InterestType::VerbalLegal50);
    in.type2 = static_cast<int>(InterestType::Agreed);
    in.agreedRate2 = QStringLiteral("4,5");
    in.movements = {{D(31, 3, 2021), 1000.0, PaymentKind}, {D(30, 9, 2021), 250.0, EntryKind}};
    return in;
}

class HistoryWindows : public ::testing::Test
{
protected:
    QSqlDatabase historico() const { return app.store.database(Alias::Historico); }
    void store(const QString &numAsunto, const QString &descripcion, const QDate &fecha,
               const SettlementInput &in = Case2021())
    {
        StoreSettlement(historico(), StoredFromInput({numAsunto, fecha, descripcion, {}}, in));
    }
    // "&Ver Liquidación" and, in the view, "&Grabar" with the store dialog given to `fill`;
    // returns the settlement the view showed.
    SettlementResult viewAndStore(TFormInter &w, const std::function<void(TFormHisAlt *)> &fill)
    {
        SettlementResult shown;
        OnModal<TFormInterVi>([&](TFormInterVi *view) {
            shown = view->settlementResult();
            OnModal<TFormHisAlt>(fill);
            app.prompter.queueAnswer(Prompter::Answer::Yes);
            Click(view, "BtnGrabar");
            Click(view, "BtnVolver");
        });
        Click(&w, "BtnVerLiquidacion");
        return shown;
    }

    AppFixture app;
};

} // namespace

TEST_F(HistoryWindows, GrabarAsksStoresAndRefusesEmptyAndTakenCaseNumbers)
{
    TFormInter w(app.context);
    w.show();
    w.setInput(Case2021());
    bool stayedOpen = false;
    viewAndStore(w, [&](TFormHisAlt *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Alta en el Histórico"));
        EXPECT_EQ(Find<DateBox>(d, "DBEditFECHA")->date(), QDate::currentDate());
        EXPECT_EQ(Find<QLineEdit>(d, "DBEditNUMASUNTO")->maxLength(), 20);
        Click(d, "BtnAceptar");
        stayedOpen = d->isVisible();
        Find<QLineEdit>(d, "DBEditNUMASUNTO")->setText(QStringLiteral("12/2021"));
        Find<QLineEdit>(d, "DBEditDESCRIPCION")->setText(QStringLiteral("Pérez contra Gómez"));
        Find<QPlainTextEdit>(d, "DBMemoNOTAS")->setPlainText(QStringLiteral("Sentencia firme"));
        Click(d, "BtnAceptar");
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(app.prompter.messages(),
              (QStringList{QStringLiteral("¿Desea pasar al histórico la liquidación actual?"),
                           QStringLiteral("Es necesario rellenar el campo Núm. Asunto."),
                           QStringLiteral("La liquidación ha sido almacenada en el histórico.")}));
    const auto stored = LoadStoredSettlement(historico(), QStringLiteral("12/2021"));
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored, StoredFromInput({QStringLiteral("12/2021"), QDate::currentDate(), QStringLiteral("Pérez contra Gómez"),
                                        QStringLiteral("Sentencia firme")},
                                       Case2021()));

    app.prompter.clear();
    bool refusedStayedOpen = false;
    viewAndStore(w, [&](TFormHisAlt *d) {
        Find<QLineEdit>(d, "DBEditNUMASUNTO")->setText(QStringLiteral("12/2021"));
        Click(d, "BtnAceptar");
        refusedStayedOpen = d->isVisible();
        Click(d, "BtnCancelar");
    });
    EXPECT_TRUE(refusedStayedOpen);
    EXPECT_EQ(app.prompter.messages(),
              (QStringList{QStringLiteral("¿Desea pasar al histórico la liquidación actual?"),
                           QStringLiteral("Ya existe una liquidación con ese Núm. de Asunto.")}));
    EXPECT_EQ(Scalar(historico(), QStringLiteral("SELECT count(*) FROM Cabecera")).toInt(), 1);
}

TEST_F(HistoryWindows, ASettlementWithoutRowsIsNotOffered)
{
    StoreSettlementInHistory(app.context, nullptr, Case2021(), SettlementResult{});
    EXPECT_TRUE(app.prompter.shown().empty());
}

TEST_F(HistoryWindows, StoredThenReloadedTheSettlementGivesTheSameFigures)
{
    TFormInter w(app.context);
    w.show();
    SettlementInput in = Case2021();
    in.imputePayments = true;
    w.setInput(in);
    const SettlementResult before = viewAndStore(w, [](TFormHisAlt *d) {
        Find<QLineEdit>(d, "DBEditNUMASUNTO")->setText(QStringLiteral("R-1"));
        Click(d, "BtnAceptar");
    });
    ASSERT_FALSE(before.rows.empty());

    app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&w, "BtnNueva");
    Find<QComboBox>(&w, "ComboTIPO")->setCurrentIndex(5);
    ASSERT_TRUE(w.input().movements.empty());

    app.prompter.clear();
    OnModal<TFormHis>([&](TFormHis *his) {
        QTest::keyClicks(Find<QLineEdit>(his, "EditNUMASUNTO"), QStringLiteral("R"));
        EXPECT_EQ(his->selectedCaseNumber(), QStringLiteral("R-1"));
        app.prompter.queueAnswer(Prompter::Answer::Yes);
        Click(his, "BtnRecuperar");
    });
    Click(&w, "BtnRecuperar");
    EXPECT_EQ(app.prompter.messages(),
              (QStringList{QStringLiteral("¿Desea recuperar la liquidación seleccionada?"), QStringLiteral("Liquidación recuperada.")}));
    EXPECT_EQ(Find<QComboBox>(&w, "ComboTIPO")->currentText(), QStringLiteral("Interés Verbal Auto. (Legal +50%)"));
    EXPECT_EQ(Find<QComboBox>(&w, "ComboTIPO2")->currentText(), QStringLiteral("Interés Pactado"));
    EXPECT_EQ(Find<QLineEdit>(&w, "EditINTERES2")->text(), QStringLiteral("4,5"));
    EXPECT_FALSE(Find<QWidget>(&w, "EditINTERES2")->isHidden());
    EXPECT_TRUE(Find<QCheckBox>(&w, "CheckSENTEN")->isChecked());
    EXPECT_EQ(Find<DateBox>(&w, "DateDESDE2")->date(), D(1, 7, 2021));
    EXPECT_TRUE(Find<QCheckBox>(&w, "CheckDESCONTAR")->isChecked()); // not stored: untouched
    EXPECT_EQ(w.input().movements, StoredFromInput({QStringLiteral("R-1"), {}, {}, {}}, in).movements);

    SettlementResult after;
    OnModal<TFormInterVi>([&](TFormInterVi *view) {
        after = view->settlementResult();
        view->reject();
    });
    Click(&w, "BtnVerLiquidacion");
    EXPECT_EQ(after.rows, before.rows);
    EXPECT_EQ(after.totalInterest, before.totalInterest);
    EXPECT_EQ(after.grandTotal, before.grandTotal);
}

TEST_F(HistoryWindows, ReloadingWithoutASecondPeriodUnchecksItAndReplacesEveryMovement)
{
    SettlementInput first = Case2021();
    first.secondPeriod = false;
    first.type1 = static_cast<int>(InterestType::Agreed);
    first.agreedRate1 = QStringLiteral("6,25");
    first.currency = QStringLiteral("Pta");
    store(QStringLiteral("5"), QStringLiteral("Uno"), D(1, 1, 2022), first);

    TFormInter w(app.context);
    SettlementInput now = Case2021();
    now.movements = {{D(1, 2, 2020), 9.0, EntryKind}, {D(2, 2, 2020), 9.0, PaymentKind}};
    now.compound = true;
    w.setInput(now);
    OnModal<TFormHis>([&](TFormHis *his) {
        app.prompter.queueAnswer(Prompter::Answer::Yes);
        Click(his, "BtnRecuperar");
    });
    Click(&w, "BtnRecuperar");
    const SettlementInput back = w.input();
    EXPECT_FALSE(back.secondPeriod);
    EXPECT_EQ(back.type2, 0);
    EXPECT_TRUE(Find<QWidget>(&w, "DateHASTA2")->isHidden());
    EXPECT_EQ(back.type1, static_cast<int>(InterestType::Agreed));
    EXPECT_EQ(back.agreedRate1, QStringLiteral("6,25"));
    EXPECT_FALSE(Find<QWidget>(&w, "EditINTERES")->isHidden());
    EXPECT_FALSE(back.compound);
    EXPECT_EQ(back.currency, QStringLiteral("Pta"));
    EXPECT_EQ(back.movements, StoredFromInput({QStringLiteral("5"), {}, {}, {}}, first).movements);
    // The printout names the recovered case until a new settlement begins.
    EXPECT_EQ(w.heading(), (SettlementHeading{{}, QStringLiteral("5"), QStringLiteral("Uno")}));
    app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&w, "BtnNueva");
    EXPECT_EQ(w.heading(), SettlementHeading{});
}

TEST_F(HistoryWindows, SearchesGoToTheNearestRecordAndTitlesOrderTheList)
{
    store(QStringLiteral("1"), QStringLiteral("zapata"), D(3, 1, 2024));
    store(QStringLiteral("11"), QStringLiteral("Alonso"), D(1, 1, 2024));
    store(QStringLiteral("120"), QStringLiteral("bermúdez"), D(2, 1, 2024));
    store(QStringLiteral("13"), QStringLiteral("Castro"), D(5, 1, 2024));
    TFormHis his(app.context, nullptr, [](const StoredSettlement &) {});
    his.show();
    QApplication::setActiveWindow(&his);
    EXPECT_EQ(his.windowTitle(), QStringLiteral("Histórico de Liquidaciones"));
    EXPECT_TRUE(his.windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == Find<QWidget>(&his, "EditNUMASUNTO"); }));
    auto *grid = Find<QTableView>(&his, "DBGrid1");
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Número de Asunto"));
    EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Descripción"));
    EXPECT_EQ(his.selectedCaseNumber(), QStringLiteral("1"));

    QTest::keyClicks(Find<QLineEdit>(&his, "EditNUMASUNTO"), QStringLiteral("12"));
    EXPECT_EQ(his.selectedCaseNumber(), QStringLiteral("120"));

    QTest::keyClicks(Find<QLineEdit>(&his, "EditDESCRIPCION"), QStringLiteral("BER"));
    EXPECT_EQ(his.selectedCaseNumber(), QStringLiteral("120"));
    EXPECT_TRUE(Find<QLineEdit>(&his, "EditNUMASUNTO")->text().isEmpty());
    EXPECT_EQ(his.model()->order(), HistoryOrder::Descripcion);
    EXPECT_EQ(his.model()->keyAt(0), QStringLiteral("11")); // Alonso, bermúdez, Castro, zapata

    auto *fecha = Find<QLineEdit>(&his, "MaskFECHA");
    EXPECT_EQ(fecha->displayText(), QStringLiteral("  /  /    "));
    fecha->setFocus();
    QTest::keyClicks(fecha, QStringLiteral("04012024"));
    EXPECT_TRUE(Find<QLineEdit>(&his, "EditDESCRIPCION")->text().isEmpty());
    grid->setFocus(); // leaving the field searches
    EXPECT_EQ(his.selectedCaseNumber(), QStringLiteral("13"));
    EXPECT_EQ(his.model()->order(), HistoryOrder::Fecha);

    fecha->setFocus();
    fecha->selectAll();
    QTest::keyClicks(fecha, QStringLiteral("31022024"));
    grid->setFocus();
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("La fecha introducida no es válida."));
    EXPECT_EQ(fecha->displayText(), QStringLiteral("  /  /    "));

    // A title orders the list and keeps the selected settlement.
    emit grid->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(his.model()->order(), HistoryOrder::NumAsunto);
    EXPECT_EQ(his.selectedCaseNumber(), QStringLiteral("13"));
    emit grid->horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(his.model()->keyAt(0), QStringLiteral("11"));
    EXPECT_EQ(TFormHis::LastOrder(), HistoryOrder::Fecha);
    TFormHis later(app.context);
    EXPECT_EQ(later.model()->order(), HistoryOrder::Fecha); // kept while the program runs
    EXPECT_TRUE(Find<QWidget>(&later, "BtnRecuperar")->isHidden());
    emit later.grid()->horizontalHeader()->sectionClicked(0);
}

TEST_F(HistoryWindows, VerEditsDateDescriptionAndNotesAndShowsTheMovementsByKind)
{
    store(QStringLiteral("7"), QStringLiteral("Antes"), D(1, 1, 2024));
    TFormHis his(app.context);
    OnModal<TFormHisMan>([](TFormHisMan *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Liquidación en Histórico"));
        EXPECT_EQ(Find<QLabel>(d, "DBTextNUMASUNTO")->text(), QStringLiteral("7"));
        auto *payments = Find<QTableView>(d, "DBGridPAGOS");
        auto *entries = Find<QTableView>(d, "DBGridENTRADAS");
        EXPECT_EQ(payments->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Fecha Pago"));
        EXPECT_EQ(entries->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Fecha Entrada"));
        ASSERT_EQ(payments->model()->rowCount(), 1);
        EXPECT_EQ(payments->model()->index(0, 1).data().toString(), QStringLiteral("1.000,00"));
        ASSERT_EQ(entries->model()->rowCount(), 1);
        EXPECT_EQ(entries->model()->index(0, 0).data().toString(), QStringLiteral("30/09/2021"));
        Find<QLineEdit>(d, "DBEditDESCRIPCION")->setText(QStringLiteral("Después"));
        Find<DateBox>(d, "DBEditFECHA")->setDate(D(2, 2, 2024));
        Find<QPlainTextEdit>(d, "DBMemoNOTAS")->setPlainText(QStringLiteral("Notas nuevas"));
        Click(d, "BtnAceptar");
    });
    Click(&his, "BtnVer");
    const HistoryHeader edited{QStringLiteral("7"), D(2, 2, 2024), QStringLiteral("Después"), QStringLiteral("Notas nuevas")};
    EXPECT_EQ(LoadStoredSettlement(historico(), QStringLiteral("7"))->header, edited);
    EXPECT_EQ(his.model()->index(0, HistoryListModel::Descripcion).data().toString(), QStringLiteral("Después"));

    OnModal<TFormHisMan>([](TFormHisMan *d) {
        Find<QLineEdit>(d, "DBEditDESCRIPCION")->setText(QStringLiteral("Descartado"));
        d->reject();
    });
    Click(&his, "BtnVer");
    EXPECT_EQ(LoadStoredSettlement(historico(), QStringLiteral("7"))->header, edited);
}

TEST_F(HistoryWindows, BajasDeletesTheSelectedSettlementUnlessAnotherProgramHasItOpen)
{
    store(QStringLiteral("1"), QStringLiteral("Uno"), D(1, 1, 2024));
    store(QStringLiteral("2"), QStringLiteral("Dos"), D(1, 1, 2024));
    TFormHis his(app.context);
    ASSERT_EQ(his.selectedCaseNumber(), QStringLiteral("1"));

    LockIdentity elsewhere{QStringLiteral("maria"), QStringLiteral("otro-equipo"), 4242, QStringLiteral("s2")};
    RecordLocks(historico(), elsewhere).lock(HistoryTableName, QStringLiteral("1"));
    app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&his, "BtnBajas");
    EXPECT_EQ(app.prompter.lastMessage(),
              QStringLiteral("En este momento el registro está siendo usado por el usuario: \"maria\". Inténtelo más tarde."));
    EXPECT_TRUE(StoredSettlementExists(historico(), QStringLiteral("1")));
    RecordLocks(historico(), elsewhere).unlock(HistoryTableName, QStringLiteral("1"));

    app.prompter.queueAnswer(Prompter::Answer::No);
    Click(&his, "BtnBajas");
    EXPECT_TRUE(StoredSettlementExists(historico(), QStringLiteral("1")));

    app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&his, "BtnBajas");
    EXPECT_EQ(app.prompter.shown().back().text, QStringLiteral("¿Desea eliminar la liquidación del histórico?"));
    EXPECT_EQ(app.prompter.shown().back().icon, Prompter::Icon::Confirmation);
    EXPECT_FALSE(StoredSettlementExists(historico(), QStringLiteral("1")));
    EXPECT_EQ(Scalar(historico(), QStringLiteral("SELECT count(*) FROM Pagos WHERE NumAsunto = '1'")).toInt(), 0);
    EXPECT_EQ(his.model()->rowCount(), 1);
    EXPECT_EQ(his.selectedCaseNumber(), QStringLiteral("2"));
}

TEST_F(HistoryWindows, AnEmptyHistoryAsksNothing)
{
    TFormHis his(app.context, nullptr, [](const StoredSettlement &) { ADD_FAILURE() << "reloaded"; });
    for (const char *button : {"BtnRecuperar", "BtnVer", "BtnBajas"})
        Click(&his, button);
    EXPECT_TRUE(app.prompter.shown().empty());
}
