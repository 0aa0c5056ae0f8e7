#include "interest/rate_table_model.h"

#include "core/date_text.h"
#include "core/number_text.h"

RateTableModel::RateTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void RateTableModel::setPeriods(std::vector<RatePeriod> periods)
{
    beginResetModel();
    m_periods = std::move(periods);
    endResetModel();
}

int RateTableModel::rowAtOrAfter(const QDate &desde) const
{
    for (std::size_t i = 0; i < m_periods.size(); ++i) {
        if (m_periods[i].desde >= desde)
            return static_cast<int>(i);
    }
    return -1;
}

int RateTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_periods.size());
}

int RateTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RateTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const RatePeriod &p = m_periods[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<Column>(index.column());
    if (role == Qt::TextAlignmentRole) {
        if (column == InteLega || column == InteJudi)
            return int(Qt::AlignCenter);
        return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != RawValueRole)
        return {};
    const bool raw = role == RawValueRole;
    switch (column) {
    case Desde:
        return raw ? QVariant(p.desde) : QVariant(FormatDate(p.desde));
    case Hasta:
        return raw ? QVariant(p.hasta) : QVariant(FormatDate(p.hasta));
    case InteLega:
        return raw ? QVariant(p.inteLega) : QVariant(FormatRatePercent(p.inteLega));
    case InteJudi:
        return raw ? QVariant(p.inteJudi) : QVariant(FormatRatePercent(p.inteJudi));
    case InteAdmi:
        return raw ? QVariant(p.inteAdmi) : QVariant(FormatRatePercent(p.inteAdmi));
    case ColumnCount:
        break;
    }
    return {};
}

QVariant RateTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (static_cast<Column>(section)) {
    case Desde:
        return QStringLiteral("Desde");
    case Hasta:
        return QStringLiteral("Hasta");
    case InteLega:
        return QStringLiteral("Interés Legal");
    case InteJudi:
        return QStringLiteral("Interés Judicial");
    case InteAdmi:
        return QStringLiteral("Int. Demora Admon.");
    case ColumnCount:
        break;
    }
    return {};
}
