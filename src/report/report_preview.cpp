#include "report/report_preview.h"

#include "report/report_painter.h"

#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>

void PreviewReport(const std::vector<ReportPage> &pages, const PageGeometry &geometry, const QString &title,
                   QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    printer.setFullPage(true);
    printer.setPageLayout(
        QPageLayout(QPageSize(geometry.paper, QPageSize::Millimeter), QPageLayout::Portrait, QMarginsF()));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PreviewReport"));
    dialog.setWindowTitle(title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&pages, &geometry](QPrinter *target) { PaintReport(*target, pages, geometry); });
    dialog.exec();
}
