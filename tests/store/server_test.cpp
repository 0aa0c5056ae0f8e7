#include "core/errors.h"
#include "core/ini_file.h"
#include "store/data_store.h"
#include "store/server.h"
#include "store/sql.h"
#include "support/pg_server.h"
#include "support/scripted_prompter.h"
#include "support/temp_installation.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The message connecting throws, or "" when it connects.
QString ConnectError(const DatabaseEngine &engine)
{
    DataStore store(QStringLiteral("fault-"));
    store.setEngine(engine);
    store.setPath(Alias::Devenix, QStringLiteral("/no/importa/Datos"));
    try {
        store.connect(Alias::Devenix);
    } catch (const AppError &e) {
        EXPECT_FALSE(store.isConnected(Alias::Devenix));
        return e.message();
    }
    return {};
}

} // namespace

TEST(DatabaseEngine, ReadsTheServerSettingsAndRefusesBadOnes)
{
    QTemporaryDir dir;
    IniFile settings(dir.filePath(QStringLiteral("Devenix.ini")));
    EXPECT_FALSE(DatabaseEngine::Read(settings).isServer()) << "SQLite without the section";

    settings.writeString(QStringLiteral("BASEDATOS"), QStringLiteral("MOTOR"), QStringLiteral("PostgreSQL"));
    settings.writeString(QStringLiteral("BASEDATOS"), QStringLiteral("SERVIDOR"), QStringLiteral("servidor.despacho"));
    settings.writeString(QStringLiteral("BASEDATOS"), QStringLiteral("BASE"), QStringLiteral("cuantix"));
    settings.writeString(QStringLiteral("BASEDATOS"), QStringLiteral("USUARIO"), QStringLiteral("ana"));
    const DatabaseEngine engine = DatabaseEngine::Read(settings);
    EXPECT_TRUE(engine.isServer());
    EXPECT_EQ(engine.serverText(), QStringLiteral("servidor.despacho:5432/cuantix"));
    EXPECT_EQ(engine.user, QStringLiteral("ana"));
    EXPECT_TRUE(engine.password.isEmpty());
    RememberPassword(engine, QStringLiteral("clave"));
    EXPECT_EQ(DatabaseEngine::Read(settings).password, QStringLiteral("clave")) << "kept in memory for the run";
    EXPECT_FALSE(IniFile(settings.path()).readString(QStringLiteral("BASEDATOS"), QStringLiteral("PASSWORD")).size());

    const std::pair<const char *, const char *> bad[] = {
        {"PUERTO", "70000"}, {"PUERTO", "cinco"}, {"SERVIDOR", ""}, {"MOTOR", "oracle"}};
    for (const auto &[key, value] : bad) {
        IniFile broken(dir.filePath(QStringLiteral("roto.ini")));
        engine.write(broken);
        broken.writeString(QStringLiteral("BASEDATOS"), QString::fromLatin1(key), QString::fromLatin1(value));
        EXPECT_THROW(DatabaseEngine::Read(broken), AppError) << key << "=" << value;
    }
    EXPECT_EQ(ModuleSchemaName(QStringLiteral("Castilla-La Mancha")), QStringLiteral("modulo_castilla_la_mancha"));
}

// Each fault of a server gives a Spanish message naming it, and leaves nothing connected.
TEST(ServerFaults, MessagesNameTheServer)
{
    const auto server = TestServer();
    if (!server)
        GTEST_SKIP() << qPrintable(TestServerMissingReason());
    DatabaseEngine down = *server;
    down.port = 1; // nothing listens there
    DatabaseEngine missing = *server;
    missing.database = QStringLiteral("no_existe");
    DatabaseEngine refused = *server;
    refused.user = kPasswordRole;
    refused.password = QStringLiteral("equivocada");
    DatabaseEngine noPassword = refused;
    noPassword.password.clear();
    const std::pair<DatabaseEngine, QString> cases[] = {
        {down, QStringLiteral("No se puede conectar con el servidor de bases de datos 127.0.0.1:1/postgres.")},
        {missing, QStringLiteral("No existe la base de datos \"no_existe\" en el servidor %1:%2/no_existe.")
                      .arg(server->host).arg(server->port)},
        {refused, QStringLiteral("El servidor de bases de datos %1:%2/postgres no acepta el usuario \"cuantix_clave\"")
                      .arg(server->host).arg(server->port)},
        {noPassword, QStringLiteral("El servidor de bases de datos %1:%2/postgres pide la contraseña del usuario "
                                    "\"cuantix_clave\".").arg(server->host).arg(server->port)},
    };
    for (const auto &[engine, expected] : cases)
        EXPECT_TRUE(ConnectError(engine).startsWith(expected)) << qPrintable(ConnectError(engine));

    // At start the password is asked for until the server takes it.
    ScriptedPrompter prompter;
    prompter.queueText(QStringLiteral("otra equivocada"));
    prompter.queueText(kPasswordRolePassword);
    const DatabaseEngine asked = AskServerPassword(noPassword, prompter);
    EXPECT_EQ(asked.password, kPasswordRolePassword);
    EXPECT_NO_THROW(CheckServer(asked));
}

// A connection lost in the middle of a store stores nothing and says so; the next try connects
// again.
TEST(ServerFaults, ConnectionLostInTheMiddleOfAStore)
{
    TempInstallation install;
    if (!install.engine())
        GTEST_SKIP() << "only a server connection can be lost";
    DataStore store(QStringLiteral("lost-"));
    store.connectMain(install.path());
    store.OpenWorkTables();
    const QSqlDatabase db = store.database(Alias::Historico);
    const qint64 session = Scalar(db, QStringLiteral("SELECT pg_backend_pid()")).toLongLong();
    try {
        Transaction transaction(db);
        RunSql(db, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Tipo) VALUES ('1/2024', 'I')"));
        RunOnTestServer(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(session));
        WaitForSessionEnd(session);
        RunSql(db, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Tipo) VALUES ('2/2024', 'I')"));
        transaction.commit();
        ADD_FAILURE() << "stored on a lost connection";
    } catch (const StoreError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Se ha perdido la conexión con el servidor de bases de datos %1")
                                               .arg(install.engine()->serverText())))
            << qPrintable(e.message()) << qPrintable(e.detail());
    }
    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT count(*) FROM Cabecera")).toInt(), 0) << "reconnected, nothing half-stored";
    RunSql(db, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Tipo) VALUES ('1/2024', 'I')"));
    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT count(*) FROM Cabecera")).toInt(), 1);

    // Outside a store the lost connection is opened again at once, the program's working
    // movements table with it.
    const QSqlDatabase devenix = store.database(Alias::Devenix);
    const qint64 main = Scalar(devenix, QStringLiteral("SELECT pg_backend_pid()")).toLongLong();
    RunOnTestServer(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(main));
    WaitForSessionEnd(main);
    EXPECT_EQ(Scalar(devenix, QStringLiteral("SELECT count(*) FROM Pagos")).toInt(), 0);
    EXPECT_NO_THROW(RunSql(devenix, QStringLiteral("INSERT INTO Pagos (Fecha, Importe) VALUES ('2024-01-01', 5)")));
}
