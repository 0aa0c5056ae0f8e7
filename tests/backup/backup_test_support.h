#pragma once

#include "backup/archive_events.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

// Records what the archiver tells.
class RecordingEvents final : public ArchiveEvents
{
public:
    void progress(ProgressKind kind, qint64 bytes) override { events.push_back({kind, bytes}); }
    void message(const QString &line) override { lines.append(line); }

    std::vector<std::pair<ProgressKind, qint64>> events;
    QStringList lines;
};

// Writes a file, creating its folder.
void WriteFile(const QString &path, const QByteArray &data);
// A file's bytes (empty when it cannot be read).
QByteArray ReadFile(const QString &path);

// Every file and folder below a folder (hidden ones too) with its bytes, the database
// engine's shared-memory files left out: two snapshots are equal when nothing was added,
// removed or changed.
QMap<QString, QByteArray> TreeContents(const QString &dir);

struct ZipEntry
{
    QString name;
    int method = 0; // ZIP_CM_STORE or ZIP_CM_DEFLATE
    QByteArray data;
};
// The entries of an archive in their order, with their contents.
std::vector<ZipEntry> ReadZip(const QString &path);

// An archive built by hand: names as given (backslashes kept), stored without compression;
// a name ending in "@link" is written as a symbolic link without that ending.
void WriteZip(const QString &path, const std::vector<std::pair<QString, QByteArray>> &entries);

// The entry names of a backup below the program folder it was taken from.
QStringList RelativeNames(const std::vector<ZipEntry> &entries, const QString &programDir);

// Rows of a table, as "value|value|..." per row, ordered by the first column.
QStringList Rows(const QString &databaseFile, const QString &sql);
