#include "store/server.h"

#include "core/prompter.h"
#include "store/sql.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

bool Mentions(const QString &text, std::initializer_list<const char *> fragments)
{
    for (const char *fragment : fragments) {
        if (text.contains(QLatin1String(fragment), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

ServerError Classify(const DatabaseEngine &engine, const QString &detail)
{
    const QString server = engine.serverText();
    // libpq speaks the language of the computer, the server its own: both are looked for.
    if (Mentions(detail, {"no password supplied", "no se entregó una contraseña", "no se proporcionó contraseña"}))
        return ServerError(ServerError::Reason::PasswordNeeded,
                           QStringLiteral("El servidor de bases de datos %1 pide la contraseña del usuario \"%2\".")
                               .arg(server, engine.user),
                           detail);
    if (Mentions(detail, {"password authentication failed", "autentificación password falló",
                          "autenticación password falló", "autentificación falló", "autenticación falló"}))
        return ServerError(ServerError::Reason::PasswordRefused,
                           QStringLiteral("El servidor de bases de datos %1 no acepta el usuario \"%2\" con esa "
                                          "contraseña.").arg(server, engine.user),
                           detail);
    if (Mentions(detail, {"does not exist", "no existe"}) && Mentions(detail, {"database", "base de datos"}))
        return ServerError(ServerError::Reason::NoDatabase,
                           QStringLiteral("No existe la base de datos \"%1\" en el servidor %2. Compruebe la "
                                          "configuración (sección [BASEDATOS]).").arg(engine.database, server),
                           detail);
    return ServerError(ServerError::Reason::Unreachable,
                       QStringLiteral("No se puede conectar con el servidor de bases de datos %1. Compruebe que el "
                                      "servidor está en marcha y que hay red, y vuelva a intentarlo.").arg(server),
                       detail);
}

QString ColumnType(const QString &sqliteType)
{
    const QString type = sqliteType.toUpper();
    if (type.contains(QLatin1String("INT")))
        return QStringLiteral("BIGINT");
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA"))
        || type.contains(QLatin1String("DOUB")) || type.contains(QLatin1String("NUM")))
        return QStringLiteral("DOUBLE PRECISION");
    return QStringLiteral("TEXT");
}

} // namespace

ServerError::ServerError(Reason reason, QString message, QString detail)
    : AppError(std::move(message), std::move(detail))
    , m_reason(reason)
{
}

QSqlDatabase OpenServerConnection(const DatabaseEngine &engine, const QString &name, const QString &schema)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        throw AppError(QStringLiteral("Falta el controlador PostgreSQL de Qt (paquete libqt6sql6-psql)."));
    QString detail;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(engine.host);
        db.setPort(engine.port);
        db.setDatabaseName(engine.database);
        db.setUserName(engine.user);
        if (!engine.password.isEmpty())
            db.setPassword(engine.password);
        // The options hold across a reconnection: the schema, a wait for a row another program
        // is writing no longer than SQLite's busy timeout, and no notices in the log.
        QString options = QStringLiteral("-c lock_timeout=10s -c client_min_messages=warning");
        if (!schema.isEmpty())
            options += QStringLiteral(" -c search_path=") + schema;
        db.setConnectOptions(QStringLiteral("connect_timeout=5;application_name=Cuantix;options='%1'").arg(options));
        if (db.open())
            return db;
        detail = db.lastError().text();
    }
    QSqlDatabase::removeDatabase(name);
    throw Classify(engine, detail);
}

void CheckServer(const DatabaseEngine &engine)
{
    const QString name = QStringLiteral("server-check-") + QUuid::createUuid().toString(QUuid::Id128);
    {
        QSqlDatabase db = OpenServerConnection(engine, name, {});
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

DatabaseEngine AskServerPassword(DatabaseEngine engine, Prompter &prompter)
{
    if (!engine.isServer())
        return engine;
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            CheckServer(engine);
            return engine;
        } catch (const ServerError &e) {
            if (!e.asksPassword())
                return engine;
            const std::optional<QString> typed =
                prompter.askPassword(QStringLiteral("Contraseña de la base de datos"),
                                     e.message() + QStringLiteral("\nEscriba la contraseña:"));
            if (!typed)
                return engine;
            engine.password = *typed;
            RememberPassword(engine, *typed);
        }
    }
    return engine;
}

bool ServerSchemaExists(const QSqlDatabase &db, const QString &schema)
{
    return Scalar(db, QStringLiteral("SELECT count(*) FROM pg_namespace WHERE nspname = ?"), {schema}).toInt() > 0;
}

bool ServerSchemaHasTables(const QSqlDatabase &db, const QString &schema)
{
    return Scalar(db, QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE table_schema = ?"), {schema})
               .toInt()
           > 0;
}

void CopyShippedModule(const QString &moduleFile, const QSqlDatabase &target)
{
    const QString name = QStringLiteral("shipped-module-") + QUuid::createUuid().toString(QUuid::Id128);
    {
        QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        source.setDatabaseName(moduleFile);
        source.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        try {
            if (!source.open())
                throw AppError(QStringLiteral("No se ha podido abrir el módulo \"%1\".").arg(moduleFile),
                               source.lastError().text());
            QStringList tables;
            QSqlQuery list = RunSql(source, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"
                                                           " AND name NOT LIKE 'sqlite_%' AND name <> 'Bloqueos'"));
            while (list.next())
                tables.append(list.value(0).toString());
            list.finish();
            Transaction transaction(target);
            for (const QString &table : tables) {
                QStringList columns;
                QStringList definitions;
                QSqlQuery info = RunSql(source, QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"), {table});
                while (info.next()) {
                    columns.append(info.value(0).toString());
                    definitions.append(info.value(0).toString() + QLatin1Char(' ') + ColumnType(info.value(1).toString())
                                       + (info.value(2).toInt() == 1 ? QStringLiteral(" PRIMARY KEY") : QString()));
                }
                info.finish();
                RunSql(target, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(table, definitions.join(u',')));
                QSqlQuery insert = Prepare(target, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                       .arg(table, columns.join(u','),
                                                            QStringList(columns.size(), QStringLiteral("?")).join(u',')));
                QSqlQuery rows = RunSql(source, QStringLiteral("SELECT %1 FROM %2").arg(columns.join(u','), table));
                while (rows.next()) {
                    for (qsizetype c = 0; c < columns.size(); ++c)
                        insert.addBindValue(rows.value(static_cast<int>(c)));
                    Exec(insert);
                }
            }
            transaction.commit();
        } catch (...) {
            source.close();
            source = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw;
        }
        source.close();
    }
    QSqlDatabase::removeDatabase(name);
}
