#pragma once

#include "invoicing/invoice_rows_model.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSqlDatabase>

#include <optional>
#include <vector>

// Every stored invoice in key order (number, then year) for the grid of "Facturas". Only the
// count is read up front; rows are read a page at a time, by position in the key's index, as
// the grid asks for them, and a few pages are kept. A list of a hundred thousand invoices
// opens at once.
class InvoiceListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InvoiceListModel)

public:
    InvoiceListModel(QSqlDatabase db, QString regionName, QObject *parent = nullptr);

    // Reads the list again (after a change of the invoices).
    void reload();
    // The invoice on that row; nullopt outside the list. Throws StoreError when it cannot be read.
    std::optional<InvoiceHeader> invoiceAt(int row) const;
    // The row of that invoice, or -1.
    int rowOf(const InvoiceKey &key) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // The page holding the row, read when it is not kept. Throws StoreError.
    const std::vector<InvoiceHeader> &page(int row) const;
    // Points into a kept page: valid until the next page is read.
    const InvoiceHeader *rowAt(int row) const;

    QSqlDatabase m_db;
    InvoiceColumns m_columns;
    int m_count = 0;
    mutable QHash<int, std::vector<InvoiceHeader>> m_pages;
};
