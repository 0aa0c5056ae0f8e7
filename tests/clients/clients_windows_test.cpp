#include "clients/client_picker.h"
#include "clients/clients_window.h"
#include "clients/contacts_window.h"
#include "clients/search_content_window.h"
#include "core/spanish_ids.h"
#include "support/app_fixture.h"
#include "support/widget_lookup.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Runs `act` on the active modal window of type T once it shows.
template<class T>
void WhenShown(std::function<void(T *)> act)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        if (auto *w = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start(5);
}

class ClientsWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"López García", "GARCIA", "Álvarez", "garcía", "Zamora", "abad"})
            m_clients.insert(Record{{QStringLiteral("SNombreCli"), QString::fromUtf8(name)}}, m_clients.nextNumber());
    }
    QString currentName(RecordWindow &window) const
    {
        return window.list().cell(window.currentRow(), 0);
    }
    static void Leave(QLineEdit *edit, const QString &text, QWidget *next)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        next->setFocus();
        QCoreApplication::processEvents();
    }

    AppFixture m_app;
    RecordFile m_clients{m_app.store.database(Alias::Intereses), ClientsFile()};
};

TEST_F(ClientsWindowTest, PickerReturnsTheChosenNumberOrZero)
{
    WhenShown<TFormCliPral>([](TFormCliPral *w) {
        EXPECT_EQ(Find<QLineEdit>(w, "EditNOMBRE")->text(), QStringLiteral("zam"));
        EXPECT_TRUE(Find<QPushButton>(w, "BtnSeleccionar")->isVisible());
        EXPECT_FALSE(Find<QPushButton>(w, "BtnModif")->isDefault());
        Click(w, "BtnSeleccionar");
    });
    const int zamora = PickClient(m_app.context, QStringLiteral("zam"));
    EXPECT_EQ(FindClient(m_app.context, zamora)->value(QStringLiteral("SNombreCli")).toString(), QStringLiteral("Zamora"));

    WhenShown<TFormCliPral>([](TFormCliPral *w) { Click(w, "BtnSalir"); });
    EXPECT_EQ(PickClient(m_app.context, QStringLiteral("zam")), 0);
}

TEST_F(ClientsWindowTest, NameSearchPositionsAsTyped)
{
    TFormCliPral window(m_app.context);
    EXPECT_FALSE(Find<QPushButton>(&window, "BtnSeleccionar")->isVisibleTo(&window));
    auto *name = Find<QLineEdit>(&window, "EditNOMBRE");
    QTest::keyClicks(name, QStringLiteral("g"));
    EXPECT_EQ(currentName(window), QStringLiteral("GARCIA"));
    name->insert(QStringLiteral("arcí"));
    EXPECT_EQ(currentName(window), QStringLiteral("garcía"));
    name->setText(QStringLiteral("LO"));
    EXPECT_EQ(currentName(window), QStringLiteral("López García"));
}

TEST_F(ClientsWindowTest, SearchByContentFirstAndNext)
{
    TFormCliPral window(m_app.context);
    TFormBusCont search(
        window.list(), [&] { return window.currentRow(); }, [&](int row) { window.setCurrentRow(row); }, m_app.prompter);
    auto *next = Find<QPushButton>(&search, "BtnSiguiente");
    EXPECT_FALSE(next->isEnabled());
    QTest::keyClicks(Find<QLineEdit>(&search, "EditBUSQUEDA"), QStringLiteral("GARC"));
    EXPECT_EQ(Find<QLineEdit>(&search, "EditBUSQUEDA")->text(), QStringLiteral("garc"));
    search.findFirst();
    EXPECT_EQ(currentName(window), QStringLiteral("GARCIA"));
    EXPECT_TRUE(next->isEnabled());
    search.findNext();
    EXPECT_EQ(currentName(window), QStringLiteral("garcía"));
    search.findNext();
    EXPECT_EQ(currentName(window), QStringLiteral("López García"));
    search.findNext();
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("Se ha llegado al final de la base de datos."));
    EXPECT_EQ(currentName(window), QStringLiteral("López García"));

    QTest::keyClicks(Find<QLineEdit>(&search, "EditNIF"), QStringLiteral("x"));
    EXPECT_TRUE(Find<QLineEdit>(&search, "EditBUSQUEDA")->text().isEmpty());
    search.findFirst();
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("No existe ningún registro con los caracteres introducidos."));
}

TEST_F(ClientsWindowTest, AddingFillsTheProvinceCompletesTheNifAndStores)
{
    TFormCliPral window(m_app.context);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Click(&window, "BtnAltas");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Mantenimiento de Clientes (Altas)"));
    auto *name = Find<QLineEdit>(&window, "DBEditSNombreCli");
    name->setText(QStringLiteral("Bufete Nuevo"));
    auto *postal = Find<QLineEdit>(&window, "DBEditSCodPostalCli");
    Leave(postal, QStringLiteral("07001"), name);
    EXPECT_EQ(Find<QComboBox>(&window, "DBComboSProvinciaCli")->currentText(), QStringLiteral("Islas Baleares"));
    Leave(postal, QStringLiteral("A7001"), name);
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("El código postal introducido no es válido."));
    EXPECT_TRUE(postal->text().isEmpty());
    Leave(postal, QStringLiteral("28001"), name);

    auto *nif = Find<QLineEdit>(&window, "DBEditSNifCli");
    nif->setText(QStringLiteral("1234567"));
    Click(&window, "BtnLetra");
    EXPECT_EQ(nif->text(), QStringLiteral("1234567"));
    nif->setText(QStringLiteral("12345678"));
    Click(&window, "BtnLetra");
    EXPECT_EQ(nif->text(), QStringLiteral("12345678-Z"));

    Click(&window, "BtnComprobar");
    EXPECT_EQ(m_app.prompter.shown().back().text, QStringLiteral("El N.I.F. es correcto."));
    nif->setText(QStringLiteral("B12345675"));
    Click(&window, "BtnComprobar");
    EXPECT_EQ(m_app.prompter.shown().back().icon, Prompter::Icon::Warning);
    nif->setText(QStringLiteral("12345678-Z"));

    m_app.prompter.clear();
    auto *account = Find<QLineEdit>(&window, "DBEditCuentaBanco");
    Leave(account, QStringLiteral("1234-5678-07-1234567890"), name);
    EXPECT_EQ(m_app.prompter.lastMessage(),
              QStringLiteral("los dígitos de control no son válidos, deberían ser '06'. revise el número de cuenta. "));
    Leave(account, QStringLiteral("1234-5678-06-1234567890"), name);
    Click(&window, "BtnIBAN");
    EXPECT_EQ(account->text(), IbanFromCcc(QStringLiteral("12345678061234567890")).value());

    Click(&window, "BtnAceptar");
    const std::optional<Record> stored = m_clients.find(7);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->value(QStringLiteral("SProvinciaCli")).toString(), QStringLiteral("Madrid"));
    EXPECT_EQ(stored->value(QStringLiteral("SNifCli")).toString(), QStringLiteral("12345678-Z"));
    EXPECT_EQ(window.currentNumber(), 7);
}

TEST_F(ClientsWindowTest, GridExportsWriteTheListedRows)
{
    TFormCliPral window(m_app.context);
    QTemporaryDir dir;
    m_app.prompter.queueFile(dir.filePath(QStringLiteral("lista")));
    window.exportExcel();
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("lista.xlsx"))).size() > 0);
    m_app.prompter.queueFile(dir.filePath(QStringLiteral("lista.vcf")));
    window.exportVcards();
    QFile cards(dir.filePath(QStringLiteral("lista.vcf")));
    ASSERT_TRUE(cards.open(QIODevice::ReadOnly));
    EXPECT_EQ(cards.readAll().count("BEGIN:VCARD"), 6);

    window.copyToClipboard();
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines.first(), QStringLiteral("Nombre Cliente\tCorreo Electrónico\tNif Cliente\tTeléfono 1\tFax\tMóvil"));
    EXPECT_EQ(lines.at(1), QStringLiteral("abad\t\t\t\t\t"));
}

TEST(ClientsWindowEmpty, ModifyOnAnEmptyFileAddsNumberOneAndDeleteDoesNothing)
{
    AppFixture app;
    TFormCliPral window(app.context);
    Click(&window, "BtnBajas");
    EXPECT_TRUE(app.prompter.shown().empty());
    Click(&window, "BtnModif");
    EXPECT_EQ(window.mode(), RecordActions::Mode::Adding);
    Find<QLineEdit>(&window, "DBEditSNombreCli")->setText(QStringLiteral("Primero"));
    window.close(); // a record being added is stored on closing
    EXPECT_EQ(RecordFile(app.store.database(Alias::Intereses), ClientsFile()).find(1)->value(QStringLiteral("SNombreCli")),
              QStringLiteral("Primero"));
}

TEST(ContactsWindow, AddressListRoundTripsThroughTheWindow)
{
    AppFixture app;
    RecordFile contacts(app.store.database(Alias::Intereses), ContactsFile());
    contacts.insert(Record{{QStringLiteral("Nombre"), QStringLiteral("Ana")},
                           {QStringLiteral("Email1"), QStringLiteral("a@x.es")},
                           {QStringLiteral("Email3"), QStringLiteral("c@x.es")},
                           {QStringLiteral("Perso2"), QStringLiteral("guardado")}},
                    1);
    TFormCorConPral window(app.context);
    Click(&window, "BtnModif");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Mantenimiento de Contactos (Modif.)"));
    auto *grid = Find<QListWidget>(&window, "StringGrid1");
    ASSERT_EQ(grid->count(), 3);
    EXPECT_TRUE(grid->item(0)->font().bold());
    grid->setCurrentRow(2);
    Click(&window, "BtnPredeterminada");
    auto *edit = Find<QLineEdit>(&window, "Edit1");
    EXPECT_FALSE(Find<QPushButton>(&window, "BtnAnadir")->isEnabled());
    QTest::keyClicks(edit, QStringLiteral("d@x.es"));
    Click(&window, "BtnAnadir");
    EXPECT_EQ(grid->count(), 4);
    Click(&window, "BtnAceptar");

    const Record stored = *contacts.find(1);
    EXPECT_EQ(stored.value(QStringLiteral("Email1")).toString(), QStringLiteral("c@x.es"));
    EXPECT_FALSE(stored.contains(QStringLiteral("Email2")));
    EXPECT_EQ(stored.value(QStringLiteral("Email3")).toString(), QStringLiteral("a@x.es"));
    EXPECT_EQ(stored.value(QStringLiteral("Email4")).toString(), QStringLiteral("d@x.es"));
    EXPECT_EQ(stored.value(QStringLiteral("Perso2")).toString(), QStringLiteral("guardado"));
    EXPECT_FALSE(window.editing());
}

} // namespace
