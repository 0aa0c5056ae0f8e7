#pragma once

#include "interest/settlement_types.h"

#include <QAbstractTableModel>

#include <vector>

// The rows of CALCULO for the view's grid. Texts are made only for the rows on screen, so ten
// or a hundred years of daily rows open at once.
class SettlementRowsModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettlementRowsModel)

public:
    enum Column { Desde, Hasta, Dias, Capital, Interes, Total, ColumnCount };
    static constexpr int RawValueRole = Qt::UserRole; // QDate, int or double

    explicit SettlementRowsModel(QObject *parent = nullptr);

    void setRows(std::vector<SettlementRow> rows);
    const std::vector<SettlementRow> &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<SettlementRow> m_rows;
};
