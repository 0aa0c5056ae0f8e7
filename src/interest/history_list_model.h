#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

#include <optional>
#include <utility>
#include <vector>

// The order of the history list, one per index of Cabecera: the primary key (NumAsunto),
// iFecha and iDescripcion (case-insensitive). Ties follow the case number.
enum class HistoryOrder { NumAsunto, Fecha, Descripcion };

// The stored settlements of kind "I" for the history window's grid. Nothing but the count is
// read up front: rows are fetched a page at a time, by position in the order's index, as the
// grid asks for them, and a record's row is the number of records before it in that index,
// so a history of a hundred thousand settlements opens, changes order and searches at once.
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

    // True while the list is still being walked for the marks searches count from.
    bool scanning() const { return m_scan.has_value(); }

private:
    struct Row
    {
        QString key;
        QString fecha;
        QString descripcion;
        QVariant sortValue; // the order's column as stored (null for NULL)
        QByteArray sortKey; // ...as its collation compares it
    };

    // A row whose position in the order is known.
    struct Mark
    {
        int row;
        QVariant value;
        QString key;
        QByteArray sortKey;
    };

    void startScan();
    void scanSlice();
    int nearest(HistoryOrder order, const QVariant &value);
    int countWhere(const QString &condition, std::initializer_list<QVariant> values) const;
    // The records meeting the condition, counted up to the limit.
    int countUpTo(const QString &condition, const QVariantList &values, int limit) const;
    std::pair<qint64, qint64> changeMark() const;
    // Rows before the first record whose sort value is at or after `value` (null: none).
    int rowsBefore(const QVariant &value) const;
    const Row &rowAt(int row) const;
    Row rowFrom(const QSqlQuery &query) const;
    // The records meeting the condition, in the order (or against it).
    std::vector<Row> readRows(const QString &condition, const QVariant &value, bool descending, int limit) const;
    void readAround(int before, const QVariant &value) const;
    void readCount();

    QSqlDatabase m_db;
    HistoryOrder m_order;
    int m_count = 0;
    std::pair<qint64, qint64> m_changes;
    std::vector<Mark> m_marks;
    std::optional<QSqlQuery> m_scan;
    int m_scanned = 0;
    QTimer m_scanTimer;
    mutable QHash<int, std::vector<Row>> m_pages;
};
