#pragma once

#include "fees/criteria.h"

#include <QAbstractItemModel>

#include <unordered_map>
#include <vector>

// The criteria tree, built once from the rows of "principal": a node's parent is the row whose
// Id equals its IdPadre, IdPadre 0 (or an unknown parent) makes a top node, siblings in Id
// order, text Titulo. Read-only. Used by the criteria window and the criterion selection of
// the fee engine.
class CriteriaTreeModel final : public QAbstractItemModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CriteriaTreeModel)

public:
    explicit CriteriaTreeModel(QObject *parent = nullptr);

    // Replaces the tree with these rows (any order; sorted by Id here).
    void setCriteria(std::vector<Criterion> criteria);
    // Reads every row of the module (dbModulo). Throws StoreError.
    void load(const QSqlDatabase &modulo);

    // The node of a criterion (invalid when there is none) and the criterion of a node.
    QModelIndex indexOfId(int id) const;
    const Criterion *criterionAt(const QModelIndex &index) const;
    // Replaces one row's values after it was stored (same Id and IdPadre).
    void updateCriterion(const Criterion &criterion);
    int criterionCount() const { return static_cast<int>(m_rows.size()); }

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Node
    {
        int parent = -1;          // position in m_rows, -1 for a top node
        int rowInParent = 0;
        std::vector<int> children; // positions in m_rows
    };

    std::vector<Criterion> m_rows; // Id order
    std::vector<Node> m_nodes;     // parallel to m_rows
    std::vector<int> m_top;
    std::unordered_map<int, int> m_positionOfId;
};
