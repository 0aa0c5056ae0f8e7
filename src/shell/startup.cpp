#include "shell/startup.h"

#include "store/stale_locks.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

QString RegionCaption(const QString &regionName)
{
    return QStringLiteral("Intereses y Honorarios (Region: ") + regionName + QLatin1Char(')');
}

int DeleteLockFiles(const QString &dir)
{
    // Symbolic links to folders are not followed: nothing outside the program folder goes.
    int deleted = 0;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName().endsWith(QLatin1String(".LCK"), Qt::CaseInsensitive) && QFile::remove(path))
            ++deleted;
    }
    return deleted;
}

void CleanUpLocks(const QString &programDir)
{
    DeleteLockFiles(programDir);
    RemoveStaleLocksBelow(programDir);
}

QString BackgroundImageFor(const QString &programDir, int screenWidth)
{
    const auto file = [&programDir](const char *name) -> QString {
        return programDir + QLatin1Char('/') + QLatin1String(name);
    };
    QString image;
    switch (screenWidth) {
    case 640:
        image = file("532.jpg");
        break;
    case 800:
        image = file("679.jpg");
        break;
    case 1024:
        image = file("977.jpg");
        break;
    case 1280:
        image = QFileInfo::exists(file("1169.jpg")) ? file("1169.jpg") : file("977.jpg");
        break;
    default:
        // Wider screens get the largest image, scaled to the window, not an empty area.
        if (screenWidth > 1280)
            return BackgroundImageFor(programDir, 1280);
        return {};
    }
    return QFileInfo::exists(image) ? image : QString();
}
