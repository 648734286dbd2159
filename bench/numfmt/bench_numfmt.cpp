// How fast a parsed number format turns values into label text. Each benchmark formats a
// spread of values with one code; items_per_second is values per second. Parsing is measured
// on its own, since a chart parses each code once and formats many values with it.

#include <benchmark/benchmark.h>

#include <vector>

#include "engine/numfmt/NumberFormat.h"

namespace {

std::vector<double> sampleValues() {
    std::vector<double> values;
    double v = 0.000123;
    for (int i = 0; i < 1000; ++i) {
        values.push_back((i % 3 == 0 ? -v : v) + i * 0.37);
        v *= 1.017;
    }
    return values;
}

void formatWith(benchmark::State& state, const char* code) {
    const engine::NumberFormat format{QString::fromUtf8(code)};
    const std::vector<double> values = sampleValues();
    for (auto _ : state) {
        for (double v : values) benchmark::DoNotOptimize(format.format(v));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(values.size()));
}

void BM_FormatGeneral(benchmark::State& state) { formatWith(state, "General"); }
void BM_FormatThousands(benchmark::State& state) { formatWith(state, "#,##0.00;[Red]-#,##0.00"); }
void BM_FormatPercent(benchmark::State& state) { formatWith(state, "0.0%"); }
void BM_FormatScientific(benchmark::State& state) { formatWith(state, "0.00E+00"); }
void BM_FormatFraction(benchmark::State& state) { formatWith(state, "# ?\?/?\?"); }
void BM_FormatDate(benchmark::State& state) { formatWith(state, "d-mmm-yy"); }
void BM_FormatTime(benchmark::State& state) { formatWith(state, "[h]:mm:ss.00"); }

void BM_ParseAccountingCode(benchmark::State& state) {
    const QString code = engine::NumberFormat::builtInCode(44);
    for (auto _ : state) benchmark::DoNotOptimize(engine::NumberFormat(code));
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_FormatGeneral);
BENCHMARK(BM_FormatThousands);
BENCHMARK(BM_FormatPercent);
BENCHMARK(BM_FormatScientific);
BENCHMARK(BM_FormatFraction);
BENCHMARK(BM_FormatDate);
BENCHMARK(BM_FormatTime);
BENCHMARK(BM_ParseAccountingCode);
BENCHMARK_MAIN();
