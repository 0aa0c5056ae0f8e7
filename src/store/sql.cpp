#include "store/sql.h"

#include "core/date_text.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>

namespace {

bool ServerConnection(const QSqlQuery &query)
{
    return query.driver() && query.driver()->dbmsType() == QSqlDriver::PostgreSQL;
}

// SQLSTATE classes of the server: 23505 unique, 40001/40P01 serialisation or deadlock,
// 55P03 lock wait timed out, 57014 statement cancelled; class 08 and 57P0x connection gone.
QString ServerState(const QSqlError &error)
{
    return error.nativeErrorCode();
}

bool ServerConnectionLost(const QSqlError &error)
{
    const QString state = ServerState(error);
    return state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P0"))
           || error.text().contains(QLatin1String("server closed the connection"), Qt::CaseInsensitive)
           || error.text().contains(QLatin1String("no connection to the server"), Qt::CaseInsensitive)
           || error.text().contains(QLatin1String("connection to server"), Qt::CaseInsensitive)
           || error.text().contains(QLatin1String("terminating connection"), Qt::CaseInsensitive)
           || (state.isEmpty() && error.type() == QSqlError::ConnectionError);
}

bool IsUniqueViolation(const QSqlError &error)
{
    // SQLite: SQLITE_CONSTRAINT_PRIMARYKEY 1555, SQLITE_CONSTRAINT_UNIQUE 2067; older drivers
    // give the primary code 19 with the text.
    const QString code = error.nativeErrorCode();
    const QString text = error.databaseText();
    return code == QLatin1String("1555") || code == QLatin1String("2067")
           || (code == QLatin1String("19") && text.contains(QLatin1String("UNIQUE"), Qt::CaseInsensitive));
}

bool IsBusy(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6")
           || error.databaseText().contains(QLatin1String("locked"), Qt::CaseInsensitive);
}

bool IsDamage(const QSqlError &error)
{
    // SQLITE_CORRUPT (11) and SQLITE_NOTADB (26), with their extended codes.
    const int code = error.nativeErrorCode().toInt() & 0xFF;
    return code == 11 || code == 26;
}

// The connection a query runs on: the one whose driver is the query's.
QSqlDatabase DatabaseOf(const QSqlQuery &query)
{
    for (const QString &name : QSqlDatabase::connectionNames()) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.driver() == query.driver())
            return db;
    }
    return {};
}

QString DatabaseFileOf(const QSqlQuery &query)
{
    return DatabaseOf(query).databaseName();
}

QString ServerTextOf(const QSqlDatabase &db)
{
    return QStringLiteral("%1:%2/%3").arg(db.hostName()).arg(db.port()).arg(db.databaseName());
}

[[noreturn]] void FailOnServer(const QSqlQuery &query, const QSqlError &error, const QString &detail)
{
    const QString state = ServerState(error);
    if (state == QLatin1String("23505"))
        throw StoreError(StoreCode::KeyViolation, QStringLiteral("Ya existe un registro con esa clave."), detail);
    if (state == QLatin1String("55P03") || state == QLatin1String("40001") || state == QLatin1String("40P01"))
        throw StoreError(StoreCode::Failure,
                         QStringLiteral("Los datos están siendo usados por otro programa. Inténtelo más tarde."),
                         detail);
    // The driver closes a connection it finds broken: later statements only say "not open".
    if (ServerConnectionLost(error) || !DatabaseOf(query).isOpen())
        throw StoreError(StoreCode::Failure,
                         QStringLiteral("Se ha perdido la conexión con el servidor de bases de datos %1. No se ha "
                                        "guardado nada de esta operación; vuelva a intentarlo.")
                             .arg(ServerTextOf(DatabaseOf(query))),
                         detail);
    QString text = error.databaseText().trimmed();
    // "ERROR:  <message>\n(<state>)" as the driver gives it: the message alone.
    if (text.startsWith(QLatin1String("ERROR:")))
        text = text.mid(6).trimmed();
    if (const auto cut = text.lastIndexOf(QLatin1String("\n(")); cut > 0)
        text = text.left(cut).trimmed();
    throw StoreError(StoreCode::Failure,
                     QStringLiteral("Error de la base de datos: %1").arg(text.isEmpty() ? error.text() : text), detail);
}

[[noreturn]] void Fail(const QSqlQuery &query, const QString &sql)
{
    const QSqlError error = query.lastError();
    const QString detail = error.text() + QStringLiteral(" [") + sql + QLatin1Char(']');
    if (ServerConnection(query))
        FailOnServer(query, error, detail);
    if (IsUniqueViolation(error))
        throw StoreError(StoreCode::KeyViolation, QStringLiteral("Ya existe un registro con esa clave."), detail);
    if (IsBusy(error))
        throw StoreError(StoreCode::Failure,
                         QStringLiteral("Los datos están siendo usados por otro programa. Inténtelo más tarde."),
                         detail);
    if (IsDamage(error))
        throw StoreError(StoreCode::Failure, DamagedDatabase(DatabaseFileOf(query), detail).message(), detail);
    throw StoreError(StoreCode::Failure,
                     QStringLiteral("Error de la base de datos: %1").arg(error.databaseText().isEmpty()
                                                                             ? error.text()
                                                                             : error.databaseText()),
                     detail);
}

// Connections inside a Transaction: a lost connection is not opened again under them, which
// would run the rest of the change outside its transaction.
QSet<QString> &ConnectionsInTransaction()
{
    thread_local QSet<QString> names;
    return names;
}

QMutex &ReopenMutex()
{
    static QMutex mutex;
    return mutex;
}

QHash<QString, std::function<void(const QSqlDatabase &)>> &ReopenActions()
{
    static QHash<QString, std::function<void(const QSqlDatabase &)>> actions;
    return actions;
}

// A server connection lost since its last use is opened again once, when no transaction of
// it is running: the user's retry is what brings it back.
bool Reconnected(const QSqlDatabase &db, const QSqlError &error)
{
    if (!IsServer(db) || (db.isOpen() && !ServerConnectionLost(error))
        || ConnectionsInTransaction().contains(db.connectionName()))
        return false;
    QSqlDatabase again = db;
    again.close();
    if (!again.open())
        return false;
    std::function<void(const QSqlDatabase &)> action;
    {
        const QMutexLocker lock(&ReopenMutex());
        action = ReopenActions().value(db.connectionName());
    }
    if (action)
        action(again);
    return true;
}

} // namespace

QSqlQuery Prepare(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.prepare(sql)) {
        if (!Reconnected(db, query.lastError()))
            Fail(query, sql);
        query = QSqlQuery(db);
        if (!query.prepare(sql))
            Fail(query, sql);
    }
    return query;
}

void SetReopenAction(const QSqlDatabase &db, std::function<void(const QSqlDatabase &)> action)
{
    const QMutexLocker lock(&ReopenMutex());
    ReopenActions().insert(db.connectionName(), std::move(action));
}

bool IsServer(const QSqlDatabase &db)
{
    return db.driver() && db.driver()->dbmsType() == QSqlDriver::PostgreSQL;
}

bool TableExists(const QSqlDatabase &db, const QString &table)
{
    if (IsServer(db))
        return Scalar(db, QStringLiteral("SELECT count(*) FROM information_schema.tables"
                                         " WHERE table_schema = current_schema() AND table_name = ?"),
                      {table.toLower()}).toInt() > 0;
    return Scalar(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"),
                  {table}).toInt() > 0;
}

QString ModelTableName(const QSqlDatabase &db, const QString &table)
{
    return IsServer(db) ? table.toLower() : table;
}

QString RealType(const QSqlDatabase &db)
{
    return IsServer(db) ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
}

QString NoCase(const QSqlDatabase &db, const QString &expression)
{
    return IsServer(db) ? QStringLiteral("lower(%1)").arg(expression) : expression + QStringLiteral(" COLLATE NOCASE");
}

qint64 DataVersion(const QSqlDatabase &db)
{
    if (!IsServer(db))
        return Scalar(db, QStringLiteral("PRAGMA data_version")).toLongLong();
    // The server's snapshot (next transaction number and those still running) changes whenever
    // a writing transaction begins or ends, anywhere in the server: more often than needed,
    // never less.
    const QString snapshot = Scalar(db, QStringLiteral("SELECT pg_current_snapshot()::text")).toString();
    return static_cast<qint64>(qHash(snapshot));
}

qint64 InsertReturningKey(const QSqlDatabase &db, const QString &insertSql, const QString &keyColumn,
                          std::initializer_list<QVariant> values)
{
    if (!IsServer(db)) {
        QSqlQuery query = RunSql(db, insertSql, values);
        return query.lastInsertId().toLongLong();
    }
    QSqlQuery query = RunSql(db, insertSql + QStringLiteral(" RETURNING ") + keyColumn, values);
    return query.next() ? query.value(0).toLongLong() : 0;
}


void Exec(QSqlQuery &query)
{
    // The server driver reads a forward-only result row by row, and any other statement on
    // the connection meanwhile cuts it short; the program reads its lists while it looks
    // other things up, as SQLite allows, so the server sends each result whole.
    if (ServerConnection(query))
        query.setForwardOnly(false);
    if (!query.exec())
        Fail(query, query.lastQuery());
}

QSqlQuery RunSql(const QSqlDatabase &db, const QString &sql, std::initializer_list<QVariant> values)
{
    // The server prepares only queries and row changes, not CREATE, ALTER, COMMENT...: a
    // statement without values runs as it is.
    if (values.size() == 0 && IsServer(db)) {
        QSqlQuery query(db);
        if (!query.exec(sql)) {
            if (!Reconnected(db, query.lastError()))
                Fail(query, sql);
            query = QSqlQuery(db);
            if (!query.exec(sql))
                Fail(query, sql);
        }
        return query;
    }
    QSqlQuery query = Prepare(db, sql);
    for (const QVariant &v : values)
        query.addBindValue(v);
    Exec(query);
    return query;
}

QVariant Scalar(const QSqlDatabase &db, const QString &sql, std::initializer_list<QVariant> values)
{
    QSqlQuery query = RunSql(db, sql, values);
    return query.next() ? query.value(0) : QVariant();
}

QVariant TextOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

QVariant DateOrNull(const QDate &date)
{
    return date.isValid() ? QVariant(DateToIso(date)) : QVariant(QMetaType::fromType<QString>());
}

Transaction::Transaction(QSqlDatabase db)
    : m_db(std::move(db))
{
    // IMMEDIATE takes the write lock now, so a second program waits (busy timeout) here
    // instead of failing half-way through the change.
    const bool server = IsServer(m_db);
    const QString beginSql = server ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE");
    QSqlQuery begin(m_db);
    if (!begin.exec(beginSql)) {
        if (!Reconnected(m_db, begin.lastError()))
            Fail(begin, beginSql);
        begin = QSqlQuery(m_db);
        if (!begin.exec(beginSql))
            Fail(begin, beginSql);
    }
    m_open = true;
    ConnectionsInTransaction().insert(m_db.connectionName());
    if (server) {
        try {
            RunSql(m_db, QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(current_schema()))"));
        } catch (...) {
            QSqlQuery rollback(m_db);
            rollback.exec(QStringLiteral("ROLLBACK"));
            m_open = false;
            ConnectionsInTransaction().remove(m_db.connectionName());
            throw;
        }
    }
}

Transaction::~Transaction()
{
    if (m_open) {
        QSqlQuery rollback(m_db);
        rollback.exec(QStringLiteral("ROLLBACK"));
        ConnectionsInTransaction().remove(m_db.connectionName());
    }
}

void Transaction::commit()
{
    QSqlQuery commit(m_db);
    if (!commit.exec(QStringLiteral("COMMIT"))) {
        const QString detail = commit.lastError().text();
        QSqlQuery rollback(m_db);
        rollback.exec(QStringLiteral("ROLLBACK"));
        m_open = false;
        ConnectionsInTransaction().remove(m_db.connectionName());
        throw StoreError(StoreCode::Failure,
                         QStringLiteral("No se han podido guardar los cambios en la base de datos."), detail);
    }
    m_open = false;
    ConnectionsInTransaction().remove(m_db.connectionName());
}

Savepoint::Savepoint(QSqlDatabase db)
    : m_db(std::move(db))
{
    if (IsServer(m_db) && !ConnectionsInTransaction().contains(m_db.connectionName()))
        m_transaction.emplace(m_db);
    else
        RunSql(m_db, QStringLiteral("SAVEPOINT cuantix"));
}

Savepoint::~Savepoint()
{
    if (m_released || m_transaction)
        return; // the transaction rolls itself back
    QSqlQuery undo(m_db);
    undo.exec(QStringLiteral("ROLLBACK TO cuantix"));
    undo.exec(QStringLiteral("RELEASE cuantix"));
}

void Savepoint::release()
{
    if (m_transaction)
        m_transaction->commit();
    else
        RunSql(m_db, QStringLiteral("RELEASE cuantix"));
    m_released = true;
}
