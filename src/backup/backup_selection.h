#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// One file or folder that goes into a backup, with the name its archive entry carries.
struct BackupItem
{
    QString path;      // absolute path on disk
    QString entryName; // "home/despacho/cuantix/Datos/datos.sqlite"; folders end in "/"
    bool isDirectory = false;

    bool operator==(const BackupItem &) const = default;
};

// The entry name of a file: its full path below the root of its drive or file system, without
// drive letter, share or leading separator, with "/" between folders.
// "C:\Devenix\Datos\x.db" gives "Devenix/Datos/x.db"; "/home/a/b" gives "home/a/b".
QString ArchiveEntryName(const QString &absolutePath);

// What a restore leaves while it works: previous files ("datos.sqlite.anterior-x1Y2") and
// its working folder (".restauracion-x1Y2").
bool IsRestoreLeftover(const QString &fileName);
// Lock, network-control and database-engine temporary files and a restore's leftovers never
// go into a backup: *.lck, *.net, *-wal, *-shm, *-journal (any case).
bool IsExcludedFromBackup(const QString &fileName);
// Files already compressed are stored as they are: gif, png, z, zip, zoo, arc, lzh, arj, taz,
// tgz, lha, rar, ace, cab, gz, gzip, jar (any case).
bool StoredWithoutCompression(const QString &fileName);

// What a backup of the installation in programDir holds, in this order, each searched into
// every subfolder (names compared without regard to case): DocPlant, Documentos (the merged
// letters), the files named Interes.db, Interes.px and Campos.*, Historia, Datos, modulos.
// Each file comes once; the data folders come as entries of their own, so empty ones are
// restored too. Paths in `skip` (the archive being written) are left out.
std::vector<BackupItem> SelectBackupItems(const QString &programDir, const QStringList &skip = {});
