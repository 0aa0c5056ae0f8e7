#include "interest/settlement_report.h"

#include "core/date_text.h"
#include "core/errors.h"
#include "core/ini_file.h"
#include "core/number_text.h"
#include "interest/settlement_engine.h"
#include "report/report_painter.h"

namespace {

const QString kTitle = QStringLiteral("Cuantix");
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// Right edges of the six columns, in millimetres from the left margin.
struct Column
{
    double left;
    double right;
};
constexpr Column kColumns[] = {{0, 24}, {26, 50}, {52, 66}, {68, 110}, {112, 134}, {136, 180}};

QRectF Cell(int column, double top, double height)
{
    const Column c = kColumns[column];
    return QRectF(c.left, top, c.right - c.left, height);
}

// As the view window's totals strip shows it.
QString SummaryAmount(double value)
{
    return FormatThousands2Digits(value, 15);
}

QString PeriodLine(const QString &name, const QDate &first, const QDate &last, int type, const QString &agreedRate)
{
    QString typeText = InterestTypeTexts().value(type);
    if (type == static_cast<int>(InterestType::Agreed))
        typeText += QStringLiteral(" (") + agreedRate.trimmed() + QStringLiteral(" %)");
    return name + QStringLiteral(": del ") + FormatDate(first) + QStringLiteral(" al ") + FormatDate(last)
        + QStringLiteral(", ") + typeText;
}

constexpr double kHeadingLine = 5.0;

} // namespace

QString OfficeNameFromSettings(const QString &settingsPath)
{
    try {
        return IniFile(settingsPath).readString(QStringLiteral("FACTURACION"), QStringLiteral("EMPRESA")).trimmed();
    } catch (const AppError &) {
        return {};
    }
}

QStringList SettlementHeadingLines(const SettlementInput &input, const SettlementHeading &heading)
{
    QStringList lines;
    if (!heading.office.trimmed().isEmpty())
        lines << heading.office.trimmed();
    if (!heading.caseNumber.trimmed().isEmpty()) {
        QString line = QStringLiteral("Asunto: ") + heading.caseNumber.trimmed();
        if (!heading.description.trimmed().isEmpty())
            line += QStringLiteral(" - ") + heading.description.trimmed();
        lines << line;
    }
    lines << PeriodLine(QStringLiteral("Primer período"), input.start, input.end, input.type1, input.agreedRate1);
    if (input.secondPeriod)
        lines << PeriodLine(QStringLiteral("Segundo período"), input.end.addDays(1), input.secondEnd, input.type2,
                            input.agreedRate2);
    return lines;
}

BandReport SettlementReport(const SettlementInput &input, const SettlementResult &result, const QDate &printDate,
                            const SettlementHeading &heading)
{
    BandReport report(kTitle);
    const double width = report.geometry().contentWidth();
    const TextStyle normal;
    TextStyle bold;
    bold.bold = true;

    const QString date = FormatLongDate(printDate);
    const QStringList headingLines = SettlementHeadingLines(input, heading);
    const double captionsTop = 12.0 + kHeadingLine * static_cast<double>(headingLines.size()) + 3.0;
    report.setPageHeader([=](const PageInfo &) {
        ReportBand band(captionsTop + 9.0);
        TextStyle title;
        title.pointSize = 16.0;
        title.bold = true;
        band.text(QRectF(0, 0, 60, 8), date, normal);
        band.text(QRectF(0, 0, width, 10), kTitle, title, Qt::AlignCenter);
        for (qsizetype i = 0; i < headingLines.size(); ++i) {
            TextStyle style;
            style.bold = i == 0 && !heading.office.trimmed().isEmpty();
            band.text(QRectF(0, 12.0 + kHeadingLine * static_cast<double>(i), width, kHeadingLine), headingLines.at(i),
                      style, Qt::AlignCenter);
        }
        const QStringList captions = {QStringLiteral("Desde:"),          QStringLiteral("Hasta:"),
                                      QStringLiteral("Días:"),           QStringLiteral("Capital Acumu.:"),
                                      QStringLiteral("Interés"),         QStringLiteral("Total:")};
        for (int c = 0; c < 6; ++c)
            band.text(Cell(c, captionsTop, 6), captions[c], bold, kRight);
        band.rule(captionsTop + 7.0, 0, width, 0.3);
        return band;
    });

    const std::vector<SettlementRow> rows = result.rows;
    report.setDetail(static_cast<int>(rows.size()), [rows](int i) {
        const SettlementRow &r = rows[static_cast<std::size_t>(i)];
        ReportBand band(5.0);
        const QString texts[] = {FormatDate(r.desde),        FormatDate(r.hasta),     QString::number(r.days()),
                                 FormatThousands2(r.capital), FormatThousands2(r.rate), FormatThousands2(r.total)};
        for (int c = 0; c < 6; ++c)
            band.text(Cell(c, 0, 5), texts[c], TextStyle{}, kRight);
        return band;
    });

    // Capital Inicial: + Intereses: + Entradas: - Pagos: = Total:, labels over their amounts.
    const double principal = input.principal;
    const double total = principal + result.totalInterest + result.totalEntries - result.totalPayments;
    const QString labels[] = {QStringLiteral("Capital Inicial:"), QStringLiteral("Intereses:"),
                              QStringLiteral("Entradas:"), QStringLiteral("Pagos:"), QStringLiteral("Total:")};
    const double amounts[] = {principal, result.totalInterest, result.totalEntries, result.totalPayments, total};
    const QString signs[] = {QStringLiteral("+"), QStringLiteral("+"), QStringLiteral("-"), QStringLiteral("=")};
    ReportBand summary(20.0);
    summary.rule(3.0, 0, width, 0.3);
    // Room for the largest amount a user may type, with its cents; the total, in bold, wider.
    const double columns[] = {31.0, 31.0, 31.0, 31.0, 40.0};
    const double gap = (width - 164.0) / 4;
    double x = 0.0;
    for (int k = 0; k < 5; ++k) {
        const double column = columns[k];
        summary.text(QRectF(x, 5, column, 6), labels[k], bold, kRight);
        const QString amount = k == 0 ? PrincipalText(input) : SummaryAmount(amounts[k]);
        summary.text(QRectF(x, 11, column, 6), amount, k == 4 ? bold : normal, kRight);
        if (k < 4)
            summary.text(QRectF(x + column, 11, gap, 6), signs[k], bold, Qt::AlignCenter);
        x += column + gap;
    }
    report.setSummary(summary);

    report.setPageFooter([width](const PageInfo &page) {
        ReportBand band(8.0);
        band.rule(1.0, 0, width, 0.2);
        band.text(QRectF(0, 2, width, 6), QStringLiteral("Página %1 de %2").arg(page.number).arg(page.count),
                  TextStyle{8.0}, kRight);
        return band;
    });
    return report;
}

std::vector<ReportPage> SettlementReportPages(const SettlementInput &input, const SettlementResult &result,
                                              const QDate &printDate, const SettlementHeading &heading)
{
    return SettlementReport(input, result, printDate, heading).build();
}

void WriteSettlementReportPdf(const SettlementInput &input, const SettlementResult &result, const QString &pdfPath,
                              const QDate &printDate, const SettlementHeading &heading)
{
    const BandReport report = SettlementReport(input, result, printDate, heading);
    WriteReportPdf(report.build(), report.geometry(), report.title(), pdfPath);
}
