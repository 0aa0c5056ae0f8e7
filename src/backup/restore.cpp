#include "backup/restore.h"

#include "backup/archive_reader.h"
#include "backup/zip_handles.h"
#include "store/app_context.h"

#include <QFile>
#include <QFileInfo>

namespace {

void Reconnect(AppContext &app)
{
    app.store.connectMain(app.session.programDir);
    app.store.OpenWorkTables();
    if (!app.session.moduleDir.isEmpty())
        app.store.openModule(app.session.moduleDir);
}

} // namespace

int RestoreBackup(AppContext &app, const QString &archivePath, ArchiveEvents &events)
{
    StagedRestore staged(archivePath, app.session.programDir, events);
    app.store.closeAll();
    int files = 0;
    try {
        files = staged.install();
    } catch (...) {
        try {
            Reconnect(app);
        } catch (const AppError &) {
            // The restore's own failure is what the user must read; a database that does not
            // open will say so again at its next use.
        }
        throw;
    }
    Reconnect(app);
    return files;
}

int RestoreInstallation(const QString &programDir, const QString &archivePath, ArchiveEvents &events)
{
    StagedRestore staged(archivePath, programDir, events);
    return staged.install();
}

QDateTime BackupTakenAt(const QString &archivePath)
{
    QDateTime newest;
    int error = 0;
    const ZipArchive archive(zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY, &error));
    const zip_int64_t count = archive ? zip_get_num_entries(archive.get(), 0) : 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &stat) == 0 && (stat.valid & ZIP_STAT_MTIME))
            newest = std::max(newest, QDateTime::fromSecsSinceEpoch(stat.mtime));
    }
    return newest.isValid() ? newest : QFileInfo(archivePath).lastModified();
}
