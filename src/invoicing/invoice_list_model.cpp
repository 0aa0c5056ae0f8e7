#include "invoicing/invoice_list_model.h"

#include "invoicing/invoice_search.h"
#include "store/store_error.h"

namespace {

constexpr int PageSize = 128;
constexpr int KeptPages = 32;

} // namespace

InvoiceListModel::InvoiceListModel(QSqlDatabase db, QString regionName, QObject *parent)
    : QAbstractTableModel(parent)
    , m_db(std::move(db))
    , m_columns(InvoiceColumns::Layout::List, std::move(regionName))
{
    m_count = CountInvoices(m_db);
}

void InvoiceListModel::reload()
{
    beginResetModel();
    m_pages.clear();
    m_count = CountInvoices(m_db);
    endResetModel();
}

const std::vector<InvoiceHeader> &InvoiceListModel::page(int row) const
{
    const int number = row / PageSize;
    auto found = m_pages.constFind(number);
    if (found == m_pages.constEnd()) {
        std::vector<InvoiceHeader> rows = ListInvoices(m_db, number * PageSize, PageSize);
        // Scrolling reads pages next to each other: dropping them all now and then is cheaper
        // than tracking which was used last.
        if (m_pages.size() >= KeptPages)
            m_pages.clear();
        found = m_pages.insert(number, std::move(rows));
    }
    return found.value();
}

const InvoiceHeader *InvoiceListModel::rowAt(int row) const
{
    if (row < 0 || row >= m_count)
        return nullptr;
    const std::vector<InvoiceHeader> &rows = page(row);
    const auto at = static_cast<std::size_t>(row % PageSize);
    // Fewer rows than counted: another program deleted invoices since the list was read.
    return at < rows.size() ? &rows[at] : nullptr;
}

std::optional<InvoiceHeader> InvoiceListModel::invoiceAt(int row) const
{
    if (const InvoiceHeader *invoice = rowAt(row))
        return *invoice;
    return std::nullopt;
}

int InvoiceListModel::rowOf(const InvoiceKey &key) const
{
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        for (std::size_t i = 0; i < it.value().size(); ++i) {
            if (it.value()[i].key == key)
                return it.key() * PageSize + static_cast<int>(i);
        }
    }
    const int row = InvoiceListRow(m_db, key);
    return row < m_count ? row : -1;
}

int InvoiceListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int InvoiceListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns.count();
}

QVariant InvoiceListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_count)
        return {};
    if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::ToolTipRole
        && role != Qt::TextAlignmentRole)
        return {};
    try {
        if (const InvoiceHeader *invoice = rowAt(index.row()))
            return m_columns.cell(*invoice, index.column(), role);
    } catch (const StoreError &) {
        // Painting cannot report a failure: the row shows blank and is read again later.
    }
    return {};
}

QVariant InvoiceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_columns.count())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_columns.title(section);
}
