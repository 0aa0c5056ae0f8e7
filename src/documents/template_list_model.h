#pragma once

#include "documents/template_catalogue.h"

#include <QAbstractTableModel>

// The catalogue as a one-column list, "Descripción" (title centred), for the catalogue window
// and the print-model dialog.
class TemplateListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TemplateListModel)

public:
    explicit TemplateListModel(QObject *parent = nullptr);

    void setRecords(std::vector<TemplateRecord> records);
    const TemplateRecord &record(int row) const { return m_records[static_cast<std::size_t>(row)]; }
    // Row of the record with that id, or -1.
    int rowOf(int id) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<TemplateRecord> m_records;
};

class QTableView;
// A read-only grid with whole-row selection over the model, stretched to its width.
void SetUpTemplateGrid(QTableView *grid, TemplateListModel *model);
