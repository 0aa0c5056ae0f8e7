#include "backup/engine_move.h"
#include "cli/cli.h"
#include "core/errors.h"
#include "core/ini_file.h"
#include "store/data_store.h"
#include "store/sql.h"
#include "move_fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

#define ONLY_ON_SERVER()                                                                                               \
    do {                                                                                                               \
        if (!UseTestServer())                                                                                          \
            GTEST_SKIP() << "necesita el servidor de pruebas";                                                         \
    } while (false)

// An installation of the test run on SQLite files, whatever the run.
struct SqliteOffice
{
    SqliteOffice()
        : owned(TestInstallation(false))
        , install(*owned)
    {
        IniFile settings(install.file(QStringLiteral("Devenix.ini")));
        DatabaseEngine{}.write(settings);
    }
    std::vector<TableCheck> checks() const
    {
        SqliteInstallation files(install.path(), false);
        std::vector<TableCheck> all;
        for (const DataSet &set : files.sets()) {
            const auto some = CheckTables(set.tables);
            all.insert(all.end(), some.begin(), some.end());
        }
        return all;
    }
    std::unique_ptr<TempInstallation> owned;
    TempInstallation &install;
};

// An empty database of the test server, dropped at the end.
struct EmptyServerDatabase
{
    EmptyServerDatabase()
        : engine(*TestServer())
    {
        engine.database = QStringLiteral("traslado_") + QUuid::createUuid().toString(QUuid::Id128);
        RunOnTestServer(QStringLiteral("CREATE DATABASE %1").arg(engine.database));
    }
    ~EmptyServerDatabase() { DropTestDatabase(engine); }
    DatabaseEngine engine;
};

DatabaseEngine EngineOf(const TempInstallation &install)
{
    return DatabaseEngine::ForInstallation(install.path());
}

QString MoveError(const std::function<void()> &move)
{
    try {
        move();
    } catch (const AppError &e) {
        return e.message();
    }
    return {};
}

} // namespace

TEST(EngineMove, AnOfficeGoesToTheServerAndBackWithEveryRowIntact)
{
    ONLY_ON_SERVER();
    SqliteOffice office;
    {
        DataStore store(QStringLiteral("before-"));
        store.connectMain(office.install.path());
        RunSql(store.database(Alias::Historico),
               QStringLiteral("INSERT INTO Cabecera (NumAsunto, Descripcion, Capital, Fecha) VALUES ('12/2024', 'Ñu', 0.1, '2024-05-31')"));
        RunSql(store.database(Alias::Devenix), QStringLiteral("INSERT INTO clientes (ICodCli, SNombreCli) VALUES (3, 'Ana')"));
    }
    const auto before = office.checks();
    EmptyServerDatabase server;

    const MoveSummary up = MoveToServer(office.install.path(), server.engine);
    EXPECT_EQ(up.tables, static_cast<int>(before.size()));
    const DatabaseEngine now = EngineOf(office.install);
    EXPECT_TRUE(now.isServer());
    EXPECT_EQ(now.database, server.engine.database);
    EXPECT_FALSE(QFileInfo::exists(office.install.datos() + QStringLiteral("/datos.sqlite")));
    EXPECT_EQ(QDir(office.install.datos()).entryList({QStringLiteral("datos.sqlite.trasladado-*")}).size(), 1);
    {
        // The program itself now finds its data on the server.
        DataStore store(QStringLiteral("server-"));
        store.connectMain(office.install.path());
        EXPECT_TRUE(IsServer(store.database(Alias::Historico)));
        EXPECT_EQ(Scalar(store.database(Alias::Historico), QStringLiteral("SELECT Descripcion FROM Cabecera")).toString(),
                  QStringLiteral("Ñu"));
        // The key of the next new row follows the copied ones.
        RunSql(store.database(Alias::Devenix), QStringLiteral("INSERT INTO provincias (Provincia) VALUES ('Nueva')"));
        RunSql(store.database(Alias::Devenix), QStringLiteral("DELETE FROM provincias WHERE Provincia = 'Nueva'"));
    }

    const MoveSummary down = MoveToSqlite(office.install.path());
    EXPECT_EQ(down.rows, up.rows);
    EXPECT_FALSE(EngineOf(office.install).isServer());
    EXPECT_EQ(office.checks(), before);
}

TEST(EngineMove, RefusedMovesLeaveTheInstallationAsItWas)
{
    ONLY_ON_SERVER();
    SqliteOffice office;
    const auto before = office.checks();
    const QString ini = office.install.file(QStringLiteral("Devenix.ini"));
    const DatabaseEngine seeded = CreateTestDatabase(); // holds an installation already

    EXPECT_TRUE(MoveError([&] { MoveToServer(office.install.path(), seeded); }).contains(QStringLiteral("no está vacía")));
    EXPECT_FALSE(EngineOf(office.install).isServer());
    EXPECT_EQ(office.checks(), before);

    {
        DataStore other(QStringLiteral("other-"));
        other.connectMain(office.install.path());
        EmptyServerDatabase server;
        EXPECT_TRUE(MoveError([&] { MoveToServer(office.install.path(), server.engine); })
                        .contains(QStringLiteral("abierta en otro programa")));
    }
    EXPECT_FALSE(EngineOf(office.install).isServer());
    EXPECT_TRUE(MoveError([&] { MoveToSqlite(office.install.path()); }).contains(QStringLiteral("ya tiene sus datos en archivos")));

    // A server installation with another program connected stays on the server.
    const auto onServer = TestInstallation(true);
    DataStore other(QStringLiteral("session-"));
    other.connectMain(onServer->path());
    EXPECT_TRUE(MoveError([&] { MoveToSqlite(onServer->path()); }).contains(QStringLiteral("conexiones de otros programas")));
    EXPECT_TRUE(EngineOf(*onServer).isServer());
    DropTestDatabase(seeded);
}

namespace {

class RecordingIo final : public CliIo
{
public:
    QByteArray readAllInput() override { return {}; }
    void out(const QString &text) override { output += text; }
    void err(const QString &text) override { errors += text; }
    QString output;
    QString errors;
};

} // namespace

TEST(MigrateCommand, WrongUseSaysWhatIsMissingWithStatusTwo)
{
    struct Case
    {
        QStringList args;
        const char *expected;
    };
    const Case cases[] = {
        {{}, "Indique --a-postgresql o --a-sqlite"},
        {{QStringLiteral("--a-sqlite"), QStringLiteral("--a-postgresql")}, "Indique --a-postgresql o --a-sqlite"},
        {{QStringLiteral("--a-postgresql"), QStringLiteral("--servidor"), QStringLiteral("h"), QStringLiteral("--puerto"),
          QStringLiteral("5432"), QStringLiteral("--base"), QStringLiteral("b")},
         "--usuario son obligatorios"},
        {{QStringLiteral("--a-postgresql"), QStringLiteral("--servidor"), QStringLiteral("h"), QStringLiteral("--puerto"),
          QStringLiteral("cinco"), QStringLiteral("--base"), QStringLiteral("b"), QStringLiteral("--usuario"), QStringLiteral("u")},
         "El puerto \"cinco\" no es válido"},
        {{QStringLiteral("--a-sqlite"), QStringLiteral("ahora")}, "Argumento no reconocido: ahora"},
    };
    for (const Case &c : cases) {
        RecordingIo io;
        EXPECT_EQ(RunCli(QStringList{QStringLiteral("migrar")} + c.args, io), CliBadInput) << c.expected;
        EXPECT_TRUE(io.errors.contains(QString::fromUtf8(c.expected))) << io.errors.toStdString();
    }
}

TEST(MigrateCommand, MovesAnInstallationAndTellsWhenTheServerWantsAPassword)
{
    ONLY_ON_SERVER();
    SqliteOffice office;
    EmptyServerDatabase server;
    const auto migrate = [&](const QString &user, RecordingIo &io) {
        return RunCli({QStringLiteral("migrar"), QStringLiteral("--a-postgresql"), QStringLiteral("--servidor"),
                       server.engine.host, QStringLiteral("--puerto"), QString::number(server.engine.port),
                       QStringLiteral("--base"), server.engine.database, QStringLiteral("--usuario"), user,
                       QStringLiteral("--instalacion"), office.install.path()},
                      io);
    };
    RecordingIo refused;
    qunsetenv("PGPASSWORD");
    EXPECT_EQ(migrate(kPasswordRole, refused), CliFailure);
    EXPECT_TRUE(refused.errors.contains(QStringLiteral("PGPASSWORD"))) << refused.errors.toStdString();
    EXPECT_FALSE(EngineOf(office.install).isServer());

    RecordingIo moved;
    EXPECT_EQ(migrate(server.engine.user, moved), CliOk) << moved.errors.toStdString();
    EXPECT_TRUE(moved.output.contains(QStringLiteral("Datos trasladados al servidor"))) << moved.output.toStdString();
    EXPECT_TRUE(EngineOf(office.install).isServer());

    RecordingIo back;
    EXPECT_EQ(RunCli({QStringLiteral("migrar"), QStringLiteral("--a-sqlite"), QStringLiteral("--instalacion"),
                      office.install.path()},
                     back),
              CliOk)
        << back.errors.toStdString();
    EXPECT_FALSE(EngineOf(office.install).isServer());
}
