// The copy run as the user starts it: the main window with the built-in spreadsheet and
// presentation applications, a generated workbook of 100 column charts over five worksheets
// (20 each), Find done beforehand, delay 0, a new presentation. Each iteration times the click
// on "2. Start Copying" up to the moment the "Done." box is shown; closing the presentation
// window afterwards is not timed. The workbook is generated once into the user's cache folder
// (~/.cache/quillmere-bench), never into the repository. No box is ever shown: the dialogs
// answer by themselves.
//
// The presentation window is shown (offscreen); it draws its slides once the run's edits pause.
// The second benchmark goes on to the moment the window has painted everything it shows (the
// thumbnails in view and the large slide, charts drawn by the renderer), after "Done.";
// counters say when "Done." came and how many thumbnails were drawn.

#include "bench/support/CachedWorkbook.h"
#include "bench/support/WindowRun.h"
#include "app/Form1.h"
#include "office/ServerRegistry.h"
#include "platform/ChartList.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/presentation/PresentationWindow.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Answers every box at once: OK, Discard for unsaved presentations; notes when "Done." shows.
QString benchWorkbook() {
    return bench::cachedWorkbook(QStringLiteral("copyrun-100-charts.xlsx"),
                                 QStringLiteral("tests/transfer/make_copyrun_workbook.py"),
                                 {QStringLiteral("{out}"), QStringLiteral("5"), QStringLiteral("20")});
}

void BM_CopyRunClickToDone(benchmark::State& state) {
    const QString workbook = benchWorkbook();
    bench::SilentDialogs dialogs;
    bench::registerServers(dialogs);
    app::Form1 form(dialogs, platform::systemFiles(), platform::systemClock(), platform::systemEvents());
    constexpr int kCharts = 100;  // five sheets of twenty
    if (!bench::findCharts(form, workbook, kCharts, state)) return;
    for (auto _ : state) {
        dialogs.doneAt = -1;
        dialogs.clock.start();
        form.PushButton(2)->click();
        if (dialogs.doneAt < 0 || !dialogs.otherMessages.isEmpty()) {
            state.SkipWithError("the run did not end with Done. alone");
            break;
        }
        state.SetIterationTime(double(dialogs.doneAt) / 1e9);
        if (auto* window = bench::presentationWindow()) state.counters["thumbnails"] = window->thumbnailsDrawn();
        bench::closePresentationWindows();
    }
    state.counters["charts"] = kCharts;
}
BENCHMARK(BM_CopyRunClickToDone)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CopyRunClickToDoneAndDrawn(benchmark::State& state) {
    const QString workbook = benchWorkbook();
    bench::SilentDialogs dialogs;
    bench::registerServers(dialogs);
    app::Form1 form(dialogs, platform::systemFiles(), platform::systemClock(), platform::systemEvents());
    constexpr int kCharts = 100;
    if (!bench::findCharts(form, workbook, kCharts, state)) return;
    double doneMilliseconds = 0;
    for (auto _ : state) {
        dialogs.doneAt = -1;
        dialogs.clock.start();
        form.PushButton(2)->click();
        servers::PresentationWindow* window = bench::presentationWindow();
        if (dialogs.doneAt < 0 || !dialogs.otherMessages.isEmpty() || !window) {
            state.SkipWithError("the run did not end with Done. alone and a presentation window");
            break;
        }
        // Everything the window shows, painted: the window draws once the edits have paused,
        // then its thumbnails in view and the large slide.
        while (window->isDrawingDeferred()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        window->grab();
        state.SetIterationTime(double(dialogs.clock.nsecsElapsed()) / 1e9);
        doneMilliseconds += double(dialogs.doneAt) / 1e6;
        state.counters["thumbnails"] = window->thumbnailsDrawn();
        bench::closePresentationWindows();
    }
    state.counters["done_ms"] = benchmark::Counter(doneMilliseconds, benchmark::Counter::kAvgIterations);
    state.counters["charts"] = kCharts;
}
BENCHMARK(BM_CopyRunClickToDoneAndDrawn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    return bench::runWindowBenchmarks(argc, argv);
}
