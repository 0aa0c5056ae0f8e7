// A client file of 50,000 clients. Targets: the clients window open and painted under 300 ms;
// each keystroke in the name search at the nearest client, grid repainted, under 20 ms; the
// list exported to .xlsx under 2 s.
#include "clients/clients_window.h"
#include "clients/record_export.h"
#include "clients/record_file.h"
#include "core/session.h"
#include "store/app_context.h"
#include "store/sql.h"
#include "bench_installation.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

constexpr int Clients = 50000;

struct Installation : BenchInstallation
{
    Installation()
        : BenchInstallation()
    {
        const QSqlDatabase db = store.database(Alias::Intereses);
        const QStringList names = {QStringLiteral("García"),   QStringLiteral("Fernández"), QStringLiteral("González"),
                                   QStringLiteral("Rodríguez"), QStringLiteral("López"),    QStringLiteral("Martínez"),
                                   QStringLiteral("Sánchez"),  QStringLiteral("Pérez"),     QStringLiteral("gómez"),
                                   QStringLiteral("MARTÍN"),   QStringLiteral("Jiménez"),   QStringLiteral("Ruiz")};
        Transaction t(db);
        QSqlQuery insert = Prepare(db, QStringLiteral(
            "INSERT INTO clientes (ICodCli, SNombreCli, SDomicilioCli, SPoblacionCli, SProvinciaCli, SCodPostalCli,"
            " SNifCli, STelefonoCli, SMovilCli, EMail, Notas) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 1; i <= Clients; ++i) {
            insert.bindValue(0, i);
            insert.bindValue(1, QString(names.at(i % names.size()) + QLatin1Char(' ') + names.at((i / 12) % names.size())
                                        + QStringLiteral(", cliente %1").arg(i)));
            insert.bindValue(2, QStringLiteral("Calle Mayor, %1").arg(i % 300));
            insert.bindValue(3, QStringLiteral("Elche"));
            insert.bindValue(4, QStringLiteral("Alicante"));
            insert.bindValue(5, QStringLiteral("%1").arg(3000 + i % 999, 5, 10, QLatin1Char('0')));
            insert.bindValue(6, QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')));
            insert.bindValue(7, QStringLiteral("965%1").arg(i, 6, 10, QLatin1Char('0')));
            insert.bindValue(8, QStringLiteral("600%1").arg(i, 6, 10, QLatin1Char('0')));
            insert.bindValue(9, QStringLiteral("cliente%1@example.es").arg(i));
            insert.bindValue(10, QStringLiteral("Notas del cliente %1").arg(i));
            Exec(insert);
        }
        t.commit();
    }
};

Installation &Shared()
{
    static Installation installation;
    return installation;
}

void BM_ClientsWindowOpens(benchmark::State &state)
{
    for (auto _ : state) {
        TFormCliPral window(Shared().context);
        window.show();
        benchmark::DoNotOptimize(window.grab());
        window.close();
    }
}
BENCHMARK(BM_ClientsWindowOpens)->Unit(benchmark::kMillisecond)->UseRealTime();

// The list page's rows read (the bulk of opening the window).
void BM_ListLoad(benchmark::State &state)
{
    RecordList list(ClientsFile());
    for (auto _ : state)
        list.load(Shared().store.database(Alias::Intereses));
}
BENCHMARK(BM_ListLoad)->Unit(benchmark::kMillisecond)->UseRealTime();


void BM_NameSearchKeystroke(benchmark::State &state)
{
    TFormCliPral window(Shared().context);
    window.show();
    window.grab();
    auto *edit = window.findChild<QLineEdit *>(QStringLiteral("EditNOMBRE"));
    auto *grid = window.findChild<QTableView *>(QStringLiteral("DBGrid1"));
    const QStringList typed = {QStringLiteral("g"), QStringLiteral("ga"), QStringLiteral("mar"), QStringLiteral("Perez"),
                               QStringLiteral("RUIZ R"), QStringLiteral("z"), QStringLiteral("lopez garcia, c"),
                               QStringLiteral("a")};
    qsizetype next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString text = typed.at(next++ % typed.size());
        edit->setText(text.left(text.size() - 1));
        state.ResumeTiming();
        QTest::keyClick(edit, text.back().toLatin1());
        benchmark::DoNotOptimize(grid->viewport()->grab());
    }
    state.counters["row"] = grid->currentIndex().row();
}
BENCHMARK(BM_NameSearchKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportXlsx(benchmark::State &state)
{
    RecordList list(ClientsFile());
    list.load(Shared().store.database(Alias::Intereses));
    const QStringList titles = {QStringLiteral("Nombre Cliente"), QStringLiteral("Correo Electrónico"),
                                QStringLiteral("Nif Cliente"),    QStringLiteral("Teléfono 1"),
                                QStringLiteral("Fax"),            QStringLiteral("Móvil")};
    const QString path = Shared().dir.filePath(QStringLiteral("clientes.xlsx"));
    for (auto _ : state)
        WriteXlsx(path, ListTable(list, titles), QStringLiteral("Clientes"));
}
BENCHMARK(BM_ExportXlsx)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every field of every client, as devenix-cli clientes exportar writes it.
void BM_ExportXlsxAllFields(benchmark::State &state)
{
    const RecordFile file(Shared().store.database(Alias::Intereses), ClientsFile());
    const QString path = Shared().dir.filePath(QStringLiteral("todo.xlsx"));
    for (auto _ : state)
        WriteXlsx(path, FullTable(ClientsFile(), file.all()), QStringLiteral("Clientes"));
}
BENCHMARK(BM_ExportXlsxAllFields)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Shared();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
