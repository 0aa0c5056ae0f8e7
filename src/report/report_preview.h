#pragma once

#include "report/report_layout.h"

class QWidget;

// The print preview of a report, modal; the user prints from it. Returns when it closes.
void PreviewReport(const std::vector<ReportPage> &pages, const PageGeometry &geometry, const QString &title,
                   QWidget *parent);
