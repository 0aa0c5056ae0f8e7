#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>

// Word documents written by the tests themselves, from WordprocessingML text.

// "<w:document xmlns:w=... xmlns:wp=... ...><w:body>" + body + "</w:body></w:document>"
QByteArray DocumentXml(const QString &body);
// A header or footer part ("hdr" or "ftr") holding the paragraphs given.
QByteArray HeaderFooterXml(const char *element, const QString &paragraphs);

struct DocxParts
{
    QByteArray document;                  // word/document.xml
    QByteArray header;                    // word/header1.xml, when not empty
    QByteArray footer;                    // word/footer1.xml
    QByteArray footnotes;                 // word/footnotes.xml
    QByteArray settings;                  // word/settings.xml
    std::map<QString, QByteArray> extra;  // further entries, written as they are
};

// Writes a complete package at path; fails the test when it cannot.
void WriteDocx(const QString &path, const DocxParts &parts);

// Bytes of one entry of a zip file (empty when missing).
QByteArray ReadEntry(const QString &zipPath, const QString &entry);

// Text of each paragraph of a part, in document order (text boxes and table cells included,
// each paragraph on its own).
QStringList ParagraphTexts(const QByteArray &partXml);

// A simple field and a complex field, as word processors write them.
QString SimpleField(const QString &instruction, const QString &shown, const QString &runProperties = {});
QString ComplexField(const QStringList &instructionPieces, const QString &shown, const QString &runProperties = {});
QString TextRun(const QString &text, const QString &runProperties = {});
QString Paragraph(const QString &runs);
