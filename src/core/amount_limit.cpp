#include "core/amount_limit.h"

#include "core/errors.h"

#include <QString>

#include <cmath>

bool AmountInRange(double amount)
{
    return std::isfinite(amount) && std::fabs(amount) <= kMaxAmount;
}

QString AmountTooLargeMessage()
{
    return QStringLiteral("El importe es demasiado grande.");
}

void CheckAmountInRange(double amount)
{
    if (!AmountInRange(amount))
        throw AppError(AmountTooLargeMessage(), QString::number(amount, 'g', 17));
}
