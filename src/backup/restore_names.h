#pragma once

#include <QString>
#include <QStringList>

// Where each entry of a backup goes, below the program folder, or why the archive is refused.
struct RestorePlan
{
    QStringList targets;   // per entry, "Datos/datos.sqlite"; folders end in "/"
    QString oldProgramDir; // the folder the backup was made from, as its entries name it
};

// Maps the entry names of a backup onto the program folder. Entries are named by their full
// path below the root of the drive they were read from ("home/ana/cuantix/Datos/x", or
// "Archivos de programa\Devenix\datos\INTERES.DB" from older Windows backups): the common
// part in front of DocPlant, Documentos, Historia, Datos, modulos and the top-level Interes/Campos files
// is the old program folder, and what follows it lands in the current one, the data
// folders under their usual spelling. Backslashes separate folders; "." and empty parts are
// dropped.
// Throws AppError when an entry is absolute (leading separator or drive letter), has a "..",
// would land twice on one file, or when the entries are not those of a backup.
RestorePlan PlanRestore(const QString &archiveName, const QStringList &entryNames);
