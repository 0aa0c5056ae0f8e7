#pragma once

#include "backup/csv_archive.h"
#include "store/database_engine.h"
#include "store/table_copy.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class DataStore;

struct MoveSummary
{
    int tables = 0;
    qint64 rows = 0;
};

// Copies the SQLite data of the installation in programDir (Datos, Historia and every region
// folder with its module file) into the server database of `server`, one schema each, in one
// transaction, compares counts and checksums of every table, and only then writes [BASEDATOS]
// of the installation's Devenix.ini. The files of Datos and Historia are renamed
// "<file>.trasladado-<date>" so that nobody goes on using them by mistake. Refused when the
// installation already uses a server, another program has its files open or the server
// database holds data of ours. Throws AppError (ServerError when the server cannot be used).
MoveSummary MoveToServer(const QString &programDir, const DatabaseEngine &server, const CopyProgress &progress = {});

// The reverse: the server's data into new SQLite files (made beside the installation and put
// in place once checked; a file they replace is renamed "<file>.trasladado-<date>"), then
// [BASEDATOS] back to MOTOR=sqlite. The server's data stay where they are. Refused when the
// installation does not use a server or another program is connected to its database.
MoveSummary MoveToSqlite(const QString &programDir, const CopyProgress &progress = {});

// Connections to another program's sessions on the server database (the caller's own left
// out): a restore or a move waits until there are none.
int OtherServerSessions(const QSqlDatabase &server);

// The data sets of a server database: datos, historia and every modulo_* schema, through one
// connection (so one snapshot or one transaction covers them all). Module folders are
// matched in programDir/modulos; a schema with no folder gets the folder named after it.
std::vector<DataSet> ServerDataSets(const QSqlDatabase &server, const QString &programDir, const QString &serverText);

// Opens the SQLite files of an installation (or of a restore's staging folder) with their
// schema brought up to date, one DataStore per file; `create` makes them new.
class SqliteInstallation
{
public:
    // moduleFolders: names below "modulos/" ("madrid"); when absent, every folder with a
    // module file.
    SqliteInstallation(const QString &programDir, bool create, std::optional<QStringList> moduleFolders = std::nullopt);
    ~SqliteInstallation();
    SqliteInstallation(const SqliteInstallation &) = delete;
    SqliteInstallation &operator=(const SqliteInstallation &) = delete;

    const std::vector<DataSet> &sets() const { return m_sets; }
    // The database files, in the order of sets().
    QStringList files() const;
    void close();

private:
    std::vector<std::unique_ptr<DataStore>> m_stores;
    std::vector<DataSet> m_sets;
};

// A backup of a server installation: every table of its database (datos, historia, modules)
// as CSV with the manifest, written into `folder` from one snapshot. Throws AppError.
CsvManifest DumpServerTables(const DatabaseEngine &server, const QString &programDir, const QString &folder);

// A restore onto a server installation: its tables become those of the CSV folder, in one
// transaction (a module schema the server lacks is made first). Refused while another program
// is connected to the database. Throws AppError; nothing is changed then.
void LoadServerTables(const DatabaseEngine &server, const QString &programDir, const QString &csvFolder,
                      const CsvManifest &manifest, const CopyProgress &progress = {});
