#include "backup/backup_rules.h"

#include "core/date_text.h"

#include <QDir>
#include <QFileInfo>

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

QString NewestBackupIn(const QString &folder)
{
    const QFileInfoList archives =
        QDir(folder).entryInfoList({QStringLiteral("*.zip"), QStringLiteral("*.ZIP")}, QDir::Files, QDir::Time);
    return archives.isEmpty() ? QString() : archives.constFirst().absoluteFilePath();
}

QString RestoreQuestion(const QDate &taken)
{
    return QStringLiteral("Se sustituirán los datos actuales por los de la copia del %1. ¿Desea continuar?")
        .arg(FormatDate(taken));
}

QString BackupWrittenNotice(const QString &folder)
{
    return QStringLiteral("Proceso finalizado. La copia de seguridad está en la carpeta \"%1\". Guarde también una "
                          "copia fuera de este equipo (un disco externo o una unidad de red).")
        .arg(QDir::toNativeSeparators(folder));
}
