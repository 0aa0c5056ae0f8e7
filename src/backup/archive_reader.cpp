#include "backup/archive_reader.h"

#include "backup/restore_journal.h"
#include "backup/restore_tables.h"
#include "backup/restore_names.h"
#include "backup/zip_handles.h"
#include "store/schema.h"
#include "store/sql.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QUuid>

#include <cerrno>
#include <optional>
#include <vector>

namespace {

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void NotAllowed(const QString &archive, const QString &entry, const QString &detail = {})
{
    throw AppError(QStringLiteral("La copia de seguridad \"%1\" contiene una entrada no permitida: \"%2\".")
                       .arg(archive, entry),
                   detail);
}

[[noreturn]] void Damaged(const QString &archive, const QString &entry, const QString &detail)
{
    throw AppError(QStringLiteral("La copia de seguridad \"%1\" está dañada: \"%2\" no se puede leer correctamente.")
                       .arg(archive, entry),
                   detail);
}

[[noreturn]] void NotExtracted(const QString &target, const QString &detail = {})
{
    throw AppError(QStringLiteral("No se ha podido extraer \"%1\".").arg(target), detail);
}

FreeSpaceProbe &Probe()
{
    static FreeSpaceProbe probe;
    return probe;
}

qint64 FreeSpace(const QString &folder)
{
    if (Probe())
        return Probe()(folder);
    return QStorageInfo(folder).bytesAvailable();
}

// A write that failed: a full disk is said in words (the system's text is often "Unknown error").
[[noreturn]] void WriteFailed(const QString &path, const QString &target, const QFile &out)
{
    if (errno == ENOSPC || FreeSpace(QFileInfo(path).path()) < 1024 * 1024)
        throw AppError(QStringLiteral("No queda espacio en el disco para extraer \"%1\".").arg(target),
                       out.errorString());
    NotExtracted(target, out.errorString());
}

QString Megabytes(qint64 bytes)
{
    return QString::number((bytes + 1024 * 1024 - 1) / (1024 * 1024));
}

struct Entry
{
    zip_uint64_t index;
    QString name;
    zip_stat_t stat;
};

// The archive's directory, every entry checked before any is read: a plain file or folder,
// not encrypted, compressed in a way this program reads.
std::vector<Entry> ReadDirectory(zip_t *archive, const QString &shown)
{
    constexpr zip_uint32_t kTypeMask = 0170000;
    constexpr zip_uint32_t kRegularFile = 0100000;
    constexpr zip_uint32_t kFolder = 0040000;

    std::vector<Entry> entries;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_uint64_t i = 0; count > 0 && i < static_cast<zip_uint64_t>(count); ++i) {
        Entry e{i, {}, {}};
        const char *raw = zip_get_name(archive, i, ZIP_FL_ENC_GUESS);
        if (!raw || zip_stat_index(archive, i, ZIP_FL_ENC_GUESS, &e.stat) != 0)
            Damaged(shown, QString::number(i), ZipErrorText(archive));
        e.name = QString::fromUtf8(raw);
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        zip_file_get_external_attributes(archive, i, 0, &system, &attributes);
        const zip_uint32_t type = (attributes >> 16) & kTypeMask;
        if (system == ZIP_OPSYS_UNIX && type != 0 && type != kRegularFile && type != kFolder)
            NotAllowed(shown, e.name, QStringLiteral("not a plain file (mode %1)").arg(attributes >> 16, 0, 8));
        if (e.stat.encryption_method != ZIP_EM_NONE
            || !zip_compression_method_supported(static_cast<zip_int32_t>(e.stat.comp_method), 0))
            Damaged(shown, e.name, QStringLiteral("encrypted or unknown compression method"));
        entries.push_back(e);
    }
    return entries;
}

// Copies one entry into a new file; libzip checks the checksum and size as the end is read.
void Extract(zip_t *archive, const Entry &entry, const QString &path, const QString &target, const QString &shown,
             ArchiveEvents &events)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        NotExtracted(target);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        NotExtracted(target, out.errorString());
    const ZipEntryFile in(zip_fopen_index(archive, entry.index, 0));
    if (!in)
        Damaged(shown, entry.name, ZipErrorText(archive));
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const zip_int64_t read = zip_fread(in.get(), buffer.data(), static_cast<zip_uint64_t>(buffer.size()));
        if (read < 0)
            Damaged(shown, entry.name, ZipErrorText(in.get()));
        if (read == 0)
            break;
        errno = 0;
        if (out.write(buffer.constData(), read) != read)
            WriteFailed(path, target, out);
        events.progress(ProgressKind::ProgressUpdate, read);
    }
    errno = 0;
    if (!out.flush())
        WriteFailed(path, target, out);
    if (entry.stat.valid & ZIP_STAT_MTIME)
        out.setFileTime(QDateTime::fromSecsSinceEpoch(entry.stat.mtime), QFileDevice::FileModificationTime);
    errno = 0;
    out.close();
    if (out.error() != QFileDevice::NoError)
        WriteFailed(path, target, out);
}

std::optional<DatabaseKind> KindOfTarget(const QString &target)
{
    const QStringList parts = target.split(QLatin1Char('/'));
    if (parts.size() == 2 && parts[0] == QLatin1String("Datos") && parts[1] == DatabaseFileName(DatabaseKind::Datos))
        return DatabaseKind::Datos;
    if (parts.size() == 2 && parts[0] == QLatin1String("Historia")
        && parts[1] == DatabaseFileName(DatabaseKind::Historia))
        return DatabaseKind::Historia;
    if (parts.size() == 3 && parts[0] == QLatin1String("modulos") && parts[2] == DatabaseFileName(DatabaseKind::Modulo))
        return DatabaseKind::Modulo;
    return std::nullopt;
}

// One of our databases as extracted: a file of another kind, of a newer version or damaged
// is refused before the installation is touched.
void CheckExtractedDatabase(const QString &path, DatabaseKind kind, const QString &shownName)
{
    const QString connection = QStringLiteral("restore-check-") + QUuid::createUuid().toString(QUuid::Id128);
    std::optional<AppError> failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        const AppError damaged(QStringLiteral("La base de datos \"%1\" de la copia está dañada.").arg(shownName));
        try {
            if (!db.open())
                failure = damaged;
            else
                CheckDatabaseFile(db, kind, shownName);
            if (!failure && Scalar(db, QStringLiteral("PRAGMA quick_check")).toString() != QLatin1String("ok"))
                failure = damaged;
        } catch (const StoreError &e) {
            failure = AppError(damaged.message(), e.detail());
        } catch (const AppError &e) {
            failure = e;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (failure)
        throw *failure;
}

} // namespace

void SetFreeSpaceProbe(FreeSpaceProbe probe)
{
    Probe() = std::move(probe);
}

RestoreRefused::RestoreRefused(const AppError &cause)
    : AppError(cause.message() + QStringLiteral(" La instalación no se ha modificado."), cause.detail())
    , m_causeMessage(cause.message())
{
}

StagedRestore::StagedRestore(const QString &archivePath, const QString &programDir, ArchiveEvents &events)
    : m_programDir(QDir::cleanPath(QFileInfo(programDir).absoluteFilePath()))
    , m_events(events)
{
    const QString shown = Native(archivePath);
    try {
        events.message(QStringLiteral("Comprobando la copia de seguridad \"%1\".").arg(shown));
        int zipError = 0;
        const ZipArchive archive(zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &zipError));
        if (!archive)
            throw AppError(QStringLiteral("El archivo \"%1\" no es una copia de seguridad válida o está dañado.").arg(shown),
                           ZipErrorText(zipError));
        const std::vector<Entry> entries = ReadDirectory(archive.get(), shown);
        QStringList names;
        qint64 total = 0;
        for (const Entry &e : entries) {
            names.append(e.name);
            total += static_cast<qint64>(e.stat.size);
        }
        m_targets = PlanRestore(shown, names).targets;
        // Everything is extracted beside the installation before the first file is replaced.
        if (const qint64 free = FreeSpace(m_programDir); total > free)
            throw AppError(QStringLiteral("No queda espacio en el disco para restaurar la copia: ocupa %1 MB una vez "
                                          "descomprimida y en el disco de la instalación quedan %2 MB libres.")
                               .arg(Megabytes(total), Megabytes(free)));

        m_stage = std::make_unique<QTemporaryDir>(m_programDir + QStringLiteral("/.restauracion-XXXXXX"));
        if (m_stage->isValid()) {
            // Tells a program starting meanwhile that this restore is alive.
            m_lock = std::make_unique<QLockFile>(RestoreLockPath(m_stage->path()));
            m_lock->tryLock(0);
        }
        if (!m_stage->isValid() || !m_lock->isLocked())
            throw AppError(QStringLiteral("No se puede escribir en la carpeta de la instalación \"%1\".")
                               .arg(Native(m_programDir)),
                           m_stage->errorString());
        events.progress(ProgressKind::TotalSize2Process, total);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const QString &target = m_targets.at(static_cast<qsizetype>(i));
            const QString path = staged(target);
            if (!path.startsWith(m_stage->path() + QStringLiteral("/new/")))
                NotAllowed(shown, entries[i].name);
            if (target.endsWith(QLatin1Char('/'))) {
                if (!QDir().mkpath(path))
                    NotExtracted(target);
            } else {
                events.message(QStringLiteral("Extrayendo: ") + target);
                Extract(archive.get(), entries[i], path, target, shown, events);
            }
        }
        for (const QString &target : std::as_const(m_targets)) {
            if (const auto kind = KindOfTarget(target))
                CheckExtractedDatabase(staged(target), *kind, target);
        }
        events.progress(ProgressKind::EndOfBatch, 0);
    } catch (const AppError &e) {
        m_lock.reset();
        m_stage.reset();
        events.progress(ProgressKind::EndOfBatch, 0);
        throw RestoreRefused(e);
    }
}

StagedRestore::~StagedRestore()
{
    m_lock.reset();
    m_stage.reset();
}

QString StagedRestore::staged(const QString &target) const
{
    const QString path = QDir::cleanPath(m_stage->path() + QStringLiteral("/new/") + target);
    return target.endsWith(QLatin1Char('/')) ? path + QLatin1Char('/') : path;
}
