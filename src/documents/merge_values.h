#pragma once

#include "interest/settlement_types.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The values a settlement gives the merge fields of a template. Each field label of the
// catalogue `campos` has a code 1..18 that chooses its value:
//   1/2 principal, 11/12 grand total, 13/14 total interest, 15/16 total payments,
//   17/18 total entries (odd codes in pesetas, even in euros);
//   per row of the settlement, one text per row: 3/4 principal of the row (pesetas/euros),
//   5 first day, 6 days, 7 last day, 8/9 interest of the row (pesetas/euros), 10 rate.

inline constexpr double kPesetasPerEuro = 166.386;

inline const QString kUnrecognisedField = QStringLiteral("<<< CAMPO NO RECONOCIDO >>>");

// Label -> code, as `campos` holds them (labels compared exactly).
using MergeFieldCatalogue = QHash<QString, int>;

struct MergeData
{
    double principal = 0.0;
    double grandTotal = 0.0;
    double totalInterest = 0.0;
    double totalPayments = 0.0;
    double totalEntries = 0.0;
    QString currency = QStringLiteral("Eur"); // "Eur" or "Pta": the currency the amounts are in
    std::vector<SettlementRow> rows;

    static MergeData From(const SettlementInput &input, const SettlementResult &result);
};

// An amount of the settlement's currency asked for in pesetas: unchanged when the settlement
// is in pesetas, else RoundToInt(amount x 166.386).
double InPesetas(double amount, const QString &currency);
// Asked for in euros: unchanged when in euros, else RoundTo2(amount / 166.386).
double InEuros(double amount, const QString &currency);

// Thousands points, two decimals, 15 significant digits as the settlement view shows them
// ("12.715.034,15"; 2054148130 pesetas give "2.054.148.130,00").
QString MergeAmountText(double amount);

// The texts of a code; per-row codes give one text per row (none without rows). A code
// outside 1..18 gives kUnrecognisedField.
QStringList MergeCodeValues(int code, const MergeData &data);

enum class FieldKind {
    Other,      // page numbers, dates, references...: left in the document
    MergeField, // MERGEFIELD (CAMPOCOMBINACIÓN in a Spanish word processor)
    OtherMerge  // the other mail-merge kinds: IF, ASK, FILLIN, NEXT, SET, SKIPIF...
};

// Kind of a field from its instruction's keyword (case ignored).
FieldKind ClassifyField(const QString &instruction);

// A merge field's instruction as word processors write it: the name, plain or quoted, then
// switches. `\* Upper`, `\* Lower`, `\* Caps`, `\* FirstCap` change the letter case;
// `\b "texto"` and `\f "texto"` go before and after a value that is not empty;
// `\* MERGEFORMAT` and `\* CHARFORMAT` only keep the formatting, which the merge does anyway.
struct MergeFieldInstruction
{
    enum class Case { AsIs, Upper, Lower, Caps, FirstCap };

    QString name;             // without quotes and blanks (" MERGEFIELD  Dias " gives "Dias")
    bool recognised = true;   // false: a switch outside the list above, or one without its text
    Case letterCase = Case::AsIs;
    QString before;
    QString after;

    // The value as the switches shape it; an empty value stays empty.
    QString apply(const QString &value) const;
};

// The instruction after its keyword, for any field kind.
MergeFieldInstruction ParseMergeFieldInstruction(const QString &instruction);

// The name of a merge field (see MergeFieldInstruction::name).
QString MergeFieldLabel(const QString &instruction);

// What the merge writes for a field: nullopt for fields that are not mail-merge fields (left
// as they are); kUnrecognisedField for other mail-merge kinds, unknown switches and names the
// catalogue lacks (compared without regard to letter case); otherwise the code's texts as
// the switches shape them (an empty list deletes the field).
std::optional<QStringList> SettlementFieldValue(const QString &instruction, const MergeFieldCatalogue &catalogue,
                                                const MergeData &data);
