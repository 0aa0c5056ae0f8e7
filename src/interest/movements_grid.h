#pragma once

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

struct AppContext;
class Prompter;
class WorkingMovementsModel;

// Edits a movement's cells: the date through a dd/mm/yyyy mask, the amount as a number with
// the decimal comma. Text that is not a date or an amount is refused with a message and the
// cell keeps its value.
class MovementDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MovementDelegate)

public:
    MovementDelegate(Prompter &prompter, const WorkingMovementsModel &model, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    // Hands the text of an open editor to the model and closes it (an action started by a
    // keyboard shortcut leaves the editor open).
    void commitOpenEditor();
    // Closes an open editor, its text discarded.
    void discardOpenEditor();

private:
    Prompter &m_prompter;
    const WorkingMovementsModel &m_model;
    mutable QPointer<QWidget> m_editor;
};

// A grid editing the working movements of one kind in place: a row is posted when the grid
// leaves it or before any action of the window. A date already taken cancels the change with
// "Ya existe un pago o un entrada con esa fecha."; a row without date or amount is reported
// and stays for correction. Escape cancels the row being edited.
class MovementsGrid final : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MovementsGrid)

public:
    // kind: "P" or "E"; dateTitle: "Fecha Pago" or "Fecha Entrada".
    MovementsGrid(AppContext &context, const QString &kind, const QString &dateTitle, QWidget *parent = nullptr);

    WorkingMovementsModel *movements() const { return m_model; }

    // Posts the row being edited. False when it was refused (the message is shown).
    bool postPending();
    // Drops the changes not posted.
    void cancelPending();
    bool hasPending() const;
    // Whether the current row is a new movement not posted yet.
    bool currentIsNew() const;

    // Posts what is pending, then appends a movement dated today of the window's current kind
    // and puts the cursor on its date.
    void appendMovement();
    // Deletes the movement of the current row (a new one is just dropped).
    void deleteCurrent();
    // Reads the movements again, keeping the current date when it is still there.
    void refresh();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void onCurrentRowChanged(const QModelIndex &current, const QModelIndex &previous);
    void selectDate(const QDate &date, int column);

    AppContext &m_context;
    WorkingMovementsModel *m_model;
    MovementDelegate *m_delegate;
    bool m_posting = false;
};
