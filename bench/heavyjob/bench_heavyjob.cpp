// The heavy job as the user runs it: a workbook of 200,000 rows x 10 columns on one sheet and
// 20 charts on four other sheets (four plot a whole 200,000-row column, sixteen plot 2 series x
// 2,000 rows spread down the sheet), copied through the main window with delay 0 into a new
// presentation, then saved from the presentation window. Each iteration times the click on
// "2. Start Copying" to "Done." and the Save, and counts the peak memory of the process during
// both and the longest stall of the event loop (a 20 ms heartbeat timer). The main window and
// the presentation window are shown, as the user has them, and draw as the run goes (under a
// real display when QT_QPA_PLATFORM=xcb runs the benchmark in Xvfb). The floor of the job is
// measured in the same run, after it: inflating the workbook's sheet and chart parts once, and
// deflating every part of the saved deck at level 1 into a file (floor_ms; ratio = job / floor).
// On a machine shared with other work the wall times mostly measure waiting, so the processor
// time of the process (every thread) is given for both as well: run_cpu_ms and save_cpu_ms for
// the job, floor_cpu_ms for the floor, cpu_ratio between them. bound_cpu_ms is less than any
// way of doing the job could take (see heavyJobBoundCpuMs), bound_ratio its share of the floor.
// Workbooks are made once into the user's cache folder (~/.cache/quillmere-bench). No box is
// ever shown.
//
// BM_BigChartCopyAndPaste copies one of the 200,000-point charts of that workbook (collect,
// clipboard bytes and back) and pastes it on a new slide; the workbook is opened beforehand.
// BM_HeavyDeckSlideDeletedAndUndone shows a deck holding every chart of that workbook, then
// deletes a slide and undoes it, the deck shown after each.
// BM_MediaDeckChartAddedAndSaved opens a generated 200 MB media-heavy deck, pastes one chart on
// a new slide and saves it. BM_LastRowsOfLongSheet copies one 20-point chart on the last rows of a 1,000,000-row sheet
// and compares it with inflating that sheet once (inflate_ms).

#include "bench/support/CachedWorkbook.h"
#include "bench/support/WindowRun.h"
#include "bench/support/Heartbeat.h"
#include "app/Form1.h"
#include "engine/chartcopy/ChartCollector.h"
#include "engine/presentation/Presentation.h"
#include "engine/workbook/Workbook.h"
#include "office/ServerRegistry.h"
#include "platform/ChartList.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/presentation/PresentationWindow.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

#include <QAction>
#include <QDir>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUndoStack>
#include <benchmark/benchmark.h>
#include <cstring>
#include <ctime>
#include <pugixml.hpp>
#include <vector>

namespace {

using bench::heavyWorkbook;

QString longSheetWorkbook() {
    return bench::cachedWorkbook(QStringLiteral("long-1m-rows-last-20.xlsx"),
                                 QStringLiteral("bench/support/make_heavy_workbook.py"),
                                 {QStringLiteral("{out}"), QStringLiteral("1000000"), QStringLiteral("0"),
                                  QStringLiteral("0"), QStringLiteral("20")});
}

// The floor of the heavy job in milliseconds: the workbook's sheet and chart parts inflated once
// (their bytes dropped), then every part of the saved deck deflated at level 1 and written to a
// file beside it.
// The processor time of the whole process so far, every thread's, in milliseconds.
double processCpuMs() {
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

double heavyJobFloorMs(const QString& workbook, const QString& deck, double* cpuMs) {
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = processCpuMs();
    qint64 bytes = 0;
    const auto book = engine::PackageReader::open(workbook);
    for (const QString& part : book->partNames()) {
        if (!part.startsWith(QLatin1String("/xl/worksheets/")) && !part.startsWith(QLatin1String("/xl/charts/"))) continue;
        book->readInChunks(part, 1024 * 1024, [&](const QByteArray& chunk) {
            bytes += chunk.size();
            return true;
        });
    }
    const auto saved = engine::PackageReader::open(deck);
    QFile out(deck + QStringLiteral(".floor"));
    if (!out.open(QIODevice::WriteOnly)) return -1;
    for (const QString& part : saved->partNames()) out.write(qCompress(saved->read(part), 1));
    out.close();
    benchmark::DoNotOptimize(bytes);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    *cpuMs = processCpuMs() - cpuStart;
    QFile::remove(out.fileName());
    return ms;
}

// A bound below which no way of doing the job can go, in processor milliseconds: its floor, and
// besides what any copy must do that the floor leaves out, each done by the cheapest means at
// hand: the parts of the embedded workbooks deflated at level 1 (the floor deflates the
// workbooks only as the compressed bytes they are), the workbook's chart parts parsed (pugixml)
// and written out again, as their slides' parts, and the tags of the sheet parts found (a
// memchr pass, less than reading any cell). Reading the cells' values, writing the embedded
// sheets' XML, drawing and the windows are left out, so the job's own floor lies above it.
double heavyJobBoundCpuMs(const QString& workbook, const QString& deck, double floorCpuMs) {
    std::vector<QByteArray> embeddedParts, chartParts, sheetParts;
    const auto book = engine::PackageReader::open(workbook);
    for (const QString& part : book->partNames()) {
        if (part.endsWith(QLatin1String(".rels"))) continue;
        if (part.startsWith(QLatin1String("/xl/charts/chart"))) chartParts.push_back(book->read(part));
        else if (part.startsWith(QLatin1String("/xl/worksheets/"))) sheetParts.push_back(book->read(part));
    }
    const auto saved = engine::PackageReader::open(deck);
    for (const QString& part : saved->partNames()) {
        if (!part.startsWith(QLatin1String("/ppt/embeddings/"))) continue;
        const engine::Package embedded = engine::Package::fromZipBytes(saved->read(part), part);
        for (const QString& inner : embedded.partNames()) embeddedParts.push_back(embedded.part(inner));
    }
    const double cpuStart = processCpuMs();
    qint64 bytes = 0;
    for (const QByteArray& part : embeddedParts) bytes += qCompress(part, 1).size();
    std::vector<pugi::xml_document> documents(chartParts.size());
    for (size_t i = 0; i < chartParts.size(); ++i) documents[i].load_buffer(chartParts[i].constData(), size_t(chartParts[i].size()));
    struct Counted : pugi::xml_writer {
        qint64 bytes = 0;
        void write(const void*, size_t size) override { bytes += qint64(size); }
    } written;
    for (const pugi::xml_document& document : documents) document.save(written, "", pugi::format_raw);
    bytes += written.bytes;
    for (const QByteArray& part : sheetParts) {
        const char* p = part.constData();
        const char* end = p + part.size();
        while ((p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p))))) {
            ++p;
            ++bytes;
        }
    }
    benchmark::DoNotOptimize(bytes);
    return floorCpuMs + processCpuMs() - cpuStart;
}

void BM_HeavyJobRunAndSave(benchmark::State& state) {
    const QString workbook = heavyWorkbook();
    QTemporaryDir out;
    bench::SilentDialogs dialogs;
    dialogs.saveAs = out.filePath(QStringLiteral("heavy.pptx"));
    bench::registerServers(dialogs);
    app::Form1 form(dialogs, platform::systemFiles(), platform::systemClock(), platform::systemEvents());
    if (!bench::findCharts(form, workbook, 20, state)) return;
    bench::Heartbeat heartbeat;
    double runMs = 0, saveMs = 0, stallMs = 0, peakMiB = 0, floorMs = 0;
    double runCpuMs = 0, saveCpuMs = 0, floorCpuMs = 0, boundCpuMs = 0;
    for (auto _ : state) {
        QFile::remove(dialogs.saveAs);
        dialogs.doneAt = -1;
        bench::resetPeakMemory();
        heartbeat.start();
        dialogs.clock.start();
        const double cpuStart = processCpuMs();
        form.PushButton(2)->click();
        runCpuMs = processCpuMs() - cpuStart;
        if (dialogs.doneAt < 0 || !dialogs.otherMessages.isEmpty()) {
            state.SkipWithError("the run did not end with Done. alone");
            break;
        }
        servers::PresentationWindow* window = bench::presentationWindow();
        if (!window) {
            state.SkipWithError("no presentation window");
            break;
        }
        const qint64 saveStart = dialogs.clock.nsecsElapsed();
        const double saveCpuStart = processCpuMs();
        window->saveAction()->trigger();
        const qint64 saveEnd = dialogs.clock.nsecsElapsed();
        saveCpuMs = processCpuMs() - saveCpuStart;
        stallMs = heartbeat.stop();
        peakMiB = bench::peakMemoryMiB();
        if (!QFileInfo::exists(dialogs.saveAs) || !dialogs.otherMessages.isEmpty()) {
            state.SkipWithError("the save failed");
            break;
        }
        runMs = double(dialogs.doneAt) / 1e6;
        saveMs = double(saveEnd - saveStart) / 1e6;
        state.SetIterationTime(double(dialogs.doneAt + saveEnd - saveStart) / 1e9);
        bench::closePresentationWindows();
        floorMs = heavyJobFloorMs(workbook, dialogs.saveAs, &floorCpuMs);
        boundCpuMs = heavyJobBoundCpuMs(workbook, dialogs.saveAs, floorCpuMs);
    }
    state.counters["run_ms"] = runMs;
    state.counters["save_ms"] = saveMs;
    state.counters["longest_stall_ms"] = stallMs;
    state.counters["peak_MiB"] = peakMiB;
    state.counters["file_MiB"] = double(QFileInfo(dialogs.saveAs).size()) / (1024.0 * 1024.0);
    state.counters["floor_ms"] = floorMs;
    state.counters["ratio"] = floorMs > 0 ? (runMs + saveMs) / floorMs : 0;
    state.counters["run_cpu_ms"] = runCpuMs;
    state.counters["save_cpu_ms"] = saveCpuMs;
    state.counters["floor_cpu_ms"] = floorCpuMs;
    state.counters["cpu_ratio"] = floorCpuMs > 0 ? (runCpuMs + saveCpuMs) / floorCpuMs : 0;
    state.counters["bound_cpu_ms"] = boundCpuMs;
    state.counters["bound_ratio"] = floorCpuMs > 0 ? boundCpuMs / floorCpuMs : 0;
}
BENCHMARK(BM_HeavyJobRunAndSave)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_BigChartCopyAndPaste(benchmark::State& state) {
    const auto workbook = engine::Workbook::open(heavyWorkbook());
    const auto* sheet = workbook->sheetByName(QStringLiteral("Charts 1"));
    if (!sheet || sheet->chartObjects.empty()) {
        state.SkipWithError("no chart on \"Charts 1\"");
        return;
    }
    qint64 cells = 0;
    for (auto _ : state) {
        const QByteArray clipboard =
            engine::chartPackageToBytes(engine::collectChart(*workbook, *sheet, sheet->chartObjects.front()));
        auto presentation = engine::Presentation::createNew();
        presentation.addSlide(0, 12);
        const engine::ChartPackage chart = engine::chartPackageFromBytes(clipboard);
        presentation.pasteChart(0, chart);
        cells = qint64(chart.cells.size());
    }
    state.counters["points"] = double(cells);
}
BENCHMARK(BM_BigChartCopyAndPaste)->Unit(benchmark::kMillisecond)->Iterations(3);

// Every chart of the document's deck drawn as the window shows it; answers how many were drawn
// rather than given from those kept. bytes: the estimated size of their drawings, when asked.
int drawEveryChart(const servers::PresentationDocument& document, qint64* bytes = nullptr) {
    const int before = document.chartsDrawn();
    for (int i = 0; i < document.slideCount(); ++i) {
        const auto slide = document.drawnSlide(i);
        for (const auto& item : slide->scene.items) {
            if (item.kind != engine::slide::ScenePrimitive::Kind::Chart) continue;
            const servers::DrawnChart drawn = document.drawnChart(item.chartPart, *slide, item.rect.size());
            if (bytes) *bytes += servers::ChartDrawings::costOf(drawn);
        }
    }
    return document.chartsDrawn() - before;
}

// The heavy job's deck (every chart of the heavy workbook on a slide of its own, after a title
// slide), shown once: first_draw_ms, the charts drawn, as every undo or slide deletion did
// before drawings were kept, and drawings_MiB, their estimated size; shown_again_us, the deck
// shown again unchanged. Then each iteration deletes the title slide and undoes it, the deck
// shown after each; charts_drawn counts the charts drawn again over the iterations.
void BM_HeavyDeckSlideDeletedAndUndone(benchmark::State& state) {
    const auto workbook = engine::Workbook::open(heavyWorkbook());
    auto presentation = engine::Presentation::createNew();
    presentation.addSlide(0, 1);
    for (const auto* sheet : workbook->worksheets()) {
        for (const auto& chart : sheet->chartObjects) {
            const int index = presentation.slideCount();
            presentation.addSlide(index, 12);
            presentation.pasteChart(index, engine::collectChart(*workbook, *sheet, chart));
        }
    }
    const int charts = presentation.slideCount() - 1;
    servers::PresentationDocument document(std::move(presentation), QStringLiteral("Presentation1"), QString(),
                                           QString(), false);
    QElapsedTimer clock;
    clock.start();
    qint64 bytes = 0;
    const int first = drawEveryChart(document, &bytes);
    const double firstDrawMs = double(clock.nsecsElapsed()) / 1e6;
    // Shown again unchanged: the kept slides, and each chart given after its parts are checked.
    clock.restart();
    constexpr int kShown = 100;
    for (int i = 0; i < kShown; ++i) drawEveryChart(document);
    const double shownAgainUs = double(clock.nsecsElapsed()) / 1e3 / kShown;
    int drawn = 0;
    for (auto _ : state) {
        document.deleteSlides({0});
        drawn += drawEveryChart(document);
        document.undoStack()->undo();
        drawn += drawEveryChart(document);
    }
    state.counters["charts"] = charts;
    state.counters["first_draw_ms"] = firstDrawMs;
    state.counters["first_drawn"] = first;
    state.counters["shown_again_us"] = shownAgainUs;
    state.counters["drawings_MiB"] = double(bytes) / (1024.0 * 1024.0);
    state.counters["charts_drawn"] = drawn;
}
BENCHMARK(BM_HeavyDeckSlideDeletedAndUndone)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LastRowsOfLongSheet(benchmark::State& state) {
    const QString path = longSheetWorkbook();
    double inflateMs = 0;
    {
        // The floor: inflating the sheet once, doing nothing with its bytes.
        const auto workbook = engine::Workbook::open(path);
        QElapsedTimer clock;
        clock.start();
        qint64 bytes = 0;
        workbook->package().readInChunks(workbook->worksheets().front()->part, 64 * 1024,
                                         [&](const QByteArray& chunk) {
                                             bytes += chunk.size();
                                             return true;
                                         });
        inflateMs = double(clock.nsecsElapsed()) / 1e6;
        benchmark::DoNotOptimize(bytes);
    }
    int passes = 0;
    for (auto _ : state) {
        const auto workbook = engine::Workbook::open(path);
        const auto* sheet = workbook->worksheets().front();
        const engine::ChartPackage package = engine::collectChart(*workbook, *sheet, sheet->chartObjects.front());
        if (package.cells.size() != 40) {
            state.SkipWithError("the chart's 40 cells were not read from the sheet");
            break;
        }
        passes = workbook->cellPasses() + workbook->geometryPasses();
    }
    state.counters["inflate_ms"] = inflateMs;
    state.counters["sheet_passes"] = passes;  // streams of the sheet per copy, for cells or chart size
}
BENCHMARK(BM_LastRowsOfLongSheet)->Unit(benchmark::kMillisecond)->Iterations(3);

// A media-heavy presentation of about 200 MB, made once into the cache folder: the engine's
// own new deck with ten slides and twenty incompressible 10 MB videos (stored, as a save stores
// them). Made with the engine's writer, so no outside tool is needed.
QString mediaDeck() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                           QStringLiteral("/quillmere-bench");
    const QString path = folder + QStringLiteral("/media-200mb.pptx");
    if (QFileInfo::exists(path)) return path;
    QDir().mkpath(folder);
    engine::Presentation deck = engine::Presentation::createNew();
    for (int i = 0; i < 10; ++i) deck.addSlide(i, 12);
    engine::Package package = deck.package();
    package.contentTypes().setDefault(QStringLiteral("mp4"), QStringLiteral("video/mp4"));
    QByteArray video(10 * 1024 * 1024, Qt::Uninitialized);
    quint32 seed = 2463534242u;
    for (int i = 0; i < 20; ++i) {
        for (char& byte : video) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            byte = char(seed);
        }
        package.setPart(QStringLiteral("/ppt/media/media%1.mp4").arg(i + 1), video);
    }
    const QString partial = path + QStringLiteral(".part.pptx");
    engine::Presentation::fromPackage(package, QStringLiteral("media-200mb.pptx")).save(partial);
    QFile::rename(partial, path);
    return path;
}

// The existing 200 MB deck opened, one chart (2 series x 2,000 rows from the heavy workbook)
// pasted on a new slide, and saved to a new file: time and peak memory of the three together.
void BM_MediaDeckChartAddedAndSaved(benchmark::State& state) {
    const QString deck = mediaDeck();
    const auto workbook = engine::Workbook::open(heavyWorkbook());
    const auto* sheet = workbook->sheetByName(QStringLiteral("Charts 2"));
    if (!sheet || sheet->chartObjects.empty()) {
        state.SkipWithError("no chart on \"Charts 2\"");
        return;
    }
    const QByteArray clipboard =
        engine::chartPackageToBytes(engine::collectChart(*workbook, *sheet, sheet->chartObjects.front()));
    QTemporaryDir out;
    const QString saved = out.filePath(QStringLiteral("media-saved.pptx"));
    double peakMiB = 0;
    for (auto _ : state) {
        QFile::remove(saved);
        bench::resetPeakMemory();
        auto presentation = engine::Presentation::open(deck);
        const int index = presentation.slideCount();
        presentation.addSlide(index, 12);
        presentation.pasteChart(index, engine::chartPackageFromBytes(clipboard));
        presentation.save(saved);
        peakMiB = bench::peakMemoryMiB();
    }
    state.counters["peak_MiB"] = peakMiB;
    state.counters["deck_MiB"] = double(QFileInfo(deck).size()) / (1024.0 * 1024.0);
    state.counters["saved_MiB"] = double(QFileInfo(saved).size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_MediaDeckChartAddedAndSaved)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return bench::runWindowBenchmarks(argc, argv);
}
