#pragma once

#include "invoicing/invoice_editing.h"
#include "store/record_locks.h"

#include <QDialog>

#include <functional>

class DateBox;
class InvoiceFeeRow;
class InvoiceLinesModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
class QVBoxLayout;
struct AppContext;

// "Facturar" (TFormFact1): one invoice, its client data, rates, notes and lines. Every line
// change is stored at once with the totals; the header is stored, with the totals of the stored
// lines, whenever the window closes, by "Ace&ptar" or otherwise. "Ace&ptar" with a line issues
// the invoice; a refused record keeps the window open with the refusal shown.
class TFormFact1 final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormFact1)

public:
    // Holds the invoice's record lock while open. Throws StoreError: DeletedByOther when the
    // invoice no longer exists, the lock outcomes when another window or program has it open.
    TFormFact1(AppContext &context, const InvoiceKey &key, QWidget *parent = nullptr);

    const InvoiceEditing &editing() const { return m_editing; }

    // "&Altas", "&Bajas", "&Modif." on the selected line.
    void addLine();
    void deleteLine();
    void modifyLine();
    // "Cliente…": the clients window as a picker; the chosen client's name, address, town,
    // postal code, province and NIF are copied into the invoice and its number kept.
    void pickClient();

    void done(int result) override;

private:
    void buildHeader(QVBoxLayout *page);
    void buildTotals(QVBoxLayout *page);
    void buildLines(QWidget *page);
    void showHeader();
    void showTotals();
    void showLines();
    void rateEdited(InvoiceEditing::Rate rate, QLineEdit *box);
    void commitPendingRates();
    void takeHeaderFields();
    int selectedRow() const;
    bool storeOnClose(bool accepted);
    // Runs a change; a failure is shown and, when the invoice vanished, the window closes
    // without storing anything.
    bool attempt(const std::function<void()> &change);

    AppContext &m_context;
    ScopedRecordLock m_lock;
    InvoiceEditing m_editing;
    bool m_closed = false;
    bool m_closing = false;
    bool m_invoiceGone = false;

    QLineEdit *m_ref = nullptr;
    QLineEdit *m_nombre = nullptr;
    QLineEdit *m_nif = nullptr;
    QLineEdit *m_domicilio = nullptr;
    QLineEdit *m_poblacion = nullptr;
    QLineEdit *m_codPostal = nullptr;
    QComboBox *m_provincia = nullptr;
    QLineEdit *m_iva = nullptr;
    QLineEdit *m_irpf = nullptr;
    QLineEdit *m_dcto = nullptr;
    QLabel *m_ivaCaption = nullptr;
    QLabel *m_totalIvaCaption = nullptr;
    QPlainTextEdit *m_notas = nullptr;
    QLineEdit *m_totalSuplidos = nullptr;
    QLineEdit *m_totalHonorario = nullptr;
    QLineEdit *m_totalIva = nullptr;
    QLineEdit *m_totalIrpf = nullptr;
    QLineEdit *m_totalDcto = nullptr;
    QLineEdit *m_totalProvisiones = nullptr;
    QLineEdit *m_total = nullptr;

    InvoiceLinesModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    DateBox *m_lineDate = nullptr;
    QComboBox *m_tipo = nullptr;
    QLineEdit *m_titulo = nullptr;
    QLineEdit *m_importe = nullptr;
    InvoiceFeeRow *m_feeRow = nullptr;
};

// An amount typed with the decimal comma (the calculator number boxes of the invoice windows).
QLineEdit *NewAmountEdit(QWidget *parent, const char *objectName);
