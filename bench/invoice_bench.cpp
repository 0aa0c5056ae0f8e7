// An invoice of 2,000 lines. Targets: adding one more line with the invoice's totals under
// 20 ms; changing the invoice's VAT, which re-rates every fee line, under 200 ms.
#include "invoicing/invoice_store.h"
#include "store/data_store.h"
#include "store/sql.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int Lines = 2000;
const InvoiceKey kKey{1, 2024};

InvoiceLine Line(int i)
{
    InvoiceLine l;
    // Ten lines a day: every addition meets the numbering of its date.
    l.fecha = QDate(2024, 1, 1).addDays(i / 10);
    l.tipo = i % 4 == 3 ? kTipoSuplido : kTipoHonorario;
    l.subTotal = 100.0 + i * 0.37;
    if (l.tipo == kTipoHonorario) {
        l.iva = 21;
        l.irpf = 15;
        l.dcto = 5;
    }
    l.calculate();
    return l;
}

struct Installation
{
    Installation()
        : store(QStringLiteral("bench-"))
    {
        QDir(dir.path()).mkpath(QStringLiteral("Datos"));
        store.setPath(Alias::Intereses, dir.path() + QStringLiteral("/Datos"));
        store.connect(Alias::Intereses);
        CreateInvoice(db(), kKey, QDate(2024, 1, 1));
        for (int i = 0; i < Lines; ++i)
            AddInvoiceLine(db(), kKey, Line(i));
    }

    QSqlDatabase db() const { return store.database(Alias::Intereses); }

    QTemporaryDir dir;
    DataStore store;
};

Installation &Shared()
{
    static Installation installation;
    return installation;
}

void AddLineWithTotals(benchmark::State &state)
{
    Installation &in = Shared();
    const InvoiceLine line = Line(Lines - 1); // the busiest date
    for (auto _ : state) {
        const LineChange change = AddInvoiceLine(in.db(), kKey, line);
        benchmark::DoNotOptimize(change.totals.total);
        state.PauseTiming();
        DeleteInvoiceLine(in.db(), kKey, change.line.fecha, change.line.linea);
        state.ResumeTiming();
    }
}
BENCHMARK(AddLineWithTotals)->Unit(benchmark::kMillisecond);

void ChangeVatRerateEveryLine(benchmark::State &state)
{
    Installation &in = Shared();
    double vat = 21;
    for (auto _ : state) {
        vat = vat == 21 ? 16 : 21;
        const InvoiceTotals before = RecalcularTotales(in.db(), kKey);
        benchmark::DoNotOptimize(RerateInvoice(in.db(), kKey, {vat, 15, 5}, before).total);
    }
}
BENCHMARK(ChangeVatRerateEveryLine)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
