#include "ledger_fixture.h"

#include "store/sql.h"
#include "verifactu/declaration.h"
#include "verifactu/qr_url.h"
#include "verifactu/record_check.h"
#include "verifactu/record_hash.h"
#include "verifactu/record_schema.h"

#include <gtest/gtest.h>

namespace {

const QString kCaso1 = QStringLiteral("3C464DAF61ACB827C65FDA19F352A4E3BDC2C640E9E9FC4CC058073F38F12F60");
const QString kCaso2 = QStringLiteral("F7B94CFD8924EDFF273501B01EE5153E4CE8F259766F88CF6ACB8935802A2B97");

const RecordSchema &Schema()
{
    static const RecordSchema schema(QStringLiteral(CUANTIX_SOURCE_DATA_DIR "/verifactu/SuministroInformacion.xsd"));
    return schema;
}

// Every stored record valid against the agency's schema.
void ExpectAllValid(const QSqlDatabase &db)
{
    for (const StoredRecord &r : VerifactuLedger::Records(db))
        EXPECT_EQ(Schema().validate(r.xml), QString()) << r.numero << "\n" << r.xml.toStdString();
}

} // namespace

TEST(Huella, ReproducesTheAgencysPublishedExamples)
{
    // The agency's three worked examples, and its signed sample record (amounts with one decimal).
    EXPECT_EQ(Huella(HashInput(AltaHashFields{QStringLiteral("89890001K"), QStringLiteral("12345678/G33"),
                                              QStringLiteral("01-01-2024"), QStringLiteral("F1"), QStringLiteral("12.35"),
                                              QStringLiteral("123.45"), {},
                                              QStringLiteral("2024-01-01T19:20:30+01:00")})),
              kCaso1);
    EXPECT_EQ(Huella(HashInput(AltaHashFields{QStringLiteral("89890001K"), QStringLiteral("12345679/G34"),
                                              QStringLiteral("01-01-2024"), QStringLiteral("F1"), QStringLiteral("12.35"),
                                              QStringLiteral("123.45"), kCaso1,
                                              QStringLiteral("2024-01-01T19:20:35+01:00")})),
              kCaso2);
    EXPECT_EQ(Huella(HashInput(AnulacionHashFields{QStringLiteral("89890001K"), QStringLiteral("12345679/G34"),
                                                   QStringLiteral("01-01-2024"), kCaso2,
                                                   QStringLiteral("2024-01-01T19:20:40+01:00")})),
              QStringLiteral("177547C0D57AC74748561D054A9CEC14B4C4EA23D1BEFD6F2E69E3A388F90C68"));
    // Values are trimmed, as in the agency's rules.
    EXPECT_EQ(Huella(HashInput(AltaHashFields{QStringLiteral(" 89890001K"), QStringLiteral("12345678-G66 "),
                                              QStringLiteral("03-02-2025"), QStringLiteral("R3"), QStringLiteral("41.4"),
                                              QStringLiteral("241.4"),
                                              QStringLiteral("C9AF4AF1EF5EBBA700350DE3EEF12C2D355C56AC56F13DB2A25E0031BD2B7ED5"),
                                              QStringLiteral("2025-02-03T14:30:00+01:00")})),
              QStringLiteral("FF954378B64ED331A9B2366AD317D86E9DEC1716B12DD0ACCB172A6DC4C105AA"));
}

TEST(RecordFormat, WritesTheLiteralsTheAgencyReads)
{
    const struct
    {
        QString got;
        QString expected;
    } rows[] = {
        {RecordAmount(1210), QStringLiteral("1210.00")},
        {RecordAmount(-121.5), QStringLiteral("-121.50")},
        {RecordAmount(-0.001), QStringLiteral("0.00")},
        {RecordAmount(0.125), QStringLiteral("0.13")},
        {RecordRate(21), QStringLiteral("21.00")},
        {RecordRate(7), QStringLiteral("7.00")},
        {RecordDate(QDate(2027, 7, 5)), QStringLiteral("05-07-2027")},
        {InvoiceSeriesNumber(58, 2027), QStringLiteral("2027/000058")},
        {NormalizedTaxId(QStringLiteral(" 12.345.678-z ")), QStringLiteral("12345678Z")},
        // Summer and winter in Madrid; the Canaries an hour behind, written "+00:00", never "Z".
        {RecordTimestamp(QDateTime(QDate(2027, 7, 15), QTime(8, 0), QTimeZone::utc()), OfficeTimeZone(false)),
         QStringLiteral("2027-07-15T10:00:00+02:00")},
        {RecordTimestamp(QDateTime(QDate(2024, 1, 1), QTime(18, 20, 30), QTimeZone::utc()), OfficeTimeZone(false)),
         QStringLiteral("2024-01-01T19:20:30+01:00")},
        {RecordTimestamp(QDateTime(QDate(2024, 1, 1), QTime(18, 20, 30), QTimeZone::utc()), OfficeTimeZone(true)),
         QStringLiteral("2024-01-01T18:20:30+00:00")},
        {QrValidationUrl(AgencyEnvironment::Pruebas, QStringLiteral("89890001K"), QStringLiteral("12345678&G33"),
                         QStringLiteral("01-01-2024"), QStringLiteral("241.4")),
         QStringLiteral("https://prewww2.aeat.es/wlpl/TIKE-CONT/ValidarQR?nif=89890001K&numserie=12345678%26G33"
                        "&fecha=01-01-2024&importe=241.4")},
        {QrValidationUrl(AgencyEnvironment::Produccion, QStringLiteral("89890001K"), QStringLiteral("2027/000001"),
                         QStringLiteral("15-07-2027"), QStringLiteral("1089.00")),
         QStringLiteral("https://www2.agenciatributaria.gob.es/wlpl/TIKE-CONT/ValidarQR?nif=89890001K"
                        "&numserie=2027%2F000001&fecha=15-07-2027&importe=1089.00")},
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.got, row.expected);
}

TEST(RecordFormat, GroupsFeeLinesByRateInCents)
{
    const auto groups = GroupFeeLines({{1000, 100, 21, 189}, {33.33, 0, 10, 3.33}, {0.1, 0, 21, 0.02},
                                       {0.2, 0, 21, 0.04}});
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(RecordAmount(groups[0].base), QStringLiteral("900.30"));
    EXPECT_EQ(RecordAmount(groups[0].tax), QStringLiteral("189.06"));
    EXPECT_EQ(groups[1], (TaxLine{10, 33.33, 3.33}));
}

TEST(RecordFormat, RefusesWhatTheRecordCannotHoldNamingTheField)
{
    const struct
    {
        void (*change)(InvoiceSnapshot &);
        const char *field;
    } rows[] = {
        {[](InvoiceSnapshot &s) { s.clientName = QStringLiteral("Juan\tPérez"); }, "Nombre del cliente"},
        {[](InvoiceSnapshot &s) { s.clientName = QString(121, QLatin1Char('a')); }, "Nombre del cliente"},
        {[](InvoiceSnapshot &s) { s.clientName = QStringLiteral("  "); }, "Nombre del cliente"},
        {[](InvoiceSnapshot &s) { s.issuerName = QStringLiteral("Bufete\x01"); }, "Empresa"},
        {[](InvoiceSnapshot &s) { s.issuerNif = QStringLiteral("1234"); }, "N.I.F. de la empresa"},
        {[](InvoiceSnapshot &s) { s.clientNif = QString(); }, "N.I.F. del cliente"},
        {[](InvoiceSnapshot &s) { s.clientNif = QStringLiteral("FR 123 ñ"); }, "N.I.F. del cliente"},
        {[](InvoiceSnapshot &s) { s.number = 1000000; }, "Número"},
        {[](InvoiceSnapshot &s) { s.date = QDate(); }, "Fecha"},
    };
    for (const auto &row : rows) {
        InvoiceSnapshot s = SampleInvoice(1);
        row.change(s);
        try {
            CheckInvoiceSnapshot(s);
            ADD_FAILURE() << row.field << " accepted";
        } catch (const RecordRefusal &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("\"%1\"").arg(QString::fromUtf8(row.field))))
                << e.message().toStdString();
        }
    }
    EXPECT_NO_THROW(CheckInvoiceSnapshot(SampleInvoice(1)));
}

TEST(VerifactuLedger, ChainsAltaSubsanacionAndAnulacionEndToEnd)
{
    LedgerFixture f;
    const VerifactuLedger ledger(TestLedgerOptions());
    InvoiceSnapshot first = SampleInvoice(1);
    const auto a1 = ledger.recordIssue(f.db(), first);
    ASSERT_TRUE(a1);
    EXPECT_EQ(a1->numSerie, QStringLiteral("2027/000001"));
    EXPECT_EQ(a1->emisor, QStringLiteral("89890001K"));
    EXPECT_TRUE(a1->huellaAnterior.isEmpty());
    EXPECT_TRUE(a1->xml.contains("<sum1:PrimerRegistro>S</sum1:PrimerRegistro>"));
    EXPECT_TRUE(a1->xml.contains("<sum1:NIF>12345678Z</sum1:NIF>"));
    EXPECT_TRUE(a1->xml.contains("<sum1:ImporteTotal>1089.00</sum1:ImporteTotal>"));
    EXPECT_TRUE(a1->xml.contains("<sum1:FechaHoraHusoGenRegistro>2027-07-15T10:01:00+02:00</sum1:FechaHoraHusoGenRegistro>"));
    EXPECT_TRUE(a1->xml.contains("&lt;Norte&gt;"));
    // Same invoice accepted again: nothing new.
    EXPECT_FALSE(ledger.recordIssue(f.db(), first));

    const auto a2 = ledger.recordIssue(f.db(), SampleInvoice(2));
    ASSERT_TRUE(a2);
    EXPECT_EQ(a2->huellaAnterior, a1->huella);
    EXPECT_EQ(a2->anterior, a1->numero);

    // A changed figure: the same invoice again, marked as a correction.
    first.feeLines.push_back(TaxLine{10, 100, 10});
    const auto s1 = ledger.recordIssue(f.db(), first);
    ASSERT_TRUE(s1);
    EXPECT_TRUE(s1->subsanacion);
    EXPECT_TRUE(s1->xml.contains("<sum1:Subsanacion>S</sum1:Subsanacion>"));
    EXPECT_TRUE(s1->xml.contains("<sum1:CuotaTotal>199.00</sum1:CuotaTotal>"));
    EXPECT_EQ(s1->huellaAnterior, a2->huella);

    // The agency rejected the correction: accepting the invoice again sends it anew.
    RunSql(f.db(), QStringLiteral("UPDATE VerifactuRegistros SET Estado = ? WHERE Numero = ?"), {kStateRejected, s1->numero});
    const auto again = ledger.recordIssue(f.db(), first);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->xml.contains("<sum1:Subsanacion>S</sum1:Subsanacion>\n  <sum1:RechazoPrevio>S</sum1:RechazoPrevio>"));
    EXPECT_FALSE(ledger.recordIssue(f.db(), first));

    const auto n2 = ledger.recordCancellation(f.db(), 2, 2027);
    ASSERT_TRUE(n2);
    EXPECT_FALSE(n2->alta);
    EXPECT_FALSE(n2->xml.contains("SinRegistroPrevio"));
    EXPECT_EQ(n2->huellaAnterior, again->huella);
    EXPECT_FALSE(ledger.recordCancellation(f.db(), 2, 2027));
    EXPECT_FALSE(ledger.recordCancellation(f.db(), 9, 2027));

    // A cancelled number is never used again; a number never issued is free.
    EXPECT_TRUE(VerifactuLedger::NumberWasCancelled(f.db(), 2, 2027));
    EXPECT_FALSE(VerifactuLedger::NumberWasCancelled(f.db(), 1, 2027));
    EXPECT_FALSE(VerifactuLedger::NumberWasCancelled(f.db(), 9, 2027));
    try {
        ledger.recordIssue(f.db(), SampleInvoice(2));
        ADD_FAILURE() << "cancelled number reused";
    } catch (const RecordRefusal &e) {
        EXPECT_EQ(e.message(), kNumberCancelledMessage);
    }

    InvoiceSnapshot tomorrow = first;
    tomorrow.date = QDate(2027, 7, 16);
    EXPECT_THROW(ledger.recordIssue(f.db(), tomorrow), RecordRefusal);

    // A new date makes another invoice for the agency: the old one cancelled, the new one issued.
    first.date = first.date.addDays(-1);
    const auto moved = ledger.recordIssue(f.db(), first);
    ASSERT_TRUE(moved);
    EXPECT_FALSE(moved->subsanacion);
    EXPECT_EQ(moved->fecha, QStringLiteral("14-07-2027"));
    const auto records = VerifactuLedger::Records(f.db());
    ASSERT_EQ(records.size(), 7u);
    EXPECT_FALSE(records[5].alta);
    EXPECT_EQ(records[5].fecha, QStringLiteral("15-07-2027"));
    EXPECT_FALSE(VerifactuLedger::NumberWasCancelled(f.db(), 1, 2027));
    // Cancelling an invoice the agency never accepted: it holds nothing to cancel.
    RunSql(f.db(), QStringLiteral("UPDATE VerifactuRegistros SET Estado = ? WHERE Numero = ?"), {kStateRejected, moved->numero});
    const auto n1 = ledger.recordCancellation(f.db(), 1, 2027);
    ASSERT_TRUE(n1);
    EXPECT_TRUE(n1->xml.contains("<sum1:SinRegistroPrevio>S</sum1:SinRegistroPrevio>"));

    // Another issuer has a chain of its own; both then say there are several.
    InvoiceSnapshot other = SampleInvoice(3);
    other.issuerNif = QStringLiteral("B76543210");
    const auto o1 = ledger.recordIssue(f.db(), other);
    ASSERT_TRUE(o1);
    EXPECT_TRUE(o1->xml.contains("<sum1:PrimerRegistro>S</sum1:PrimerRegistro>"));
    EXPECT_TRUE(o1->xml.contains("<sum1:IndicadorMultiplesOT>S</sum1:IndicadorMultiplesOT>"));
    EXPECT_TRUE(records[0].xml.contains("<sum1:IndicadorMultiplesOT>N</sum1:IndicadorMultiplesOT>"));

    ExpectAllValid(f.db());
    const ChainCheck check = CheckRecordChain(f.db());
    EXPECT_TRUE(check.ok()) << check.problem.toStdString();
    EXPECT_EQ(check.checked, 9);
    EXPECT_EQ(QrValidationUrl(AgencyEnvironment::Pruebas, *a2),
              QStringLiteral("https://prewww2.aeat.es/wlpl/TIKE-CONT/ValidarQR?nif=89890001K&numserie=2027%2F000002"
                             "&fecha=15-07-2027&importe=1089.00"));
}

TEST(VerifactuLedger, RecordsAreWrittenWithTheCallersTransactionOrNotAtAll)
{
    LedgerFixture f;
    const VerifactuLedger ledger(TestLedgerOptions());
    {
        Transaction transaction(f.db());
        ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(1)));
        // No commit: the invoice change failed, so its record goes too.
    }
    EXPECT_TRUE(VerifactuLedger::Records(f.db()).empty());
    {
        Transaction transaction(f.db());
        ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(1)));
        transaction.commit();
    }
    EXPECT_EQ(VerifactuLedger::Records(f.db()).size(), 1u);
    // A refused invoice writes nothing and leaves the caller's transaction usable.
    Transaction transaction(f.db());
    InvoiceSnapshot bad = SampleInvoice(2);
    bad.clientName = QString();
    EXPECT_THROW(ledger.recordIssue(f.db(), bad), RecordRefusal);
    EXPECT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(3)));
    transaction.commit();
    EXPECT_TRUE(CheckRecordChain(f.db()).ok());
}

TEST(VerifactuLedger, StoredRecordsRefuseChangeAndDeletionButTakeTheirAnswer)
{
    LedgerFixture f;
    const VerifactuLedger ledger(TestLedgerOptions());
    const auto r = ledger.recordIssue(f.db(), SampleInvoice(1));
    ASSERT_TRUE(r);
    const QString installation = VerifactuLedger::InstallationNumber(f.db());
    EXPECT_EQ(installation.size(), 36);
    EXPECT_TRUE(r->xml.contains(installation.toUtf8()));
    for (const char *sql : {"UPDATE VerifactuRegistros SET Xml = 'x'", "UPDATE VerifactuRegistros SET Huella = 'x'",
                            "UPDATE VerifactuRegistros SET Generado = 'x'", "DELETE FROM VerifactuRegistros",
                            "DELETE FROM VerifactuCadenas", "UPDATE VerifactuInstalacion SET NumeroInstalacion = 'x'"})
        EXPECT_THROW(RunSql(f.db(), QString::fromLatin1(sql)), StoreError) << sql;
    RunSql(f.db(), QStringLiteral("UPDATE VerifactuRegistros SET Estado = ?, CodigoError = ?, DescripcionError = ?"),
           {kStateRejected, QStringLiteral("1100"), QStringLiteral("Valor o tipo incorrecto")});
    const auto stored = VerifactuLedger::Record(f.db(), r->numero);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->estado, kStateRejected);
    EXPECT_EQ(stored->xml, r->xml);
    EXPECT_EQ(VerifactuLedger::InstallationNumber(f.db()), installation);
}

TEST(RecordCheck, FindsTheFirstTamperedOrMissingRecord)
{
    const struct
    {
        const char *label;
        const char *sql;
        qint64 brokenAt;
        const char *says;
    } rows[] = {
        {"figure changed", "UPDATE VerifactuRegistros SET Xml = replace(Xml, '1089.00', '1000.00') WHERE Numero = 2", 2,
         "huella"},
        {"hash rewritten too",
         "UPDATE VerifactuRegistros SET Xml = replace(Xml, 'Huella>' || Huella, 'Huella>' || substr(Huella, 2) || 'A'),"
         " Huella = substr(Huella, 2) || 'A' WHERE Numero = 2",
         2, "huella"},
        {"record removed", "DELETE FROM VerifactuRegistros WHERE Numero = 2", 3, "no encadena con el registro 1"},
        {"last record removed", "DELETE FROM VerifactuRegistros WHERE Numero = 3", 3, "Falta el registro 3"},
    };
    for (const auto &row : rows) {
        LedgerFixture f;
        const VerifactuLedger ledger(TestLedgerOptions());
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(ledger.recordIssue(f.db(), SampleInvoice(n)));
        ASSERT_TRUE(CheckRecordChain(f.db()).ok());
        DropRecordsTrigger(f.db(), "VerifactuRegistros_SinCambios");
        DropRecordsTrigger(f.db(), "VerifactuRegistros_SinBorrar");
        RunSql(f.db(), QString::fromLatin1(row.sql));
        const ChainCheck check = CheckRecordChain(f.db());
        EXPECT_FALSE(check.ok()) << row.label;
        EXPECT_EQ(check.brokenAt, row.brokenAt) << row.label;
        EXPECT_TRUE(check.problem.contains(QString::fromUtf8(row.says))) << row.label << ": " << check.problem.toStdString();
    }
}

TEST(Declaration, ShipsEveryDatumInTheOrderTheLawGives)
{
    Declaration d = ReadDeclaration(QStringLiteral(CUANTIX_SOURCE_DATA_DIR "/verifactu/declaracion-responsable.ini"));
    EXPECT_EQ(d.systemName, QStringLiteral("Cuantix"));
    EXPECT_EQ(d.version, QStringLiteral("26.12.1.0"));
    const QString text = DeclarationText(d);
    EXPECT_TRUE(text.startsWith(kDeclarationTitle));
    qsizetype at = 0;
    for (const char *label : {"a) ", "b) ", "c) ", "d) ", "e) ", "f) ", "g) ", "h) ", "i) ", "j) ", "k) ", "l) "}) {
        const qsizetype next = text.indexOf(QLatin1String("\n") + QLatin1String(label), at);
        EXPECT_GT(next, at) << label;
        at = next;
    }
    EXPECT_TRUE(text.contains(QStringLiteral("e) Solo puede funcionar exclusivamente como VERI*FACTU:\nS - Sí")));
    EXPECT_TRUE(text.contains(QStringLiteral("i) N.I.F. del productor:\n(sin rellenar)")));

    // Until the producer fills in the declaration, no record can name it.
    LedgerFixture f;
    LedgerOptions options = TestLedgerOptions();
    options.identity = IdentityFromDeclaration(d);
    try {
        VerifactuLedger(options).recordIssue(f.db(), SampleInvoice(1));
        ADD_FAILURE() << "record without producer";
    } catch (const RecordRefusal &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("declaración responsable"))) << e.message().toStdString();
    }
    d.producerName = QStringLiteral("Productor S.L.");
    d.producerNif = QStringLiteral("B-12345678");
    options.identity = IdentityFromDeclaration(d);
    EXPECT_TRUE(VerifactuLedger(options).recordIssue(f.db(), SampleInvoice(1)));
    ExpectAllValid(f.db());
}
