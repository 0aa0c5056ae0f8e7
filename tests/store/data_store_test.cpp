#include "core/errors.h"
#include "store/data_store.h"
#include "store/sql.h"
#include "support/pg_server.h"
#include "support/temp_installation.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray Hash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The message of the AppError that connecting throws, or "" when it does not throw.
QString ConnectError(DataStore &store, Alias alias)
{
    try {
        store.connect(alias);
    } catch (const AppError &e) {
        return e.message();
    }
    return {};
}

} // namespace

TEST(DataStore, ConnectsTheFourMainDatabasesAndOpensTheWorkTables)
{
    TempInstallation install;
    DataStore store(QStringLiteral("main-"));
    store.connectMain(install.path());
    store.OpenWorkTables();
    for (Alias a : {Alias::Devenix, Alias::Historico, Alias::Intereses, Alias::General})
        EXPECT_TRUE(store.isConnected(a)) << DataStore::AliasName(a).toStdString();
    EXPECT_EQ(store.path(Alias::Intereses), install.datos());
    EXPECT_EQ(store.path(Alias::Historico), install.historia());
    EXPECT_EQ(Scalar(store.database(Alias::General), QStringLiteral("SELECT count(*) FROM provincias")).toInt(), 52);
    EXPECT_EQ(Scalar(store.database(Alias::Historico), QStringLiteral("SELECT count(*) FROM Cabecera")).toInt(), 0);
    store.CloseDatabases();
    EXPECT_FALSE(store.isConnected(Alias::Devenix));
    EXPECT_FALSE(store.isConnected(Alias::Historico));
}

TEST(DataStore, WorkingMovementsBelongToOneRunningProgram)
{
    TempInstallation install;
    DataStore first(QStringLiteral("first-"));
    DataStore second(QStringLiteral("second-"));
    first.connectMain(install.path());
    first.OpenWorkTables();
    RunSql(first.database(Alias::Devenix), QStringLiteral("INSERT INTO Pagos (Fecha, Importe, Tipo) VALUES (?, ?, ?)"),
        {QStringLiteral("2021-06-30"), 1000.0, QStringLiteral("P")});

    // A second program starting on the same data neither sees nor empties them.
    second.connectMain(install.path());
    second.OpenWorkTables();
    EXPECT_EQ(Scalar(second.database(Alias::Devenix), QStringLiteral("SELECT count(*) FROM Pagos")).toInt(), 0);
    EXPECT_EQ(Scalar(first.database(Alias::Devenix), QStringLiteral("SELECT count(*) FROM Pagos")).toInt(), 1);

    // The key is the date alone: one movement of either kind per day.
    EXPECT_THROW(RunSql(first.database(Alias::Devenix),
                     QStringLiteral("INSERT INTO Pagos (Fecha, Importe, Tipo) VALUES (?, ?, ?)"),
                     {QStringLiteral("2021-06-30"), 5.0, QStringLiteral("E")}),
                 StoreError);

    // A new start of the same program empties them.
    first.OpenWorkTables();
    EXPECT_EQ(Scalar(first.database(Alias::Devenix), QStringLiteral("SELECT count(*) FROM Pagos")).toInt(), 0);
}

TEST(DataStore, KeyViolationsAreReportedAsSuch)
{
    TempInstallation install;
    DataStore store(QStringLiteral("key-"));
    store.connectMain(install.path());
    const QSqlDatabase db = store.database(Alias::Historico);
    RunSql(db, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Tipo) VALUES (?, ?)"), {QStringLiteral("12/2021"), QStringLiteral("I")});
    try {
        RunSql(db, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Tipo) VALUES (?, ?)"), {QStringLiteral("12/2021"), QStringLiteral("I")});
        FAIL() << "duplicate accepted";
    } catch (const StoreError &e) {
        EXPECT_EQ(e.code(), StoreCode::KeyViolation);
    }
}

TEST(DataStore, TransactionRollsBackUnlessCommitted)
{
    TempInstallation install;
    DataStore store(QStringLiteral("tx-"));
    store.connectMain(install.path());
    const QSqlDatabase db = store.database(Alias::Historico);
    try {
        Transaction t(db);
        RunSql(db, QStringLiteral("INSERT INTO Cabecera (NumAsunto) VALUES ('A')"));
        RunSql(db, QStringLiteral("INSERT INTO Pagos (NumAsunto, Fecha, Importe) VALUES ('A', '2021-01-01', 1)"));
        RunSql(db, QStringLiteral("INSERT INTO Pagos (NumAsunto, Fecha, Importe) VALUES ('A', '2021-01-01', 2)"));
        t.commit();
    } catch (const StoreError &) {
    }
    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT count(*) FROM Cabecera")).toInt(), 0);
    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT count(*) FROM Pagos")).toInt(), 0);
}

TEST(DataStore, MissingDataFolderNamesIt)
{
    SKIP_ON_SERVER("a missing data folder");
    TempInstallation install;
    ASSERT_TRUE(QDir(install.historia()).removeRecursively());
    DataStore store(QStringLiteral("missing-"));
    store.setPath(Alias::Historico, install.historia());
    const QString message = ConnectError(store, Alias::Historico);
    EXPECT_EQ(message, QStringLiteral("No existe la carpeta de datos \"%1\".").arg(install.historia()));
    EXPECT_FALSE(store.isConnected(Alias::Historico));
    EXPECT_FALSE(QFileInfo::exists(install.historia())) << "a missing data folder is not created";
}

TEST(DataStore, ForeignAndDamagedFilesAreRefusedAndLeftUntouched)
{
    SKIP_ON_SERVER("damaged files");
    TempInstallation install;
    const QString file = install.historia() + QStringLiteral("/historia.sqlite");
    const QString expected =
        QStringLiteral("El archivo \"%1\" no es una base de datos de Cuantix o está dañado. Compruebe la carpeta "
                       "de datos o restaure una copia de seguridad.").arg(file);

    ASSERT_TRUE(QFile::remove(file));
    WriteFile(file, QByteArray("esto no es una base de datos, solo texto\n").repeated(200));
    const QByteArray before = Hash(file);
    DataStore store(QStringLiteral("foreign-"));
    store.setPath(Alias::Historico, install.historia());
    EXPECT_EQ(ConnectError(store, Alias::Historico), expected);
    EXPECT_EQ(Hash(file), before);

    // A main data file put where the history belongs is not taken for it either.
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QFile::copy(install.datos() + QStringLiteral("/datos.sqlite"), file));
    EXPECT_EQ(ConnectError(store, Alias::Historico), expected);
}

TEST(DataStore, AnotherProgramsSqliteFileIsRefused)
{
    SKIP_ON_SERVER("foreign SQLite files");
    TempInstallation install;
    const QString file = install.historia() + QStringLiteral("/historia.sqlite");
    ASSERT_TRUE(QFile::remove(file));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("otro"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        RunSql(db, QStringLiteral("CREATE TABLE agenda (nombre TEXT)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("otro"));
    const QByteArray before = Hash(file);
    DataStore store(QStringLiteral("other-"));
    store.setPath(Alias::Historico, install.historia());
    EXPECT_TRUE(ConnectError(store, Alias::Historico).contains(QStringLiteral("no es una base de datos de Cuantix")));
    EXPECT_EQ(Hash(file), before);
}

TEST(DataStore, NewerSchemaIsRefused)
{
    TempInstallation install;
    {
        DataStore store(QStringLiteral("newer1-"));
        store.setPath(Alias::Historico, install.historia());
        store.connect(Alias::Historico);
        SetSchemaVersion(store.database(Alias::Historico), DatabaseKind::Historia, kSchemaVersion + 1);
    }
    DataStore store(QStringLiteral("newer2-"));
    store.setPath(Alias::Historico, install.historia());
    EXPECT_TRUE(ConnectError(store, Alias::Historico).contains(QStringLiteral("versión más reciente")));
    EXPECT_FALSE(store.isConnected(Alias::Historico));
}

TEST(DataStore, FileOfTheFirstVersionIsUpgradedInPlace)
{
    TempInstallation install;
    {
        DataStore store(QStringLiteral("old1-"));
        store.setPath(Alias::Historico, install.historia());
        store.connect(Alias::Historico);
        const QSqlDatabase db = store.database(Alias::Historico);
        for (const char *index : {"Cabecera_Tipo_NumAsunto", "Cabecera_Tipo_Fecha", "Cabecera_Tipo_Descripcion"})
            RunSql(db, QStringLiteral("DROP INDEX %1").arg(QLatin1String(index)));
        RunSql(db, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Tipo) VALUES ('7/2020', 'I')"));
        SetSchemaVersion(db, DatabaseKind::Historia, 1);
    }
    DataStore store(QStringLiteral("old2-"));
    store.setPath(Alias::Historico, install.historia());
    store.connect(Alias::Historico);
    const QSqlDatabase db = store.database(Alias::Historico);
    EXPECT_EQ(SchemaVersion(db), kSchemaVersion);
    const QString indexes = IsServer(db) ? QStringLiteral("SELECT count(*) FROM pg_indexes WHERE schemaname = current_schema()"
                                                          " AND indexname LIKE 'cabecera_tipo_%'")
                                         : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index'"
                                                          " AND name LIKE 'Cabecera_Tipo_%'");
    EXPECT_EQ(Scalar(db, indexes).toInt(), 3);
    EXPECT_EQ(Scalar(db, QStringLiteral("SELECT NumAsunto FROM Cabecera")).toString(), QStringLiteral("7/2020"));
}

TEST(DataStore, MissingOrEmptiedFileIsRefusedWithoutCreatingAnything)
{
    SKIP_ON_SERVER("missing or emptied files");
    TempInstallation install;
    const QString historia = install.historia() + QStringLiteral("/historia.sqlite");
    const QString datos = install.datos() + QStringLiteral("/datos.sqlite");
    ASSERT_TRUE(QFile::remove(historia));
    DataStore store(QStringLiteral("fresh-"));
    store.setPath(Alias::Historico, install.historia());
    EXPECT_EQ(ConnectError(store, Alias::Historico),
              QStringLiteral("No se encuentra la base de datos \"%1\"; compruebe la carpeta de datos o restaure una "
                             "copia de seguridad.").arg(historia));
    EXPECT_EQ(QDir(install.historia()).entryList(QDir::Files | QDir::Hidden), QStringList{});

    // A zero-length file, or a database with no tables, is damaged: the rates would be gone.
    const auto damaged = QStringLiteral("La base de datos \"%1\" está dañada; restaure una copia de seguridad "
                                        "(Utilidades, Restaurar Copia de Seguridad).").arg(datos);
    store.setPath(Alias::Devenix, install.datos());
    ASSERT_TRUE(QFile::resize(datos, 0));
    EXPECT_EQ(ConnectError(store, Alias::Devenix), damaged);
    EXPECT_EQ(QFileInfo(datos).size(), 0);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("vacia"));
        db.setDatabaseName(datos);
        ASSERT_TRUE(db.open());
        RunSql(db, QStringLiteral("PRAGMA user_version = 0"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("vacia"));
    EXPECT_EQ(ConnectError(store, Alias::Devenix), damaged);

    // Only a new installation creates its files.
    ASSERT_TRUE(QFile::remove(datos));
    store.create(Alias::Devenix);
    EXPECT_EQ(Scalar(store.database(Alias::Devenix), QStringLiteral("PRAGMA user_version")).toInt(), kSchemaVersion);
    EXPECT_THROW(store.create(Alias::Devenix), AppError);
}

TEST(DataStore, ModuleReconnectsToAnotherRegion)
{
    TempInstallation install;
    DataStore store(QStringLiteral("module-"));
    store.openModule(install.file(QStringLiteral("modulos/galicia")));
    RunSql(store.database(Alias::Modulo), QStringLiteral("INSERT INTO principal (Id, Titulo) VALUES (1, 'Galicia')"));
    store.openModule(install.file(QStringLiteral("modulos/murcia")));
    EXPECT_EQ(store.path(Alias::Modulo), install.file(QStringLiteral("modulos/murcia")));
    EXPECT_EQ(Scalar(store.database(Alias::Modulo), QStringLiteral("SELECT count(*) FROM principal")).toInt(), 0);
}

// Damage at each kind of page, found while opening or while reading: every message names the
// file and says to restore a backup.
TEST(DataStore, DamagedFileMessagesNameTheFileAndSayWhatToDo)
{
    SKIP_ON_SERVER("damaged files");
    struct Case
    {
        const char *what;
        const char *rootOf; // overwrite this object's root page; null: the file header
    };
    const Case cases[] = {{"header", nullptr},
                          {"schema", "sqlite_master"},
                          {"index", "Cabecera_Tipo_Fecha"},
                          {"data", "Cabecera"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempInstallation install;
        const QString file = install.historia() + QStringLiteral("/historia.sqlite");
        qint64 offset = 0;
        {
            DataStore store(QStringLiteral("fill-"));
            store.setPath(Alias::Historico, install.historia());
            store.connect(Alias::Historico);
            const QSqlDatabase db = store.database(Alias::Historico);
            Transaction t(db);
            for (int i = 0; i < 3000; ++i)
                RunSql(db, QStringLiteral("INSERT INTO Cabecera (NumAsunto, Fecha, Descripcion, Tipo) VALUES (?, ?, ?, 'I')"),
                       {QStringLiteral("%1/2021").arg(i), QStringLiteral("2021-01-%1").arg(i % 28 + 1, 2, 10, QLatin1Char('0')),
                        QStringLiteral("Asunto número %1").arg(i)});
            t.commit();
            const qint64 pageSize = Scalar(db, QStringLiteral("PRAGMA page_size")).toLongLong();
            if (c.rootOf && qstrcmp(c.rootOf, "sqlite_master") == 0)
                offset = 100; // page 1 holds the schema after the file header
            else if (c.rootOf)
                offset = (Scalar(db, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = ?"),
                                 {QLatin1String(c.rootOf)}).toLongLong() - 1) * pageSize;
        }
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.seek(offset));
            f.write(QByteArray(c.rootOf ? 3000 : 60, '\x5A'));
        }
        QStringList messages;
        DataStore store(QStringLiteral("damaged-"));
        store.setPath(Alias::Historico, install.historia());
        try {
            store.connect(Alias::Historico);
            const QSqlDatabase db = store.database(Alias::Historico);
            for (const char *sql : {"SELECT max(Capital) FROM Cabecera",
                                    "SELECT NumAsunto FROM Cabecera WHERE Tipo = 'I' ORDER BY Fecha DESC LIMIT 1"}) {
                try {
                    Scalar(db, QLatin1String(sql));
                } catch (const AppError &e) {
                    messages.append(e.message());
                }
            }
        } catch (const AppError &e) {
            messages.append(e.message());
        }
        ASSERT_FALSE(messages.isEmpty()) << "the damage went unnoticed";
        for (const QString &message : std::as_const(messages)) {
            EXPECT_TRUE(message.contains(file)) << message.toStdString();
            EXPECT_TRUE(message.contains(QStringLiteral("restaure una copia de seguridad"))) << message.toStdString();
        }
    }
}

TEST(DataStore, AFullDiskIsNotCalledADamagedFile)
{
    SKIP_ON_SERVER("a full disk under a data file");
    // A small file system of its own, filled up: only root may mount one.
    QTemporaryDir mountPoint;
    if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                    QStringLiteral("size=1m"), QStringLiteral("tmpfs"), mountPoint.path()})
        != 0)
        GTEST_SKIP() << "no se puede montar un sistema de archivos de prueba (hace falta ser root)";
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {mountPoint.path()}); });
    TempInstallation install;
    const QString datos = mountPoint.path() + QStringLiteral("/Datos");
    ASSERT_TRUE(QDir().mkpath(datos));
    ASSERT_TRUE(QFile::copy(install.datos() + QStringLiteral("/datos.sqlite"), datos + QStringLiteral("/datos.sqlite")));
    {
        QFile filler(mountPoint.path() + QStringLiteral("/relleno"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, '\0');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    const QByteArray before = Hash(datos + QStringLiteral("/datos.sqlite"));
    {
        DataStore store(QStringLiteral("full-"));
        store.setPath(Alias::Devenix, datos);
        EXPECT_EQ(ConnectError(store, Alias::Devenix),
                  QStringLiteral("No queda espacio libre en el disco de la carpeta de datos \"%1\". "
                                 "Libere espacio en ese disco y vuelva a intentarlo.").arg(datos));
        EXPECT_FALSE(store.isConnected(Alias::Devenix));
    }
    EXPECT_EQ(Hash(datos + QStringLiteral("/datos.sqlite")), before);
}
