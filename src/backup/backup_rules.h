#pragma once

#include <QDate>
#include <QString>

// The name a new backup is proposed under: "Copia" + the date as ddmmyyyy + ".zip"
// (8 December 2026 gives "Copia08122026.zip").
QString ProposedBackupName(const QDate &today);

// Characters refused when typed into the backup's name: \ : blank - / * ? " < > |
const QString &RefusedInBackupName();
// Characters refused when typed into the archive to restore: blank - * ? " < > |, and '/'
// unless it is the system's folder separator (a path must stay typeable).
QString RefusedInRestoreName(QChar folderSeparator);

// The archive's full path: the folder and the name, one separator between them.
QString BackupArchivePath(const QString &directory, const QString &name);

// The most recently written backup (*.zip) of a folder, or an empty text when there is none.
QString NewestBackupIn(const QString &folder);

// "Se sustituirán los datos actuales por los de la copia del dd/mm/yyyy. ¿Desea continuar?"
QString RestoreQuestion(const QDate &taken);

// The notice after a backup is written: where it is, and to keep a copy elsewhere.
QString BackupWrittenNotice(const QString &folder);
