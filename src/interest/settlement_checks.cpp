#include "interest/settlement_checks.h"

#include "core/amount_limit.h"

#include <algorithm>

std::optional<QString> PrincipalRefusal(double principal)
{
    if (!AmountInRange(principal))
        return AmountTooLargeMessage();
    if (principal < 0.0)
        return NegativePrincipalMessage;
    return std::nullopt;
}

std::optional<QString> MovementAmountRefusal(double amount)
{
    if (!AmountInRange(amount) && amount > 0.0)
        return AmountTooLargeMessage();
    if (!(amount > 0.0))
        return NotPositiveAmountMessage;
    return std::nullopt;
}

std::optional<QString> MovementDateRefusal(const QDate &date)
{
    if (date.isValid() && date >= kFirstRefusedMovementDay)
        return DateTooLateMessage;
    return std::nullopt;
}

std::optional<QString> MovementRefusal(const Movement &movement)
{
    if (auto refusal = MovementDateRefusal(movement.date))
        return refusal;
    return MovementAmountRefusal(movement.amount);
}

std::optional<QString> SettlementInputRefusal(const SettlementInput &input)
{
    if (auto refusal = PrincipalRefusal(input.principal))
        return refusal;
    std::vector<const Movement *> byDate;
    byDate.reserve(input.movements.size());
    for (const Movement &m : input.movements)
        byDate.push_back(&m);
    std::stable_sort(byDate.begin(), byDate.end(), [](const Movement *a, const Movement *b) { return a->date < b->date; });
    for (const Movement *m : byDate) {
        if (auto refusal = MovementRefusal(*m))
            return refusal;
    }
    return std::nullopt;
}
