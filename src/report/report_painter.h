#pragma once

#include "report/report_layout.h"

class QPagedPaintDevice;
class QPainter;

// Draws one page's items into `paper`, the rectangle of the painter's device that stands for
// the whole sheet (millimetres are scaled to fit it). Works on any paint device: PDF, printer,
// image.
void PaintReportPage(QPainter &painter, const ReportPage &page, const PageGeometry &geometry, const QRectF &paper);

// Every page on a paged device (a printer set to full page, or a PDF writer without margins),
// sized to the report's paper.
void PaintReport(QPagedPaintDevice &device, const std::vector<ReportPage> &pages, const PageGeometry &geometry);

// Writes the pages as a PDF file. The file is replaced only when the whole document was
// written. Throws AppError naming the file when it cannot be written.
void WriteReportPdf(const std::vector<ReportPage> &pages, const PageGeometry &geometry, const QString &title,
                    const QString &path);
