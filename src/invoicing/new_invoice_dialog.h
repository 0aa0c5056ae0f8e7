#pragma once

#include "invoicing/invoice_store.h"

#include <QDialog>

#include <optional>

class DateBox;
class QLineEdit;
struct AppContext;

// "Alta Facturas" (TformFacAltHono): number, year and date of a new invoice, proposed as the
// highest number + 1, this year and today. "&Aceptar" creates the header; the caller then opens
// the editor on it (OpenNewInvoice). No title-bar buttons.
class TformFacAltHono final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TformFacAltHono)

public:
    explicit TformFacAltHono(AppContext &context, QWidget *parent = nullptr);

    // The invoice created by "&Aceptar".
    const std::optional<InvoiceKey> &created() const { return m_created; }

    void accept() override;

private:
    AppContext &m_context;
    std::optional<InvoiceKey> m_created;
    QLineEdit *m_number;
    QLineEdit *m_year;
    DateBox *m_date;
};

// "Facturar": the new-invoice dialog, then the editor on the invoice it created.
void OpenNewInvoice(AppContext &context, QWidget *parent);
