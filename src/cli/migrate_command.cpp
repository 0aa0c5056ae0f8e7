#include "cli/cli.h"

#include "backup/engine_move.h"
#include "store/server.h"

#include <QDir>

namespace {

const QString kToServer = QStringLiteral("--a-postgresql");
const QString kToSqlite = QStringLiteral("--a-sqlite");

QString Usage()
{
    return QStringLiteral("Uso: devenix-cli migrar --a-postgresql --servidor HOST --puerto N --base NOMBRE "
                          "--usuario USUARIO [--instalacion DIR]\n"
                          "     devenix-cli migrar --a-sqlite [--instalacion DIR]\n");
}

DatabaseEngine ServerFromOptions(QStringList &args)
{
    DatabaseEngine engine;
    engine.kind = DatabaseEngine::Kind::PostgreSQL;
    engine.host = TakeOption(args, QStringLiteral("--servidor"));
    const QString port = TakeOption(args, QStringLiteral("--puerto"));
    engine.database = TakeOption(args, QStringLiteral("--base"));
    engine.user = TakeOption(args, QStringLiteral("--usuario"));
    if (engine.host.isEmpty() || port.isEmpty() || engine.database.isEmpty() || engine.user.isEmpty())
        throw CliUsageError(QStringLiteral("Faltan datos del servidor: --servidor, --puerto, --base y --usuario son "
                                           "obligatorios.\n") + Usage());
    bool ok = false;
    engine.port = port.toInt(&ok);
    if (!ok || engine.port < 1 || engine.port > 65535)
        throw CliUsageError(QStringLiteral("El puerto \"%1\" no es válido: debe ser un número entre 1 y 65535.").arg(port));
    return engine;
}

} // namespace

int RunMigrateCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    const QString installation = InstallationDir(args);
    const bool toServer = args.removeAll(kToServer) > 0;
    const bool toSqlite = args.removeAll(kToSqlite) > 0;
    if (toServer == toSqlite)
        throw CliUsageError(QStringLiteral("Indique --a-postgresql o --a-sqlite.\n") + Usage());
    const DatabaseEngine server = toServer ? ServerFromOptions(args) : DatabaseEngine{};
    if (!args.isEmpty())
        throw CliUsageError(QStringLiteral("Argumento no reconocido: %1\n").arg(args.first()) + Usage());

    const auto progress = [&io](const QString &line) { io.err(line + QLatin1Char('\n')); };
    try {
        if (toServer) {
            const MoveSummary summary = MoveToServer(installation, server, progress);
            io.out(QStringLiteral("Datos trasladados al servidor %1: %2 tablas y %3 filas, comprobadas. La instalación "
                                  "\"%4\" usa ya el servidor; sus archivos SQLite de Datos e Historia se han "
                                  "renombrado como \"*.trasladado-FECHA\".\n")
                       .arg(server.serverText())
                       .arg(summary.tables)
                       .arg(summary.rows)
                       .arg(QDir::toNativeSeparators(installation)));
        } else {
            const MoveSummary summary = MoveToSqlite(installation, progress);
            io.out(QStringLiteral("Datos trasladados a archivos SQLite: %1 tablas y %2 filas, comprobadas. La "
                                  "instalación \"%3\" usa ya sus archivos; los datos siguen también en el servidor.\n")
                       .arg(summary.tables)
                       .arg(summary.rows)
                       .arg(QDir::toNativeSeparators(installation)));
        }
        return CliOk;
    } catch (const ServerError &e) {
        io.err(e.message() + QLatin1Char('\n'));
        if (e.asksPassword())
            io.err(QStringLiteral("Ponga la contraseña en el archivo ~/.pgpass o en la variable PGPASSWORD y vuelva a "
                                  "intentarlo.\n"));
        io.err(QStringLiteral("No se ha trasladado nada.\n"));
        return CliFailure;
    } catch (const AppError &e) {
        io.err(e.message() + QLatin1Char('\n'));
        if (!e.detail().isEmpty())
            io.err(QStringLiteral("(%1)\n").arg(e.detail()));
        return CliFailure;
    }
}
