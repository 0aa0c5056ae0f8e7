#pragma once

#include "invoicing/invoice_store.h"

#include <QAbstractTableModel>

#include <vector>

// The columns of an invoice grid: those of the invoice list ("Facturas") or of the search
// result ("Resultado Búsqueda"), their titles and what each cell shows. The Cobrado cell is a
// picture of the state, not a text.
class InvoiceColumns
{
public:
    enum class Layout { List, Result };

    InvoiceColumns(Layout layout, QString regionName);

    int count() const { return static_cast<int>(m_fields.size()); }
    QVariant cell(const InvoiceHeader &row, int column, int role) const;
    // The title of a column (DisplayRole), or an invalid QVariant.
    QVariant title(int column) const;

private:
    enum class Field { Iyear, Id, Fecha, Cliente, Ref, Honorario, Dcto, DctoRate, Iva, Irpf, Total, Cobrado };

    Layout m_layout;
    QString m_regionName;
    std::vector<Field> m_fields;
};

// Invoice headers held in memory, in a grid (the rows a search found).
class InvoiceRowsModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InvoiceRowsModel)

public:
    using Layout = InvoiceColumns::Layout;

    InvoiceRowsModel(Layout layout, QString regionName, QObject *parent = nullptr);

    void setRows(std::vector<InvoiceHeader> rows);
    const std::vector<InvoiceHeader> &rows() const { return m_rows; }
    // The row of that invoice, or -1.
    int rowOf(const InvoiceKey &key) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    InvoiceColumns m_columns;
    std::vector<InvoiceHeader> m_rows;
};
