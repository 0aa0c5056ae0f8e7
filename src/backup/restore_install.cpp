#include "backup/archive_reader.h"

#include "backup/database_snapshot.h"
#include "backup/restore_journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

int StagedRestore::install()
{
    prepareTables();
    m_events.message(QStringLiteral("Colocando los archivos restaurados en la instalación."));
    // A database still open elsewhere would go on writing its log onto the restored file.
    for (const QString &target : std::as_const(m_targets)) {
        const QString path = m_programDir + QLatin1Char('/') + target;
        if (!target.endsWith(QLatin1Char('/')) && IsSqliteDatabase(path) && DatabaseInUse(path))
            throw RestoreRefused(AppError(
                QStringLiteral("La base de datos \"%1\" está abierta en otro programa. Cierre los demás programas "
                               "que usan esta instalación y vuelva a intentarlo.")
                    .arg(Native(path))));
    }

    loadServerTables();

    RestoreJournal journal(m_programDir, m_stage->path(), m_targets);
    int files = 0;
    try {
        files = journal.run();
    } catch (const RestoreRefused &e) {
        if (!m_serverLoad)
            throw;
        // The server's tables are committed by now: saying nothing changed would be false.
        throw AppError(e.causeMessage()
                           + QStringLiteral(" Las tablas del servidor ya son las de la copia de seguridad, pero los "
                                            "archivos de la instalación no se han restaurado. Resuelva la causa y "
                                            "vuelva a restaurar la copia."),
                       e.detail());
    } catch (const AppError &) {
        // Previous files are still aside: the journal stays for the next start to put them back.
        m_stage->setAutoRemove(false);
        throw;
    }
    m_events.message(QStringLiteral("Archivos restaurados: %1.").arg(files));
    return files;
}
