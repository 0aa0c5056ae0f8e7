#include "cli/cli.h"

// Each subsystem's commands are declared here and listed below.

const std::vector<CliCommand> &CliCommands()
{
    static const std::vector<CliCommand> commands = {
    };
    return commands;
}
