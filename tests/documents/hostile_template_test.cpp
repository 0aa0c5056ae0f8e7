#include "core/errors.h"
#include "documents/docx_builder.h"
#include "documents/docx_document.h"
#include "documents/settlement_document.h"
#include "documents/xml_tree.h"
#include "documents/zip_archive.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

const QString kShipped = QStringLiteral(CUANTIX_BINARY_DIR "/instalacion/DocPlant/CartaLiquidacion.docx");

class HostileTemplate : public ::testing::Test
{
protected:
    HostileTemplate()
    {
        catalogue = {{QStringLiteral("CapitalEuros"), 2}, {QStringLiteral("FechaDesde"), 5},
                     {QStringLiteral("FechaHasta"), 7},   {QStringLiteral("Dias"), 6},
                     {QStringLiteral("TotalEuros"), 12}};
        data.principal = 1000.0;
        data.rows.resize(3, SettlementRow{QDate(2021, 1, 1), QDate(2021, 1, 31), 1000.0, 3.0, 2.55});
    }

    QString path(const char *name) const { return dir.path() + QLatin1Char('/') + QLatin1String(name); }

    // The message a merge of the template gives; empty when it wrote a readable document.
    QString mergeMessage(const QString &templatePath)
    {
        QFile::remove(path("salida.docx"));
        try {
            MergeSettlementDocument(templatePath, path("salida.docx"), catalogue, data);
        } catch (const AppError &e) {
            EXPECT_FALSE(e.message().isEmpty());
            EXPECT_FALSE(QFile::exists(path("salida.docx")));
            return e.message();
        }
        EXPECT_NO_THROW(DocxDocument::Open(path("salida.docx")));
        return {};
    }

    QTemporaryDir dir;
    MergeData data;
    MergeFieldCatalogue catalogue;
};

std::vector<ZipEntry> Replaced(std::vector<ZipEntry> entries, const QString &name, const QByteArray &data)
{
    for (ZipEntry &e : entries) {
        if (e.name == name)
            e.data = data;
    }
    return entries;
}

} // namespace

TEST_F(HostileTemplate, RelationshipsLeavingThePackageAreRefused)
{
    const std::vector<ZipEntry> shipped = ReadZip(kShipped);
    const QByteArray rels = ReadEntry(kShipped, QStringLiteral("_rels/.rels"));
    const QByteArray documentRels = ReadEntry(kShipped, QStringLiteral("word/_rels/document.xml.rels"));
    ASSERT_TRUE(rels.contains("Target=\"word/document.xml\""));
    ASSERT_TRUE(documentRels.contains("Target=\"header1.xml\""));
    const struct
    {
        const char *part;
        QByteArray xml;
    } cases[] = {
        {"_rels/.rels", QByteArray(rels).replace("Target=\"word/document.xml\"", "Target=\"../word/document.xml\"")},
        {"_rels/.rels", QByteArray(rels).replace("Target=\"word/document.xml\"", "Target=\"/word/../../document.xml\"")},
        {"word/_rels/document.xml.rels", QByteArray(documentRels).replace("Target=\"header1.xml\"", "Target=\"../../../etc/passwd\"")},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(WriteZip(path("plantilla.docx"), Replaced(shipped, QLatin1String(c.part), c.xml)));
        const QString message = mergeMessage(path("plantilla.docx"));
        EXPECT_TRUE(message.startsWith(
            QStringLiteral("El documento \"%1\" está dañado: una de sus partes señala a").arg(path("plantilla.docx"))))
            << message.toStdString();
    }
    // Climbing and coming back inside is an ordinary name.
    ASSERT_TRUE(WriteZip(path("plantilla.docx"),
                         Replaced(shipped, QStringLiteral("_rels/.rels"),
                                  QByteArray(rels).replace("Target=\"word/document.xml\"", "Target=\"word/../word/./document.xml\""))));
    EXPECT_EQ(mergeMessage(path("plantilla.docx")), QString());
}

TEST_F(HostileTemplate, NestingNoWordProcessorWritesIsRefusedWithoutCrashing)
{
    const auto nested = [](int depth) {
        return DocumentXml(QStringLiteral("<w:p>") + QStringLiteral("<w:r>").repeated(depth)
                           + QStringLiteral("<w:t>x</w:t>") + QStringLiteral("</w:r>").repeated(depth) + QStringLiteral("</w:p>"));
    };
    WriteDocx(path("hondo.docx"), DocxParts{nested(70000), {}, {}, {}, {}, {}});
    EXPECT_TRUE(mergeMessage(path("hondo.docx")).contains(QStringLiteral("anida más de 1000 niveles")));
    // Just inside the limit it merges (the tree's writers recurse that deep).
    WriteDocx(path("hondo.docx"), DocxParts{nested(XmlDocument::kMaxDepth - 10), {}, {}, {}, {}, {}});
    EXPECT_EQ(mergeMessage(path("hondo.docx")), QString());
}

TEST_F(HostileTemplate, PartsTooLargeUnpackedAreRefusedBeforeInflating)
{
    const qint64 before = DocxDocument::MaxPartSize();
    EXPECT_EQ(before, 100 * 1024 * 1024);
    DocxDocument::SetMaxPartSize(64 * 1024);
    WriteDocx(path("grande.docx"),
              DocxParts{DocumentXml(Paragraph(TextRun(QString(100 * 1024, QLatin1Char('a'))))), {}, {}, {}, {}, {}});
    const QString message = mergeMessage(path("grande.docx"));
    WriteDocx(path("normal.docx"), DocxParts{DocumentXml(Paragraph(TextRun(QStringLiteral("a")))), {}, {}, {}, {}, {}});
    const QString normal = mergeMessage(path("normal.docx"));
    DocxDocument::SetMaxPartSize(before);
    EXPECT_EQ(message, QStringLiteral("La plantilla \"%1\" no se puede usar: la parte \"word/document.xml\" ocupa más "
                                      "de 0 MB sin comprimir.").arg(path("grande.docx")));
    EXPECT_EQ(normal, QString());
}

// Random damage to the shipped template: every case gives a document or a Spanish message.
TEST_F(HostileTemplate, FuzzedShippedTemplateNeverCrashes)
{
    QFile file(kShipped);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const std::vector<ZipEntry> entries = ReadZip(kShipped);
    std::mt19937 random(20261209);
    const auto below = [&random](qsizetype n) {
        return n <= 0 ? qsizetype(0) : static_cast<qsizetype>(random() % static_cast<std::uint32_t>(n));
    };
    const QList<QByteArray> targets = {"../word/document.xml", "/../x", "", "word/", "word/document.xml/..", "..",
                                       "word/../../x", "./word/./document.xml", "%2e%2e/x", "word/header1.xml",
                                       "word/styles.xml", "_rels/.rels", "/", "C:\\x", "word/document.xml#x"};
    const QList<QByteArray> fragments = {
        "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>", "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>",
        "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>", "<w:r><w:instrText> MERGEFIELD FechaDesde </w:instrText></w:r>",
        "<w:fldChar w:fldCharType=\"begin\"/>", "<w:fldChar w:fldCharType=\"end\"/>", "<w:p/>", "<w:tbl/>",
        "<w:fldSimple w:instr=\" MERGEFIELD Dias \"/>", "<w:pPr><w:sectPr/></w:pPr>", "</w:p><w:p>", "</w:r><w:r>",
        "</w:tc><w:tc>", "<w:instrText>\\b \"x</w:instrText>", "&#0;", "<!DOCTYPE x>", "&amp;"};
    int written = 0;
    for (int i = 0; i < 500; ++i) {
        std::vector<ZipEntry> mutated = entries;
        QByteArray raw;
        switch (i % 4) {
        case 0: // bytes of the archive
            raw = bytes;
            for (int k = 0, n = 1 + int(below(8)); k < n; ++k)
                raw[below(raw.size())] = char(random());
            if (i % 16 == 0)
                raw.truncate(below(raw.size()));
            break;
        case 1: { // relationships
            for (ZipEntry &e : mutated) {
                if (!e.name.endsWith(QLatin1String(".rels")) || below(3) == 0)
                    continue;
                const qsizetype at = e.data.indexOf("Target=\"", below(e.data.size()));
                if (at >= 0) {
                    const qsizetype end = e.data.indexOf('"', at + 8);
                    e.data.replace(at + 8, end - at - 8, targets[below(targets.size())]);
                } else {
                    e.data.remove(below(e.data.size()), below(40));
                }
            }
            break;
        }
        case 2: // content types
            for (std::size_t k = 0; k < mutated.size(); ++k) {
                if (mutated[k].name != QLatin1String("[Content_Types].xml"))
                    continue;
                if (below(3) == 0)
                    mutated.erase(mutated.begin() + static_cast<std::ptrdiff_t>(k));
                else
                    mutated[k].data.remove(below(mutated[k].data.size()), 1 + below(60));
                break;
            }
            break;
        default: { // the text parts' XML: fragments at tag boundaries, cut or doubled ranges
            ZipEntry &part = mutated[std::size_t(below(qsizetype(mutated.size())))];
            for (int k = 0, n = 1 + int(below(6)); k < n; ++k) {
                const qsizetype at = part.data.indexOf('>', below(part.data.size()));
                if (at < 0)
                    continue;
                switch (below(4)) {
                case 0: part.data.remove(at + 1, below(30)); break;
                case 1: part.data.insert(at + 1, part.data.mid(below(at), below(200))); break;
                default: part.data.insert(at + 1, fragments[below(fragments.size())]); break;
                }
            }
            break;
        }
        }
        if (raw.isEmpty()) {
            ASSERT_TRUE(WriteZip(path("fuzz.docx"), mutated));
        } else {
            QFile out(path("fuzz.docx"));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(raw);
        }
        try {
            if (mergeMessage(path("fuzz.docx")).isEmpty())
                ++written;
        } catch (const std::exception &e) {
            FAIL() << "case " << i << ": " << e.what();
        }
    }
    // Most damage is harmless to the merge; the case mix must keep trying both outcomes.
    EXPECT_GT(written, 100);
    EXPECT_LT(written, 480);
}
