#include "core/errors.h"
#include "support/scripted_prompter.h"
#include "widgets/application.h"
#include "widgets/date_box.h"
#include "widgets/form_is_open.h"
#include "widgets/money_box.h"
#include "widgets/qt_prompter.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(DateBox, TypedDatesAreParsedStrictly)
{
    DateBox box;
    QSignalSpy changed(&box, &DateBox::dateChanged);
    box.setText(QStringLiteral("30/06/2021"));
    EXPECT_EQ(box.date(), QDate(2021, 6, 30));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toDate(), QDate(2021, 6, 30));
    box.setText(QStringLiteral("31/02/2021"));
    EXPECT_FALSE(box.date().isValid());
    box.clear();
    EXPECT_TRUE(box.text().isEmpty());
}

TEST(DateBox, LeavingWithAnInvalidDateIsRefused)
{
    ScriptedPrompter prompter;
    QWidget window;
    auto *box = new DateBox(&window);
    auto *other = new QLineEdit(&window);
    box->setPrompter(&prompter);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    box->setFocus();
    box->setText(QStringLiteral("31/02/2021"));
    QSignalSpy finished(box, &DateBox::editingFinished);
    other->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.lastMessage(), QStringLiteral("\"31/02/2021\" no es una fecha válida."));
    EXPECT_EQ(finished.count(), 0);
    QTRY_VERIFY(box->lineEdit()->hasFocus());

    box->setText(QStringLiteral("28/02/2021"));
    other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(finished.count(), 1);
}

TEST(MoneyBox, ShowsThousandsWhenNotEditing)
{
    QWidget window;
    auto *money = new MoneyBox(&window);
    auto *other = new QLineEdit(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    other->setFocus();
    money->setValue(12345678.91);
    EXPECT_EQ(money->text(), QStringLiteral("12.345.678,91"));
    money->setFocus();
    EXPECT_EQ(money->text(), QStringLiteral("12345678,91"));
    money->selectAll();
    QTest::keyClicks(money, QStringLiteral("10.000,5"));
    other->setFocus();
    EXPECT_EQ(money->value(), 10000.5);
    EXPECT_EQ(money->text(), QStringLiteral("10.000,50"));
    money->setValue(-3);
    EXPECT_EQ(money->text(), QStringLiteral("-3,00"));
}

TEST(FormIsOpen, ComparesNamesWithoutCase)
{
    QWidget form;
    form.setObjectName(QStringLiteral("FormCliPral"));
    EXPECT_TRUE(FormIsOpen(QStringLiteral("FORMCLIPRAL")));
    EXPECT_FALSE(FormIsOpen(QStringLiteral("FormCorConPral")));
}

TEST(CuantixApplication, AnErrorReachingTheEventLoopIsShownAndTheProgramGoesOn)
{
    ScriptedPrompter prompter;
    auto *app = qobject_cast<CuantixApplication *>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    app->setErrorPrompter(&prompter);
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, [] {
        throw AppError(QStringLiteral("No existe la carpeta de datos \"/x/Datos\""), QStringLiteral("detalle"));
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    app->setErrorPrompter(nullptr);
    ASSERT_EQ(prompter.shown().size(), 1u);
    EXPECT_EQ(prompter.shown()[0].text, QStringLiteral("No existe la carpeta de datos \"/x/Datos\""));
    EXPECT_EQ(prompter.shown()[0].title, QStringLiteral("Cuantix"));
    EXPECT_EQ(prompter.shown()[0].icon, Prompter::Icon::Error);
}

TEST(ShowStandardError, AddsTheClosingPeriod)
{
    ScriptedPrompter prompter;
    ShowStandardError(prompter, QStringLiteral("Falta el archivo"));
    ShowStandardError(prompter, QStringLiteral("Falta el archivo."));
    EXPECT_EQ(prompter.messages(), QStringList({QStringLiteral("Falta el archivo."), QStringLiteral("Falta el archivo.")}));
}

TEST(SpanishQt, StandardButtonsAndFileDialogsSpeakSpanish)
{
    // The application object of the test run loaded Qt's translations as the program's does.
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancelar"));
}

TEST(FileDialogs, NeverStartAtTheRootOfTheDisk)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/copia.zip");
    const struct
    {
        QString requested;
        bool kept;
    } cases[] = {{dir.path(), true}, {file, true}, {QStringLiteral("/"), false}, {QString(), false},
                 {dir.path() + QStringLiteral("/no-existe/x.zip"), false}};
    for (const auto &c : cases) {
        const QString start = FileDialogStart(c.requested);
        if (c.kept) {
            EXPECT_EQ(start, c.requested);
        } else {
            EXPECT_TRUE(QFileInfo(start).isDir()) << start.toStdString();
            EXPECT_FALSE(QDir(start).isRoot()) << c.requested.toStdString();
        }
    }
}
