// A history of 100,000 stored settlements with 10 movements each. Targets: the history window
// open and painted under 300 ms; each search keystroke at the nearest record, grid repainted,
// under 20 ms; reloading a settlement into the input window under 50 ms.
// With CUANTIX_BENCH_SERVIDOR=host:puerto/base (and CUANTIX_BENCH_USUARIO) the history is a
// schema of that PostgreSQL database instead, which must hold no installation yet.
#include "core/session.h"
#include "interest/history_window.h"
#include "interest/settlement_history.h"
#include "interest/settlement_input_window.h"
#include "store/app_context.h"
#include "store/sql.h"
#include "bench_installation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>

namespace {

constexpr int Settlements = 100000;
constexpr int MovementsEach = 10;

QString CaseNumber(int i)
{
    return QStringLiteral("%1/%2").arg(i % 50000, 5, 10, QLatin1Char('0')).arg(2000 + i / 50000);
}

const QStringList &Surnames()
{
    static const QStringList names = {QStringLiteral("García"),  QStringLiteral("Fernández"), QStringLiteral("González"),
                                      QStringLiteral("Rodríguez"), QStringLiteral("López"),   QStringLiteral("Martínez"),
                                      QStringLiteral("Sánchez"), QStringLiteral("Pérez"),     QStringLiteral("Gómez"),
                                      QStringLiteral("martín"),  QStringLiteral("jiménez"),   QStringLiteral("Ruiz")};
    return names;
}

std::optional<DatabaseEngine> BenchServer()
{
    const QString text = qEnvironmentVariable("CUANTIX_BENCH_SERVIDOR");
    static const QRegularExpression form(QStringLiteral("^([^:/]+):([0-9]+)/(\\w+)$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    DatabaseEngine engine;
    engine.kind = DatabaseEngine::Kind::PostgreSQL;
    engine.host = match.captured(1);
    engine.port = match.captured(2).toInt();
    engine.database = match.captured(3);
    engine.user = qEnvironmentVariable("CUANTIX_BENCH_USUARIO");
    return engine;
}

// One installation with the history filled, shared by every benchmark of the run.
struct Installation : BenchInstallation
{
    Installation()
        : BenchInstallation(QStringLiteral("bench-"), Settings::None, BenchServer())
    {
        store.OpenWorkTables();
        const QSqlDatabase db = store.database(Alias::Historico);
        Transaction t(db);
        QSqlQuery header = Prepare(db, QStringLiteral(
            "INSERT INTO Cabecera (NumAsunto, Fecha, Descripcion, Capital, Desde1, Hasta1, TipoInteres1, ConSentencia,"
            " InteAcumu, Moneda, Tipo) VALUES (?, ?, ?, ?, ?, ?, 'Interés Legal', 0, 0, 'Eur', 'I')"));
        QSqlQuery movement = Prepare(db, QStringLiteral("INSERT INTO Pagos (NumAsunto, Fecha, Importe, Tipo) VALUES (?, ?, ?, ?)"));
        const QStringList &names = Surnames();
        for (int i = 0; i < Settlements; ++i) {
            const QString number = CaseNumber(i);
            const QDate start = QDate(2000, 1, 1).addDays(i % 7000);
            header.bindValue(0, number);
            header.bindValue(1, start.addDays(400).toString(Qt::ISODate));
            header.bindValue(2, QString(names.at(i % names.size()) + QStringLiteral(" contra ")
                                        + names.at((i / 12) % names.size()) + QStringLiteral(", asunto %1").arg(i)));
            header.bindValue(3, 1000.0 + i);
            header.bindValue(4, start.toString(Qt::ISODate));
            header.bindValue(5, start.addDays(365).toString(Qt::ISODate));
            Exec(header);
            for (int m = 0; m < MovementsEach; ++m) {
                movement.bindValue(0, number);
                movement.bindValue(1, start.addDays(30 * (m + 1)).toString(Qt::ISODate));
                movement.bindValue(2, 100.0 + m);
                movement.bindValue(3, m % 3 == 2 ? QStringLiteral("E") : QStringLiteral("P"));
                Exec(movement);
            }
        }
        t.commit();
        if (IsServer(db)) {
            // As a server's routine maintenance leaves them: statistics for the planner, the
            // visibility map for reading the indexes alone.
            RunSql(db, QStringLiteral("VACUUM ANALYZE Cabecera"));
            RunSql(db, QStringLiteral("VACUUM ANALYZE Pagos"));
        }
    }
};

Installation &Shared()
{
    static Installation installation;
    return installation;
}

// The window built, shown maximised and painted once.
void BM_HistoryWindowOpens(benchmark::State &state)
{
    AppContext &context = Shared().context;
    for (auto _ : state) {
        TFormHis his(context);
        his.show();
        benchmark::DoNotOptimize(his.grab());
        his.close();
    }
}
BENCHMARK(BM_HistoryWindowOpens)->Unit(benchmark::kMillisecond)->UseRealTime();

// One keystroke in a search field: the nearest record found, selected and the grid repainted.
void SearchKeystrokes(benchmark::State &state, const char *field, const QStringList &typed)
{
    TFormHis his(Shared().context);
    his.show();
    auto *edit = his.findChild<QLineEdit *>(QLatin1String(field));
    QTest::keyClicks(edit, typed.first()); // the list takes the field's order once
    his.grab();
    qsizetype next = 0;
    for (auto _ : state) {
        edit->clear();
        const QString text = typed.at(next++ % typed.size());
        edit->setText(text.left(text.size() - 1));
        QTest::keyClick(edit, text.back().toLatin1());
        benchmark::DoNotOptimize(his.grid()->viewport()->grab());
    }
    state.counters["row"] = his.grid()->currentIndex().row();
}

void BM_SearchCaseNumber(benchmark::State &state)
{
    SearchKeystrokes(state, "EditNUMASUNTO",
                     {QStringLiteral("1"), QStringLiteral("12"), QStringLiteral("123"), QStringLiteral("1234"),
                      QStringLiteral("49999/2001"), QStringLiteral("3"), QStringLiteral("0000"), QStringLiteral("9")});
}
BENCHMARK(BM_SearchCaseNumber)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SearchDescription(benchmark::State &state)
{
    SearchKeystrokes(state, "EditDESCRIPCION",
                     {QStringLiteral("g"), QStringLiteral("go"), QStringLiteral("gom"), QStringLiteral("Pe"),
                      QStringLiteral("MARTIN"), QStringLiteral("z"), QStringLiteral("ruiz contra s"), QStringLiteral("a")});
}
BENCHMARK(BM_SearchDescription)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first keystroke in a list just read, landing mid-list, far from every row read so far:
// right away (the worst: the walk of the order has not begun) or once the list has been walked
// for its marks in the idle moments after it was read.
void BM_FirstSearchMidList(benchmark::State &state)
{
    const bool description = state.range(0) == 1;
    const bool walked = state.range(1) == 1;
    TFormHis his(Shared().context);
    his.show();
    auto *edit = his.findChild<QLineEdit *>(description ? QStringLiteral("EditDESCRIPCION") : QStringLiteral("EditNUMASUNTO"));
    const QString text = description ? QStringLiteral("Martínez contra L") : QStringLiteral("2500");
    for (auto _ : state) {
        state.PauseTiming();
        edit->clear();
        his.model()->setOrder(description ? HistoryOrder::Descripcion : HistoryOrder::NumAsunto);
        his.model()->reload();
        his.grid()->scrollToTop();
        his.grid()->viewport()->grab();
        edit->setText(text.left(text.size() - 1));
        while (walked && his.model()->scanning())
            QCoreApplication::processEvents();
        state.ResumeTiming();
        QTest::keyClick(edit, text.back().toLatin1());
        benchmark::DoNotOptimize(his.grid()->viewport()->grab());
    }
    state.counters["row"] = his.grid()->currentIndex().row();
}
BENCHMARK(BM_FirstSearchMidList)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"description", "walked"})->Unit(benchmark::kMillisecond)->UseRealTime();

// The walk of an order for its marks, slice by slice as the event loop turns.
void BM_WalkOrder(benchmark::State &state)
{
    TFormHis his(Shared().context);
    his.show();
    his.model()->setOrder(static_cast<HistoryOrder>(state.range(0)));
    for (auto _ : state) {
        his.model()->reload();
        while (his.model()->scanning())
            QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_WalkOrder)->DenseRange(0, 2)->ArgName("order")->Unit(benchmark::kMillisecond)->UseRealTime();

// A column title clicked, or the first keystroke in another search field: the list in another
// index's order, read for the first time or read before while the window is open.
void BM_OrderByTitle(benchmark::State &state)
{
    const auto order = static_cast<HistoryOrder>(state.range(0));
    TFormHis his(Shared().context);
    his.show();
    for (auto _ : state) {
        state.PauseTiming();
        his.model()->setOrder(order == HistoryOrder::NumAsunto ? HistoryOrder::Fecha : HistoryOrder::NumAsunto);
        if (state.range(1) == 0)
            his.model()->reload(); // no order read yet but the one shown
        state.ResumeTiming();
        his.model()->setOrder(order);
        benchmark::DoNotOptimize(his.grid()->viewport()->grab());
    }
}
BENCHMARK(BM_OrderByTitle)->ArgsProduct({{0, 1, 2}, {0, 1}})->ArgNames({"order", "read_before"})->Unit(benchmark::kMillisecond)->UseRealTime();

// "&Recuperar" without its two messages: the stored settlement read and put into the input
// window and its working movements.
void BM_ReloadSettlement(benchmark::State &state)
{
    AppContext &context = Shared().context;
    TFormInter input(context);
    input.show();
    int i = 0;
    for (auto _ : state) {
        i = (i + 7919) % Settlements;
        const auto stored = LoadStoredSettlement(context.store.database(Alias::Historico), CaseNumber(i));
        input.applyStoredSettlement(*stored);
        benchmark::DoNotOptimize(input.grab());
    }
}
BENCHMARK(BM_ReloadSettlement)->Unit(benchmark::kMillisecond)->UseRealTime();

// "&Grabar": one settlement with its movements stored in one transaction.
void BM_StoreSettlement(benchmark::State &state)
{
    const QSqlDatabase db = Shared().context.store.database(Alias::Historico);
    StoredSettlement stored = *LoadStoredSettlement(db, CaseNumber(0));
    int i = 0;
    for (auto _ : state) {
        stored.header.numAsunto = QStringLiteral("B-%1").arg(i++);
        StoreSettlement(db, stored);
    }
    RunSql(db, QStringLiteral("DELETE FROM Pagos WHERE NumAsunto LIKE 'B-%'"));
    RunSql(db, QStringLiteral("DELETE FROM Cabecera WHERE NumAsunto LIKE 'B-%'"));
}
BENCHMARK(BM_StoreSettlement)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Shared(); // the history is filled before any timing
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
