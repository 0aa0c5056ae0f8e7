#include "documents/zip_archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <zip.h>

#include <filesystem>
#include <memory>

namespace {

// An Office document holds text and pictures; anything this large is damaged or hostile.
constexpr zip_uint64_t kMaxTotal = zip_uint64_t(1) << 30;

struct ArchiveCloser
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};

QString LibzipText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

} // namespace

std::vector<ZipEntry> ReadZip(const QString &path, qint64 maxEntrySize)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw ZipError(ZipFailure::Missing, path);
    int code = 0;
    std::unique_ptr<zip_t, ArchiveCloser> archive(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code));
    if (!archive) {
        const bool notZip = code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS;
        throw ZipError(notZip ? ZipFailure::NotZip : ZipFailure::Unreadable, LibzipText(code));
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    std::vector<ZipEntry> entries;
    zip_uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0)
            throw ZipError(ZipFailure::Unreadable, QString::fromLocal8Bit(zip_strerror(archive.get())));
        const QString name = QString::fromUtf8(st.name);
        if (name.endsWith(QLatin1Char('/')))
            continue;
        if (!(st.valid & ZIP_STAT_SIZE) || st.size > static_cast<zip_uint64_t>(maxEntrySize))
            throw ZipError(ZipFailure::EntryTooLarge, name);
        total += st.size;
        if (total > kMaxTotal)
            throw ZipError(ZipFailure::TooLarge, name);
        std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> file(zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), 0),
                                                                 zip_fclose);
        if (!file)
            throw ZipError(ZipFailure::Unreadable, QString::fromLocal8Bit(zip_strerror(archive.get())));
        ZipEntry entry;
        entry.name = name;
        entry.compressed = st.comp_method != ZIP_CM_STORE;
        entry.data.resize(static_cast<qsizetype>(st.size));
        zip_int64_t done = 0;
        while (done < static_cast<zip_int64_t>(st.size)) {
            const zip_int64_t n = zip_fread(file.get(), entry.data.data() + done, st.size - static_cast<zip_uint64_t>(done));
            if (n <= 0)
                throw ZipError(ZipFailure::Unreadable, QString::fromLocal8Bit(zip_file_strerror(file.get())));
            done += n;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool WriteZip(const QString &path, const std::vector<ZipEntry> &entries, QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    const QFileInfo target(path);
    const QString temporary = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.')
                              + QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".tmp");
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(temporary).constData(), ZIP_CREATE | ZIP_EXCL, &code);
    if (!archive)
        return fail(LibzipText(code));
    for (const ZipEntry &entry : entries) {
        zip_source_t *source = zip_source_buffer(archive, entry.data.constData(),
                                                 static_cast<zip_uint64_t>(entry.data.size()), 0);
        const QByteArray name = entry.name.toUtf8();
        zip_int64_t index = source ? zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            const QString reason = QString::fromLocal8Bit(zip_strerror(archive));
            if (source)
                zip_source_free(source);
            zip_discard(archive);
            QFile::remove(temporary);
            return fail(reason);
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 entry.compressed ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    // The buffers above are read here, while the entries are still alive.
    if (zip_close(archive) != 0) {
        const QString reason = QString::fromLocal8Bit(zip_strerror(archive));
        zip_discard(archive);
        QFile::remove(temporary);
        return fail(reason);
    }
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(temporary.toStdU16String()), std::filesystem::path(path.toStdU16String()), ec);
    if (ec) {
        QFile::remove(temporary);
        return fail(QString::fromLocal8Bit(ec.message().c_str()));
    }
    return true;
}
