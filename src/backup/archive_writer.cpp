#include "backup/archive_writer.h"

#include "backup/backup_selection.h"
#include "backup/csv_archive.h"
#include "backup/database_snapshot.h"
#include "backup/engine_move.h"
#include "backup/zip_handles.h"
#include "core/errors.h"
#include "store/store_error.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace {

// What the file sources of one run share: the events and the first failure, which libzip
// only reports as a code.
struct Run
{
    ArchiveEvents &events;
    QString failure;
    QString failureDetail;
    qint64 bytes = 0;
};

// A file read for libzip, reporting each block read as progress.
struct FileSource
{
    Run *run;
    QString path;  // what is read (a database's consistent copy)
    QString shown; // the entry name, for the log
    qint64 size;
    time_t modified;
    QFile file;
    zip_error_t error;
};

// Records the first failure in words (libzip keeps only a code) and returns libzip's -1.
zip_int64_t SourceFailed(FileSource *source, int code)
{
    if (source->run->failure.isEmpty()) {
        source->run->failure = QStringLiteral("No se ha podido leer el archivo \"%1\".")
                                   .arg(QDir::toNativeSeparators(source->path));
        source->run->failureDetail = source->file.errorString();
    }
    zip_error_set(&source->error, code, 0);
    return -1;
}

zip_int64_t FileSourceCallback(void *userdata, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto *source = static_cast<FileSource *>(userdata);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        source->file.setFileName(source->path);
        if (!source->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return SourceFailed(source, ZIP_ER_OPEN);
        source->run->events.message(QStringLiteral("Añadiendo: ") + source->shown);
        return 0;
    case ZIP_SOURCE_READ: {
        const qint64 read = source->file.read(static_cast<char *>(data),
                                              static_cast<qint64>(std::min<zip_uint64_t>(length, 1u << 30)));
        if (read < 0)
            return SourceFailed(source, ZIP_ER_READ);
        source->run->bytes += read;
        if (read > 0)
            source->run->events.progress(ProgressKind::ProgressUpdate, read);
        return read;
    }
    case ZIP_SOURCE_CLOSE:
        source->file.close();
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *st = static_cast<zip_stat_t *>(data);
        zip_stat_init(st);
        st->size = static_cast<zip_uint64_t>(source->size);
        st->mtime = source->modified;
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source->error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&source->error);
        delete source;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

[[noreturn]] void WriteFailed(const QString &archivePath, const QString &detail)
{
    if (detail == ZipOutOfSpaceText())
        throw AppError(QStringLiteral("No queda espacio en el disco para escribir la copia de seguridad \"%1\".")
                           .arg(QDir::toNativeSeparators(archivePath)),
                       detail);
    throw AppError(QStringLiteral("No se ha podido escribir la copia de seguridad \"%1\".")
                       .arg(QDir::toNativeSeparators(archivePath)),
                   detail);
}

time_t ModifiedTime(const QFileInfo &info)
{
    return static_cast<time_t>(info.lastModified().toSecsSinceEpoch());
}

class BackupWriter
{
public:
    BackupWriter(const QString &archivePath, ArchiveEvents &events)
        : m_archivePath(archivePath)
        , m_run{events, {}, {}, 0}
    {
    }

    BackupSummary write(const std::vector<BackupItem> &items)
    {
        int zipError = 0;
        ZipArchive archive(zip_open(QFile::encodeName(m_archivePath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &zipError));
        if (!archive)
            WriteFailed(m_archivePath, ZipErrorText(zipError));
        BackupSummary summary;
        for (const BackupItem &item : items) {
            if (item.isDirectory) {
                addFolder(archive.get(), item);
                ++summary.folders;
            } else {
                addFile(archive.get(), item);
                ++summary.files;
            }
        }
        // libzip reads, compresses and writes everything here, through the file sources.
        if (zip_close(archive.get()) != 0) {
            if (!m_run.failure.isEmpty())
                throw AppError(m_run.failure, m_run.failureDetail);
            WriteFailed(m_archivePath, ZipErrorText(archive.get()));
        }
        archive.release(); // closed: written and freed by libzip
        summary.bytes = m_run.bytes;
        return summary;
    }

    qint64 totalSize(const std::vector<BackupItem> &items) const
    {
        qint64 total = 0;
        for (const BackupItem &item : items) {
            if (!item.isDirectory)
                total += QFileInfo(item.path).size();
        }
        return total;
    }

private:
    void addFolder(zip_t *archive, const BackupItem &item)
    {
        const zip_int64_t index = zip_dir_add(archive, item.entryName.toUtf8().constData(), ZIP_FL_ENC_UTF_8);
        if (index < 0)
            WriteFailed(m_archivePath, ZipErrorText(archive));
        zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), ModifiedTime(QFileInfo(item.path)), 0);
    }

    void addFile(zip_t *archive, const BackupItem &item)
    {
        const QFileInfo info(item.path);
        QString readFrom = item.path;
        // An emptied database or one whose header is gone would go in as it is and fail the restore.
        if (info.suffix().compare(QLatin1String("sqlite"), Qt::CaseInsensitive) == 0 && !IsSqliteDatabase(item.path))
            throw DamagedDatabase(item.path, QStringLiteral("no SQLite header"));
        if (IsSqliteDatabase(item.path)) {
            readFrom = snapshotFolder() + QStringLiteral("/%1.sqlite").arg(++m_snapshots);
            SnapshotDatabase(item.path, readFrom);
        }
        auto *state = new FileSource{&m_run, readFrom, item.entryName, QFileInfo(readFrom).size(),
                                     ModifiedTime(info), QFile(), {}};
        zip_error_init(&state->error);
        zip_source_t *source = zip_source_function(archive, FileSourceCallback, state);
        if (!source) {
            zip_error_fini(&state->error);
            delete state;
            WriteFailed(m_archivePath, ZipErrorText(archive));
        }
        const zip_int64_t index = zip_file_add(archive, item.entryName.toUtf8().constData(), source,
                                               ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            WriteFailed(m_archivePath, ZipErrorText(archive));
        }
        const auto at = static_cast<zip_uint64_t>(index);
        const bool store = StoredWithoutCompression(info.fileName());
        if (zip_set_file_compression(archive, at, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, store ? 0 : 9) != 0)
            WriteFailed(m_archivePath, ZipErrorText(archive));
    }

    QString snapshotFolder()
    {
        if (!m_snapshotDir) {
            m_snapshotDir = std::make_unique<QTemporaryDir>();
            if (!m_snapshotDir->isValid())
                throw AppError(QStringLiteral("No se ha podido crear una carpeta temporal para copiar las bases de datos."),
                               m_snapshotDir->errorString());
        }
        return m_snapshotDir->path();
    }

    QString m_archivePath;
    Run m_run;
    std::unique_ptr<QTemporaryDir> m_snapshotDir;
    int m_snapshots = 0;
};

// On a server the tables are read out as CSV into `folder` (one snapshot) and go into the
// backup under Datos/TablasCSV, where a restore looks for them.
void AddServerTables(const QString &programDir, const QString &folder, std::vector<BackupItem> &items,
                     ArchiveEvents &events)
{
    const DatabaseEngine engine = DatabaseEngine::ForInstallation(programDir);
    if (!engine.isServer())
        return;
    const QString program = QDir::cleanPath(QFileInfo(programDir).absoluteFilePath());
    const QString tablesEntry = ArchiveEntryName(program + QLatin1Char('/') + CsvFolderName()) + QLatin1Char('/');
    std::erase_if(items, [&](const BackupItem &item) { return item.entryName.startsWith(tablesEntry); });
    events.message(QStringLiteral("Leyendo las tablas del servidor %1.").arg(engine.serverText()));
    DumpServerTables(engine, programDir, folder);
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    for (const QString &file : std::as_const(files))
        items.push_back({file, tablesEntry + QDir(folder).relativeFilePath(file), false});
}

} // namespace

BackupSummary WriteBackup(const QString &programDir, const QString &archivePath, ArchiveEvents &events)
{
    const QString archive = QFileInfo(archivePath).absoluteFilePath();
    const QString folder = QFileInfo(archive).absolutePath();
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("No se ha podido crear la carpeta de destino \"%1\".")
                           .arg(QDir::toNativeSeparators(folder)));
    if (!QFileInfo(programDir).isDir())
        throw AppError(QStringLiteral("No existe la carpeta de la instalación \"%1\".")
                           .arg(QDir::toNativeSeparators(programDir)));

    std::vector<BackupItem> items = SelectBackupItems(programDir, {archive});
    QTemporaryDir tables;
    if (!tables.isValid())
        throw AppError(QStringLiteral("No se ha podido crear una carpeta temporal para copiar las tablas."),
                       tables.errorString());
    AddServerTables(programDir, tables.path(), items, events);
    BackupWriter writer(archive, events);
    events.progress(ProgressKind::TotalSize2Process, writer.totalSize(items));
    try {
        const BackupSummary summary = writer.write(items);
        events.progress(ProgressKind::EndOfBatch, 0);
        return summary;
    } catch (...) {
        events.progress(ProgressKind::EndOfBatch, 0);
        throw;
    }
}
