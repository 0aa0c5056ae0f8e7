#include "backup/backup_selection.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

const QDir::Filters kFiles = QDir::Files | QDir::Hidden;
const QDir::Filters kFolders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden;

class Selection
{
public:
    Selection(const QString &programDir, const QStringList &skip)
        : m_root(programDir)
    {
        for (const QString &path : skip)
            m_seen.insert(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    }

    // Every file and folder below a folder of the program folder ("DocPlant", "datos", ...).
    void addFolder(const QString &name)
    {
        for (const QFileInfo &child : QDir(m_root).entryInfoList(kFolders, QDir::Name)) {
            if (child.fileName().compare(name, Qt::CaseInsensitive) == 0)
                addTree(child.absoluteFilePath());
        }
    }

    // Files whose name matches, in the program folder and every folder below it.
    void addMatching(const QRegularExpression &pattern)
    {
        QSet<QString> visited;
        addMatchingIn(m_root, pattern, visited);
    }

    std::vector<BackupItem> take() { return std::move(m_items); }

private:
    void addTree(const QString &dir)
    {
        QSet<QString> visited;
        addTreeIn(dir, visited);
    }

    void addTreeIn(const QString &dir, QSet<QString> &visited)
    {
        // Linked folders are followed, but never round in a circle.
        if (!EnterOnce(dir, visited))
            return;
        add(dir, true);
        const QDir d(dir);
        for (const QFileInfo &file : d.entryInfoList(kFiles, QDir::Name)) {
            if (!IsExcludedFromBackup(file.fileName()))
                add(file.absoluteFilePath(), false);
        }
        for (const QFileInfo &sub : d.entryInfoList(kFolders, QDir::Name)) {
            if (!IsRestoreLeftover(sub.fileName()))
                addTreeIn(sub.absoluteFilePath(), visited);
        }
    }

    void addMatchingIn(const QString &dir, const QRegularExpression &pattern, QSet<QString> &visited)
    {
        if (!EnterOnce(dir, visited))
            return;
        const QDir d(dir);
        for (const QFileInfo &file : d.entryInfoList(kFiles, QDir::Name)) {
            if (pattern.match(file.fileName()).hasMatch() && !IsExcludedFromBackup(file.fileName()))
                add(file.absoluteFilePath(), false);
        }
        for (const QFileInfo &sub : d.entryInfoList(kFolders, QDir::Name)) {
            if (!IsRestoreLeftover(sub.fileName()))
                addMatchingIn(sub.absoluteFilePath(), pattern, visited);
        }
    }

    static bool EnterOnce(const QString &dir, QSet<QString> &visited)
    {
        const QString canonical = QFileInfo(dir).canonicalFilePath();
        if (canonical.isEmpty() || visited.contains(canonical))
            return false;
        visited.insert(canonical);
        return true;
    }

    void add(const QString &path, bool isDirectory)
    {
        const QString clean = QDir::cleanPath(path);
        if (m_seen.contains(clean))
            return;
        m_seen.insert(clean);
        QString entry = ArchiveEntryName(clean);
        if (isDirectory)
            entry += QLatin1Char('/');
        m_items.push_back({clean, entry, isDirectory});
    }

    QString m_root;
    QSet<QString> m_seen;
    std::vector<BackupItem> m_items;
};

bool EndsWithAny(const QString &name, std::initializer_list<const char *> suffixes)
{
    for (const char *suffix : suffixes) {
        if (name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

QString ArchiveEntryName(const QString &absolutePath)
{
    QString path = absolutePath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.startsWith(QLatin1String("//"))) {
        // A network share: the share is the root ("//server/share/x" gives "x").
        const QStringList parts = path.mid(2).split(QLatin1Char('/'));
        return QDir::cleanPath(parts.mid(2).join(QLatin1Char('/')));
    }
    path = QDir::cleanPath(path);
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter())
        path.remove(0, 2);
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    return path;
}

bool IsRestoreLeftover(const QString &fileName)
{
    return fileName.contains(QLatin1String(".anterior-")) || fileName.startsWith(QLatin1String(".restauracion-"));
}

bool IsExcludedFromBackup(const QString &fileName)
{
    return EndsWithAny(fileName, {".lck", ".net", "-wal", "-shm", "-journal"}) || IsRestoreLeftover(fileName);
}

bool StoredWithoutCompression(const QString &fileName)
{
    return EndsWithAny(fileName, {".gif", ".png", ".z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".taz", ".tgz",
                                  ".lha", ".rar", ".ace", ".cab", ".gz", ".gzip", ".jar"});
}

std::vector<BackupItem> SelectBackupItems(const QString &programDir, const QStringList &skip)
{
    const auto pattern = [](const char *regex) {
        return QRegularExpression(QLatin1String(regex), QRegularExpression::CaseInsensitiveOption);
    };
    Selection selection(QDir::cleanPath(QFileInfo(programDir).absoluteFilePath()), skip);
    selection.addFolder(QStringLiteral("DocPlant"));
    selection.addFolder(QStringLiteral("Documentos"));
    selection.addMatching(pattern("^interes\\.db$"));
    selection.addMatching(pattern("^interes\\.px$"));
    selection.addMatching(pattern("^campos(\\..*)?$"));
    selection.addFolder(QStringLiteral("Historia"));
    selection.addFolder(QStringLiteral("datos"));
    selection.addFolder(QStringLiteral("modulos"));
    return selection.take();
}
