// Discovery as ExtractChartByFile drives it, Open to Quit: create the application, open the
// workbook, count the worksheets, and per worksheet count its chart objects and read every
// chart's name, then quit. The workbook has 200,000 rows x 10 columns on one sheet and 20 charts
// on four further sheets; it is generated once into the user's cache folder
// (~/.cache/quillmere-bench), never into the repository.
//
// The peak resident memory of the run so far is reported as the counter peak_rss_MB; run one
// benchmark at a time (--benchmark_filter) for the peak of that one alone.

#include "bench/support/CachedWorkbook.h"
#include "bench/support/Discovery.h"
#include "office/Excel.h"
#include "office/ServerRegistry.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

QString benchWorkbook() {
    return bench::cachedWorkbook(QStringLiteral("discovery-200k.xlsx"),
                                 QStringLiteral("tools/make_test_workbooks.py"),
                                 {QStringLiteral("--bench"), QStringLiteral("{out}")});
}

double peakRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

void BM_DiscoveryOpenToQuit(benchmark::State& state) {
    const QString path = benchWorkbook();
    servers::registerSpreadsheetServer();
    int charts = 0;
    for (auto _ : state) charts = bench::discoverCharts(path);
    if (charts != 20) state.SkipWithError("the benchmark workbook does not hold 20 charts");
    state.counters["charts"] = charts;
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}
BENCHMARK(BM_DiscoveryOpenToQuit)->Unit(benchmark::kMillisecond);

// The copy run's step on the same workbook: open, copy the last chart of the last sheet (its
// series reach row 251 of the 200,000-row sheet), quit. Reading stops after the rows it needs.
void BM_ChartAreaCopy(benchmark::State& state) {
    const QString path = benchWorkbook();
    servers::registerSpreadsheetServer();
    for (auto _ : state) {
        auto excel = office::createObject<office::ExcelApplication>(QString::fromLatin1(office::kExcelProgId));
        excel->Workbooks()->Open(path);
        excel->ActiveWorkbook()->Worksheets()->Item(QStringLiteral("Charts 4"))->ChartObjects()->Item(5)->Chart()->ChartArea()->Copy();
        excel->setDisplayAlerts(false);
        excel->Quit();
    }
    state.counters["peak_rss_MB"] = peakRssMegabytes();
}
BENCHMARK(BM_ChartAreaCopy)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The clipboard needs a GUI application; no window is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
