#pragma once

class QString;

// No real amount of a law office reaches a trillion euros; anything beyond is a slip
// (an exponent typed, a pasted number) and would print in exponent form.
inline constexpr double kMaxAmount = 999999999999.99;

// True when |amount| does not exceed kMaxAmount (and is a finite number).
bool AmountInRange(double amount);

// Throws AppError("El importe es demasiado grande.") when AmountInRange is false.
void CheckAmountInRange(double amount);

// The Spanish message of the refusal, for windows that show it beside a field.
QString AmountTooLargeMessage();
