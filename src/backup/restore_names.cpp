#include "backup/restore_names.h"

#include "core/errors.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <optional>

namespace {

struct Entry
{
    QStringList parts;
    bool isDirectory = false;
};

// The data folders of an installation, as a backup's entries may spell them.
std::optional<QString> DataFolder(const QString &part)
{
    for (const char *name : {"DocPlant", "Documentos", "Historia", "Datos", "modulos"}) {
        if (part.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(name);
    }
    return std::nullopt;
}

bool IsTopLevelFile(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^(interes\\.db|interes\\.px|campos(\\..*)?)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

// Whether the first `k` parts of an entry can be the old program folder.
bool FitsProgramDir(const Entry &e, qsizetype k)
{
    const qsizetype n = e.parts.size();
    if (k >= n)
        return false;
    if (DataFolder(e.parts.at(k)) && (k < n - 1 || e.isDirectory))
        return true;
    // Interes.db, Interes.px and Campos.* are taken from every folder below the program's.
    return !e.isDirectory && IsTopLevelFile(e.parts.last());
}

bool SamePrefix(const Entry &a, const Entry &b, qsizetype k)
{
    if (a.parts.size() < k || b.parts.size() < k)
        return false;
    for (qsizetype i = 0; i < k; ++i) {
        if (a.parts.at(i).compare(b.parts.at(i), Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

[[noreturn]] void Refuse(const QString &archiveName, const QString &entry)
{
    throw AppError(QStringLiteral("La copia de seguridad \"%1\" contiene una entrada no permitida: \"%2\".")
                       .arg(archiveName, entry));
}

Entry Parse(const QString &archiveName, const QString &name)
{
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool absolute = path.startsWith(QLatin1Char('/'))
                          || (path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter());
    if (absolute || path.contains(QChar(0)))
        Refuse(archiveName, name);
    Entry e;
    e.isDirectory = path.endsWith(QLatin1Char('/'));
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".."))
            Refuse(archiveName, name);
        if (part != QLatin1String("."))
            e.parts.append(part);
    }
    if (e.parts.isEmpty())
        Refuse(archiveName, name);
    return e;
}

} // namespace

RestorePlan PlanRestore(const QString &archiveName, const QStringList &entryNames)
{
    const auto notABackup = [&] {
        return AppError(QStringLiteral("El archivo \"%1\" no es una copia de seguridad de Cuantix.").arg(archiveName));
    };
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(entryNames.size()));
    for (const QString &name : entryNames)
        entries.push_back(Parse(archiveName, name));
    if (entries.empty())
        throw notABackup();

    // The old program folder: the deepest prefix of the first entry that fits every entry.
    const Entry &first = entries.front();
    std::optional<qsizetype> prefix;
    for (qsizetype k = first.parts.size() - 1; k >= 0 && !prefix; --k) {
        const bool fitsAll = std::all_of(entries.begin(), entries.end(), [&](const Entry &e) {
            return SamePrefix(first, e, k) && FitsProgramDir(e, k);
        });
        if (fitsAll)
            prefix = k;
    }
    if (!prefix)
        throw notABackup();

    RestorePlan plan;
    plan.oldProgramDir = first.parts.mid(0, *prefix).join(QLatin1Char('/'));
    QSet<QString> files;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry &e = entries[i];
        QStringList rest = e.parts.mid(*prefix);
        if (const auto folder = DataFolder(rest.first()); folder && (rest.size() > 1 || e.isDirectory))
            rest.first() = *folder;
        const QString target = rest.join(QLatin1Char('/')) + (e.isDirectory ? QStringLiteral("/") : QString());
        if (!e.isDirectory && files.contains(target))
            Refuse(archiveName, entryNames.at(static_cast<qsizetype>(i)));
        files.insert(target);
        plan.targets.append(target);
    }
    return plan;
}
