#pragma once

#include <QString>

// Whether the file begins with the SQLite header (checked on every file a backup takes, so
// databases added later are copied consistently too).
bool IsSqliteDatabase(const QString &path);

// Writes into `target` (a new file) one consistent state of the live database at `source`:
// every transaction committed before the copy began and nothing half-written, while other
// programs go on reading and writing. The copy is a single file (no write-ahead log beside
// it), and the record locks of running programs ("Bloqueos") are left out of it. The copy
// is checked (quick_check). Throws AppError naming the database (DamagedDatabase when it is
// damaged).
void SnapshotDatabase(const QString &source, const QString &target);

// Whether some program (this one included) has the database open: checked by taking the
// file's exclusive lock for a moment. A file that cannot be opened counts as in use.
bool DatabaseInUse(const QString &path);
