#include "cli/cli.h"

// Each subsystem's commands are declared here and listed below.

int RunSettlementCommand(const QStringList &args, CliIo &io);

const std::vector<CliCommand> &CliCommands()
{
    static const std::vector<CliCommand> commands = {
        {"liquidacion", "liquidacion [--instalacion DIR] < caso.json",
         "Calcula una liquidación de intereses: lee el caso en JSON y escribe filas y totales en JSON.",
         RunSettlementCommand},
    };
    return commands;
}
