#include "store/record_locks.h"

#include "platform/process.h"
#include "store/sql.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSysInfo>
#include <QUuid>

namespace {

QString LockedMessage(const QString &user)
{
    return QStringLiteral("Registro bloqueado por otro usuario. User: ") + user;
}

bool HolderIsGone(const QString &host, qint64 process)
{
    return host == QSysInfo::machineHostName() && !ProcessIsRunning(process);
}

// On a server a lock names the database session that took it ("<backend pid>:<start in
// microseconds>"): when that session is gone, so is the program, whatever computer it ran on.
const char *const kMySession = "(SELECT pg_backend_pid()::text || ':' ||"
                               " (extract(epoch FROM backend_start) * 1000000)::bigint::text"
                               " FROM pg_stat_activity WHERE pid = pg_backend_pid())";
// True for a lock row (its Conexion column in scope) whose session has ended. Other users'
// sessions may show no start time: their pid alone is compared then.
const char *const kSessionGone =
    "Conexion IS NOT NULL AND NOT EXISTS (SELECT 1 FROM pg_stat_activity a"
    " WHERE a.pid = split_part(Conexion, ':', 1)::integer AND (a.backend_start IS NULL"
    " OR (extract(epoch FROM a.backend_start) * 1000000)::bigint::text = split_part(Conexion, ':', 2)))";

bool SessionIsGone(const QSqlDatabase &db, const QString &table, const QString &key)
{
    // The activity view is read afresh, not as it was when the transaction began.
    RunSql(db, QStringLiteral("SELECT pg_stat_clear_snapshot()"));
    return Scalar(db, QStringLiteral("SELECT count(*) FROM Bloqueos WHERE Tabla = ? AND Clave = ? AND %1")
                          .arg(QLatin1String(kSessionGone)),
                  {table, key})
               .toInt()
           > 0;
}

} // namespace

const LockIdentity &LockIdentity::Current()
{
    static const LockIdentity me{CurrentUserName(), QSysInfo::machineHostName(),
                                 QCoreApplication::applicationPid(),
                                 QUuid::createUuid().toString(QUuid::WithoutBraces)};
    return me;
}

RecordLocks::RecordLocks(QSqlDatabase db, LockIdentity identity)
    : m_db(std::move(db))
    , m_me(std::move(identity))
{
}

void RecordLocks::lock(const QString &table, const QString &key, const std::function<bool()> &recordExists)
{
    Transaction transaction(m_db);
    if (recordExists && !recordExists())
        throw StoreError(StoreCode::DeletedByOther,
                         QStringLiteral("El registro ha sido eliminado por otro usuario."));
    QSqlQuery holder = RunSql(m_db,
                           QStringLiteral("SELECT Usuario, Equipo, Proceso, Sesion FROM Bloqueos"
                                          " WHERE Tabla = ? AND Clave = ?"),
                           {table, key});
    if (holder.next()) {
        const QString user = holder.value(0).toString();
        const QString host = holder.value(1).toString();
        const qint64 process = holder.value(2).toLongLong();
        const QString session = holder.value(3).toString();
        holder.finish();
        if (session == m_me.session)
            throw StoreError(StoreCode::AlreadyLockedHere,
                             QStringLiteral("Este registro ya está siendo usado dentro de la ejecución del programa."));
        const bool gone = IsServer(m_db) ? SessionIsGone(m_db, table, key) : HolderIsGone(host, process);
        if (!gone)
            throw StoreError(StoreCode::LockedByOther, LockedMessage(user));
        RunSql(m_db, QStringLiteral("DELETE FROM Bloqueos WHERE Tabla = ? AND Clave = ?"), {table, key});
    }
    if (IsServer(m_db))
        RunSql(m_db,
            QStringLiteral("INSERT INTO Bloqueos (Tabla, Clave, Usuario, Equipo, Proceso, Sesion, Desde, Conexion)"
                           " VALUES (?, ?, ?, ?, ?, ?, ?, %1)").arg(QLatin1String(kMySession)),
            {table, key, m_me.user, m_me.host, m_me.process, m_me.session,
             QDateTime::currentDateTime().toString(Qt::ISODate)});
    else
        RunSql(m_db,
            QStringLiteral("INSERT INTO Bloqueos (Tabla, Clave, Usuario, Equipo, Proceso, Sesion, Desde)"
                           " VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {table, key, m_me.user, m_me.host, m_me.process, m_me.session,
             QDateTime::currentDateTime().toString(Qt::ISODate)});
    transaction.commit();
}

void RecordLocks::unlock(const QString &table, const QString &key)
{
    RunSql(m_db, QStringLiteral("DELETE FROM Bloqueos WHERE Tabla = ? AND Clave = ? AND Sesion = ?"),
        {table, key, m_me.session});
}

void RecordLocks::unlockAll()
{
    RunSql(m_db, QStringLiteral("DELETE FROM Bloqueos WHERE Sesion = ?"), {m_me.session});
}

int RecordLocks::RemoveStale(const QSqlDatabase &db)
{
    Transaction transaction(db);
    if (IsServer(db)) {
        RunSql(db, QStringLiteral("SELECT pg_stat_clear_snapshot()"));
        QSqlQuery del = RunSql(db, QStringLiteral("DELETE FROM Bloqueos WHERE %1").arg(QLatin1String(kSessionGone)));
        const int removed = del.numRowsAffected();
        transaction.commit();
        return removed;
    }
    QSqlQuery rows = RunSql(db, QStringLiteral("SELECT DISTINCT Equipo, Proceso FROM Bloqueos"));
    std::vector<std::pair<QString, qint64>> gone;
    while (rows.next()) {
        const QString host = rows.value(0).toString();
        const qint64 process = rows.value(1).toLongLong();
        if (HolderIsGone(host, process))
            gone.emplace_back(host, process);
    }
    rows.finish();
    int removed = 0;
    for (const auto &[host, process] : gone) {
        QSqlQuery del = RunSql(db, QStringLiteral("DELETE FROM Bloqueos WHERE Equipo = ? AND Proceso = ?"),
                            {host, process});
        removed += del.numRowsAffected();
    }
    transaction.commit();
    return removed;
}

ScopedRecordLock::ScopedRecordLock(RecordLocks locks, QString table, QString key,
                                   const std::function<bool()> &recordExists)
    : m_locks(std::move(locks))
    , m_table(std::move(table))
    , m_key(std::move(key))
{
    m_locks.lock(m_table, m_key, recordExists);
}

ScopedRecordLock::~ScopedRecordLock()
{
    try {
        m_locks.unlock(m_table, m_key);
    } catch (...) {
        // A lock that cannot be released now is removed at the next start (its process is gone).
    }
}

QString LockUserName(const QString &lockMessage)
{
    const auto at = lockMessage.indexOf(QLatin1String("User:"));
    return lockMessage.mid(at < 0 ? 5 : at + 6);
}
