#pragma once

#include "interest/settlement_report.h"

struct AppContext;
class QWidget;

// "  &Imprimir" of the settlement view: nothing without rows; otherwise the print-model
// dialog, then the settlement merged into the chosen template and opened in the word
// processor, or the built-in report in its print preview (also when the chosen template has
// no document). Cancelling the dialog ends the action. The report's heading takes the
// office name from the settings; `heading` gives the case, if any.
void PrintSettlement(AppContext &context, QWidget *parent, const SettlementInput &input,
                     const SettlementResult &result, SettlementHeading heading = {});
