#include "fees/criterion_select_dialog.h"
#include "fees/fee_calculator_window.h"
#include "fees/fee_engine.h"
#include "fees/vary_references_dialog.h"
#include "support/app_fixture.h"
#include "support/modal.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// The calculator on Madrid's schedule: criteria 16 and 35 are fixed sums of 400 € and
// 4.000 € (mode 21110).
class FeeCalculatorWindow : public ::testing::Test
{
protected:
    FeeCalculatorWindow()
    {
        app.session.moduleDir = app.install.file(QStringLiteral("modulos/madrid"));
        app.store.openModule(app.session.moduleDir);
    }

    QString text(TformCopyDescripcion &w, const char *name) { return Find<QLineEdit>(&w, name)->text(); }

    void select(TformCopyDescripcion &w, int id)
    {
        OnModal<TformHonoSelect>([id](TformHonoSelect *d) {
            d->selectId(id);
            Click(d, "btnSeleccionar");
        });
        w.selectCriterion();
    }

    void type(TformCopyDescripcion &w, const char *amount)
    {
        QLineEdit *edit = Find<QLineEdit>(&w, "RxCalcLibre");
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromUtf8(amount));
    }

    AppFixture app;
    FeeEngine engine{app.prompter};
};

} // namespace

TEST_F(FeeCalculatorWindow, FixedSumIsCopiedWithItsDescription)
{
    TformCopyDescripcion w(app.context, engine);
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Calculo de Honorarios"));

    // Before a criterion: the message at the key and again at the change; nothing passed on.
    type(w, "5");
    EXPECT_EQ(app.prompter.messages(),
              QStringList(2, QStringLiteral("Debe seleccionar antes un criterio.")));
    EXPECT_TRUE(engine.fields().amount.isEmpty());

    select(w, 16);
    EXPECT_EQ(text(w, "tbxTitulo"), QStringLiteral("Monitorio: petición sin oposición ni pago"));
    EXPECT_EQ(text(w, "tbxCriterio"), QStringLiteral("C23A"));
    EXPECT_EQ(text(w, "Edit1"), QStringLiteral("0"));
    type(w, "0");
    EXPECT_EQ(text(w, "tbxImporte"), QStringLiteral("400"));
    EXPECT_EQ(text(w, "tbxFijo"), QStringLiteral("400"));

    // The mirror step brings the criterion's title back; an edit made last is what is copied.
    Find<QLineEdit>(&w, "tbxTitulo")->setText(QStringLiteral("Otro texto"));
    type(w, "1100,25");
    EXPECT_EQ(text(w, "tbxTitulo"), QStringLiteral("Monitorio: petición sin oposición ni pago"));
    EXPECT_EQ(text(w, "tbxImporte"), QStringLiteral("1500,25"));
    Find<QLineEdit>(&w, "tbxTitulo")->setText(QStringLiteral("Juicio verbal"));
    QApplication::clipboard()->setText(QStringLiteral("antes"));
    Click(&w, "BitBtn6");
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Juicio verbal|1500,25"));
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST_F(FeeCalculatorWindow, SalirLeavesTheClipboardAndTheNextWindowKeepsTheAmount)
{
    {
        TformCopyDescripcion w(app.context, engine);
        w.show();
        select(w, 16);
        type(w, "2000");
        QApplication::clipboard()->setText(QStringLiteral("antes"));
        Click(&w, "BitBtn2");
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("antes"));
    }
    TformCopyDescripcion second(app.context, engine);
    second.show();
    EXPECT_TRUE(text(second, "RxCalcLibre").isEmpty());
    // The calculation goes on: its references can be varied before a new selection.
    OnModal<TFormVarRef>([](TFormVarRef *d) {
        EXPECT_EQ(Find<QLabel>(d, "lblCriterio")->text(), QStringLiteral("C23A"));
        Click(d, "BitBtn2");
    });
    Find<QToolButton>(&second, "BitBtn3")->click();
    EXPECT_EQ(text(second, "tbxImporte"), QStringLiteral("2400"));
    EXPECT_TRUE(app.prompter.messages().isEmpty()) << app.prompter.lastMessage().toStdString();
    select(second, 35); // a fixed 4.000 €
    EXPECT_EQ(text(second, "RxCalcLibre"), QStringLiteral("2000"));
    EXPECT_EQ(text(second, "tbxImporte"), QStringLiteral("6000"));
}

TEST_F(FeeCalculatorWindow, VaryingReferencesDisablesTheUnusedOnes)
{
    TformCopyDescripcion w(app.context, engine);
    w.show();
    select(w, 16);
    type(w, "100");
    bool shown = false;
    OnModal<TFormVarRef>([&shown](TFormVarRef *d) {
        shown = true;
        EXPECT_TRUE(Find<QLineEdit>(d, "tbxFijo")->isEnabled());
        EXPECT_FALSE(Find<QLineEdit>(d, "tbxInc")->isEnabled());
        EXPECT_FALSE(Find<QWidget>(d, "RxSpinPorc")->isEnabled());
        EXPECT_EQ(Find<QLabel>(d, "lblCriterio")->text(), QStringLiteral("C23A"));
        Find<QWidget>(d, "RxSpinFijo")->findChild<QToolButton *>(QStringLiteral("Arriba"))->click();
        EXPECT_EQ(Find<QLineEdit>(d, "tbxFijo")->text(), QStringLiteral("401"));
        Click(d, "BitBtn1");
    });
    Find<QToolButton>(&w, "BitBtn4")->click();
    EXPECT_TRUE(shown);
    EXPECT_EQ(text(w, "tbxImporte"), QStringLiteral("501"));
    EXPECT_EQ(text(w, "tbxFijo"), QStringLiteral("401"));
}

TEST_F(FeeCalculatorWindow, SelectionLeftWithEscChangesNothing)
{
    TformCopyDescripcion w(app.context, engine);
    w.show();
    select(w, 16);
    type(w, "100");
    bool shown = false;
    OnModal<TformHonoSelect>([&shown](TformHonoSelect *d) {
        shown = true;
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Seleccione un Honorario"));
        EXPECT_FALSE(d->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        EXPECT_EQ(d->currentId(), 1); // the first record
        EXPECT_TRUE(Find<QPlainTextEdit>(d, "DBMemo1")->toPlainText().startsWith(QStringLiteral("Juicios ordinario")));
        QTest::keyClick(d, Qt::Key_Escape);
    });
    QTest::mouseClick(Find<QLineEdit>(&w, "tbxCriterio"), Qt::LeftButton);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(engine.calculation().selectionCancelled);
    EXPECT_EQ(text(w, "tbxCriterio"), QStringLiteral("C23A"));
    EXPECT_EQ(text(w, "tbxImporte"), QStringLiteral("500"));
}
