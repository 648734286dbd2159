// Find on a legacy .xls as ExtractChartByFile drives it, Open to Quit: create the application,
// open the workbook, count the worksheets, per worksheet count its chart objects and read every
// chart's name, then quit. Every iteration starts without any remembered conversion, as the
// first Find of a workbook does; the background conversion that Open starts is cancelled
// between iterations, outside the measured time (a fixed number of iterations, since each one
// starts LibreOffice). Two workbooks: the sample workbook that ships beside the
// program, and 50 worksheets with two charts each (made once by LibreOffice from a generated
// workbook, into the user's cache folder ~/.cache/quillmere-bench).

#include "bench/support/CachedWorkbook.h"
#include "bench/support/Discovery.h"
#include "engine/legacy/LegacyConverter.h"
#include "office/Excel.h"
#include "office/ServerRegistry.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

QString sourceRoot() {
    const QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
    return source.isEmpty() ? QStringLiteral(QUILLMERE_SOURCE_ROOT) : source;
}

void runFind(benchmark::State& state, const QString& path, int expectedCharts) {
    servers::registerSpreadsheetServer();
    int charts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        engine::LegacyConverter::clearCache();
        state.ResumeTiming();
        charts = bench::discoverCharts(path);
    }
    engine::LegacyConverter::clearCache();
    if (charts != expectedCharts) state.SkipWithError("the workbook does not hold the expected charts");
    state.counters["charts"] = charts;
}

void BM_FindOnSampleXls(benchmark::State& state) {
    runFind(state, sourceRoot() + QStringLiteral("/assets/Samples/sample1.xls"), 9);
}
BENCHMARK(BM_FindOnSampleXls)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_FindOn50SheetXls(benchmark::State& state) {
    const QString path = bench::cachedLegacyWorkbook(
        QStringLiteral("many-sheets-50.xls"), QStringLiteral("tools/make_test_workbooks.py"),
        {QStringLiteral("--many-sheets"), QStringLiteral("{out}")});
    runFind(state, path, 100);
}
BENCHMARK(BM_FindOn50SheetXls)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
