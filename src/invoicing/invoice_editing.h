#pragma once

#include "invoicing/invoice_issuing.h"
#include "invoicing/invoice_store.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

class IniFile;

// One invoice open in the editor: its header as being typed, its stored lines and every change
// the editor makes. Each line change is stored at once with the totals it changes; the header's
// typed fields are stored when the editor closes, with the totals of the stored lines. Once the
// invoice is issued every change also writes its tax record, in the change's transaction (a
// refused record, RecordRefusal, leaves the invoice as it was). Throws StoreError
// DeletedByOther (kInvoiceDeletedMessage) when the invoice vanished meanwhile.
class InvoiceEditing
{
public:
    enum class Rate { Iva, Irpf, Dcto };

    // What "&Altas" takes from the line-entry rows.
    struct NewLine
    {
        QDate fecha;
        QString tipo;     // item text of the type list
        QString criterio;
        QString titulo;
        QString importe;  // as typed
        double fijo = 0.0;
        double incremento = 0.0;
        double reduccion = 0.0;
        int tabla = 0;
        double porcentaje = 0.0;
    };

    // What the line-modification dialog gives back: the description, the amount and the three
    // rate texts (an empty text leaves the rate blank).
    struct LineModification
    {
        QString titulo;
        double subTotal = 0.0;
        QString iva;
        QString irpf;
        QString dcto;
    };

    // Loads the invoice; a blank VAT takes the settings' (DefaultInvoiceVat), a blank
    // withholding the settings' (DefaultInvoiceWithholding); the discount is kept as it is.
    InvoiceEditing(QSqlDatabase db, const IniFile &settings, const InvoiceKey &key, InvoiceIssuing issuing);

    const InvoiceHeader &header() const { return m_header; }
    // The typed header fields (client data, reference, notes); rates go through typeRate.
    InvoiceHeader &header() { return m_header; }
    const std::vector<InvoiceLine> &lines() const { return m_lines; }

    // Text typed into a rate box (tbFactIVASetText): the rate becomes the number, or 0 when the
    // text is not one, and every fee line is re-rated. Throws "El importe es demasiado grande."
    // for a rate beyond the amount limit.
    void typeRate(Rate rate, const QString &text);

    // "&Altas": a fee line takes the invoice's rates, any other 0. Throws AppError with the
    // conversion message when the amount is empty or not a number; nothing is stored then.
    void addLine(const NewLine &entry);
    void deleteLine(int row);
    // The line `row` with the dialog's values, computed again. Throws AppError with the
    // conversion message for a rate text that is not a number.
    InvoiceLine modifiedLine(int row, const LineModification &modification) const;
    void storeLine(int row, const InvoiceLine &line);
    // Totals of the stored lines (after the modification dialog, whatever its answer).
    void recalculateTotals();

    // Any close: the header's typed fields and the totals of the stored lines, one transaction.
    // Accepted with at least one line, the invoice is issued.
    void close(bool accepted = false);

private:
    void reloadLines();

    QSqlDatabase m_db;
    InvoiceIssuing m_issuing;
    InvoiceHeader m_header;
    std::vector<InvoiceLine> m_lines;
};

// The new-invoice dialog's proposal: the highest number of any year + 1, past the numbers of
// this year's cancelled invoices (nothing for an empty table), the current year and today.
struct NewInvoiceProposal
{
    std::optional<int> number;
    int year = 0;
    QDate fecha;
};
NewInvoiceProposal ProposeNewInvoice(const QSqlDatabase &db, const QDate &today);

inline const QString kNumberAndYearRequiredMessage = QStringLiteral("Debe rellenar el campo Num de Factura y Año");

// "&Aceptar" of the new-invoice dialog: creates the header and returns its key. Throws
// InvoiceRefusal with kNumberAndYearRequiredMessage, kDuplicateInvoiceMessage or
// kNumberCancelledMessage (a number issued and then deleted is never used again), AppError with
// the conversion message for a number or year that is not a whole number. An empty date is
// today.
InvoiceKey CreateNewInvoice(const QSqlDatabase &db, const QString &number, const QString &year, const QDate &fecha,
                            const QDate &today);
