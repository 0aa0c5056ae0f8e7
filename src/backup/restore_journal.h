#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// The placing step of a restore, written down in the restore's working folder before the first
// file moves, so that a restore cut short (power cut, killed program) is finished or undone at
// the next start: the installation holds all of its previous files or all of the restored
// ones, never a mix.
//
// Each step is one rename or removal: folders are created, the database engine's files beside
// a database and every file to replace are moved aside as "<file>.anterior-<token>", each
// restored file is moved in from "<working folder>/new/", then the journal is marked complete
// and the previous files and the working folder are removed.
class RestoreJournal
{
public:
    enum class Kind { Folder, Aside, Place };
    struct Entry
    {
        Kind kind;
        QString target; // below the program folder, "Datos/datos.sqlite"
        bool existed = false; // Place: the installation had a file there
    };

    // Plans the placing of the staged targets (as StagedRestore lists them) over programDir.
    RestoreJournal(QString programDir, QString workDir, const QStringList &targets);

    // Writes the journal, then runs every step. On a failure undoes what was done and throws
    // AppError; throws AppError naming what could not be put back when undoing fails too.
    // Returns the number of files placed.
    int run();

    const std::vector<Entry> &entries() const { return m_entries; }

private:
    QString m_programDir;
    QString m_workDir;
    std::vector<Entry> m_entries;
};

// The lock a restore holds on its working folder while it runs.
QString RestoreLockPath(const QString &workDir);

// Called after each step of a restore's placing with the number of steps done so far; tests
// stop a restore there. Empty by default.
void SetRestoreStepHook(std::function<void(int step)> hook);

// At start, before any database opens: finishes or undoes every restore of programDir that was
// cut short, and removes what a restore leaves behind (working folders, "*.anterior-*" files).
// A restore still running in another program is left alone. Returns the one line to tell the
// user, or nothing when there was nothing to do.
std::optional<QString> RecoverInterruptedRestore(const QString &programDir);
