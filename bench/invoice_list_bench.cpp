// 100,000 invoices of 5 lines each. Targets: opening the invoice list under 300 ms; a search
// by NIF pattern with its sums under 200 ms; the list report of 10,000 invoices to PDF under
// 5 s.
#include "core/session.h"
#include "invoicing/invoice_list_window.h"
#include "invoicing/invoice_printouts.h"
#include "invoicing/invoice_list_model.h"
#include "invoicing/invoice_search.h"
#include "bench_installation.h"
#include "store/app_context.h"
#include "store/data_store.h"
#include "store/sql.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int Invoices = 100000;

struct Installation : BenchInstallation
{
    Installation()
        : BenchInstallation(QStringLiteral("bench-"), Settings::File)
    {
        Transaction transaction(db());
        QSqlQuery header = Prepare(db(), QStringLiteral(
            "INSERT INTO facturas (Id, Iyear, Fecha, NombreCliente, Nif, Ref, IVA, IRPF, DCTO, Cobrado, Total,"
            " TotalSuplidos, TotalHonorario, TotalDcto, TotalIVA, TotalIRPF, TotalProvisiones)"
            " VALUES (?, ?, ?, ?, ?, ?, 21, 15, 0, ?, ?, 0, ?, 0, ?, ?, 0)"));
        QSqlQuery line = Prepare(db(), QStringLiteral(
            "INSERT INTO lineasfact (Id, Iyear, Fecha, Linea, Titulo, Tipo, IVA, IRPF, DCTO, SubTotal, TotalDCTO,"
            " TotalIVA, TotalIRPF, Total) VALUES (?, ?, ?, ?, 'Honorarios', 'Honorario', 21, 15, 0, ?, 0, ?, ?, ?)"));
        for (int i = 1; i <= Invoices; ++i) {
            const int year = 2015 + i % 10;
            const QString fecha = QDate(year, 1 + i % 12, 1 + i % 28).toString(Qt::ISODate);
            const double fee = 100.0 + (i % 997) * 1.37;
            const InvoiceLine sample = [&] {
                InvoiceLine l;
                l.subTotal = fee;
                l.iva = 21;
                l.irpf = 15;
                l.dcto = 0;
                l.calculate();
                return l;
            }();
            const QVariantList values{i, year, fecha, QStringLiteral("Cliente %1").arg(i % 5000),
                                      QStringLiteral("B%1").arg(10000000 + i * 7919 % 90000000),
                                      QStringLiteral("Asunto %1").arg(i), i % 3 == 0 ? 1 : 0, 5 * sample.amounts.total,
                                      5 * fee, 5 * sample.amounts.totalIVA, 5 * sample.amounts.totalIRPF};
            for (int v = 0; v < values.size(); ++v)
                header.bindValue(v, values.at(v));
            Exec(header);
            for (int n = 0; n < 5; ++n) {
                const QVariantList lv{i, year, fecha, n, fee, sample.amounts.totalIVA, sample.amounts.totalIRPF,
                                      sample.amounts.total};
                for (int v = 0; v < lv.size(); ++v)
                    line.bindValue(v, lv.at(v));
                Exec(line);
            }
        }
        transaction.commit();
    }
};

Installation &Shared()
{
    static Installation installation;
    return installation;
}

void OpenInvoiceList(benchmark::State &state)
{
    Installation &in = Shared();
    for (auto _ : state) {
        TFormFact window(in.context);
        window.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.model()->rowCount());
    }
}
BENCHMARK(OpenInvoiceList)->Unit(benchmark::kMillisecond);

// The grid's worst page: the last one, behind every entry of the key's index.
void ReadLastPageOfInvoiceList(benchmark::State &state)
{
    Installation &in = Shared();
    for (auto _ : state)
        benchmark::DoNotOptimize(ListInvoices(in.db(), Invoices - 128, 128).size());
}
BENCHMARK(ReadLastPageOfInvoiceList)->Unit(benchmark::kMillisecond);

// What follows "&Cobrar" or "Ba&jas" on the last invoice: count again, find its row, show it.
void ReloadInvoiceListOnLastInvoice(benchmark::State &state)
{
    Installation &in = Shared();
    TFormFact window(in.context);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.model()->reload();
        window.selectInvoice({Invoices, 2015 + Invoices % 10});
        QApplication::processEvents();
    }
}
BENCHMARK(ReloadInvoiceListOnLastInvoice)->Unit(benchmark::kMillisecond);

void SearchByNifWithSums(benchmark::State &state)
{
    Installation &in = Shared();
    InvoiceSearchCriteria c;
    c.nif = QStringLiteral("b12");
    for (auto _ : state) {
        const InvoiceSearchResult r = SearchInvoices(in.db(), c);
        benchmark::DoNotOptimize(r.sums.facturas);
        state.counters["rows"] = static_cast<double>(r.rows.size());
    }
}
BENCHMARK(SearchByNifWithSums)->Unit(benchmark::kMillisecond);

// The slow road of a pattern: a letter SQLite cannot fold leaves every text to the regular
// expression.
void SearchByAccentedReference(benchmark::State &state)
{
    Installation &in = Shared();
    InvoiceSearchCriteria c;
    c.ref = QStringLiteral("ñ");
    for (auto _ : state) {
        const InvoiceSearchResult r = SearchInvoices(in.db(), c);
        benchmark::DoNotOptimize(r.sums.facturas);
        state.counters["rows"] = static_cast<double>(r.rows.size());
    }
}
BENCHMARK(SearchByAccentedReference)->Unit(benchmark::kMillisecond);

void ListReportOf10000ToPdf(benchmark::State &state)
{
    Installation &in = Shared();
    InvoiceSearchCriteria c;
    c.numeroHasta = 10000;
    const QString pdf = in.dir.path() + QStringLiteral("/listado.pdf");
    for (auto _ : state) {
        const InvoiceSearchResult r = SearchInvoices(in.db(), c);
        WriteInvoiceListPdf(r.rows, {}, QDate(2026, 12, 9), pdf);
        state.counters["rows"] = static_cast<double>(r.rows.size());
    }
}
BENCHMARK(ListReportOf10000ToPdf)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
