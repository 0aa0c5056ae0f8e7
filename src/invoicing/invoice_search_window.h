#pragma once

#include "invoicing/invoice_search.h"

#include <QDialog>

class DateBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
struct AppContext;

// "Búsqueda de Facturas" (TFormFacBus). In the normal mode "&Buscar" shows the invoices found
// in "Resultado Búsqueda"; in the list-only mode ("Listado Facturas") it prints their list.
class TFormFacBus final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormFacBus)

public:
    enum class Mode { Normal, ListOnly };

    TFormFacBus(AppContext &context, Mode mode, QWidget *parent = nullptr);

    // The criteria as the controls hold them.
    InvoiceSearchCriteria criteria() const;
    // "&Buscar". Returns the rows found (empty when refused or none).
    std::vector<InvoiceHeader> search();
    // "Con Cliente": the clients window as a picker.
    void chooseClient();
    // The client chosen for the criterion (0 when none).
    qint64 chosenClient() const { return m_cliente; }

private:
    void checkTotal(QLineEdit *edit);
    void updateCollectionRow();

    AppContext &m_context;
    Mode m_mode;
    qint64 m_cliente = 0;

    QCheckBox *m_checkCli;
    QLineEdit *m_editCli;
    QCheckBox *m_checkNif;
    QLineEdit *m_editNif;
    QCheckBox *m_checkRef;
    QLineEdit *m_editRef;
    QCheckBox *m_checkTot;
    QLineEdit *m_desdeTot;
    QLineEdit *m_hastaTot;
    QLabel *m_totError;
    QRadioButton *m_radioNumero;
    QSpinBox *m_numDesde;
    QSpinBox *m_numHasta;
    QRadioButton *m_radioFecha;
    DateBox *m_fechaDesde;
    DateBox *m_fechaHasta;
    QRadioButton *m_radioTodas;
    QRadioButton *m_radioCobra;
    QRadioButton *m_radioNoCob;
    QCheckBox *m_checkCobro;
    DateBox *m_cobroDesde;
    DateBox *m_cobroHasta;
};

// "Listado Facturas": the search in list-only mode.
void ShowInvoiceListSearch(AppContext &context, QWidget *parent);
