#include "backup/database_snapshot.h"

#include "core/errors.h"
#include "store/store_error.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <sqlite3.h>

namespace {

// A connection of our own, outside Qt SQL, closed on every exit path.
class Connection
{
public:
    Connection(const QString &path, int flags)
    {
        m_rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    }
    ~Connection() { sqlite3_close_v2(m_db); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool ok() const { return m_rc == SQLITE_OK; }
    sqlite3 *get() const { return m_db; }
    QString error() const { return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("sqlite3_open"); }
    int exec(const char *sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

private:
    sqlite3 *m_db = nullptr;
    int m_rc = SQLITE_ERROR;
};

[[noreturn]] void SnapshotFailed(const QString &source, const QString &detail)
{
    throw AppError(QStringLiteral("No se ha podido copiar la base de datos \"%1\".").arg(QDir::toNativeSeparators(source)),
                   detail);
}

// Whether the table exists and holds a row.
bool HasRows(sqlite3 *db, const char *table)
{
    sqlite3_stmt *statement = nullptr;
    const QByteArray sql = QByteArray("SELECT 1 FROM \"") + table + "\" LIMIT 1";
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
        return false; // no such table
    const bool found = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return found;
}

QString QuickCheck(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &statement, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(db));
    const int rc = sqlite3_step(statement);
    const QString result = rc == SQLITE_ROW
                               ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)))
                               : QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    return result;
}

} // namespace

bool IsSqliteDatabase(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(16) == QByteArray("SQLite format 3", 16);
}

void SnapshotDatabase(const QString &source, const QString &target)
{
    // Read-write as any other program of the installation (SQLite falls back to reading
    // only when the file is write-protected).
    Connection from(source, SQLITE_OPEN_READWRITE);
    if (!from.ok())
        SnapshotFailed(source, from.error());
    sqlite3_busy_timeout(from.get(), 10000);
    Connection to(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // A scratch file read once into the archive: nothing gained by waiting for the disk.
    if (!to.ok() || to.exec("PRAGMA synchronous = OFF") != SQLITE_OK)
        SnapshotFailed(source, to.error());

    // One step copies every page inside a single read transaction of the source: a
    // consistent state even while other connections write (they append to the log meanwhile).
    int rc = SQLITE_BUSY;
    for (int attempt = 0; attempt < 3 && (rc == SQLITE_BUSY || rc == SQLITE_LOCKED); ++attempt) {
        if (attempt > 0)
            QThread::msleep(500);
        sqlite3_backup *backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
        if (!backup)
            SnapshotFailed(source, to.error());
        rc = sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
    }
    if ((rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB)
        throw DamagedDatabase(source, QString::fromUtf8(sqlite3_errstr(rc)));
    if (rc != SQLITE_DONE)
        SnapshotFailed(source, QString::fromUtf8(sqlite3_errstr(rc)));
    // The pages are copied as they are: a damaged database would give a backup that cannot
    // be restored.
    if (const QString check = QuickCheck(to.get()); check != QLatin1String("ok"))
        throw DamagedDatabase(source, check);

    // A single self-contained file; locks belong to programs running now, not to the data.
    if (to.exec("PRAGMA journal_mode = DELETE") != SQLITE_OK)
        SnapshotFailed(source, to.error());
    if (HasRows(to.get(), "Bloqueos") && to.exec("DELETE FROM Bloqueos") != SQLITE_OK)
        SnapshotFailed(source, to.error());
}

bool DatabaseInUse(const QString &path)
{
    // Every connection to a database in write-ahead-log mode holds a shared lock on the file
    // for as long as it is open, so the exclusive lock is refused while any program has it.
    Connection probe(path, SQLITE_OPEN_READWRITE);
    if (!probe.ok())
        return true;
    sqlite3_busy_timeout(probe.get(), 0);
    if (probe.exec("PRAGMA locking_mode = EXCLUSIVE") != SQLITE_OK)
        return true;
    if (probe.exec("BEGIN EXCLUSIVE") != SQLITE_OK)
        return true;
    probe.exec("COMMIT");
    return false;
}
