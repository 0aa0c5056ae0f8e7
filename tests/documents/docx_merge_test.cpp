#include "core/errors.h"
#include "documents/docx_builder.h"
#include "documents/docx_document.h"
#include "documents/settlement_document.h"
#include "documents/zip_archive.h"
#include "support/temp_installation.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kBold = QStringLiteral("<w:rPr><w:b/></w:rPr>");

class DocxMerge : public ::testing::Test
{
protected:
    DocxMerge()
    {
        data.principal = 10000.0;
        data.currency = QStringLiteral("Eur");
        data.totalInterest = 284.88;
        data.totalPayments = 1000.0;
        data.grandTotal = 9284.88;
        SettlementRow a;
        a.desde = QDate(2021, 1, 1);
        a.hasta = QDate(2021, 6, 30);
        a.capital = 10000.0;
        a.rate = 3.0;
        a.total = 148.77;
        SettlementRow b = a;
        b.desde = QDate(2021, 7, 1);
        b.hasta = QDate(2021, 12, 31);
        b.capital = 9000.0;
        b.total = 136.11;
        data.rows = {a, b};
        catalogue = {{QStringLiteral("CapitalEuros"), 2},  {QStringLiteral("CapitalPtas"), 1},
                     {QStringLiteral("FechaDesde"), 5},    {QStringLiteral("Dias"), 6},
                     {QStringLiteral("TotalEuros"), 12},   {QStringLiteral("InteresTramoEuros"), 9},
                     {QStringLiteral("TotalInteresesEuros"), 14}};
    }

    QString path(const char *name) const { return dir.path() + QLatin1Char('/') + QLatin1String(name); }

    // Merges a document holding `parts` and returns the paragraphs of its body.
    QStringList mergeBody(const DocxParts &parts)
    {
        WriteDocx(path("plantilla.docx"), parts);
        MergeSettlementDocument(path("plantilla.docx"), path("salida.docx"), catalogue, data);
        return ParagraphTexts(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml")));
    }

    QStringList mergeBody(const QString &body) { return mergeBody(DocxParts{DocumentXml(body), {}, {}, {}, {}, {}}); }

    QTemporaryDir dir;
    MergeData data;
    MergeFieldCatalogue catalogue;
};

QByteArray FileHash(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

TEST_F(DocxMerge, SimpleFieldTakesItsValueAndItsFormatting)
{
    const QStringList body = mergeBody(Paragraph(TextRun(QStringLiteral("Capital: "))
                                                 + SimpleField(QStringLiteral(" MERGEFIELD CapitalEuros "),
                                                               QStringLiteral("«CapitalEuros»"), kBold)
                                                 + TextRun(QStringLiteral(" euros."))));
    EXPECT_EQ(body, QStringList{QStringLiteral("Capital: 10.000,00 euros.")});
    const QString xml = QString::fromUtf8(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">10.000,00</w:t></w:r>")))
        << xml.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral("fldSimple")));
}

TEST_F(DocxMerge, ComplexFieldWithTheInstructionSplitOverRuns)
{
    const QStringList body = mergeBody(
        Paragraph(TextRun(QStringLiteral("Total: "))
                  + ComplexField({QStringLiteral(" MERGE"), QStringLiteral("FIELD Total"), QStringLiteral("Euros ")},
                                 QStringLiteral("«TotalEuros»"), kBold)
                  + TextRun(QStringLiteral(" €"))));
    EXPECT_EQ(body, QStringList{QStringLiteral("Total: 9.284,88 €")});
    const QString xml = QString::fromUtf8(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml")));
    EXPECT_FALSE(xml.contains(QStringLiteral("fldChar")));
    EXPECT_FALSE(xml.contains(QStringLiteral("instrText")));
}

TEST_F(DocxMerge, FieldCharactersSharingRunsWithText)
{
    // One run holds text, the field's start and code; another its end and the following text.
    const QString body = QStringLiteral(
        "<w:p><w:r><w:t xml:space=\"preserve\">Días: </w:t><w:fldChar w:fldCharType=\"begin\"/>"
        "<w:instrText> MERGEFIELD TotalEuros </w:instrText><w:fldChar w:fldCharType=\"separate\"/>"
        "<w:t>«x»</w:t><w:fldChar w:fldCharType=\"end\"/><w:t xml:space=\"preserve\"> fin</w:t></w:r></w:p>");
    EXPECT_EQ(mergeBody(body), QStringList{QStringLiteral("Días: 9.284,88 fin")});
}

TEST_F(DocxMerge, SameLabelTwiceAndUnknownLabels)
{
    const QStringList body = mergeBody(
        Paragraph(SimpleField(QStringLiteral(" MERGEFIELD CapitalEuros "), QStringLiteral("«a»")))
        + Paragraph(ComplexField({QStringLiteral(" MERGEFIELD CapitalEuros ")}, QStringLiteral("«b»")))
        + Paragraph(ComplexField({QStringLiteral(" MERGEFIELD NoExiste ")}, QStringLiteral("«c»")))
        + Paragraph(ComplexField({QStringLiteral(" MERGEFIELD CapitalEuros \\* Roman ")}, QStringLiteral("«d»"))));
    EXPECT_EQ(body, (QStringList{QStringLiteral("10.000,00"), QStringLiteral("10.000,00"), kUnrecognisedField,
                                 kUnrecognisedField}));
}

// Insert › Field writes the complex form with \* MERGEFORMAT, the instruction split over runs
// wherever editing left it.
TEST_F(DocxMerge, WordDefaultFieldFormWithSwitches)
{
    const QString italic = QStringLiteral("<w:rPr><w:i/></w:rPr>");
    data.rows.resize(1);
    const QStringList body = mergeBody(
        Paragraph(TextRun(QStringLiteral("Días: "))
                  + ComplexField({QStringLiteral(" MERGEFIELD "), QStringLiteral("Dias"), QStringLiteral(" \\* MERGEF"),
                                  QStringLiteral("ORMAT ")},
                                 QStringLiteral("«Dias»"), italic)
                  + TextRun(QStringLiteral(".")))
        + Paragraph(ComplexField({QStringLiteral(" MERGEFIELD  \"totaleuros\"  \\b \"Total: \" \\f \" euros\" \\* MERGEFORMAT ")},
                                 QStringLiteral("«TotalEuros»"))));
    EXPECT_EQ(body, (QStringList{QStringLiteral("Días: 181."), QStringLiteral("Total: 9.284,88 euros")}));
    const QString xml = QString::fromUtf8(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\">181</w:t></w:r>"))) << xml.toStdString();
}

TEST_F(DocxMerge, OtherFieldsStayAndAnIfFieldIsNotRecognised)
{
    // A date field before the first merge field, a page field, and an IF field holding a
    // merge field in its condition.
    const QString ifField =
        QStringLiteral("<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> IF </w:instrText></w:r>")
        + ComplexField({QStringLiteral(" MERGEFIELD Dias ")}, QStringLiteral("«Dias»"))
        + QStringLiteral("<w:r><w:instrText> &gt; 0 \"sí\" \"no\" </w:instrText></w:r>"
                         "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>")
        + TextRun(QStringLiteral("sí")) + QStringLiteral("<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>");
    const QStringList body = mergeBody(
        Paragraph(ComplexField({QStringLiteral(" DATE \\@ \"dd/MM/yyyy\" ")}, QStringLiteral("01/02/2026")))
        + Paragraph(TextRun(QStringLiteral("Si: ")) + ifField)
        + Paragraph(SimpleField(QStringLiteral(" PAGE "), QStringLiteral("1")))
        + Paragraph(SimpleField(QStringLiteral(" MERGEFIELD CapitalEuros "), QStringLiteral("«x»"))));
    EXPECT_EQ(body, (QStringList{QStringLiteral("01/02/2026"), QStringLiteral("Si: ") + kUnrecognisedField,
                                 QStringLiteral("1"), QStringLiteral("10.000,00")}));
    const QString xml = QString::fromUtf8(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<w:instrText xml:space=\"preserve\"> DATE \\@ \"dd/MM/yyyy\" </w:instrText>")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<w:fldSimple w:instr=\" PAGE \">")));
    EXPECT_EQ(xml.count(QStringLiteral("fldCharType=\"begin\"")), 1);
}

TEST_F(DocxMerge, PerRowFieldSplitsItsParagraph)
{
    const QStringList body =
        mergeBody(QStringLiteral("<w:p><w:pPr><w:jc w:val=\"right\"/></w:pPr>") + TextRun(QStringLiteral("Desde "))
                  + ComplexField({QStringLiteral(" MERGEFIELD FechaDesde ")}, QStringLiteral("«FechaDesde»"))
                  + TextRun(QStringLiteral(" hasta hoy")) + QStringLiteral("</w:p>") + Paragraph(TextRun(QStringLiteral("Fin"))));
    EXPECT_EQ(body, (QStringList{QStringLiteral("Desde 01/01/2021"), QStringLiteral("01/07/2021 hasta hoy"),
                                 QStringLiteral("Fin")}));
    const QString xml = QString::fromUtf8(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml")));
    EXPECT_EQ(xml.count(QStringLiteral("<w:jc w:val=\"right\"/>")), 2); // the new paragraph keeps the alignment
}

TEST_F(DocxMerge, PerRowFieldsInATableAndWithoutRows)
{
    const QString cell = QStringLiteral("<w:tc><w:p>%1</w:p></w:tc>");
    const QString table = QStringLiteral("<w:tbl><w:tr>")
                          + cell.arg(SimpleField(QStringLiteral(" MERGEFIELD FechaDesde "), QStringLiteral("«F»")))
                          + cell.arg(ComplexField({QStringLiteral(" MERGEFIELD InteresTramoEuros ")}, QStringLiteral("«I»")))
                          + QStringLiteral("</w:tr></w:tbl>");
    EXPECT_EQ(mergeBody(table), (QStringList{QStringLiteral("01/01/2021"), QStringLiteral("01/07/2021"),
                                             QStringLiteral("148,77"), QStringLiteral("136,11")}));
    data.rows.clear();
    EXPECT_EQ(mergeBody(table), (QStringList{QString(), QString()}));
    const QString xml = QString::fromUtf8(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml")));
    EXPECT_FALSE(xml.contains(QStringLiteral("MERGEFIELD")));
}

TEST_F(DocxMerge, HeadersFootersFootnotesAndTextBoxes)
{
    const QString textBox = QStringLiteral(
        "<w:p><w:r><w:drawing><wp:anchor><a:graphic><a:graphicData><wps:wsp><wps:txbx><w:txbxContent>%1"
        "</w:txbxContent></wps:txbx></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing></w:r></w:p>")
                                .arg(Paragraph(ComplexField({QStringLiteral(" MERGEFIELD Dias ")}, QStringLiteral("«Dias»"))));
    DocxParts parts;
    parts.document = DocumentXml(textBox);
    parts.header = HeaderFooterXml("hdr", Paragraph(TextRun(QStringLiteral("Capital ")) + ComplexField({QStringLiteral(" MERGEFIELD CapitalPtas ")}, QStringLiteral("«c»"))));
    parts.footer = HeaderFooterXml("ftr", Paragraph(TextRun(QStringLiteral("Página ")) + SimpleField(QStringLiteral(" PAGE "), QStringLiteral("1"))));
    parts.footnotes = HeaderFooterXml(
        "footnotes", QStringLiteral("<w:footnote w:id=\"1\">%1</w:footnote>")
                         .arg(Paragraph(SimpleField(QStringLiteral(" MERGEFIELD TotalInteresesEuros "), QStringLiteral("«t»")))));
    WriteDocx(path("plantilla.docx"), parts);
    MergeSettlementDocument(path("plantilla.docx"), path("salida.docx"), catalogue, data);

    EXPECT_EQ(ParagraphTexts(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml"))),
              (QStringList{QString(), QStringLiteral("181"), QStringLiteral("184")}));
    EXPECT_EQ(ParagraphTexts(ReadEntry(path("salida.docx"), QStringLiteral("word/header1.xml"))),
              QStringList{QStringLiteral("Capital 1.663.860,00")});
    EXPECT_EQ(ReadEntry(path("salida.docx"), QStringLiteral("word/footer1.xml")), parts.footer); // untouched
    EXPECT_EQ(ParagraphTexts(ReadEntry(path("salida.docx"), QStringLiteral("word/footnotes.xml"))),
              QStringList{QStringLiteral("284,88")});
}

TEST_F(DocxMerge, DamagedFieldStructureIsLeftAloneWithoutHarm)
{
    const QString begin = QStringLiteral("<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>");
    const QString end = QStringLiteral("<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>");
    const QString instr = QStringLiteral("<w:r><w:instrText> MERGEFIELD Dias </w:instrText></w:r>");
    // An end with no start, a start that never ends (with a whole field inside), and a field
    // running from one table cell into the next.
    const QString body =
        Paragraph(end + TextRun(QStringLiteral("a")))
        + QStringLiteral("<w:tbl><w:tr><w:tc><w:p>") + begin + instr + QStringLiteral("</w:p></w:tc><w:tc><w:p>") + end
        + QStringLiteral("</w:p></w:tc></w:tr></w:tbl>")
        + Paragraph(begin + instr + ComplexField({QStringLiteral(" MERGEFIELD CapitalEuros ")}, QStringLiteral("x")));
    EXPECT_EQ(mergeBody(body), (QStringList{QStringLiteral("a"), QString(), QString(), QStringLiteral("10.000,00")}));
    const QString xml = QString::fromUtf8(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml")));
    EXPECT_EQ(xml.count(QStringLiteral("MERGEFIELD Dias")), 2);
}

TEST_F(DocxMerge, DocumentTypeDeclarationsAreRefused)
{
    const QByteArray hostile = "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                               "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                               "<w:body><w:p><w:r><w:t>&b;</w:t></w:r></w:p></w:body></w:document>";
    WriteDocx(path("plantilla.docx"), DocxParts{hostile, {}, {}, {}, {}, {}});
    EXPECT_THROW(MergeSettlementDocument(path("plantilla.docx"), path("salida.docx"), catalogue, data), AppError);
    EXPECT_FALSE(QFile::exists(path("salida.docx")));
}

TEST_F(DocxMerge, FieldResultSpanningParagraphsJoinsThem)
{
    const QString body =
        QStringLiteral("<w:p>") + TextRun(QStringLiteral("A ")) + QStringLiteral("<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
                       "<w:r><w:instrText> MERGEFIELD Dias </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>")
        + TextRun(QStringLiteral("uno")) + QStringLiteral("</w:p><w:p>") + TextRun(QStringLiteral("dos"))
        + QStringLiteral("<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>") + TextRun(QStringLiteral(" Z")) + QStringLiteral("</w:p>");
    data.rows.resize(1);
    EXPECT_EQ(mergeBody(body), QStringList{QStringLiteral("A 181 Z")});
}

TEST_F(DocxMerge, DocumentWithoutFieldsIsCopiedUnchangedAndTheTemplateIsNeverWritten)
{
    DocxParts parts;
    parts.document = DocumentXml(Paragraph(TextRun(QStringLiteral(" "))) + Paragraph(TextRun(QStringLiteral("Hola"))));
    parts.extra[QStringLiteral("word/media/image1.png")] = QByteArray(5000, 'x');
    WriteDocx(path("plantilla.docx"), parts);
    const QByteArray before = FileHash(path("plantilla.docx"));
    const MergeCount count = MergeSettlementDocument(path("plantilla.docx"), path("salida.docx"), catalogue, data);
    EXPECT_EQ(count.replaced, 0);
    EXPECT_EQ(ReadZip(path("salida.docx")), ReadZip(path("plantilla.docx")));
    EXPECT_EQ(FileHash(path("plantilla.docx")), before);

    // Merging onto the template itself is refused.
    try {
        MergeSettlementDocument(path("plantilla.docx"), path("plantilla.docx"), catalogue, data);
        FAIL() << "merged over its template";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("El documento combinado no puede sustituir a la plantilla")));
    }
    EXPECT_EQ(FileHash(path("plantilla.docx")), before);
}

TEST_F(DocxMerge, KeepsWhitespaceAndNamespaceDeclarations)
{
    mergeBody(Paragraph(TextRun(QStringLiteral(" ")) + SimpleField(QStringLiteral(" MERGEFIELD Dias "), QStringLiteral("x"))));
    const QString xml = QString::fromUtf8(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<w:t xml:space=\"preserve\"> </w:t>")));
    EXPECT_TRUE(xml.contains(QStringLiteral("xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\"")));
    EXPECT_TRUE(xml.contains(QStringLiteral("mc:Ignorable=\"w14 wp14\"")));
    EXPECT_TRUE(xml.startsWith(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>")));
}

TEST_F(DocxMerge, LinkedMailMergeDataSourceIsDropped)
{
    DocxParts parts;
    parts.document = DocumentXml(Paragraph(SimpleField(QStringLiteral(" MERGEFIELD Dias "), QStringLiteral("x"))));
    parts.settings = HeaderFooterXml("settings", QStringLiteral("<w:zoom w:percent=\"100\"/><w:mailMerge>"
                                                                "<w:mainDocumentType w:val=\"formLetters\"/></w:mailMerge>"));
    WriteDocx(path("plantilla.docx"), parts);
    MergeSettlementDocument(path("plantilla.docx"), path("salida.docx"), catalogue, data);
    const QString settings = QString::fromUtf8(ReadEntry(path("salida.docx"), QStringLiteral("word/settings.xml")));
    EXPECT_FALSE(settings.contains(QStringLiteral("mailMerge")));
    EXPECT_TRUE(settings.contains(QStringLiteral("<w:zoom w:percent=\"100\"/>")));
}

TEST_F(DocxMerge, BadTemplatesGiveAClearMessageAndWriteNothing)
{
    const auto messageFor = [this](const QString &templatePath) {
        try {
            MergeSettlementDocument(templatePath, path("salida.docx"), catalogue, data);
        } catch (const AppError &e) {
            EXPECT_FALSE(QFile::exists(path("salida.docx"))) << e.message().toStdString();
            return e.message();
        }
        return QStringLiteral("sin error");
    };
    const QString missing = path("no-existe.docx");
    EXPECT_EQ(messageFor(missing), QStringLiteral("No se encuentra la plantilla \"%1\".").arg(missing));

    QFile text(path("texto.docx"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("esto no es un documento");
    text.close();
    EXPECT_EQ(messageFor(path("texto.docx")),
              QStringLiteral("El archivo \"%1\" no es un documento de Word (.docx) válido.").arg(path("texto.docx")));

    ASSERT_TRUE(WriteZip(path("sin-principal.docx"), {{QStringLiteral("otra.xml"), QByteArray("<a/>"), true}}));
    EXPECT_EQ(messageFor(path("sin-principal.docx")),
              QStringLiteral("El archivo \"%1\" no contiene el documento principal de Word.").arg(path("sin-principal.docx")));

    WriteDocx(path("rota.docx"), DocxParts{QByteArray("<w:document><w:body><w:p></w:body>"), {}, {}, {}, {}, {}});
    EXPECT_EQ(messageFor(path("rota.docx")),
              QStringLiteral("El documento \"%1\" está dañado: la parte \"word/document.xml\" no es XML válido.")
                  .arg(path("rota.docx")));

    DocxParts withBadHeader{DocumentXml(Paragraph(TextRun(QStringLiteral("x")))), QByteArray("<w:hdr"), {}, {}, {}, {}};
    WriteDocx(path("cabecera-rota.docx"), withBadHeader);
    EXPECT_TRUE(messageFor(path("cabecera-rota.docx")).contains(QStringLiteral("\"word/header1.xml\" no es XML válido")));
}

TEST_F(DocxMerge, MissingOutputFolderIsMadeAndOneThatCannotBeIsReported)
{
    WriteDocx(path("plantilla.docx"), DocxParts{DocumentXml(Paragraph(TextRun(QStringLiteral("x")))), {}, {}, {}, {}, {}});
    MergeSettlementDocument(path("plantilla.docx"), path("nueva/carpeta/salida.docx"), catalogue, data);
    EXPECT_TRUE(QFile::exists(path("nueva/carpeta/salida.docx")));
    const QString target = path("plantilla.docx/salida.docx"); // below a file
    try {
        MergeSettlementDocument(path("plantilla.docx"), target, catalogue, data);
        FAIL() << "wrote below a file";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("No se ha podido crear la carpeta \"%1\".").arg(path("plantilla.docx")));
    }
}

TEST(MergedDocument, NameFromTemplateDateAndTime)
{
    QTemporaryDir dir;
    const QDateTime when(QDate(2026, 3, 4), QTime(9, 5, 7));
    const QString first = MergedDocumentPath(dir.path(), QStringLiteral("Carta.docx"), when);
    EXPECT_EQ(first, dir.path() + QStringLiteral("/Carta 04-03-2026 09.05.07.docx"));
    QFile(first).open(QIODevice::WriteOnly);
    EXPECT_EQ(MergedDocumentPath(dir.path(), QStringLiteral("Carta.docx"), when),
              dir.path() + QStringLiteral("/Carta 04-03-2026 09.05.07 (2).docx"));
}

TEST(MergedDocument, InstallationCatalogueHasTheEighteenCodes)
{
    TempInstallation install;
    const MergeFieldCatalogue catalogue = LoadInstallationMergeFields(install.path());
    EXPECT_EQ(catalogue.size(), 18);
    EXPECT_EQ(catalogue.value(QStringLiteral("CapitalEuros")), 2);
    EXPECT_EQ(catalogue.value(QStringLiteral("TotalEntradasEuros")), 18);
}

TEST(MergedDocument, EmptyDocumentOpensAsADocument)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/Nueva.docx");
    WriteEmptyDocument(file);
    MergeFieldCatalogue none;
    const MergeCount count = MergeSettlementDocument(file, dir.path() + QStringLiteral("/copia.docx"), none, MergeData{});
    EXPECT_EQ(count.replaced, 0);
    EXPECT_EQ(ParagraphTexts(ReadEntry(file, QStringLiteral("word/document.xml"))), QStringList{QString()});
}

TEST(ShippedTemplate, UsesEveryMergeFieldOfTheCatalogue)
{
    TempInstallation install;
    const MergeFieldCatalogue catalogue = LoadInstallationMergeFields(install.path());
    const QString shipped = QStringLiteral(CUANTIX_BINARY_DIR "/instalacion/DocPlant/CartaLiquidacion.docx");
    QStringList used;
    const FieldResolver collect = [&used](const QString &instruction) -> std::optional<QStringList> {
        if (ClassifyField(instruction) == FieldKind::MergeField)
            used.append(MergeFieldLabel(instruction));
        return std::nullopt;
    };
    DocxDocument document = DocxDocument::Open(shipped);
    MergeFields(document, collect);
    used.removeDuplicates();
    used.sort();
    QStringList labels = catalogue.keys();
    labels.sort();
    EXPECT_EQ(used, labels);

    QTemporaryDir dir;
    MergeData data;
    data.principal = 1000.0;
    data.rows.resize(3, SettlementRow{QDate(2021, 1, 1), QDate(2021, 1, 31), 1000.0, 3.0, 2.55});
    MergeSettlementDocument(shipped, dir.path() + QStringLiteral("/carta.docx"), catalogue, data);
    const QByteArray body = ReadEntry(dir.path() + QStringLiteral("/carta.docx"), QStringLiteral("word/document.xml"));
    EXPECT_FALSE(body.contains("MERGEFIELD"));
    EXPECT_FALSE(QString::fromUtf8(body).contains(kUnrecognisedField));
    EXPECT_EQ(QString::fromUtf8(body).count(QStringLiteral(">31/01/2021<")), 3);
    EXPECT_TRUE(body.contains(" DATE ")); // the letter's date field stays
}

TEST(ShippedTemplate, CombinedFromTheCommandLine)
{
    TempInstallation install;
    QTemporaryDir dir;
    const QString shipped = QStringLiteral(CUANTIX_BINARY_DIR "/instalacion/DocPlant/CartaLiquidacion.docx");
    SettlementInput input;
    input.principal = 166386.0;
    input.currency = QStringLiteral("Pta");
    SettlementResult result;
    result.grandTotal = 166386.0;
    const QString out = dir.path() + QStringLiteral("/carta.docx");
    CombineSettlementDocument(shipped, out, install.path(), input, result);
    const QStringList header = ParagraphTexts(ReadEntry(out, QStringLiteral("word/header1.xml")));
    EXPECT_EQ(header, QStringList{QStringLiteral("Liquidación de intereses · capital inicial 1.000,00 €")});

    try {
        CombineSettlementDocument(shipped, dir.path() + QStringLiteral("/otra.docx"), dir.path() + QStringLiteral("/nada"),
                                  input, result);
        FAIL() << "merged without an installation";
    } catch (const AppError &e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/otra.docx")));
}

// The word processor reads the merged document: values in place, page field kept.
TEST_F(DocxMerge, WordProcessorReadsTheMergedDocument)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    const QString table =
        QStringLiteral("<w:tbl><w:tr><w:tc><w:p>%1</w:p></w:tc><w:tc><w:p>%2</w:p></w:tc></w:tr></w:tbl>")
            .arg(SimpleField(QStringLiteral(" MERGEFIELD FechaDesde "), QStringLiteral("«F»")),
                 ComplexField({QStringLiteral(" MERGEFIELD Interes"), QStringLiteral("TramoEuros ")}, QStringLiteral("«I»")));
    mergeBody(Paragraph(TextRun(QStringLiteral("Capital: ")) + ComplexField({QStringLiteral(" MERGEFIELD CapitalEuros ")}, QStringLiteral("«C»")))
              + table + Paragraph(TextRun(QStringLiteral("Total: ")) + SimpleField(QStringLiteral(" MERGEFIELD TotalEuros "), QStringLiteral("«T»"))));
    QProcess p;
    p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.path() + QStringLiteral("/perfil"),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("txt:Text (encoded):UTF8"),
                      QStringLiteral("--outdir"), dir.path(), path("salida.docx")});
    ASSERT_TRUE(p.waitForFinished(180000));
    QFile txt(path("salida.txt"));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly)) << p.readAllStandardError().toStdString();
    const QString text = QString::fromUtf8(txt.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Capital: 10.000,00"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("01/01/2021"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("01/07/2021"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("136,11"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Total: 9.284,88"))) << text.toStdString();
}

namespace {

// A letter as LibreOffice writes it: database fields exported as complex MERGEFIELDs, the
// name in the letter case the user typed.
const char *const kLibreOfficeLetter = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text>
<text:p>Capital: <text:database-display text:table-name="Liquidacion" text:table-type="table" text:column-name="CapitalEuros" text:database-name="Datos">&lt;CapitalEuros&gt;</text:database-display> euros.</text:p>
<text:p>Días: <text:database-display text:table-name="Liquidacion" text:table-type="table" text:column-name="dias" text:database-name="Datos">&lt;dias&gt;</text:database-display></text:p>
</office:text></office:body></office:document>
)";

} // namespace

TEST_F(DocxMerge, TemplateWrittenByLibreOffice)
{
    // The paragraphs LibreOffice 7 writes for kLibreOfficeLetter, so the form is tested where it is absent.
    const QString props = QStringLiteral("<w:pPr><w:pStyle w:val=\"Normal\"/><w:bidi w:val=\"0\"/><w:jc w:val=\"left\"/><w:rPr></w:rPr></w:pPr>");
    const auto field = [](const char *name) {
        return QStringLiteral("<w:r><w:rPr></w:rPr><w:fldChar w:fldCharType=\"begin\"></w:fldChar></w:r><w:r><w:rPr></w:rPr>"
                              "<w:instrText xml:space=\"preserve\"> MERGEFIELD %1 </w:instrText></w:r><w:r><w:rPr></w:rPr>"
                              "<w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:rPr></w:rPr><w:t>&lt;%1&gt;</w:t></w:r>"
                              "<w:r><w:rPr></w:rPr><w:fldChar w:fldCharType=\"end\"/></w:r>")
            .arg(QLatin1String(name));
    };
    data.rows.resize(1);
    const QStringList expected{QStringLiteral("Capital: 10.000,00 euros."), QStringLiteral("Días: 181")};
    EXPECT_EQ(mergeBody(QStringLiteral("<w:p>") + props + TextRun(QStringLiteral("Capital: ")) + field("CapitalEuros")
                        + TextRun(QStringLiteral(" euros.")) + QStringLiteral("</w:p><w:p>") + props
                        + TextRun(QStringLiteral("Días: ")) + field("dias") + QStringLiteral("</w:p>")),
              expected);

    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "soffice is not installed: the letter written by LibreOffice itself is not tried";
    QFile source(path("carta.fodt"));
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write(kLibreOfficeLetter);
    source.close();
    QProcess p;
    p.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.path() + QStringLiteral("/perfil"),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("docx:MS Word 2007 XML"),
                      QStringLiteral("--outdir"), dir.path(), path("carta.fodt")});
    ASSERT_TRUE(p.waitForFinished(180000));
    ASSERT_TRUE(QFile::exists(path("carta.docx"))) << p.readAllStandardError().toStdString();
    MergeSettlementDocument(path("carta.docx"), path("salida.docx"), catalogue, data);
    EXPECT_EQ(ParagraphTexts(ReadEntry(path("salida.docx"), QStringLiteral("word/document.xml"))), expected);
}

namespace {

// The shipped letter merged with large amounts, with its font replaced by `font`, as the
// office suite lays it out: the text of its PDF, or empty when there is no suite.
QString ShippedLetterLaidOut(const QString &font, const QString &folder, const MergeData &data)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (soffice.isEmpty() || pdftotext.isEmpty())
        return {};
    const QString shipped = QStringLiteral(CUANTIX_BINARY_DIR "/instalacion/DocPlant/CartaLiquidacion.docx");
    std::vector<ZipEntry> entries = ReadZip(shipped);
    for (ZipEntry &e : entries) {
        if (e.name == QLatin1String("word/styles.xml"))
            e.data.replace(QByteArray("\"Arial\""), QByteArray("\"" + font.toUtf8() + "\""));
    }
    const QString base = folder + QLatin1Char('/') + QString(font).remove(QLatin1Char(' '));
    EXPECT_TRUE(WriteZip(base + QStringLiteral("-plantilla.docx"), entries));
    TempInstallation install;
    MergeSettlementDocument(base + QStringLiteral("-plantilla.docx"), base + QStringLiteral(".docx"),
                            LoadInstallationMergeFields(install.path()), data);
    QProcess convert;
    convert.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + folder + QStringLiteral("/perfil"),
                            QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                            QStringLiteral("--outdir"), folder, base + QStringLiteral(".docx")});
    EXPECT_TRUE(convert.waitForFinished(180000));
    QProcess text;
    text.start(pdftotext, {QStringLiteral("-layout"), base + QStringLiteral(".pdf"), QStringLiteral("-")});
    EXPECT_TRUE(text.waitForFinished(60000));
    return QString::fromUtf8(text.readAllStandardOutput());
}

} // namespace

TEST(ShippedTemplate, TableFitsItsContentInCommonFonts)
{
    MergeData data;
    data.principal = 12715034.15;
    data.grandTotal = 12838490.93;
    data.totalInterest = 123456.78;
    for (int i = 0; i < 3; ++i) {
        data.rows.push_back(SettlementRow{QDate(2020, 1, 1).addMonths(4 * i), QDate(2020, 4, 30).addMonths(4 * i),
                                          12715034.15, 3.75, 41152.26});
    }
    QTemporaryDir dir;
    for (const QString &font : {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}) {
        const QString text = ShippedLetterLaidOut(font, dir.path(), data);
        if (text.isEmpty())
            GTEST_SKIP() << "soffice or pdftotext is not installed: the letter's layout is not tried";
        // Each row on one line: both dates whole, the amounts whole beside them.
        const QRegularExpression row(QStringLiteral("(\\d\\d/\\d\\d/2020)\\s+(\\d\\d/\\d\\d/2020)\\s+\\d+\\s+3,75\\s+"
                                                    "12\\.715\\.034,15\\s+2\\.115\\.603\\.672,00\\s+41\\.152,26\\s+6\\.847\\.160,00"));
        EXPECT_EQ(text.count(row), 3) << font.toStdString() << "\n" << text.toStdString();
    }
}
