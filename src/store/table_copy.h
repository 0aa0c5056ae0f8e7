#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The tables of one data folder as seen through a connection: a SQLite file (schema empty) or
// one schema of a server database ("datos", "historia", "modulo_madrid"), whose tables are
// then named "schema.table"; several sets may share one server connection. A server set
// without a schema is that of the connection's search path (a store alias's connection).
struct TableSet
{
    QSqlDatabase db;
    QString schema;
    QString label; // how messages name it: the file, or "servidor/esquema"

    bool isServer() const;
    // The name to use in SQL for one of its tables.
    QString qualified(const QString &table) const;
};

// What a table holds, computed the same way on either engine: the row count and a SHA-256
// over the rows, independent of row order and of each engine's way of typing a value (5 and
// 5.0, a date and its "yyyy-MM-dd" text hash alike; NULL differs from "").
struct TableCheck
{
    QString table; // lower case
    qint64 rows = 0;
    QByteArray sha256;

    bool operator==(const TableCheck &) const = default;
};

// How a value of a column is kept; the engines' own types map onto these.
enum class ColumnKind { Integer, Real, Text, Blob };

struct Column
{
    QString name;
    ColumnKind kind = ColumnKind::Text;
    bool primaryKey = false;
};

// The data tables of a set (record locks "Bloqueos" and the engine's own tables left out),
// sorted by lower-case name, as the engine spells them. Throws StoreError.
QStringList ListTables(const TableSet &set);
// The table's columns in their declared order.
std::vector<Column> TableColumns(const TableSet &set, const QString &table);
// Creates a table with these columns (primary key kept) in the set's engine types.
void CreateTable(const TableSet &set, const QString &table, const std::vector<Column> &columns);
TableCheck CheckTable(const TableSet &set, const QString &table);
std::vector<TableCheck> CheckTables(const TableSet &set);
// The canonical text of a value that CheckTable hashes (a null QVariant stays null).
QVariant CanonicalValue(const QVariant &value);
// Empties a table, with its own triggers (those that forbid deleting) held off meanwhile.
// Inside the caller's transaction.
void ClearTable(const TableSet &set, const QString &table);

// Inserts rows into a table: on a server many rows per statement (one round trip each), on
// SQLite one prepared statement per row. On a server the table's own numbering (serial and
// identity columns) follows the keys given, so the next new row gets a free one.
// Throws StoreError.
class RowInserter
{
public:
    RowInserter(const TableSet &set, const QString &table, const QStringList &columns);
    RowInserter(const RowInserter &) = delete;
    RowInserter &operator=(const RowInserter &) = delete;

    // One row, its values in the order of the columns.
    void add(const QVariantList &row);
    // Stores the rows still waiting; call once, after the last add().
    void finish();

private:
    void flush();

    TableSet m_set;
    QString m_table;
    QStringList m_sequences; // columns numbered by the server
    QString m_head; // "INSERT INTO t (a, b) VALUES "
    QString m_marks; // "(?, ?)"
    int m_perStatement = 1;
    QVariantList m_pending;
    int m_pendingRows = 0;
    QSqlQuery m_full;
};

// Read transactions that see one state of the data: on a server REPEATABLE READ, so every
// table of every schema comes from the same snapshot. Rolled back when destroyed.
class ReadSnapshot
{
public:
    explicit ReadSnapshot(const std::vector<QSqlDatabase> &connections);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot &) = delete;
    ReadSnapshot &operator=(const ReadSnapshot &) = delete;

private:
    std::vector<QSqlDatabase> m_connections;
};

// Write transactions on several connections (each once), rolled back unless committed.
class WriteTransactions
{
public:
    explicit WriteTransactions(const std::vector<QSqlDatabase> &connections);
    ~WriteTransactions();
    WriteTransactions(const WriteTransactions &) = delete;
    WriteTransactions &operator=(const WriteTransactions &) = delete;

    void commit();

private:
    std::vector<QSqlDatabase> m_connections;
    bool m_open = false;
};

struct CopyPair
{
    TableSet source;
    TableSet target;
};

using CopyProgress = std::function<void(const QString &line)>;

// Copies every table of each source set into its target set, all targets in one transaction
// per target connection (one on a server), and compares row counts and checksums of every
// table on both sides before committing. A target table missing is created; a target that
// holds data is refused (the installation number a new schema gives itself is replaced by
// the source's). Nothing is committed on any failure. Returns the checks of the tables
// copied. Throws AppError (StoreError for a failing statement).
std::vector<TableCheck> CopyTables(const std::vector<CopyPair> &pairs, const CopyProgress &progress = {});
