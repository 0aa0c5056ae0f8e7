#include "store/sql.h"

#include "core/date_text.h"

#include <QSqlError>

namespace {

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

// The file a query runs on: the connection whose driver is the query's.
QString DatabaseFileOf(const QSqlQuery &query)
{
    for (const QString &name : QSqlDatabase::connectionNames()) {
        const QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.driver() == query.driver())
            return db.databaseName();
    }
    return {};
}

[[noreturn]] void Fail(const QSqlQuery &query, const QString &sql)
{
    const QSqlError error = query.lastError();
    const QString detail = error.text() + QStringLiteral(" [") + sql + QLatin1Char(']');
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

} // namespace

QSqlQuery Prepare(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.prepare(sql))
        Fail(query, sql);
    return query;
}

void Exec(QSqlQuery &query)
{
    if (!query.exec())
        Fail(query, query.lastQuery());
}

QSqlQuery RunSql(const QSqlDatabase &db, const QString &sql, std::initializer_list<QVariant> values)
{
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
    QSqlQuery begin(m_db);
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
        Fail(begin, QStringLiteral("BEGIN IMMEDIATE"));
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open) {
        QSqlQuery rollback(m_db);
        rollback.exec(QStringLiteral("ROLLBACK"));
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
        throw StoreError(StoreCode::Failure,
                         QStringLiteral("No se han podido guardar los cambios en la base de datos."), detail);
    }
    m_open = false;
}
