#pragma once

#include <QString>

#include <optional>

// Spanish number texts, independent of the machine's locale: decimal comma, thousands point.
// Every text the user sees comes from one of these functions.

// "###,###,##0.00" (and ",0.00"): thousands points, two decimals. The value is taken to 18
// significant digits (as an extended value is) and rounded half away from zero at the second
// decimal: 1234.5 gives "1.234,50", -0.004 gives "0,00".
QString FormatThousands2(double value);

// The same after rounding the value to `significant` significant digits first (15 for the
// settlement view, 9 for printouts): 12345678.91 with 9 gives "12.345.678,90". A value whose
// integer part has more digits than that is written in exponent form, as FormatGeneral does
// with that many digits ("1,23456789E10").
QString FormatThousands2Digits(double value, int significant);

// General form: up to 15 significant digits, decimal comma, no thousands, trailing zeros
// dropped; exponent form ("1E20", "1,5E-7") past 15 integer digits or below 0,00001.
// The single-precision 2.3 widened to double gives "2,29999995231628".
QString FormatGeneral(double value);

// "0.##": the value taken to 15 significant digits, then rounded half away from zero at the
// second decimal; no thousands, trailing zeros dropped (1234.565 gives "1234,57", 1500.25
// "1500,25", 300 "300", -0.004 "0"). The text a numeric edit keeps for its value.
QString FormatUpTo2Decimals(double value);

// A rate for display: up to three decimals, trailing zeros dropped, then " %" ("3,75 %").
QString FormatRatePercent(double value);

// Reads a number typed with the decimal comma ("16,00", "-3", "1,5E3"); surrounding blanks
// are ignored; no thousands points. Anything else gives nullopt.
std::optional<double> ParseSpanishNumber(const QString &text);
