#include "report/report_layout.h"

#include <utility>

QStringList ReportPage::texts() const
{
    QStringList out;
    for (const ReportItem &item : items) {
        if (item.kind == ReportItem::Kind::Text)
            out.append(item.text);
    }
    return out;
}

const ReportItem *ReportPage::find(const QString &text) const
{
    for (const ReportItem &item : items) {
        if (item.kind == ReportItem::Kind::Text && item.text == text)
            return &item;
    }
    return nullptr;
}

ReportBand &ReportBand::text(const QRectF &rect, const QString &text, const TextStyle &style,
                             Qt::Alignment alignment)
{
    ReportItem item;
    item.rect = rect;
    item.text = text;
    item.style = style;
    item.alignment = alignment;
    m_items.push_back(std::move(item));
    return *this;
}

ReportBand &ReportBand::turnedText(const QRectF &rect, const QString &text, const TextStyle &style)
{
    ReportItem item;
    item.rect = rect;
    item.text = text;
    item.style = style;
    item.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    item.rotation = 90;
    m_items.push_back(std::move(item));
    return *this;
}

ReportBand &ReportBand::qrCode(const QRectF &rect, const QString &text)
{
    ReportItem item;
    item.kind = ReportItem::Kind::QrCode;
    item.rect = rect;
    item.text = text;
    m_items.push_back(std::move(item));
    return *this;
}

ReportBand &ReportBand::rule(double y, double x1, double x2, double lineWidth)
{
    return line(QPointF(x1, y), QPointF(x2, y), lineWidth);
}

ReportBand &ReportBand::verticalRule(double x, double y1, double y2, double lineWidth)
{
    return line(QPointF(x, y1), QPointF(x, y2), lineWidth);
}

ReportBand &ReportBand::line(QPointF from, QPointF to, double lineWidth)
{
    ReportItem item;
    item.kind = ReportItem::Kind::Rule;
    item.rect = QRectF(from, to);
    item.lineWidth = lineWidth;
    m_items.push_back(std::move(item));
    return *this;
}

BandReport::BandReport(QString title, PageGeometry geometry)
    : m_title(std::move(title))
    , m_geometry(geometry)
{
}

void BandReport::setPageHeader(std::function<ReportBand(const PageInfo &)> header)
{
    m_header = std::move(header);
}

void BandReport::setTitleBand(ReportBand title)
{
    m_titleBand = std::move(title);
}

void BandReport::setPageFooter(std::function<ReportBand(const PageInfo &)> footer, bool onLastPage)
{
    m_footer = std::move(footer);
    m_footerOnLastPage = onLastPage;
}

void BandReport::setPageOverlay(std::function<std::vector<ReportItem>(const PageInfo &)> overlay)
{
    m_overlay = std::move(overlay);
}

void BandReport::setDetail(int count, std::function<ReportBand(int row)> detail)
{
    m_detailCount = count;
    m_detail = std::move(detail);
}

void BandReport::setSummary(ReportBand summary)
{
    m_summary = std::move(summary);
}

namespace {

struct Placed
{
    ReportBand band;
    double y; // paper millimetres of the band's top
};

void PlaceBand(std::vector<ReportItem> &into, const ReportBand &band, double x, double y)
{
    for (ReportItem item : band.items()) {
        item.rect.translate(x, y);
        into.push_back(std::move(item));
    }
}

} // namespace

std::vector<ReportPage> BandReport::build() const
{
    const double top = m_geometry.margins.top();
    const double left = m_geometry.margins.left();
    const double bottom = m_geometry.paper.height() - m_geometry.margins.bottom();
    // Band heights do not depend on the page number; only their texts do.
    const double headerHeight = m_header ? m_header(PageInfo{1, 1}).height() : 0.0;
    const double footerHeight = m_footer ? m_footer(PageInfo{1, 1}).height() : 0.0;
    const double limit = bottom - footerHeight;

    std::vector<std::vector<Placed>> pages(1);
    double y = top + headerHeight;
    bool pageHasBands = false;
    const auto place = [&](ReportBand band) {
        // A band taller than a whole page still goes on a page of its own rather than looping.
        if (pageHasBands && y + band.height() > limit) {
            pages.emplace_back();
            y = top + headerHeight;
        }
        const double height = band.height();
        pages.back().push_back(Placed{std::move(band), y});
        y += height;
        pageHasBands = true;
    };
    if (m_titleBand)
        place(*m_titleBand);
    for (int row = 0; row < m_detailCount; ++row)
        place(m_detail(row));
    if (m_summary)
        place(*m_summary);

    const int count = static_cast<int>(pages.size());
    std::vector<ReportPage> out(pages.size());
    for (int n = 0; n < count; ++n) {
        const PageInfo info{n + 1, count};
        std::vector<ReportItem> &items = out[static_cast<std::size_t>(n)].items;
        if (m_overlay) {
            for (ReportItem &item : m_overlay(info))
                items.push_back(std::move(item));
        }
        if (m_header)
            PlaceBand(items, m_header(info), left, top);
        for (const Placed &placed : pages[static_cast<std::size_t>(n)])
            PlaceBand(items, placed.band, left, placed.y);
        if (m_footer && (m_footerOnLastPage || n + 1 < count))
            PlaceBand(items, m_footer(info), left, limit);
    }
    return out;
}
