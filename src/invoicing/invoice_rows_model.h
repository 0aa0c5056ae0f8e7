#pragma once

#include "invoicing/invoice_store.h"

#include <QAbstractTableModel>

#include <vector>

// Invoice headers in a grid: the columns of the invoice list ("Facturas") or of the search
// result ("Resultado Búsqueda"). The Cobrado cell is a picture of the state, not a text.
class InvoiceRowsModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InvoiceRowsModel)

public:
    enum class Layout { List, Result };

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
    enum class Field { Iyear, Id, Fecha, Cliente, Ref, Honorario, Dcto, DctoRate, Iva, Irpf, Total, Cobrado };

    Layout m_layout;
    QString m_regionName;
    std::vector<Field> m_fields;
    std::vector<InvoiceHeader> m_rows;
};
