#pragma once

#include <QDialog>
#include <QSqlDatabase>

#include <optional>

class CriteriaTreeModel;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

// "Seleccione un Honorario" (TformHonoSelect): the criteria tree of the active module,
// read-only, and the selected criterion's description. "Seleccionar" takes the selected
// criterion; "&Buscar" finds one by its title; "&Salir" and Esc leave without a choice. The
// dialog has no close box.
class TformHonoSelect final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TformHonoSelect)

public:
    // Throws StoreError when the criteria cannot be read.
    explicit TformHonoSelect(const QSqlDatabase &modulo, QWidget *parent = nullptr);

    // Shows the dialog modally: the Id chosen, nullopt when left with "&Salir". Throws as the
    // constructor.
    static std::optional<int> Choose(const QSqlDatabase &modulo, QWidget *parent);

    // The criterion selected in the tree (nullopt for an empty module).
    std::optional<int> currentId() const;
    // Selects the criterion's node, as the search does.
    void selectId(int id);

private:
    void showDescription();
    void search();

    QSqlDatabase m_modulo;
    CriteriaTreeModel *m_model;
    QTreeView *m_tree;
    QPlainTextEdit *m_description;
    QPushButton *m_select;
};
