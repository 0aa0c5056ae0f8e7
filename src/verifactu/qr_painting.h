#pragma once

#include <QImage>
#include <QString>

#include <vector>

class QFont;
class QPainter;

// A QR code (ISO/IEC 18004) of a text at error correction M, by libqrencode.
struct QrMatrix
{
    int size = 0; // modules per side
    std::vector<bool> dark;

    bool at(int x, int y) const { return dark[static_cast<std::size_t>(y * size + x)]; }
};
// Throws AppError when the text does not fit a QR code.
QrMatrix EncodeQr(const QString &text);

inline const QString kQrCaption = QStringLiteral("QR tributario:");
inline const QString kQrLegend = QStringLiteral("VERI*FACTU");

// Sizes of the printed code, in millimetres: the agency allows 30 to 40 with at least 2 of
// quiet zone on every side.
inline constexpr double kQrSideMm = 35.0;
inline constexpr double kQrQuietMm = 3.0;

// Draws, centred on centerX from `top` down: "QR tributario:", the code kQrSideMm wide on
// white with its quiet zone, and "VERI*FACTU", both texts in `font` (no smaller than the
// invoice's data). `unitsPerMm` converts millimetres to the painter's units. Returns the
// height used, in the painter's units.
double PaintTaxQr(QPainter &painter, double centerX, double top, double unitsPerMm, const QString &url,
                  const QFont &font);

// The code alone, `moduleSize` pixels a module, with a four-module quiet zone (for windows).
QImage TaxQrImage(const QString &url, int moduleSize);
