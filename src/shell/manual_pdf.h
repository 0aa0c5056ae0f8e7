#pragma once

#include <QString>

// Lays the user manual, written in Markdown, out on A4 pages with page numbers and writes it
// as PDF. Needs a GUI application object (fonts). Throws AppError when the file cannot be
// read or written.
void WriteManualPdf(const QString &markdownPath, const QString &pdfPath);
