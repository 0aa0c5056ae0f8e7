#include "report/report_preview.h"

#include "report/report_painter.h"

#include <QAction>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
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
    // A page is read across its width on any screen: maximised, zoomed to the page's width.
    dialog.setWindowState(Qt::WindowMaximized);
    if (auto *fitWidth = dialog.findChild<QAction *>(QStringLiteral("fitWidthAction")))
        fitWidth->trigger();
    else if (auto *view = dialog.findChild<QPrintPreviewWidget *>())
        view->fitToWidth();
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&pages, &geometry](QPrinter *target) { PaintReport(*target, pages, geometry); });
    dialog.exec();
}
