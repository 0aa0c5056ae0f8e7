#pragma once

#include "cli/cli.h"
#include "interest/settlement_types.h"

#include <optional>

// A case read from standard input and computed, for the commands that take one.
struct ComputedCase
{
    SettlementInput input;
    SettlementResult result;
    QString installationDir;
};

// Takes --instalacion from args, expects exactly `positional` arguments left, reads the JSON
// case, applies the date checks of "Ver Liquidación" and computes it with the case's rates or
// the installation's. On bad input writes the Spanish message, sets status to 2 and returns
// nullopt; other failures throw AppError.
std::optional<ComputedCase> ReadAndComputeCase(QStringList &args, int positional, CliIo &io, int &status);
