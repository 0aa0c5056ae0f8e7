#include "verifactu/qr_painting.h"

#include "core/errors.h"

#include <QFontMetricsF>
#include <QPainter>

#include <qrencode.h>

QrMatrix EncodeQr(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    QRcode *code = QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M);
    if (!code)
        throw AppError(QStringLiteral("No se ha podido generar el código QR de la factura."), text);
    QrMatrix matrix;
    matrix.size = code->width;
    matrix.dark.resize(static_cast<std::size_t>(code->width) * static_cast<std::size_t>(code->width));
    for (std::size_t i = 0; i < matrix.dark.size(); ++i)
        matrix.dark[i] = (code->data[i] & 1) != 0;
    QRcode_free(code);
    return matrix;
}

double PaintTaxQr(QPainter &painter, double centerX, double top, double unitsPerMm, const QString &url,
                  const QFont &font)
{
    const QrMatrix matrix = EncodeQr(url);
    painter.save();
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const double lineHeight = metrics.height();
    const double side = kQrSideMm * unitsPerMm;
    const double quiet = kQrQuietMm * unitsPerMm;
    const double boxWidth = side + 2 * quiet;

    painter.setPen(Qt::black);
    painter.drawText(QRectF(centerX - boxWidth, top, 2 * boxWidth, lineHeight), Qt::AlignHCenter | Qt::AlignTop, kQrCaption);

    const QRectF box(centerX - boxWidth / 2, top + lineHeight, boxWidth, boxWidth);
    painter.fillRect(box, Qt::white);
    const double module = side / matrix.size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int y = 0; y < matrix.size; ++y) {
        for (int x = 0; x < matrix.size; ++x) {
            // Slightly overlapping squares: no hairline gaps between modules when scaled.
            if (matrix.at(x, y))
                painter.drawRect(QRectF(box.left() + quiet + x * module, box.top() + quiet + y * module,
                                        module * 1.02, module * 1.02));
        }
    }
    painter.setPen(Qt::black);
    painter.drawText(QRectF(centerX - boxWidth, box.bottom(), 2 * boxWidth, lineHeight), Qt::AlignHCenter | Qt::AlignTop,
                     kQrLegend);
    painter.restore();
    return 2 * lineHeight + boxWidth;
}

QImage TaxQrImage(const QString &url, int moduleSize)
{
    const QrMatrix matrix = EncodeQr(url);
    const int margin = 4;
    const int pixels = (matrix.size + 2 * margin) * moduleSize;
    QImage image(pixels, pixels, QImage::Format_Mono);
    image.fill(1);
    image.setColor(0, qRgb(0, 0, 0));
    image.setColor(1, qRgb(255, 255, 255));
    for (int y = 0; y < pixels; ++y) {
        for (int x = 0; x < pixels; ++x) {
            const int mx = x / moduleSize - margin;
            const int my = y / moduleSize - margin;
            if (mx >= 0 && my >= 0 && mx < matrix.size && my < matrix.size && matrix.at(mx, my))
                image.setPixel(x, y, 0);
        }
    }
    return image;
}
