// Legacy .xls workbooks through the spreadsheet stand-in. Find as ExtractChartByFile drives it,
// Open to Quit: create the application, open the workbook, count the worksheets, per worksheet
// count its chart objects and read every chart's name, then quit; on the sample workbook that
// ships beside the program, and on 50 worksheets with two charts each (made once by LibreOffice
// from a generated workbook, into the user's cache folder ~/.cache/quillmere-bench). And the
// copy: Open, ChartArea.Copy of every chart of the sample in list order, Quit, as a copy run of
// every row takes it. Neither starts another program; each iteration starts without anything
// remembered of the workbook.

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
    for (auto _ : state) charts = bench::discoverCharts(path);
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

void BM_CopyEveryChartOfSampleXls(benchmark::State& state) {
    servers::registerSpreadsheetServer();
    const QString path = sourceRoot() + QStringLiteral("/assets/Samples/sample1.xls");
    const int conversions = engine::LegacyConverter::conversionsRun();
    int charts = 0;
    for (auto _ : state) {
        charts = 0;
        auto excel = office::createObject<office::ExcelApplication>(QString::fromLatin1(office::kExcelProgId));
        excel->Workbooks()->Open(path);
        const int sheets = excel->ActiveWorkbook()->Worksheets()->Count();
        for (int i = 1; i <= sheets; ++i) {
            const QString name = excel->ActiveWorkbook()->Worksheets()->Item(i)->Name();
            const int count = excel->ActiveWorkbook()->Worksheets()->Item(name)->ChartObjects()->Count();
            for (int j = 1; j <= count; ++j, ++charts) {
                excel->ActiveWorkbook()->Worksheets()->Item(name)->ChartObjects()->Item(j)->Chart()->ChartArea()->Copy();
            }
        }
        excel->setDisplayAlerts(false);
        excel->Quit();
    }
    if (charts != 9) state.SkipWithError("the sample does not hold the expected charts");
    if (engine::LegacyConverter::conversionsRun() != conversions) state.SkipWithError("LibreOffice was started");
    state.counters["charts"] = charts;
}
BENCHMARK(BM_CopyEveryChartOfSampleXls)->Unit(benchmark::kMillisecond);

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
