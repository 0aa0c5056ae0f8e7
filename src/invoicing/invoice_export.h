#pragma once

#include "invoicing/invoice_store.h"

#include <QString>

#include <vector>

// The rows a search found, out of the program: a spreadsheet, the clipboard, a text file.
// Columns are those of the result grid: Año, Núm. Fact., Fecha, Cliente, Total, Referencia,
// B. Imponible, DCTO (the rate), IVA (or I.G.I.C.), IRPF, Cobrado.

QStringList ExportHeads(const QString &regionName);

// Tab-separated lines, heads first, amounts as the grid shows them ("1.234,50"), then a line
// of totals. Line ends "\r\n" so spreadsheets pasted into take every row.
QString InvoiceRowsText(const std::vector<InvoiceHeader> &rows, const QString &regionName);

// The same as a UTF-8 text file. Throws AppError naming the file when it cannot be written.
void WriteInvoiceRowsText(const std::vector<InvoiceHeader> &rows, const QString &regionName, const QString &path);

// An .xlsx workbook: number cells for amounts and rates, date cells for dates, a totals row
// with the sums of Total, B. Imponible, IVA and IRPF. The file is replaced only when the whole
// workbook was written. Throws AppError naming the file.
void WriteInvoiceRowsXlsx(const std::vector<InvoiceHeader> &rows, const QString &regionName, const QString &path);
