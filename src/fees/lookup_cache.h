#pragma once

#include "fees/scale_tables.h"

#include <QSqlDatabase>
#include <QString>

#include <map>
#include <optional>
#include <utility>
#include <vector>

// The rows of the scale and bracket tables a calculation reads, kept in memory between runs so
// that typing an amount does not query the module each time. A lookup gives exactly what
// CumulativeScale and BracketLookup give: the first row in table order whose bounds hold the
// amount. Whenever the rows in memory do not settle it (no row holds the amount, a blank or
// non-numeric cell, a missing table or column) the lookup itself runs on the database, so its
// result and its message are the ones the module gives. Tables edited meanwhile are seen after
// clear().
class LookupCache
{
public:
    void clear() { m_tables.clear(); }

    ScaleResult cumulativeScale(const QSqlDatabase &modulo, int n, double v);
    double bracketLookup(const QSqlDatabase &modulo, int n, const QString &from, const QString &to, const QString &col,
                         double v);

private:
    // Columns of one table in table order; nullopt cells are blanks.
    struct Rows
    {
        bool usable = false;
        std::vector<std::vector<std::optional<double>>> values; // [row][column asked]
    };

    const Rows &rows(const QSqlDatabase &modulo, int n, const QStringList &columns);

    std::map<std::pair<int, QStringList>, Rows> m_tables;
};
