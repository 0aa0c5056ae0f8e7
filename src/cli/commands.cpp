#include "cli/cli.h"

// Each subsystem's commands are declared here and listed below.

// Backup and restore (backup_commands.cpp).
int RunBackupCommand(const QStringList &arguments, CliIo &io);
int RunRestoreCommand(const QStringList &arguments, CliIo &io);

const std::vector<CliCommand> &CliCommands()
{
    static const std::vector<CliCommand> commands = {
        {"copia", "copia DESTINO.zip [--instalacion CARPETA]",
         "copia de seguridad de los datos de la instalación en DESTINO.zip", RunBackupCommand},
        {"restaurar", "restaurar ARCHIVO.zip [--instalacion CARPETA]",
         "restaura una copia de seguridad sobre la instalación (la comprueba entera antes de cambiar nada)",
         RunRestoreCommand},
    };
    return commands;
}
