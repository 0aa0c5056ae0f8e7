#include "backup/backup_rules.h"

#include "core/date_text.h"

QString ProposedBackupName(const QDate &today)
{
    return QStringLiteral("Copia") + FormatDate(today).remove(QLatin1Char('/')) + QStringLiteral(".zip");
}

const QString &RefusedInBackupName()
{
    static const QString refused = QStringLiteral("\\: -/*?\"<>|");
    return refused;
}

QString RefusedInRestoreName(QChar folderSeparator)
{
    QString refused = QStringLiteral(" -/*?\"<>|");
    if (folderSeparator == QLatin1Char('/'))
        refused.remove(QLatin1Char('/'));
    return refused;
}

QString BackupArchivePath(const QString &directory, const QString &name)
{
    if (directory.endsWith(QLatin1Char('/')) || directory.endsWith(QLatin1Char('\\')))
        return directory + name;
    return directory + QLatin1Char('/') + name;
}
