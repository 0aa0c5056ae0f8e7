#include "cli/cli.h"

#include "backup/archive_events.h"
#include "backup/archive_writer.h"
#include "backup/restore.h"
#include "backup/restore_journal.h"
#include "core/errors.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The archiver's lines go to standard error, with the progress every tenth.
class ErrorStreamEvents final : public ArchiveEvents
{
public:
    explicit ErrorStreamEvents(CliIo &io) : m_io(io) {}

    void progress(ProgressKind kind, qint64 bytes) override
    {
        const int position = m_meter.apply(kind, bytes);
        if (kind == ProgressKind::ProgressUpdate && position / 10 != m_shown / 10) {
            m_shown = position;
            m_io.err(QStringLiteral("Progreso: %1 %\n").arg(std::min(position, 100)));
        } else if (kind == ProgressKind::TotalSize2Process) {
            m_shown = position;
        }
    }
    void message(const QString &line) override { m_io.err(line + QLatin1Char('\n')); }

private:
    CliIo &m_io;
    ProgressMeter m_meter;
    int m_shown = 0;
};

int Failed(CliIo &io, const AppError &e)
{
    io.err(e.message() + QLatin1Char('\n'));
    if (!e.detail().isEmpty())
        io.err(QStringLiteral("(%1)\n").arg(e.detail()));
    return CliFailure;
}

} // namespace

int RunBackupCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    const QString installation = InstallationDir(args);
    if (args.size() != 1) {
        io.err(QStringLiteral("Uso: devenix-cli copia DESTINO.zip [--instalacion CARPETA]\n"));
        return CliBadInput;
    }
    const QString archive = QFileInfo(args.first()).absoluteFilePath();
    ErrorStreamEvents events(io);
    try {
        events.message(QStringLiteral("Inicio de Proceso."));
        const BackupSummary summary = WriteBackup(installation, archive, events);
        events.message(QStringLiteral("Proceso finalizado."));
        io.out(QStringLiteral("Copia de seguridad creada en \"%1\": %2 archivos.\n")
                   .arg(QDir::toNativeSeparators(archive))
                   .arg(summary.files));
        return CliOk;
    } catch (const AppError &e) {
        return Failed(io, e);
    }
}

int RunRestoreCommand(const QStringList &arguments, CliIo &io)
{
    QStringList args = arguments;
    const QString installation = InstallationDir(args);
    if (args.size() != 1) {
        io.err(QStringLiteral("Uso: devenix-cli restaurar ARCHIVO.zip [--instalacion CARPETA]\n"));
        return CliBadInput;
    }
    const QString archive = QFileInfo(args.first()).absoluteFilePath();
    if (!QFileInfo(archive).isFile())
        throw CliUsageError(QStringLiteral("No existe el archivo \"%1\".").arg(QDir::toNativeSeparators(archive)));
    ErrorStreamEvents events(io);
    try {
        events.message(QStringLiteral("Inicio de Proceso."));
        const int files = RestoreInstallation(installation, archive, events);
        events.message(QStringLiteral("Proceso finalizado."));
        io.out(QStringLiteral("El proceso de recuperación de la copia de seguridad ha finalizado: %1 archivos restaurados.\n")
                   .arg(files));
        return CliOk;
    } catch (const AppError &e) {
        return Failed(io, e);
    }
}

void RecoverInstallationAtStart(const QStringList &args, CliIo &io)
{
    const auto at = args.indexOf(QStringLiteral("--instalacion"));
    const QString dir = at >= 0 && at + 1 < args.size() ? QDir(args.at(at + 1)).absolutePath() : QDir::currentPath();
    if (const auto line = RecoverInterruptedRestore(dir))
        io.err(*line + QLatin1Char('\n'));
}
