#include "shell/manual_pdf.h"

#include "core/errors.h"

#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>

void WriteManualPdf(const QString &markdownPath, const QString &pdfPath)
{
    QFile source(markdownPath);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text))
        throw AppError(QStringLiteral("No se ha podido leer el manual \"%1\".").arg(markdownPath),
                       source.errorString());
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    document.setMarkdown(QString::fromUtf8(source.readAll()));

    QPdfWriter writer(pdfPath);
    writer.setTitle(QStringLiteral("Manual de Cuantix"));
    writer.setCreator(QStringLiteral("Cuantix"));
    // Without a page size of its own the document is laid out on the writer's whole page with
    // margins of 2 cm and the page numbers at the foot.
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    document.print(&writer);
    if (!QFile::exists(pdfPath))
        throw AppError(QStringLiteral("No se ha podido escribir el manual \"%1\".").arg(pdfPath));
}
