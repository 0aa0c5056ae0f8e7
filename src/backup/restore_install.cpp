#include "backup/archive_reader.h"

#include "backup/database_snapshot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <vector>

namespace {

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// One change made to the installation, so that it can be undone.
struct Step
{
    QString target;     // the installation's file
    QString savedAs;    // where its previous version waits (empty: there was none)
    bool placed = false; // the restored file is at `target`
};

// The changes of one restore, undone in reverse unless committed.
class Journal
{
public:
    explicit Journal(QString token) : m_token(std::move(token)) {}

    // Moves an existing file aside, beside itself (same folder, so never across volumes).
    void saveAside(const QString &path)
    {
        if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink())
            return;
        const QString saved = path + QStringLiteral(".anterior-") + m_token;
        if (!QFile::rename(path, saved))
            throw AppError(QStringLiteral("No se ha podido sustituir \"%1\".").arg(Native(path)));
        m_steps.push_back({path, saved, false});
    }

    void place(const QString &from, const QString &to)
    {
        if (!QFile::rename(from, to))
            throw AppError(QStringLiteral("No se ha podido colocar \"%1\" en la instalación.").arg(Native(to)));
        m_steps.push_back({to, {}, true});
    }

    void makeFolder(const QString &path)
    {
        // Remember each folder created, outermost first, to remove it again on undo.
        QStringList missing;
        for (QString dir = QDir::cleanPath(path); !QFileInfo::exists(dir); dir = QFileInfo(dir).path())
            missing.prepend(dir);
        if (!QDir().mkpath(path))
            throw AppError(QStringLiteral("No se ha podido crear la carpeta \"%1\".").arg(Native(path)));
        m_folders.append(missing);
    }

    // Puts every previous file back. Returns the files that could not be put back.
    QStringList undo()
    {
        QStringList failed;
        for (auto step = m_steps.rbegin(); step != m_steps.rend(); ++step) {
            if (step->placed && !QFile::remove(step->target)) {
                failed.append(Native(step->target));
                continue;
            }
            if (!step->savedAs.isEmpty() && !QFile::rename(step->savedAs, step->target))
                failed.append(Native(step->savedAs));
        }
        for (auto folder = m_folders.crbegin(); folder != m_folders.crend(); ++folder)
            QDir().rmdir(*folder);
        m_steps.clear();
        return failed;
    }

    // Drops the previous files once everything is in place.
    void commit()
    {
        for (const Step &step : m_steps) {
            if (!step.savedAs.isEmpty())
                QFile::remove(step.savedAs);
        }
        m_steps.clear();
    }

private:
    QString m_token;
    std::vector<Step> m_steps;
    QStringList m_folders;
};

} // namespace

int StagedRestore::install()
{
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

    Journal journal(QFileInfo(m_stage->path()).fileName().section(QLatin1Char('-'), -1));
    int files = 0;
    try {
        for (const QString &target : std::as_const(m_targets)) {
            const QString path = QDir::cleanPath(m_programDir + QLatin1Char('/') + target);
            if (target.endsWith(QLatin1Char('/'))) {
                if (!QFileInfo(path).isDir())
                    journal.makeFolder(path);
                continue;
            }
            journal.makeFolder(QFileInfo(path).path());
            journal.saveAside(path);
            // What the database engine keeps beside a file belongs to the file replaced.
            for (const char *companion : {"-wal", "-shm", "-journal"})
                journal.saveAside(path + QLatin1String(companion));
            journal.place(staged(target), path);
            ++files;
        }
    } catch (...) {
        const QStringList failed = journal.undo();
        if (!failed.isEmpty())
            throw AppError(QStringLiteral("La restauración se ha interrumpido y no se han podido devolver a su sitio "
                                          "todos los archivos anteriores: %1")
                               .arg(failed.join(QStringLiteral(", "))));
        try {
            throw;
        } catch (const AppError &e) {
            throw RestoreRefused(e);
        }
    }
    journal.commit();
    m_events.message(QStringLiteral("Archivos restaurados: %1.").arg(files));
    return files;
}
