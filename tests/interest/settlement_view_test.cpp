#include "support/modal.h"
#include "interest/print_qt.h"
#include "interest/rate_table.h"
#include "interest/settlement_rows_model.h"
#include "interest/settlement_view_window.h"
#include "store/sql.h"
#include "support/app_fixture.h"
#include "support/dates.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString Text(QWidget *window, const char *label)
{
    auto *l = window->findChild<QLabel *>(QLatin1String(label));
    return l ? l->text() : QStringLiteral("(no label %1)").arg(QLatin1String(label));
}

QPushButton *Button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

// The worked example with a payment: 10.000,00 over 2021 at 3 %, 1.000,00 paid on 30/06/2021.
SettlementInput Example()
{
    SettlementInput in;
    in.principal = 10000.0;
    in.principalText = QStringLiteral("10.000,00");
    in.start = D(1, 1, 2021);
    in.end = D(31, 12, 2021);
    in.secondEnd = D(1, 1, 2022);
    in.movements = {{D(30, 6, 2021), 1000.0, QStringLiteral("P")}};
    return in;
}

class SettlementView : public ::testing::Test
{
protected:
    AppFixture app;
};

} // namespace

TEST_F(SettlementView, ShowsTheRowsAndTheTotalsStrip)
{
    TFormInterVi view(app.context);
    EXPECT_EQ(view.objectName(), QStringLiteral("FormInterVi"));
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Vista de la Liquidación"));
    for (const char *label : {"LabelCAPITAL", "LabelTOTINTER", "LabelTOTPAGOS", "LabelTOTENTRADAS", "LabelTOTAL"})
        EXPECT_EQ(Text(&view, label), QStringLiteral("0,00")) << label;

    const SettlementInput in = Example();
    view.setSettlement(in, ComputeSettlement(in, {{D(1, 1, 2021), D(31, 12, 2021), 3.0, 5.0, 3.75}}));
    EXPECT_EQ(Text(&view, "LabelCAPITAL"), QStringLiteral("10.000,00"));
    EXPECT_EQ(Text(&view, "LabelTOTINTER"), QStringLiteral("284,88"));
    EXPECT_EQ(Text(&view, "LabelTOTPAGOS"), QStringLiteral("1.000,00"));
    EXPECT_EQ(Text(&view, "LabelTOTENTRADAS"), QStringLiteral("0,00"));
    EXPECT_EQ(Text(&view, "LabelTOTAL"), QStringLiteral("9.284,88"));

    auto *grid = view.findChild<QTableView *>(QStringLiteral("DBGrid1"));
    ASSERT_NE(grid, nullptr);
    QAbstractItemModel *model = grid->model();
    QStringList titles;
    for (int c = 0; c < model->columnCount(); ++c)
        titles << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Desde"), QStringLiteral("Hasta"), QStringLiteral("Días"),
                                   QStringLiteral("Capital Acumulado"), QStringLiteral("% Interés"), QStringLiteral("Total")}));
    EXPECT_EQ(model->headerData(SettlementRowsModel::Total, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignCenter));
    ASSERT_EQ(model->rowCount(), 2);
    QStringList second;
    for (int c = 0; c < model->columnCount(); ++c)
        second << model->index(1, c).data().toString();
    EXPECT_EQ(second, (QStringList{QStringLiteral("01/07/2021"), QStringLiteral("31/12/2021"), QStringLiteral("184"),
                                   QStringLiteral("9.000,00"), QStringLiteral("3,00"), QStringLiteral("136,11")}));
    const QModelIndex total = model->index(1, SettlementRowsModel::Total);
    EXPECT_EQ(total.data(SettlementRowsModel::RawValueRole).toDouble(), view.settlementResult().rows[1].total);
    EXPECT_EQ(total.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_EQ(model->index(1, SettlementRowsModel::Desde).data(SettlementRowsModel::RawValueRole).toDate(), D(1, 7, 2021));
    EXPECT_EQ(model->index(1, SettlementRowsModel::Dias).data(SettlementRowsModel::RawValueRole).toInt(), 184);
}

TEST_F(SettlementView, StoreAndPrintRunTheirHandlersAndVolverCloses)
{
    TFormInterVi view(app.context);
    view.show();
    QPushButton *store = Button(&view, "BtnGrabar");
    QPushButton *print = Button(&view, "BtnImprimir");
    QPushButton *back = Button(&view, "BtnVolver");
    ASSERT_TRUE(store && print && back);
    EXPECT_EQ(store->text(), QStringLiteral("&Grabar"));
    EXPECT_EQ(print->text(), QStringLiteral("  &Imprimir"));
    EXPECT_EQ(back->text(), QStringLiteral("  &Volver"));
    EXPECT_TRUE(back->isDefault());
    EXPECT_FALSE(store->isEnabled());
    EXPECT_FALSE(print->isEnabled());

    QStringList calls;
    view.setActions({[&](TFormInterVi &v) { calls << QStringLiteral("store ") + v.windowTitle(); },
                     [&](TFormInterVi &) { calls << QStringLiteral("print"); }});
    QTest::mouseClick(store, Qt::LeftButton);
    QTest::mouseClick(print, Qt::LeftButton);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("store Vista de la Liquidación"), QStringLiteral("print")}));

    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(view.result(), QDialog::Rejected);
}

TEST_F(SettlementView, CoversTheMainWindowsClientArea)
{
    QMainWindow main;
    main.menuBar()->addMenu(QStringLiteral("&Archivo"));
    main.setCentralWidget(new QWidget);
    main.resize(900, 700);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TFormInterVi view(app.context, &main);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const int menu = main.menuBar()->height();
    EXPECT_EQ(view.frameGeometry().topLeft(), main.mapToGlobal(QPoint(0, menu)));
    EXPECT_EQ(view.frameGeometry().size(), QSize(900, 700 - menu));

    // The columns share the grid's width: no empty strip on the right, none squeezed.
    auto *grid = view.findChild<QTableView *>(QStringLiteral("DBGrid1"));
    int sum = 0;
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        EXPECT_GE(grid->columnWidth(c), grid->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000"))) << c;
        sum += grid->columnWidth(c);
    }
    EXPECT_NEAR(sum, grid->viewport()->width(), grid->model()->columnCount());
}

TEST_F(SettlementView, ViewSettlementUsesTheInstalledRatesAndShowsTheMessagesFirst)
{
    // The installation's table holds the official rates: 3 % legal interest in 2021.
    QString interest;
    int messagesBeforeView = -1;
    OnModal<TFormInterVi>([&](TFormInterVi *view) {
        interest = Text(view, "LabelTOTINTER");
        messagesBeforeView = static_cast<int>(app.prompter.messages().size());
        Button(view, "BtnVolver")->click();
    });
    EXPECT_TRUE(ViewSettlement(app.context, nullptr, Example()));
    EXPECT_EQ(interest, QStringLiteral("284,88"));
    EXPECT_EQ(messagesBeforeView, 0);

    RunSql(app.store.database(Alias::Devenix), QStringLiteral("DELETE FROM Interes"));
    OnModal<TFormInterVi>([&](TFormInterVi *view) {
        interest = Text(view, "LabelTOTINTER");
        messagesBeforeView = static_cast<int>(app.prompter.messages().size());
        Button(view, "BtnVolver")->click();
    });
    EXPECT_TRUE(ViewSettlement(app.context, nullptr, Example()));
    EXPECT_EQ(interest, QStringLiteral("0,00"));
    EXPECT_EQ(messagesBeforeView, 1);
    EXPECT_EQ(app.prompter.messages(), QStringList{NoRatesMessage});
}

TEST_F(SettlementView, AnErrorOfTheCalculationIsReportedAndNoViewOpens)
{
    SettlementInput in = Example();
    in.type1 = static_cast<int>(InterestType::Agreed);
    in.agreedRate1 = QStringLiteral("tres");
    bool opened = false;
    OnModal<TFormInterVi>([&](TFormInterVi *view) {
        opened = true;
        view->reject();
    });
    EXPECT_FALSE(ViewSettlement(app.context, nullptr, in));
    QTest::qWait(50);
    EXPECT_FALSE(opened);
    ASSERT_EQ(app.prompter.shown().size(), 1u);
    EXPECT_EQ(app.prompter.shown()[0].icon, Prompter::Icon::Error);
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("\"tres\" no es un porcentaje de interés válido."));
}
