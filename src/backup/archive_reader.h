#pragma once

#include "backup/archive_events.h"
#include "core/errors.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLockFile;
class QTemporaryDir;
struct ServerTablesLoad;

// A restore that failed without changing anything in the installation: the cause's message
// followed by "La instalación no se ha modificado.".
class RestoreRefused : public AppError
{
public:
    explicit RestoreRefused(const AppError &cause);
    const QString &causeMessage() const { return m_causeMessage; }

private:
    QString m_causeMessage;
};

// The free bytes of the disk holding a folder. By default the system's figure; tests set
// their own (an empty probe restores the default).
using FreeSpaceProbe = std::function<qint64(const QString &folder)>;
void SetFreeSpaceProbe(FreeSpaceProbe probe);

// A backup checked whole and extracted beside the installation, ready to take its place.
class StagedRestore
{
public:
    // Opens the archive, checks every entry (readable, checksum right, a plain file or folder
    // whose name stays inside the program folder: no absolute path, no "..", no link), maps
    // the entries onto programDir, extracts them into a folder of their own inside it and
    // checks the databases extracted. A backup larger, unpacked, than the free space of the
    // installation's disk is refused before anything is written. Nothing of the installation
    // is touched. Throws RestoreRefused.
    StagedRestore(const QString &archivePath, const QString &programDir, ArchiveEvents &events);
    ~StagedRestore();
    StagedRestore(const StagedRestore &) = delete;
    StagedRestore &operator=(const StagedRestore &) = delete;

    // The entries' targets below the program folder (folders end in "/").
    const QStringList &targets() const { return m_targets; }

    // Puts the extracted files in place of the installation's, all or none, even when the
    // program is cut short (RestoreJournal); call it once, after every connection to the
    // installation's databases is closed: a database another program still has open is
    // refused, and on a server installation any other program connected to its database (the
    // tables go into the server in one transaction, the files follow). Returns how many files
    // were restored. Throws RestoreRefused when the installation was left as it was, AppError
    // when the previous files could not all be put back (the message says where they are; the
    // next start tries again) or when the server's tables were restored but its files were not.
    int install();

private:
    QString staged(const QString &target) const;
    // The tables of the backup for the installation's engine: SQLite files made from the
    // backup's CSV, or the load into the server prepared.
    void prepareTables();
    void loadServerTables();

    QString m_programDir;
    ArchiveEvents &m_events;
    std::unique_ptr<QTemporaryDir> m_stage;
    std::unique_ptr<QLockFile> m_lock;
    QStringList m_targets;
    std::unique_ptr<ServerTablesLoad> m_serverLoad;
};
