#include "backup/restore.h"

#include "backup/archive_reader.h"
#include "store/app_context.h"

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
