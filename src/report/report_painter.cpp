#include "report/report_painter.h"

#include "core/errors.h"
#include "verifactu/qr_painting.h"

#include <QFont>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

QFont FontFor(const TextStyle &style, QPaintDevice *device)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(style.pointSize);
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    return QFont(font, device);
}

void PaintQrModules(QPainter &painter, const QRectF &rect, const QrMatrix &matrix)
{
    painter.save();
    painter.fillRect(rect, Qt::white);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const double module = rect.width() / matrix.size;
    for (int y = 0; y < matrix.size; ++y) {
        for (int x = 0; x < matrix.size; ++x) {
            // Slightly overlapping squares: no hairline gaps between modules when scaled.
            if (matrix.at(x, y))
                painter.drawRect(QRectF(rect.left() + x * module, rect.top() + y * module, module * 1.02, module * 1.02));
        }
    }
    painter.restore();
}

} // namespace

void PaintReportPage(QPainter &painter, const ReportPage &page, const PageGeometry &geometry, const QRectF &paper)
{
    const double sx = paper.width() / geometry.paper.width();
    const double sy = paper.height() / geometry.paper.height();
    const auto toDevice = [&](const QRectF &mm) {
        return QRectF(paper.left() + mm.left() * sx, paper.top() + mm.top() * sy, mm.width() * sx,
                      mm.height() * sy);
    };
    painter.save();
    for (const ReportItem &item : page.items) {
        const QRectF rect = toDevice(item.rect);
        if (item.kind == ReportItem::Kind::Rule) {
            QPen pen(Qt::black);
            pen.setWidthF(item.lineWidth * sx);
            painter.setPen(pen);
            painter.drawLine(rect.topLeft(), rect.bottomRight());
            continue;
        }
        if (item.kind == ReportItem::Kind::QrCode) {
            PaintQrModules(painter, rect, EncodeQr(item.text));
            continue;
        }
        painter.setPen(Qt::black);
        painter.setFont(FontFor(item.style, painter.device()));
        if (item.rotation == 90) {
            painter.save();
            painter.translate(rect.bottomLeft());
            painter.rotate(-90.0);
            painter.drawText(QRectF(0.0, 0.0, rect.height(), rect.width()), int(item.alignment), item.text);
            painter.restore();
        } else {
            painter.drawText(rect, int(item.alignment), item.text);
        }
    }
    painter.restore();
}

void PaintReport(QPagedPaintDevice &device, const std::vector<ReportPage> &pages, const PageGeometry &geometry)
{
    QPainter painter(&device);
    const QRectF paper(0.0, 0.0, device.width(), device.height());
    bool first = true;
    for (const ReportPage &page : pages) {
        if (!first)
            device.newPage();
        first = false;
        PaintReportPage(painter, page, geometry, paper);
    }
}

void WriteReportPdf(const std::vector<ReportPage> &pages, const PageGeometry &geometry, const QString &title,
                    const QString &path)
{
    const QString failure = QStringLiteral("No se ha podido escribir el archivo \"%1\".").arg(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(failure, file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setResolution(600);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Cuantix"));
        writer.setPageLayout(QPageLayout(QPageSize(geometry.paper, QPageSize::Millimeter),
                                         QPageLayout::Portrait, QMarginsF()));
        PaintReport(writer, pages, geometry);
    }
    if (!file.commit())
        throw AppError(failure, file.errorString());
}
