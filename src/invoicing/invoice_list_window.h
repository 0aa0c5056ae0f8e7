#pragma once

#include "invoicing/invoice_store.h"

#include <QDialog>

#include <optional>

class InvoiceListModel;
class QTableView;
class QWidget;
struct AppContext;

// "Facturas" (TFormFact): every invoice in key order; "&Altas", "&Modificar", "Ba&jas",
// "&Imprimir", "&Cobrar" on the selected one, and the search.
class TFormFact final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormFact)

public:
    explicit TFormFact(AppContext &context, QWidget *parent = nullptr);

    InvoiceListModel *model() const { return m_model; }
    void selectInvoice(const InvoiceKey &key);

    void addInvoice();
    void modifyInvoice();
    void deleteInvoice();
    void printInvoice();
    void collectInvoice();
    void openSearch();

private:
    std::optional<InvoiceHeader> current() const;
    std::optional<InvoiceKey> currentKey() const;
    void reload(const std::optional<InvoiceKey> &keep);

    AppContext &m_context;
    InvoiceListModel *m_model;
    QTableView *m_grid;
};

// The editor on a stored invoice, with the reaction to its record lock. Nothing happens when
// the invoice no longer exists.
void EditStoredInvoice(AppContext &context, const InvoiceKey &key, QWidget *parent);
// The invoice printout in the print preview, with its QR code (issuing the invoice first; a
// refusal is shown and nothing printed); nothing when the invoice no longer exists.
void PreviewStoredInvoice(AppContext &context, const InvoiceKey &key, QWidget *parent);
// The invoice list report over rows found, in the print preview.
void PreviewInvoiceList(AppContext &context, const std::vector<InvoiceHeader> &rows, QWidget *parent);

// "&Facturar": the invoice list.
void ShowInvoiceList(AppContext &context, QWidget *parent);
