// restore_stopper PROGRAM_DIR ARCHIVE STEP: restores ARCHIVE over PROGRAM_DIR and, once the
// placing has done STEP steps, prints "parado" and waits to be killed; prints "terminado" when
// the restore ends first.
#include "backup/archive_events.h"
#include "backup/restore.h"
#include "backup/restore_journal.h"
#include "core/errors.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

namespace {

class Silent final : public ArchiveEvents
{
public:
    void progress(ProgressKind, qint64) override {}
    void message(const QString &) override {}
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return 2;
    const int stopAt = args.at(3).toInt();
    SetRestoreStepHook([stopAt](int step) {
        if (step != stopAt)
            return;
        std::puts("parado");
        std::fflush(stdout);
        for (;;)
            QThread::sleep(60);
    });
    Silent events;
    try {
        RestoreInstallation(args.at(1), args.at(2), events);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 1;
    }
    std::puts("terminado");
    return 0;
}
