#pragma once

#include "interest/settlement_types.h"

#include <QAbstractTableModel>

#include <vector>

// The rate periods as the list shows them: dates dd/mm/yyyy, rates "3,75 %".
class RateTableModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RateTableModel)

public:
    enum Column { Desde, Hasta, InteLega, InteJudi, InteAdmi, ColumnCount };
    static constexpr int RawValueRole = Qt::UserRole; // QDate or double

    explicit RateTableModel(QObject *parent = nullptr);

    void setPeriods(std::vector<RatePeriod> periods);
    const std::vector<RatePeriod> &periods() const { return m_periods; }
    // Row of the period starting on `desde`, or of the first one after it; -1 when none.
    int rowAtOrAfter(const QDate &desde) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<RatePeriod> m_periods;
};
