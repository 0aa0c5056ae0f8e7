#pragma once

#include "backup/archive_events.h"

#include <QDateTime>
#include <QString>

struct AppContext;

// Restores a backup over the running program's installation (session.programDir): the archive
// is checked and extracted first; only then are the five databases closed, the files put in
// place (all or none) and the program brought back to its working state: main databases
// connected, working tables open, the active region's module open again. Returns the number of
// files restored. Throws RestoreRefused when the installation was left as it was, AppError
// otherwise; the databases are reconnected in every case once they were closed.
int RestoreBackup(AppContext &app, const QString &archivePath, ArchiveEvents &events);

// The same for an installation no program of this process has open (devenix-cli).
int RestoreInstallation(const QString &programDir, const QString &archivePath, ArchiveEvents &events);

// When a backup was taken: its most recent entry, or the archive's own date when its entries
// carry none (or it cannot be read).
QDateTime BackupTakenAt(const QString &archivePath);
