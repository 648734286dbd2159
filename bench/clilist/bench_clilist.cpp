// `quillmere-cli list` of the heavy workbook (200,000 rows x 10 columns on one sheet, 20 charts on
// four other sheets, four of them plotting a whole 200,000-row column, so four chart parts of
// about 9 MB each), as a shell runs it: the built executable, its process started and ended in
// every iteration. The time is the wall clock of the run; the counter cpu_ms is the processor
// time the child process used (user and system). The workbook is generated once into the user's
// cache folder (~/.cache/quillmere-bench), as the heavy job's benchmark makes it. The environment
// variable QUILLMERE_CLI names another executable to run instead (an earlier build, to compare).
//
// BM_ListFactsInProcess does the listing's work without the process: open the workbook through
// the spreadsheet application, read every chart's name and facts, quit.

#include "bench/support/CachedWorkbook.h"
#include "office/Excel.h"
#include "office/ServerRegistry.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

using bench::heavyWorkbook;

double childrenCpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double childrenPeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // the largest child's, kilobytes on Linux
}

void runList(benchmark::State& state, const QStringList& extra, const QString& path = heavyWorkbook(),
             int charts = 20) {
    double cpu = 0;
    int runs = 0;
    for (auto _ : state) {
        const double before = childrenCpuMilliseconds();
        QElapsedTimer timer;
        timer.start();
        QProcess cli;
        cli.start(qEnvironmentVariable("QUILLMERE_CLI", QStringLiteral(QUILLMERE_CLI)),
                  QStringList{QStringLiteral("list"), path} + extra);
        if (!cli.waitForFinished(-1) || cli.exitCode() != 0) {
            state.SkipWithError("quillmere-cli list failed");
            break;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        cpu += childrenCpuMilliseconds() - before;
        ++runs;
        if (cli.readAllStandardOutput().count('\n') < charts && extra.isEmpty()) state.SkipWithError("charts missing from the list");
    }
    if (runs > 0) state.counters["cpu_ms"] = cpu / runs;
    state.counters["children_peak_rss_mb"] = childrenPeakMegabytes();
}

void BM_CliList(benchmark::State& state) {
    runList(state, {});
}
BENCHMARK(BM_CliList)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CliListJson(benchmark::State& state) {
    runList(state, {QStringLiteral("--json")});
}
BENCHMARK(BM_CliListJson)->UseManualTime()->Unit(benchmark::kMillisecond);

// 100,000 charts on ten worksheets (10,000 frames a sheet over ten chart parts each, so that
// the package stays within the reader's entry bound), listed by a process of their own. Run it
// alone (--benchmark_filter=HundredThousand) for its own peak: the counter is the largest
// child's so far.
void BM_CliListHundredThousandCharts(benchmark::State& state) {
    const QString path = bench::cachedWorkbook(QStringLiteral("list-100000-charts.xlsx"),
                                               QStringLiteral("bench/support/make_many_charts_workbook.py"),
                                               {QStringLiteral("{out}"), QStringLiteral("10"), QStringLiteral("10000"),
                                                QStringLiteral("10")});
    runList(state, {}, path, 100000);
}
BENCHMARK(BM_CliListHundredThousandCharts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ListFactsInProcess(benchmark::State& state) {
    const QString path = heavyWorkbook();
    servers::registerSpreadsheetServer();
    for (auto _ : state) {
        auto excel = office::createObject<office::ExcelApplication>(QString::fromLatin1(office::kExcelProgId));
        excel->Workbooks()->Open(path);
        const auto worksheets = excel->ActiveWorkbook()->Worksheets();
        int series = 0;
        for (int i = 1; i <= worksheets->Count(); ++i) {
            const auto objects = worksheets->Item(i)->ChartObjects();
            for (int j = 1; j <= objects->Count(); ++j) series += objects->Item(j)->Chart()->Facts().seriesCount;
        }
        benchmark::DoNotOptimize(series);
        excel->setDisplayAlerts(false);
        excel->Quit();
    }
}
BENCHMARK(BM_ListFactsInProcess)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
