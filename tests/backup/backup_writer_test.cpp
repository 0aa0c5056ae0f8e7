#include "backup_test_support.h"

#include "backup/archive_writer.h"
#include "backup/backup_rules.h"
#include "backup/backup_selection.h"
#include "store/data_store.h"
#include "store/sql.h"
#include "support/app_fixture.h"
#include "support/temp_installation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zip.h>

namespace {

QStringList RegionDirs(const DataStore &store)
{
    QStringList dirs;
    QSqlQuery q = RunSql(store.database(Alias::General), QStringLiteral("SELECT Dir FROM regiones"));
    while (q.next())
        dirs.append(q.value(0).toString());
    return dirs;
}

} // namespace

TEST(BackupNames, ProposedNameAndArchivePath)
{
    EXPECT_EQ(ProposedBackupName(QDate(2026, 12, 8)), QStringLiteral("Copia08122026.zip"));
    EXPECT_EQ(ProposedBackupName(QDate(2027, 1, 31)), QStringLiteral("Copia31012027.zip"));
    EXPECT_EQ(BackupArchivePath(QStringLiteral("/home/ana/copias"), QStringLiteral("x.zip")),
              QStringLiteral("/home/ana/copias/x.zip"));
    EXPECT_EQ(BackupArchivePath(QStringLiteral("/"), QStringLiteral("x.zip")), QStringLiteral("/x.zip"));
    EXPECT_EQ(BackupArchivePath(QStringLiteral("c:\\copias\\"), QStringLiteral("x.zip")),
              QStringLiteral("c:\\copias\\x.zip"));
}

TEST(BackupNames, RestoreNameAcceptsTheFolderSeparatorOfTheSystem)
{
    EXPECT_TRUE(RefusedInRestoreName(QLatin1Char('\\')).contains(QLatin1Char('/')));
    EXPECT_FALSE(RefusedInRestoreName(QLatin1Char('/')).contains(QLatin1Char('/')));
    for (const QChar c : QStringLiteral(" -*?\"<>|")) {
        EXPECT_TRUE(RefusedInRestoreName(QLatin1Char('/')).contains(c));
        EXPECT_TRUE(RefusedInBackupName().contains(c));
    }
    EXPECT_TRUE(RefusedInBackupName().contains(QLatin1Char('\\')));
    EXPECT_TRUE(RefusedInBackupName().contains(QLatin1Char(':')));
    EXPECT_FALSE(RefusedInRestoreName(QLatin1Char('/')).contains(QLatin1Char(':')));
}

TEST(ArchiveEntryName, IsThePathBelowTheRootOfItsDrive)
{
    const struct
    {
        const char *path;
        const char *entry;
    } rows[] = {
        {"/home/ana/cuantix/Datos/datos.sqlite", "home/ana/cuantix/Datos/datos.sqlite"},
        {"C:/Devenix/Datos/INTERES.DB", "Devenix/Datos/INTERES.DB"},
        {"c:\\Archivos de programa\\Devenix\\Interes.db", "Archivos de programa/Devenix/Interes.db"},
        {"//servidor/despacho/cuantix/DocPlant/a.doc", "cuantix/DocPlant/a.doc"},
        {"/Interes.db", "Interes.db"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(ArchiveEntryName(QString::fromUtf8(row.path)), QString::fromUtf8(row.entry)) << row.path;
}

TEST(ProgressMeter, FollowsTheThreeEventKinds)
{
    ProgressMeter meter;
    EXPECT_EQ(meter.apply(ProgressKind::TotalSize2Process, 1000), 1);
    EXPECT_EQ(meter.apply(ProgressKind::ProgressUpdate, 0), 1);
    EXPECT_EQ(meter.apply(ProgressKind::ProgressUpdate, 333), 34);  // 33.3 rounds to 33, plus 1
    EXPECT_EQ(meter.apply(ProgressKind::ProgressUpdate, 2), 35);    // 33.5 rounds to 34
    EXPECT_EQ(meter.apply(ProgressKind::ProgressUpdate, 665), 100); // 100 + 1 stays on the bar
    EXPECT_EQ(meter.apply(ProgressKind::EndOfBatch, 0), 0);
    // Nothing to process: the bar stays where the start put it.
    EXPECT_EQ(meter.apply(ProgressKind::TotalSize2Process, 0), 1);
    EXPECT_EQ(meter.apply(ProgressKind::ProgressUpdate, 50), 1);
}

TEST(BackupSelection, FreshInstallationHoldsEveryDataFolderAndNoLockOrTemporaryFile)
{
    AppFixture app; // its databases are open: their write-ahead logs lie beside them
    app.store.openModule(app.install.path() + QStringLiteral("/modulos/galicia"));
    WriteFile(app.install.file(QStringLiteral("Datos/PDOXUSRS.NET")), "net");
    WriteFile(app.install.file(QStringLiteral("Datos/Interes.LCK")), "lock");
    WriteFile(app.install.file(QStringLiteral("modulos/galicia/paradox.lck")), "lock");
    WriteFile(app.install.file(QStringLiteral("Historia/borrador.sqlite-journal")), "journal");
    ASSERT_TRUE(QFile::exists(app.install.file(QStringLiteral("Datos/datos.sqlite-wal"))));

    QTemporaryDir out;
    RecordingEvents events;
    const QString archive = out.filePath(QStringLiteral("Copia.zip"));
    WriteBackup(app.install.path(), archive, events);
    const QStringList names = RelativeNames(ReadZip(archive), app.install.path());

    EXPECT_EQ(names.first(), QStringLiteral("DocPlant/")); // empty, yet restored as a folder
    for (const char *expected : {"Historia/", "Historia/historia.sqlite", "Datos/", "Datos/datos.sqlite", "modulos/"})
        EXPECT_TRUE(names.contains(QLatin1String(expected))) << expected;
    const QStringList regions = RegionDirs(app.store);
    ASSERT_EQ(regions.size(), 22);
    for (const QString &dir : regions) {
        EXPECT_TRUE(names.contains(QStringLiteral("modulos/%1/").arg(dir))) << dir.toStdString();
        EXPECT_TRUE(names.contains(QStringLiteral("modulos/%1/modulo.sqlite").arg(dir))) << dir.toStdString();
    }
    for (const QString &name : names) {
        for (const char *suffix : {".lck", ".net", "-wal", "-shm", "-journal"})
            EXPECT_FALSE(name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive)) << name.toStdString();
    }
    // The masks' order: templates, top-level tables, history, main data, modules.
    EXPECT_LT(names.indexOf(QStringLiteral("Historia/")), names.indexOf(QStringLiteral("Datos/")));
    EXPECT_LT(names.indexOf(QStringLiteral("Datos/")), names.indexOf(QStringLiteral("modulos/")));
    EXPECT_EQ(events.lines.filter(QStringLiteral("Añadiendo: ")).size(),
              std::count_if(names.begin(), names.end(), [](const QString &n) { return !n.endsWith(QLatin1Char('/')); }));
    ASSERT_FALSE(events.events.empty());
    EXPECT_EQ(events.events.front().first, ProgressKind::TotalSize2Process);
    EXPECT_EQ(events.events.back().first, ProgressKind::EndOfBatch);
}

TEST(BackupSelection, TopLevelTablesAreFoundInEveryFolderOnceEach)
{
    TempInstallation install;
    WriteFile(install.file(QStringLiteral("DocPlant/Carta.doc")), "carta");
    WriteFile(install.file(QStringLiteral("Interes.db")), "paradox");
    WriteFile(install.file(QStringLiteral("Campos.px")), "paradox");
    WriteFile(install.file(QStringLiteral("Campos")), "no extension");
    WriteFile(install.file(QStringLiteral("otros/INTERES.PX")), "paradox");
    WriteFile(install.file(QStringLiteral("otros/notas.txt")), "not data");
    WriteFile(install.file(QStringLiteral("Devenix.ini")), "[INICIO]");
    WriteFile(install.file(QStringLiteral("Datos/campos.val")), "paradox");

    QStringList names;
    for (const BackupItem &item : SelectBackupItems(install.path()))
        names.append(QDir(install.path()).relativeFilePath(item.path) + (item.isDirectory ? QStringLiteral("/") : QString()));

    const QStringList expectedStart = {QStringLiteral("DocPlant/"), QStringLiteral("DocPlant/Carta.doc"),
                                       QStringLiteral("Interes.db"), QStringLiteral("otros/INTERES.PX"),
                                       QStringLiteral("Campos"), QStringLiteral("Campos.px"),
                                       QStringLiteral("Datos/campos.val"), QStringLiteral("Historia/")};
    EXPECT_EQ(names.mid(0, expectedStart.size()), expectedStart);
    EXPECT_EQ(names.count(QStringLiteral("Datos/campos.val")), 1); // found by two masks, taken once
    EXPECT_FALSE(names.contains(QStringLiteral("otros/notas.txt")));
    EXPECT_FALSE(names.contains(QStringLiteral("Devenix.ini")));
}

TEST(BackupWriter, StoresAlreadyCompressedSuffixesAndDeflatesTheRest)
{
    TempInstallation install;
    const QByteArray text = QByteArray("Liquidación de intereses. ").repeated(2000);
    const char *stored[] = {"a.gif", "b.PNG", "c.z", "d.zip", "e.zoo", "f.arc", "g.lzh", "h.arj", "i.taz",
                            "j.tgz", "k.lha", "l.rar", "m.ace", "n.cab", "o.gz", "p.gzip", "q.JAR"};
    const char *deflated[] = {"carta.doc", "modelo.docx", "notas.txt", "plantilla.dot", "imagen.jpg", "zip"};
    for (const char *name : stored)
        WriteFile(install.file(QStringLiteral("DocPlant/") + QLatin1String(name)), text);
    for (const char *name : deflated)
        WriteFile(install.file(QStringLiteral("DocPlant/") + QLatin1String(name)), text);

    QTemporaryDir out;
    RecordingEvents events;
    WriteBackup(install.path(), out.filePath(QStringLiteral("c.zip")), events);
    QMap<QString, int> methods;
    for (const ZipEntry &e : ReadZip(out.filePath(QStringLiteral("c.zip")))) {
        methods.insert(QFileInfo(e.name).fileName(), e.method);
        if (e.name.contains(QLatin1String("/DocPlant/")) && !e.name.endsWith(QLatin1Char('/'))) {
            EXPECT_EQ(e.data, text) << e.name.toStdString();
        }
    }
    for (const char *name : stored)
        EXPECT_EQ(methods.value(QLatin1String(name), -1), ZIP_CM_STORE) << name;
    for (const char *name : deflated)
        EXPECT_EQ(methods.value(QLatin1String(name), -1), ZIP_CM_DEFLATE) << name;
}

TEST(BackupWriter, ReplacesAnArchiveOfTheSameNameAndCreatesTheFolder)
{
    TempInstallation install;
    QTemporaryDir out;
    const QString archive = out.filePath(QStringLiteral("nueva/carpeta/Copia.zip"));
    RecordingEvents events;
    WriteBackup(install.path(), archive, events);
    const auto first = ReadZip(archive);
    WriteFile(install.file(QStringLiteral("DocPlant/nuevo.doc")), "nuevo");
    WriteBackup(install.path(), archive, events);
    const auto second = ReadZip(archive);
    EXPECT_EQ(second.size(), first.size() + 1);
    EXPECT_EQ(QDir(out.filePath(QStringLiteral("nueva/carpeta"))).entryList(QDir::Files),
              QStringList{QStringLiteral("Copia.zip")});
}

TEST(BackupWriter, AnArchiveInsideTheInstallationDoesNotTakeItself)
{
    TempInstallation install;
    RecordingEvents events;
    const QString archive = install.file(QStringLiteral("DocPlant/Copia.zip"));
    WriteBackup(install.path(), archive, events);
    WriteBackup(install.path(), archive, events); // the first copy is now in the folder
    for (const ZipEntry &e : ReadZip(archive))
        EXPECT_FALSE(e.name.endsWith(QLatin1String("Copia.zip"))) << e.name.toStdString();
}

TEST(BackupWriter, FailureLeavesNoArchiveAndSaysWhy)
{
    TempInstallation install;
    QTemporaryDir out;
    ASSERT_TRUE(QDir().mkpath(out.filePath(QStringLiteral("Copia.zip")))); // a folder in the way
    RecordingEvents events;
    try {
        WriteBackup(install.path(), out.filePath(QStringLiteral("Copia.zip")), events);
        FAIL() << "written over a folder";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("No se ha podido escribir la copia de seguridad \"")))
            << e.message().toStdString();
    }
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{});
    EXPECT_EQ(events.events.back().first, ProgressKind::EndOfBatch);
}

// A damaged or emptied database stops the backup by name; the older good archive stays.
TEST(BackupWriter, ADamagedDatabaseStopsTheBackupAndKeepsTheOlderArchive)
{
    const struct
    {
        const char *what;
        const char *file;
    } cases[] = {{"emptied", "Datos/datos.sqlite"}, {"damaged page", "Historia/historia.sqlite"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TempInstallation install;
        QTemporaryDir out;
        const QString archive = out.filePath(QStringLiteral("Copia.zip"));
        RecordingEvents events;
        WriteBackup(install.path(), archive, events);
        const QByteArray good = ReadFile(archive);

        const QString file = install.file(QLatin1String(c.file));
        if (qstrcmp(c.what, "emptied") == 0) {
            ASSERT_TRUE(QFile::resize(file, 0));
        } else {
            qint64 page = 0;
            {
                DataStore store(QStringLiteral("damage-"));
                store.setPath(Alias::Historico, install.historia());
                store.connect(Alias::Historico);
                page = Scalar(store.database(Alias::Historico),
                              QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'Cabecera_Tipo_Fecha'")).toLongLong();
            }
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.seek((page - 1) * 4096));
            f.write(QByteArray(200, '\x5A'));
        }
        try {
            WriteBackup(install.path(), archive, events);
            ADD_FAILURE() << "backed up";
        } catch (const AppError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("La base de datos \"%1\" está dañada; restaure una copia de seguridad "
                                                  "(Utilidades, Restaurar Copia de Seguridad).")
                                       .arg(QDir::toNativeSeparators(QDir::cleanPath(file))));
        }
        EXPECT_EQ(ReadFile(archive), good);
    }
}

TEST(BackupNames, TheRestoreProposesTheNewestBackupOfTheFolder)
{
    QTemporaryDir folder;
    EXPECT_EQ(NewestBackupIn(folder.path()), QString());
    const QDateTime now = QDateTime::currentDateTime();
    for (const auto &[name, age] : {std::pair{"Copia01122026.zip", 3}, {"Copia08122026.zip", 1}, {"Copia05122026.zip", 2}}) {
        QFile f(folder.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.setFileTime(now.addDays(-age), QFileDevice::FileModificationTime);
    }
    WriteFile(folder.filePath(QStringLiteral("notas.txt")), "más reciente, pero no es una copia");
    EXPECT_EQ(NewestBackupIn(folder.path()), folder.filePath(QStringLiteral("Copia08122026.zip")));
}
