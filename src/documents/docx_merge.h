#pragma once

#include <QStringList>

#include <functional>
#include <optional>

class DocxDocument;
class XmlNode;

// What becomes of a field, decided from its instruction text (" MERGEFIELD Dias "):
// nullopt leaves the field as it is; a list replaces the whole field (code and shown result)
// by its texts, one paragraph each; an empty list deletes the field.
using FieldResolver = std::function<std::optional<QStringList>(const QString &instruction)>;

struct MergeCount
{
    int replaced = 0;   // fields replaced or deleted
    int untouched = 0;  // fields the resolver left, and fields whose shape could not be followed
};

// Replaces the fields of one story part (body, header, footer, notes; text boxes included):
// simple fields (w:fldSimple) and complex ones (w:fldChar begin / w:instrText / separate /
// end, the instruction split over any number of runs, nested fields inside). A replaced
// field takes the character formatting of its shown result. Several texts in a paragraph
// split it: text before the field stays with the first, text after it follows the last.
MergeCount MergeFieldsInPart(XmlNode *root, const FieldResolver &resolve);

// Every story part of the document; the parts changed are marked for saving. A mail-merge
// data source linked in the settings is dropped as well (the result is an ordinary document).
MergeCount MergeFields(DocxDocument &document, const FieldResolver &resolve);
