#pragma once

#include "invoicing/invoice_editing.h"

#include <QDialog>

#include <optional>

class Prompter;
class QLineEdit;

// "Modificación Cuentas" (TFormFacModHono): the description, amount and rates of one line, with
// a preview of its total. "&Aceptar" gives the line computed again (a rate text that is not a
// number shows the conversion message and the dialog stays); "&Cancelar" changes nothing.
class TFormFacModHono final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormFacModHono)

public:
    TFormFacModHono(Prompter &prompter, const InvoiceEditing &editing, int row, QWidget *parent = nullptr);

    // The line to store, after "&Aceptar".
    const std::optional<InvoiceLine> &modifiedLine() const { return m_result; }

    void accept() override;

private:
    void preview();
    InvoiceEditing::LineModification modification() const;

    Prompter &m_prompter;
    const InvoiceEditing &m_editing;
    int m_row;
    std::optional<InvoiceLine> m_result;
    QLineEdit *m_titulo;
    QLineEdit *m_subTotal;
    QLineEdit *m_dcto;
    QLineEdit *m_iva;
    QLineEdit *m_irpf;
    QLineEdit *m_total;
};
