#include "interest/history_list_model.h"

#include "core/date_text.h"
#include "interest/settlement_history.h"
#include "store/sql.h"

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
    m_order = order;
    reload();
}

void HistoryListModel::reload()
{
    beginResetModel();
    loadKeys();
    endResetModel();
}

void HistoryListModel::loadKeys()
{
    m_keys.clear();
    m_rowOf.clear();
    m_pages.clear();
    QSqlQuery query = Prepare(m_db, QStringLiteral("SELECT NumAsunto FROM Cabecera WHERE Tipo = ?") + OrderBy(m_order));
    query.setForwardOnly(true);
    query.addBindValue(HistoryKindInterest);
    Exec(query);
    while (query.next())
        m_keys.push_back(query.value(0).toString());
    m_rowOf.reserve(static_cast<qsizetype>(m_keys.size()));
    for (std::size_t i = 0; i < m_keys.size(); ++i)
        m_rowOf.insert(m_keys[i], static_cast<int>(i));
}

QString HistoryListModel::keyAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return m_keys[static_cast<std::size_t>(row)];
}

int HistoryListModel::rowOfKey(const QString &numAsunto) const
{
    return m_rowOf.value(numAsunto, -1);
}

int HistoryListModel::nearest(HistoryOrder order, const QVariant &value)
{
    setOrder(order);
    if (m_keys.empty())
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
    return parent.isValid() ? 0 : static_cast<int>(m_keys.size());
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
                query.addBindValue(m_keys[static_cast<std::size_t>(first + i)]);
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
