// A fee module of 5,000 criteria (groups of 50 below 100 top nodes, real-length titles and
// descriptions). Targets: "Gestión de Conceptos" open with its tree painted under 200 ms; a
// title search over the criteria under 20 ms.
#include "core/session.h"
#include "fees/criteria.h"
#include "fees/criteria_window.h"
#include "store/app_context.h"
#include "store/sql.h"
#include "silent_prompter.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeView>

#include <benchmark/benchmark.h>

namespace {

constexpr int Criteria = 5000;
constexpr int PerGroup = 50;

const QStringList &Words()
{
    static const QStringList words = {
        QStringLiteral("Juicio ordinario"), QStringLiteral("Procedimiento verbal"), QStringLiteral("Recurso de apelación"),
        QStringLiteral("Ejecución de títulos"), QStringLiteral("Medidas cautelares"), QStringLiteral("Cuantía indeterminada"),
        QStringLiteral("Jurisdicción voluntaria"), QStringLiteral("Diligencias preliminares"),
        QStringLiteral("Incidente concursal"), QStringLiteral("Casación e infracción procesal")};
    return words;
}

struct Module
{
    Module()
        : store(QStringLiteral("bench-fees-"))
        , context{session, store, prompter, {}}
    {
        session.programDir = dir.path();
        session.moduleDir = dir.path();
        session.regionName = QStringLiteral("Madrid");
        store.createModule(dir.path());
        const QSqlDatabase db = store.database(Alias::Modulo);
        Transaction t(db);
        QSqlQuery insert = Prepare(db, QStringLiteral("INSERT INTO principal (Id, IdPadre, Titulo, Criterios, Descripcion,"
                                                      " Fijo, Porcentaje, Tabla) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        const QStringList &words = Words();
        for (int id = 1; id <= Criteria; ++id) {
            const bool group = (id - 1) % PerGroup == 0;
            const int parent = group ? 0 : id - (id - 1) % PerGroup;
            insert.addBindValue(id);
            insert.addBindValue(parent);
            insert.addBindValue(QStringLiteral("%1: %2 hasta la sentencia de primera instancia, fase %3")
                                    .arg(words.at(id % words.size()), words.at((id / 10) % words.size()))
                                    .arg(id));
            insert.addBindValue(QStringLiteral("C%1").arg(id));
            insert.addBindValue(QStringLiteral("Criterio %1. Se aplica la escala sobre la cuantía del pleito; en los "
                                               "procesos sin cuantía se tomará 18.000 €.").arg(id));
            insert.addBindValue(group ? QVariant() : QVariant(100.0 + id));
            insert.addBindValue(group ? QVariant() : QVariant(50.0));
            insert.addBindValue(group ? QVariant() : QVariant(1));
            Exec(insert);
        }
        t.commit();
    }

    QTemporaryDir dir;
    Session session;
    DataStore store;
    SilentPrompter prompter;
    AppContext context;
};

Module &Shared()
{
    static Module module;
    return module;
}

// The window built from the rows, shown maximised with its first group open, and painted.
void BM_CriteriaWindowOpens(benchmark::State &state)
{
    for (auto _ : state) {
        TformHonorarios window(Shared().context);
        window.show();
        auto *tree = window.findChild<QTreeView *>(QStringLiteral("ArbolHonorario"));
        tree->expand(tree->model()->index(0, 0));
        benchmark::DoNotOptimize(window.grab());
        window.close();
    }
}
BENCHMARK(BM_CriteriaWindowOpens)->Unit(benchmark::kMillisecond)->UseRealTime();

// The search of the result window: every title read and compared, case and accents folded.
void BM_TitleSearch(benchmark::State &state)
{
    const QStringList texts = {QStringLiteral("cuantia"), QStringLiteral("APELACIÓN"), QStringLiteral("fase 4999"),
                               QStringLiteral("juicio%sentencia"), QStringLiteral("")};
    qsizetype next = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        found = SearchCriterionTitles(Shared().store.database(Alias::Modulo), texts.at(next++ % texts.size())).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_TitleSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

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
