// Invoicing records of an office with 20,000 records already written, two issuers. Targets:
// writing one more record (inside its own transaction, as an invoice change would) under
// 20 ms; "Comprobar registros" over all of them under 3 s.
#include "store/data_store.h"
#include "store/sql.h"
#include "verifactu/record_check.h"
#include "verifactu/verifactu_ledger.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int Records = 20000;

InvoiceSnapshot Invoice(int number)
{
    InvoiceSnapshot s;
    s.number = number % 900000 + 1;
    s.year = 2027 + number / 900000;
    s.date = QDate(2025, 1, 1).addDays(number % 365);
    s.issuerNif = number % 10 == 0 ? QStringLiteral("B76543210") : QStringLiteral("89890001K");
    s.issuerName = QStringLiteral("Bufete de Pruebas, S.L.P.");
    s.clientName = QStringLiteral("Cliente %1").arg(number);
    s.clientNif = QStringLiteral("12345678Z");
    s.feeLines = {TaxLine{21, 100.0 + number % 1000, (100.0 + number % 1000) * 0.21}};
    return s;
}

struct Office
{
    Office()
        : store(QStringLiteral("bench-"))
    {
        QDir(dir.path()).mkpath(QStringLiteral("Datos"));
        store.setPath(Alias::Devenix, dir.path() + QStringLiteral("/Datos"));
        store.connect(Alias::Devenix);
        Transaction t(db());
        for (int n = 0; n < Records; ++n)
            ledger.recordIssue(db(), Invoice(n));
        t.commit();
    }
    QSqlDatabase db() const { return store.database(Alias::Devenix); }

    QTemporaryDir dir;
    DataStore store;
    VerifactuLedger ledger{LedgerOptions{{QStringLiteral("Productor S.L."), QStringLiteral("B12345678"),
                                          QStringLiteral("Cuantix"), QStringLiteral("CX"), QStringLiteral("26.12.1.0")}}};
    int next = Records;
};

Office &TheOffice()
{
    static Office office;
    return office;
}

void BM_RecordIssue(benchmark::State &state)
{
    Office &office = TheOffice();
    for (auto _ : state) {
        Transaction t(office.db());
        benchmark::DoNotOptimize(office.ledger.recordIssue(office.db(), Invoice(office.next++)));
        t.commit();
    }
}
BENCHMARK(BM_RecordIssue)->Unit(benchmark::kMillisecond);

void BM_CheckRecordChain(benchmark::State &state)
{
    Office &office = TheOffice();
    for (auto _ : state) {
        const ChainCheck check = CheckRecordChain(office.db());
        if (!check.ok())
            state.SkipWithError(check.problem.toUtf8().constData());
    }
}
BENCHMARK(BM_CheckRecordChain)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
