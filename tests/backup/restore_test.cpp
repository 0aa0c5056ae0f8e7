#include "backup_test_support.h"

#include "backup/archive_reader.h"
#include "backup/archive_writer.h"
#include "backup/backup_selection.h"
#include "backup/restore.h"
#include "backup/restore_names.h"
#include "store/record_locks.h"
#include "store/sql.h"
#include "support/app_fixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

void AddClient(DataStore &store, int code, const QString &name)
{
    RunSql(store.database(Alias::Intereses), QStringLiteral("INSERT INTO clientes (ICodCli, SNombreCli) VALUES (?, ?)"),
        {code, name});
}

QStringList Clients(DataStore &store)
{
    QStringList names;
    QSqlQuery q = RunSql(store.database(Alias::Intereses), QStringLiteral("SELECT SNombreCli FROM clientes ORDER BY ICodCli"));
    while (q.next())
        names.append(q.value(0).toString());
    return names;
}

QString Backup(const QString &programDir, const QTemporaryDir &out, const QString &name = QStringLiteral("Copia.zip"))
{
    RecordingEvents events;
    const QString archive = out.filePath(name);
    WriteBackup(programDir, archive, events);
    return archive;
}

// What the restore leaves behind when it is done: nothing of its own.
void ExpectNoRestoreLeftovers(const QString &programDir)
{
    for (const auto &[path, bytes] : TreeContents(programDir).asKeyValueRange()) {
        EXPECT_FALSE(path.contains(QLatin1String(".restauracion-"))) << path.toStdString();
        EXPECT_FALSE(path.contains(QLatin1String(".anterior-"))) << path.toStdString();
    }
}

} // namespace

TEST(PlanRestore, MapsTheOldProgramFolderOntoTheCurrentOne)
{
    const RestorePlan ours = PlanRestore(QStringLiteral("c.zip"),
        {QStringLiteral("home/ana/cuantix/DocPlant/"), QStringLiteral("home/ana/cuantix/DocPlant/Carta.doc"),
         QStringLiteral("home/ana/cuantix/Datos/datos.sqlite"),
         QStringLiteral("home/ana/cuantix/modulos/galicia/modulo.sqlite")});
    EXPECT_EQ(ours.oldProgramDir, QStringLiteral("home/ana/cuantix"));
    EXPECT_EQ(ours.targets, (QStringList{QStringLiteral("DocPlant/"), QStringLiteral("DocPlant/Carta.doc"),
                                         QStringLiteral("Datos/datos.sqlite"),
                                         QStringLiteral("modulos/galicia/modulo.sqlite")}));

    // Older Windows backups: backslashes, no drive, the folders in any case.
    const RestorePlan windows = PlanRestore(QStringLiteral("c.zip"),
        {QStringLiteral("Archivos de programa\\Devenix\\DOCPLANT\\Demanda.doc"),
         QStringLiteral("Archivos de programa\\Devenix\\Interes.db"),
         QStringLiteral("Archivos de programa\\Devenix\\datos\\INTERES.DB"),
         QStringLiteral("Archivos de programa\\Devenix\\Historia\\\\CABECERA.DB")});
    EXPECT_EQ(windows.oldProgramDir, QStringLiteral("Archivos de programa/Devenix"));
    EXPECT_EQ(windows.targets, (QStringList{QStringLiteral("DocPlant/Demanda.doc"), QStringLiteral("Interes.db"),
                                            QStringLiteral("Datos/INTERES.DB"), QStringLiteral("Historia/CABECERA.DB")}));

    // A data folder's name higher up, and top-level tables found in other folders.
    const RestorePlan nested = PlanRestore(QStringLiteral("c.zip"),
        {QStringLiteral("srv/Datos/despacho/Datos/datos.sqlite"), QStringLiteral("srv/Datos/despacho/otros/Campos.db"),
         QStringLiteral("srv/Datos/despacho/./Historia/historia.sqlite")});
    EXPECT_EQ(nested.oldProgramDir, QStringLiteral("srv/Datos/despacho"));
    EXPECT_EQ(nested.targets, (QStringList{QStringLiteral("Datos/datos.sqlite"), QStringLiteral("otros/Campos.db"),
                                           QStringLiteral("Historia/historia.sqlite")}));

    // Backed up from the root of a drive.
    EXPECT_EQ(PlanRestore(QStringLiteral("c.zip"), {QStringLiteral("Datos/datos.sqlite")}).targets,
              QStringList{QStringLiteral("Datos/datos.sqlite")});
}

TEST(PlanRestore, RefusesEntriesThatWouldLandOutsideAndArchivesThatAreNoBackup)
{
    const struct
    {
        QStringList names;
        const char *message;
    } rows[] = {
        {{QStringLiteral("p/Datos/x"), QStringLiteral("../../etc/x")}, "contiene una entrada no permitida: \"../../etc/x\""},
        {{QStringLiteral("p/Datos/../../x")}, "contiene una entrada no permitida"},
        {{QStringLiteral("/etc/Datos/x")}, "contiene una entrada no permitida"},
        {{QStringLiteral("\\p\\Datos\\x")}, "contiene una entrada no permitida"},
        {{QStringLiteral("C:/p/Datos/x")}, "contiene una entrada no permitida"},
        {{QStringLiteral("p/Datos/x"), QStringLiteral("p/Datos/x")}, "contiene una entrada no permitida"},
        {{QStringLiteral("p/Datos/x"), QStringLiteral("q/Datos/y")}, "no es una copia de seguridad de Cuantix"},
        {{QStringLiteral("fotos/vacaciones.jpg")}, "no es una copia de seguridad de Cuantix"},
        {{QStringLiteral("p/Datos")}, "no es una copia de seguridad de Cuantix"},
        {{}, "no es una copia de seguridad de Cuantix"},
    };
    for (const auto &row : rows) {
        try {
            PlanRestore(QStringLiteral("c.zip"), row.names);
            ADD_FAILURE() << "accepted " << row.names.join(u',').toStdString();
        } catch (const AppError &e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(row.message))) << e.message().toStdString();
        }
    }
}

TEST(Restore, InPlaceBringsTheDataBackAndTheProgramKeepsWorking)
{
    AppFixture app;
    app.session.moduleDir = app.install.path() + QStringLiteral("/modulos/galicia");
    app.store.openModule(app.session.moduleDir);
    AddClient(app.store, 1, QStringLiteral("Ana Pérez"));
    RecordLocks(app.store.database(Alias::Intereses)).lock(QStringLiteral("clientes"), QStringLiteral("1"));
    WriteFile(app.install.file(QStringLiteral("DocPlant/Carta.doc")), "carta original");
    QTemporaryDir out;
    const QString archive = Backup(app.session.programDir, out);

    RunSql(app.store.database(Alias::Intereses), QStringLiteral("DELETE FROM clientes"));
    AddClient(app.store, 2, QStringLiteral("Beto Ruiz"));
    WriteFile(app.install.file(QStringLiteral("DocPlant/Carta.doc")), "carta cambiada");
    WriteFile(app.install.file(QStringLiteral("DocPlant/Nueva.doc")), "nueva");

    const auto entries = ReadZip(archive);
    const auto files = std::count_if(entries.begin(), entries.end(), [](const ZipEntry &e) { return !e.name.endsWith(u'/'); });
    RecordingEvents events;
    EXPECT_EQ(RestoreBackup(app.context, archive, events), files);

    EXPECT_EQ(Clients(app.store), QStringList{QStringLiteral("Ana Pérez")});
    EXPECT_EQ(ReadFile(app.install.file(QStringLiteral("DocPlant/Carta.doc"))), "carta original");
    EXPECT_EQ(ReadFile(app.install.file(QStringLiteral("DocPlant/Nueva.doc"))), "nueva"); // not in the backup: kept
    for (Alias alias : {Alias::Devenix, Alias::Historico, Alias::Intereses, Alias::General, Alias::Modulo})
        EXPECT_TRUE(app.store.isConnected(alias)) << DataStore::AliasName(alias).toStdString();
    EXPECT_EQ(app.store.path(Alias::Modulo), app.session.moduleDir);
    RunSql(app.store.database(Alias::Devenix), QStringLiteral("INSERT INTO Pagos (Fecha, Importe, Tipo) VALUES ('2026-01-02', 5, 'P')"));
    // The lock held when the backup was taken belongs to that moment, not to the data.
    EXPECT_EQ(Scalar(app.store.database(Alias::Intereses), QStringLiteral("SELECT count(*) FROM Bloqueos")).toInt(), 0);
    EXPECT_TRUE(events.lines.contains(QStringLiteral("Extrayendo: Datos/datos.sqlite")));
    EXPECT_EQ(events.events.back().first, ProgressKind::EndOfBatch);
    ExpectNoRestoreLeftovers(app.install.path());
}

TEST(Restore, ArchiveFromAnotherFolderLandsInThisInstallation)
{
    QTemporaryDir out;
    QString archive;
    QString oldDir;
    {
        AppFixture office;
        AddClient(office.store, 7, QStringLiteral("Cliente del otro equipo"));
        WriteFile(office.install.file(QStringLiteral("DocPlant/Plantillas/Demanda.doc")), "demanda");
        archive = Backup(office.session.programDir, out);
        oldDir = office.session.programDir;
    }
    AppFixture app;
    ASSERT_NE(app.session.programDir, oldDir);
    RecordingEvents events;
    RestoreBackup(app.context, archive, events);
    EXPECT_EQ(Clients(app.store), QStringList{QStringLiteral("Cliente del otro equipo")});
    EXPECT_EQ(ReadFile(app.install.file(QStringLiteral("DocPlant/Plantillas/Demanda.doc"))), "demanda");
    EXPECT_FALSE(QFileInfo::exists(oldDir));
    ExpectNoRestoreLeftovers(app.install.path());
}

TEST(Restore, OlderWindowsArchiveIsMappedOntoTheProgramFolder)
{
    TempInstallation source;
    QTemporaryDir out;
    const QString archive = out.filePath(QStringLiteral("copiaseg.zip"));
    WriteZip(archive, {{QStringLiteral("Archivos de programa\\Devenix\\DocPlant\\Carta.doc"), "carta"},
                       {QStringLiteral("Archivos de programa\\Devenix\\Interes.db"), "paradox"},
                       {QStringLiteral("Archivos de programa\\Devenix\\DATOS\\datos.sqlite"),
                        ReadFile(source.file(QStringLiteral("Datos/datos.sqlite")))}});
    TempInstallation install;
    RecordingEvents events;
    EXPECT_EQ(RestoreInstallation(install.path(), archive, events), 3);
    EXPECT_EQ(ReadFile(install.file(QStringLiteral("DocPlant/Carta.doc"))), "carta");
    EXPECT_EQ(ReadFile(install.file(QStringLiteral("Interes.db"))), "paradox");
    EXPECT_EQ(ReadFile(install.file(QStringLiteral("Datos/datos.sqlite"))), ReadFile(source.file(QStringLiteral("Datos/datos.sqlite"))));
    EXPECT_FALSE(QFileInfo::exists(install.file(QStringLiteral("DATOS"))));
}

class BadArchive : public ::testing::Test
{
protected:
    // Restores `archive` over a running program's installation and expects the refusal, with
    // not a byte of the installation changed and the program still connected.
    void ExpectRefusedUnchanged(const QString &archive, const QString &messagePart)
    {
        const auto before = TreeContents(app.install.path());
        RecordingEvents events;
        try {
            RestoreBackup(app.context, archive, events);
            ADD_FAILURE() << "restored " << archive.toStdString();
        } catch (const RestoreRefused &e) {
            EXPECT_TRUE(e.message().contains(messagePart)) << e.message().toStdString();
            EXPECT_TRUE(e.message().endsWith(QStringLiteral(" La instalación no se ha modificado.")));
        }
        EXPECT_TRUE(TreeContents(app.install.path()) == before);
        EXPECT_TRUE(app.store.isConnected(Alias::Devenix));
        EXPECT_EQ(Clients(app.store), QStringList{QStringLiteral("Ana Pérez")});
        EXPECT_EQ(events.events.back().first, ProgressKind::EndOfBatch);
    }

    void SetUp() override
    {
        AddClient(app.store, 1, QStringLiteral("Ana Pérez"));
        WriteFile(app.install.file(QStringLiteral("DocPlant/Carta.doc")), "carta");
        // A good backup of another office, to spoil.
        AppFixture other;
        AddClient(other.store, 9, QStringLiteral("Otro"));
        WriteFile(other.install.file(QStringLiteral("DocPlant/Carta.doc")), QByteArray("contenido de la carta ").repeated(50));
        good = Backup(other.session.programDir, out, QStringLiteral("buena.zip"));
    }

    AppFixture app;
    QTemporaryDir out;
    QString good;
};

TEST_F(BadArchive, TruncatedArchiveChangesNothing)
{
    const QByteArray bytes = ReadFile(good);
    const QString archive = out.filePath(QStringLiteral("truncada.zip"));
    WriteFile(archive, bytes.left(bytes.size() * 2 / 3));
    ExpectRefusedUnchanged(archive, QStringLiteral("no es una copia de seguridad válida o está dañado"));
}

TEST_F(BadArchive, LargerThanTheFreeSpaceChangesNothing)
{
    qint64 total = 0;
    for (const ZipEntry &entry : ReadZip(good))
        total += entry.data.size();
    SetFreeSpaceProbe([total](const QString &) { return total - 1; });
    ExpectRefusedUnchanged(good, QStringLiteral("No queda espacio en el disco para restaurar la copia"));
    SetFreeSpaceProbe({});
}

TEST_F(BadArchive, BadChecksumChangesNothing)
{
    QTemporaryDir other;
    const QString archive = out.filePath(QStringLiteral("crc.zip"));
    const QByteArray letter = QByteArray("contenido de la carta ").repeated(50);
    WriteZip(archive, {{QStringLiteral("p/Datos/datos.sqlite"), ReadFile(app.install.file(QStringLiteral("Datos/datos.sqlite")))},
                       {QStringLiteral("p/DocPlant/Carta.doc"), letter}});
    QByteArray bytes = ReadFile(archive);
    const qsizetype at = bytes.indexOf(letter);
    ASSERT_GE(at, 0);
    bytes[at + 100] = 'X'; // stored data spoiled, the recorded checksum kept
    WriteFile(archive, bytes);
    ExpectRefusedUnchanged(archive, QStringLiteral("está dañada: \"p/DocPlant/Carta.doc\""));
}

TEST_F(BadArchive, EntryClimbingOutChangesNothing)
{
    const QString archive = out.filePath(QStringLiteral("fuera.zip"));
    WriteZip(archive, {{QStringLiteral("p/Datos/x.txt"), "x"}, {QStringLiteral("../../etc/x"), "fuera"}});
    ExpectRefusedUnchanged(archive, QStringLiteral("\"../../etc/x\""));
    EXPECT_FALSE(QFileInfo::exists(QDir(app.install.path()).absoluteFilePath(QStringLiteral("../../etc/x"))));
}

TEST_F(BadArchive, AbsoluteEntryAndLinkChangeNothing)
{
    const QString absolute = out.filePath(QStringLiteral("absoluta.zip"));
    WriteZip(absolute, {{QStringLiteral("/tmp/Datos/x.txt"), "x"}});
    ExpectRefusedUnchanged(absolute, QStringLiteral("no permitida"));

    const QString link = out.filePath(QStringLiteral("enlace.zip"));
    WriteZip(link, {{QStringLiteral("p/Datos/x.txt"), "x"}, {QStringLiteral("p/Datos/datos.sqlite@link"), "/etc/passwd"}});
    ExpectRefusedUnchanged(link, QStringLiteral("\"p/Datos/datos.sqlite\""));
}

TEST_F(BadArchive, ForeignDatabaseChangesNothing)
{
    // A history file where the main data belongs is not taken for it.
    const QString archive = out.filePath(QStringLiteral("ajena.zip"));
    WriteZip(archive, {{QStringLiteral("p/Datos/datos.sqlite"), ReadFile(app.install.file(QStringLiteral("Historia/historia.sqlite")))}});
    ExpectRefusedUnchanged(archive, QStringLiteral("no es una base de datos de Cuantix"));
}

TEST_F(BadArchive, DatabaseOpenInAnotherProgramChangesNothing)
{
    // A restore must not slip a new file under a program still using the old one.
    AppFixture busy;
    const QString archive = Backup(busy.session.programDir, out, QStringLiteral("otra.zip"));
    DataStore other(QStringLiteral("otro-programa-"));
    other.connectMain(app.install.path());
    ExpectRefusedUnchanged(archive, QStringLiteral("está abierta en otro programa"));
}

TEST(Restore, FailurePartWayPutsEveryPreviousFileBack)
{
    TempInstallation install;
    AppFixture other;
    AddClient(other.store, 3, QStringLiteral("Carmen"));
    QTemporaryDir out;
    const QString archive = Backup(other.session.programDir, out);
    // The last region's folder is a file here: the modules come last, so the templates,
    // history and main data are already in place when the restore fails.
    const QString last = install.file(QStringLiteral("modulos/valencia"));
    ASSERT_TRUE(QDir(last).removeRecursively());
    WriteFile(last, "not a folder");
    const auto before = TreeContents(install.path());

    RecordingEvents events;
    EXPECT_THROW(RestoreInstallation(install.path(), archive, events), RestoreRefused);
    EXPECT_TRUE(TreeContents(install.path()) == before);
}

TEST(Restore, BackupTakenWhileAnotherProgramWritesRestoresEveryCommittedRow)
{
    AppFixture app;
    std::atomic<int> committed{0};
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        DataStore store(QStringLiteral("escritor-"));
        store.connectMain(app.install.path());
        const QSqlDatabase db = store.database(Alias::Intereses);
        const QString notes = QString(2000, QLatin1Char('n'));
        for (int id = 1; !stop; ++id) {
            Transaction transaction(db);
            RunSql(db, QStringLiteral("INSERT INTO clientes (ICodCli, SNombreCli, Notas) VALUES (?, ?, ?)"),
                {id, QStringLiteral("Cliente %1").arg(id), notes});
            if (id % 3 == 0) // rewrites pages already copied, too
                RunSql(db, QStringLiteral("UPDATE clientes SET Notas = ? WHERE ICodCli = ?"), {QString(notes + QLatin1Char('x')), id / 2});
            transaction.commit();
            committed = id;
        }
    });
    while (committed < 300)
        std::this_thread::yield();
    const int before = committed;
    QTemporaryDir out;
    const QString archive = Backup(app.session.programDir, out);
    const int after = committed;
    stop = true;
    writer.join();
    ASSERT_GT(after, before) << "the writer did not run during the backup";

    for (const ZipEntry &e : ReadZip(archive)) {
        if (e.name.endsWith(QLatin1String("Datos/datos.sqlite"))) {
            ASSERT_GE(e.data.size(), 20);
            EXPECT_EQ(e.data.at(18), 1) << "the copy needs no write-ahead log";
        }
    }
    TempInstallation elsewhere;
    RecordingEvents events;
    RestoreInstallation(elsewhere.path(), archive, events);
    const QString restored = elsewhere.file(QStringLiteral("Datos/datos.sqlite"));
    EXPECT_EQ(Rows(restored, QStringLiteral("PRAGMA integrity_check")), QStringList{QStringLiteral("ok")});
    const QStringList counts = Rows(restored, QStringLiteral("SELECT count(*), min(ICodCli), max(ICodCli) FROM clientes"));
    ASSERT_EQ(counts.size(), 1);
    const QStringList values = counts.first().split(QLatin1Char('|'));
    const int rows = values[0].toInt();
    EXPECT_GE(rows, before);  // every row committed before the backup began
    EXPECT_LE(rows, after);
    EXPECT_EQ(values[1].toInt(), 1);
    EXPECT_EQ(values[2].toInt(), rows); // and no gap: one committed state
}
