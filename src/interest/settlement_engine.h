#pragma once

#include "interest/settlement_types.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

// The settlement engine: cuts one or two periods into segments at the rate periods and at the
// movement dates, computes the interest of every segment and applies the movements to the
// running principal.
//
// Rounding: every interest amount is formed in long double and handed to RoundTo2 as a
// double; principals and totals are never rounded.

inline const QString NoRatesMessage =
    QStringLiteral("No existen tipos de intereses dentro de las fechas especificadas.");

// Shown after a period some of whose days lie in no rate period (dates dd/mm/yyyy), unless
// NoRatesMessage was shown for it.
QString PartialRatesMessage(const QDate &first, const QDate &last);

// How interest accrues: simple, or compounded day by day with one row per segment or one
// row per day.
enum class SettlementMode { Simple, CompoundPerPeriod, CompoundDaily };
SettlementMode ModeOf(const SettlementInput &input);

// Divisor of a row whose first day is `firstDay`: 36600 in a leap year, otherwise 36500
// (days of the year times 100, since rates are percentages).
int YearDivisor(const QDate &firstDay);

// Annual rate in percent that an interest type (0..5) gives for a rate period: InteLega,
// InteJudi, 20, InteLega x 1.5, the agreed rate, InteAdmi. Throws AppError when the type is
// out of range or, for "Interés Pactado", when the agreed-rate text is not a number.
double RateFor(int type, const RatePeriod &period, const QString &agreedRate);

// The running state of one settlement and the rows it has produced.
class SettlementCalculator
{
public:
    SettlementCalculator(double principal, SettlementMode mode, bool imputePayments);

    // Interest of the days firstDay..lastDay (both included) at `rate` percent a year:
    //  Simple:            one row, Total = RoundTo2(DIAS x Capital x rate / divisor);
    //  CompoundPerPeriod: one row whose Total sums, day by day, RoundTo2(rate x Capital / divisor),
    //                     each added to the principal; Capital shows the last day's principal;
    //  CompoundDaily:     one row per day, Total = RoundTo2(Capital x rate / divisor), added to
    //                     the principal.
    // Nothing happens when firstDay > lastDay.
    void AddSegment(double rate, const QDate &lastDay, const QDate &firstDay);

    // An entry adds to the principal. A payment takes from it; with imputation in simple mode it
    // first pays off the pending interest and only the excess reduces the principal (compound
    // modes hold the interest inside the principal, so the whole payment reduces it). Counted
    // in its total.
    void applyMovement(const Movement &movement);
    // Counted in its total only: the principal does not change.
    void countMovement(const Movement &movement);
    // Movements dated up to the start: counted, and the principal becomes
    // principal + entries - payments (no imputation).
    void applyOpening(const std::vector<Movement> &movements);

    // Room for this many rows: daily rows of decades would otherwise be copied many times.
    void reserveRows(std::size_t count) { m_result.rows.reserve(count); }

    double runningCapital() const { return m_runningCapital; }
    double pendingInterest() const { return m_pendingInterest; }
    const std::vector<SettlementRow> &rows() const { return m_result.rows; }

    // Rows and totals; GrandTotal = principal + interest - payments + entries.
    SettlementResult finish(double principal);

private:
    SettlementMode m_mode;
    bool m_impute;
    double m_runningCapital;
    double m_pendingInterest = 0.0;
    SettlementResult m_result;
};

// Computes a settlement from its parameters and the rate table (periods taken in ascending
// Desde; should two overlap, no day earns interest twice). The result holds the rows of CALCULO, the totals and the
// information messages to show, in order.
//
// Every movement dated up to 31/12/2099 is counted once in its total. A movement dated up to
// the start adjusts the opening principal; one dated up to the last day of the last row
// changes the principal from the day after it, whether or not a rate period covers its date;
// later ones are only counted.
//
// Throws AppError for an invalid start or end date, an interest type out of range, an agreed
// rate that is not a number (only when a rate period needs it) or a movement without a valid
// date.
SettlementResult ComputeSettlement(const SettlementInput &input, const std::vector<RatePeriod> &rates);

// The texts of the totals strip: "Capital Inicial:" shows the principal's display text,
// the others the amounts with thousands and two decimals after rounding to 15 significant
// digits.
struct SettlementTotalsTexts
{
    QString capital;  // LabelCAPITAL
    QString interest; // LabelTOTINTER
    QString payments; // LabelTOTPAGOS
    QString entries;  // LabelTOTENTRADAS
    QString total;    // LabelTOTAL

    bool operator==(const SettlementTotalsTexts &) const = default;
};
SettlementTotalsTexts TotalsTexts(const SettlementInput &input, const SettlementResult &result);
// The principal as "Capital Inicial:" shows it: its display text, or ",0.00" of its value.
QString PrincipalText(const SettlementInput &input);

// The date checks of "&Ver Liquidación", in order: with the second period on, its end must be
// later than the first period's end (focus to DateHASTA2); the start must be earlier than the
// first period's end (focus to DateDESDE1). An invalid date fails the check it takes part in.
struct SettlementDateRefusal
{
    QString message;
    QString focus; // objectName of the date box that gets the focus
};
std::optional<SettlementDateRefusal> CheckSettlementDates(const SettlementInput &input);
