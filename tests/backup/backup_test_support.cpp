#include "backup_test_support.h"

#include "backup/backup_selection.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <gtest/gtest.h>
#include <zip.h>

void WriteFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(data);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QMap<QString, QByteArray> TreeContents(const QString &dir)
{
    QMap<QString, QByteArray> contents;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(dir).relativeFilePath(path);
        // The engine's shared-memory index is rewritten by every reader; it holds no data.
        if (relative.endsWith(QLatin1String("-shm")))
            continue;
        if (it.fileInfo().isDir()) {
            contents.insert(relative + QLatin1Char('/'), {});
        } else {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
            contents.insert(relative, file.readAll());
        }
    }
    return contents;
}

std::vector<ZipEntry> ReadZip(const QString &path)
{
    std::vector<ZipEntry> entries;
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st);
        ZipEntry entry{QString::fromUtf8(st.name), st.comp_method, {}};
        if (st.size > 0) {
            entry.data.resize(static_cast<qsizetype>(st.size));
            zip_file_t *file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
            EXPECT_EQ(zip_fread(file, entry.data.data(), st.size), static_cast<zip_int64_t>(st.size));
            zip_fclose(file);
        }
        entries.push_back(entry);
    }
    zip_discard(archive);
    return entries;
}

void WriteZip(const QString &path, const std::vector<std::pair<QString, QByteArray>> &entries)
{
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const auto &[name, data] : entries) {
        const bool link = name.endsWith(QLatin1String("@link"));
        const QByteArray entryName = (link ? name.chopped(5) : name).toUtf8();
        zip_source_t *source = zip_source_buffer(archive, data.constData(), static_cast<zip_uint64_t>(data.size()), 0);
        const zip_int64_t index = zip_file_add(archive, entryName.constData(), source, ZIP_FL_ENC_RAW);
        ASSERT_GE(index, 0) << entryName.constData();
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        if (link)
            zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                             (0120777u << 16));
    }
    ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

QStringList RelativeNames(const std::vector<ZipEntry> &entries, const QString &programDir)
{
    const QString prefix = ArchiveEntryName(programDir) + QLatin1Char('/');
    QStringList names;
    for (const ZipEntry &e : entries) {
        EXPECT_TRUE(e.name.startsWith(prefix)) << e.name.toStdString();
        names.append(e.name.mid(prefix.size()));
    }
    return names;
}

QStringList Rows(const QString &databaseFile, const QString &sql)
{
    const QString name = QUuid::createUuid().toString();
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databaseFile);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values.append(q.value(i).toString());
            rows.append(values.join(QLatin1Char('|')));
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}
