#include "invoicing/invoice_search.h"

#include "invoicing/invoice_export.h"
#include "invoicing/invoice_printouts.h"
#include "store/sql.h"
#include "support/app_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

class InvoiceSearchTest : public ::testing::Test
{
protected:
    QSqlDatabase db() const { return m_app.store.database(Alias::Intereses); }

    // An invoice with a fee line (and the rates 21 / 15), its Nif and reference.
    InvoiceKey store(int id, const QString &nif, double fee, const QString &ref = {}, QDate fecha = {2024, 3, 1})
    {
        InvoiceHeader h;
        h.key = {id, fecha.year()};
        h.fecha = fecha;
        h.nif = nif;
        h.ref = ref;
        h.nombreCliente = QStringLiteral("Cliente %1").arg(id);
        h.iva = 21;
        h.irpf = 15;
        h.dcto = 0;
        InvoiceLine line;
        line.tipo = kTipoHonorario;
        line.subTotal = fee;
        line.iva = 21;
        line.irpf = 15;
        line.dcto = 0;
        std::vector<InvoiceLine> lines{line};
        StoreNewInvoice(db(), h, lines);
        return h.key;
    }

    std::vector<int> found(const InvoiceSearchCriteria &c) const
    {
        std::vector<int> ids;
        for (const InvoiceHeader &h : SearchInvoices(db(), c).rows)
            ids.push_back(h.key.id);
        return ids;
    }

    AppFixture m_app;
};

TEST(InvoiceSearchRules, TotalBoundsReadAsMeantAndMessagesStopTheSearch)
{
    const struct
    {
        const char *typed;
        std::optional<double> value;
    } cases[] = {{"1.234,5", 1234.5}, {"1234,5", 1234.5}, {"1.234", 1234.0}, {"12.5", 12.5},
                 {"-1.000.000,25", -1000000.25}, {"0", 0.0}, {"", std::nullopt}, {"12a", std::nullopt},
                 {"1,2,3", std::nullopt}, {"1e15", std::nullopt}};
    for (const auto &c : cases)
        EXPECT_EQ(ReadTotalBound(QString::fromUtf8(c.typed)), c.value) << c.typed;

    InvoiceSearchCriteria c;
    c.numeroDesde = 10;
    c.numeroHasta = 5;
    EXPECT_EQ(CheckSearch(c)->message, kNumberOrderMessage);
    c.numeroHasta = 10;
    c.fechaDesde = QDate(2024, 2, 1);
    c.fechaHasta = QDate(2024, 1, 31);
    EXPECT_EQ(CheckSearch(c)->message, kDateOrderMessage);
    c.fechaHasta = c.fechaDesde;
    c.byTotal = true;
    c.totalHasta = QStringLiteral("mil");
    ASSERT_TRUE(CheckSearch(c));
    EXPECT_EQ(CheckSearch(c)->field, SearchRefusal::Field::TotalHasta);
    EXPECT_EQ(CheckSearch(c)->message, kBadTotalMessage);
    EXPECT_THROW(BuildInvoiceSearch(c, QStringLiteral("QSQLITE")), AppError);

    EXPECT_EQ(Commission(1234.56, 10), 123.46);
    EXPECT_EQ(CollectQuestion(false, QDate(2026, 12, 9)),
              QStringLiteral("¿Desea marcar esta factura como cobrada con fecha 09/12/2026?"));
}

TEST_F(InvoiceSearchTest, CriteriaAreBoundAndTypedTextIsNeverExecuted)
{
    // The query of the example (NIF "b12", numbers 1 to 50) as bound values.
    InvoiceSearchCriteria c;
    c.nif = QStringLiteral("b12");
    c.numeroDesde = 1;
    c.numeroHasta = 50;
    // (Worded for an engine whose lower() folds every letter; SQLite's is found below.)
    const SearchStatement s = BuildInvoiceSearch(c, QStringLiteral("QPSQL"));
    EXPECT_TRUE(s.sql.contains(QStringLiteral("where lower(nif) like :nif and  id>=:iddesde and id<=:idhasta")))
        << s.sql.toStdString();
    EXPECT_EQ(s.values.value(QStringLiteral(":nif")).toString(), QStringLiteral("%b12%"));

    store(1, QStringLiteral("B12345678"), 100);
    store(2, QStringLiteral("X-B12"), 200);
    store(60, QStringLiteral("b12"), 300);
    store(3, QStringLiteral("A99"), 400, QStringLiteral("O'Brien 50%_x"));
    store(4, QStringLiteral("A99"), 1000, QStringLiteral("O'Brien 5"));
    EXPECT_EQ(found(c), (std::vector<int>{1, 2}));

    InvoiceSearchCriteria r;
    r.ref = QStringLiteral("o'brien 50%");
    EXPECT_EQ(found(r), (std::vector<int>{3}));
    r.ref = QStringLiteral("o'brien 5_"); // "_" stays one character
    EXPECT_EQ(found(r), (std::vector<int>{3}));
    r.ref = QStringLiteral("x'); delete from facturas; --");
    EXPECT_TRUE(found(r).empty());
    EXPECT_EQ(found(InvoiceSearchCriteria{}).size(), 5u);

    // Totals typed the Spanish way; invoice 4 is 1000 + 21 % - 15 % = 1.060,00.
    InvoiceSearchCriteria t;
    t.byTotal = true;
    t.totalDesde = QStringLiteral("1.060,00");
    t.totalHasta = QStringLiteral("1.060");
    EXPECT_EQ(found(t), (std::vector<int>{4}));

    InvoiceSearchCriteria d;
    d.byNumber = false;
    d.fechaDesde = QDate(2024, 3, 1);
    d.fechaHasta = QDate(2024, 3, 1);
    EXPECT_EQ(found(d).size(), 5u);
    d.fechaDesde = QDate(2024, 3, 2);
    d.fechaHasta = QDate(2024, 12, 31);
    EXPECT_TRUE(found(d).empty());
}

// SQLite's own lower() and LIKE fold ASCII only.
TEST_F(InvoiceSearchTest, NifAndReferenceIgnoreTheCaseOfEveryLetter)
{
    store(1, QStringLiteral("PEÑA-B1"), 100, QStringLiteral("Ávila Núñez"));
    store(2, QStringLiteral("peña-b2"), 100, QStringLiteral("ávila NÚÑEZ (2)"));
    store(3, QStringLiteral("PENA"), 100, QStringLiteral("a.b*c"));
    store(4, {}, 100, QStringLiteral("axb*c"));
    store(5, QStringLiteral("\u212A9"), 100); // the Kelvin sign
    const struct
    {
        const char *label;
        const char *nif;
        const char *ref;
        std::vector<int> ids;
    } cases[] = {
        {"ñ finds Ñ", "peña", "", {1, 2}},
        {"Ñ finds ñ", "PEÑA-B2", "", {2}},
        {"n is not ñ", "pena", "", {3}},
        {"accented capitals", "", "ÁVILA núñez", {1, 2}},
        {"% stays any text", "", "ávila%(2", {2}},
        {"_ stays one letter", "p_ña", "", {1, 2}},
        {"regex signs are plain text", "", "a.b*", {3}},
        {"an open bracket", "", "(2", {2}},
        {"a blank NIF never matches", "%", "", {1, 2, 3, 5}},
        {"a sign that folds to an ASCII letter", "k9", "", {5}},
        {"both criteria", "b1", "núñez", {1}},
    };
    for (const auto &c : cases) {
        InvoiceSearchCriteria criteria;
        criteria.nif = QString::fromUtf8(c.nif);
        criteria.ref = QString::fromUtf8(c.ref);
        EXPECT_EQ(found(criteria), c.ids) << c.label;
    }
}

TEST_F(InvoiceSearchTest, CollectionFiltersSumsAndCollectionDate)
{
    const InvoiceKey a = store(1, QStringLiteral("A"), 1000); // 1.060,00
    store(2, QStringLiteral("B"), 234.56);
    store(3, QStringLiteral("C"), 100);

    const QDate today(2026, 12, 9);
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_TRUE(ToggleCollected(db(), m_app.prompter, a, today));
    EXPECT_EQ(m_app.prompter.lastMessage(), CollectQuestion(false, today));
    EXPECT_EQ(LoadInvoice(db(), a)->fechaCobro, today);
    m_app.prompter.queueAnswer(Prompter::Answer::No);
    EXPECT_FALSE(ToggleCollected(db(), m_app.prompter, a, today));
    EXPECT_TRUE(LoadInvoice(db(), a)->cobrado);

    InvoiceSearchCriteria c;
    c.cobro = InvoiceSearchCriteria::Cobro::NoCobradas;
    EXPECT_EQ(found(c), (std::vector<int>{2, 3}));
    c.cobro = InvoiceSearchCriteria::Cobro::Cobradas;
    c.byCollectionDate = true;
    c.cobroDesde = today;
    c.cobroHasta = today;
    EXPECT_EQ(found(c), (std::vector<int>{1}));
    c.cobroDesde = today.addDays(1);
    c.cobroHasta = today.addDays(1);
    EXPECT_TRUE(found(c).empty());

    const InvoiceSearchResult all = SearchInvoices(db(), InvoiceSearchCriteria{});
    EXPECT_DOUBLE_EQ(all.sums.facturas, 1060.0 + 248.64 + 106.0);
    EXPECT_DOUBLE_EQ(all.sums.cobrado, 1060.0);
    EXPECT_DOUBLE_EQ(all.sums.honorarios, 1334.56);
    EXPECT_EQ(SumsLabel(all.sums), QStringLiteral("Tot.Facturas: 1.414,64  Tot.Cobrado: 1.060,00  Tot.Pendiente: 354,64"));
    EXPECT_EQ(FoundLabel(all.rows.size()), QStringLiteral("Facturas encontradas: 3"));

    // Not collected again: the collection date goes with it.
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_TRUE(ToggleCollected(db(), m_app.prompter, a, today));
    EXPECT_EQ(m_app.prompter.lastMessage(), QStringLiteral("¿Desea marcar esta factura como NO cobrada?"));
    const InvoiceHeader after = *LoadInvoice(db(), a);
    EXPECT_FALSE(after.cobrado);
    EXPECT_FALSE(after.fechaCobro.isValid());
    EXPECT_EQ(after.totals, all.rows.front().totals);
    EXPECT_FALSE(SetCollected(db(), {99, 2024}, true, today));
}

TEST_F(InvoiceSearchTest, DeletionAsksAndTakesLinesAndHeaderTogether)
{
    const InvoiceKey key = store(1, QStringLiteral("A"), 100);
    const auto lineCount = [this](const InvoiceKey &k) {
        return Scalar(db(), QStringLiteral("SELECT COUNT(*) FROM lineasfact WHERE Id = ? AND Iyear = ?"), {k.id, k.iyear}).toInt();
    };
    SetCollected(db(), key, true, QDate(2024, 5, 1));

    const struct
    {
        std::vector<Prompter::Answer> answers;
        bool deleted;
    } cases[] = {{{Prompter::Answer::No}, false},
                 {{Prompter::Answer::Yes, Prompter::Answer::No}, false},
                 {{Prompter::Answer::Yes, Prompter::Answer::Yes}, true}};
    for (const auto &c : cases) {
        for (Prompter::Answer a : c.answers)
            m_app.prompter.queueAnswer(a);
        EXPECT_EQ(AskAndDeleteInvoice(db(), m_app.prompter, key), c.deleted);
        EXPECT_EQ(InvoiceExists(db(), key), !c.deleted);
        EXPECT_EQ(lineCount(key), c.deleted ? 0 : 1);
    }
    EXPECT_EQ(m_app.prompter.messages().first(), kDeleteCollectedQuestion);
    EXPECT_EQ(m_app.prompter.lastMessage(), kDeleteQuestion);
    // Gone already: nothing asked, nothing done.
    m_app.prompter.clear();
    EXPECT_FALSE(AskAndDeleteInvoice(db(), m_app.prompter, key));
    EXPECT_TRUE(m_app.prompter.messages().isEmpty());
}

TEST_F(InvoiceSearchTest, ExportsReadBack)
{
    store(1, QStringLiteral("A"), 1000);
    store(2, QStringLiteral("B"), 12345678.91, QStringLiteral("tab\there"));
    const auto rows = SearchInvoices(db(), InvoiceSearchCriteria{}).rows;
    const QStringList lines = InvoiceRowsText(rows, QStringLiteral("Canarias")).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5); // heads, two rows, totals, and the final empty piece
    EXPECT_TRUE(lines[0].contains(QStringLiteral("I.G.I.C.")));
    EXPECT_EQ(lines[2].split(QLatin1Char('\t')).size(), 11);
    EXPECT_EQ(lines[2].split(QLatin1Char('\t'))[6], QStringLiteral("12.345.678,91"));
    EXPECT_EQ(lines[3].split(QLatin1Char('\t'))[6], QStringLiteral("12.346.678,91"));

    const QString xlsx = m_app.install.path() + QStringLiteral("/f.xlsx");
    WriteInvoiceRowsXlsx(rows, {}, xlsx);
    // The sheet inside the zip holds numbers and a date serial, not texts.
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), xlsx, QStringLiteral("xl/worksheets/sheet1.xml")});
    ASSERT_TRUE(unzip.waitForFinished(20000));
    const QByteArray sheet = unzip.readAllStandardOutput();
    EXPECT_TRUE(sheet.contains("<v>12345678.91</v>")) << sheet.left(400).toStdString();
    EXPECT_TRUE(sheet.contains("<v>45352</v>")); // 01/03/2024
    EXPECT_FALSE(QFile::exists(xlsx + QStringLiteral(".part")));
}

// The printouts' texts as laid out, all pages together.
QStringList Texts(const std::vector<ReportPage> &pages)
{
    QStringList out;
    for (const ReportPage &p : pages)
        out += p.texts();
    return out;
}

InvoiceHeader ExampleInvoice()
{
    InvoiceHeader h;
    h.key = {7, 2024};
    h.fecha = QDate(2024, 3, 1);
    h.iva = 16;
    h.irpf = 15;
    h.dcto = 0;
    h.totals = {-116.34, 50.0, 33.33, 0.0, 5.33, 5.0, 200.0};
    return h;
}

InvoiceLine Line(const QString &tipo, const QString &titulo, double amount)
{
    InvoiceLine l;
    l.tipo = tipo;
    l.titulo = titulo;
    l.subTotal = amount;
    l.amounts.total = amount;
    return l;
}

// The text printed right after `label`.
QString After(const QStringList &texts, const QString &label, int skip = 1)
{
    const qsizetype i = texts.indexOf(label);
    return i < 0 || i + skip >= texts.size() ? QStringLiteral("<no %1>").arg(label) : texts.at(i + skip);
}

TEST(InvoicePrintouts, InvoiceSectionsSummaryAndRegionWording)
{
    InvoiceOffice office;
    office.inscripcion = QStringLiteral("Inscrita en el Registro Mercantil");
    office.provincia = QStringLiteral("Lugo");

    // No lines: the fee section with one empty row, no outlays, zero summary.
    InvoiceHeader empty = ExampleInvoice();
    empty.totals = {};
    QStringList t = Texts(InvoicePages(empty, {}, office, {}));
    EXPECT_FALSE(t.contains(QStringLiteral("SUPLIDOS")));
    EXPECT_EQ(After(t, QStringLiteral("HONORARIOS"), 3), QStringLiteral("-"));
    EXPECT_EQ(After(t, QStringLiteral("Total Honorarios:")), QStringLiteral("0,00"));
    EXPECT_EQ(After(t, QStringLiteral("Líquido a mi favor"), 2), QStringLiteral("0,00"));
    EXPECT_TRUE(t.contains(QStringLiteral("Lugo a, 01/03/2024")));
    const auto pages = InvoicePages(empty, {}, office, {});
    const ReportItem *turned = pages.front().find(QStringLiteral(" Inscrita en el Registro Mercantil"));
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(turned->rotation, 90);

    // The example invoice; a fee typed in capitals by another tool is not printed.
    const std::vector<InvoiceLine> lines{Line(kTipoHonorario, QStringLiteral("Demanda"), 33.33),
                                         Line(QStringLiteral("HONORARIO"), QStringLiteral("Oculta"), 1.0),
                                         Line(kTipoSuplido, QStringLiteral("Procurador"), 50.0),
                                         Line(kTipoProvision, QStringLiteral("Provisión"), 200.0)};
    t = Texts(InvoicePages(ExampleInvoice(), lines, office, {}));
    EXPECT_TRUE(t.contains(QStringLiteral("SUPLIDOS")));
    EXPECT_EQ(After(t, QStringLiteral("Procurador")), QStringLiteral("50,00"));
    EXPECT_FALSE(t.contains(QStringLiteral("Oculta")));
    EXPECT_FALSE(t.contains(QStringLiteral("Provisión")));
    EXPECT_EQ(After(t, QStringLiteral("Total I.V.A. sobre Honorarios")), QStringLiteral("16%"));
    EXPECT_EQ(After(t, QStringLiteral("Total Minuta"), 2), QStringLiteral("83,66"));
    EXPECT_EQ(After(t, QStringLiteral("Provisión de Fondos"), 2), QStringLiteral("200,00"));
    EXPECT_EQ(After(t, QStringLiteral("Líquido a mi favor"), 2), QStringLiteral("-116,34"));
    EXPECT_FALSE(t.contains(QStringLiteral("Descuento")));

    // A discount is shown before the figure it is already in.
    InvoiceHeader discounted = ExampleInvoice();
    discounted.dcto = 10;
    discounted.totals.totalDcto = 3.33;
    t = Texts(InvoicePages(discounted, lines, office, QStringLiteral("Canarias")));
    EXPECT_LT(t.indexOf(QStringLiteral("Descuento")), t.indexOf(QStringLiteral("Total Minuta")));
    EXPECT_EQ(After(t, QStringLiteral("Total Minuta"), 2), QStringLiteral("80,33"));
    EXPECT_TRUE(t.contains(QStringLiteral("Total I.G.I.C. sobre Honorarios")));

    t = Texts(InvoicePages(ExampleInvoice(), lines, office, QStringLiteral("Cataluña")));
    for (const char *catalan : {"Liquid al meu favor", "Honoraris", "Total Honoraris:", "Concepte", "Domicili",
                                "Provisió de Fons", "Total I.V.A. sobre Honoraris"})
        EXPECT_TRUE(t.contains(QString::fromUtf8(catalan))) << catalan;
}

TEST(InvoicePrintouts, ListPrintsEveryAmountAsStored)
{
    std::vector<InvoiceHeader> rows(2, ExampleInvoice());
    rows[0].totals = {12345678.91, 0, 12345678.91, 0, 0, 0, 0};
    rows[0].cobrado = true;
    rows[1].key.id = 8;
    QStringList t = Texts(InvoiceListPages(rows, {}, QDate(2026, 12, 9)));
    EXPECT_TRUE(t.contains(QStringLiteral("Listado de Facturas")));
    EXPECT_EQ(After(t, QStringLiteral("Tot.Cobros:")), QStringLiteral("12.345.678,91"));
    // The collected one shows its total under "Tot.Cobros:", the other nothing.
    EXPECT_EQ(t.count(QStringLiteral("12.345.678,91")), 4); // Hon:, Tot.:, Tot.Cobros: and the collected sum
    EXPECT_EQ(After(t, QStringLiteral("Tot. Cobros:")), QStringLiteral("12.345.678,91"));
    EXPECT_EQ(After(t, QStringLiteral("TOTAL:")), QStringLiteral("12.345.562,57"));

    t = Texts(InvoiceListPages(rows, QStringLiteral("Cataluña"), QDate(2026, 12, 9)));
    for (const char *catalan : {"Llistat de Factures", "Any:", "Nom client:", "Pàgina:", "Referència:",
                                "Total Suplerts:", "Honoraris:", "Total Provisions:", "Tot. Cobraments:"})
        EXPECT_TRUE(t.contains(QString::fromUtf8(catalan))) << catalan;
    t = Texts(InvoiceListPages(rows, QStringLiteral("Canarias"), QDate(2026, 12, 9)));
    EXPECT_TRUE(t.contains(QStringLiteral("I.g.i.c.:")));
    EXPECT_TRUE(t.contains(QStringLiteral("Total I.G.I.C.:")));
    EXPECT_FALSE(t.contains(QStringLiteral("Iva.:")));
}

} // namespace
