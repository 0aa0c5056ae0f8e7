#include "fees/fee_calculation.h"

#include "core/amount_limit.h"
#include "core/errors.h"
#include "core/number_text.h"

namespace {

int Digit(bool set)
{
    return set ? 2 : 1;
}

} // namespace

qint32 BuildCalcMode(const FeeCalculation &calc)
{
    const int digits = Digit(calc.fijo != 0.0) * 1000 + Digit(calc.incremento != 0.0f) * 100
                       + Digit(calc.reduccion != 0.0f) * 10 + Digit(calc.porcentaje != 0.0f);
    // "1111" followed by the kind in decimal: a kind of two digits makes the code longer.
    return QString::number(digits).append(QString::number(calc.tableKind)).toInt();
}

bool CalcModeDigitSet(qint32 calcMode, int digit)
{
    const QString text = QString::number(calcMode);
    return digit >= 1 && digit <= text.size() && text.at(digit - 1) == QLatin1Char('2');
}

double ParseAmount(const QString &text)
{
    if (text.isEmpty() || text == QLatin1String("-"))
        return 0.0;
    QString typed = text;
    const auto point = typed.indexOf(QLatin1Char('.'));
    if (point >= 0)
        typed[point] = QLatin1Char(',');
    const auto value = ParseSpanishNumber(typed);
    if (!value)
        throw AppError(QStringLiteral("La cuantía «%1» no es un número válido.").arg(text));
    CheckAmountInRange(*value);
    return *value;
}

double ParseReference(const QString &text)
{
    QString typed = text.trimmed();
    const auto point = typed.indexOf(QLatin1Char('.'));
    if (point >= 0 && !typed.contains(QLatin1Char(',')))
        typed[point] = QLatin1Char(',');
    const auto value = ParseSpanishNumber(typed);
    if (!value)
        throw AppError(QStringLiteral("«%1» no es un número válido.").arg(text));
    return *value;
}

QString SpinReference(const QString &text, bool up, bool percent)
{
    const QString one = up ? QStringLiteral("1") : QStringLiteral("-1");
    if (text.trimmed().isEmpty())
        return one;
    const double value = ParseReference(text);
    if (percent && (up ? value >= 100 : value <= -100))
        return one;
    return FormatGeneral(up ? value + 1 : value - 1);
}
