#include "backup_test_support.h"

#include "backup/archive_writer.h"
#include "backup/restore.h"
#include "backup/restore_journal.h"
#include "store/data_store.h"
#include "store/sql.h"
#include "support/temp_installation.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kUndone = QStringLiteral("Se ha deshecho una restauración de copia de seguridad interrumpida: los datos "
                                       "son los que había antes de ella.");
const QString kFinished = QStringLiteral("Se ha terminado una restauración de copia de seguridad interrumpida: los "
                                         "datos son los de la copia restaurada.");

// A small installation whose backup differs from it in a database, a template, and a folder
// the backup creates.
struct Scenario
{
    TempInstallation master;
    QTemporaryDir out;
    QString archive;
    QMap<QString, QByteArray> before;
    QMap<QString, QByteArray> after;
    int steps = 0;

    Scenario()
    {
        for (const QFileInfo &module : QDir(master.file(QStringLiteral("modulos"))).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (module.fileName() != QLatin1String("galicia"))
                QDir(module.absoluteFilePath()).removeRecursively();
        }
        WriteFile(master.file(QStringLiteral("DocPlant/Carta.doc")), "nueva");
        WriteFile(master.file(QStringLiteral("Documentos/2026/Carta-1.docx")), "carta combinada");
        RecordingEvents events;
        archive = out.filePath(QStringLiteral("Copia.zip"));
        WriteBackup(master.path(), archive, events);

        WriteFile(master.file(QStringLiteral("DocPlant/Carta.doc")), "vieja");
        QDir(master.file(QStringLiteral("Documentos"))).removeRecursively();
        {
            DataStore store(QStringLiteral("scenario-"));
            store.setPath(Alias::Historico, master.historia());
            store.connect(Alias::Historico);
            RunSql(store.database(Alias::Historico), QStringLiteral("INSERT INTO Cabecera (NumAsunto, Tipo) VALUES ('9/2026', 'I')"));
        }
        before = TreeContents(master.path());

        QTemporaryDir whole;
        EXPECT_TRUE(CopyTree(master.path(), whole.path()));
        SetRestoreStepHook([this](int step) { steps = std::max(steps, step); });
        RestoreInstallation(whole.path(), archive, events);
        SetRestoreStepHook({});
        after = TreeContents(whole.path());
    }
};

} // namespace

// The placing is stopped after each of its steps by killing the program; the next start leaves
// the installation all as it was or all restored, and nothing of the restore behind.
TEST(RestoreJournal, ARestoreKilledAtAnyStepIsUndoneOrFinishedAtTheNextStart)
{
    Scenario s;
    ASSERT_NE(s.before, s.after);
    ASSERT_GT(s.steps, 10);
    bool sawUndone = false;
    bool sawFinished = false;
    for (int step = 1; step <= s.steps; ++step) {
        SCOPED_TRACE(step);
        QTemporaryDir dir;
        ASSERT_TRUE(CopyTree(s.master.path(), dir.path()));
        QProcess stopper;
        stopper.start(BuiltProgram(QStringLiteral("restore_stopper")), {dir.path(), s.archive, QString::number(step)});
        ASSERT_TRUE(stopper.waitForReadyRead(60000)) << stopper.readAllStandardError().toStdString();
        ASSERT_EQ(stopper.readAllStandardOutput().trimmed(), QByteArray("parado"));
        stopper.kill();
        stopper.waitForFinished();

        const auto said = RecoverInterruptedRestore(dir.path());
        const QMap<QString, QByteArray> now = TreeContents(dir.path());
        if (now == s.before) {
            EXPECT_EQ(said.value_or(QString()), kUndone);
            sawUndone = true;
        } else {
            EXPECT_TRUE(now == s.after) << "a mix of old and new files";
            EXPECT_EQ(said.value_or(QString()), kFinished);
            sawFinished = true;
        }
        EXPECT_FALSE(RecoverInterruptedRestore(dir.path())) << "recovered twice";
    }
    EXPECT_TRUE(sawUndone && sawFinished);
}

TEST(RestoreJournal, LeftoversOfAnOlderRestoreAreRemovedAndNeverBackedUp)
{
    TempInstallation install;
    const auto clean = TreeContents(install.path());
    WriteFile(install.file(QStringLiteral("Datos/datos.sqlite.anterior-AbC123")), "datos de antes");
    WriteFile(install.file(QStringLiteral(".restauracion-AbC123/new/Datos/campos.db")), "a medio extraer");

    QTemporaryDir out;
    RecordingEvents events;
    WriteBackup(install.path(), out.filePath(QStringLiteral("c.zip")), events);
    for (const ZipEntry &entry : ReadZip(out.filePath(QStringLiteral("c.zip")))) {
        EXPECT_FALSE(entry.name.contains(QLatin1String(".anterior-"))) << entry.name.toStdString();
        EXPECT_FALSE(entry.name.contains(QLatin1String(".restauracion-"))) << entry.name.toStdString();
    }

    EXPECT_EQ(RecoverInterruptedRestore(install.path()),
              QStringLiteral("Se han eliminado los restos de una restauración de copia de seguridad interrumpida."));
    EXPECT_TRUE(TreeContents(install.path()) == clean);
}
