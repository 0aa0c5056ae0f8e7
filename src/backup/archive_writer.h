#pragma once

#include "backup/archive_events.h"

#include <QString>

struct BackupSummary
{
    int files = 0;
    int folders = 0;
    qint64 bytes = 0; // read from disk (databases as their consistent copies)
};

// Writes a backup of the installation in programDir to archivePath (its folder is created
// when missing; an archive of that name is replaced only once the new one is complete).
// The files are those of SelectBackupItems; every SQLite database goes in as a consistent
// copy under its own entry name. Deflate at level 9, except the already-compressed suffixes,
// which are stored. Reports progress and one line per file through `events`.
// Throws AppError naming what failed; no partial archive is left behind.
BackupSummary WriteBackup(const QString &programDir, const QString &archivePath, ArchiveEvents &events);
