#pragma once

#include "interest/settlement_engine.h"

#include <QDialog>
#include <QPointer>

#include <functional>

struct AppContext;
class QLabel;
class QPushButton;
class QTableView;
class SettlementRowsModel;
class TFormInterVi;

// What "&Grabar" and "  &Imprimir" do; each receives the open view window (its input, result
// and texts), and stays disabled while not given.
struct SettlementViewActions
{
    std::function<void(TFormInterVi &)> store;
    std::function<void(TFormInterVi &)> print;
};

// "Vista de la Liquidación": the rows of the settlement and the totals strip, over the main
// window's client area.
class TFormInterVi final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormInterVi)

public:
    // mainWindow: the window whose client area the view covers (none: a window of its own).
    explicit TFormInterVi(AppContext &context, QWidget *mainWindow = nullptr);

    void setSettlement(const SettlementInput &input, SettlementResult result);
    const SettlementInput &settlementInput() const { return m_input; }
    const SettlementResult &settlementResult() const { return m_result; }
    AppContext &context() const { return m_context; }

    void setStoreHandler(std::function<void(TFormInterVi &)> handler);
    void setPrintHandler(std::function<void(TFormInterVi &)> handler);
    void setActions(const SettlementViewActions &actions);

    QTableView *grid() const { return m_grid; }
    SettlementRowsModel *model() const { return m_model; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void coverClientArea();
    void runHandler(const std::function<void(TFormInterVi &)> &handler);

    AppContext &m_context;
    QPointer<QWidget> m_mainWindow;
    SettlementInput m_input;
    SettlementResult m_result;
    SettlementRowsModel *m_model;
    QTableView *m_grid;
    QLabel *m_capital;
    QLabel *m_interest;
    QLabel *m_payments;
    QLabel *m_entries;
    QLabel *m_total;
    QPushButton *m_store;
    QPushButton *m_print;
    std::function<void(TFormInterVi &)> m_storeHandler;
    std::function<void(TFormInterVi &)> m_printHandler;
};

// "&Ver Liquidación" once the input window's date checks passed: computes the settlement with
// the installation's rate table under the hourglass cursor, shows the calculation's messages,
// and shows the view window modally until the user closes it. An error of the calculation is
// reported through the standard error dialog and the view is not shown; returns whether it was.
bool ViewSettlement(AppContext &context, QWidget *mainWindow, const SettlementInput &input,
                    const SettlementViewActions &actions = {});
