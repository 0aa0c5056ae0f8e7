#include "fees/criteria_tree_model.h"

#include <algorithm>

CriteriaTreeModel::CriteriaTreeModel(QObject *parent)
    : QAbstractItemModel(parent)
{
}

void CriteriaTreeModel::load(const QSqlDatabase &modulo)
{
    setCriteria(LoadCriteria(modulo));
}

void CriteriaTreeModel::setCriteria(std::vector<Criterion> criteria)
{
    beginResetModel();
    m_rows = std::move(criteria);
    std::stable_sort(m_rows.begin(), m_rows.end(), [](const Criterion &a, const Criterion &b) { return a.id < b.id; });
    m_nodes.assign(m_rows.size(), {});
    m_top.clear();
    m_positionOfId.clear();
    m_positionOfId.reserve(m_rows.size());
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i)
        m_positionOfId.emplace(m_rows[i].id, i);
    // Rows are in Id order, so appending keeps siblings in Id order too.
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        const Criterion &c = m_rows[i];
        auto parent = c.idPadre == 0 || c.idPadre == c.id ? m_positionOfId.end() : m_positionOfId.find(c.idPadre);
        if (parent != m_positionOfId.end()) {
            // A row that would become its own ancestor stays at the top instead.
            bool cycle = false;
            for (int p = parent->second; p != -1 && !cycle; p = m_nodes[p].parent)
                cycle = p == i;
            if (!cycle) {
                m_nodes[i].parent = parent->second;
                m_nodes[i].rowInParent = static_cast<int>(m_nodes[parent->second].children.size());
                m_nodes[parent->second].children.push_back(i);
                continue;
            }
        }
        m_nodes[i].rowInParent = static_cast<int>(m_top.size());
        m_top.push_back(i);
    }
    endResetModel();
}

QModelIndex CriteriaTreeModel::indexOfId(int id) const
{
    const auto found = m_positionOfId.find(id);
    if (found == m_positionOfId.end())
        return {};
    return createIndex(m_nodes[found->second].rowInParent, 0, static_cast<quintptr>(found->second));
}

const Criterion *CriteriaTreeModel::criterionAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return &m_rows[index.internalId()];
}

void CriteriaTreeModel::updateCriterion(const Criterion &criterion)
{
    const QModelIndex at = indexOfId(criterion.id);
    if (!at.isValid())
        return;
    Criterion &row = m_rows[at.internalId()];
    const int idPadre = row.idPadre;
    row = criterion;
    row.idPadre = idPadre; // the tree's shape is fixed while it is shown
    emit dataChanged(at, at);
}

QModelIndex CriteriaTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    const std::vector<int> &siblings = parent.isValid() ? m_nodes[parent.internalId()].children : m_top;
    if (row >= static_cast<int>(siblings.size()))
        return {};
    return createIndex(row, 0, static_cast<quintptr>(siblings[row]));
}

QModelIndex CriteriaTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    const int parent = m_nodes[child.internalId()].parent;
    if (parent < 0)
        return {};
    return createIndex(m_nodes[parent].rowInParent, 0, static_cast<quintptr>(parent));
}

int CriteriaTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    return static_cast<int>(parent.isValid() ? m_nodes[parent.internalId()].children.size() : m_top.size());
}

int CriteriaTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant CriteriaTreeModel::data(const QModelIndex &index, int role) const
{
    const Criterion *c = criterionAt(index);
    if (!c)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return c->titulo;
    if (role == Qt::UserRole)
        return c->id;
    return {};
}
