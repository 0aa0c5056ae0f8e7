#include "documents/docx_builder.h"

#include "documents/xml_tree.h"
#include "documents/zip_archive.h"

#include <gtest/gtest.h>

namespace {

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");

QString Escape(const QString &text)
{
    return text.toHtmlEscaped();
}

const char *const kNamespaces =
    "xmlns:wpc=\"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas\" "
    "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:v=\"urn:schemas-microsoft-com:vml\" "
    "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" "
    "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
    "mc:Ignorable=\"w14 wp14\"";

} // namespace

QByteArray DocumentXml(const QString &body)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<w:document ")
            + QLatin1String(kNamespaces) + QStringLiteral("><w:body>") + body
            + QStringLiteral("<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr></w:body></w:document>"))
        .toUtf8();
}

QByteArray HeaderFooterXml(const char *element, const QString &paragraphs)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<w:%1 ")
                .arg(QLatin1String(element))
            + QLatin1String(kNamespaces) + QLatin1Char('>') + paragraphs
            + QStringLiteral("</w:%1>").arg(QLatin1String(element)))
        .toUtf8();
}

void WriteDocx(const QString &path, const DocxParts &parts)
{
    QString overrides = QStringLiteral(
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>");
    QString rels;
    std::vector<ZipEntry> entries;
    int id = 1;
    const auto add = [&](const QByteArray &data, const char *name, const char *type, const char *contentType) {
        if (data.isEmpty())
            return;
        entries.push_back({QStringLiteral("word/") + QLatin1String(name), data, true});
        rels += QStringLiteral("<Relationship Id=\"rId%1\" "
                               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/%2\" "
                               "Target=\"%3\"/>")
                    .arg(id++)
                    .arg(QLatin1String(type), QLatin1String(name));
        overrides += QStringLiteral("<Override PartName=\"/word/%1\" ContentType=\"%2\"/>")
                         .arg(QLatin1String(name), QLatin1String(contentType));
    };
    add(parts.header, "header1.xml", "header",
        "application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml");
    add(parts.footer, "footer1.xml", "footer",
        "application/vnd.openxmlformats-officedocument.wordprocessingml.footer+xml");
    add(parts.footnotes, "footnotes.xml", "footnotes",
        "application/vnd.openxmlformats-officedocument.wordprocessingml.footnotes+xml");
    add(parts.settings, "settings.xml", "settings",
        "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml");
    entries.insert(entries.begin(),
                   {QStringLiteral("word/_rels/document.xml.rels"),
                    (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">")
                     + rels + QStringLiteral("</Relationships>"))
                        .toUtf8(),
                    true});
    if (!parts.document.isEmpty())
        entries.insert(entries.begin(), {QStringLiteral("word/document.xml"), parts.document, true});
    entries.insert(entries.begin(),
                   {QStringLiteral("_rels/.rels"),
                    QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                               "<Relationship Id=\"rId1\" "
                               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                               "Target=\"word/document.xml\"/></Relationships>"),
                    true});
    entries.insert(entries.begin(),
                   {QStringLiteral("[Content_Types].xml"),
                    (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                                    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                                    "<Default Extension=\"rels\" "
                                    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                                    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>")
                     + overrides + QStringLiteral("</Types>"))
                        .toUtf8(),
                    true});
    for (const auto &[name, data] : parts.extra)
        entries.push_back({name, data, true});
    QString error;
    ASSERT_TRUE(WriteZip(path, entries, &error)) << error.toStdString();
}

QByteArray ReadEntry(const QString &zipPath, const QString &entry)
{
    for (const ZipEntry &e : ReadZip(zipPath)) {
        if (e.name == entry)
            return e.data;
    }
    return {};
}

QStringList ParagraphTexts(const QByteArray &partXml)
{
    const XmlDocument doc = XmlDocument::Parse(partXml);
    QStringList out;
    doc.root()->forEachDescendant([&out](XmlNode *n) {
        if (!n->is(kW, QLatin1StringView("p")))
            return;
        QString text;
        n->forEachDescendant([&text, n](XmlNode *d) {
            // Text of this paragraph only, not of paragraphs nested in its text boxes.
            if (d->is(kW, QLatin1StringView("t")) && d->ancestorOrSelf(kW, QLatin1StringView("p")) == n) {
                for (const auto &c : d->children())
                    text += c->text();
            }
        });
        out.append(text);
    });
    return out;
}

QString TextRun(const QString &text, const QString &runProperties)
{
    return QStringLiteral("<w:r>") + runProperties + QStringLiteral("<w:t xml:space=\"preserve\">") + Escape(text)
           + QStringLiteral("</w:t></w:r>");
}

QString Paragraph(const QString &runs)
{
    return QStringLiteral("<w:p>") + runs + QStringLiteral("</w:p>");
}

QString SimpleField(const QString &instruction, const QString &shown, const QString &runProperties)
{
    return QStringLiteral("<w:fldSimple w:instr=\"%1\">").arg(Escape(instruction)) + TextRun(shown, runProperties)
           + QStringLiteral("</w:fldSimple>");
}

QString ComplexField(const QStringList &instructionPieces, const QString &shown, const QString &runProperties)
{
    QString xml = QStringLiteral("<w:r>") + runProperties + QStringLiteral("<w:fldChar w:fldCharType=\"begin\"/></w:r>");
    for (const QString &piece : instructionPieces) {
        xml += QStringLiteral("<w:r>") + runProperties + QStringLiteral("<w:instrText xml:space=\"preserve\">")
               + Escape(piece) + QStringLiteral("</w:instrText></w:r>");
    }
    xml += QStringLiteral("<w:r>") + runProperties + QStringLiteral("<w:fldChar w:fldCharType=\"separate\"/></w:r>");
    xml += TextRun(shown, runProperties);
    xml += QStringLiteral("<w:r>") + runProperties + QStringLiteral("<w:fldChar w:fldCharType=\"end\"/></w:r>");
    return xml;
}
