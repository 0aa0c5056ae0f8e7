#include "interest/number_edit.h"
#include "interest/print_qt.h"
#include "interest/rate_add_dialog.h"
#include "interest/rate_list_window.h"
#include "interest/rate_modify_dialog.h"
#include "interest/rate_table.h"
#include "support/modal.h"
#include "store/lock_conflict.h"
#include "store/sql.h"
#include "support/app_fixture.h"
#include "support/dates.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void Click(QWidget *parent, const char *name)
{
    auto *button = parent->findChild<QPushButton *>(QLatin1String(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

void Type(QWidget *parent, const char *name, const QString &text)
{
    auto *edit = parent->findChild<QLineEdit *>(QLatin1String(name));
    ASSERT_NE(edit, nullptr) << name;
    edit->setText(text);
}

QString Cell(QTableView *grid, int row, int column)
{
    return grid->model()->index(row, column).data().toString();
}

class RateWindows : public ::testing::Test
{
protected:
    void SetUp() override { RunSql(db(), QStringLiteral("DELETE FROM Interes")); }
    QSqlDatabase db() const { return app.store.database(Alias::Devenix); }
    void store(QDate desde, QDate hasta, double lega = 3.0, double judi = 3.75, double admi = 3.75)
    {
        ASSERT_EQ(AddRatePeriod(db(), {desde, hasta, lega, judi, admi}), RatePeriodCheck::Accepted);
    }
    // Another running program holds the period's lock.
    void lockElsewhere(const QDate &desde)
    {
        RunSql(db(),
               QStringLiteral("INSERT INTO Bloqueos (Tabla, Clave, Usuario, Equipo, Proceso, Sesion, Desde)"
                              " VALUES ('Interes', ?, 'maria', ?, ?, 'otra-sesion', '')"),
               {RatePeriodKey(desde), QSysInfo::machineHostName(), QCoreApplication::applicationPid()});
    }
    int locks() const { return Scalar(db(), QStringLiteral("SELECT count(*) FROM Bloqueos")).toInt(); }

    AppFixture app;
};

// The add dialog, shown, with both dates and the legal rate typed.
struct AddDialog
{
    AddDialog(AppContext &context, const QString &desde, const QString &hasta, const QString &lega = QStringLiteral("3"))
        : dialog(context)
    {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        Type(&dialog, "MaskDesde", desde);
        Type(&dialog, "MaskHasta", hasta);
        Type(&dialog, "EditINTELEGA", lega);
    }
    bool accepted()
    {
        Click(&dialog, "BtnAceptar");
        return dialog.result() == QDialog::Accepted;
    }
    QWidget *focus() const { return QApplication::focusWidget(); }
    TFormIntAlt dialog;
};

} // namespace

TEST_F(RateWindows, TheListShowsThePeriodsInOrderWithTheirCaptions)
{
    store(D(1, 7, 2021), D(31, 12, 2021), 3.0, 3.75, 4.6875);
    store(D(1, 1, 2021), D(30, 6, 2021), 3.0, 5.0, 3.75);
    TFormInt window(app.context);
    EXPECT_EQ(window.objectName(), QStringLiteral("FormInt"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Mantenimiento de Intereses"));
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
    auto *grid = window.findChild<QTableView *>(QStringLiteral("DBGrid2"));
    ASSERT_NE(grid, nullptr);
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Desde"), QStringLiteral("Hasta"), QStringLiteral("Interés Legal"),
                                   QStringLiteral("Interés Judicial"), QStringLiteral("Int. Demora Admon.")}));
    ASSERT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(Cell(grid, 0, 0), QStringLiteral("01/01/2021"));
    EXPECT_EQ(Cell(grid, 1, 1), QStringLiteral("31/12/2021"));
    EXPECT_EQ(Cell(grid, 1, 2), QStringLiteral("3 %"));
    EXPECT_EQ(Cell(grid, 1, 3), QStringLiteral("3,75 %"));
    EXPECT_EQ(Cell(grid, 1, 4), QStringLiteral("4,688 %"));
    EXPECT_EQ(grid->model()->index(0, 2).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    EXPECT_EQ(grid->model()->index(0, 0).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_EQ(window.selectedPeriod()->desde, D(1, 1, 2021));
    for (const char *text : {"  &Altas", "  &Bajas", " &Modif.", "  &Salir"}) {
        const auto buttons = window.findChildren<QPushButton *>();
        EXPECT_TRUE(std::any_of(buttons.begin(), buttons.end(),
                                [text](QPushButton *b) { return b->text() == QString::fromUtf8(text); }))
            << text;
    }
}

TEST_F(RateWindows, TheAddDialogStartsOnToday)
{
    TFormIntAlt dialog(app.context);
    EXPECT_EQ(dialog.objectName(), QStringLiteral("FormIntAlt"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Tipos de intereses (Altas)"));
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    EXPECT_EQ(dialog.findChild<QLineEdit *>(QStringLiteral("MaskDesde"))->text(), today);
    EXPECT_EQ(dialog.findChild<QLineEdit *>(QStringLiteral("MaskHasta"))->text(), today);
    for (const char *name : {"EditINTELEGA", "EditINTEJUDI", "EditINTEADMI"})
        EXPECT_EQ(dialog.findChild<QLineEdit *>(QLatin1String(name))->text(), QStringLiteral("0")) << name;
}

TEST_F(RateWindows, AddingRefusesBadPeriodsWithTheirMessagesAndStoresGoodOnes)
{
    store(D(1, 1, 2021), D(30, 6, 2021));
    store(D(1, 5, 2022), D(31, 5, 2022));
    const QString inside = QStringLiteral("La fecha inicial ya está incluida en un período de intereses.");
    struct Refused
    {
        const char *desde;
        const char *hasta;
        QString message;
        const char *focus; // nullptr: the focus is not moved
    } refused[] = {
        {"31/12/2023", "01/01/2023", QStringLiteral("La fecha final es inferior a la fecha inicial."), "MaskHasta"},
        {"15/12/2021", "15/01/2022",
         QStringLiteral("El año de la fecha final no coincide con el año de la fecha inicial."), "MaskHasta"},
        {"30/06/2021", "31/12/2021", inside, nullptr},
        {"01/03/2022", "15/05/2022", inside, nullptr},
        {"01/03/2022", "30/06/2022", QStringLiteral("El período introducido incluye un período de intereses ya existente."),
         nullptr},
    };
    for (const auto &r : refused) {
        app.prompter.clear();
        AddDialog add(app.context, QString::fromLatin1(r.desde), QString::fromLatin1(r.hasta));
        EXPECT_FALSE(add.accepted()) << r.desde;
        EXPECT_EQ(app.prompter.messages(), QStringList{r.message}) << r.desde;
        EXPECT_EQ(app.prompter.shown().back().icon, Prompter::Icon::Information);
        if (r.focus) {
            EXPECT_EQ(add.focus()->objectName(), QLatin1String(r.focus)) << r.desde;
        }
    }
    EXPECT_EQ(LoadRatePeriods(db()).size(), 2u);

    app.prompter.clear();
    AddDialog next(app.context, QStringLiteral("01/07/2021"), QStringLiteral("31/12/2021"), QStringLiteral("3,5"));
    Type(&next.dialog, "EditINTEADMI", QStringLiteral("150"));
    EXPECT_TRUE(next.accepted());
    AddDialog oneDay(app.context, QStringLiteral("01/01/2023"), QStringLiteral("01/01/2023"));
    EXPECT_TRUE(oneDay.accepted());
    EXPECT_TRUE(app.prompter.messages().isEmpty());
    const std::vector<RatePeriod> periods = LoadRatePeriods(db());
    ASSERT_EQ(periods.size(), 4u);
    EXPECT_EQ(periods[1], (RatePeriod{D(1, 7, 2021), D(31, 12, 2021), 3.5, 0.0, 150.0}));
    EXPECT_EQ(periods[3].desde, periods[3].hasta);
}

TEST_F(RateWindows, AddingReportsBadDatesAndRatesAndStoresNothing)
{
    AddDialog badDate(app.context, QStringLiteral("31/02/2021"), QStringLiteral("31/12/2021"));
    EXPECT_FALSE(badDate.accepted());
    ASSERT_EQ(app.prompter.shown().size(), 1u);
    EXPECT_EQ(app.prompter.lastMessage(), QStringLiteral("\"31/02/2021\" no es una fecha válida."));
    EXPECT_EQ(app.prompter.shown().back().icon, Prompter::Icon::Error);

    app.prompter.clear();
    AddDialog outOfRange(app.context, QStringLiteral("01/01/2021"), QStringLiteral("31/12/2021"), QStringLiteral("101"));
    EXPECT_FALSE(outOfRange.accepted());
    EXPECT_EQ(app.prompter.messages(), QStringList{QStringLiteral("El Interés Legal debe estar entre 0 y 100.")});

    app.prompter.clear();
    AddDialog notANumber(app.context, QStringLiteral("01/01/2021"), QStringLiteral("31/12/2021"), QStringLiteral("3.5"));
    EXPECT_FALSE(notANumber.accepted());
    EXPECT_EQ(app.prompter.messages(), QStringList{NumberEdit::InvalidMessage()});
    EXPECT_EQ(notANumber.dialog.findChild<QLineEdit *>(QStringLiteral("EditINTELEGA"))->text(), QStringLiteral("0"));
    EXPECT_TRUE(LoadRatePeriods(db()).empty());
}

TEST_F(RateWindows, LeavingARateThatIsNotANumberPutsZeroBackAndReturns)
{
    TFormIntAlt dialog(app.context);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto *judi = dialog.findChild<QLineEdit *>(QStringLiteral("EditINTEJUDI"));
    judi->setFocus();
    judi->selectAll();
    QTest::keyClicks(judi, QStringLiteral("tres"));
    QTest::keyClick(judi, Qt::Key_Tab);
    EXPECT_EQ(app.prompter.messages(), QStringList{QStringLiteral("La cantidad introducida no es válida.")});
    EXPECT_EQ(judi->text(), QStringLiteral("0"));
    QTRY_VERIFY(judi->hasFocus());

    QTest::keyClicks(judi, QStringLiteral("4,5"));
    QTest::keyClick(judi, Qt::Key_Tab);
    EXPECT_EQ(app.prompter.messages().size(), 1);
}

TEST_F(RateWindows, ModifyingHoldsTheLockWhileTheDialogIsOpenAndStoresTheRates)
{
    store(D(1, 1, 2021), D(31, 12, 2021), 3.0, 5.0, 3.75);
    TFormInt window(app.context);
    window.show();
    int locksWhileOpen = -1;
    OnModal<TFormIntMan>([&](TFormIntMan *dialog) {
        locksWhileOpen = locks();
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Tipos de intereses (Modificaciones)"));
        EXPECT_EQ(dialog->findChild<QLabel *>(QStringLiteral("LabelDESDE"))->text(), QStringLiteral("01/01/2021"));
        EXPECT_EQ(dialog->findChild<QLabel *>(QStringLiteral("LabelHASTA"))->text(), QStringLiteral("31/12/2021"));
        EXPECT_EQ(dialog->findChild<QLineEdit *>(QStringLiteral("EditINTEJUDI"))->text(), QStringLiteral("5"));
        Type(dialog, "EditINTELEGA", QStringLiteral("3,25"));
        Click(dialog, "BtnAceptar");
    });
    Click(&window, "BtnModif");
    EXPECT_EQ(locksWhileOpen, 1);
    EXPECT_EQ(locks(), 0);
    EXPECT_EQ(LoadRatePeriods(db()).at(0), (RatePeriod{D(1, 1, 2021), D(31, 12, 2021), 3.25, 5.0, 3.75}));
    EXPECT_EQ(Cell(window.grid(), 0, 2), QStringLiteral("3,25 %"));
    EXPECT_TRUE(app.prompter.messages().isEmpty());
}

TEST_F(RateWindows, AnOutOfRangeRateKeepsTheModifyDialogOpen)
{
    store(D(1, 1, 2021), D(31, 12, 2021));
    TFormIntMan dialog(app.context, LoadRatePeriods(db()).at(0));
    Type(&dialog, "EditINTEJUDI", QStringLiteral("100,5"));
    Click(&dialog, "BtnAceptar");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(app.prompter.messages(), QStringList{QStringLiteral("El Interés Judicial debe estar entre 0 y 100.")});
    EXPECT_EQ(LoadRatePeriods(db()).at(0).inteJudi, 3.75);
}

TEST_F(RateWindows, APeriodLockedElsewhereIsNeitherModifiedNorDeleted)
{
    store(D(1, 1, 2021), D(31, 12, 2021));
    lockElsewhere(D(1, 1, 2021));
    TFormInt window(app.context);
    window.show();
    bool opened = false;
    OnModal<TFormIntMan>([&](TFormIntMan *dialog) {
        opened = true;
        dialog->reject();
    });
    Click(&window, "BtnModif");
    QTest::qWait(50);
    EXPECT_FALSE(opened);
    app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&window, "BtnBajas");
    EXPECT_EQ(app.prompter.messages(),
              (QStringList{QStringLiteral("En este momento el tipo de interés está siendo usado por el usuario: \"maria\". "
                                          "Inténtelo más tarde."),
                           QStringLiteral("¿Está seguro de que quiere borrar el tipo de interes seleccionado?"),
                           QStringLiteral("En este momento el tipo de interes está siendo usado por el usuario: \"maria\". "
                                          "Inténtelo más tarde.")}));
    EXPECT_EQ(LoadRatePeriods(db()).size(), 1u);
}

TEST_F(RateWindows, APeriodDeletedElsewhereRefreshesTheListSilently)
{
    store(D(1, 1, 2021), D(30, 6, 2021));
    store(D(1, 7, 2021), D(31, 12, 2021));
    TFormInt window(app.context);
    window.show();
    DeleteRatePeriod(db(), D(1, 1, 2021));
    bool opened = false;
    OnModal<TFormIntMan>([&](TFormIntMan *dialog) {
        opened = true;
        dialog->reject();
    });
    Click(&window, "BtnModif");
    QTest::qWait(50);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(app.prompter.messages().isEmpty());
    EXPECT_EQ(window.grid()->model()->rowCount(), 1);
    EXPECT_EQ(locks(), 0);
}

TEST_F(RateWindows, DeletingAsksFirstAndADoubleClickModifies)
{
    TFormInt window(app.context);
    window.show();
    Click(&window, "BtnBajas"); // nothing to delete: no question
    EXPECT_TRUE(app.prompter.shown().empty());

    store(D(1, 1, 2021), D(30, 6, 2021));
    store(D(1, 7, 2021), D(31, 12, 2021));
    TFormInt filled(app.context);
    filled.show();
    filled.selectPeriod(D(1, 7, 2021));
    app.prompter.queueAnswer(Prompter::Answer::No);
    Click(&filled, "BtnBajas");
    EXPECT_EQ(LoadRatePeriods(db()).size(), 2u);
    const auto &question = app.prompter.shown().back();
    EXPECT_EQ(question.text, QStringLiteral("¿Está seguro de que quiere borrar el tipo de interes seleccionado?"));
    EXPECT_EQ(question.icon, Prompter::Icon::Information);
    EXPECT_EQ(question.buttons, Prompter::Buttons::YesNo);

    app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&filled, "BtnBajas");
    const std::vector<RatePeriod> left = LoadRatePeriods(db());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].desde, D(1, 1, 2021));
    EXPECT_EQ(filled.grid()->model()->rowCount(), 1);
    EXPECT_EQ(locks(), 0);

    QString opened;
    OnModal<TFormIntMan>([&](TFormIntMan *dialog) {
        opened = dialog->findChild<QLabel *>(QStringLiteral("LabelDESDE"))->text();
        Click(dialog, "BtnCancelar");
    });
    QTableView *grid = filled.grid();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&filled));
    const QRect cell = grid->visualRect(grid->model()->index(0, 1));
    // A double click follows a press on the same cell.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(opened, QStringLiteral("01/01/2021"));
}
