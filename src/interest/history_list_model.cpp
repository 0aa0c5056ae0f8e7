#include "interest/history_list_model.h"

#include "core/date_text.h"
#include "interest/settlement_history.h"
#include "store/sql.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

constexpr int PageSize = 128;
constexpr int CachedPages = 64;
constexpr int MarkEvery = 256;
constexpr int ScanSlice = 4096;

// NULLs sort first, as SQLite sorts them (the server needs telling); descending reverses
// every key.
QString OrderBy(const QSqlDatabase &db, HistoryOrder order, bool descending = false)
{
    const QString direction = descending ? QStringLiteral(" DESC") : QString();
    const QString nulls = !IsServer(db) ? QString() : descending ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST");
    switch (order) {
    case HistoryOrder::Fecha:
        return QStringLiteral(" ORDER BY Fecha%1%2, NumAsunto%1").arg(direction, nulls);
    case HistoryOrder::Descripcion:
        return QStringLiteral(" ORDER BY %1%2%3, NumAsunto%2").arg(NoCase(db, QStringLiteral("Descripcion")), direction, nulls);
    case HistoryOrder::NumAsunto:
        break;
    }
    return QStringLiteral(" ORDER BY NumAsunto") + direction;
}

// The column an order sorts on before the case number ("" for the case-number order itself),
// and the collation its comparisons use.
QString SortColumn(HistoryOrder order)
{
    switch (order) {
    case HistoryOrder::Fecha:
        return QStringLiteral("Fecha");
    case HistoryOrder::Descripcion:
        return QStringLiteral("Descripcion");
    case HistoryOrder::NumAsunto:
        break;
    }
    return {};
}

// "<column> <op> ?" as the order compares: without case for the description.
QString Compared(const QSqlDatabase &db, HistoryOrder order, const QString &column, const QString &op)
{
    if (order != HistoryOrder::Descripcion)
        return QStringLiteral("%1 %2 ?").arg(column, op);
    if (IsServer(db))
        return QStringLiteral("%1 %2 %3").arg(NoCase(db, column), op, NoCase(db, QStringLiteral("?")));
    return QStringLiteral("%1 %2 ? COLLATE NOCASE").arg(column, op);
}

// A sort value as the order's collation compares it: UTF-8 bytes, with ASCII letters folded in
// the case-insensitive order (SQLite's NOCASE folds nothing else).
QByteArray CollationKey(const QVariant &value, HistoryOrder order)
{
    QByteArray bytes = value.toString().toUtf8();
    if (order == HistoryOrder::Descripcion) {
        for (char &c : bytes) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return bytes;
}

} // namespace

HistoryListModel::HistoryListModel(QSqlDatabase db, HistoryOrder order, QObject *parent)
    : QAbstractTableModel(parent)
    , m_db(std::move(db))
    , m_order(order)
{
    m_scanTimer.setSingleShot(true);
    m_scanTimer.setInterval(0);
    connect(&m_scanTimer, &QTimer::timeout, this, &HistoryListModel::scanSlice);
    readCount();
}

void HistoryListModel::readCount()
{
    m_pages.clear();
    m_changes = changeMark();
    m_count = countWhere({}, {});
    startScan();
}

// Changes since the list was read: data_version moves when another connection commits,
// total_changes when this one writes.
std::pair<qint64, qint64> HistoryListModel::changeMark() const
{
    try {
        return {DataVersion(m_db),
                IsServer(m_db) ? 0 : Scalar(m_db, QStringLiteral("SELECT total_changes()")).toLongLong()};
    } catch (const StoreError &) {
        return {-1, -1};
    }
}

void HistoryListModel::setOrder(HistoryOrder order)
{
    if (order == m_order)
        return;
    beginResetModel();
    m_order = order;
    m_pages.clear();
    startScan();
    endResetModel();
}

void HistoryListModel::reload()
{
    beginResetModel();
    readCount();
    endResetModel();
}

int HistoryListModel::countWhere(const QString &condition, std::initializer_list<QVariant> values) const
{
    QSqlQuery query = Prepare(m_db, QStringLiteral("SELECT count(*) FROM Cabecera WHERE Tipo = ?") + condition);
    query.addBindValue(HistoryKindInterest);
    for (const QVariant &v : values)
        query.addBindValue(v);
    Exec(query);
    return query.next() ? query.value(0).toInt() : 0;
}

int HistoryListModel::countUpTo(const QString &condition, const QVariantList &values, int limit) const
{
    QSqlQuery query = Prepare(m_db, QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM Cabecera WHERE Tipo = ?")
                                        + condition + QStringLiteral(" LIMIT ?) AS tramo"));
    query.addBindValue(HistoryKindInterest);
    for (const QVariant &v : values)
        query.addBindValue(v);
    query.addBindValue(limit);
    Exec(query);
    return query.next() ? query.value(0).toInt() : 0;
}

// SQLite counts a range by walking it, so the walk starts at the nearest row whose position is
// known (a row of a page read, or a mark the scan left), else at an end of the list, and both
// sides are walked a growing stretch at a time until one reaches the value: the cost follows
// the distance to the nearest known row, not the size of the history. NULLs sort first.
int HistoryListModel::rowsBefore(const QVariant &value) const
{
    if (value.isNull())
        return 0;
    const QString column = SortColumn(m_order).isEmpty() ? QStringLiteral("NumAsunto") : SortColumn(m_order);
    const QByteArray wanted = CollationKey(value, m_order);

    struct Known
    {
        int row = -1;
        const QVariant *value = nullptr;
        const QString *key = nullptr;
    };
    Known low;  // the last known row sorting before the value
    Known high; // the first known row sorting at or after it
    const auto consider = [&](int row, const QVariant &sortValue, const QByteArray &sortKey, const QString &key) {
        if (sortValue.isNull())
            return;
        if (sortKey < wanted) {
            if (row > low.row)
                low = {row, &sortValue, &key};
        } else if (!high.value || row < high.row) {
            high = {row, &sortValue, &key};
        }
    };
    for (auto page = m_pages.cbegin(); page != m_pages.cend(); ++page) {
        for (std::size_t i = 0; i < page.value().size(); ++i) {
            const Row &r = page.value()[i];
            consider(page.key() * PageSize + static_cast<int>(i), r.sortValue, r.sortKey, r.key);
        }
    }
    for (const Mark &mark : m_marks)
        consider(mark.row, mark.value, mark.sortKey, mark.key);

    const QString equal = QStringLiteral(" AND ") + Compared(m_db, m_order, column, QStringLiteral("="));
    const QString from = QStringLiteral(" AND ") + Compared(m_db, m_order, column, QStringLiteral(">="));
    const QString after = QStringLiteral(" AND ") + Compared(m_db, m_order, column, QStringLiteral(">"));
    const QString below = QStringLiteral(" AND ") + Compared(m_db, m_order, column, QStringLiteral("<"));
    // Records from the low row (itself included) up to the value; from the value up to the
    // high row (itself excluded). Each is exact when under the limit.
    const auto lowSide = [&](int limit) {
        if (!low.value)
            return countUpTo(below, {value}, limit);
        const int ties = countUpTo(equal + QStringLiteral(" AND NumAsunto >= ?"), {*low.value, *low.key}, limit);
        return ties >= limit ? limit : ties + countUpTo(after + below, {*low.value, value}, limit - ties);
    };
    const auto highSide = [&](int limit) {
        if (!high.value)
            return countUpTo(from, {value}, limit);
        const int ties = countUpTo(equal + QStringLiteral(" AND NumAsunto < ?"), {*high.value, *high.key}, limit);
        return ties >= limit ? limit : ties + countUpTo(from + below, {value, *high.value}, limit - ties);
    };
    for (qint64 limit = 256;; limit *= 4) {
        const int stretch = static_cast<int>(std::min<qint64>(limit, std::numeric_limits<int>::max()));
        const int lowCount = lowSide(stretch);
        if (lowCount < stretch) {
            if (low.value)
                return low.row + lowCount;
            return countWhere(QStringLiteral(" AND %1 IS NULL").arg(column), {}) + lowCount;
        }
        const int highCount = highSide(stretch);
        if (highCount < stretch)
            return std::max(0, (high.value ? high.row : m_count) - highCount);
    }
}

// Every MarkEvery-th row of the order is noted, a slice per turn of the event loop, so that no
// search has to count far: the scan reads only the covering index.
void HistoryListModel::startScan()
{
    m_marks.clear();
    m_scanned = 0;
    m_scan.reset();
    try {
        const QString column = SortColumn(m_order).isEmpty() ? QStringLiteral("NumAsunto") : SortColumn(m_order);
        m_scan.emplace(Prepare(m_db, QStringLiteral("SELECT NumAsunto, %1 FROM Cabecera WHERE Tipo = ?").arg(column)
                                         + OrderBy(m_db, m_order)));
        m_scan->setForwardOnly(true);
        m_scan->addBindValue(HistoryKindInterest);
        Exec(*m_scan);
    } catch (const StoreError &) {
        m_scan.reset(); // searches count from the rows read
        return;
    }
    m_scanTimer.start();
}

void HistoryListModel::scanSlice()
{
    if (!m_scan)
        return;
    for (int i = 0; i < ScanSlice; ++i, ++m_scanned) {
        if (!m_scan->next()) {
            m_scan.reset(); // ends the statement and its read of the file
            return;
        }
        if (m_scanned % MarkEvery == 0 && !m_scan->isNull(1)) {
            const QVariant sortValue = m_scan->value(1);
            m_marks.push_back({m_scanned, sortValue, m_scan->value(0).toString(), CollationKey(sortValue, m_order)});
        }
    }
    m_scanTimer.start();
}

QString HistoryListModel::keyAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return rowAt(row).key;
}

int HistoryListModel::rowOfKey(const QString &numAsunto) const
{
    const QString column = SortColumn(m_order);
    if (column.isEmpty()) {
        if (countWhere(QStringLiteral(" AND NumAsunto = ?"), {numAsunto}) == 0)
            return -1;
        return rowsBefore(numAsunto);
    }
    QSqlQuery record = RunSql(m_db, QStringLiteral("SELECT %1 FROM Cabecera WHERE Tipo = ? AND NumAsunto = ?").arg(column),
                              {HistoryKindInterest, numAsunto});
    if (!record.next())
        return -1;
    const QVariant value = record.value(0);
    if (value.isNull())
        return countWhere(QStringLiteral(" AND %1 IS NULL AND NumAsunto < ?").arg(column), {numAsunto});
    return rowsBefore(value)
           + countWhere(QStringLiteral(" AND %1 AND NumAsunto < ?").arg(Compared(m_db, m_order, column, QStringLiteral("="))),
                        {value, numAsunto});
}

int HistoryListModel::nearest(HistoryOrder order, const QVariant &value)
{
    setOrder(order);
    if (m_count == 0)
        return -1;
    // Another program may have stored or deleted settlements since the list was read.
    if (changeMark() != m_changes)
        reload();
    if (m_count == 0)
        return -1;
    const int before = rowsBefore(value);
    readAround(before, value);
    return std::min(before, m_count - 1);
}

int HistoryListModel::nearestCaseNumber(const QString &text)
{
    return nearest(HistoryOrder::NumAsunto, text);
}

int HistoryListModel::nearestDescription(const QString &text)
{
    return nearest(HistoryOrder::Descripcion, text);
}

int HistoryListModel::nearestDate(const QDate &date)
{
    return nearest(HistoryOrder::Fecha, DateToIso(date));
}

int HistoryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int HistoryListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

// Every column the list shows is in each order's covering index, so rows are read from the
// index alone, never from the records.
HistoryListModel::Row HistoryListModel::rowFrom(const QSqlQuery &query) const
{
    Row r{query.value(0).toString(), FormatDate(DateFromIso(query.value(1).toString())), query.value(2).toString(), {}, {}};
    switch (m_order) {
    case HistoryOrder::NumAsunto:
        r.sortValue = r.key;
        break;
    case HistoryOrder::Fecha:
        r.sortValue = query.value(1);
        break;
    case HistoryOrder::Descripcion:
        r.sortValue = query.value(2);
        break;
    }
    if (!r.sortValue.isNull())
        r.sortKey = CollationKey(r.sortValue, m_order);
    return r;
}

std::vector<HistoryListModel::Row> HistoryListModel::readRows(const QString &condition, const QVariant &value,
                                                              bool descending, int limit) const
{
    std::vector<Row> rows;
    if (limit <= 0)
        return rows;
    const QString order = OrderBy(m_db, m_order, descending);
    QSqlQuery query = Prepare(m_db, QStringLiteral("SELECT NumAsunto, Fecha, Descripcion FROM Cabecera WHERE Tipo = ?")
                                        + condition + order + QStringLiteral(" LIMIT ?"));
    query.setForwardOnly(true);
    query.addBindValue(HistoryKindInterest);
    if (value.isValid())
        query.addBindValue(value);
    query.addBindValue(limit);
    Exec(query);
    while (query.next())
        rows.push_back(rowFrom(query));
    return rows;
}

// After a search the rows around the record found are read from it, walking the index both
// ways, instead of skipping every entry before them.
void HistoryListModel::readAround(int before, const QVariant &value) const
{
    const int page = std::min(before, m_count - 1) / PageSize;
    if (m_pages.contains(page) && (m_pages.contains(page + 1) || (page + 1) * PageSize >= m_count))
        return;
    const int start = page * PageSize;
    const int end = std::min((page + 2) * PageSize, m_count);
    const QString column = SortColumn(m_order);
    const QString sortColumn = column.isEmpty() ? QStringLiteral("NumAsunto") : column;
    try {
        std::vector<Row> rows = readRows(QStringLiteral(" AND ") + Compared(m_db, m_order, sortColumn, QStringLiteral("<")), value, true,
                                         before - start);
        if (!column.isEmpty() && static_cast<int>(rows.size()) < before - start) {
            std::vector<Row> nulls = readRows(QStringLiteral(" AND %1 IS NULL").arg(column), {}, true,
                                              before - start - static_cast<int>(rows.size()));
            std::move(nulls.begin(), nulls.end(), std::back_inserter(rows));
        }
        if (static_cast<int>(rows.size()) != before - start)
            return; // the history changed meanwhile: the pages are read by position instead
        std::reverse(rows.begin(), rows.end());
        std::vector<Row> from = readRows(QStringLiteral(" AND ") + Compared(m_db, m_order, sortColumn, QStringLiteral(">=")), value, false,
                                         end - before);
        if (static_cast<int>(from.size()) != end - before)
            return;
        std::move(from.begin(), from.end(), std::back_inserter(rows));
        if (m_pages.size() + 2 > CachedPages)
            m_pages.clear();
        for (int p = page; p * PageSize < end; ++p) {
            const auto first = rows.begin() + (p - page) * PageSize;
            m_pages.insert(p, std::vector<Row>(first, first + std::min(PageSize, end - p * PageSize)));
        }
    } catch (const StoreError &) {
        // The pages are read by position when the grid asks for them.
    }
}

// A page by position in the order's index.
const HistoryListModel::Row &HistoryListModel::rowAt(int row) const
{
    const int page = row / PageSize;
    auto found = m_pages.constFind(page);
    if (found == m_pages.constEnd()) {
        if (m_pages.size() >= CachedPages)
            m_pages.clear();
        std::vector<Row> rows;
        try {
            QSqlQuery query = Prepare(m_db, QStringLiteral("SELECT NumAsunto, Fecha, Descripcion FROM Cabecera WHERE Tipo = ?")
                                                + OrderBy(m_db, m_order) + QStringLiteral(" LIMIT ? OFFSET ?"));
            query.setForwardOnly(true);
            query.addBindValue(HistoryKindInterest);
            query.addBindValue(PageSize);
            query.addBindValue(page * PageSize);
            Exec(query);
            while (query.next())
                rows.push_back(rowFrom(query));
        } catch (const StoreError &) {
            // Painting cannot report a failure: the rows show blank and are read again later.
            static const Row blank;
            return blank;
        }
        rows.resize(static_cast<std::size_t>(std::min(PageSize, std::max(0, m_count - page * PageSize))));
        found = m_pages.insert(page, std::move(rows));
    }
    return found.value()[static_cast<std::size_t>(row - page * PageSize)];
}

QVariant HistoryListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case NumAsunto:
        return rowAt(index.row()).key;
    case Fecha:
        return rowAt(index.row()).fecha;
    case Descripcion:
        return rowAt(index.row()).descripcion;
    default:
        return {};
    }
}

QVariant HistoryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NumAsunto:
        return QStringLiteral("Número de Asunto");
    case Fecha:
        return QStringLiteral("Fecha");
    case Descripcion:
        return QStringLiteral("Descripción");
    default:
        return {};
    }
}
