// The workbook embedded beside a pasted chart, written for a chart of 200,000 points: one
// category column of text and one value column of numbers with a number format, as the heavy
// job's largest charts carry. Time and bytes of buildEmbeddedWorkbook alone (the parts written
// and zipped), without collecting or pasting.

#include <benchmark/benchmark.h>

#include "engine/chartcopy/EmbeddedWorkbook.h"

namespace {

engine::ChartPackage chartOfManyPoints(int points) {
    engine::ChartPackage chart;
    chart.sheetName = QStringLiteral("Data & Sums");
    chart.cells.reserve(size_t(points) * 2);
    for (int row = 0; row < points; ++row) {
        chart.cells.push_back(
            {chart.sheetName, row, 0, QVariant(QStringLiteral("Item <%1>").arg(row)), QString()});
        chart.cells.push_back(
            {chart.sheetName, row, 1, QVariant(row * 0.37 + 1.0 / 3), QStringLiteral("0.00")});
    }
    return chart;
}

void embeddedWorkbookOfManyPoints(benchmark::State& state) {
    const engine::ChartPackage chart = chartOfManyPoints(int(state.range(0)));
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray workbook = engine::buildEmbeddedWorkbook(chart);
        bytes = workbook.size();
        benchmark::DoNotOptimize(workbook.constData());
    }
    state.counters["xlsx_bytes"] = double(bytes);
}
BENCHMARK(embeddedWorkbookOfManyPoints)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
