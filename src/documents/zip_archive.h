#pragma once

#include <QByteArray>
#include <QString>

#include <limits>
#include <vector>

// Reading and writing whole zip archives (Office documents) in memory, through libzip.

struct ZipEntry
{
    QString name;
    QByteArray data;
    bool compressed = true; // deflated; false keeps the entry stored as it was

    bool operator==(const ZipEntry &) const = default;
};

enum class ZipFailure { Missing, NotZip, Unreadable, TooLarge, EntryTooLarge };

class ZipError : public std::exception
{
public:
    ZipError(ZipFailure failure, QString detail)
        : m_failure(failure), m_detail(std::move(detail)), m_utf8(m_detail.toUtf8())
    {
    }
    ZipFailure failure() const { return m_failure; }
    const QString &detail() const { return m_detail; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    ZipFailure m_failure;
    QString m_detail;
    QByteArray m_utf8;
};

// Every entry of the archive, in the archive's order; directories are skipped. The file is
// only read. An entry larger than maxEntrySize unpacked (by the archive's own record, checked
// before inflating) gives EntryTooLarge with the entry's name as detail. Throws ZipError.
std::vector<ZipEntry> ReadZip(const QString &path, qint64 maxEntrySize = std::numeric_limits<qint64>::max());

// Writes the entries as a new archive at path, replacing it only once the whole archive is
// written (a temporary file beside it is renamed). Returns false, with the reason in *error,
// when it cannot be written; the target is then left as it was.
bool WriteZip(const QString &path, const std::vector<ZipEntry> &entries, QString *error = nullptr);
