#include "core/date_text.h"
#include "support/modal.h"
#include "interest/movements_grid.h"
#include "interest/periodic_movements_dialog.h"
#include "interest/settlement_input_window.h"
#include "interest/settlement_view_window.h"
#include "interest/working_movements.h"
#include "interest/working_movements_model.h"
#include "support/app_fixture.h"
#include "widgets/date_box.h"
#include "widgets/money_box.h"
#include "support/dates.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeySequence>
#include <QSet>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

bool Shown(QWidget *window, const char *name)
{
    auto *w = Find<QWidget>(window, name);
    return w && !w->isHidden();
}

QStringList Dates(const std::vector<Movement> &movements, const QString &kind)
{
    QStringList dates;
    for (const Movement &m : movements) {
        if (m.kind == kind)
            dates << FormatDate(m.date);
    }
    return dates;
}

class SettlementInputWindow : public ::testing::Test
{
protected:
    QSqlDatabase devenix() const { return app.store.database(Alias::Devenix); }
    std::vector<Movement> movements() const { return LoadWorkingMovements(devenix()); }
    // Types a text into a grid cell through its editor, as the user does.
    void typeInto(MovementsGrid *grid, int row, int column, const QString &text)
    {
        const QModelIndex index = grid->model()->index(row, column);
        grid->setCurrentIndex(index);
        grid->edit(index);
        auto *editor = QApplication::focusWidget();
        auto *line = qobject_cast<QLineEdit *>(editor);
        ASSERT_NE(line, nullptr);
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key_Return);
    }

    AppFixture app;
};

} // namespace

TEST_F(SettlementInputWindow, StartsWithTodaysPeriodsAndShowsControlsOnlyWhenInUse)
{
    TFormInter w(app.context);
    w.show();
    const QDate today = QDate::currentDate();
    EXPECT_EQ(w.objectName(), QStringLiteral("FormInter"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Cuantix"));
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(Find<DateBox>(&w, "DateDESDE1")->date(), today);
    EXPECT_EQ(Find<DateBox>(&w, "DateHASTA1")->date(), today.addDays(1));
    EXPECT_EQ(Find<DateBox>(&w, "DateDESDE2")->date(), today.addDays(2));
    EXPECT_EQ(Find<DateBox>(&w, "DateHASTA2")->date(), today.addDays(2));
    EXPECT_FALSE(Find<DateBox>(&w, "DateDESDE2")->isEnabled());
    EXPECT_EQ(Find<QComboBox>(&w, "ComboMONEDA")->currentText(), QStringLiteral("Eur"));
    EXPECT_FALSE(Shown(&w, "ComboMONEDA"));
    EXPECT_EQ(Find<MoneyBox>(&w, "EditCAPITAL")->displayText(), QStringLiteral("0,00"));
    EXPECT_TRUE(Find<QRadioButton>(&w, "RadioPERIO")->isChecked());
    EXPECT_EQ(Find<QComboBox>(&w, "ComboTIPO")->currentText(), QStringLiteral("Interés Legal"));
    EXPECT_EQ(Find<QComboBox>(&w, "ComboTIPO2")->currentText(), QStringLiteral("Interés Legal"));
    EXPECT_EQ(Find<QLineEdit>(&w, "EditINTERES")->text(), QStringLiteral("0"));
    for (const char *hidden : {"EditINTERES", "LabelINTERES", "DateDESDE2", "DateHASTA2", "ComboTIPO2", "EditINTERES2",
                               "LabelDESDE2", "LabelHASTA2", "LabelTIPO2", "RadioPERIO", "RadioDETAL"})
        EXPECT_FALSE(Shown(&w, hidden)) << hidden;

    Find<QComboBox>(&w, "ComboTIPO")->setCurrentIndex(4);
    EXPECT_TRUE(Shown(&w, "EditINTERES") && Shown(&w, "LabelINTERES"));
    Find<QComboBox>(&w, "ComboTIPO")->setCurrentIndex(5);
    EXPECT_FALSE(Shown(&w, "EditINTERES"));

    Find<QComboBox>(&w, "ComboTIPO2")->setCurrentIndex(4);
    EXPECT_FALSE(Shown(&w, "EditINTERES2")); // the second period is off
    Find<QCheckBox>(&w, "CheckSENTEN")->setChecked(true);
    for (const char *shown : {"DateDESDE2", "DateHASTA2", "ComboTIPO2", "LabelDESDE2", "LabelHASTA2", "LabelTIPO2",
                              "EditINTERES2", "LabelINTERES2"})
        EXPECT_TRUE(Shown(&w, shown)) << shown;
    Find<QCheckBox>(&w, "CheckSENTEN")->setChecked(false);
    for (const char *hidden : {"DateDESDE2", "DateHASTA2", "ComboTIPO2", "EditINTERES2"})
        EXPECT_FALSE(Shown(&w, hidden)) << hidden;

    Find<QCheckBox>(&w, "CheckACUMU")->setChecked(true);
    EXPECT_TRUE(Shown(&w, "RadioPERIO") && Shown(&w, "RadioDETAL"));
    Find<QCheckBox>(&w, "CheckACUMU")->setChecked(false);
    EXPECT_FALSE(Shown(&w, "RadioDETAL"));

    auto *pages = Find<QTabWidget>(&w, "PageControl1");
    EXPECT_EQ(pages->tabText(0), QStringLiteral("PAGOS"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("ENTRADAS"));
    EXPECT_EQ(w.paymentsGrid()->model()->headerData(w.paymentsGrid()->movements()->fechaColumn(), Qt::Horizontal).toString(),
              QStringLiteral("Fecha Pago"));
    EXPECT_EQ(w.entriesGrid()->model()->headerData(w.entriesGrid()->movements()->fechaColumn(), Qt::Horizontal).toString(),
              QStringLiteral("Fecha Entrada"));
    EXPECT_TRUE(Find<QPushButton>(&w, "BtnVerLiquidacion")->isDefault());
    EXPECT_EQ(Find<QPushButton>(&w, "BtnEliminarTodos")->text(), QStringLiteral(" Eliminar &Todos"));
}

TEST_F(SettlementInputWindow, AChosenAgreedRateTakesTheFocus)
{
    TFormInter w(app.context);
    w.show();
    QApplication::setActiveWindow(&w);
    auto *types = Find<QComboBox>(&w, "ComboTIPO");
    emit types->activated(4); // what choosing the item does
    types->setCurrentIndex(4);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == Find<QWidget>(&w, "EditINTERES"); }));

    // Leaving it with text that is no number puts "0" back.
    auto *rate = Find<QLineEdit>(&w, "EditINTERES");
    rate->setText(QStringLiteral("tres"));
    Find<QWidget>(&w, "EditCAPITAL")->setFocus();
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("La cantidad introducida no es válida."));
    EXPECT_EQ(rate->text(), QStringLiteral("0"));
}

TEST_F(SettlementInputWindow, TheFirstPeriodsEndMovesTheSecondPeriod)
{
    TFormInter w(app.context);
    auto *hasta1 = Find<DateBox>(&w, "DateHASTA1");
    auto *desde2 = Find<DateBox>(&w, "DateDESDE2");
    auto *hasta2 = Find<DateBox>(&w, "DateHASTA2");
    hasta2->setDate(D(31, 12, 2030));
    hasta1->lineEdit()->selectAll();
    QTest::keyClicks(hasta1->lineEdit(), QStringLiteral("15032030"));
    EXPECT_EQ(desde2->date(), D(16, 3, 2030));
    EXPECT_EQ(hasta2->date(), D(31, 12, 2030));
    hasta1->setDate(D(31, 12, 2031));
    EXPECT_EQ(desde2->date(), D(1, 1, 2032));
    EXPECT_EQ(hasta2->date(), D(1, 1, 2032));
}

TEST_F(SettlementInputWindow, VerLiquidacionChecksTheSecondPeriodFirstThenTheFirst)
{
    TFormInter w(app.context);
    w.show();
    QApplication::setActiveWindow(&w);
    // A view opened by mistake is closed (and noted) by a guard that ends with the window.
    bool viewed = false;
    auto *guard = new QTimer(&w);
    QObject::connect(guard, &QTimer::timeout, [&viewed] {
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            viewed = true;
            d->reject();
        }
    });
    guard->start(5);
    SettlementInput in = w.input();
    in.start = D(1, 1, 2021);
    in.end = D(1, 1, 2021);
    in.secondPeriod = true;
    in.secondEnd = D(1, 1, 2021);
    w.setInput(in);
    Click(&w, "BtnVerLiquidacion");
    EXPECT_EQ(app.prompter.messages(),
              QStringList{QStringLiteral("La fecha de inicio del segundo período no puede ser posterior a la fecha final.")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return Find<QWidget>(&w, "DateHASTA2")->isAncestorOf(QApplication::focusWidget()); }));

    Find<QCheckBox>(&w, "CheckSENTEN")->setChecked(false);
    Click(&w, "BtnVerLiquidacion");
    EXPECT_EQ(app.prompter.lastMessage(),
              QStringLiteral("La fecha final del primer período no puede ser igual o anterior a la fecha inicial."));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Find<QWidget>(&w, "DateDESDE1")->isAncestorOf(QApplication::focusWidget()); }));
    QTest::qWait(30);
    EXPECT_FALSE(viewed);
}

TEST_F(SettlementInputWindow, NuevaLiquidacionStartsAgainAndKeepsTheOptions)
{
    TFormInter w(app.context);
    SettlementInput in = w.input();
    in.principal = 5000.0;
    in.principalText = QStringLiteral("5.000,00");
    in.type1 = 4;
    in.agreedRate1 = QStringLiteral("7,5");
    in.secondPeriod = true;
    in.type2 = 4;
    in.agreedRate2 = QStringLiteral("8");
    in.compound = true;
    in.perPeriodRows = false;
    in.imputePayments = true;
    in.currency = QStringLiteral("Pta");
    in.movements = {{D(1, 1, 2021), 1.0, PaymentKind}, {D(2, 1, 2021), 2.0, EntryKind}};
    w.setInput(in);

    app.prompter.queueAnswer(Prompter::Answer::No);
    Click(&w, "BtnNueva");
    EXPECT_EQ(w.input(), in);

    app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&w, "BtnNueva");
    EXPECT_EQ(app.prompter.shown().back().text, QStringLiteral("¿Desea realizar una nueva Cuantix?"));
    EXPECT_EQ(app.prompter.shown().back().icon, Prompter::Icon::Confirmation);
    const QDate today = QDate::currentDate();
    const SettlementInput fresh = w.input();
    EXPECT_EQ(fresh.principal, 0.0);
    EXPECT_EQ(fresh.start, today);
    EXPECT_EQ(fresh.end, today);
    EXPECT_EQ(Find<DateBox>(&w, "DateDESDE2")->date(), today.addDays(1));
    EXPECT_EQ(fresh.secondEnd, today.addDays(1));
    EXPECT_EQ(fresh.type1, 0);
    EXPECT_EQ(fresh.type2, 0);
    EXPECT_EQ(fresh.agreedRate1, QStringLiteral("0"));
    EXPECT_EQ(fresh.agreedRate2, QStringLiteral("0"));
    EXPECT_FALSE(fresh.secondPeriod);
    EXPECT_FALSE(fresh.compound);
    EXPECT_TRUE(fresh.movements.empty());
    EXPECT_FALSE(Shown(&w, "EditINTERES") || Shown(&w, "DateHASTA2") || Shown(&w, "RadioDETAL"));
    // Kept as they were.
    EXPECT_FALSE(fresh.perPeriodRows);
    EXPECT_TRUE(fresh.imputePayments);
    EXPECT_EQ(fresh.currency, QStringLiteral("Pta"));

    // Right after it, the first period is refused: its end is its start.
    Click(&w, "BtnVerLiquidacion");
    EXPECT_EQ(app.prompter.lastMessage(),
              QStringLiteral("La fecha final del primer período no puede ser igual o anterior a la fecha inicial."));
}

TEST_F(SettlementInputWindow, AMovementTypedInTheGridIsPostedWhenLeftAndATakenDateIsRefused)
{
    TFormInter w(app.context);
    w.show();
    QApplication::setActiveWindow(&w);
    const QDate today = QDate::currentDate();
    MovementsGrid *payments = w.paymentsGrid();

    Click(&w, "BtnAltaPago");
    ASSERT_EQ(payments->model()->rowCount(), 1);
    EXPECT_EQ(payments->model()->index(0, payments->movements()->fechaColumn()).data().toString(), FormatDate(today));
    typeInto(payments, 0, payments->movements()->importeColumn(), QStringLiteral("1234,5"));
    EXPECT_TRUE(movements().empty()); // not posted while the row is being edited
    Click(&w, "BtnAltaPago");         // a second one: the first is posted
    EXPECT_EQ(movements(), (std::vector<Movement>{{today, 1234.5, PaymentKind}}));
    EXPECT_EQ(payments->model()->rowCount(), 2);
    QTest::keyClick(payments, Qt::Key_Escape); // the new row is dropped
    EXPECT_EQ(payments->model()->rowCount(), 1);
    EXPECT_EQ(payments->model()->index(0, payments->movements()->importeColumn()).data().toString(), QStringLiteral("1.234,50"));

    Find<QTabWidget>(&w, "PageControl1")->setCurrentIndex(1);
    EXPECT_EQ(app.store.currentKind(), EntryKind);
    MovementsGrid *entries = w.entriesGrid();
    Click(&w, "BtnAltaEntrada");
    EXPECT_FALSE(entries->postPending()); // no amount yet: the row stays for correction
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("Es necesario introducir el importe del movimiento."));
    EXPECT_EQ(entries->model()->rowCount(), 1);
    typeInto(entries, 0, entries->movements()->importeColumn(), QStringLiteral("50"));
    EXPECT_FALSE(entries->postPending()); // today holds the payment
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("Ya existe un pago o un entrada con esa fecha."));
    EXPECT_EQ(entries->model()->rowCount(), 0);

    Click(&w, "BtnAltaEntrada");
    typeInto(entries, 0, entries->movements()->fechaColumn(), FormatDate(today.addDays(3)).remove(QLatin1Char('/')));
    typeInto(entries, 0, entries->movements()->importeColumn(), QStringLiteral("50"));
    Find<QTabWidget>(&w, "PageControl1")->setCurrentIndex(0); // leaving the page posts it
    EXPECT_EQ(app.store.currentKind(), PaymentKind);
    EXPECT_EQ(movements(), (std::vector<Movement>{{today, 1234.5, PaymentKind}, {today.addDays(3), 50.0, EntryKind}}));
}

TEST_F(SettlementInputWindow, DeletingOneOrAllMovementsOfAPageLeavesTheOtherPage)
{
    TFormInter w(app.context);
    w.show();
    SettlementInput in = w.input();
    in.movements = {{D(1, 1, 2021), 1.0, PaymentKind}, {D(2, 1, 2021), 2.0, EntryKind}, {D(3, 1, 2021), 3.0, PaymentKind}};
    w.setInput(in);
    MovementsGrid *payments = w.paymentsGrid();
    payments->setCurrentIndex(payments->model()->index(1, payments->movements()->fechaColumn()));

    app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&w, "BtnBajaPago");
    EXPECT_EQ(app.prompter.shown().back().text, QStringLiteral("¿Desea eliminar el importe seleccionado?"));
    EXPECT_EQ(app.prompter.shown().back().icon, Prompter::Icon::Information);
    EXPECT_EQ(Dates(movements(), PaymentKind), QStringList{QStringLiteral("01/01/2021")});

    app.prompter.queueAnswer(Prompter::Answer::No);
    Click(&w, "BtnEliminarTodos");
    EXPECT_EQ(Dates(movements(), PaymentKind), QStringList{QStringLiteral("01/01/2021")});
    app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&w, "BtnEliminarTodos");
    EXPECT_EQ(app.prompter.shown().back().text, QStringLiteral("¿Desea eliminar todos los importes introducidos?"));
    EXPECT_EQ(app.prompter.shown().back().icon, Prompter::Icon::Confirmation);
    EXPECT_EQ(movements(), (std::vector<Movement>{{D(2, 1, 2021), 2.0, EntryKind}}));
    EXPECT_EQ(payments->model()->rowCount(), 0);

    // Nothing to delete: nothing is asked.
    const auto asked = app.prompter.shown().size();
    Click(&w, "BtnBajaPago");
    Click(&w, "BtnEliminarTodos");
    EXPECT_EQ(app.prompter.shown().size(), asked);
}

TEST_F(SettlementInputWindow, PeriodicPaymentsFallOnTheMonthsLastDayAndStopAtAnEntry)
{
    TFormInter w(app.context);
    w.show();
    OnModal<TFormPagPer>([](TFormPagPer *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Alta de Pagos Parciales Periódicos"));
        EXPECT_EQ(Find<QSpinBox>(d, "SpinEdit1")->value(), 1);
        EXPECT_EQ(Find<QComboBox>(d, "ComboMES")->currentIndex(), QDate::currentDate().month() - 1);
        EXPECT_EQ(Find<QSpinBox>(d, "SpinYEAR")->value(), QDate::currentDate().year());
        EXPECT_EQ(Find<QComboBox>(d, "ComboDIA")->currentText(), QStringLiteral("1"));
        EXPECT_EQ(Find<QLineEdit>(d, "EditIMPORTE")->text(), QStringLiteral("0"));
        Find<QSpinBox>(d, "SpinEdit1")->setValue(12);
        Find<QComboBox>(d, "ComboMES")->setCurrentIndex(11);
        Find<QSpinBox>(d, "SpinYEAR")->setValue(2021);
        Find<QComboBox>(d, "ComboDIA")->setCurrentIndex(1);
        Find<QLineEdit>(d, "EditIMPORTE")->setText(QStringLiteral("100,25"));
        Click(d, "BtnAceptar");
    });
    Click(&w, "BtnPagosPeriodicos");
    EXPECT_EQ(Dates(movements(), PaymentKind),
              (QStringList{QStringLiteral("31/12/2021"), QStringLiteral("31/01/2022"), QStringLiteral("28/02/2022"),
                           QStringLiteral("31/03/2022"), QStringLiteral("30/04/2022"), QStringLiteral("31/05/2022"),
                           QStringLiteral("30/06/2022"), QStringLiteral("31/07/2022"), QStringLiteral("31/08/2022"),
                           QStringLiteral("30/09/2022"), QStringLiteral("31/10/2022"), QStringLiteral("30/11/2022")}));
    EXPECT_EQ(w.paymentsGrid()->model()->rowCount(), 12);
    EXPECT_EQ(movements().front().amount, 100.25);

    // Entries on a typed day 31 from March 2024, then payments over them.
    Find<QTabWidget>(&w, "PageControl1")->setCurrentIndex(1);
    OnModal<TFormPagPer>([](TFormPagPer *d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Alta de Entradas Periódicas"));
        Find<QSpinBox>(d, "SpinEdit1")->setValue(2);
        Find<QComboBox>(d, "ComboMES")->setCurrentIndex(2);
        Find<QSpinBox>(d, "SpinYEAR")->setValue(2024);
        Find<QComboBox>(d, "ComboDIA")->setEditText(QStringLiteral("31"));
        Find<QLineEdit>(d, "EditIMPORTE")->setText(QStringLiteral("5"));
        Click(d, "BtnAceptar");
    });
    Click(&w, "BtnEntradaPeriodica");
    EXPECT_EQ(Dates(movements(), EntryKind), (QStringList{QStringLiteral("31/03/2024"), QStringLiteral("30/04/2024")}));

    Find<QTabWidget>(&w, "PageControl1")->setCurrentIndex(0);
    OnModal<TFormPagPer>([](TFormPagPer *d) {
        Find<QSpinBox>(d, "SpinEdit1")->setValue(4);
        Find<QComboBox>(d, "ComboMES")->setCurrentIndex(0);
        Find<QSpinBox>(d, "SpinYEAR")->setValue(2024);
        Find<QComboBox>(d, "ComboDIA")->setEditText(QStringLiteral("31"));
        Find<QLineEdit>(d, "EditIMPORTE")->setText(QStringLiteral("7"));
        Click(d, "BtnAceptar");
    });
    Click(&w, "BtnPagosPeriodicos");
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("Ya existe un pago o un entrada con esa fecha."));
    const QStringList payments2024 = Dates(movements(), PaymentKind).filter(QStringLiteral("2024"));
    EXPECT_EQ(payments2024, (QStringList{QStringLiteral("31/01/2024"), QStringLiteral("29/02/2024")}));
}

TEST_F(SettlementInputWindow, PeriodicDialogRefusesADayThatIsNoNumber)
{
    TFormPagPer d(app.context, EntryKind);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Alta de Entradas Periódicas"));
    QStringList labels;
    for (auto *label : d.findChildren<QLabel *>())
        labels << label->text();
    for (const char *text : {"Núm. Entradas:", "Importe Entrada:", "Desde Mes:", "Desde Año:", "Día de Entrada"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
    auto *day = Find<QComboBox>(&d, "ComboDIA");
    day->setEditText(QStringLiteral("quince"));
    EXPECT_FALSE(d.validateDay());
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("El día introducido no es un día válido."));
    EXPECT_EQ(day->currentText(), QStringLiteral("Primer día del Mes"));
    EXPECT_EQ(d.series().day, PeriodicSeries::Day::First);
    day->setEditText(QStringLiteral("20"));
    EXPECT_TRUE(d.validateDay());
    EXPECT_EQ(d.series().dayNumber, 20);
    Find<QLineEdit>(&d, "EditIMPORTE")->clear();
    EXPECT_EQ(d.series().amount, 0.0); // an empty amount counts as 0
}

TEST_F(SettlementInputWindow, ClosingTheWindowEmptiesTheMovements)
{
    {
        TFormInter w(app.context);
        SettlementInput in = w.input();
        in.movements = {{D(1, 1, 2021), 1.0, PaymentKind}};
        w.setInput(in);
        EXPECT_EQ(movements().size(), 1u);
    }
    TFormInter again(app.context);
    EXPECT_TRUE(again.input().movements.empty());
    EXPECT_EQ(again.paymentsGrid()->model()->rowCount(), 0);
}

TEST_F(SettlementInputWindow, WhatCannotBeRightIsRefusedWhereItIsTyped)
{
    TFormInter w(app.context);
    w.show();
    QApplication::setActiveWindow(&w);
    const auto refusedWith = [this](const QString &message, qsizetype before) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return app.prompter.messages().size() > before; }));
        EXPECT_EQ(app.prompter.lastMessage(), message);
    };

    auto *capital = Find<MoneyBox>(&w, "EditCAPITAL");
    for (const auto &[typed, message] : {std::pair{"-0,01", "El capital inicial no puede ser negativo."},
                                         std::pair{"1000000000000", "El importe es demasiado grande."}}) {
        const qsizetype before = app.prompter.messages().size();
        capital->setFocus();
        capital->selectAll();
        QTest::keyClicks(capital, QString::fromLatin1(typed));
        Find<QCheckBox>(&w, "CheckSENTEN")->setFocus(); // leaving the box
        refusedWith(QString::fromUtf8(message), before);
        EXPECT_EQ(capital->value(), 0.0);
    }
    // Return on a refused value stays in the box: no settlement is computed on the old value.
    bool computed = false;
    OnModal<TFormInterVi>([&computed](TFormInterVi *view) {
        computed = true;
        view->reject();
    });
    capital->setFocus();
    capital->selectAll();
    QTest::keyClicks(capital, QStringLiteral("-3"));
    QTest::keyClick(capital, Qt::Key_Return);
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("El capital inicial no puede ser negativo."));
    QTest::qWait(100);
    EXPECT_FALSE(computed);

    MovementsGrid *payments = w.paymentsGrid();
    const int amount = payments->movements()->importeColumn();
    const int date = payments->movements()->fechaColumn();
    Click(&w, "BtnAltaPago");
    const struct
    {
        int column;
        const char *typed;
        const char *message;
    } cells[] = {{amount, "0", "El importe debe ser mayor que cero."},
                 {amount, "-5", "El importe debe ser mayor que cero."},
                 {amount, "1000000000000", "El importe es demasiado grande."},
                 {date, "01012100", "La fecha debe ser anterior al 01/01/2100."}};
    for (const auto &cell : cells) {
        const qsizetype before = app.prompter.messages().size();
        typeInto(payments, 0, cell.column, QString::fromLatin1(cell.typed));
        refusedWith(QString::fromUtf8(cell.message), before);
    }
    typeInto(payments, 0, date, QStringLiteral("31122099"));
    typeInto(payments, 0, amount, QStringLiteral("999999999999,99"));
    EXPECT_TRUE(payments->postPending());
    EXPECT_EQ(movements(), (std::vector<Movement>{{D(31, 12, 2099), 999999999999.99, PaymentKind}}));

    // A series whose last movement would fall in 2100 is refused whole; so is an amount of 0.
    OnModal<TFormPagPer>([this](TFormPagPer *d) {
        Find<QSpinBox>(d, "SpinEdit1")->setValue(2);
        Find<QComboBox>(d, "ComboMES")->setCurrentIndex(11);
        Find<QSpinBox>(d, "SpinYEAR")->setValue(2099);
        Click(d, "BtnAceptar");
        EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("El importe debe ser mayor que cero."));
        Find<QLineEdit>(d, "EditIMPORTE")->setText(QStringLiteral("10"));
        Click(d, "BtnAceptar");
        EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("La fecha debe ser anterior al 01/01/2100."));
        EXPECT_TRUE(d->isVisible());
        Click(d, "BtnCancelar");
    });
    Click(&w, "BtnPagosPeriodicos");
    EXPECT_EQ(movements().size(), 1u);
}

TEST_F(SettlementInputWindow, EachButtonOfAPageAnswersToItsOwnLetter)
{
    TFormInter w(app.context);
    w.show();
    auto *pages = Find<QTabWidget>(&w, "PageControl1");
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QSet<QString> letters;
        for (auto *button : w.findChildren<QAbstractButton *>()) {
            const QString letter = QKeySequence::mnemonic(button->text()).toString();
            if (!button->isVisible() || letter.isEmpty())
                continue;
            EXPECT_FALSE(letters.contains(letter)) << button->text().toStdString();
            letters.insert(letter);
        }
        EXPECT_GE(letters.size(), 8);
    }
}

TEST_F(SettlementInputWindow, EscapeKeepsTheWindowAndLeavingWithMovementsAsksFirst)
{
    {
        TFormInter w(app.context);
        w.show();
        QApplication::setActiveWindow(&w);
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());

        SettlementInput in = w.input();
        in.movements = {{D(1, 3, 2021), 100.0, PaymentKind}};
        w.setInput(in);
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(app.prompter.messages().isEmpty());

        app.prompter.queueAnswer(Prompter::Answer::No);
        Click(&w, "BtnSalir");
        EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("¿Desea salir y descartar los pagos y entradas introducidos?"));
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(movements().size(), 1u);

        app.prompter.queueAnswer(Prompter::Answer::Yes);
        w.close(); // the close box
        EXPECT_FALSE(w.isVisible());
    }

    // Nothing entered: nothing to ask.
    TFormInter empty(app.context);
    empty.show();
    const qsizetype asked = app.prompter.messages().size();
    Click(&empty, "BtnSalir");
    EXPECT_FALSE(empty.isVisible());
    EXPECT_EQ(app.prompter.messages().size(), asked);
}
