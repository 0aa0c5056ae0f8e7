#include "support/temp_installation.h"
#include "verifactu/qr_painting.h"
#include "verifactu/qr_url.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString Tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

} // namespace

TEST(TaxQr, PrintedCodeReadsBackAsItsAddress)
{
    if (Tool("pdftoppm").isEmpty() || Tool("pdftotext").isEmpty() || Tool("zbarimg").isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) or zbarimg (zbar-tools) missing";
    const QString url = QrValidationUrl(AgencyEnvironment::Pruebas, QStringLiteral("89890001K"),
                                        QStringLiteral("2027/000058"), QStringLiteral("15-07-2027"),
                                        QStringLiteral("1089.00"));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("factura.pdf"));
    double drawnHeight = 0;
    double unitsPerMm = 0;
    {
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(600);
        unitsPerMm = writer.resolution() / 25.4;
        QPainter painter(&writer);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSizeF(10);
        drawnHeight = PaintTaxQr(painter, writer.width() / 2.0, 10 * unitsPerMm, unitsPerMm, url, font);
    }
    // The code and its quiet zone, with a line of text above and below.
    EXPECT_GT(drawnHeight, (kQrSideMm + 2 * kQrQuietMm) * unitsPerMm);
    EXPECT_LT(drawnHeight, (kQrSideMm + 2 * kQrQuietMm + 20) * unitsPerMm);

    QProcess render;
    render.start(Tool("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-png"),
                                    QStringLiteral("-singlefile"), pdf, dir.filePath(QStringLiteral("pagina"))});
    ASSERT_TRUE(render.waitForFinished(60000));
    ASSERT_EQ(render.exitCode(), 0) << render.readAllStandardError().toStdString();
    const QString png = dir.filePath(QStringLiteral("pagina.png"));

    // The code's dark modules span 35 mm (200 dpi: 276 pixels).
    const QImage page(png);
    ASSERT_FALSE(page.isNull());
    const int middle = static_cast<int>((10 + 8 + kQrQuietMm + kQrSideMm / 2) / 25.4 * 200);
    int left = page.width();
    int right = -1;
    for (int y = middle - 100; y < middle + 100; ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (qGray(page.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    EXPECT_NEAR((right - left + 1) / 200.0 * 25.4, kQrSideMm, 0.5);

    QProcess text;
    text.start(Tool("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_LT(words.indexOf(kQrCaption), words.indexOf(kQrLegend)) << words.toStdString();
    EXPECT_GE(words.indexOf(kQrCaption), 0);

    QProcess decode;
    decode.start(Tool("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), png});
    ASSERT_TRUE(decode.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(decode.readAllStandardOutput()).trimmed(), url);
}

TEST(TaxQr, EncodesAtLevelMInTheSizeTheAgencyFound)
{
    // The agency's sample address fits version 7 (45 modules) at level M.
    const QrMatrix m = EncodeQr(QStringLiteral("https://prewww2.aeat.es/wlpl/TIKE-CONT/ValidarQR?nif=89890001K"
                                               "&numserie=12345678%26G33&fecha=01-01-2024&importe=241.4"));
    EXPECT_EQ(m.size, 45);
    const QImage image = TaxQrImage(QStringLiteral("x"), 3);
    EXPECT_EQ(image.width(), (21 + 8) * 3);
}
