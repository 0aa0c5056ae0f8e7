#pragma once

#include <QDate>
#include <QString>

// Dates as the user sees them, independent of the machine's locale.

// "dd/mm/yyyy"; an invalid date gives an empty text.
QString FormatDate(const QDate &date);

// Strict "d/m/yyyy" or "dd/mm/yyyy" (blanks around allowed): 31/02/2021 is not a date.
// Returns an invalid QDate when the text is not a date.
QDate ParseDate(const QString &text);

// dd "de" mmmm "de" yyyy with the lower-case Spanish month: "09 de diciembre de 2026".
QString FormatLongDate(const QDate &date);

// "Enero" ... "Diciembre" for 1..12, empty otherwise.
QString SpanishMonthName(int month);

// Storage form of a date, ISO "yyyy-MM-dd"; empty for an invalid date.
QString DateToIso(const QDate &date);
QDate DateFromIso(const QString &text);
