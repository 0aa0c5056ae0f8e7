#include "cli/cli.h"

// Each subsystem's commands are declared here and listed below.

int RunSettlementCommand(const QStringList &args, CliIo &io);
int RunReportCommand(const QStringList &args, CliIo &io);
int RunCombineCommand(const QStringList &args, CliIo &io);
// Backup and restore (backup_commands.cpp).
int RunBackupCommand(const QStringList &arguments, CliIo &io);
int RunRestoreCommand(const QStringList &arguments, CliIo &io);
int RunHistoryCommand(const QStringList &args, CliIo &io);
int RunInvoiceCommand(const QStringList &args, CliIo &io);
int RunModuleCommand(const QStringList &args, CliIo &io);
int RunVerifactuCommand(const QStringList &args, CliIo &io);
// The fee engine (fee_command.cpp).
int RunFeeCommand(const QStringList &args, CliIo &io);
int RunInvoicesCommand(const QStringList &args, CliIo &io);
// Clients and contacts (clients_command.cpp).
int RunClientsCommand(const QStringList &args, CliIo &io);
int RunContactsCommand(const QStringList &args, CliIo &io);
// Moving the data between SQLite files and a server (migrate_command.cpp).
int RunMigrateCommand(const QStringList &arguments, CliIo &io);

const std::vector<CliCommand> &CliCommands()
{
    static const std::vector<CliCommand> commands = {
        {"liquidacion", "liquidacion [--instalacion DIR] < caso.json",
         "Calcula una liquidación de intereses: lee el caso en JSON y escribe filas y totales en JSON.",
         RunSettlementCommand},
        {"informe", "informe SALIDA.pdf [--instalacion DIR] < caso.json",
         "Escribe el listado de la liquidación del caso en PDF.", RunReportCommand, true},
        {"combinar", "combinar PLANTILLA.docx SALIDA.docx [--instalacion DIR] < caso.json",
         "Combina la liquidación del caso en una plantilla .docx y escribe el documento.", RunCombineCommand},
        {"copia", "copia DESTINO.zip [--instalacion CARPETA]",
         "copia de seguridad de los datos de la instalación en DESTINO.zip", RunBackupCommand},
        {"restaurar", "restaurar ARCHIVO.zip [--instalacion CARPETA]",
         "restaura una copia de seguridad sobre la instalación (la comprueba entera antes de cambiar nada)",
         RunRestoreCommand},
        {"historico",
         "historico guardar NUMASUNTO [--descripcion TEXTO] [--fecha dd/mm/aaaa] [--instalacion DIR] < caso.json\n"
         "  historico mostrar NUMASUNTO | listar | borrar NUMASUNTO [--instalacion DIR]",
         "Histórico de liquidaciones: guarda un caso, lo escribe en JSON, lista las guardadas o borra una.",
         RunHistoryCommand},
        {"factura",
         "factura calcular [--instalacion DIR] < factura.json\n"
         "  factura alta [--instalacion DIR] < factura.json\n"
         "  factura mostrar ID AÑO | borrar ID AÑO [--instalacion DIR]\n"
         "  factura pdf ID AÑO SALIDA.pdf | cobrar [--no] ID AÑO [--instalacion DIR]",
         "Facturas: calcula líneas y totales sin guardar, da de alta una factura entera, la escribe en JSON o en PDF,"
         " la marca cobrada o no cobrada, o la borra.",
         RunInvoiceCommand, true},
        {"facturas",
         "facturas buscar | listado SALIDA.pdf | exportar SALIDA.xlsx [--instalacion DIR] < criterios.json",
         "Busca facturas por los criterios en JSON: las escribe con sus sumas en JSON, su listado en PDF o en .xlsx.",
         RunInvoicesCommand, true},
        {"honorario", "honorario [--instalacion DIR] < pasos.json",
         "Calcula honorarios con los criterios de una región: lee los pasos en JSON y escribe cada resultado en JSON.",
         RunFeeCommand},
        {"modulo", "modulo REGION [--instalacion DIR]",
         "Escribe en JSON el baremo de honorarios de una región (por nombre o Id): criterios y tablas.",
         RunModuleCommand},
        {"verifactu",
         "verifactu comprobar | registros [--desde dd/mm/aaaa] [--hasta dd/mm/aaaa] | xml N | enviar < clave\n"
         "  [--instalacion DIR]",
         "Registros VERI*FACTU: comprueba huellas y cadena, los lista en JSON, escribe el XML de uno o envía los "
         "pendientes a la Agencia Tributaria.",
         RunVerifactuCommand},
        {"clientes",
         "clientes listar | exportar SALIDA.xlsx|SALIDA.vcf|SALIDA.csv | importar ENTRADA.csv [--instalacion DIR]",
         "Clientes: los lista en JSON, los exporta a Excel, vCard o CSV, o importa un CSV como altas nuevas.",
         RunClientsCommand},
        {"contactos",
         "contactos listar | exportar SALIDA.xlsx|SALIDA.vcf|SALIDA.csv | importar ENTRADA.csv [--instalacion DIR]",
         "Contactos: los lista en JSON, los exporta a Excel, vCard o CSV, o importa un CSV como altas nuevas.",
         RunContactsCommand},
        {"migrar",
         "migrar --a-postgresql --servidor HOST --puerto N --base NOMBRE --usuario USUARIO [--instalacion DIR]\n"
         "  migrar --a-sqlite [--instalacion DIR]",
         "Traslada los datos de la instalación a una base de datos vacía de un servidor PostgreSQL, o del servidor a "
         "archivos SQLite; compara filas y sumas de control de cada tabla antes de cambiar [BASEDATOS] en Devenix.ini.",
         RunMigrateCommand},
    };
    return commands;
}
