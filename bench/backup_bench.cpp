// A backup of a 200 MB installation (databases and documents) by WriteBackup and by
// `zip -9 -r` on the same folders, run in turns so both see the same machine load.
#include "backup/archive_writer.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <ctime>
#include <memory>

#include <sys/resource.h>

namespace {

class NoEvents final : public ArchiveEvents
{
public:
    void progress(ProgressKind, qint64) override {}
    void message(const QString &) override {}
};

const char *const kWords[] = {"liquidación", "intereses", "demanda", "juzgado", "primera", "instancia", "cliente",
                              "factura", "honorarios", "procurador", "sentencia", "recurso", "apelación", "plazo",
                              "euros", "capital", "principal", "pago", "parcial", "Madrid", "Galicia", "Sevilla",
                              "señor", "don", "doña", "letrado", "despacho", "ejecución", "costas", "tasación"};

QByteArray Sentence(QRandomGenerator &random, int words)
{
    QByteArray text;
    for (int i = 0; i < words; ++i) {
        text += kWords[random.bounded(int(std::size(kWords)))];
        text += ' ';
    }
    return text;
}

QByteArray Noise(QRandomGenerator &random, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

void WriteFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A database of invoice-like rows of about `megabytes`.
void WriteDatabase(const QString &path, int megabytes, QRandomGenerator &random)
{
    QDir().mkpath(QFileInfo(path).path());
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode = WAL; CREATE TABLE lineas (Id INTEGER PRIMARY KEY, Fecha TEXT,"
                     " Concepto TEXT, Importe REAL, Notas TEXT); BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO lineas (Fecha, Concepto, Importe, Notas) VALUES (?, ?, ?, ?)", -1, &insert,
                       nullptr);
    const qint64 rows = qint64(megabytes) * 1024 * 1024 / 220;
    for (qint64 i = 0; i < rows; ++i) {
        const QByteArray date = QStringLiteral("20%1-%2-%3")
                                    .arg(random.bounded(10, 27))
                                    .arg(random.bounded(1, 13), 2, 10, QLatin1Char('0'))
                                    .arg(random.bounded(1, 29), 2, 10, QLatin1Char('0'))
                                    .toLatin1();
        const QByteArray label = Sentence(random, 4);
        const QByteArray notes = Sentence(random, 16);
        sqlite3_bind_text(insert, 1, date.constData(), int(date.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, label.constData(), int(label.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 3, random.bounded(1000000) / 100.0);
        sqlite3_bind_text(insert, 4, notes.constData(), int(notes.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// About 200 MB: 140 MB of databases, 60 MB of templates and documents.
struct Installation
{
    QTemporaryDir root;
    QString dir;
    qint64 bytes = 0;

    Installation()
        : dir(root.path() + QStringLiteral("/instalacion"))
    {
        QRandomGenerator random(20261208);
        WriteDatabase(dir + QStringLiteral("/Datos/datos.sqlite"), 94, random);
        WriteDatabase(dir + QStringLiteral("/Historia/historia.sqlite"), 40, random);
        for (int region = 0; region < 22; ++region) {
            const QString module = dir + QStringLiteral("/modulos/region%1").arg(region);
            WriteDatabase(module + QStringLiteral("/modulo.sqlite"), 0, random);
            WriteFile(module + QStringLiteral("/tablas.xml"), "<tablas>" + Sentence(random, 3000) + "</tablas>");
            WriteDatabase(module + QStringLiteral("/tarifa.sqlite"), 1, random);
        }
        const QString docs = dir + QStringLiteral("/DocPlant/");
        for (int i = 0; i < 300; ++i) // word-processor documents: text with some binary
            WriteFile(docs + QStringLiteral("documento%1.doc").arg(i), Noise(random, 8 * 1024) + Sentence(random, 8000));
        for (int i = 0; i < 60; ++i) // already compressed (.docx are zip files)
            WriteFile(docs + QStringLiteral("modelo%1.docx").arg(i), Noise(random, 100 * 1024));
        for (int i = 0; i < 20; ++i)
            WriteFile(docs + QStringLiteral("escrito%1.pdf").arg(i), Sentence(random, 30000) + Noise(random, 250 * 1024));
        for (int i = 0; i < 30; ++i)
            WriteFile(docs + QStringLiteral("firma%1.png").arg(i), Noise(random, 200 * 1024));
        QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            bytes += it.fileInfo().size();
        }
    }
};

// Processor seconds of finished child processes (zip).
double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Installation &Data()
{
    static Installation data;
    return data;
}

void BM_BackupAgainstZip9(benchmark::State &state)
{
    Installation &data = Data();
    QTemporaryDir out;
    const QString ours = out.filePath(QStringLiteral("cuantix.zip"));
    const QString theirs = out.filePath(QStringLiteral("zip9.zip"));
    double oursSeconds = 0;
    double zipSeconds = 0;
    double oursCpu = 0;
    double zipCpu = 0;
    for (auto _ : state) {
        QFile::remove(ours);
        QFile::remove(theirs);
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpuStart = std::clock();
        NoEvents events;
        WriteBackup(data.dir, ours, events);
        oursCpu += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const double seconds = timer.nsecsElapsed() / 1e9;
        oursSeconds += seconds;
        state.SetIterationTime(seconds);

        timer.restart();
        const double childrenBefore = ChildrenCpuSeconds();
        QProcess zip;
        zip.setWorkingDirectory(data.dir);
        zip.start(QStringLiteral("zip"), {QStringLiteral("-9"), QStringLiteral("-r"), QStringLiteral("-q"), theirs,
                                          QStringLiteral("DocPlant"), QStringLiteral("Historia"),
                                          QStringLiteral("Datos"), QStringLiteral("modulos")});
        zip.waitForFinished(-1);
        zipSeconds += timer.nsecsElapsed() / 1e9;
        zipCpu += ChildrenCpuSeconds() - childrenBefore;
        if (zip.exitCode() != 0)
            state.SkipWithError("zip failed");
    }
    const double megabytes = data.bytes / 1e6;
    const double runs = static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(data.bytes) * state.iterations());
    state.counters["MB"] = megabytes;
    state.counters["cuantix_MB/s"] = megabytes * runs / oursSeconds;
    state.counters["zip9_MB/s"] = megabytes * runs / zipSeconds;
    state.counters["throughput_ratio"] = zipSeconds / oursSeconds;
    // The same by processor time: steadier on a machine others are using.
    state.counters["cpu_ratio"] = zipCpu / oursCpu;
    state.counters["size_ratio"] = static_cast<double>(QFileInfo(ours).size()) / QFileInfo(theirs).size();
}
BENCHMARK(BM_BackupAgainstZip9)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
