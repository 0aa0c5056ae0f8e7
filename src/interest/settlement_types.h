#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The values a settlement is computed from and the rows and totals it gives. Shared by the
// engine, the input and view windows, the history, the printout and the document merge.

// The six interest types, in the order of the type lists.
enum class InterestType { Legal = 0, Judicial = 1, Verbal20 = 2, VerbalLegal50 = 3, Agreed = 4, AdminLate = 5 };

// "Interés Legal", "Interés Judicial", "Interés Verbal Auto. (20%)",
// "Interés Verbal Auto. (Legal +50%)", "Interés Pactado", "Interés Demora Admon.".
const QStringList &InterestTypeTexts();
// Index 0..5 of an item text (exact match), nullopt for any other text.
std::optional<int> InterestTypeIndex(const QString &text);

// A payment ("P") or an entry ("E") of money on a date.
struct Movement
{
    QDate date;
    double amount = 0.0;
    QString kind = QStringLiteral("P");

    bool isPayment() const { return kind != QLatin1String("E"); }
    bool operator==(const Movement &) const = default;
};

// A period of the rate table: both dates inclusive, within one calendar year; rates are
// percentages a year (3 means 3 %).
struct RatePeriod
{
    QDate desde;
    QDate hasta;
    double inteLega = 0.0;
    double inteJudi = 0.0;
    double inteAdmi = 0.0;

    bool operator==(const RatePeriod &) const = default;
};

// The settlement parameters, as the input window holds them.
struct SettlementInput
{
    double principal = 0.0;       // EditCAPITAL
    QString principalText;        // its display text; "Capital Inicial:" shows it as it stands
    QDate start;                  // DateDESDE1
    QDate end;                    // DateHASTA1
    bool secondPeriod = false;    // CheckSENTEN; the second period begins on end + 1
    QDate secondEnd;              // DateHASTA2
    int type1 = 0;                // ComboTIPO item index
    int type2 = 0;                // ComboTIPO2 item index
    QString agreedRate1 = QStringLiteral("0"); // EditINTERES text, decimal comma
    QString agreedRate2 = QStringLiteral("0"); // EditINTERES2 text
    bool compound = false;        // CheckACUMU
    bool perPeriodRows = true;    // RadioPERIO checked (otherwise RadioDETAL: one row per day)
    bool imputePayments = false;  // CheckDESCONTAR
    QString currency = QStringLiteral("Eur"); // ComboMONEDA: "Eur" or "Pta"
    std::vector<Movement> movements; // payments and entries, at most one per date

    bool operator==(const SettlementInput &) const = default;
};

// One row of CALCULO.
struct SettlementRow
{
    QDate desde;
    QDate hasta;
    double capital = 0.0;  // principal the row's interest runs on
    double rate = 0.0;     // "Interes": annual rate in percent
    double total = 0.0;    // the row's interest

    int days() const { return static_cast<int>(desde.daysTo(hasta)) + 1; } // both ends count
    bool operator==(const SettlementRow &) const = default;
};

struct SettlementResult
{
    std::vector<SettlementRow> rows;
    double totalInterest = 0.0;
    double totalPayments = 0.0;
    double totalEntries = 0.0;
    double grandTotal = 0.0;  // principal + interest - payments + entries
    QStringList messages;     // information messages the calculation showed, in order
};
