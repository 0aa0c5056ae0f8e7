#pragma once

#include "store/store_error.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <functional>
#include <initializer_list>
#include <optional>

// Thin checked layer over Qt SQL: every failed prepare or exec throws StoreError, a unique-key
// failure with StoreCode::KeyViolation. Values are always bound, never pasted into SQL text.

QSqlQuery Prepare(const QSqlDatabase &db, const QString &sql);
void Exec(QSqlQuery &query);
// Prepares, binds the values in order and executes.
QSqlQuery RunSql(const QSqlDatabase &db, const QString &sql, std::initializer_list<QVariant> values = {});
// First column of the first row, or an invalid QVariant when there is no row.
QVariant Scalar(const QSqlDatabase &db, const QString &sql, std::initializer_list<QVariant> values = {});

// What differs between the engines, for the SQL outside the store.
// True for a connection to a PostgreSQL server.
bool IsServer(const QSqlDatabase &db);
// The column type of a decimal number ("REAL" is single precision on a server).
QString RealType(const QSqlDatabase &db);
// An expression compared and ordered without case (ASCII letters, as SQLite's NOCASE):
// "expr COLLATE NOCASE" on SQLite, "lower(expr)" on a server.
QString NoCase(const QSqlDatabase &db, const QString &expression);
// A number that changes whenever another connection has committed a change to the database
// (SQLite's data_version; the server's count of committed transactions). Cheap.
qint64 DataVersion(const QSqlDatabase &db);
// Runs an INSERT and returns the key the new row got in `keyColumn`.
qint64 InsertReturningKey(const QSqlDatabase &db, const QString &insertSql, const QString &keyColumn,
                          std::initializer_list<QVariant> values = {});

// Whether the database (on a server, the connection's schema) has that table.
bool TableExists(const QSqlDatabase &db, const QString &table);
// A table's name as Qt's table models quote it: the server keeps unquoted names in lower case.
QString ModelTableName(const QSqlDatabase &db, const QString &table);

// What to run on a server connection each time it is opened again after being lost
// (temporary tables). Replaces the connection's earlier action.
void SetReopenAction(const QSqlDatabase &db, std::function<void(const QSqlDatabase &)> action);

// Nulls for blank fields: an empty text or an invalid date is stored as NULL.
QVariant TextOrNull(const QString &text);
QVariant DateOrNull(const QDate &date);

// Rolls back unless committed (one transaction for a change that touches several rows).
// On a server, a transaction also waits for any other program writing to the same schema, as
// SQLite's write lock makes it wait for the file: the rules that read then write (next
// number, checks before storing) hold the same on both.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

// A write of its own inside whatever transaction the caller has open: released on success,
// rolled back to its start on failure. With no transaction open it is one (a server has no
// savepoint outside a transaction).
class Savepoint
{
public:
    explicit Savepoint(QSqlDatabase db);
    ~Savepoint();
    Savepoint(const Savepoint &) = delete;
    Savepoint &operator=(const Savepoint &) = delete;

    void release();

private:
    QSqlDatabase m_db;
    std::optional<Transaction> m_transaction;
    bool m_released = false;
};
