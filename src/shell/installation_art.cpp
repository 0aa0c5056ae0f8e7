#include "shell/installation_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// A pair of scales centred at `centre`, `h` high.
void DrawScales(QPainter &painter, QPointF centre, double h)
{
    const double w = h * 0.8;
    const QPointF top(centre.x(), centre.y() - h / 2);
    const QPointF base(centre.x(), centre.y() + h / 2);
    painter.drawLine(top, base);
    painter.drawLine(QPointF(base.x() - w * 0.22, base.y()), QPointF(base.x() + w * 0.22, base.y()));
    const double beamY = top.y() + h * 0.12;
    painter.drawLine(QPointF(centre.x() - w / 2, beamY), QPointF(centre.x() + w / 2, beamY));
    painter.drawEllipse(QPointF(top.x(), top.y()), h * 0.025, h * 0.025);
    for (const double side : {-1.0, 1.0}) {
        const QPointF hook(centre.x() + side * w / 2, beamY);
        const double panY = beamY + h * 0.38;
        const double panW = w * 0.32;
        painter.drawLine(hook, QPointF(hook.x() - panW / 2, panY));
        painter.drawLine(hook, QPointF(hook.x() + panW / 2, panY));
        QPainterPath pan;
        pan.moveTo(hook.x() - panW / 2, panY);
        pan.quadTo(hook.x(), panY + h * 0.14, hook.x() + panW / 2, panY);
        pan.closeSubpath();
        painter.drawPath(pan);
    }
}

} // namespace

const std::vector<BackgroundPicture> &BackgroundPictures()
{
    static const std::vector<BackgroundPicture> pictures = {
        {QStringLiteral("532.jpg"), QSize(532, 410)},
        {QStringLiteral("679.jpg"), QSize(679, 530)},
        {QStringLiteral("977.jpg"), QSize(977, 698)},
        {QStringLiteral("1169.jpg"), QSize(1169, 954)},
    };
    return pictures;
}

QImage DrawBackground(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = size.width();
    const double h = size.height();

    QLinearGradient paper(0, 0, w, h);
    paper.setColorAt(0, QColor(0xf7, 0xf3, 0xea));
    paper.setColorAt(1, QColor(0xe4, 0xdc, 0xcb));
    painter.fillRect(image.rect(), paper);
    QRadialGradient glow(QPointF(w * 0.70, h * 0.5), w * 0.5);
    glow.setColorAt(0, QColor(255, 255, 255, 150));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(image.rect(), glow);

    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x5f, 28), 1));
    for (double y = h * 0.08; y < h; y += h / 24)
        painter.drawLine(QPointF(0, y), QPointF(w, y));

    painter.setPen(QPen(QColor(0x1f, 0x3a, 0x5f, 60), std::max(2.0, h / 180), Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(QColor(0x1f, 0x3a, 0x5f, 18));
    DrawScales(painter, QPointF(w * 0.70, h * 0.55), h * 0.5);

    QFont title(QStringLiteral("DejaVu Serif"));
    title.setPixelSize(static_cast<int>(h * 0.11));
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(0x1f, 0x3a, 0x5f));
    painter.drawText(QRectF(w * 0.06, h * 0.12, w * 0.6, h * 0.16), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Cuantix"));
    QFont subtitle(QStringLiteral("DejaVu Sans"));
    subtitle.setPixelSize(std::max(10, static_cast<int>(h * 0.028)));
    painter.setFont(subtitle);
    painter.setPen(QColor(0x4a, 0x55, 0x63));
    painter.drawText(QRectF(w * 0.06, h * 0.28, w * 0.6, h * 0.2), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     QStringLiteral("Liquidación de intereses legales y judiciales\nHistórico de liquidaciones\n"
                                    "Documentos y copias de seguridad"));
    painter.setPen(QPen(QColor(0xc0, 0x8a, 0x1e), std::max(2.0, h / 200)));
    painter.drawLine(QPointF(w * 0.06, h * 0.275), QPointF(w * 0.36, h * 0.275));
    painter.end();
    return image;
}
