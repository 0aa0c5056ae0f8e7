#include "backup/restore_journal.h"

#include "backup/archive_reader.h"
#include "core/errors.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSet>

namespace {

const QString kJournalName = QStringLiteral("diario");
const QByteArray kHeader = "cuantix-restauracion 1";
const QByteArray kComplete = "completo";
const QString kWorkPrefix = QStringLiteral(".restauracion-");
const QString kAsideMark = QStringLiteral(".anterior-");

std::function<void(int)> &Hook()
{
    static std::function<void(int)> hook;
    return hook;
}

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool Present(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString TokenOf(const QString &workDir)
{
    return QFileInfo(workDir).fileName().mid(kWorkPrefix.size());
}


QByteArray Encode(const std::vector<RestoreJournal::Entry> &entries, bool complete)
{
    QByteArray text = kHeader + '\n';
    for (const RestoreJournal::Entry &e : entries) {
        switch (e.kind) {
        case RestoreJournal::Kind::Folder:
            text += "C\t";
            break;
        case RestoreJournal::Kind::Aside:
            text += "A\t";
            break;
        case RestoreJournal::Kind::Place:
            text += e.existed ? "P1\t" : "P0\t";
            break;
        }
        text += e.target.toUtf8() + '\n';
    }
    if (complete)
        text += kComplete + '\n';
    return text;
}

struct Decoded
{
    std::vector<RestoreJournal::Entry> entries;
    bool complete = false;
};

std::optional<Decoded> Decode(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.takeFirst() != kHeader)
        return std::nullopt;
    Decoded d;
    for (const QByteArray &line : std::as_const(lines)) {
        if (line.isEmpty())
            continue;
        if (line == kComplete) {
            d.complete = true;
            continue;
        }
        const qsizetype tab = line.indexOf('\t');
        const QByteArray kind = line.left(tab);
        const QString target = QString::fromUtf8(line.mid(tab + 1));
        if (tab < 0 || target.isEmpty() || target.split(QLatin1Char('/')).contains(QStringLiteral("..")))
            return std::nullopt;
        if (kind == "C")
            d.entries.push_back({RestoreJournal::Kind::Folder, target, false});
        else if (kind == "A")
            d.entries.push_back({RestoreJournal::Kind::Aside, target, false});
        else if (kind == "P0" || kind == "P1")
            d.entries.push_back({RestoreJournal::Kind::Place, target, kind == "P1"});
        else
            return std::nullopt;
    }
    return d;
}

void WriteJournal(const QString &workDir, const std::vector<RestoreJournal::Entry> &entries, bool complete)
{
    QSaveFile file(workDir + QLatin1Char('/') + kJournalName);
    if (!file.open(QIODevice::WriteOnly) || file.write(Encode(entries, complete)) < 0 || !file.commit())
        throw AppError(QStringLiteral("No se puede escribir en la carpeta de la instalación \"%1\".")
                           .arg(Native(QFileInfo(workDir).path())),
                       file.errorString());
}

// The steps over one installation, forward and back; each rename or removal is one step.
class Placing
{
public:
    Placing(QString programDir, QString workDir, const std::vector<RestoreJournal::Entry> &entries)
        : m_programDir(std::move(programDir))
        , m_workDir(std::move(workDir))
        , m_token(TokenOf(m_workDir))
        , m_entries(entries)
    {
    }

    int forward()
    {
        int files = 0;
        for (const RestoreJournal::Entry &e : m_entries) {
            const QString path = at(e.target);
            switch (e.kind) {
            case RestoreJournal::Kind::Folder:
                if (!QFileInfo(path).isDir()) {
                    if (!QDir().mkdir(path))
                        throw AppError(QStringLiteral("No se ha podido crear la carpeta \"%1\".").arg(Native(path)));
                    step();
                }
                break;
            case RestoreJournal::Kind::Aside:
                if (Present(path))
                    moveAside(path);
                break;
            case RestoreJournal::Kind::Place:
                if (e.existed && Present(path))
                    moveAside(path);
                if (!QFile::rename(staged(e.target), path))
                    throw AppError(QStringLiteral("No se ha podido colocar \"%1\" en la instalación.").arg(Native(path)));
                step();
                ++files;
                break;
            }
        }
        return files;
    }

    // Puts every previous file back. Returns the files that could not be put back.
    QStringList undo()
    {
        QStringList failed;
        for (auto e = m_entries.rbegin(); e != m_entries.rend(); ++e) {
            const QString path = at(e->target);
            const QString saved = aside(path);
            switch (e->kind) {
            case RestoreJournal::Kind::Folder:
                QDir().rmdir(path); // only when nothing else is in it
                break;
            case RestoreJournal::Kind::Aside:
            case RestoreJournal::Kind::Place:
                // A restored file is in place when it has left the working folder.
                if (e->kind == RestoreJournal::Kind::Place && !Present(staged(e->target)) && Present(path)) {
                    if (!QFile::remove(path)) {
                        failed.append(Native(path));
                        continue;
                    }
                    step();
                }
                if (Present(saved)) {
                    if (Present(path) && !QFile::remove(path)) {
                        failed.append(Native(saved));
                        continue;
                    }
                    if (!QFile::rename(saved, path))
                        failed.append(Native(saved));
                    else
                        step();
                }
                break;
            }
        }
        return failed;
    }

    void dropPrevious()
    {
        for (const RestoreJournal::Entry &e : m_entries) {
            const QString saved = aside(at(e.target));
            if (e.kind != RestoreJournal::Kind::Folder && Present(saved) && QFile::remove(saved))
                step();
        }
    }

    void step()
    {
        ++m_steps;
        if (Hook())
            Hook()(m_steps);
    }

private:
    QString at(const QString &target) const { return QDir::cleanPath(m_programDir + QLatin1Char('/') + target); }
    QString aside(const QString &path) const { return path + kAsideMark + m_token; }
    QString staged(const QString &target) const
    {
        return QDir::cleanPath(m_workDir + QStringLiteral("/new/") + target);
    }

    void moveAside(const QString &path)
    {
        if (!QFile::rename(path, aside(path)))
            throw AppError(QStringLiteral("No se ha podido sustituir \"%1\".").arg(Native(path)));
        step();
    }

    QString m_programDir;
    QString m_workDir;
    QString m_token;
    const std::vector<RestoreJournal::Entry> &m_entries;
    int m_steps = 0;
};

QString UndoFailed(const QStringList &failed)
{
    return QStringLiteral("La restauración se ha interrumpido y no se han podido devolver a su sitio todos los "
                          "archivos anteriores: %1")
        .arg(failed.join(QStringLiteral(", ")));
}

} // namespace

RestoreJournal::RestoreJournal(QString programDir, QString workDir, const QStringList &targets)
    : m_programDir(std::move(programDir))
    , m_workDir(std::move(workDir))
{
    QSet<QString> folders;
    const auto addFolders = [&](const QString &folder) {
        // Outermost first, each folder once.
        QStringList missing;
        for (QString dir = folder; !dir.isEmpty() && dir != QLatin1String("."); dir = QFileInfo(dir).path()) {
            if (QFileInfo(m_programDir + QLatin1Char('/') + dir).isDir() || folders.contains(dir))
                break;
            missing.prepend(dir);
        }
        for (const QString &dir : std::as_const(missing)) {
            folders.insert(dir);
            m_entries.push_back({Kind::Folder, dir, false});
        }
    };
    for (const QString &target : targets) {
        if (target.endsWith(QLatin1Char('/'))) {
            addFolders(target.chopped(1));
            continue;
        }
        addFolders(QFileInfo(target).path());
        const QString path = m_programDir + QLatin1Char('/') + target;
        // What the database engine keeps beside a file belongs to the file replaced.
        for (const char *companion : {"-wal", "-shm", "-journal"}) {
            if (Present(path + QLatin1String(companion)))
                m_entries.push_back({Kind::Aside, target + QLatin1String(companion), false});
        }
        m_entries.push_back({Kind::Place, target, Present(path)});
    }
}

int RestoreJournal::run()
{
    try {
        WriteJournal(m_workDir, m_entries, false);
    } catch (const AppError &e) {
        throw RestoreRefused(e);
    }
    Placing placing(m_programDir, m_workDir, m_entries);
    placing.step();
    int files = 0;
    try {
        files = placing.forward();
        WriteJournal(m_workDir, m_entries, true);
        placing.step();
    } catch (const AppError &e) {
        const QStringList failed = placing.undo();
        if (!failed.isEmpty())
            throw AppError(UndoFailed(failed));
        QFile::remove(m_workDir + QLatin1Char('/') + kJournalName);
        throw RestoreRefused(e);
    }
    placing.dropPrevious();
    // The working folder goes with its owner, once its lock is released.
    QFile::remove(m_workDir + QLatin1Char('/') + kJournalName);
    return files;
}

QString RestoreLockPath(const QString &workDir)
{
    return workDir + QStringLiteral("/en-curso.lock");
}

void SetRestoreStepHook(std::function<void(int step)> hook)
{
    Hook() = std::move(hook);
}

std::optional<QString> RecoverInterruptedRestore(const QString &programDir)
{
    bool finished = false;
    bool undone = false;
    bool cleaned = false;
    QStringList failed;
    QSet<QString> keep; // tokens whose previous files must stay
    // Only an installation: the tool may be started in any folder.
    if (!QFileInfo(programDir + QStringLiteral("/Datos")).isDir()
        && !QFileInfo(programDir + QStringLiteral("/Historia")).isDir())
        return std::nullopt;
    const QFileInfoList work = QDir(programDir).entryInfoList({kWorkPrefix + QLatin1Char('*')},
                                                              QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &dir : work) {
        const QString workDir = dir.absoluteFilePath();
        QLockFile lock(RestoreLockPath(workDir));
        lock.setStaleLockTime(0); // stale only when its program is gone, however long it runs
        if (!lock.tryLock(0)) {
            keep.insert(TokenOf(workDir)); // another program is restoring right now
            continue;
        }
        QFile journal(workDir + QLatin1Char('/') + kJournalName);
        if (!journal.exists()) {
            // Cut short while extracting: nothing of the installation was touched.
            lock.unlock();
            QDir(workDir).removeRecursively();
            cleaned = true;
            continue;
        }
        const auto decoded = journal.open(QIODevice::ReadOnly) ? Decode(journal.readAll()) : std::nullopt;
        journal.close();
        if (!decoded) {
            keep.insert(TokenOf(workDir));
            failed.append(Native(workDir));
            continue;
        }
        Placing placing(QDir::cleanPath(programDir), workDir, decoded->entries);
        if (decoded->complete) {
            placing.dropPrevious();
            finished = true;
        } else {
            const QStringList notBack = placing.undo();
            if (!notBack.isEmpty()) {
                keep.insert(TokenOf(workDir));
                failed.append(notBack);
                continue;
            }
            undone = true;
        }
        lock.unlock();
        QDir(workDir).removeRecursively();
    }

    // Previous files of older restores that nothing refers to any more, where a restore puts
    // files: the program folder and its data folders.
    const auto removeLeftovers = [&](const QString &dir, QDirIterator::IteratorFlags flags) {
        QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, flags);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString name = it.fileName();
            const qsizetype mark = name.lastIndexOf(kAsideMark);
            if (mark > 0 && !keep.contains(name.mid(mark + kAsideMark.size())) && QFile::remove(path))
                cleaned = true;
        }
    };
    removeLeftovers(programDir, QDirIterator::NoIteratorFlags);
    for (const QFileInfo &sub : QDir(programDir).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const char *data : {"DocPlant", "Documentos", "Historia", "Datos", "modulos"}) {
            if (sub.fileName().compare(QLatin1String(data), Qt::CaseInsensitive) == 0)
                removeLeftovers(sub.absoluteFilePath(), QDirIterator::Subdirectories);
        }
    }

    if (!failed.isEmpty())
        return UndoFailed(failed);
    if (undone)
        return QStringLiteral("Se ha deshecho una restauración de copia de seguridad interrumpida: los datos son los "
                              "que había antes de ella.");
    if (finished)
        return QStringLiteral("Se ha terminado una restauración de copia de seguridad interrumpida: los datos son los "
                              "de la copia restaurada.");
    if (cleaned)
        return QStringLiteral("Se han eliminado los restos de una restauración de copia de seguridad interrumpida.");
    return std::nullopt;
}
