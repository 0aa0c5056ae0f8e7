// Merge of a long template and the settlement report as PDF, both with ten years of daily
// rows (3,650). Targets: merge under 1 s, report under 2 s. And a paragraph holding 20,000
// fields, which must merge in linear time: under 2 s.
#include "documents/settlement_document.h"
#include "documents/zip_archive.h"
#include "interest/settlement_report.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const QStringList kLabels = {
    QStringLiteral("CapitalPtas"),         QStringLiteral("CapitalEuros"),        QStringLiteral("TotalPtas"),
    QStringLiteral("TotalEuros"),          QStringLiteral("TotalInteresesPtas"),  QStringLiteral("TotalInteresesEuros"),
    QStringLiteral("TotalPagosPtas"),      QStringLiteral("TotalPagosEuros"),     QStringLiteral("TotalEntradasPtas"),
    QStringLiteral("TotalEntradasEuros")};
const QStringList kRowLabels = {QStringLiteral("FechaDesde"),        QStringLiteral("FechaHasta"),
                                QStringLiteral("Dias"),              QStringLiteral("TipoInteres"),
                                QStringLiteral("CapitalTramoEuros"), QStringLiteral("CapitalTramoPtas"),
                                QStringLiteral("InteresTramoEuros"), QStringLiteral("InteresTramoPtas")};

MergeFieldCatalogue Catalogue()
{
    const int codes[] = {1, 2, 11, 12, 13, 14, 15, 16, 17, 18};
    const int rowCodes[] = {5, 7, 6, 10, 4, 3, 9, 8};
    MergeFieldCatalogue c;
    for (int i = 0; i < kLabels.size(); ++i)
        c.insert(kLabels[i], codes[i]);
    for (int i = 0; i < kRowLabels.size(); ++i)
        c.insert(kRowLabels[i], rowCodes[i]);
    return c;
}

QString Field(const QString &label, bool complexForm)
{
    if (!complexForm) {
        return QStringLiteral("<w:fldSimple w:instr=\" MERGEFIELD %1 \"><w:r><w:t>«%1»</w:t></w:r></w:fldSimple>").arg(label);
    }
    return QStringLiteral("<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> MERGE"
                          "</w:instrText></w:r><w:r><w:instrText xml:space=\"preserve\">FIELD %1 </w:instrText></w:r>"
                          "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>«%1»</w:t></w:r>"
                          "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>")
        .arg(label);
}

QString WriteTemplate(const QString &folder, const QString &body);

// 50 pages of about 40 paragraphs each; every total field on every page, the per-row fields in
// a table on the first page.
QString FiftyPageTemplate(const QString &folder)
{
    QString body = QStringLiteral("<w:tbl><w:tr>");
    for (const QString &label : kRowLabels)
        body += QStringLiteral("<w:tc><w:p>") + Field(label, label.size() % 2) + QStringLiteral("</w:p></w:tc>");
    body += QStringLiteral("</w:tr></w:tbl>");
    const QString text = QStringLiteral("<w:r><w:t xml:space=\"preserve\">Lorem ipsum dolor sit amet, consectetur "
                                        "adipiscing elit, sed do eiusmod tempor incididunt ut labore et dolore. </w:t></w:r>");
    for (int page = 0; page < 50; ++page) {
        for (int p = 0; p < 40; ++p) {
            body += QStringLiteral("<w:p>") + text;
            if (p < kLabels.size())
                body += Field(kLabels[p], (page + p) % 2) + text;
            body += QStringLiteral("</w:p>");
        }
        body += QStringLiteral("<w:p><w:r><w:br w:type=\"page\"/></w:r></w:p>");
    }
    return WriteTemplate(folder, body);
}

QString WriteTemplate(const QString &folder, const QString &body)
{
    const QByteArray document =
        (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<w:document "
                        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>")
         + body + QStringLiteral("</w:body></w:document>"))
            .toUtf8();
    const std::vector<ZipEntry> entries = {
        {QStringLiteral("[Content_Types].xml"),
         QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<Types "
                    "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
                    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
                    "ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
                    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>"),
         true},
        {QStringLiteral("_rels/.rels"),
         QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<Relationships "
                    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
                    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                    "Target=\"word/document.xml\"/></Relationships>"),
         true},
        {QStringLiteral("word/document.xml"), document, true},
    };
    const QString path = folder + QStringLiteral("/plantilla.docx");
    WriteZip(path, entries);
    return path;
}

SettlementResult TenYearsOfDays()
{
    SettlementResult result;
    double capital = 10000.0;
    for (int i = 0; i < 3650; ++i) {
        SettlementRow r;
        r.desde = QDate(2015, 1, 1).addDays(i);
        r.hasta = r.desde;
        r.capital = capital;
        r.rate = 3.0;
        r.total = 0.82;
        capital += r.total;
        result.totalInterest += r.total;
        result.rows.push_back(r);
    }
    result.grandTotal = capital;
    return result;
}

SettlementInput Input()
{
    SettlementInput input;
    input.principal = 10000.0;
    return input;
}

void BM_MergeFiftyPageTemplate3650Rows(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = FiftyPageTemplate(dir.path());
    const MergeFieldCatalogue catalogue = Catalogue();
    const MergeData data = MergeData::From(Input(), TenYearsOfDays());
    for (auto _ : state) {
        const MergeCount count = MergeSettlementDocument(path, dir.path() + QStringLiteral("/salida.docx"), catalogue, data);
        benchmark::DoNotOptimize(count.replaced);
    }
}
BENCHMARK(BM_MergeFiftyPageTemplate3650Rows)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// One paragraph of 20,000 fields, simple and complex in turn, each between two runs of text:
// the totals (one value each), or the per-row fields of a three-row settlement, which split
// the paragraph in 60,000.
void BM_MergeTwentyThousandFieldsInOneParagraph(benchmark::State &state)
{
    const bool perRow = state.range(0) == 1;
    const QStringList &labels = perRow ? kRowLabels : kLabels;
    QString body = QStringLiteral("<w:p><w:pPr><w:jc w:val=\"both\"/></w:pPr>");
    for (int i = 0; i < 20000; ++i) {
        body += QStringLiteral("<w:r><w:t xml:space=\"preserve\">Campo %1: </w:t></w:r>").arg(i)
                + Field(labels[i % labels.size()], i % 2);
    }
    body += QStringLiteral("</w:p>");
    QTemporaryDir dir;
    const QString path = WriteTemplate(dir.path(), body);
    SettlementResult result = TenYearsOfDays();
    result.rows.resize(3);
    const MergeFieldCatalogue catalogue = Catalogue();
    const MergeData data = MergeData::From(Input(), result);
    for (auto _ : state) {
        const MergeCount count = MergeSettlementDocument(path, dir.path() + QStringLiteral("/salida.docx"), catalogue, data);
        benchmark::DoNotOptimize(count.replaced);
    }
}
BENCHMARK(BM_MergeTwentyThousandFieldsInOneParagraph)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SettlementReportPdf3650Rows(benchmark::State &state)
{
    QTemporaryDir dir;
    const SettlementInput input = Input();
    const SettlementResult result = TenYearsOfDays();
    for (auto _ : state)
        WriteSettlementReportPdf(input, result, dir.path() + QStringLiteral("/informe.pdf"), QDate(2026, 1, 1));
}
BENCHMARK(BM_SettlementReportPdf3650Rows)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the PDF
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
