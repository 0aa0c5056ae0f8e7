#pragma once

#include <QString>
#include <QtGlobal>

// The state of one fee calculation: the selected criterion's parameters as the engine works on
// them. Percentages are single precision and amounts double, as the rules are defined on them
// (an Incremento of 2,3 is 2,29999995231628 % everywhere it is shown).
struct FeeCalculation
{
    QString criterionId;   // Id of the selected criterion
    QString criterionCode; // its Criterios
    double fijo = 0.0;     // euros, after AdjustFixed
    double minLibre = 0.0;
    double maxLibre = 0.0;
    float incremento = 0.0f;
    float reduccion = 0.0f;
    qint32 tableNo = 0;
    qint32 tableKind = 0; // Directivas of table tableNo
    float extraPorc = 0.0f;
    double extraFijo = 0.0;
    float porcentaje = 0.0f;
    qint32 calcMode = 0; // 0: no criterion selected
    double tableAmount = 0.0;
    qint32 scaleChoice = 0; // 0 not asked, 1 the scale, 2 the fixed sum
    double pointValue = 0.0; // euros per point; 0 outside points regions
    float regionIPC = 0.0f;
    bool selectionCancelled = false;

    bool operator==(const FeeCalculation &) const = default;
};

// The mode code: four digits (2 when Fijo, Incremento, Reduccion, Porcentaje is not 0, else 1)
// followed by TableKind in decimal. Nothing set and no table gives 11110; a fixed sum with a
// cumulative scale 21111; a percentage of a bracket table 11123.
qint32 BuildCalcMode(const FeeCalculation &calc);

// Whether digit 1..4 of the mode (Fijo, Incremento, Reduccion, Porcentaje) is 2.
bool CalcModeDigitSet(qint32 calcMode, int digit);

// The amount field's text as a number: empty or "-" is 0; otherwise the first "." stands for
// the decimal comma ("12.5" is 12,5). Throws AppError for text that is not a number, and
// "El importe es demasiado grande." beyond the amount limit.
double ParseAmount(const QString &text);

// A number typed in a reference field (decimal comma or point). Throws AppError naming the
// text when it is not a number.
double ParseReference(const QString &text);

// A spin button of the vary-references dialog on its edit's text, written in the general
// format. Up: empty gives "1", otherwise the value + 1; down: empty gives "-1", otherwise the
// value − 1. For the percentage, up from 100 or more also gives "1" and down from −100 or less
// "-1" (99 → 100 → 1). Throws AppError as ParseReference for text that is not a number.
QString SpinReference(const QString &text, bool up, bool percent);
