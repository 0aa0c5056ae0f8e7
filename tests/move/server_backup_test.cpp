#include "backup/archive_reader.h"
#include "backup/archive_writer.h"
#include "backup/engine_move.h"
#include "backup/restore.h"
#include "core/errors.h"
#include "core/ini_file.h"
#include "store/data_store.h"
#include "store/server.h"
#include "store/sql.h"
#include "move_fixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

class QuietEvents final : public ArchiveEvents
{
public:
    void progress(ProgressKind, qint64) override {}
    void message(const QString &) override {}
};

// The checks of Datos and Historia, whichever engine holds them.
std::vector<std::vector<TableCheck>> MainTables(const QString &programDir)
{
    std::vector<std::vector<TableCheck>> checks;
    const DatabaseEngine engine = DatabaseEngine::ForInstallation(programDir);
    if (!engine.isServer()) {
        SqliteInstallation files(programDir, false, QStringList());
        for (std::size_t i = 0; i < 2; ++i)
            checks.push_back(CheckTables(files.sets()[i].tables));
        return checks;
    }
    const QString name = QStringLiteral("checks-") + QUuid::createUuid().toString(QUuid::Id128);
    {
        const QSqlDatabase db = OpenServerConnection(engine, name, {});
        const auto sets = ServerDataSets(db, programDir, engine.serverText());
        for (std::size_t i = 0; i < 2; ++i)
            checks.push_back(CheckTables(sets[i].tables));
    }
    QSqlDatabase::removeDatabase(name);
    return checks;
}

void StoreSettlement(const QString &programDir, const QString &key)
{
    DataStore store(QStringLiteral("write-"));
    store.connectMain(programDir);
    RunSql(store.database(Alias::Historico),
           QStringLiteral("INSERT INTO Cabecera (NumAsunto, Descripcion, Capital, Fecha) VALUES (?, ?, 1500.25, '2024-02-29')"),
           {key, QStringLiteral("«Comillas\", comas,\r\nsaltos»")});
}

} // namespace

TEST(ServerBackup, ArchivesRestoreAcrossEnginesAndTheRestoreIsCheckedWhole)
{
    if (!UseTestServer())
        GTEST_SKIP() << "necesita el servidor de pruebas";
    QuietEvents events;
    QTemporaryDir archives;
    const auto server = TestInstallation(true);
    const auto sqlite = TestInstallation(false);
    StoreSettlement(server->path(), QStringLiteral("1/2024"));
    StoreSettlement(sqlite->path(), QStringLiteral("9/2023"));
    const auto serverBefore = MainTables(server->path());
    const auto sqliteBefore = MainTables(sqlite->path());
    ASSERT_NE(serverBefore, sqliteBefore);

    const QString fromServer = archives.path() + QStringLiteral("/servidor.zip");
    const QString fromSqlite = archives.path() + QStringLiteral("/sqlite.zip");
    WriteBackup(server->path(), fromServer, events);
    WriteBackup(sqlite->path(), fromSqlite, events);

    // Later work on the server is undone by restoring its own backup.
    StoreSettlement(server->path(), QStringLiteral("2/2024"));
    RestoreInstallation(server->path(), fromServer, events);
    EXPECT_EQ(MainTables(server->path()), serverBefore);

    // A server's backup onto SQLite files, and a SQLite backup onto the server.
    const auto other = TestInstallation(false);
    RestoreInstallation(other->path(), fromServer, events);
    EXPECT_EQ(MainTables(other->path()), serverBefore);
    RestoreInstallation(server->path(), fromSqlite, events);
    EXPECT_EQ(MainTables(server->path()), sqliteBefore);
    EXPECT_TRUE(DatabaseEngine::ForInstallation(server->path()).isServer());
    {
        // The server's numbering follows the restored keys.
        DataStore store(QStringLiteral("after-"));
        store.connectMain(server->path());
        EXPECT_NO_THROW(RunSql(store.database(Alias::Devenix), QStringLiteral("INSERT INTO provincias (Provincia) VALUES ('Nueva')")));
        RunSql(store.database(Alias::Devenix), QStringLiteral("DELETE FROM provincias WHERE Provincia = 'Nueva'"));
    }

    // Refused while another program is connected to the server: nothing changes.
    {
        DataStore running(QStringLiteral("running-"));
        running.connectMain(server->path());
        try {
            RestoreInstallation(server->path(), fromServer, events);
            ADD_FAILURE() << "restored under a running program";
        } catch (const RestoreRefused &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("conexiones de otros programas"))) << e.message().toStdString();
        }
    }
    EXPECT_EQ(MainTables(server->path()), sqliteBefore);
}

TEST(ServerBackup, FilesThatCannotBePlacedAfterTheServerLoadAreNotCalledUnchanged)
{
    if (!UseTestServer())
        GTEST_SKIP() << "necesita el servidor de pruebas";
    QuietEvents events;
    QTemporaryDir archives;
    const auto server = TestInstallation(true);
    const QString letters = server->path() + QStringLiteral("/Documentos/Cartas");
    ASSERT_TRUE(QDir().mkpath(letters));
    QFile letter(letters + QStringLiteral("/carta.txt"));
    ASSERT_TRUE(letter.open(QIODevice::WriteOnly) && letter.write("carta") == 5);
    letter.close();
    StoreSettlement(server->path(), QStringLiteral("1/2024"));
    const auto backedUp = MainTables(server->path());
    const QString archive = archives.path() + QStringLiteral("/servidor.zip");
    WriteBackup(server->path(), archive, events);

    // A file where the backup has a folder: the tables go in, the documents cannot follow.
    StoreSettlement(server->path(), QStringLiteral("2/2024"));
    ASSERT_TRUE(QDir(letters).removeRecursively());
    QFile blocker(letters);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        RestoreInstallation(server->path(), archive, events);
        ADD_FAILURE() << "restored over a file in a folder's place";
    } catch (const RestoreRefused &e) {
        ADD_FAILURE() << "said unchanged: " << e.message().toStdString();
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Las tablas del servidor ya son las de la copia")))
            << e.message().toStdString();
    }
    EXPECT_EQ(MainTables(server->path()), backedUp);
}
