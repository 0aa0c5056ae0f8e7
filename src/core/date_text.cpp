#include "core/date_text.h"

#include <QRegularExpression>

namespace {

const char *const kMonths[] = {"Enero", "Febrero", "Marzo",     "Abril",   "Mayo",      "Junio",
                               "Julio", "Agosto",  "Septiembre", "Octubre", "Noviembre", "Diciembre"};

QString TwoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QString FormatDate(const QDate &date)
{
    if (!date.isValid())
        return {};
    return TwoDigits(date.day()) + QLatin1Char('/') + TwoDigits(date.month()) + QLatin1Char('/')
           + QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

QDate ParseDate(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    const auto match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return {};
    const QDate date(match.captured(3).toInt(), match.captured(2).toInt(), match.captured(1).toInt());
    return date.isValid() ? date : QDate();
}

QString FormatLongDate(const QDate &date)
{
    if (!date.isValid())
        return {};
    return TwoDigits(date.day()) + QStringLiteral(" de ") + SpanishMonthName(date.month()).toLower()
           + QStringLiteral(" de ") + QString::number(date.year());
}

QString SpanishMonthName(int month)
{
    if (month < 1 || month > 12)
        return {};
    return QString::fromUtf8(kMonths[month - 1]);
}

QString DateToIso(const QDate &date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QDate DateFromIso(const QString &text)
{
    // Stored dates are all "yyyy-MM-dd": read without the general parser, since lists read a
    // hundred thousand of them at a time.
    if (text.size() != 10 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-'))
        return QDate::fromString(text, Qt::ISODate);
    const auto digits = [&text](int from, int count) {
        int n = 0;
        for (int i = from; i < from + count; ++i) {
            const int d = text.at(i).unicode() - '0';
            if (d < 0 || d > 9)
                return -1;
            n = n * 10 + d;
        }
        return n;
    };
    return QDate(digits(0, 4), digits(5, 2), digits(8, 2));
}
