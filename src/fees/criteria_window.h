#pragma once

#include "fees/criterion_record.h"

#include <QDialog>

#include <memory>
#include <optional>

struct AppContext;
class CriteriaTreeModel;
class QPlainTextEdit;
class QTreeView;
class ScopedRecordLock;

// "Honorarios": the criteria tree of the active region with the description of the current
// criterion, the title search and the criterion editor.
class TformHonorarios final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TformHonorarios)

public:
    // Reads the whole tree of the module once (throws AppError when no module is open).
    explicit TformHonorarios(AppContext &context, QWidget *parent = nullptr);
    ~TformHonorarios() override;

    // The current criterion (its Id), 0 when there is none.
    int currentId() const;
    // Makes a criterion current and selects its node.
    void setCurrentId(int id);
    CriteriaTreeModel *model() const { return m_model; }

    void search();
    void editCurrent();

protected:
    void done(int result) override;

private:
    void currentChanged();
    void storePending();

    AppContext &m_context;
    CriteriaTreeModel *m_model;
    QTreeView *m_tree;
    QPlainTextEdit *m_description;
    // An edit left by the editor's close box: stored on moving to another criterion,
    // dropped when this window closes. Its record lock is held meanwhile.
    std::optional<CriterionRecord> m_pending;
    std::unique_ptr<ScopedRecordLock> m_pendingLock;
};

void OpenCriteriaWindow(AppContext &context, QWidget *parent);
