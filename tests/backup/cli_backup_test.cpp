#include "backup_test_support.h"

#include "support/temp_installation.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Result
{
    int status;
    QString out;
    QString err;
};

Result Cli(const QStringList &args, const QString &workingDir = {})
{
    QProcess p;
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(BuiltProgram(QStringLiteral("devenix-cli")), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}


} // namespace

TEST(DevenixCliBackup, CopiaAndRestaurarMoveTheDataToAnotherInstallation)
{
    TempInstallation office;
    WriteFile(office.file(QStringLiteral("DocPlant/Carta.doc")), "carta");
    WriteFile(office.file(QStringLiteral("Documentos/Carta-1.docx")), "carta combinada y retocada");
    // What a restore cut short while extracting left behind goes first, said in one line.
    WriteFile(office.file(QStringLiteral(".restauracion-Ab12Cd/new/Datos/datos.sqlite")), "a medias");
    QTemporaryDir out;
    // The installation of the current folder.
    const Result copy = Cli({QStringLiteral("copia"), out.filePath(QStringLiteral("noche.zip"))}, office.path());
    EXPECT_EQ(copy.status, 0) << copy.err.toStdString();
    EXPECT_TRUE(copy.err.startsWith(QStringLiteral("Se han eliminado los restos de una restauración de copia de "
                                                   "seguridad interrumpida.\nInicio de Proceso.\n")))
        << copy.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(office.file(QStringLiteral(".restauracion-Ab12Cd"))));
    EXPECT_TRUE(copy.err.contains(QStringLiteral("Progreso: ")));
    EXPECT_TRUE(copy.err.endsWith(QStringLiteral("Proceso finalizado.\n")));
    EXPECT_TRUE(copy.out.startsWith(QStringLiteral("Copia de seguridad creada en \""))) << copy.out.toStdString();

    TempInstallation elsewhere;
    const Result restore = Cli({QStringLiteral("restaurar"), out.filePath(QStringLiteral("noche.zip")),
                                QStringLiteral("--instalacion"), elsewhere.path()});
    EXPECT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_TRUE(restore.out.startsWith(QStringLiteral("El proceso de recuperación de la copia de seguridad ha finalizado")));
    EXPECT_EQ(ReadFile(elsewhere.file(QStringLiteral("DocPlant/Carta.doc"))), "carta");
    EXPECT_EQ(ReadFile(elsewhere.file(QStringLiteral("Documentos/Carta-1.docx"))), "carta combinada y retocada");
}

TEST(DevenixCliBackup, FailuresExitWithoutSuccess)
{
    TempInstallation install;
    QTemporaryDir out;
    const auto before = TreeContents(install.path());

    const Result missing = Cli({QStringLiteral("restaurar"), out.filePath(QStringLiteral("no-existe.zip")),
                                QStringLiteral("--instalacion"), install.path()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, QStringLiteral("No existe el archivo \"%1\".\n")
                               .arg(QDir::toNativeSeparators(out.filePath(QStringLiteral("no-existe.zip")))));
    const Result noValue = Cli({QStringLiteral("copia"), out.filePath(QStringLiteral("x.zip")), QStringLiteral("--instalacion")});
    EXPECT_EQ(noValue.status, 2);
    EXPECT_EQ(noValue.err, QStringLiteral("Falta el valor de la opción --instalacion.\n"));

    // What the zip library says comes in Spanish.
    const QString text = out.filePath(QStringLiteral("texto.zip"));
    WriteFile(text, QByteArray("esto no es un zip\n").repeated(100));
    const Result notZip = Cli({QStringLiteral("restaurar"), text, QStringLiteral("--instalacion"), install.path()});
    EXPECT_EQ(notZip.status, 1);
    EXPECT_TRUE(notZip.err.endsWith(QStringLiteral("(no es un archivo zip)\n"))) << notZip.err.toStdString();

    const QString hostile = out.filePath(QStringLiteral("hostil.zip"));
    WriteZip(hostile, {{QStringLiteral("p/Datos/x"), "x"}, {QStringLiteral("../../etc/x"), "x"}});
    const Result bad = Cli({QStringLiteral("restaurar"), hostile, QStringLiteral("--instalacion"), install.path()});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("La instalación no se ha modificado."))) << bad.err.toStdString();
    EXPECT_TRUE(TreeContents(install.path()) == before);

    EXPECT_EQ(Cli({QStringLiteral("copia")}).status, 2);
    ASSERT_TRUE(QDir().mkpath(out.filePath(QStringLiteral("carpeta.zip"))));
    const Result unwritable = Cli({QStringLiteral("copia"), out.filePath(QStringLiteral("carpeta.zip")),
                                   QStringLiteral("--instalacion"), install.path()});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains(QStringLiteral("No se ha podido escribir la copia de seguridad")));
}
