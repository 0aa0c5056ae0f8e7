#pragma once

#include "invoicing/invoice_store.h"

#include <QAbstractTableModel>

#include <vector>

// The lines of the open invoice for the editor's grid, with the calculated ENTRADAS and SALIDAS.
class InvoiceLinesModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InvoiceLinesModel)

public:
    enum Column {
        Fecha, Tipo, Criterio, Titulo, Entradas, Salidas, Iva, Irpf, Dcto, TotalIva, TotalIrpf, TotalDcto, Total,
        ColumnCount
    };
    static constexpr int RawValueRole = Qt::UserRole;

    explicit InvoiceLinesModel(QObject *parent = nullptr);

    void setLines(const std::vector<InvoiceLine> &lines);
    // "% IVA" or, in the Canary Islands, "I.G.I.C.".
    void setVatTitle(const QString &title);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<InvoiceLine> m_lines;
    QString m_vatTitle = QStringLiteral("% IVA");
};
