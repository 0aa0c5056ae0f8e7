#include "fees/lookup_cache.h"

#include "core/errors.h"
#include "store/sql.h"

#include <QSqlDriver>
#include <QSqlRecord>

namespace {

std::optional<int> ColumnIndex(const QSqlRecord &record, const QString &name)
{
    for (int i = 0; i < record.count(); ++i) {
        if (record.fieldName(i).compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return std::nullopt;
}

// A number as the database compares it; a text cell would compare otherwise, so it is not one.
std::optional<double> Number(const QVariant &value, bool &numeric)
{
    if (value.isNull())
        return std::nullopt;
    const auto type = value.typeId();
    if (type != QMetaType::Double && type != QMetaType::LongLong && type != QMetaType::Int)
        numeric = false;
    return value.toDouble();
}

} // namespace

const LookupCache::Rows &LookupCache::rows(const QSqlDatabase &modulo, int n, const QStringList &columns)
{
    const auto key = std::make_pair(n, columns);
    if (const auto found = m_tables.find(key); found != m_tables.end())
        return found->second;
    Rows &rows = m_tables[key];
    try {
        if (!TipoTableExists(modulo, n))
            return rows;
        const QSqlRecord record = modulo.record(TipoTableName(n));
        if (record.isEmpty())
            return rows;
        std::vector<int> positions;
        for (const QString &name : columns) {
            const auto index = ColumnIndex(record, name);
            if (!index)
                return rows;
            positions.push_back(*index);
        }
        const QString order = modulo.driver()->escapeIdentifier(record.fieldName(0), QSqlDriver::FieldName);
        QSqlQuery query = RunSql(modulo, QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(TipoTableName(n), order));
        bool numeric = true;
        while (query.next()) {
            std::vector<std::optional<double>> row;
            for (const int p : positions)
                row.push_back(Number(query.value(p), numeric));
            rows.values.push_back(std::move(row));
        }
        rows.usable = numeric;
    } catch (const AppError &) {
        rows = {}; // the lookup on the database reports it
    }
    return rows;
}

ScaleResult LookupCache::cumulativeScale(const QSqlDatabase &modulo, int n, double v)
{
    const Rows &table = rows(modulo, n,
                             {QStringLiteral("desde"), QStringLiteral("hasta"), QStringLiteral("porcentaje"),
                              QStringLiteral("acumulado")});
    if (!table.usable)
        return CumulativeScale(modulo, n, v);
    for (const auto &row : table.values) {
        const auto &desde = row[0];
        const auto &hasta = row[1];
        if (!desde || !hasta || !(*hasta >= v && *desde <= v))
            continue;
        if (!row[2])
            break;
        ScaleResult result;
        result.desde = *desde;
        result.porcentaje = static_cast<float>(*row[2]);
        if (result.desde > 0) {
            std::optional<double> largest;
            for (const auto &below : table.values) {
                if (below[0] && *below[0] < result.desde && below[3] && (!largest || *below[3] > *largest))
                    largest = below[3];
            }
            if (!largest)
                break;
            result.acumulado = *largest;
        }
        result.fee = (v - result.desde) * static_cast<double>(result.porcentaje) / 100 + result.acumulado;
        return result;
    }
    return CumulativeScale(modulo, n, v);
}

double LookupCache::bracketLookup(const QSqlDatabase &modulo, int n, const QString &from, const QString &to,
                                  const QString &col, double v)
{
    const Rows &table = rows(modulo, n, {from, to, col});
    if (table.usable) {
        for (const auto &row : table.values) {
            if (row[0] && row[1] && *row[1] >= v && *row[0] <= v) {
                if (row[2])
                    return *row[2];
                break;
            }
        }
    }
    return BracketLookup(modulo, n, from, to, col, v);
}
