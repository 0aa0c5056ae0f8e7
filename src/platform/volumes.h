#pragma once

#include <QString>

#include <vector>

// A mounted volume where the user may keep backups: the "drive" of the backup and restore
// windows.
struct Volume
{
    QString rootPath;    // "/", "/media/usb", "C:/"
    QString displayName; // what the drive list shows

    bool operator==(const Volume &) const = default;
};

// Volumes the user can reach, the system's own pseudo file systems left out; the default
// volume comes first.
std::vector<Volume> MountedVolumes();
// Whether the volume answers a free-space query (a disk is present and mounted). How much
// space is free is not judged.
bool VolumeIsReady(const QString &rootPath);
// The volume that holds a path ("/" when nothing more specific is mounted).
QString VolumeRootOf(const QString &path);
// The volume a chooser falls back to: the one of the user's home folder ("C:" on Windows).
QString DefaultVolumeRoot();

// Where backups go unless the user chooses otherwise.
QString DefaultBackupFolder();
// The archive the restore window proposes.
QString DefaultRestoreArchive();
