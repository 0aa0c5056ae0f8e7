#include "lock_holder_process.h"
#include "store/data_store.h"
#include "store/sql.h"
#include "store/stale_locks.h"
#include "support/pg_server.h"
#include "support/temp_installation.h"

#include <QFile>
#include <QSysInfo>

#include <gtest/gtest.h>

namespace {

int LockCount(const DataStore &store, Alias alias)
{
    return Scalar(store.database(alias), QStringLiteral("SELECT count(*) FROM Bloqueos")).toInt();
}

} // namespace

TEST(RemoveStaleLocksBelow, RemovesLocksOfEndedProgramsInEveryDatabaseAndKeepsLiveOnes)
{
    SKIP_ON_SERVER("the files of a data folder (a server's locks end with their session)");
    TempInstallation install;
    LockHolder running(install.datos(), QStringLiteral("Interes"), QStringLiteral("2021-01-01"));
    ASSERT_EQ(running.firstLine(), QStringLiteral("BLOQUEADO"));
    qint64 endedPid = 0;
    {
        LockHolder ended(install.datos(), QStringLiteral("Interes"), QStringLiteral("2022-01-01"));
        ASSERT_EQ(ended.firstLine(), QStringLiteral("BLOQUEADO"));
        endedPid = ended.pid();
        ended.crash();
    }
    {
        // The ended program also held records of the history and of a fee module.
        DataStore store(QStringLiteral("stale-setup-"));
        store.setPath(Alias::Historico, install.historia());
        store.connect(Alias::Historico);
        store.openModule(install.file(QStringLiteral("modulos/galicia")));
        for (Alias alias : {Alias::Historico, Alias::Modulo}) {
            RunSql(store.database(alias),
                   QStringLiteral("INSERT INTO Bloqueos (Tabla, Clave, Usuario, Equipo, Proceso, Sesion, Desde)"
                                  " VALUES ('t', '1', 'ana', ?, ?, 's', '2026-01-01T10:00:00')"),
                   {QSysInfo::machineHostName(), endedPid});
        }
    }
    // Neither a file that is no database nor one without a lock table stops the clean-up.
    QFile damaged(install.file(QStringLiteral("Datos/copia.sqlite")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("no es una base de datos");
    damaged.close();

    EXPECT_EQ(RemoveStaleLocksBelow(install.path()), 3);

    DataStore store(QStringLiteral("stale-check-"));
    store.connectMain(install.path());
    store.openModule(install.file(QStringLiteral("modulos/galicia")));
    EXPECT_EQ(LockCount(store, Alias::Devenix), 1);
    EXPECT_EQ(Scalar(store.database(Alias::Devenix), QStringLiteral("SELECT Clave FROM Bloqueos")).toString(),
              QStringLiteral("2021-01-01"));
    EXPECT_EQ(LockCount(store, Alias::Historico), 0);
    EXPECT_EQ(LockCount(store, Alias::Modulo), 0);
    ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
    EXPECT_EQ(damaged.readAll(), QByteArray("no es una base de datos"));
}
