// The copy run at scale, through the engine as a copy run drives it: for every chart of a
// generated workbook (five worksheets of N/5 column charts, made by the copy-run tests'
// generator once into ~/.cache/quillmere-bench), the chart package collected from the
// workbook, a blank slide added at the end of a new presentation and the chart pasted onto it;
// then the deck saved and opened again, under the default bounds of a reader, as the program
// does it (a deck of 5000 charts has some 35,000 zip entries).
//
// Counters: the time per chart (the whole run, save included, over N), the time of the reopen,
// and the process's peak
// resident memory so far (getrusage; the runs go from small to large, so it is that of the
// largest run so far). Linear means time per chart about the same for every N.

#include "bench/support/CachedWorkbook.h"
#include "engine/chartcopy/ChartCollector.h"
#include "engine/presentation/Presentation.h"
#include "engine/workbook/Workbook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

QString workbookOf(int charts) {
    const int perSheet = charts / 5;
    return bench::cachedWorkbook(QStringLiteral("copyscale-%1-charts.xlsx").arg(charts),
                                 QStringLiteral("tests/transfer/make_copyrun_workbook.py"),
                                 {QStringLiteral("{out}"), QStringLiteral("5"), QString::number(perSheet)});
}

double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BM_CopyRunAtScale(benchmark::State& state) {
    const int charts = static_cast<int>(state.range(0));
    const auto workbook = engine::Workbook::open(workbookOf(charts));
    QTemporaryDir dir;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto deck = engine::Presentation::createNew();
        int pasted = 0;
        for (const engine::Workbook::Sheet* sheet : workbook->worksheets()) {
            for (const auto& object : sheet->chartObjects) {
                deck.addSlide(deck.slideCount(), 12);
                deck.pasteChart(deck.slideCount() - 1, engine::collectChart(*workbook, *sheet, object));
                ++pasted;
            }
        }
        const QString path = dir.filePath(QStringLiteral("deck.pptx"));
        deck.save(path);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        if (pasted != charts) {
            state.SkipWithError("the workbook does not hold the charts asked for");
            break;
        }
        clock.restart();
        const auto reopened = engine::Presentation::open(path);
        state.counters["reopen_s"] = double(clock.nsecsElapsed()) / 1e9;
        if (reopened.slideCount() != charts || int(reopened.chartFrames().size()) != charts) {
            state.SkipWithError("the deck read back has other slides or charts");
            break;
        }
        state.counters["entries"] = double(reopened.package().entryCount());
        state.SetIterationTime(seconds);
        state.counters["ms_per_chart"] = seconds * 1000.0 / charts;
    }
    state.counters["charts"] = charts;
    state.counters["peak_rss_mb"] = peakResidentMegabytes();
}
BENCHMARK(BM_CopyRunAtScale)->Arg(250)->Arg(1000)->Arg(5000)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
