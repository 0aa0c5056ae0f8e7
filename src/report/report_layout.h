#pragma once

#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// Printed reports as pages of positioned items. A report is laid out in bands (page header on
// every page, a title once at the top of the first page, detail bands one per row, a summary
// once at the end, a page foot) and turned into pages whose items carry their place in
// millimetres from the paper's top-left corner. Painting (report_painter.h) and preview only
// draw these items, so tests check what a page holds without looking at pixels.

struct TextStyle
{
    double pointSize = 9.0;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const TextStyle &) const = default;
};

struct ReportItem
{
    enum class Kind { Text, Rule, QrCode };

    Kind kind = Kind::Text;
    QRectF rect;              // millimetres; a rule runs along its rect's top edge (or left edge when vertical)
    QString text;             // for a QR code, what it encodes
    TextStyle style;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    int rotation = 0;         // 0, or 90: the text reads upwards, laid in rect
    double lineWidth = 0.25;  // millimetres, for rules

    bool operator==(const ReportItem &) const = default;
};

struct ReportPage
{
    std::vector<ReportItem> items;

    // The texts of the page in the order they were laid out (tests read pages through this).
    QStringList texts() const;
    // The first text item whose text is `text`, or nullptr.
    const ReportItem *find(const QString &text) const;
};

// A strip of the page: items placed relative to the band's top-left corner (x from the left
// margin, y from the band's top).
class ReportBand
{
public:
    explicit ReportBand(double height = 0.0)
        : m_height(height)
    {
    }

    double height() const { return m_height; }
    const std::vector<ReportItem> &items() const { return m_items; }

    ReportBand &text(const QRectF &rect, const QString &text, const TextStyle &style = {},
                     Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    // Text turned 90 degrees, reading upwards inside rect.
    ReportBand &turnedText(const QRectF &rect, const QString &text, const TextStyle &style = {});
    // A QR code of `text` (error correction M) filling the square rect, its modules only: the
    // quiet zone is the free space the caller leaves around it.
    ReportBand &qrCode(const QRectF &rect, const QString &text);
    // A horizontal rule at height y across [x1, x2].
    ReportBand &rule(double y, double x1, double x2, double lineWidth = 0.25);
    // A vertical rule at x across [y1, y2].
    ReportBand &verticalRule(double x, double y1, double y2, double lineWidth = 0.25);

private:
    ReportBand &line(QPointF from, QPointF to, double lineWidth);

    double m_height;
    std::vector<ReportItem> m_items;
};

// Paper and margins in millimetres; A4 portrait by default.
struct PageGeometry
{
    QSizeF paper{210.0, 297.0};
    QMarginsF margins{15.0, 12.0, 15.0, 12.0};

    double contentWidth() const { return paper.width() - margins.left() - margins.right(); }
    double contentHeight() const { return paper.height() - margins.top() - margins.bottom(); }
};

// Page number (1-based) and page count, for bands that print them.
struct PageInfo
{
    int number = 1;
    int count = 1;
};

class BandReport
{
public:
    explicit BandReport(QString title, PageGeometry geometry = {});

    const QString &title() const { return m_title; }
    const PageGeometry &geometry() const { return m_geometry; }

    // Printed at the top of every page, the first included.
    void setPageHeader(std::function<ReportBand(const PageInfo &)> header);
    // Printed once, below the page header of the first page.
    void setTitleBand(ReportBand title);
    // Printed at the foot of every page; onLastPage false leaves the last page without it.
    void setPageFooter(std::function<ReportBand(const PageInfo &)> footer, bool onLastPage = true);
    // Items placed on every page in paper coordinates (text along the margin, frames).
    void setPageOverlay(std::function<std::vector<ReportItem>(const PageInfo &)> overlay);
    // `count` detail bands, the band of row i built when it is laid out.
    void setDetail(int count, std::function<ReportBand(int row)> detail);
    // Printed once after the last detail band (on a new page when it does not fit).
    void setSummary(ReportBand summary);

    // Lays the bands out into pages. There is always at least one page, also with no rows.
    std::vector<ReportPage> build() const;

private:
    QString m_title;
    PageGeometry m_geometry;
    std::function<ReportBand(const PageInfo &)> m_header;
    std::function<ReportBand(const PageInfo &)> m_footer;
    bool m_footerOnLastPage = true;
    std::function<std::vector<ReportItem>(const PageInfo &)> m_overlay;
    std::optional<ReportBand> m_titleBand;
    int m_detailCount = 0;
    std::function<ReportBand(int)> m_detail;
    std::optional<ReportBand> m_summary;
};
