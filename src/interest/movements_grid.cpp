#include "interest/movements_grid.h"

#include "interest/number_edit.h"
#include "interest/working_movements.h"
#include "interest/working_movements_model.h"
#include "store/app_context.h"
#include "widgets/application.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTimer>

MovementDelegate::MovementDelegate(Prompter &prompter, const WorkingMovementsModel &model, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_prompter(prompter)
    , m_model(model)
{
}

QWidget *MovementDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    auto *editor = new QLineEdit(parent);
    editor->setFrame(false);
    if (index.column() == m_model.fechaColumn()) {
        editor->setInputMask(QStringLiteral("99/99/9999;_"));
    } else {
        editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        editor->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9.]*(,[0-9]*)?")), editor));
    }
    m_editor = editor;
    return editor;
}

void MovementDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setText(index.data(WorkingMovementsModel::EditTextRole).toString());
}

void MovementDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line || line->text() == index.data(WorkingMovementsModel::EditTextRole).toString())
        return;
    if (model->setData(index, line->text()))
        return;
    const QString message = !m_model.lastRefusal().isEmpty() ? m_model.lastRefusal()
                            : index.column() == m_model.fechaColumn()
                                ? QStringLiteral("\"%1\" no es una fecha válida.").arg(line->displayText())
                                : NumberEdit::InvalidMessage();
    // Not while the editor is losing the focus: the message box would take it again.
    Prompter *prompter = &m_prompter;
    QTimer::singleShot(0, this, [prompter, message] { prompter->inform(message); });
}

void MovementDelegate::commitOpenEditor()
{
    if (QWidget *editor = m_editor.data()) {
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void MovementDelegate::discardOpenEditor()
{
    if (QWidget *editor = m_editor.data())
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

MovementsGrid::MovementsGrid(AppContext &context, const QString &kind, const QString &dateTitle, QWidget *parent)
    : QTableView(parent)
    , m_context(context)
    , m_model(new WorkingMovementsModel(context.store.database(Alias::Devenix), kind, this))
    , m_delegate(new MovementDelegate(context.prompter, *m_model, this))
{
    m_model->setDateTitle(dateTitle);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setColumnHidden(m_model->fieldIndex(QStringLiteral("Tipo")), true);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setColumnWidth(m_model->fechaColumn(), fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 40);
    setColumnWidth(m_model->importeColumn(), fontMetrics().horizontalAdvance(QStringLiteral("000.000.000,00")) + 40);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &MovementsGrid::onCurrentRowChanged);
}

bool MovementsGrid::hasPending() const
{
    return m_model->isDirty();
}

bool MovementsGrid::currentIsNew() const
{
    const int row = currentIndex().row();
    return row >= 0 && m_model->rowIsNew(row);
}

bool MovementsGrid::postPending()
{
    if (m_posting)
        return false;
    m_delegate->commitOpenEditor();
    if (!m_model->isDirty())
        return true;
    int pending = -1;
    for (int row = 0; row < m_model->rowCount() && pending < 0; ++row) {
        if (m_model->rowIsPending(row))
            pending = row;
    }
    const QDate date = m_model->dateAt(pending);
    const int column = std::max(currentIndex().column(), m_model->fechaColumn());

    m_posting = true;
    const bool posted = m_model->submitAll();
    m_posting = false;
    if (posted) {
        selectDate(date, column);
        return true;
    }

    const auto failure = m_model->lastFailure();
    const QString message = m_model->lastFailureMessage();
    using Failure = WorkingMovementsModel::Failure;
    if (failure == Failure::MissingDate || failure == Failure::MissingAmount || failure == Failure::RefusedDate
        || failure == Failure::RefusedAmount) {
        m_context.prompter.inform(message);
        const bool onDate = failure == Failure::MissingDate || failure == Failure::RefusedDate;
        const int missing = onDate ? m_model->fechaColumn() : m_model->importeColumn();
        m_posting = true;
        setCurrentIndex(m_model->index(pending, missing));
        m_posting = false;
        setFocus();
        return false;
    }
    cancelPending();
    if (failure == WorkingMovementsModel::Failure::DuplicateDate)
        m_context.prompter.inform(message);
    else
        ShowStandardError(m_context.prompter, message);
    return false;
}

void MovementsGrid::cancelPending()
{
    m_delegate->discardOpenEditor();
    m_posting = true;
    m_model->revertAll();
    m_posting = false;
}

void MovementsGrid::appendMovement()
{
    if (!postPending())
        return;
    setFocus();
    const int row = m_model->appendMovement(QDate::currentDate(), m_context.store.currentKind());
    if (row < 0)
        return;
    m_posting = true;
    setCurrentIndex(m_model->index(row, m_model->fechaColumn()));
    m_posting = false;
    scrollTo(currentIndex());
}

void MovementsGrid::deleteCurrent()
{
    if (currentIsNew()) {
        cancelPending();
        return;
    }
    if (!postPending() || !currentIndex().isValid())
        return;
    const int row = currentIndex().row();
    DeleteWorkingMovement(m_context.store.database(Alias::Devenix), m_model->dateAt(row));
    refresh();
    if (m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(std::min(row, m_model->rowCount() - 1), m_model->fechaColumn()));
}

void MovementsGrid::refresh()
{
    const QModelIndex current = currentIndex();
    const QDate date = current.isValid() ? m_model->dateAt(current.row()) : QDate();
    m_posting = true;
    m_model->select();
    m_posting = false;
    selectDate(date, std::max(current.column(), m_model->fechaColumn()));
}

void MovementsGrid::selectDate(const QDate &date, int column)
{
    if (m_model->rowCount() == 0)
        return;
    int row = date.isValid() ? m_model->rowOfDate(date) : -1;
    if (row < 0)
        row = 0;
    m_posting = true;
    setCurrentIndex(m_model->index(row, column));
    m_posting = false;
    scrollTo(currentIndex());
}

void MovementsGrid::onCurrentRowChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (m_posting || !previous.isValid() || current.row() == previous.row() || !m_model->rowIsPending(previous.row()))
        return;
    // Leaving a row posts it; not from inside the selection change, which posting resets.
    const QDate target = current.isValid() ? m_model->dateAt(current.row()) : QDate();
    const int column = std::max(current.column(), m_model->fechaColumn());
    QTimer::singleShot(0, this, [this, target, column] {
        if (postPending() && target.isValid())
            selectDate(target, column);
    });
}

void MovementsGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && hasPending() && state() != QAbstractItemView::EditingState) {
        cancelPending();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
