#include "documents/template_list_model.h"
#include "widgets/list_grid.h"

#include <QHeaderView>
#include <QTableView>

TemplateListModel::TemplateListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void TemplateListModel::setRecords(std::vector<TemplateRecord> records)
{
    beginResetModel();
    m_records = std::move(records);
    endResetModel();
}

int TemplateListModel::rowOf(int id) const
{
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

int TemplateListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_records.size());
}

int TemplateListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant TemplateListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return record(index.row()).descripcion;
}

QVariant TemplateListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section != 0)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QStringLiteral("Descripción");
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

void SetUpTemplateGrid(QTableView *grid, TemplateListModel *model)
{
    SetUpListGrid(grid, model);
    grid->horizontalHeader()->setStretchLastSection(true);
}
