#include "shell/nav_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

struct Look
{
    QString symbol;
    QColor colour;
};

Look LookOf(NavGlyph glyph)
{
    switch (glyph) {
    case NavGlyph::Rates:
        return {QStringLiteral("%"), QColor(0x2e, 0x7d, 0x5b)};
    case NavGlyph::Settlement:
        return {QStringLiteral("€"), QColor(0xc0, 0x8a, 0x1e)};
    case NavGlyph::Region:
        return {QStringLiteral("R"), QColor(0x5b, 0x6f, 0xa8)};
    case NavGlyph::Concepts:
        return {QStringLiteral("C"), QColor(0x5b, 0x6f, 0xa8)};
    case NavGlyph::Tables:
        return {QStringLiteral("T"), QColor(0x5b, 0x6f, 0xa8)};
    case NavGlyph::Invoice:
        return {QStringLiteral("F"), QColor(0x8e, 0x44, 0x6b)};
    case NavGlyph::InvoiceList:
        return {QStringLiteral("L"), QColor(0x8e, 0x44, 0x6b)};
    case NavGlyph::Fees:
        return {QStringLiteral("H"), QColor(0x8e, 0x44, 0x6b)};
    case NavGlyph::Clients:
        return {QStringLiteral("Cl"), QColor(0x1e, 0x7f, 0x8c)};
    case NavGlyph::Contacts:
        return {QStringLiteral("@"), QColor(0x1e, 0x7f, 0x8c)};
    }
    return {};
}

} // namespace

QIcon NavIcon(NavGlyph glyph)
{
    const Look look = LookOf(glyph);
    QPixmap picture(96, 96);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(6, 6, 84, 84), 18, 18);
    painter.fillPath(tile, look.colour);
    painter.setPen(QPen(look.colour.lighter(150), 3));
    painter.drawPath(tile);
    QFont font = painter.font();
    font.setPixelSize(54);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(6, 6, 84, 84), Qt::AlignCenter, look.symbol);
    return QIcon(picture);
}
