#pragma once

#include "interest/settlement_types.h"
#include "report/report_layout.h"

#include <QDate>

// The built-in printout of a settlement, A4 portrait, titled "Cuantix": on every page the
// date ("09 de diciembre de 2026"), the title and the column captions; one line per row
// (dates dd/mm/yyyy, days, amounts "###,###,##0.00", all right aligned); once at the end the
// summary "Capital Inicial:" + "Zozazidar:" + "Entradas:" - "Pagos:" = "Total:", its amounts
// taken to 9 significant digits (12.345.678,91 prints 12.345.678,90); the page number at the
// foot of every page. Printed also without rows.
BandReport SettlementReport(const SettlementInput &input, const SettlementResult &result, const QDate &printDate);

// The report's pages.
std::vector<ReportPage> SettlementReportPages(const SettlementInput &input, const SettlementResult &result,
                                              const QDate &printDate);

// Writes the report as a PDF file. Throws AppError naming the file when it cannot be written.
void WriteSettlementReportPdf(const SettlementInput &input, const SettlementResult &result, const QString &pdfPath,
                              const QDate &printDate = QDate::currentDate());
