// The settlement of a century: 01/01/1925 to 31/12/2024, one rate period a year, 1,000
// movements. Targets: the engine under 5 ms with daily rows and under 2 ms otherwise; the view's
// model ready for 36,525 rows under 50 ms; devenix-cli liquidacion, whole process, under 150 ms.
#include "core/session.h"
#include "interest/settlement_engine.h"
#include "interest/settlement_json.h"
#include "interest/settlement_rows_model.h"
#include "interest/settlement_view_window.h"
#include "store/app_context.h"
#include "silent_prompter.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

std::vector<RatePeriod> CenturyRates()
{
    std::vector<RatePeriod> rates;
    for (int y = 1925; y <= 2024; ++y) {
        const double legal = 3.0 + (y % 7) * 0.5;
        rates.push_back({QDate(y, 1, 1), QDate(y, 12, 31), legal, legal + 2.0, legal * 1.25});
    }
    return rates;
}

SettlementInput CenturyCase(SettlementMode mode)
{
    SettlementInput in;
    in.principal = 100000.0;
    in.start = QDate(1925, 1, 1);
    in.end = QDate(2024, 12, 31);
    in.secondEnd = in.end.addDays(1);
    in.compound = mode != SettlementMode::Simple;
    in.perPeriodRows = mode == SettlementMode::CompoundPerPeriod;
    in.imputePayments = true;
    for (int i = 0; i < 1000; ++i) {
        const bool entry = i % 5 == 4;
        in.movements.push_back({in.start.addDays(15 + i * 36), entry ? 200.0 : 75.5, entry ? QStringLiteral("E") : QStringLiteral("P")});
    }
    return in;
}

void BM_Engine(benchmark::State &state)
{
    const auto mode = static_cast<SettlementMode>(state.range(0));
    const SettlementInput in = CenturyCase(mode);
    const std::vector<RatePeriod> rates = CenturyRates();
    std::size_t rows = 0;
    for (auto _ : state) {
        SettlementResult r = ComputeSettlement(in, rates);
        rows = r.rows.size();
        benchmark::DoNotOptimize(r);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_Engine)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"mode"})->Unit(benchmark::kMillisecond);

// The model over the daily rows, with the texts of a screenful read as the grid would.
void BM_RowsModelReady(benchmark::State &state)
{
    const SettlementResult result = ComputeSettlement(CenturyCase(SettlementMode::CompoundDaily), CenturyRates());
    for (auto _ : state) {
        SettlementRowsModel model;
        model.setRows(result.rows);
        for (int row = 0; row < 40; ++row) {
            for (int column = 0; column < SettlementRowsModel::ColumnCount; ++column)
                benchmark::DoNotOptimize(model.index(row, column).data());
        }
    }
    state.counters["rows"] = static_cast<double>(result.rows.size());
}
BENCHMARK(BM_RowsModelReady)->Unit(benchmark::kMillisecond);

// The whole view window built and filled with the daily rows (not shown).
void BM_ViewWindowReady(benchmark::State &state)
{
    const SettlementInput in = CenturyCase(SettlementMode::CompoundDaily);
    const SettlementResult result = ComputeSettlement(in, CenturyRates());
    Session session;
    DataStore store(QStringLiteral("bench-"));
    SilentPrompter prompter{Prompter::Answer::Ok};
    AppContext context{session, store, prompter, {}};
    for (auto _ : state) {
        TFormInterVi view(context);
        view.setSettlement(in, result);
        view.resize(1024, 700);
        view.ensurePolished();
    }
}
BENCHMARK(BM_ViewWindowReady)->Unit(benchmark::kMillisecond);

// What devenix-cli liquidacion does once started: read the case, compute, write the result.
void BM_CaseInProcess(benchmark::State &state)
{
    const auto mode = static_cast<SettlementMode>(state.range(0));
    const QByteArray input = WriteSettlementCase(CenturyCase(mode), CenturyRates());
    for (auto _ : state) {
        const SettlementCase c = ParseSettlementCase(input);
        const QByteArray out = WriteSettlementResult(c.input, ComputeSettlement(c.input, *c.rates));
        benchmark::DoNotOptimize(out.size());
    }
}
BENCHMARK(BM_CaseInProcess)->Arg(0)->Arg(2)->ArgNames({"mode"})->Unit(benchmark::kMillisecond);

// devenix-cli liquidacion from start to exit, rates given in the case, the result written to a
// file as `devenix-cli liquidacion < caso.json > resultado.json` does.
void BM_CliProcess(benchmark::State &state)
{
    const auto mode = static_cast<SettlementMode>(state.range(0));
    QTemporaryDir dir;
    const QString caseFile = dir.filePath(QStringLiteral("caso.json"));
    const QString resultFile = dir.filePath(QStringLiteral("resultado.json"));
    QFile file(caseFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(WriteSettlementCase(CenturyCase(mode), CenturyRates())) < 0) {
        state.SkipWithError("cannot write the case");
        return;
    }
    file.close();
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/devenix-cli");
    for (auto _ : state) {
        QProcess p;
        p.setStandardInputFile(caseFile);
        p.setStandardOutputFile(resultFile);
        p.start(program, {QStringLiteral("liquidacion")});
        p.waitForFinished(-1);
        if (p.exitCode() != 0) {
            state.SkipWithError("devenix-cli failed");
            break;
        }
    }
    state.counters["output_bytes"] = static_cast<double>(QFileInfo(resultFile).size());
}
BENCHMARK(BM_CliProcess)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"mode"})->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
