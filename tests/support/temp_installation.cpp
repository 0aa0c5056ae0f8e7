#include "support/temp_installation.h"

#include "core/ini_file.h"
#include "store/seed.h"
#include "support/pg_server.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace {

// What invoices need to be issued, which a real office and producer fill in: the office's
// N.I.F. and the producer's name and N.I.F. in the declaration.
void FillIssuingData(const QString &path)
{
    IniFile settings(path + QStringLiteral("/Devenix.ini"));
    settings.writeString(QStringLiteral("FACTURACION"), QStringLiteral("NIF"), kTestOfficeNif);
    IniFile declaration(path + QStringLiteral("/verifactu/declaracion-responsable.ini"));
    declaration.writeString(QStringLiteral("PRODUCTOR"), QStringLiteral("Nombre"), QStringLiteral("Productor de Pruebas S.L."));
    declaration.writeString(QStringLiteral("PRODUCTOR"), QStringLiteral("NIF"), QStringLiteral("B87654321"));
}

const QString &SeededMaster()
{
    static std::unique_ptr<QTemporaryDir> master;
    static QString path;
    if (!master) {
        master = std::make_unique<QTemporaryDir>();
        path = master->path() + QStringLiteral("/instalacion");
        SeedInstallation(QStringLiteral(CUANTIX_SOURCE_DATA_DIR), path);
        FillIssuingData(path);
    }
    return path;
}

} // namespace

bool CopyTree(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(target))
                return false;
        } else if (!QFile::copy(source, target)) {
            return false;
        }
    }
    return true;
}

TempInstallation::TempInstallation()
{
    const bool server = TestsOnServer() && TestServer();
    // On the server the folder holds the installation's other files, and no SQLite file for a
    // connection to fall back on unnoticed; its data are a database of its own.
    if (!CopyTree(server ? SeededServerInstallation() : SeededMaster(), m_dir.path()))
        ADD_FAILURE() << "could not copy the seeded installation";
    if (!server)
        return;
    FillIssuingData(m_dir.path());
    try {
        m_engine = CreateTestDatabase();
        IniFile settings(file(QStringLiteral("Devenix.ini")));
        m_engine->write(settings);
    } catch (const AppError &e) {
        ADD_FAILURE() << qPrintable(e.message()) << " " << qPrintable(e.detail());
    }
}

TempInstallation::~TempInstallation()
{
    if (!m_engine)
        return;
    try {
        DropTestDatabase(*m_engine);
    } catch (const AppError &) {
        // The server goes with the test run.
    }
}

QString BuiltProgram(const QString &name)
{
    return QStringLiteral(CUANTIX_BINARY_DIR) + QStringLiteral("/bin/") + name;
}
