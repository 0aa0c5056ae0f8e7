#include "backup/archive_reader.h"

#include "backup/restore_names.h"
#include "store/schema.h"
#include "store/sql.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QUuid>

#include <zip.h>

namespace {

constexpr zip_uint32_t kTypeMask = 0170000;
constexpr zip_uint32_t kRegularFile = 0100000;
constexpr zip_uint32_t kFolder = 0040000;

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

class ReadArchive
{
public:
    explicit ReadArchive(zip_t *archive) : m_archive(archive) {}
    ~ReadArchive()
    {
        if (m_archive)
            zip_discard(m_archive);
    }
    ReadArchive(const ReadArchive &) = delete;
    ReadArchive &operator=(const ReadArchive &) = delete;
    zip_t *get() const { return m_archive; }

private:
    zip_t *m_archive;
};

class EntryFile
{
public:
    explicit EntryFile(zip_file_t *file) : m_file(file) {}
    ~EntryFile()
    {
        if (m_file)
            zip_fclose(m_file);
    }
    EntryFile(const EntryFile &) = delete;
    EntryFile &operator=(const EntryFile &) = delete;
    zip_file_t *get() const { return m_file; }

private:
    zip_file_t *m_file;
};

[[noreturn]] void Damaged(const QString &archive, const QString &entry, const QString &detail)
{
    throw AppError(QStringLiteral("La copia de seguridad \"%1\" está dañada: \"%2\" no se puede leer correctamente.")
                       .arg(archive, entry),
                   detail);
}

// Our databases extracted from the archive: a file of another kind, of a newer version or
// damaged is refused before the installation is touched.
void CheckExtractedDatabase(const QString &path, DatabaseKind kind, const QString &shownName)
{
    const QString connection = QStringLiteral("restore-check-") + QUuid::createUuid().toString(QUuid::Id128);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        try {
            if (!db.open())
                throw AppError(QStringLiteral("No se ha podido abrir la base de datos \"%1\" de la copia.").arg(shownName));
            CheckDatabaseFile(db, kind, shownName);
            const QString check = Scalar(db, QStringLiteral("PRAGMA quick_check")).toString();
            if (check != QLatin1String("ok"))
                throw AppError(QStringLiteral("La base de datos \"%1\" de la copia está dañada.").arg(shownName), check);
        } catch (const StoreError &e) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection);
            throw AppError(QStringLiteral("La base de datos \"%1\" de la copia está dañada.").arg(shownName), e.detail());
        } catch (...) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection);
            throw;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
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

} // namespace

RestoreRefused::RestoreRefused(const AppError &cause)
    : AppError(cause.message() + QStringLiteral(" La instalación no se ha modificado."), cause.detail())
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
        ReadArchive archive(zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &zipError));
        if (!archive.get()) {
            zip_error_t error;
            zip_error_init_with_code(&error, zipError);
            const QString detail = QString::fromUtf8(zip_error_strerror(&error));
            zip_error_fini(&error);
            throw AppError(QStringLiteral("El archivo \"%1\" no es una copia de seguridad válida o está dañado.").arg(shown),
                           detail);
        }
        const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
        QStringList names;
        std::vector<zip_stat_t> stats(static_cast<std::size_t>(std::max<zip_int64_t>(count, 0)));
        qint64 total = 0;
        for (zip_uint64_t i = 0; i < stats.size(); ++i) {
            const char *raw = zip_get_name(archive.get(), i, ZIP_FL_ENC_GUESS);
            if (!raw || zip_stat_index(archive.get(), i, ZIP_FL_ENC_GUESS, &stats[i]) != 0)
                Damaged(shown, QString::number(i), QString::fromUtf8(zip_strerror(archive.get())));
            const QString name = QString::fromUtf8(raw);
            zip_uint8_t system = 0;
            zip_uint32_t attributes = 0;
            zip_file_get_external_attributes(archive.get(), i, 0, &system, &attributes);
            const zip_uint32_t type = (attributes >> 16) & kTypeMask;
            if (system == ZIP_OPSYS_UNIX && type != 0 && type != kRegularFile && type != kFolder)
                throw AppError(QStringLiteral("La copia de seguridad \"%1\" contiene una entrada no permitida: \"%2\".")
                                   .arg(shown, name),
                               QStringLiteral("not a plain file (mode %1)").arg(attributes >> 16, 0, 8));
            if (stats[i].encryption_method != ZIP_EM_NONE
                || !zip_compression_method_supported(static_cast<zip_int32_t>(stats[i].comp_method), 0))
                Damaged(shown, name, QStringLiteral("encrypted or unknown compression method"));
            names.append(name);
            if (!name.endsWith(QLatin1Char('/')) && !name.endsWith(QLatin1Char('\\')))
                total += static_cast<qint64>(stats[i].size);
        }
        const RestorePlan plan = PlanRestore(shown, names);
        m_targets = plan.targets;

        m_stage = std::make_unique<QTemporaryDir>(m_programDir + QStringLiteral("/.restauracion-XXXXXX"));
        if (!m_stage->isValid())
            throw AppError(QStringLiteral("No se puede escribir en la carpeta de la instalación \"%1\".")
                               .arg(Native(m_programDir)),
                           m_stage->errorString());

        events.progress(ProgressKind::TotalSize2Process, total);
        QByteArray buffer(256 * 1024, Qt::Uninitialized);
        for (zip_uint64_t i = 0; i < stats.size(); ++i) {
            const QString &target = m_targets.at(static_cast<qsizetype>(i));
            const QString path = staged(target);
            if (!path.startsWith(m_stage->path() + QStringLiteral("/new/")))
                throw AppError(QStringLiteral("La copia de seguridad \"%1\" contiene una entrada no permitida: \"%2\".")
                                   .arg(shown, names.at(static_cast<qsizetype>(i))));
            if (target.endsWith(QLatin1Char('/'))) {
                if (!QDir().mkpath(path))
                    throw AppError(QStringLiteral("No se ha podido extraer \"%1\".").arg(target));
                continue;
            }
            events.message(QStringLiteral("Extrayendo: ") + target);
            if (!QDir().mkpath(QFileInfo(path).path()))
                throw AppError(QStringLiteral("No se ha podido extraer \"%1\".").arg(target));
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                throw AppError(QStringLiteral("No se ha podido extraer \"%1\".").arg(target), out.errorString());
            EntryFile entry(zip_fopen_index(archive.get(), i, 0));
            if (!entry.get())
                Damaged(shown, names.at(static_cast<qsizetype>(i)), QString::fromUtf8(zip_strerror(archive.get())));
            zip_uint64_t written = 0;
            for (;;) {
                // libzip checks the entry's checksum and size when the end is read.
                const zip_int64_t read = zip_fread(entry.get(), buffer.data(), static_cast<zip_uint64_t>(buffer.size()));
                if (read < 0)
                    Damaged(shown, names.at(static_cast<qsizetype>(i)),
                            QString::fromUtf8(zip_error_strerror(zip_file_get_error(entry.get()))));
                if (read == 0)
                    break;
                if (out.write(buffer.constData(), read) != read)
                    throw AppError(QStringLiteral("No se ha podido extraer \"%1\".").arg(target), out.errorString());
                written += static_cast<zip_uint64_t>(read);
                events.progress(ProgressKind::ProgressUpdate, read);
            }
            if (written != stats[i].size)
                Damaged(shown, names.at(static_cast<qsizetype>(i)), QStringLiteral("size differs"));
            if (!out.flush())
                throw AppError(QStringLiteral("No se ha podido extraer \"%1\".").arg(target), out.errorString());
            if (stats[i].valid & ZIP_STAT_MTIME)
                out.setFileTime(QDateTime::fromSecsSinceEpoch(stats[i].mtime), QFileDevice::FileModificationTime);
            out.close();
            if (out.error() != QFileDevice::NoError)
                throw AppError(QStringLiteral("No se ha podido extraer \"%1\".").arg(target), out.errorString());
        }
        for (const QString &target : std::as_const(m_targets)) {
            if (const auto kind = KindOfTarget(target))
                CheckExtractedDatabase(staged(target), *kind, target);
        }
        events.progress(ProgressKind::EndOfBatch, 0);
    } catch (const AppError &e) {
        m_stage.reset();
        events.progress(ProgressKind::EndOfBatch, 0);
        throw RestoreRefused(e);
    }
}

StagedRestore::~StagedRestore() = default;

QString StagedRestore::staged(const QString &target) const
{
    return QDir::cleanPath(m_stage->path() + QStringLiteral("/new/") + target) + (target.endsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString());
}
