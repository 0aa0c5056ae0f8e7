#pragma once

#include "store/store_error.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <initializer_list>

// Thin checked layer over Qt SQL: every failed prepare or exec throws StoreError, a unique-key
// failure with StoreCode::KeyViolation. Values are always bound, never pasted into SQL text.

QSqlQuery Prepare(const QSqlDatabase &db, const QString &sql);
void Exec(QSqlQuery &query);
// Prepares, binds the values in order and executes.
QSqlQuery RunSql(const QSqlDatabase &db, const QString &sql, std::initializer_list<QVariant> values = {});
// First column of the first row, or an invalid QVariant when there is no row.
QVariant Scalar(const QSqlDatabase &db, const QString &sql, std::initializer_list<QVariant> values = {});

// Nulls for blank fields: an empty text or an invalid date is stored as NULL.
QVariant TextOrNull(const QString &text);
QVariant DateOrNull(const QDate &date);

// Rolls back unless committed (one transaction for a change that touches several rows).
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
