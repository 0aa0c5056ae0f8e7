// An invoice of 2,000 lines. Targets: adding one more line with the invoice's totals under
// 20 ms; changing the invoice's VAT, which re-rates every fee line, under 200 ms. Each is
// measured on the records and through the editor window (grid and totals shown again). Adding
// a line to the invoice once issued, which also writes its corrected tax record, under 20 ms.
#include "core/ini_file.h"
#include "core/session.h"
#include "invoicing/invoice_issuing.h"
#include "invoicing/invoice_editor_window.h"
#include "invoicing/invoice_store.h"
#include "bench_installation.h"
#include "store/app_context.h"
#include "store/data_store.h"
#include "store/sql.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

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

struct Installation : BenchInstallation
{
    explicit Installation(const QString &prefix = QStringLiteral("bench-"))
        : BenchInstallation(prefix, Settings::File)
    {
        CreateInvoice(db(), kKey, QDate(2024, 1, 1));
        for (int i = 0; i < Lines; ++i)
            AddInvoiceLine(db(), kKey, Line(i));
    }
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

void EditorAddLine(benchmark::State &state)
{
    Installation &in = Shared();
    TFormFact1 editor(in.context, kKey);
    editor.show();
    editor.findChild<QComboBox *>(QStringLiteral("cmbTipo"))->setCurrentText(kTipoHonorario);
    auto *importe = editor.findChild<QLineEdit *>(QStringLiteral("tbxImporte"));
    for (auto _ : state) {
        importe->setText(QStringLiteral("150,25"));
        editor.addLine();
        state.PauseTiming();
        const InvoiceLine added = LoadInvoiceLines(in.db(), kKey).back();
        DeleteInvoiceLine(in.db(), kKey, added.fecha, added.linea);
        state.ResumeTiming();
    }
}
BENCHMARK(EditorAddLine)->Unit(benchmark::kMillisecond);

void EditorTypeVat(benchmark::State &state)
{
    Installation &in = Shared();
    TFormFact1 editor(in.context, kKey);
    editor.show();
    auto *vat = editor.findChild<QLineEdit *>(QStringLiteral("dbeIVA"));
    bool high = false;
    for (auto _ : state) {
        high = !high;
        vat->setText(high ? QStringLiteral("21") : QStringLiteral("16"));
        vat->setModified(true);
        QTest::keyClick(vat, Qt::Key_Return);
    }
}
BENCHMARK(EditorTypeVat)->Unit(benchmark::kMillisecond);

void IssuedAddLineWithRecord(benchmark::State &state)
{
    static Installation in(QStringLiteral("bench-issued-"));
    static const InvoiceIssuing issuing = [] {
        const QString dir = in.dir.path();
        QDir(dir).mkpath(QStringLiteral("verifactu"));
        IniFile(dir + QStringLiteral("/Devenix.ini")).writeString(QStringLiteral("FACTURACION"), QStringLiteral("NIF"), QStringLiteral("B12345674"));
        IniFile declaration(dir + QStringLiteral("/verifactu/declaracion-responsable.ini"));
        declaration.writeString(QStringLiteral("SISTEMA"), QStringLiteral("Nombre"), QStringLiteral("Cuantix"));
        declaration.writeString(QStringLiteral("SISTEMA"), QStringLiteral("Codigo"), QStringLiteral("CX"));
        declaration.writeString(QStringLiteral("PRODUCTOR"), QStringLiteral("Nombre"), QStringLiteral("Productor S.L."));
        declaration.writeString(QStringLiteral("PRODUCTOR"), QStringLiteral("NIF"), QStringLiteral("B87654321"));
        InvoiceHeader header = *LoadInvoice(in.db(), kKey);
        header.nombreCliente = QStringLiteral("Ana Peña");
        header.nif = QStringLiteral("12345678Z");
        const InvoiceIssuing result = InvoiceIssuing::ForInstallation(dir, IniFile(dir + QStringLiteral("/Devenix.ini")), {});
        StoreInvoiceHeader(in.db(), header, result.issueHook());
        return result;
    }();
    const InvoiceLine line = Line(Lines - 1);
    for (auto _ : state) {
        const LineChange change = AddInvoiceLine(in.db(), kKey, line, issuing.changeHook());
        benchmark::DoNotOptimize(change.totals.total);
        state.PauseTiming();
        // Recorded too, so that every addition is a change to record.
        DeleteInvoiceLine(in.db(), kKey, change.line.fecha, change.line.linea, issuing.changeHook());
        state.ResumeTiming();
    }
}
BENCHMARK(IssuedAddLineWithRecord)->Unit(benchmark::kMillisecond);

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
