#pragma once

#include "documents/xml_tree.h"
#include "documents/zip_archive.h"

#include <QString>
#include <QStringList>

#include <map>
#include <set>
#include <vector>

// A word-processing document (.docx) opened from its file: the package's entries, and the
// parts that hold text the user sees (the main document, its headers, footers, footnotes and
// endnotes) found through the package's relationships.
class DocxDocument
{
public:
    // Reads the file; the file itself is never written. Throws AppError with a Spanish message
    // naming the file: missing, not a zip archive, a part over MaxPartSize() unpacked, a
    // relationship pointing outside the package, no main document part, a text part that is
    // not well-formed XML or is nested deeper than any word processor writes.
    static DocxDocument Open(const QString &path);

    // Largest part unpacked: 100 MB unless set (tests set it small).
    static qint64 MaxPartSize();
    static void SetMaxPartSize(qint64 bytes);

    const QString &path() const { return m_path; }
    const QString &mainPart() const { return m_mainPart; }
    // The main part first, then the others in the order the relationships name them.
    const QStringList &storyParts() const { return m_storyParts; }
    // The document settings part, empty when there is none.
    const QString &settingsPart() const { return m_settingsPart; }

    // Parsed on first use. A part changed through it must be marked, for save() to write it.
    XmlDocument &part(const QString &name);
    void markChanged(const QString &name) { m_changed.insert(name); }

    // Writes the document, with the changed parts, to path (replacing it only once complete).
    // Throws AppError naming path.
    void save(const QString &path);

private:
    QByteArray entryData(const QString &name) const;

    QString m_path;
    std::vector<ZipEntry> m_entries;
    QString m_mainPart;
    QStringList m_storyParts;
    QString m_settingsPart;
    std::map<QString, XmlDocument> m_parsed;
    std::set<QString> m_changed;
};
