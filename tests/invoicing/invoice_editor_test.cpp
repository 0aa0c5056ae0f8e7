#include "clients/clients_window.h"
#include "clients/record_file.h"
#include "core/ini_file.h"
#include "fees/criterion_select_dialog.h"
#include "core/rounding.h"
#include "support/modal.h"
#include "invoicing/invoice_editor_window.h"
#include "invoicing/line_modify_dialog.h"
#include "invoicing/new_invoice_dialog.h"
#include "support/app_fixture.h"
#include "support/widget_lookup.h"
#include "widgets/date_box.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

qint64 Cents(double amount)
{
    return RoundToInt(amount * 100);
}

class InvoiceEditorTest : public ::testing::Test
{
protected:
    QSqlDatabase db() const { return m_app.store.database(Alias::Intereses); }

    TFormFact1 &open(const InvoiceKey &key = {12, 2024})
    {
        if (!InvoiceExists(db(), key))
            CreateInvoice(db(), key, QDate(2024, 3, 1));
        m_editor = std::make_unique<TFormFact1>(m_app.context, key);
        m_editor->show();
        return *m_editor;
    }
    QLineEdit *edit(const char *name) const { return Find<QLineEdit>(m_editor.get(), name); }
    void typeInto(const char *name, const QString &text) const
    {
        QLineEdit *box = edit(name);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    // A line typed into the manual row and "&Altas".
    void add(const QString &tipo, const QString &importe, const QString &titulo = {})
    {
        Find<QComboBox>(m_editor.get(), "cmbTipo")->setCurrentText(tipo);
        edit("tbxTitulo")->setText(titulo);
        edit("tbxImporte")->setText(importe);
        Click(m_editor.get(), "btnAltas");
    }
    InvoiceHeader stored(const InvoiceKey &key = {12, 2024}) const { return *LoadInvoice(db(), key); }

    AppFixture m_app;
    std::unique_ptr<TFormFact1> m_editor;
};

TEST_F(InvoiceEditorTest, NewInvoiceDialogProposesTheNextNumberAndRefusesTakenOnes)
{
    {
        TformFacAltHono empty(m_app.context);
        EXPECT_TRUE(Find<QLineEdit>(&empty, "editNumFact")->text().isEmpty());
        EXPECT_EQ(Find<QLineEdit>(&empty, "editAnoFact")->text(), QString::number(QDate::currentDate().year()));
        EXPECT_FALSE(empty.windowFlags() & Qt::WindowCloseButtonHint);
    }
    CreateInvoice(db(), {57, 2023}, QDate(2023, 12, 1));
    CreateInvoice(db(), {12, 2024}, QDate(2024, 1, 10));
    TformFacAltHono dialog(m_app.context);
    QLineEdit *number = Find<QLineEdit>(&dialog, "editNumFact");
    QLineEdit *year = Find<QLineEdit>(&dialog, "editAnoFact");
    EXPECT_EQ(number->text(), QStringLiteral("58"));

    struct Row
    {
        const char *number;
        const char *year;
        const char *message;
    } refused[] = {
        {"", "2024", "Debe rellenar el campo Num de Factura y Año"},
        {"12", "", "Debe rellenar el campo Num de Factura y Año"},
        {"12", "2024", "Ya existe una factura con ese mismo número y año"},
        {"12a", "2024", "\"12a\" no es un número entero válido."},
    };
    for (const Row &r : refused) {
        number->setText(QLatin1String(r.number));
        year->setText(QLatin1String(r.year));
        dialog.accept();
        EXPECT_EQ(m_app.prompter.lastMessage(), QString::fromUtf8(r.message)) << r.number << "/" << r.year;
        EXPECT_FALSE(dialog.created());
    }
    EXPECT_EQ(stored({12, 2024}).fecha, QDate(2024, 1, 10));

    number->setText(QStringLiteral("12"));
    year->setText(QStringLiteral("2025"));
    Find<DateBox>(&dialog, "MaskFECHA")->clear();
    dialog.accept();
    ASSERT_EQ(dialog.created(), (InvoiceKey{12, 2025}));
    const InvoiceHeader created = stored({12, 2025});
    EXPECT_EQ(created.fecha, QDate::currentDate());
    EXPECT_EQ(created.dcto, 0.0);
    EXPECT_EQ(created.totals.total, 0.0);
    EXPECT_EQ(created.iva, std::nullopt);
}

TEST_F(InvoiceEditorTest, NewInvoiceTakesTheSettingsRatesAndAnExistingOneKeepsItsOwn)
{
    open({1, 2024});
    EXPECT_EQ(edit("dbeIVA")->text(), QStringLiteral("21"));
    EXPECT_EQ(edit("dbeIRPF")->text(), QStringLiteral("0"));
    EXPECT_TRUE(edit("dbeDCTO")->text() == QStringLiteral("0"));
    m_editor->close();

    IniFile(m_app.context.settingsPath).writeString(QStringLiteral("FACTURACION"), QStringLiteral("IVA"), QStringLiteral("16,00"));
    IniFile(m_app.context.settingsPath).writeString(QStringLiteral("FACTURACION"), QStringLiteral("IRPF"), QStringLiteral("15"));
    open({2, 2024});
    EXPECT_EQ(edit("dbeIVA")->text(), QStringLiteral("16"));
    EXPECT_EQ(edit("dbeIRPF")->text(), QStringLiteral("15"));
    m_editor->close();
    EXPECT_EQ(stored({2, 2024}).iva, 16.0);

    CreateInvoice(db(), {3, 2024}, QDate(2024, 3, 1));
    InvoiceHeader zero = stored({3, 2024});
    zero.iva = 0.0;
    StoreInvoiceHeader(db(), zero);
    open({3, 2024});
    EXPECT_EQ(edit("dbeIVA")->text(), QStringLiteral("0"));
}

TEST_F(InvoiceEditorTest, AddedLinesTakeTheirRatesAndTheRowKeepsTypeAndDate)
{
    IniFile(m_app.context.settingsPath).writeString(QStringLiteral("FACTURACION"), QStringLiteral("IVA"), QStringLiteral("16"));
    IniFile(m_app.context.settingsPath).writeString(QStringLiteral("FACTURACION"), QStringLiteral("IRPF"), QStringLiteral("15"));
    open();
    Find<DateBox>(m_editor.get(), "daeFecha")->setDate(QDate(2024, 3, 5));
    add(QStringLiteral("Honorario"), QStringLiteral("33,33"), QStringLiteral("Demanda"));
    add(QStringLiteral("Suplido"), QStringLiteral("50"));
    EXPECT_EQ(Find<QComboBox>(m_editor.get(), "cmbTipo")->currentText(), QStringLiteral("Suplido"));
    EXPECT_EQ(Find<DateBox>(m_editor.get(), "daeFecha")->date(), QDate(2024, 3, 5));
    EXPECT_TRUE(edit("tbxTitulo")->text().isEmpty());
    EXPECT_TRUE(edit("tbxImporte")->text().isEmpty());
    add(QStringLiteral("Provision"), QStringLiteral("200"));

    // An empty amount is a conversion error and stores nothing.
    add(QStringLiteral("Suplido"), QString());
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("\"\" no es un número válido."));

    const auto lines = LoadInvoiceLines(db(), {12, 2024});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].iva, 16.0);
    EXPECT_EQ(lines[0].irpf, 15.0);
    EXPECT_EQ(lines[0].amounts.total, 33.66);
    EXPECT_EQ(lines[1].iva, 0.0);
    EXPECT_EQ(lines[1].amounts.total, 50.0);
    EXPECT_EQ((std::vector<int>{lines[0].linea, lines[1].linea, lines[2].linea}), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(edit("dbeTotal")->text(), QStringLiteral("-116,34"));
    EXPECT_EQ(stored().totals.total, -116.34);
    auto *grid = Find<QTableView>(m_editor.get(), "dbgLineasFact");
    EXPECT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->model()->index(2, 4).data().toString(), QStringLiteral("200,00")); // Entradas
    EXPECT_EQ(grid->model()->headerData(6, Qt::Horizontal).toString(), QStringLiteral("% IVA"));

    // A new VAT typed re-rates the fee line at once; a discount typed as letters is 0.
    typeInto("dbeIVA", QStringLiteral("21"));
    QTest::keyClick(edit("dbeIVA"), Qt::Key_Return);
    typeInto("dbeDCTO", QStringLiteral("x"));
    QTest::keyClick(edit("dbeDCTO"), Qt::Key_Return);
    EXPECT_EQ(edit("dbeDCTO")->text(), QStringLiteral("0"));
    EXPECT_EQ(Cents(LoadInvoiceLines(db(), {12, 2024})[0].amounts.totalIVA), 700);
    EXPECT_EQ(edit("dbeTotalIVA")->text(), QStringLiteral("7,00"));

    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    grid->selectRow(1);
    Click(m_editor.get(), "btnBajas");
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("¿Desea eliminar la línea seleccionada?"));
    EXPECT_EQ(LoadInvoiceLines(db(), {12, 2024}).size(), 2u);
    EXPECT_EQ(stored().totals.totalSuplidos, 0.0);
}

TEST_F(InvoiceEditorTest, ModificationDialogPreviewsAndStoresTheLineWithItsRates)
{
    open();
    add(QStringLiteral("Suplido"), QStringLiteral("100"));
    OnModal<TFormFacModHono>([this](TFormFacModHono *dialog) {
        EXPECT_EQ(Find<QLineEdit>(dialog, "tbxIVA")->text(), QStringLiteral("0"));
        Find<QLineEdit>(dialog, "tbxDCTO")->setText(QStringLiteral("10"));
        Find<QLineEdit>(dialog, "tbxIVA")->setText(QStringLiteral("21"));
        Find<QLineEdit>(dialog, "tbxIRPF")->setText(QStringLiteral("15"));
        EXPECT_EQ(Find<QLineEdit>(dialog, "tbxTotal")->text(), QStringLiteral("95,40"));
        Find<QLineEdit>(dialog, "tbxIRPF")->setText(QStringLiteral("quince"));
        dialog->accept();
        EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("\"quince\" no es un número válido."));
        EXPECT_TRUE(dialog->isVisible());
        Find<QLineEdit>(dialog, "tbxIRPF")->clear();
        Find<QLineEdit>(dialog, "dbeNotas")->setText(QStringLiteral("Tasa judicial"));
        dialog->accept();
    });
    Click(m_editor.get(), "btnModif");
    const InvoiceLine line = LoadInvoiceLines(db(), {12, 2024}).front();
    EXPECT_EQ(line.titulo, QStringLiteral("Tasa judicial"));
    EXPECT_EQ(line.irpf, std::nullopt);
    EXPECT_EQ(line.amounts.total, 108.9); // 90 + 18.90
    // Outlays are summed by their Total whatever their rates.
    EXPECT_EQ(stored().totals.totalSuplidos, 108.9);
}

TEST_F(InvoiceEditorTest, AnyCloseStoresTheHeaderWithTheTotalsOfTheStoredLines)
{
    open();
    add(QStringLiteral("Honorario"), QStringLiteral("1000"));
    edit("dbeNombre")->setText(QStringLiteral("Ana Peña"));
    edit("dbeRef")->setText(QStringLiteral("Exp. 4/2024"));
    // The VAT box still has the focus when the window is closed by its close box.
    typeInto("dbeIVA", QStringLiteral("10"));
    m_editor->close();
    const InvoiceHeader h = stored();
    EXPECT_EQ(h.nombreCliente, QStringLiteral("Ana Peña"));
    EXPECT_EQ(h.ref, QStringLiteral("Exp. 4/2024"));
    EXPECT_EQ(h.iva, 10.0);
    EXPECT_EQ(h.totals, RecalcularTotales(db(), {12, 2024}));
    EXPECT_EQ(h.totals.total, 1100.0);
}

TEST_F(InvoiceEditorTest, AnInvoiceDeletedByAnotherUserClosesTheEditorWithoutOrphans)
{
    open();
    DeleteInvoice(db(), {12, 2024});
    add(QStringLiteral("Suplido"), QStringLiteral("50"));
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("El registro ha sido eliminado por otro usuario."));
    EXPECT_FALSE(m_editor->isVisible());
    EXPECT_FALSE(InvoiceExists(db(), {12, 2024}));
    EXPECT_TRUE(LoadInvoiceLines(db(), {12, 2024}).empty());

    // Closed by its close box after the deletion: the header is not written back.
    open({13, 2024});
    edit("dbeNombre")->setText(QStringLiteral("Ana Peña"));
    DeleteInvoice(db(), {13, 2024});
    m_app.prompter.clear();
    m_editor->close();
    EXPECT_EQ(m_app.prompter.messages(), QStringList{QStringLiteral("El registro ha sido eliminado por otro usuario.")});
    EXPECT_FALSE(m_editor->isVisible());
    EXPECT_FALSE(InvoiceExists(db(), {13, 2024}));
}

TEST_F(InvoiceEditorTest, ClientPickerCopiesTheClientIntoTheInvoice)
{
    RecordFile clients(db(), ClientsFile());
    const QString longName = QStringLiteral("Zamora Construcciones y Reformas del Levante S.L.");
    const int number = clients.nextNumber();
    clients.insert(Record{{QStringLiteral("SNombreCli"), longName},
                          {QStringLiteral("SDomicilioCli"), QStringLiteral("Calle Mayor, 1")},
                          {QStringLiteral("SPoblacionCli"), QStringLiteral("Elche")},
                          {QStringLiteral("SProvinciaCli"), QStringLiteral("Alicante")},
                          {QStringLiteral("SCodPostalCli"), QStringLiteral("03201")},
                          {QStringLiteral("SNifCli"), QStringLiteral("B12345674")}},
                   number);
    open();
    edit("dbeNombre")->setText(QStringLiteral("zam"));
    OnModal<TFormCliPral>([](TFormCliPral *picker) {
        EXPECT_EQ(Find<QLineEdit>(picker, "EditNOMBRE")->text(), QStringLiteral("zam"));
        Click(picker, "BtnSeleccionar");
    });
    Click(m_editor.get(), "btnCliente");
    EXPECT_EQ(edit("dbeNombre")->text(), longName);
    EXPECT_EQ(edit("dbePoblacion")->text(), QStringLiteral("Elche"));
    m_editor->close();
    const InvoiceHeader h = stored();
    EXPECT_EQ(h.icodcli, number);
    EXPECT_EQ(h.nombreCliente, longName);
    EXPECT_EQ(h.direccion, QStringLiteral("Calle Mayor, 1"));
    EXPECT_EQ(h.provincia, QStringLiteral("Alicante"));
    EXPECT_EQ(h.codPostal, QStringLiteral("03201"));
    EXPECT_EQ(h.nif, QStringLiteral("B12345674"));
}

TEST_F(InvoiceEditorTest, CanariasShowsIgicCaptions)
{
    m_app.session.regionName = QStringLiteral("Canarias");
    open();
    int igic = 0;
    for (const QLabel *label : m_editor->findChildren<QLabel *>())
        igic += label->text() == QLatin1String("I.G.I.C.");
    EXPECT_EQ(igic, 2);
    EXPECT_EQ(Find<QTableView>(m_editor.get(), "dbgLineasFact")->model()->headerData(6, Qt::Horizontal).toString(),
              QStringLiteral("I.G.I.C."));
}

} // namespace

namespace {

// The editor on Madrid's schedule: criterion 16 (C23A) is a fixed sum of 400 € (mode 21110).
class InvoiceEditorFees : public InvoiceEditorTest
{
protected:
    InvoiceEditorFees()
    {
        m_app.session.moduleDir = m_app.install.file(QStringLiteral("modulos/madrid"));
        m_app.store.openModule(m_app.session.moduleDir);
    }
    void select(int id)
    {
        OnModal<TformHonoSelect>([id](TformHonoSelect *d) {
            d->selectId(id);
            Click(d, "btnSeleccionar");
        });
        Find<QToolButton>(m_editor.get(), "BitBtn5")->click();
    }
    void typeAmount(const QString &amount)
    {
        QLineEdit *box = edit("RxCalcLibre");
        box->selectAll();
        QTest::keyClicks(box, amount);
    }
};

} // namespace

TEST_F(InvoiceEditorFees, ACriterionFeeBecomesAFeeLineWithItsReferences)
{
    open();
    select(16);
    EXPECT_EQ(edit("tbxCriterio")->text(), QStringLiteral("C23A"));
    EXPECT_EQ(edit("tbxTitulo")->text(), QStringLiteral("Monitorio: petición sin oposición ni pago"));
    typeAmount(QStringLiteral("1100,25"));
    EXPECT_EQ(edit("tbxImporte")->text(), QStringLiteral("1500,25"));
    EXPECT_EQ(edit("tbxFijo")->text(), QStringLiteral("400"));
    // Enter in Cuantía moves on to "&Altas".
    QTest::keyClick(edit("RxCalcLibre"), Qt::Key_Return);
    Click(m_editor.get(), "btnAltas");

    const InvoiceLine line = LoadInvoiceLines(db(), {12, 2024}).front();
    EXPECT_EQ(line.criterio, QStringLiteral("C23A"));
    EXPECT_EQ(line.tipo, QStringLiteral("Honorario"));
    EXPECT_EQ(line.subTotal, 1500.25);
    EXPECT_EQ(line.fijo, 400.0);
    EXPECT_EQ(line.iva, 21.0);
    EXPECT_EQ(line.amounts.totalIVA, 315.05);
    for (const char *cleared : {"tbxCriterio", "tbxTitulo", "tbxImporte"})
        EXPECT_TRUE(edit(cleared)->text().isEmpty()) << cleared;
    EXPECT_EQ(edit("RxCalcLibre")->text(), QStringLiteral("0"));

    // The next line is typed by hand: its amount survives a change of the invoice's rates.
    edit("tbxImporte")->setText(QStringLiteral("75"));
    typeInto("dbeIRPF", QStringLiteral("15"));
    QTest::keyClick(edit("dbeIRPF"), Qt::Key_Return);
    EXPECT_EQ(edit("tbxImporte")->text(), QStringLiteral("75"));
    EXPECT_EQ(LoadInvoiceLines(db(), {12, 2024}).front().amounts.totalIRPF, 225.04); // 1500.25 x 15 %
}

TEST_F(InvoiceEditorFees, CriteriaOnlyForFeesAndReferencesOnlyAfterAChoice)
{
    open();
    Find<QToolButton>(m_editor.get(), "BitBtn6")->click();
    EXPECT_EQ(m_app.prompter.lastMessage(),
              QStringLiteral("No se puede seleccionar las referencias de un criterío sin seleccionar"));
    Find<QComboBox>(m_editor.get(), "cmbTipo")->setCurrentText(QStringLiteral("Suplido"));
    Find<QToolButton>(m_editor.get(), "BitBtn5")->click();
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("No existen criterios para el tipo Suplido"));
    EXPECT_TRUE(edit("tbxCriterio")->text().isEmpty());
}

TEST_F(InvoiceEditorTest, AcceptingIssuesTheInvoiceOrShowsWhyNotAndStaysOpen)
{
    open();
    add(QStringLiteral("Honorario"), QStringLiteral("1000"));
    edit("dbeNombre")->setText(QStringLiteral("Ana Peña"));
    Click(m_editor.get(), "btnAceptar");
    EXPECT_TRUE(m_app.prompter.lastMessage().contains(QStringLiteral("\"N.I.F. del cliente\""))) << m_app.prompter.lastMessage().toStdString();
    EXPECT_TRUE(m_editor->isVisible());
    EXPECT_TRUE(VerifactuLedger::Records(db()).empty());
    EXPECT_TRUE(stored().nombreCliente.isEmpty());

    edit("dbeNif")->setText(QStringLiteral("12345678Z"));
    Click(m_editor.get(), "btnAceptar");
    EXPECT_FALSE(m_editor->isVisible());
    const auto alta = VerifactuLedger::LastAlta(db(), 12, 2024);
    ASSERT_TRUE(alta);
    EXPECT_EQ(alta->numSerie, QStringLiteral("2024/000012"));
    EXPECT_EQ(stored().nombreCliente, QStringLiteral("Ana Peña"));
}
