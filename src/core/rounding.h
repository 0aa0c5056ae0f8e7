#pragma once

#include <QtGlobal>

// Rounding policy of the whole program. Amounts are doubles; nothing is rounded except where
// a rule calls one of these functions.

// Money to cents, deciding on the exact binary value of x: t = trunc(|x| * 1000) formed
// exactly (as an 80-bit extended product would be), d = t mod 10, h = t div 10; the magnitude
// is (h + 1) / 100 when d >= 5, otherwise h / 100; the result has the sign of x. Only the
// third decimal decides: 2.675 (stored just below) gives 2.67, 2.345 (stored just above)
// gives 2.35, -0.005 gives -0.01. Magnitudes too large to hold tenths of a cent in 64 bits
// are returned unchanged.
double RoundTo2(double x);

// Half away from zero: 2.5 gives 3, -2.5 gives -3. Decided on the exact value of x.
qint64 RoundToInt(double x);
