#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <QSqlDatabase>

#include <array>
#include <memory>
#include <vector>

// The order of the history list, one per index of Cabecera: the primary key (NumAsunto),
// iFecha and iDescripcion (case-insensitive). Ties follow the case number.
enum class HistoryOrder { NumAsunto, Fecha, Descripcion };

// The stored settlements of kind "I" for the history window's grid. Only the case numbers are
// read in order (each order once, until the list is read again); the shown fields are fetched
// a page at a time as the grid asks for rows, so a history of a hundred thousand settlements
// opens at once. Searches go to the nearest record by a keyed query on the order's index.
class HistoryListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryListModel)

public:
    enum Column { NumAsunto, Fecha, Descripcion, ColumnCount };

    explicit HistoryListModel(QSqlDatabase db, HistoryOrder order = HistoryOrder::NumAsunto,
                              QObject *parent = nullptr);

    HistoryOrder order() const { return m_order; }
    // Reads the list again in another order (nothing happens when it is the current one).
    void setOrder(HistoryOrder order);
    // Reads the list again (after a change of the history).
    void reload();

    QString keyAt(int row) const;
    int rowOfKey(const QString &numAsunto) const; // -1 when not listed

    // Switches to the order and returns the row of the first record at or after the value in
    // it; the last row when every record sorts before it; -1 when the list is empty.
    int nearestCaseNumber(const QString &text);
    int nearestDescription(const QString &text);
    int nearestDate(const QDate &date);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        QString fecha;
        QString descripcion;
    };
    // The case numbers of one order and each one's row.
    struct Ordering
    {
        std::vector<QString> keys;
        QHash<QString, int> rowOf;
    };

    Ordering readOrdering(HistoryOrder order) const;
    void loadKeys();
    int nearest(HistoryOrder order, const QVariant &value);
    const Row &rowAt(int row) const;

    QSqlDatabase m_db;
    HistoryOrder m_order;
    // Each order read once until the list is read again.
    std::array<std::unique_ptr<Ordering>, 3> m_orderings;
    const Ordering *m_current = nullptr;
    mutable QHash<int, std::vector<Row>> m_pages;
};

