#pragma once

#include "interest/settlement_report.h"

#include <QDialog>
#include <QPointer>

struct AppContext;
struct StoredSettlement;
class DateBox;
class MoneyBox;
class MovementsGrid;
class NumberEdit;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QTabWidget;

// "Cuantix": the input of a settlement. Its value is a SettlementInput whose movements are the
// working movements, edited in place by the "PAGOS" and "ENTRADAS" grids. "&Ver Liquidación"
// checks the dates and opens the settlement view, from which the settlement is stored in the
// history or printed; "&Recuperar Liquidación" reloads a stored one. Destroying the window
// empties the working movements.
class TFormInter final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormInter)

public:
    // mainWindow: the window whose client area the settlement view covers.
    explicit TFormInter(AppContext &context, QWidget *mainWindow = nullptr);
    ~TFormInter() override;

    SettlementInput input() const;
    // Sets every control and replaces the working movements with the input's.
    void setInput(const SettlementInput &input);
    // Steps 4 to 7 of reloading a stored settlement (the movements included).
    void applyStoredSettlement(const StoredSettlement &stored);
    // The case the printout names: the one recovered from the history, until a new settlement.
    SettlementHeading heading() const;

    // The buttons.
    void addMovement();           // "    &Alta Pago" / "   &Alta Entrada"
    void addPeriodicMovements();  // "&Pagos Periódicos" / "&Entrada Periódica"
    void deleteMovement();        // "    &Baja Pago" / "    &Baja Entrada"
    void deleteAllMovements();    // " Eliminar &Todos" / "  Eliminar &Todas"
    void viewSettlement();        // "&Ver Liquidación"
    void recoverSettlement();     // "&Recuperar Liquidación"
    void newSettlement();         // "&Nueva Liquidación"

    // Closing by "  &Salir" or the close box: with movements entered, only after the user
    // agrees to discard them. Escape does not close the window.
    void reject() override;

    MovementsGrid *paymentsGrid() const { return m_payments; }
    MovementsGrid *entriesGrid() const { return m_entries; }
    // The grid of the page shown.
    MovementsGrid *currentGrid() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool hasMovements() const;
    void buildControls();
    QWidget *buildPages();
    void applyTypeRule();
    void applyType2Rule();
    void applySecondPeriodRule();
    void applyCompoundRule();
    void onFirstEndChanged(const QDate &end);
    void onPageChanged(int page);
    // Hands typed text to its control and posts the grids' edits; false when something was
    // refused (its message shown).
    bool settleEdits();
    void refreshGrids();

    AppContext &m_context;
    QPointer<QWidget> m_mainWindow;

    MoneyBox *m_capital;
    DateBox *m_desde1;
    DateBox *m_hasta1;
    QComboBox *m_tipo;
    QLabel *m_interesLabel;
    NumberEdit *m_interes;
    QCheckBox *m_senten;
    QLabel *m_desde2Label;
    DateBox *m_desde2;
    QLabel *m_hasta2Label;
    DateBox *m_hasta2;
    QLabel *m_tipo2Label;
    QComboBox *m_tipo2;
    QLabel *m_interes2Label;
    NumberEdit *m_interes2;
    QCheckBox *m_acumu;
    QRadioButton *m_perio;
    QRadioButton *m_detal;
    QCheckBox *m_descontar;
    QComboBox *m_moneda;
    QTabWidget *m_pages;
    MovementsGrid *m_payments;
    MovementsGrid *m_entries;
    int m_shownPage = 0;
    // The case the settlement was recovered as, for its printout; cleared by a new one.
    QString m_caseNumber;
    QString m_caseDescription;
};

// "&Liquidaciones" of the main window: the input window, modal and maximised.
void OpenSettlementInput(AppContext &context, QWidget *mainWindow);
