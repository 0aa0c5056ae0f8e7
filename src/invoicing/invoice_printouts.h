#pragma once

#include "invoicing/invoice_issuing.h"
#include "invoicing/invoice_store.h"
#include "report/report_layout.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <vector>

class IniFile;

// The two invoicing printouts, A4 portrait: one invoice, and the list of the invoices a
// search found. Amounts print with two decimals as stored (15 significant digits). The region
// "Canarias" calls the VAT I.G.I.C.; "Cataluña" prints the fixed texts in Catalan.

// Office data of the invoice heading (FACTURACION of the settings file); an absent key prints
// as empty text. `provincia` is the province's name.
struct InvoiceOffice
{
    QString empresa;
    QString nif;
    QString direccion;
    QString localidad;
    QString provincia;
    QString telefono;
    QString fax;
    QString inscripcion;
};
// PROVINCIA is a province Id turned into its name through "provincias" (dbGeneral); an empty
// or unknown Id gives an empty name.
InvoiceOffice ReadInvoiceOffice(const IniFile &settings, const QSqlDatabase &general);

// The name of the region INICIO/REGION names, empty when none (devenix-cli has no session).
QString ConfiguredRegionName(const IniFile &settings, const QSqlDatabase &general);

inline const QString kInvoiceListTitle = QStringLiteral("Listado de Facturas");

// The invoice: heading, registration text along the margin, "SUPLIDOS" only when there are
// outlay lines, "HONORARIOS" always, the summary. Lines are selected by their exact stored
// type; "Descuento" is printed before "Total Minuta" only when there is a discount. With a QR
// address the first page begins with the tax QR code: "QR tributario:", the code and
// "VERI*FACTU", centred, before everything else.
BandReport InvoiceReport(const InvoiceHeader &invoice, const std::vector<InvoiceLine> &lines,
                         const InvoiceOffice &office, const QString &regionName, const QString &qrUrl = {});
std::vector<ReportPage> InvoicePages(const InvoiceHeader &invoice, const std::vector<InvoiceLine> &lines,
                                     const InvoiceOffice &office, const QString &regionName,
                                     const QString &qrUrl = {});

// The address of the invoice's QR code (its last RegistroAlta, in the settings' environment),
// the invoice issued first when it was not yet (so a printed invoice always has its code).
// Empty when there is no such invoice. Throws RecordRefusal when it cannot be issued.
QString InvoiceQrUrl(const QSqlDatabase &db, const IniFile &settings, const InvoiceIssuing &issuing,
                     const InvoiceKey &key);

// The list: two lines per invoice, in the order given, and the eight sums.
BandReport InvoiceListReport(const std::vector<InvoiceHeader> &rows, const QString &regionName,
                             const QDate &printDate);
std::vector<ReportPage> InvoiceListPages(const std::vector<InvoiceHeader> &rows, const QString &regionName,
                                         const QDate &printDate);

// The stored invoice to a PDF file with its QR code (issuing it first). Returns false when
// there is no such invoice. Throws RecordRefusal when it cannot be issued, AppError naming the
// file when it cannot be written.
bool WriteInvoicePdf(const QSqlDatabase &db, const QSqlDatabase &general, const IniFile &settings,
                     const InvoiceIssuing &issuing, const InvoiceKey &key, const QString &regionName,
                     const QString &path);
void WriteInvoiceListPdf(const std::vector<InvoiceHeader> &rows, const QString &regionName, const QDate &printDate,
                         const QString &path);
