// The fee engine over the four shipped schedules, and devenix-cli honorario as a whole process.
#include "core/prompter.h"
#include "fees/criteria.h"
#include "fees/fee_engine.h"
#include "store/data_store.h"
#include "store/seed.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <set>

namespace {

// Takes the first offer of every question, so that each mode runs through.
class FirstOffer final : public Prompter
{
public:
    Answer message(const QString &, Icon, Buttons, const QString &) override { return Answer::Yes; }
    std::optional<QString> askText(const QString &, const QString &, const QString &) override { return QStringLiteral("1"); }
    std::optional<int> choose(const QString &, const QString &, const QStringList &, int) override { return 0; }
    void hint(const QString &, const QString &, Icon) override {}
    QString openFile(const FileRequest &) override { return {}; }
    QString saveFile(const FileRequest &) override { return {}; }
    QString chooseDirectory(const QString &, const QString &) override { return {}; }
};

const char *const kModules[] = {"madrid", "malaga", "valencia", "cataluna"};

// One installation for the whole run, seeded from the project's data.
const QString &Installation()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.path() + QStringLiteral("/instalacion");
        SeedInstallation(QStringLiteral(CUANTIX_SOURCE_DATA_DIR), p);
        return p;
    }();
    return path;
}

std::vector<int> LeafIds(const QSqlDatabase &modulo)
{
    const std::vector<Criterion> all = LoadCriteria(modulo);
    std::set<int> parents;
    for (const Criterion &c : all)
        parents.insert(c.idPadre);
    std::vector<int> ids;
    for (const Criterion &c : all) {
        if (!parents.count(c.id))
            ids.push_back(c.id);
    }
    return ids;
}

// Every leaf criterion of the four schedules selected and run on 20 amounts (from 500 € to
// 2,4 M€), one engine per module as a calculator window keeps it.
void BM_EveryLeafOnTwentyAmounts(benchmark::State &state)
{
    QStringList amounts;
    for (int i = 0; i < 20; ++i)
        amounts.append(QString::number(500 + i * i * 6000));
    std::vector<std::unique_ptr<DataStore>> stores;
    std::vector<std::vector<int>> leaves;
    for (const char *module : kModules) {
        auto store = std::make_unique<DataStore>(QStringLiteral("bench-%1-").arg(QLatin1String(module)));
        store->openModule(Installation() + QStringLiteral("/modulos/") + QLatin1String(module));
        leaves.push_back(LeafIds(store->database(Alias::Modulo)));
        stores.push_back(std::move(store));
    }
    FirstOffer user;
    std::int64_t runs = 0;
    for (auto _ : state) {
        for (std::size_t m = 0; m < stores.size(); ++m) {
            FeeEngine engine(user);
            engine.loadModule(stores[m]->database(Alias::Modulo),
                              Installation() + QStringLiteral("/modulos/") + QLatin1String(kModules[m]), 0.0f);
            for (const int id : leaves[m]) {
                engine.selectCriterion([id] { return std::optional<int>(id); });
                for (const QString &amount : amounts) {
                    engine.setAmountText(amount);
                    ++runs;
                }
                benchmark::DoNotOptimize(engine.fields().importe.size());
            }
        }
    }
    state.counters["runs_per_iteration"] = static_cast<double>(runs) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EveryLeafOnTwentyAmounts)->Unit(benchmark::kMillisecond);

// devenix-cli honorario from start to exit: one criterion (Madrid's C5), one amount.
void BM_CliProcess(benchmark::State &state)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/devenix-cli");
    const QByteArray input = R"({"Region": "Madrid", "Pasos": [{"Cuantia": "50000"}, {"Seleccionar": 14}],
                                  "Respuestas": ["Sí"]})";
    for (auto _ : state) {
        QProcess p;
        p.start(program, {QStringLiteral("honorario"), QStringLiteral("--instalacion"), Installation()});
        p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(-1);
        if (p.exitCode() != 0) {
            state.SkipWithError("devenix-cli failed");
            break;
        }
        benchmark::DoNotOptimize(p.readAllStandardOutput().size());
    }
}
BENCHMARK(BM_CliProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
