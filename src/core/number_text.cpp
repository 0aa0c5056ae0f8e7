#include "core/number_text.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <string>

namespace {

// value = 0.d1d2d3... x 10^exponent; no trailing zeros in digits; zero has no digits.
struct Decimal
{
    bool negative = false;
    std::string digits;
    int exponent = 0;

    bool isZero() const { return digits.empty(); }
};

void StripTrailingZeros(Decimal &d)
{
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.exponent = 0;
}

// Correctly rounded to `significant` digits.
Decimal ToDecimal(double value, int significant)
{
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0.0)
        return d;
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                      std::chars_format::scientific, significant - 1);
    const std::string text(buf, result.ptr);
    const auto e = text.find('e');
    for (std::size_t i = 0; i < e; ++i) {
        if (text[i] != '.')
            d.digits.push_back(text[i]);
    }
    d.exponent = std::stoi(text.substr(e + 1)) + 1;
    StripTrailingZeros(d);
    return d;
}

// Half away from zero at `decimals` digits after the point.
void RoundAtDecimals(Decimal &d, int decimals)
{
    const int keep = d.exponent + decimals;
    if (keep >= static_cast<int>(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        d.exponent = 0;
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[static_cast<std::size_t>(i)];
        }
    }
    StripTrailingZeros(d);
}

QString GroupThousands(const QString &integerPart)
{
    QString out;
    const qsizetype n = integerPart.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char('.');
        out += integerPart[i];
    }
    return out;
}

// Fixed notation; decimals < 0 writes exactly the digits there are.
QString WriteFixed(const Decimal &d, int decimals, bool thousands)
{
    if (d.isZero()) {
        return decimals > 0 ? QStringLiteral("0,") + QString(decimals, QLatin1Char('0'))
                            : QStringLiteral("0");
    }
    const auto digitAt = [&d](int i) {
        return (i >= 0 && i < static_cast<int>(d.digits.size()))
                   ? QLatin1Char(d.digits[static_cast<std::size_t>(i)])
                   : QLatin1Char('0');
    };
    QString integerPart;
    for (int i = 0; i < d.exponent; ++i)
        integerPart += digitAt(i);
    if (integerPart.isEmpty())
        integerPart = QStringLiteral("0");
    const int fractionDigits =
        decimals >= 0 ? decimals : std::max(0, static_cast<int>(d.digits.size()) - d.exponent);
    QString fraction;
    for (int i = 0; i < fractionDigits; ++i)
        fraction += digitAt(d.exponent + i);
    QString out = d.negative ? QStringLiteral("-") : QString();
    out += thousands ? GroupThousands(integerPart) : integerPart;
    if (!fraction.isEmpty())
        out += QLatin1Char(',') + fraction;
    return out;
}

QString WriteExponent(const Decimal &d)
{
    QString out = d.negative ? QStringLiteral("-") : QString();
    out += QLatin1Char(d.digits[0]);
    if (d.digits.size() > 1)
        out += QLatin1Char(',') + QString::fromLatin1(d.digits.substr(1));
    out += QLatin1Char('E') + QString::number(d.exponent - 1);
    return out;
}

QString NonFinite(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString GeneralForm(double value, int significant)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    const Decimal d = ToDecimal(value, significant);
    if (d.isZero())
        return QStringLiteral("0");
    if (d.exponent > significant || d.exponent < -4)
        return WriteExponent(d);
    return WriteFixed(d, -1, false);
}

} // namespace

QString FormatThousands2(double value)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    Decimal d = ToDecimal(value, 18);
    if (d.exponent > 18)
        return GeneralForm(value, 15);
    RoundAtDecimals(d, 2);
    return WriteFixed(d, 2, true);
}

QString FormatThousands2Digits(double value, int significant)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    Decimal d = ToDecimal(value, significant);
    if (d.exponent > significant)
        return GeneralForm(value, significant);
    RoundAtDecimals(d, 2);
    return WriteFixed(d, 2, true);
}

QString FormatGeneral(double value)
{
    return GeneralForm(value, 15);
}

QString FormatUpTo2Decimals(double value)
{
    if (!std::isfinite(value))
        return NonFinite(value);
    Decimal d = ToDecimal(value, 15);
    RoundAtDecimals(d, 2);
    if (d.isZero())
        return QStringLiteral("0");
    return WriteFixed(d, -1, false);
}

QString FormatRatePercent(double value)
{
    if (!std::isfinite(value))
        return NonFinite(value) + QStringLiteral(" %");
    Decimal d = ToDecimal(value, 15);
    RoundAtDecimals(d, 3);
    return WriteFixed(d, -1, false) + QStringLiteral(" %");
}

std::optional<double> ParseSpanishNumber(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[+-]?(\\d+(,\\d*)?|,\\d+)([eE][+-]?\\d+)?$"));
    const QString trimmed = text.trimmed();
    if (!pattern.match(trimmed).hasMatch())
        return std::nullopt;
    QString c = trimmed;
    c.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = c.toDouble(&ok); // QString::toDouble ignores the locale
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}
