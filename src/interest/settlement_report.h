#pragma once

#include "interest/settlement_types.h"
#include "report/report_layout.h"

#include <QDate>

// What the printout says it is, below its title: the office, and the case when the settlement
// was recovered from the history (empty texts are left out).
struct SettlementHeading
{
    QString office;      // "Datos Empresa": FACTURACION/EMPRESA of the settings file
    QString caseNumber;  // NumAsunto
    QString description; // Descripcion

    bool operator==(const SettlementHeading &) const = default;
};

// The office name of a settings file (FACTURACION/EMPRESA); empty when it is not set or the
// file cannot be read (a printout goes on without it).
QString OfficeNameFromSettings(const QString &settingsPath);

// The lines below the title: the office, "Asunto: " + number (+ " - " + description), and one
// line per period with its days and interest type ("Primer período: del 01/01/2021 al
// 31/12/2021, Interés Legal"; an agreed rate shows its percentage).
QStringList SettlementHeadingLines(const SettlementInput &input, const SettlementHeading &heading);

// The built-in printout of a settlement, A4 portrait, titled "Cuantix": on every page the
// date ("09 de diciembre de 2026"), the title, the heading lines and the column captions; one
// line per row (dates dd/mm/yyyy, days, amounts "###,###,##0.00", all right aligned); once at
// the end the summary "Capital Inicial:" + "Intereses:" + "Entradas:" - "Pagos:" = "Total:",
// its amounts as the view window shows them (two decimals of 15 significant digits); the page
// number at the foot of every page. Printed also without rows.
BandReport SettlementReport(const SettlementInput &input, const SettlementResult &result, const QDate &printDate,
                            const SettlementHeading &heading = {});

// The report's pages.
std::vector<ReportPage> SettlementReportPages(const SettlementInput &input, const SettlementResult &result,
                                              const QDate &printDate, const SettlementHeading &heading = {});

// Writes the report as a PDF file. Throws AppError naming the file when it cannot be written.
void WriteSettlementReportPdf(const SettlementInput &input, const SettlementResult &result, const QString &pdfPath,
                              const QDate &printDate = QDate::currentDate(), const SettlementHeading &heading = {});
