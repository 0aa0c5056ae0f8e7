#include "store/table_copy.h"

#include "core/date_text.h"
#include "core/errors.h"
#include "store/sql.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlRecord>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Statements a server will not prepare (definitions, transaction control), run as they are.
void Direct(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw StoreError(StoreCode::Failure,
                         QStringLiteral("Error de la base de datos: %1").arg(query.lastError().databaseText().trimmed()),
                         query.lastError().text() + QStringLiteral(" [") + sql + QLatin1Char(']'));
}

// Names go into statement text (they cannot be bound): only plain identifiers are accepted.
const QString &CheckedName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plain.match(name).hasMatch())
        throw AppError(QStringLiteral("El nombre \"%1\" de la base de datos no es válido.").arg(name));
    return name;
}

bool IsLocksTable(const QString &table)
{
    return table.compare(QLatin1String("Bloqueos"), Qt::CaseInsensitive) == 0;
}

// A new schema numbers its installation by itself (one row); a copy brings the source's.
bool IsSeededBySchema(const QString &table)
{
    return table.compare(QLatin1String("VerifactuInstalacion"), Qt::CaseInsensitive) == 0;
}

ColumnKind SqliteKind(const QString &declared)
{
    // SQLite's own affinity rules, in its order.
    const QString type = declared.toUpper();
    if (type.contains(QLatin1String("INT")))
        return ColumnKind::Integer;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) || type.contains(QLatin1String("TEXT")))
        return ColumnKind::Text;
    if (type.isEmpty() || type.contains(QLatin1String("BLOB")))
        return ColumnKind::Blob;
    return ColumnKind::Real;
}

ColumnKind ServerKind(const QString &dataType)
{
    if (dataType == QLatin1String("smallint") || dataType == QLatin1String("integer") || dataType == QLatin1String("bigint")
        || dataType == QLatin1String("boolean"))
        return ColumnKind::Integer;
    if (dataType == QLatin1String("real") || dataType == QLatin1String("double precision")
        || dataType == QLatin1String("numeric"))
        return ColumnKind::Real;
    if (dataType == QLatin1String("bytea"))
        return ColumnKind::Blob;
    return ColumnKind::Text;
}

QString TypeName(ColumnKind kind, bool server)
{
    switch (kind) {
    case ColumnKind::Integer:
        return server ? QStringLiteral("bigint") : QStringLiteral("INTEGER");
    case ColumnKind::Real:
        return server ? QStringLiteral("double precision") : QStringLiteral("REAL");
    case ColumnKind::Text:
        return server ? QStringLiteral("text") : QStringLiteral("TEXT");
    case ColumnKind::Blob:
        return server ? QStringLiteral("bytea") : QStringLiteral("BLOB");
    }
    return {};
}

qint64 RowCount(const TableSet &set, const QString &table)
{
    return Scalar(set.db, QStringLiteral("SELECT count(*) FROM ") + set.qualified(table)).toLongLong();
}

QStringList SortedLowerNames(const std::vector<Column> &columns)
{
    QStringList names;
    for (const Column &c : columns)
        names.append(c.name.toLower());
    names.sort();
    return names;
}

QString Joined(const QStringList &names)
{
    return names.join(QStringLiteral(", "));
}

// Serial and identity columns of a server table: their sequences must follow the copied keys,
// and an identity "ALWAYS" column takes given values only when told to.
struct Sequences
{
    QStringList columns;
    bool always = false;
};

Sequences ServerSequences(const TableSet &set, const QString &table)
{
    Sequences found;
    QSqlQuery query = RunSql(set.db,
        QStringLiteral("SELECT column_name, coalesce(identity_generation, '') FROM information_schema.columns"
                       " WHERE table_schema = coalesce(nullif(?, ''), current_schema()) AND table_name = ?"
                       " AND (column_default LIKE 'nextval(%' OR is_identity = 'YES')"),
        {set.schema, table.toLower()});
    while (query.next()) {
        found.columns.append(query.value(0).toString());
        found.always = found.always || query.value(1).toString() == QLatin1String("ALWAYS");
    }
    return found;
}

void FollowSequences(const TableSet &set, const QString &table, const Sequences &sequences)
{
    for (const QString &column : sequences.columns) {
        RunSql(set.db,
               QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), (SELECT max(%1) FROM %2))")
                   .arg(CheckedName(column), set.qualified(table)),
               {set.qualified(table), column});
    }
}

qint64 CopyRows(const TableSet &source, const QString &table, const TableSet &target, const QString &targetTable,
                const std::vector<Column> &columns)
{
    QStringList names;
    for (const Column &c : columns)
        names.append(CheckedName(c.name));
    QSqlQuery read = Prepare(source.db, QStringLiteral("SELECT %1 FROM %2").arg(Joined(names), source.qualified(table)));
    read.setForwardOnly(true);
    Exec(read);
    RowInserter write(target, targetTable, names);
    qint64 rows = 0;
    QVariantList row;
    while (read.next()) {
        row.clear();
        for (int i = 0; i < names.size(); ++i)
            row.append(read.value(i));
        write.add(row);
        ++rows;
    }
    write.finish();
    if (read.lastError().isValid())
        throw StoreError(StoreCode::Failure,
                         QStringLiteral("No se ha podido leer la tabla \"%1\" de %2.").arg(table, source.label),
                         read.lastError().text());
    return rows;
}

std::vector<QSqlDatabase> Distinct(const std::vector<QSqlDatabase> &connections)
{
    std::vector<QSqlDatabase> distinct;
    for (const QSqlDatabase &db : connections) {
        const bool seen = std::any_of(distinct.begin(), distinct.end(), [&](const QSqlDatabase &d) {
            return d.connectionName() == db.connectionName();
        });
        if (!seen)
            distinct.push_back(db);
    }
    return distinct;
}

bool OnServer(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QPSQL");
}

void Rollback(const QSqlDatabase &db)
{
    QSqlQuery rollback(db);
    rollback.exec(QStringLiteral("ROLLBACK"));
}

} // namespace

RowInserter::RowInserter(const TableSet &set, const QString &table, const QStringList &columns)
    : m_set(set)
    , m_table(table)
{
    for (const QString &column : columns)
        CheckedName(column);
    const Sequences sequences = set.isServer() ? ServerSequences(set, table) : Sequences{};
    m_sequences = sequences.columns;
    m_head = QStringLiteral("INSERT INTO %1 (%2) %3VALUES ")
                 .arg(set.qualified(table), Joined(columns),
                      sequences.always ? QStringLiteral("OVERRIDING SYSTEM VALUE ") : QString());
    QStringList marks;
    marks.fill(QStringLiteral("?"), columns.size());
    m_marks = QLatin1Char('(') + Joined(marks) + QLatin1Char(')');
    // A server answers each statement over the network: a few thousand values at a time.
    if (set.isServer())
        m_perStatement = std::max(1, 4000 / std::max<int>(1, static_cast<int>(columns.size())));
}

void RowInserter::add(const QVariantList &row)
{
    m_pending.append(row);
    if (++m_pendingRows == m_perStatement)
        flush();
}

void RowInserter::finish()
{
    if (m_pendingRows > 0)
        flush();
    if (m_set.isServer())
        FollowSequences(m_set, m_table, {m_sequences, false});
}

void RowInserter::flush()
{
    const auto statement = [&](int rows) {
        QStringList groups;
        groups.fill(m_marks, rows);
        return Prepare(m_set.db, m_head + Joined(groups));
    };
    // The full-size statement is prepared once; only the last, shorter one is prepared apart.
    if (m_pendingRows == m_perStatement && m_full.lastQuery().isEmpty())
        m_full = statement(m_perStatement);
    QSqlQuery partial;
    QSqlQuery &query = m_pendingRows == m_perStatement ? m_full : (partial = statement(m_pendingRows));
    for (int i = 0; i < m_pending.size(); ++i)
        query.bindValue(i, m_pending.at(i));
    Exec(query);
    m_pending.clear();
    m_pendingRows = 0;
}

bool TableSet::isServer() const
{
    return OnServer(db);
}

QString TableSet::qualified(const QString &table) const
{
    CheckedName(table);
    return schema.isEmpty() ? table : CheckedName(schema) + QLatin1Char('.') + table;
}

QStringList ListTables(const TableSet &set)
{
    QSqlQuery query = set.isServer()
        ? RunSql(set.db,
                 QStringLiteral("SELECT table_name FROM information_schema.tables"
                                " WHERE table_schema = coalesce(nullif(?, ''), current_schema()) AND table_type = 'BASE TABLE'"),
                 {set.schema})
        : RunSql(set.db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"
                                        " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"));
    QStringList tables;
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (!IsLocksTable(name))
            tables.append(name);
    }
    std::sort(tables.begin(), tables.end(), [](const QString &a, const QString &b) {
        return a.toLower() < b.toLower();
    });
    return tables;
}

std::vector<Column> TableColumns(const TableSet &set, const QString &table)
{
    std::vector<Column> columns;
    if (set.isServer()) {
        QSqlQuery query = RunSql(set.db,
            QStringLiteral("SELECT c.column_name, c.data_type, EXISTS (SELECT 1 FROM"
                           " information_schema.table_constraints t JOIN information_schema.key_column_usage k"
                           " ON k.constraint_name = t.constraint_name AND k.constraint_schema = t.constraint_schema"
                           " WHERE t.constraint_type = 'PRIMARY KEY' AND t.table_schema = c.table_schema"
                           " AND t.table_name = c.table_name AND k.column_name = c.column_name)"
                           " FROM information_schema.columns c"
                           " WHERE c.table_schema = coalesce(nullif(?, ''), current_schema()) AND c.table_name = ?"
                           " ORDER BY c.ordinal_position"),
            {set.schema, table.toLower()});
        while (query.next())
            columns.push_back({query.value(0).toString(), ServerKind(query.value(1).toString()), query.value(2).toBool()});
    } else {
        QSqlQuery query = RunSql(set.db, QStringLiteral("PRAGMA table_info(%1)").arg(CheckedName(table)));
        while (query.next())
            columns.push_back({query.value(1).toString(), SqliteKind(query.value(2).toString()), query.value(5).toInt() > 0});
    }
    return columns;
}

void CreateTable(const TableSet &set, const QString &table, const std::vector<Column> &columns)
{
    QStringList parts;
    QStringList key;
    for (const Column &c : columns) {
        parts.append(CheckedName(c.name) + QLatin1Char(' ') + TypeName(c.kind, set.isServer()));
        if (c.primaryKey)
            key.append(c.name);
    }
    if (!key.isEmpty())
        parts.append(QStringLiteral("PRIMARY KEY (%1)").arg(Joined(key)));
    Direct(set.db, QStringLiteral("CREATE TABLE %1 (%2)").arg(set.qualified(table), Joined(parts)));
}

QVariant CanonicalValue(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Float:
    case QMetaType::Double: {
        const double d = value.toDouble();
        // A whole number kept as REAL on one engine and as an integer on the other.
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9007199254740992.0)
            return QString::number(static_cast<qint64>(d));
        return QString::number(d, 'g', 17);
    }
    case QMetaType::QDate:
        return DateToIso(value.toDate());
    case QMetaType::QDateTime:
        return value.toDateTime().toString(Qt::ISODateWithMs);
    case QMetaType::QByteArray:
        return QString(QStringLiteral("x") + QString::fromLatin1(value.toByteArray().toHex()));
    default:
        return value.toString();
    }
}

TableCheck CheckTable(const TableSet &set, const QString &table)
{
    QStringList names = SortedLowerNames(TableColumns(set, table));
    for (const QString &n : std::as_const(names))
        CheckedName(n);
    QSqlQuery query = Prepare(set.db, QStringLiteral("SELECT %1 FROM %2").arg(Joined(names), set.qualified(table)));
    query.setForwardOnly(true);
    Exec(query);
    std::vector<QByteArray> rows;
    while (query.next()) {
        QByteArray row;
        for (int i = 0; i < names.size(); ++i) {
            if (query.isNull(i)) {
                row += "N;";
            } else {
                const QByteArray text = CanonicalValue(query.value(i)).toString().toUtf8();
                row += 'V' + QByteArray::number(text.size()) + ':' + text;
            }
        }
        rows.push_back(QCryptographicHash::hash(row, QCryptographicHash::Sha256));
    }
    std::sort(rows.begin(), rows.end());
    QCryptographicHash all(QCryptographicHash::Sha256);
    all.addData(Joined(names).toUtf8());
    for (const QByteArray &row : rows)
        all.addData(row);
    return {table.toLower(), static_cast<qint64>(rows.size()), all.result().toHex()};
}

std::vector<TableCheck> CheckTables(const TableSet &set)
{
    std::vector<TableCheck> checks;
    for (const QString &table : ListTables(set))
        checks.push_back(CheckTable(set, table));
    return checks;
}

void ClearTable(const TableSet &set, const QString &table)
{
    const QString name = set.qualified(table);
    if (set.isServer()) {
        Direct(set.db, QStringLiteral("ALTER TABLE %1 DISABLE TRIGGER USER").arg(name));
        RunSql(set.db, QStringLiteral("DELETE FROM %1").arg(name));
        Direct(set.db, QStringLiteral("ALTER TABLE %1 ENABLE TRIGGER USER").arg(name));
        return;
    }
    // SQLite cannot switch a trigger off: it is dropped and created again in the same transaction.
    QSqlQuery query = RunSql(set.db,
        QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'trigger' AND lower(tbl_name) = lower(?)"),
        {table});
    std::vector<std::pair<QString, QString>> triggers;
    while (query.next())
        triggers.emplace_back(query.value(0).toString(), query.value(1).toString());
    for (const auto &trigger : triggers)
        Direct(set.db, QStringLiteral("DROP TRIGGER %1").arg(CheckedName(trigger.first)));
    RunSql(set.db, QStringLiteral("DELETE FROM %1").arg(name));
    for (const auto &trigger : triggers)
        Direct(set.db, trigger.second);
}

ReadSnapshot::ReadSnapshot(const std::vector<QSqlDatabase> &connections)
{
    for (const QSqlDatabase &db : Distinct(connections)) {
        Direct(db, OnServer(db) ? QStringLiteral("START TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY")
                                : QStringLiteral("BEGIN"));
        m_connections.push_back(db);
    }
}

ReadSnapshot::~ReadSnapshot()
{
    for (const QSqlDatabase &db : m_connections)
        Rollback(db);
}

WriteTransactions::WriteTransactions(const std::vector<QSqlDatabase> &connections)
{
    try {
        for (const QSqlDatabase &db : Distinct(connections)) {
            // IMMEDIATE: a SQLite target is ours from the start, not half-way through.
            Direct(db, OnServer(db) ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
            m_connections.push_back(db);
        }
    } catch (...) {
        for (const QSqlDatabase &db : m_connections)
            Rollback(db);
        throw;
    }
    m_open = true;
}

WriteTransactions::~WriteTransactions()
{
    if (m_open) {
        for (const QSqlDatabase &db : m_connections)
            Rollback(db);
    }
}

void WriteTransactions::commit()
{
    for (std::size_t i = 0; i < m_connections.size(); ++i) {
        QSqlQuery commit(m_connections[i]);
        if (!commit.exec(QStringLiteral("COMMIT"))) {
            const QString detail = commit.lastError().text();
            for (std::size_t j = i; j < m_connections.size(); ++j)
                Rollback(m_connections[j]);
            m_open = false;
            throw StoreError(StoreCode::Failure,
                             QStringLiteral("No se han podido guardar los datos copiados en la base de datos."), detail);
        }
    }
    m_open = false;
}

std::vector<TableCheck> CopyTables(const std::vector<CopyPair> &pairs, const CopyProgress &progress)
{
    std::vector<QSqlDatabase> sources;
    std::vector<QSqlDatabase> targets;
    for (const CopyPair &pair : pairs) {
        sources.push_back(pair.source.db);
        targets.push_back(pair.target.db);
    }
    ReadSnapshot snapshot(sources);
    WriteTransactions transactions(targets);

    // The target table of each source table (created when missing), refused when it holds data.
    std::vector<std::vector<std::pair<QString, QString>>> plan(pairs.size());
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        const CopyPair &pair = pairs[p];
        QHash<QString, QString> existing;
        for (const QString &table : ListTables(pair.target)) {
            existing.insert(table.toLower(), table);
            const qint64 rows = RowCount(pair.target, table);
            if (rows > 0 && !(IsSeededBySchema(table) && rows == 1))
                throw AppError(QStringLiteral("La base de datos de destino %1 no está vacía: la tabla \"%2\" ya tiene "
                                              "datos. No se ha copiado nada.")
                                   .arg(pair.target.label, table));
        }
        for (const QString &table : ListTables(pair.source))
            plan[p].emplace_back(table, existing.value(table.toLower()));
    }

    std::vector<TableCheck> checks;
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        const CopyPair &pair = pairs[p];
        for (auto &[table, targetTable] : plan[p]) {
            const std::vector<Column> columns = TableColumns(pair.source, table);
            if (targetTable.isEmpty()) {
                targetTable = table;
                CreateTable(pair.target, table, columns);
            } else {
                if (SortedLowerNames(columns) != SortedLowerNames(TableColumns(pair.target, targetTable)))
                    throw AppError(QStringLiteral("La tabla \"%1\" de %2 no tiene las mismas columnas que la de %3. "
                                                  "Use la misma versión de Cuantix en ambos lados.")
                                       .arg(table, pair.target.label, pair.source.label));
                if (IsSeededBySchema(targetTable))
                    ClearTable(pair.target, targetTable);
            }
            const qint64 rows = CopyRows(pair.source, table, pair.target, targetTable, columns);
            if (progress)
                progress(QStringLiteral("Copiada la tabla %1 de %2: %3 filas.").arg(table, pair.source.label).arg(rows));
        }
    }

    // Both sides read back and compared before anything is kept.
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        for (const auto &[table, targetTable] : plan[p]) {
            const TableCheck source = CheckTable(pairs[p].source, table);
            const TableCheck target = CheckTable(pairs[p].target, targetTable);
            if (source != target)
                throw AppError(QStringLiteral("La comprobación de la copia ha fallado en la tabla \"%1\" de %2 "
                                              "(%3 filas en el origen, %4 en el destino). No se ha guardado nada.")
                                   .arg(table, pairs[p].source.label)
                                   .arg(source.rows)
                                   .arg(target.rows),
                               QString::fromLatin1(source.sha256 + " != " + target.sha256));
            checks.push_back(source);
        }
    }
    transactions.commit();
    if (progress)
        progress(QStringLiteral("Comprobadas %1 tablas: filas y sumas de control coinciden.").arg(checks.size()));
    return checks;
}
