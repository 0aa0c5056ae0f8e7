#pragma once

#include "interest/history_list_model.h"

#include <QDialog>

#include <functional>

struct AppContext;
struct StoredSettlement;
class QLineEdit;
class QTableView;

// "Histórico de Liquidaciones": the stored settlements with three searches (case number and
// description as typed, date when left), ordering by column title, and reload, view and
// deletion of the selected one. The order chosen last is kept while the program runs.
class TFormHis final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormHis)

public:
    // reload: fills the input window with a stored settlement ("&Recuperar").
    TFormHis(AppContext &context, QWidget *parent = nullptr,
             std::function<void(const StoredSettlement &)> reload = {});

    void recover();   // "&Recuperar"
    void view();      // "&Ver"
    void remove();    // "  &Bajas"

    // The case number of the selected row; empty when none is.
    QString selectedCaseNumber() const;
    HistoryListModel *model() const { return m_model; }
    QTableView *grid() const { return m_grid; }

    // The order the list opens in.
    static HistoryOrder LastOrder();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void searchCaseNumber(const QString &text);
    void searchDescription(const QString &text);
    void searchDate();
    void clearSearchesBut(QLineEdit *kept);
    void orderBy(int column);
    void selectRow(int row);
    void selectCaseNumber(const QString &numAsunto, int fallbackRow);
    void reloadList();

    AppContext &m_context;
    std::function<void(const StoredSettlement &)> m_reload;
    HistoryListModel *m_model;
    QTableView *m_grid;
    QLineEdit *m_numAsunto;
    QLineEdit *m_descripcion;
    QLineEdit *m_fecha;
};
