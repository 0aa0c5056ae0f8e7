#include "interest/history_list_model.h"

#include "core/date_text.h"
#include "interest/settlement_history.h"
#include "store/sql.h"

#include <algorithm>

namespace {

constexpr int PageSize = 128;
constexpr int CachedPages = 64;

QString OrderBy(HistoryOrder order)
{
    switch (order) {
    case HistoryOrder::Fecha:
        return QStringLiteral(" ORDER BY Fecha, NumAsunto");
    case HistoryOrder::Descripcion:
        return QStringLiteral(" ORDER BY Descripcion COLLATE NOCASE, NumAsunto");
    case HistoryOrder::NumAsunto:
        break;
    }
    return QStringLiteral(" ORDER BY NumAsunto");
}

// The condition "at or after the value" in the order's own index.
QString AtOrAfter(HistoryOrder order)
{
    switch (order) {
    case HistoryOrder::Fecha:
        return QStringLiteral(" AND Fecha >= ?");
    case HistoryOrder::Descripcion:
        return QStringLiteral(" AND Descripcion >= ? COLLATE NOCASE");
    case HistoryOrder::NumAsunto:
        break;
    }
    return QStringLiteral(" AND NumAsunto >= ?");
}

} // namespace

// The case numbers in an index's order. The primary key and iFecha give theirs from SQLite
// (records are stored roughly in date order, so walking iFecha reads the table in order);
// walking iDescripcion would look every record up at random, so descriptions are read in one
// pass over the table and sorted here in the order of the keyed queries: NULL first, then as
// NOCASE does (A-Z folded, nothing else), ties by case number.
HistoryListModel::Ordering HistoryListModel::readOrdering(HistoryOrder order) const
{
    Ordering ordering;
    const auto add = [&ordering](const QString &key) {
        ordering.rowOf.insert(key, static_cast<int>(ordering.keys.size()));
        ordering.keys.push_back(key);
    };
    if (order != HistoryOrder::Descripcion) {
        QSqlQuery query = Prepare(m_db, QStringLiteral("SELECT NumAsunto FROM Cabecera WHERE Tipo = ?") + OrderBy(order));
        query.setForwardOnly(true);
        query.addBindValue(HistoryKindInterest);
        Exec(query);
        while (query.next())
            add(query.value(0).toString());
        return ordering;
    }

    QSqlQuery query = Prepare(m_db, QStringLiteral("SELECT NumAsunto, Descripcion FROM Cabecera WHERE Tipo = ?"));
    query.setForwardOnly(true);
    query.addBindValue(HistoryKindInterest);
    Exec(query);
    struct Entry
    {
        bool null;
        quint64 head; // the first eight bytes, big-endian: most comparisons end here
        int index;
    };
    std::vector<QString> keys;
    std::vector<QByteArray> folded;
    std::vector<Entry> entries;
    while (query.next()) {
        keys.push_back(query.value(0).toString());
        const QVariant description = query.value(1);
        QByteArray bytes = description.toString().toUtf8();
        quint64 head = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            char &c = bytes[i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (i < 8)
                head |= quint64(static_cast<unsigned char>(c)) << (8 * (7 - i));
        }
        entries.push_back({description.isNull(), head, static_cast<int>(entries.size())});
        folded.push_back(std::move(bytes));
    }
    std::sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        if (a.null != b.null)
            return a.null;
        if (a.head != b.head)
            return a.head < b.head;
        const QByteArray &x = folded[static_cast<std::size_t>(a.index)];
        const QByteArray &y = folded[static_cast<std::size_t>(b.index)];
        if (x != y)
            return x < y;
        // BINARY on UTF-8 bytes; UTF-16 code units give the same order below U+10000.
        return keys[static_cast<std::size_t>(a.index)] < keys[static_cast<std::size_t>(b.index)];
    });
    ordering.keys.reserve(keys.size());
    ordering.rowOf.reserve(static_cast<qsizetype>(keys.size()));
    for (const Entry &e : entries)
        add(keys[static_cast<std::size_t>(e.index)]);
    return ordering;
}

HistoryListModel::HistoryListModel(QSqlDatabase db, HistoryOrder order, QObject *parent)
    : QAbstractTableModel(parent)
    , m_db(std::move(db))
    , m_order(order)
{
    loadKeys();
}

void HistoryListModel::setOrder(HistoryOrder order)
{
    if (order == m_order)
        return;
    beginResetModel();
    m_order = order;
    loadKeys();
    endResetModel();
}

void HistoryListModel::reload()
{
    beginResetModel();
    for (auto &cached : m_orderings)
        cached.reset();
    loadKeys();
    endResetModel();
}

void HistoryListModel::loadKeys()
{
    m_pages.clear();
    auto &cached = m_orderings[static_cast<std::size_t>(m_order)];
    if (!cached)
        cached = std::make_unique<Ordering>(readOrdering(m_order));
    m_current = cached.get();
}

QString HistoryListModel::keyAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return m_current->keys[static_cast<std::size_t>(row)];
}

int HistoryListModel::rowOfKey(const QString &numAsunto) const
{
    return m_current->rowOf.value(numAsunto, -1);
}

int HistoryListModel::nearest(HistoryOrder order, const QVariant &value)
{
    setOrder(order);
    if (m_current->keys.empty())
        return -1;
    const QVariant key = Scalar(m_db,
                                QStringLiteral("SELECT NumAsunto FROM Cabecera WHERE Tipo = ?") + AtOrAfter(order)
                                    + OrderBy(order) + QStringLiteral(" LIMIT 1"),
                                {HistoryKindInterest, value});
    if (!key.isValid())
        return rowCount() - 1;
    int row = rowOfKey(key.toString());
    if (row < 0) { // stored by another program since the list was read
        reload();
        row = rowOfKey(key.toString());
    }
    return row >= 0 ? row : rowCount() - 1;
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
    return parent.isValid() ? 0 : static_cast<int>(m_current->keys.size());
}

int HistoryListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const HistoryListModel::Row &HistoryListModel::rowAt(int row) const
{
    const int page = row / PageSize;
    auto found = m_pages.constFind(page);
    if (found == m_pages.constEnd()) {
        if (m_pages.size() >= CachedPages)
            m_pages.clear();
        const int first = page * PageSize;
        const int count = std::min(PageSize, rowCount() - first);
        QString placeholders = QStringLiteral("?");
        for (int i = 1; i < count; ++i)
            placeholders += QStringLiteral(", ?");
        std::vector<Row> rows(static_cast<std::size_t>(count));
        try {
            QSqlQuery query = Prepare(m_db, QStringLiteral("SELECT NumAsunto, Fecha, Descripcion FROM Cabecera"
                                                           " WHERE NumAsunto IN (") + placeholders + QLatin1Char(')'));
            query.setForwardOnly(true);
            for (int i = 0; i < count; ++i)
                query.addBindValue(m_current->keys[static_cast<std::size_t>(first + i)]);
            Exec(query);
            while (query.next()) {
                const int at = rowOfKey(query.value(0).toString()) - first;
                if (at >= 0 && at < count)
                    rows[static_cast<std::size_t>(at)] = {FormatDate(DateFromIso(query.value(1).toString())),
                                                          query.value(2).toString()};
            }
        } catch (const StoreError &) {
            // Painting cannot report a failure: the rows show blank and are read again later.
            static const Row blank;
            return blank;
        }
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
        return keyAt(index.row());
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
