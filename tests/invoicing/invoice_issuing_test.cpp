#include "core/ini_file.h"
#include "invoicing/invoice_editing.h"
#include "invoicing/invoice_issuing.h"
#include "invoicing/invoice_printouts.h"
#include "invoicing/invoice_search.h"
#include "support/app_fixture.h"
#include "verifactu/declaration.h"
#include "verifactu/qr_painting.h"
#include "verifactu/record_xml.h"

#include <gtest/gtest.h>

namespace {

InvoiceLine Line(const QString &tipo, double subTotal, double iva, double dcto = 0)
{
    InvoiceLine l;
    l.tipo = tipo;
    l.subTotal = subTotal;
    l.iva = iva;
    l.irpf = 15;
    l.dcto = dcto;
    l.calculate();
    return l;
}

TEST(SnapshotOfInvoice, GroupsFeeLinesByRateAndLeavesOutlaysAndProvisionsOut)
{
    InvoiceHeader h;
    h.key = {58, 2026};
    h.fecha = QDate(2026, 7, 15);
    h.nombreCliente = QStringLiteral("Ana Peña");
    h.nif = QStringLiteral("12345678-z");
    CompanyData office;
    office.empresa = QStringLiteral("Bufete Pérez S.L.P.");
    office.nif = QStringLiteral("B12345674");
    const std::vector<InvoiceLine> lines{Line(kTipoHonorario, 1000, 21, 10), Line(kTipoSuplido, 50, 0),
                                         Line(kTipoHonorario, 200, 10), Line(kTipoProvision, 300, 0),
                                         Line(kTipoHonorario, 100, 21)};

    InvoiceSnapshot expected;
    expected.number = 58;
    expected.year = 2026;
    expected.date = h.fecha;
    expected.issuerNif = office.nif;
    expected.issuerName = office.empresa;
    expected.clientName = h.nombreCliente;
    expected.clientNif = h.nif;
    expected.canarias = true;
    // 21 %: (1000 - 100) + 100 and 189 + 21; 10 %: 200 and 20. IRPF stays out.
    expected.feeLines = {{21, 1000, 210}, {10, 200, 20}};
    EXPECT_EQ(SnapshotOfInvoice(h, lines, office, true), expected);
}

class InvoiceIssuingTest : public ::testing::Test
{
protected:
    InvoiceIssuingTest()
    {
        InvoiceHeader h;
        h.key = m_key;
        h.fecha = QDate::currentDate();
        h.nombreCliente = QStringLiteral("Ana Peña");
        h.nif = QStringLiteral("12345678Z");
        std::vector<InvoiceLine> none;
        StoreNewInvoice(db(), h, none);
    }
    QSqlDatabase db() const { return m_app.store.database(Alias::Intereses); }
    InvoiceIssuing issuing() const
    {
        return InvoiceIssuing::ForInstallation(m_app.session.programDir, m_app.context.settings(), {});
    }
    InvoiceEditing editing() const { return InvoiceEditing(db(), m_app.context.settings(), m_key, issuing()); }
    void addFee(InvoiceEditing &e, const QString &amount) const
    {
        InvoiceEditing::NewLine line;
        line.fecha = QDate::currentDate();
        line.tipo = kTipoHonorario;
        line.importe = amount;
        e.addLine(line);
    }
    // Each record as "Alta", "Subsanacion" or "Anulacion".
    QStringList records() const
    {
        QStringList kinds;
        for (const StoredRecord &r : VerifactuLedger::Records(db()))
            kinds << (!r.alta ? QStringLiteral("Anulacion") : r.subsanacion ? QStringLiteral("Subsanacion") : QStringLiteral("Alta"));
        return kinds;
    }
    void writeDeclaration(const QString &key, const QString &value) const
    {
        IniFile(m_app.install.file(kDeclarationFile)).writeString(QStringLiteral("PRODUCTOR"), key, value);
    }

    AppFixture m_app;
    const InvoiceKey m_key{58, QDate::currentDate().year()};
};

TEST_F(InvoiceIssuingTest, AcceptedWithALineItIsIssuedAndThenEveryRecordedChangeIsCorrected)
{
    InvoiceEditing e = editing();
    e.close(true); // no line yet
    addFee(e, QStringLiteral("1000"));
    e.close(false); // closed without accepting
    EXPECT_TRUE(records().isEmpty());
    EXPECT_FALSE(InvoiceIsIssued(db(), m_key));

    e.close(true);
    EXPECT_EQ(records(), QStringList{QStringLiteral("Alta")});
    e.header().ref = QStringLiteral("Exp. 4/2026"); // not part of the record
    e.header().notas = QStringLiteral("Pagará en marzo");
    e.close(true);
    EXPECT_EQ(records().size(), 1);

    addFee(e, QStringLiteral("100"));
    e.typeRate(InvoiceEditing::Rate::Iva, QStringLiteral("10"));
    e.typeRate(InvoiceEditing::Rate::Irpf, QStringLiteral("7")); // withholding is not recorded
    e.deleteLine(0);
    e.header().nombreCliente = QStringLiteral("Ana Peña Ruiz");
    e.close(false);
    EXPECT_EQ(records(), (QStringList{QStringLiteral("Alta"), QStringLiteral("Subsanacion"), QStringLiteral("Subsanacion"),
                                      QStringLiteral("Subsanacion"), QStringLiteral("Subsanacion")}));
    // The last record holds the invoice as it now stands: 100 at 10 %.
    const QByteArray xml = VerifactuLedger::LastAlta(db(), m_key.id, m_key.iyear)->xml;
    const auto alta = ParseRecordXml(xml);
    ASSERT_TRUE(alta);
    EXPECT_EQ(alta->importeTotal, QStringLiteral("110.00"));
    EXPECT_TRUE(QString::fromUtf8(xml).contains(QStringLiteral("Ana Peña Ruiz")));
}

TEST_F(InvoiceIssuingTest, ARefusedRecordLeavesTheInvoiceAsItWasWithAMessageToActOn)
{
    const QString declaration = m_app.install.file(kDeclarationFile);
    const struct
    {
        QString officeNif;
        QString producerNif;
        QString clientName;
        QStringList says;
    } rows[] = {
        {kTestOfficeNif, QStringLiteral("B87654321"), QStringLiteral("Ana\x01Peña"), {QStringLiteral("\"Nombre del cliente\"")}},
        {{}, QStringLiteral("B87654321"), QStringLiteral("Luis Gil"),
         {QStringLiteral("Falta el N.I.F. de la empresa"), QStringLiteral("Datos Empresa")}},
        {QStringLiteral("B12345678"), QStringLiteral("B87654321"), QStringLiteral("Luis Gil"),
         {QStringLiteral("(B12345678) no es un N.I.F., N.I.E. ni C.I.F. válido")}},
        {kTestOfficeNif, {}, QStringLiteral("Luis Gil"),
         {declaration, QStringLiteral("[PRODUCTOR]"), QStringLiteral("Nombre y NIF")}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.says.first().toStdString());
        IniFile(m_app.context.settingsPath).writeString(kCompanySection, QStringLiteral("NIF"), row.officeNif);
        writeDeclaration(QStringLiteral("NIF"), row.producerNif);
        InvoiceEditing e = editing();
        if (e.lines().empty())
            addFee(e, QStringLiteral("1000"));
        e.header().nombreCliente = row.clientName;
        try {
            e.close(true);
            ADD_FAILURE() << "issued";
        } catch (const RecordRefusal &refusal) {
            for (const QString &part : row.says)
                EXPECT_TRUE(refusal.message().contains(part)) << refusal.message().toStdString();
        }
        EXPECT_EQ(LoadInvoice(db(), m_key)->nombreCliente, QStringLiteral("Ana Peña"));
        EXPECT_TRUE(records().isEmpty());
    }
}

TEST_F(InvoiceIssuingTest, DeletingAnIssuedInvoiceCancelsItAndItsNumberIsNeverUsedAgain)
{
    const InvoiceIssuing issue = issuing();
    // Not issued: deleted without a record, and its number stays free.
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_TRUE(AskAndDeleteInvoice(db(), m_app.prompter, m_key, issue.cancelHook()));
    EXPECT_TRUE(records().isEmpty());
    const QString year = QString::number(m_key.iyear);
    EXPECT_EQ(CreateNewInvoice(db(), QStringLiteral("58"), year, {}, QDate::currentDate()), m_key);

    InvoiceEditing e = editing();
    addFee(e, QStringLiteral("1000"));
    e.header().nombreCliente = QStringLiteral("Ana Peña");
    e.header().nif = QStringLiteral("12345678Z");
    e.close(true);
    // A refused cancellation keeps the invoice.
    writeDeclaration(QStringLiteral("Nombre"), {});
    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_THROW(AskAndDeleteInvoice(db(), m_app.prompter, m_key, issue.cancelHook()), RecordRefusal);
    EXPECT_TRUE(InvoiceExists(db(), m_key));
    writeDeclaration(QStringLiteral("Nombre"), QStringLiteral("Productor de Pruebas S.L."));

    m_app.prompter.queueAnswer(Prompter::Answer::Yes);
    EXPECT_TRUE(AskAndDeleteInvoice(db(), m_app.prompter, m_key, issue.cancelHook()));
    EXPECT_EQ(records(), (QStringList{QStringLiteral("Alta"), QStringLiteral("Anulacion")}));
    try {
        CreateNewInvoice(db(), QStringLiteral("58"), year, {}, QDate::currentDate());
        ADD_FAILURE() << "cancelled number reused";
    } catch (const InvoiceRefusal &refusal) {
        EXPECT_EQ(refusal.message(), kNumberCancelledMessage);
    }
    InvoiceHeader again;
    again.key = m_key;
    again.fecha = QDate::currentDate();
    std::vector<InvoiceLine> none;
    EXPECT_THROW(StoreNewInvoice(db(), again, none), InvoiceRefusal);
    again.key.id = 57;
    StoreNewInvoice(db(), again, none);
    EXPECT_EQ(ProposeNewInvoice(db(), QDate::currentDate()).number, 59); // 58 is skipped
}

TEST(InvoiceQrLayout, TheCodeComesFirstOnTheFirstPageOnlyWithItsTextsAndQuietZone)
{
    InvoiceHeader h;
    h.key = {58, 2026};
    h.fecha = QDate(2026, 7, 15);
    std::vector<InvoiceLine> lines;
    for (int i = 0; i < 120; ++i)
        lines.push_back(Line(kTipoHonorario, 10, 21));
    const QString url = QStringLiteral("https://prewww2.aeat.es/wlpl/TIKE-CONT/ValidarQR?nif=B12345674");
    const std::vector<ReportPage> pages = InvoicePages(h, lines, {}, {}, url);
    ASSERT_GT(pages.size(), 1U);

    const std::vector<ReportItem> &items = pages[0].items;
    const auto qr = std::find_if(items.begin(), items.end(), [](const ReportItem &i) { return i.kind == ReportItem::Kind::QrCode; });
    ASSERT_NE(qr, items.end());
    const std::size_t q = static_cast<std::size_t>(qr - items.begin());
    ASSERT_GT(q, 0U);
    ASSERT_LT(q + 1, items.size());
    EXPECT_EQ(qr->text, url);
    const QRectF code = qr->rect;
    EXPECT_DOUBLE_EQ(code.width(), code.height());
    EXPECT_GE(code.width(), 30.0);
    EXPECT_LE(code.width(), 40.0);
    EXPECT_NEAR(code.center().x(), 105.0, 0.01); // centred on the A4 page
    EXPECT_LT(code.top(), 25.0);                 // near the upper margin
    const ReportItem &caption = items[q - 1];
    const ReportItem &legend = items[q + 1];
    EXPECT_EQ(caption.text, kQrCaption);
    EXPECT_EQ(legend.text, kQrLegend);
    EXPECT_LE(caption.rect.bottom() + 2, code.top());
    EXPECT_GE(legend.rect.top() - 2, code.bottom());
    // The rest of the invoice comes below, in type no larger than the two texts.
    double largest = 0;
    for (std::size_t i = q + 2; i < items.size(); ++i) {
        EXPECT_GE(items[i].rect.top(), legend.rect.bottom()) << items[i].text.toStdString();
        largest = std::max(largest, items[i].style.pointSize);
    }
    EXPECT_GE(caption.style.pointSize, largest);
    EXPECT_GE(legend.style.pointSize, largest);
    for (std::size_t p = 1; p < pages.size(); ++p) {
        for (const ReportItem &item : pages[p].items)
            EXPECT_NE(item.kind, ReportItem::Kind::QrCode);
        EXPECT_EQ(pages[p].find(kQrCaption), nullptr);
    }
}

} // namespace
