#include "platform/volumes.h"

#include <QDir>
#include <QStorageInfo>

namespace {

bool IsUserVolume(const QStorageInfo &info)
{
    if (!info.isValid() || !info.isReady())
        return false;
    static const QByteArray pseudo[] = {"proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "cgroup",
                                        "cgroup2", "overlay", "squashfs", "securityfs", "debugfs",
                                        "tracefs", "mqueue", "hugetlbfs", "fusectl", "configfs",
                                        "pstore", "bpf", "autofs", "binfmt_misc", "nsfs", "efivarfs"};
    const QByteArray type = info.fileSystemType();
    const QString root = info.rootPath();
    for (const QByteArray &p : pseudo) {
        if (type == p && root != QLatin1String("/"))
            return false;
    }
    // Files mounted on their own (container configuration) are not places to keep backups.
    return QFileInfo(root).isDir();
}

QString NameOf(const QStorageInfo &info)
{
    const QString root = QDir::toNativeSeparators(info.rootPath());
    const QString label = info.displayName();
    if (label.isEmpty() || label == info.rootPath())
        return root;
    return root + QStringLiteral(" [") + label + QLatin1Char(']');
}

} // namespace

std::vector<Volume> MountedVolumes()
{
    const QString defaultRoot = DefaultVolumeRoot();
    std::vector<Volume> volumes;
    for (const QStorageInfo &info : QStorageInfo::mountedVolumes()) {
        if (!IsUserVolume(info))
            continue;
        Volume v{info.rootPath(), NameOf(info)};
        if (v.rootPath == defaultRoot)
            volumes.insert(volumes.begin(), v);
        else
            volumes.push_back(v);
    }
    if (volumes.empty() || volumes.front().rootPath != defaultRoot)
        volumes.insert(volumes.begin(), Volume{defaultRoot, QDir::toNativeSeparators(defaultRoot)});
    return volumes;
}

bool VolumeIsReady(const QString &rootPath)
{
    if (rootPath.isEmpty() || !QFileInfo(rootPath).isDir())
        return false;
    const QStorageInfo info(rootPath);
    return info.isValid() && info.isReady() && info.bytesAvailable() >= 0;
}

QString VolumeRootOf(const QString &path)
{
    QString existing = QDir(path).absolutePath();
    while (!QFileInfo::exists(existing) && existing != QDir(existing).rootPath()) {
        const QString up = QFileInfo(existing).path();
        if (up == existing)
            break;
        existing = up;
    }
    const QStorageInfo info(existing);
    return info.isValid() ? info.rootPath() : QDir::rootPath();
}

QString DefaultVolumeRoot()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("C:/");
#else
    return VolumeRootOf(QDir::homePath());
#endif
}

QString DefaultBackupFolder()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("C:/copias");
#else
    return QDir::homePath() + QStringLiteral("/copias");
#endif
}

QString DefaultRestoreArchive()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("a:\\copiaseg.zip");
#else
    return DefaultBackupFolder() + QStringLiteral("/copiaseg.zip");
#endif
}
