#pragma once

#include "core/errors.h"
#include "invoicing/invoice_math.h"
#include "store/store_error.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// Invoices of the dbIntereses connection: headers in "facturas" (key Id;Iyear) and lines in
// "lineasfact" (key Id;Iyear;Fecha;Linea). Every change that touches a line also stores the
// header totals it changes, in the same transaction: after a crash either both are there or
// neither. Functions throw StoreError for database failures; a header that vanished while it
// was being worked on gives StoreError DeletedByOther and nothing is stored.

inline const QString kInvoiceTable = QStringLiteral("facturas");
inline const QString kDuplicateInvoiceMessage = QStringLiteral("Ya existe una factura con ese mismo número y año");
inline const QString kInvoiceDeletedMessage = QStringLiteral("El registro ha sido eliminado por otro usuario.");

// Why an invoice is not created: the user's message.
class InvoiceRefusal : public AppError
{
public:
    using AppError::AppError;
};

struct InvoiceKey
{
    int id = 0;
    int iyear = 0;

    bool operator==(const InvoiceKey &) const = default;
};

// A facturas record. Blank fields are empty texts, invalid dates and nullopt.
struct InvoiceHeader
{
    InvoiceKey key;
    QDate fecha;
    std::optional<qint64> icodcli;
    QString ref;
    QString nombreCliente;
    QString nif;
    QString direccion;
    QString poblacion;
    QString provincia;
    QString codPostal;
    std::optional<double> iva;
    std::optional<double> irpf;
    std::optional<double> dcto;
    QString notas;
    bool cobrado = false;
    QDate fechaCobro;
    InvoiceTotals totals;

    InvoiceRates rates() const { return {iva.value_or(0.0), irpf.value_or(0.0), dcto.value_or(0.0)}; }
    bool operator==(const InvoiceHeader &) const = default;
};

// A lineasfact record. Linea 0 is the blank number of the first line of a date.
struct InvoiceLine
{
    QDate fecha;
    int linea = 0;
    QString criterio;
    QString titulo;
    std::optional<double> iva;
    std::optional<double> irpf;
    std::optional<double> dcto;
    LineAmounts amounts;
    double fijo = 0.0;
    double incremento = 0.0;
    double reduccion = 0.0;
    int tabla = 0;
    double porcentaje = 0.0;
    QString tipo;
    double subTotal = 0.0;

    InvoiceRates rates() const { return {iva.value_or(0.0), irpf.value_or(0.0), dcto.value_or(0.0)}; }
    // Fills the four amounts from SubTotal and the line's rates.
    void calculate() { amounts = CalcularLinea(subTotal, rates()); }
    bool operator==(const InvoiceLine &) const = default;
};

std::optional<InvoiceHeader> LoadInvoice(const QSqlDatabase &db, const InvoiceKey &key);
// The columns of a stored header, in the order InvoiceHeaderFromRow reads them.
const QString &InvoiceHeaderColumns();
// The header on a query's current row, selected with InvoiceHeaderColumns().
InvoiceHeader InvoiceHeaderFromRow(const QSqlQuery &q);
// The invoice's lines by date, then line number.
std::vector<InvoiceLine> LoadInvoiceLines(const QSqlDatabase &db, const InvoiceKey &key);
bool InvoiceExists(const QSqlDatabase &db, const InvoiceKey &key);

// The three sum queries over the stored lines, and the totals they give.
LineSums SumInvoiceLines(const QSqlDatabase &db, const InvoiceKey &key);
InvoiceTotals RecalcularTotales(const QSqlDatabase &db, const InvoiceKey &key);

// Id + 1 of the last invoice in key order (number, then year), so the highest number of any
// year; nullopt when there is no invoice.
std::optional<int> ProposedInvoiceNumber(const QSqlDatabase &db);

// What else a change to a stored invoice must write, run inside the change's transaction after
// the change and before its commit (the invoice's tax record): a throw undoes the change.
using InvoiceChangeHook = std::function<void(const QSqlDatabase &db, const InvoiceKey &key)>;

// A new header: number, year, date, DCTO 0, Total 0. Throws InvoiceRefusal with
// kDuplicateInvoiceMessage when the number exists for that year (also when another program
// took it a moment ago).
void CreateInvoice(const QSqlDatabase &db, const InvoiceKey &key, const QDate &fecha);

// A line change and the header totals recomputed from the stored lines, in one transaction.
// AddInvoiceLine stores the line with the first free Linea from its own upwards (the retry
// on a key collision) and returns it as stored.
struct LineChange
{
    InvoiceLine line;
    InvoiceTotals totals;
};
LineChange AddInvoiceLine(const QSqlDatabase &db, const InvoiceKey &key, InvoiceLine line,
                          const InvoiceChangeHook &afterChange = {});
// Stores Titulo, the rates, SubTotal and the amounts of the line with that date and number.
InvoiceTotals ModifyInvoiceLine(const QSqlDatabase &db, const InvoiceKey &key, const InvoiceLine &line,
                                const InvoiceChangeHook &afterChange = {});
InvoiceTotals DeleteInvoiceLine(const QSqlDatabase &db, const InvoiceKey &key, const QDate &fecha, int linea,
                                const InvoiceChangeHook &afterChange = {});

// A new invoice rate typed (tbFactIVASetText): every fee line takes the three rates and is
// computed again, the others are left alone; the header stores the rates and the totals of
// TotalsAfterRerating from `before`. One transaction. Returns the new totals.
InvoiceTotals RerateInvoice(const QSqlDatabase &db, const InvoiceKey &key, const InvoiceRates &rates,
                            const InvoiceTotals &before, const InvoiceChangeHook &afterChange = {});

// Closing the editor: the header's client data, reference, notes and rates, and the totals
// recomputed from the stored lines, in one transaction. Returns the stored totals.
InvoiceTotals StoreInvoiceHeader(const QSqlDatabase &db, const InvoiceHeader &header,
                                 const InvoiceChangeHook &afterChange = {});

// A whole invoice at once (header and lines, each line numbered and computed from its rates),
// totals from the stored lines, one transaction. Throws InvoiceRefusal for a taken number or
// one of a cancelled invoice (kNumberCancelledMessage).
InvoiceHeader StoreNewInvoice(const QSqlDatabase &db, InvoiceHeader header, std::vector<InvoiceLine> &lines,
                              const InvoiceChangeHook &afterChange = {});

// The header and its lines, one transaction; false when there was no such invoice. The hook
// runs first, while the invoice is still there.
bool DeleteInvoice(const QSqlDatabase &db, const InvoiceKey &key, const InvoiceChangeHook &beforeDelete = {});

// The record-lock key of an invoice ("Id;Iyear").
QString InvoiceLockKey(const InvoiceKey &key);
