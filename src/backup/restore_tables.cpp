#include "backup/restore_tables.h"

#include "backup/archive_reader.h"
#include "backup/engine_move.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString DatosFile()
{
    return QStringLiteral("Datos/") + DatabaseFileName(DatabaseKind::Datos);
}

QString HistoriaFile()
{
    return QStringLiteral("Historia/") + DatabaseFileName(DatabaseKind::Historia);
}

// "modulos/<folder>/modulo.sqlite" gives "<folder>".
QString ModuleFolderOf(const QString &target)
{
    const QStringList parts = target.split(QLatin1Char('/'));
    if (parts.size() == 3 && parts[0] == QLatin1String("modulos") && parts[2] == DatabaseFileName(DatabaseKind::Modulo))
        return parts[1];
    return {};
}

bool IsCsvTarget(const QString &target)
{
    return target.startsWith(CsvFolderName() + QLatin1Char('/')) || target == CsvFolderName() + QLatin1Char('/');
}

} // namespace

void StagedRestore::prepareTables()
{
    const QString root = m_stage->path() + QStringLiteral("/new");
    const bool hasCsv = m_targets.contains(CsvFolderName() + QLatin1Char('/') + CsvManifestName());
    const DatabaseEngine engine = DatabaseEngine::ForInstallation(m_programDir);
    if (!hasCsv && !engine.isServer())
        return; // SQLite files onto SQLite files: placed as they are
    const QString shown = QDir::toNativeSeparators(m_programDir);
    const auto tell = [this](const QString &line) { m_events.message(line); };
    try {
        QString csvFolder = root + QLatin1Char('/') + CsvFolderName();
        if (engine.isServer()) {
            m_serverLoad = std::make_unique<ServerTablesLoad>();
            m_serverLoad->server = engine;
            if (hasCsv) {
                m_serverLoad->manifest = ReadCsvManifest(csvFolder, shown);
            } else {
                // A backup made on SQLite files: their tables are read out as text first.
                if (!m_targets.contains(DatosFile()) || !m_targets.contains(HistoriaFile()))
                    throw AppError(QStringLiteral("La copia de seguridad no contiene las bases de datos de Datos e Historia."));
                QStringList modules;
                for (const QString &target : std::as_const(m_targets)) {
                    if (const QString folder = ModuleFolderOf(target); !folder.isEmpty())
                        modules.append(folder);
                }
                m_serverLoad->converted = std::make_unique<QTemporaryDir>(m_stage->path() + QStringLiteral("/tablas-XXXXXX"));
                csvFolder = m_serverLoad->converted->path();
                SqliteInstallation files(root, false, modules);
                m_serverLoad->manifest = WriteTablesAsCsv(files.sets(), csvFolder);
            }
            m_serverLoad->csvFolder = csvFolder;
            // The data go to the server: the installation gets no files of Datos and Historia.
            m_targets.removeAll(DatosFile());
            m_targets.removeAll(HistoriaFile());
        } else {
            // A backup made on a server, restored onto SQLite files: they are made in the stage.
            const CsvManifest manifest = ReadCsvManifest(csvFolder, shown);
            QStringList modules;
            for (const auto &[name, folder] : manifest.sets) {
                if (folder.startsWith(QLatin1String("modulos/")))
                    modules.append(folder.mid(8));
            }
            QStringList made = {DatosFile(), HistoriaFile()};
            for (const QString &folder : std::as_const(modules))
                made.append(QStringLiteral("modulos/") + folder + QLatin1Char('/') + DatabaseFileName(DatabaseKind::Modulo));
            for (const QString &target : std::as_const(made)) {
                QFile::remove(staged(target));
                if (!m_targets.contains(target))
                    m_targets.append(target);
            }
            SqliteInstallation files(root, true, modules);
            LoadTablesFromCsv(csvFolder, manifest, files.sets(), tell);
        }
        m_targets.erase(std::remove_if(m_targets.begin(), m_targets.end(), IsCsvTarget), m_targets.end());
    } catch (const RestoreRefused &) {
        throw;
    } catch (const AppError &e) {
        throw RestoreRefused(e);
    }
}

void StagedRestore::loadServerTables()
{
    if (!m_serverLoad)
        return;
    m_events.message(QStringLiteral("Restaurando las tablas en el servidor %1.").arg(m_serverLoad->server.serverText()));
    try {
        LoadServerTables(m_serverLoad->server, m_programDir, m_serverLoad->csvFolder, m_serverLoad->manifest,
                         [this](const QString &line) { m_events.message(line); });
    } catch (const AppError &e) {
        throw RestoreRefused(e);
    }
}
