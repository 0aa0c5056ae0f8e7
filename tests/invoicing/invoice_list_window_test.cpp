#include "support/modal.h"
#include "clients/clients_window.h"
#include "invoicing/invoice_list_window.h"
#include "invoicing/invoice_result_window.h"
#include "invoicing/invoice_list_model.h"
#include "invoicing/invoice_search_window.h"
#include "support/app_fixture.h"
#include "support/widget_lookup.h"
#include "store/sql.h"
#include "widgets/money_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Calls back for every widget the application shows while it lives.
class ShowWatcher final : public QObject
{
public:
    explicit ShowWatcher(std::function<void(QWidget *)> onShow) : m_onShow(std::move(onShow))
    {
        QApplication::instance()->installEventFilter(this);
    }
    ~ShowWatcher() override { QApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            m_onShow(static_cast<QWidget *>(watched));
        return false;
    }

private:
    std::function<void(QWidget *)> m_onShow;
};

class InvoiceListWindowTest : public ::testing::Test
{
protected:
    QSqlDatabase db() const { return m_app.store.database(Alias::Intereses); }

    void store(int id, const QString &nif, double fee)
    {
        InvoiceHeader h;
        h.key = {id, 2024};
        h.fecha = QDate(2024, 3, 1);
        h.nif = nif;
        h.iva = 21;
        h.irpf = 15;
        InvoiceLine line;
        line.tipo = kTipoHonorario;
        line.subTotal = fee;
        line.iva = 21;
        line.irpf = 15;
        std::vector<InvoiceLine> lines{line};
        StoreNewInvoice(db(), h, lines);
    }

    AppFixture m_app;
};

TEST_F(InvoiceListWindowTest, ListCollectsAndDeletesTheSelectedInvoice)
{
    store(1, QStringLiteral("A"), 1000);
    store(2, QStringLiteral("B"), 100);
    TFormFact window(m_app.context);
    ASSERT_EQ(window.model()->rowCount(), 2);
    EXPECT_EQ(window.model()->headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("IVA"));

    window.selectInvoice({2, 2024});
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&window, "BitBtn5"); // &Cobrar
    EXPECT_TRUE(m_app.prompter.lastMessage().startsWith(QStringLiteral("¿Desea marcar esta factura como cobrada con fecha ")));
    EXPECT_TRUE(LoadInvoice(db(), {2, 2024})->cobrado);
    EXPECT_TRUE(window.model()->invoiceAt(1)->cobrado);

    // Collected: two questions before it goes, and the selection stays on a row.
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&window, "BitBtn3"); // Ba&jas
    EXPECT_FALSE(InvoiceExists(db(), {2, 2024}));
    EXPECT_EQ(window.model()->rowCount(), 1);
    EXPECT_TRUE(m_app.prompter.allAnswersUsed());
}

// Rows come a page at a time by position: the order, the page edges and the row of an
// invoice never read must agree with the key order (number, then year).
TEST_F(InvoiceListWindowTest, ListReadsRowsByPositionInKeyOrder)
{
    {
        Transaction transaction(db());
        for (int id = 1; id <= 150; ++id) {
            for (int year : {2024, 2023})
                RunSql(db(), QStringLiteral("INSERT INTO facturas (Id, Iyear, Fecha, Total, Cobrado) VALUES (?, ?, ?, ?, ?)"),
                       {id, year, QStringLiteral("%1-01-02").arg(year), id * 10.0 + year % 10, id % 2});
        }
        transaction.commit();
    }
    const auto keyOfRow = [](int row) { return InvoiceKey{row / 2 + 1, 2023 + row % 2}; };
    const int rows[] = {0, 1, 127, 128, 129, 255, 256, 299};

    InvoiceListModel reader(db(), {});
    ASSERT_EQ(reader.rowCount(), 300);
    for (int row : rows) {
        const auto invoice = reader.invoiceAt(row);
        ASSERT_TRUE(invoice) << row;
        EXPECT_EQ(invoice->key, keyOfRow(row)) << row;
        EXPECT_EQ(qRound64(invoice->totals.total * 100), (invoice->key.id * 10 + invoice->key.iyear % 10) * 100) << row;
        EXPECT_EQ(invoice->cobrado, invoice->key.id % 2 == 1) << row;
    }
    EXPECT_FALSE(reader.invoiceAt(300));
    for (int row : rows) {
        InvoiceListModel fresh(db(), {}); // nothing read: the row is counted in the store
        EXPECT_EQ(fresh.rowOf(keyOfRow(row)), row);
        EXPECT_EQ(reader.rowOf(keyOfRow(row)), row); // found among the rows read
    }
    EXPECT_EQ(reader.rowOf({151, 2023}), -1);
    EXPECT_EQ(reader.rowOf({1, 2022}), -1);

    // Deleting the current invoice on the second page leaves the next one current on its row.
    TFormFact window(m_app.context);
    window.selectInvoice(keyOfRow(200));
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    Click(&window, "BitBtn3"); // Ba&jas
    auto *grid = Find<QTableView>(&window, "DBGrid1");
    EXPECT_EQ(window.model()->rowCount(), 299);
    EXPECT_EQ(grid->currentIndex().row(), 200);
    EXPECT_EQ(window.model()->invoiceAt(200)->key, keyOfRow(201));
    EXPECT_EQ(window.model()->data(window.model()->index(200, 1), Qt::DisplayRole).toString(),
              QString::number(keyOfRow(201).id));
}

TEST_F(InvoiceListWindowTest, SearchRefusesABadTotalBesideItAndShowsWhatItFinds)
{
    store(1, QStringLiteral("B12345678"), 1000);
    store(2, QStringLiteral("x-b12"), 100);
    store(60, QStringLiteral("b12"), 10);
    TFormFacBus search(m_app.context, TFormFacBus::Mode::Normal);
    auto *desde = Find<QLineEdit>(&search, "editDesdeTot");
    QTest::keyClicks(desde, QStringLiteral("1.0x"));
    EXPECT_TRUE(Find<QCheckBox>(&search, "chkTotFac")->isChecked());
    EXPECT_TRUE(search.search().empty());
    EXPECT_EQ(Find<QLabel>(&search, "LabelTotError")->text(), kBadTotalMessage);
    EXPECT_TRUE(m_app.prompter.messages().isEmpty());

    desde->setText(QStringLiteral("1.000,5"));
    Find<QLineEdit>(&search, "editHastaTot")->setText(QStringLiteral("2.000"));
    QTest::keyClicks(Find<QLineEdit>(&search, "EditNIF"), QStringLiteral("B12"));
    EXPECT_EQ(Find<QLineEdit>(&search, "EditNIF")->text(), QStringLiteral("b12"));
    QString found;
    QString sums;
    // The wait window is shown while the query runs and gone before the result window.
    QStringList waitTexts;
    ShowWatcher watcher([&waitTexts](QWidget *shown) {
        if (shown->objectName() == QLatin1String("FormExpMes"))
            waitTexts << shown->findChild<QLabel *>()->text();
    });
    bool waitGone = false;
    OnModal<TFormFacRes>([&](TFormFacRes *result) {
        waitGone = true;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("FormExpMes") && top->isVisible())
                waitGone = false;
        found = Find<QLabel>(result, "Label1")->text();
        sums = Find<QLabel>(result, "Label2")->text();
        // Commission of 10 % on the fees found.
        OnModal<TFormFacCom>([](TFormFacCom *commission) {
            commission->setPercent(10);
            EXPECT_EQ(Find<MoneyBox>(commission, "CurEdtTOTAL")->value(), 100.0);
            commission->reject();
        });
        result->showCommission();
        result->reject();
    });
    const auto rows = search.search();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(waitTexts, QStringList{QStringLiteral("Buscando Facturas. Espere por favor...")});
    EXPECT_TRUE(waitGone);
    EXPECT_EQ(found, QStringLiteral("Facturas encontradas: 1"));
    EXPECT_EQ(sums, QStringLiteral("Tot.Facturas: 1.060,00  Tot.Cobrado: 0,00  Tot.Pendiente: 1.060,00"));

    // Collection dates only with "Fras. Cobradas".
    auto *cobro = Find<QCheckBox>(&search, "CheckCOBRO");
    EXPECT_FALSE(cobro->isEnabled());
    Find<QRadioButton>(&search, "RadioCOBRA")->setChecked(true);
    EXPECT_TRUE(cobro->isEnabled());
    cobro->setChecked(true);
    Find<QRadioButton>(&search, "RadioTODAS")->setChecked(true);
    EXPECT_FALSE(cobro->isChecked());
}

// "Con Cliente" restricts by the client chosen in the clients window, not by the text; the rows
// found go to the clipboard and to a text file as they are.
TEST_F(InvoiceListWindowTest, SearchByChosenClientThenCopyAndSaveTheRows)
{
    for (const auto &[number, name] : {std::pair{7, "Peña Zamora"}, std::pair{8, "Abad"}})
        RunSql(db(), QStringLiteral("INSERT INTO clientes (ICodCli, SNombreCli) VALUES (?, ?)"),
               {number, QString::fromUtf8(name)});
    store(1, QStringLiteral("A"), 1000);
    store(2, QStringLiteral("B"), 100);
    store(3, QStringLiteral("C"), 10);
    RunSql(db(), QStringLiteral("UPDATE facturas SET Icodcli = ?, NombreCliente = ? WHERE Id IN (1, 3)"),
           {7, QStringLiteral("Peña Zamora")});
    RunSql(db(), QStringLiteral("UPDATE facturas SET Icodcli = 8 WHERE Id = 2"));

    TFormFacBus search(m_app.context, TFormFacBus::Mode::Normal);
    auto *edit = Find<QLineEdit>(&search, "EditCLI");
    QTest::keyClicks(edit, QStringLiteral("pe"));
    OnModal<TFormCliPral>([](TFormCliPral *clients) {
        EXPECT_EQ(Find<QLineEdit>(clients, "EditNOMBRE")->text(), QStringLiteral("pe"));
        Click(clients, "BtnSeleccionar");
    });
    Find<QToolButton>(&search, "BtnCLI")->click();
    EXPECT_EQ(edit->text(), QStringLiteral("peña zamora"));
    EXPECT_TRUE(Find<QCheckBox>(&search, "CheckCLI")->isChecked());

    const QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("listados.2024")));
    const QString typed = dir.path() + QStringLiteral("/listados.2024/facturas");
    QString clipboard;
    OnModal<TFormFacRes>([&](TFormFacRes *result) {
        result->copyToClipboard();
        clipboard = QGuiApplication::clipboard()->text();
        m_app.prompter.queueFile(typed);
        result->saveAsText();
        result->reject();
    });
    const auto rows = search.search();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].key.id, 1);
    EXPECT_EQ(rows[1].key.id, 3);
    const QStringList lines = clipboard.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4); // heads, two invoices, totals
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2024\t1\t01/03/2024\tPeña Zamora\t1.060,00\t"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Totales\t\t\t\t1.070,60\t"))) << lines[3].toStdString();
    QFile saved(typed + QStringLiteral(".txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), clipboard);

    // A new text forgets the client: every invoice again.
    QTest::keyClicks(edit, QStringLiteral("x"));
    OnModal<TFormFacRes>([](TFormFacRes *result) { result->reject(); });
    EXPECT_EQ(search.search().size(), 3u);
}

} // namespace
