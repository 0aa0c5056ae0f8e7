#include "core/number_text.h"
#include "core/rounding.h"

#include <benchmark/benchmark.h>

static void BM_RoundTo2(benchmark::State &state)
{
    double x = 0.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RoundTo2(x));
        x += 0.001;
    }
}
BENCHMARK(BM_RoundTo2);

static void BM_FormatThousands2(benchmark::State &state)
{
    double x = 12345.678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatThousands2(x));
        x += 1.01;
    }
}
BENCHMARK(BM_FormatThousands2);

BENCHMARK_MAIN();
