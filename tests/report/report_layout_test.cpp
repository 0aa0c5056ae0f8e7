#include "core/errors.h"
#include "report/report_layout.h"
#include "report/report_painter.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Header 20 mm, footer 10 mm, rows 10 mm: 297 - 24 margins - 30 leaves 243 mm, 24 rows a page.
BandReport Sample(int rows, bool withSummary = true)
{
    BandReport report(QStringLiteral("Prueba"));
    report.setPageHeader([](const PageInfo &page) {
        ReportBand band(20.0);
        band.text(QRectF(0, 0, 100, 6), QStringLiteral("Cabecera %1").arg(page.number));
        return band;
    });
    report.setDetail(rows, [](int i) {
        ReportBand band(10.0);
        band.text(QRectF(0, 0, 50, 10), QStringLiteral("Fila %1").arg(i), TextStyle{}, Qt::AlignRight | Qt::AlignVCenter);
        return band;
    });
    if (withSummary) {
        ReportBand summary(30.0);
        summary.text(QRectF(0, 0, 50, 10), QStringLiteral("Resumen"));
        report.setSummary(summary);
    }
    report.setPageFooter([](const PageInfo &page) {
        ReportBand band(10.0);
        band.text(QRectF(0, 0, 50, 10), QStringLiteral("Página %1 de %2").arg(page.number).arg(page.count));
        return band;
    });
    return report;
}

int CountStarting(const ReportPage &page, const QString &prefix)
{
    int n = 0;
    for (const QString &t : page.texts())
        n += t.startsWith(prefix) ? 1 : 0;
    return n;
}

} // namespace

TEST(ReportLayout, WithoutRowsOnePageHoldsHeaderSummaryAndFooter)
{
    const std::vector<ReportPage> pages = Sample(0).build();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].texts(), (QStringList{QStringLiteral("Cabecera 1"), QStringLiteral("Resumen"),
                                             QStringLiteral("Página 1 de 1")}));
    // Header at the top margin, summary just under it, footer above the bottom margin.
    EXPECT_EQ(pages[0].find(QStringLiteral("Cabecera 1"))->rect, QRectF(15, 12, 100, 6));
    EXPECT_EQ(pages[0].find(QStringLiteral("Resumen"))->rect.top(), 32.0);
    EXPECT_EQ(pages[0].find(QStringLiteral("Página 1 de 1"))->rect.top(), 297.0 - 12.0 - 10.0);
}

TEST(ReportLayout, RowsFlowOverPagesWithHeaderAndFooterOnEach)
{
    const std::vector<ReportPage> pages = Sample(50).build();
    // 24 rows a page: 24 + 24 + 2, and the summary (30 mm) fits after the last two.
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(CountStarting(pages[0], QStringLiteral("Fila ")), 24);
    EXPECT_EQ(CountStarting(pages[1], QStringLiteral("Fila ")), 24);
    EXPECT_EQ(CountStarting(pages[2], QStringLiteral("Fila ")), 2);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        EXPECT_NE(pages[p].find(QStringLiteral("Cabecera %1").arg(p + 1)), nullptr);
        EXPECT_NE(pages[p].find(QStringLiteral("Página %1 de 3").arg(p + 1)), nullptr);
        EXPECT_EQ(CountStarting(pages[p], QStringLiteral("Resumen")), p == 2 ? 1 : 0);
    }
    const ReportItem *first = pages[1].find(QStringLiteral("Fila 24"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->rect, QRectF(15, 32, 50, 10));
    EXPECT_EQ(first->alignment, Qt::AlignRight | Qt::AlignVCenter);
    // Nothing runs into the footer.
    for (const ReportPage &page : pages) {
        for (const ReportItem &item : page.items) {
            if (!item.text.startsWith(QStringLiteral("Página"))) {
                EXPECT_LE(item.rect.bottom(), 297.0 - 12.0 - 10.0) << item.text.toStdString();
            }
        }
    }
}

TEST(ReportLayout, SummaryThatDoesNotFitGoesToANewPage)
{
    // 23 rows leave 13 mm on the first page: the 30 mm summary moves on.
    const std::vector<ReportPage> pages = Sample(23).build();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(CountStarting(pages[1], QStringLiteral("Fila ")), 0);
    EXPECT_NE(pages[1].find(QStringLiteral("Resumen")), nullptr);
    EXPECT_NE(pages[1].find(QStringLiteral("Cabecera 2")), nullptr);
}

TEST(ReportLayout, TitleOnceFooterSkippedOnLastPageAndOverlayOnEvery)
{
    BandReport report = Sample(30, false);
    ReportBand title(20.0);
    title.text(QRectF(0, 0, 80, 10), QStringLiteral("Título"), TextStyle{12.0, true, false, true});
    report.setTitleBand(title);
    report.setPageFooter([](const PageInfo &page) {
        ReportBand band(10.0);
        band.text(QRectF(0, 0, 50, 10), QStringLiteral("Pie %1").arg(page.number));
        return band;
    }, false);
    report.setPageOverlay([](const PageInfo &) {
        ReportBand margin;
        margin.turnedText(QRectF(5, 60, 6, 150), QStringLiteral(" Inscrito en el registro"));
        return margin.items();
    });
    const std::vector<ReportPage> pages = report.build();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NE(pages[0].find(QStringLiteral("Título")), nullptr);
    EXPECT_EQ(pages[1].find(QStringLiteral("Título")), nullptr);
    EXPECT_TRUE(pages[0].find(QStringLiteral("Título"))->style.underline);
    EXPECT_NE(pages[0].find(QStringLiteral("Pie 1")), nullptr);
    EXPECT_EQ(pages[1].find(QStringLiteral("Pie 2")), nullptr);
    for (const ReportPage &page : pages) {
        const ReportItem *turned = page.find(QStringLiteral(" Inscrito en el registro"));
        ASSERT_NE(turned, nullptr);
        EXPECT_EQ(turned->rotation, 90);
        EXPECT_EQ(turned->rect, QRectF(5, 60, 6, 150)); // paper coordinates, not moved by margins
    }
}

TEST(ReportPdf, WritesOnePdfPagePerPage)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/informe.pdf");
    const BandReport report = Sample(50);
    WriteReportPdf(report.build(), report.geometry(), report.title(), path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 3)
        << "page objects";
}

TEST(ReportPdf, UnwritablePathIsReportedAndLeavesNoFile)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/falta/informe.pdf");
    const BandReport report = Sample(1);
    try {
        WriteReportPdf(report.build(), report.geometry(), report.title(), path);
        FAIL() << "no error";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("No se ha podido escribir el archivo \"%1\".").arg(path));
    }
    EXPECT_FALSE(QFile::exists(path));
}

TEST(ReportPaint, TextLandsWhereTheItemSays)
{
    // A 210 x 297 px image: one pixel per millimetre.
    QImage image(210, 297, QImage::Format_RGB32);
    image.fill(Qt::white);
    ReportPage page;
    ReportBand band;
    band.rule(100, 20, 190, 1.0);
    page.items = band.items();
    QPainter painter(&image);
    PaintReportPage(painter, page, PageGeometry{}, QRectF(0, 0, 210, 297));
    painter.end();
    EXPECT_NE(image.pixel(100, 100), QColor(Qt::white).rgb());
    EXPECT_EQ(image.pixel(100, 150), QColor(Qt::white).rgb());
    EXPECT_EQ(image.pixel(10, 100), QColor(Qt::white).rgb());
}
