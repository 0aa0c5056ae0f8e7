#include "interest/settlement_rows_model.h"

#include "core/date_text.h"
#include "core/number_text.h"

SettlementRowsModel::SettlementRowsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void SettlementRowsModel::setRows(std::vector<SettlementRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int SettlementRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SettlementRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SettlementRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const SettlementRow &r = m_rows[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<Column>(index.column());
    if (role == Qt::TextAlignmentRole) {
        if (column == Desde || column == Hasta)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role == RawValueRole) {
        switch (column) {
        case Desde:
            return r.desde;
        case Hasta:
            return r.hasta;
        case Dias:
            return r.days();
        case Capital:
            return r.capital;
        case Interes:
            return r.rate;
        case Total:
            return r.total;
        case ColumnCount:
            break;
        }
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case Desde:
        return FormatDate(r.desde);
    case Hasta:
        return FormatDate(r.hasta);
    case Dias:
        return FormatGeneral(r.days());
    case Capital:
        return FormatThousands2(r.capital);
    case Interes:
        return FormatThousands2(r.rate);
    case Total:
        return FormatThousands2(r.total);
    case ColumnCount:
        break;
    }
    return {};
}

QVariant SettlementRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    const auto column = static_cast<Column>(section);
    if (role == Qt::TextAlignmentRole)
        return int(column == Total ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case Desde:
        return QStringLiteral("Desde");
    case Hasta:
        return QStringLiteral("Hasta");
    case Dias:
        return QStringLiteral("Días");
    case Capital:
        return QStringLiteral("Capital Acumulado");
    case Interes:
        return QStringLiteral("% Interés");
    case Total:
        return QStringLiteral("Total");
    case ColumnCount:
        break;
    }
    return {};
}
