// Refresh of a deck of 100 charts, 20 from each of five workbooks (the copy run's generated
// workbooks: two sheets of ten column charts each), after one value of every workbook changed.
// Timed: the deck opened, every chart brought up to date from its workbook, the deck saved. The
// deck is made once, outside the timing, by pasting the workbooks' charts through the engine.
//
// And the refresh of one changed chart in a deck of 200 MB of media: the 20 charts of one such
// workbook and 40 slides of pictures, the pictures and a video made already-compressed media of
// 200 MB in all, every entry deflated as the presentation application writes it
// (bench/support/make_media_deck.py). One chart's data is out of date, the other 19 are
// current. Timed as above: open, refresh, save (to another file, so that each round starts from
// the same deck); the counters split the wall time between open and refresh, and the save.

#include "bench/support/CachedWorkbook.h"
#include "engine/chartcopy/ChartCollector.h"
#include "engine/presentation/Presentation.h"
#include "engine/workbook/Workbook.h"
#include "refresh/DeckRefresh.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kWorkbooks = 5;

struct RefreshBench {
    QTemporaryDir dir;
    QString deck;
    QStringList workbooks;
};

RefreshBench& bench() {
    static RefreshBench b = [] {
        RefreshBench made;
        engine::Presentation deck = engine::Presentation::createNew();
        for (int w = 0; w < kWorkbooks; ++w) {
            const QString cached = bench::cachedWorkbook(QStringLiteral("refresh-20-charts.xlsx"),
                                                         QStringLiteral("tests/transfer/make_copyrun_workbook.py"),
                                                         {QStringLiteral("{out}"), QStringLiteral("2"), QStringLiteral("10")});
            const QString path = made.dir.filePath(QStringLiteral("book%1.xlsx").arg(w + 1));
            QFile::copy(cached, path);
            made.workbooks << path;
            const auto workbook = engine::Workbook::open(path);
            for (const engine::Workbook::Sheet* sheet : workbook->worksheets()) {
                for (const auto& chart : sheet->chartObjects) {
                    deck.addSlide(deck.slideCount(), 12);
                    deck.pasteChart(deck.slideCount() - 1, engine::collectChart(*workbook, *sheet, chart));
                }
            }
        }
        // The deck is made out of date: every number it shows is 0, so that each chart has its
        // values to update.
        static const QRegularExpression number(QStringLiteral("<c:v>[-0-9.E]+</c:v>"));
        for (const auto& frame : deck.chartFrames()) {
            const QString stale = QString::fromUtf8(deck.partBytes(frame.chartPart)).replace(number, QStringLiteral("<c:v>0</c:v>"));
            deck.updateChart(frame, stale.toUtf8(), QByteArray(), *frame.provenance);
        }
        made.deck = made.dir.filePath(QStringLiteral("deck.pptx"));
        deck.save(made.deck);
        return made;
    }();
    return b;
}

void refreshHundredChartsFromFiveWorkbooks(benchmark::State& state) {
    RefreshBench& b = bench();
    const QString out = b.dir.filePath(QStringLiteral("out.pptx"));
    int opened = 0, updated = 0, charts = 0;
    for (auto _ : state) {
        engine::Presentation deck = engine::Presentation::open(b.deck);
        refresh::WorkbookShelf shelf;
        const auto results = refresh::refreshPresentation(deck, b.deck, {}, shelf);
        deck.save(out);
        opened = shelf.workbooksOpened();
        charts = int(results.size());
        updated = 0;
        for (const auto& r : results) updated += r.outcome == refresh::ChartResult::Outcome::Updated ? 1 : 0;
    }
    state.counters["charts"] = charts;
    state.counters["updated"] = updated;
    state.counters["workbooks_opened"] = opened;
}

struct MediaBench {
    QTemporaryDir dir;
    QString deck;
    qint64 bytes = 0;
};

MediaBench& mediaBench() {
    static MediaBench b = [] {
        MediaBench made;
        const QString cached = bench::cachedWorkbook(QStringLiteral("refresh-20-charts.xlsx"),
                                                     QStringLiteral("tests/transfer/make_copyrun_workbook.py"),
                                                     {QStringLiteral("{out}"), QStringLiteral("2"), QStringLiteral("10")});
        const QString workbookPath = made.dir.filePath(QStringLiteral("book.xlsx"));
        QFile::copy(cached, workbookPath);
        engine::Presentation deck = engine::Presentation::createNew();
        const auto workbook = engine::Workbook::open(workbookPath);
        for (const engine::Workbook::Sheet* sheet : workbook->worksheets()) {
            for (const auto& chart : sheet->chartObjects) {
                deck.addSlide(deck.slideCount(), 12);
                deck.pasteChart(deck.slideCount() - 1, engine::collectChart(*workbook, *sheet, chart));
            }
        }
        QImage picture(64, 48, QImage::Format_RGB32);
        for (int i = 0; i < 40; ++i) {
            picture.fill(QColor::fromHsv(i * 9, 200, 200));
            deck.addSlide(deck.slideCount(), 12);
            deck.pastePicture(deck.slideCount() - 1, picture);
        }
        // One chart out of date: its workbook changed since it was copied.
        static const QRegularExpression number(QStringLiteral("<c:v>[-0-9.E]+</c:v>"));
        const auto frame = deck.chartFrames().front();
        const QString stale = QString::fromUtf8(deck.partBytes(frame.chartPart)).replace(number, QStringLiteral("<c:v>0</c:v>"));
        deck.updateChart(frame, stale.toUtf8(), QByteArray(), *frame.provenance);
        const QString charts = made.dir.filePath(QStringLiteral("charts.pptx"));
        deck.save(charts);

        made.deck = made.dir.filePath(QStringLiteral("media.pptx"));
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(QUILLMERE_SOURCE_ROOT "/bench/support/make_media_deck.py"), charts, made.deck,
                      QStringLiteral("200")});
        if (!python.waitForFinished(-1) || python.exitCode() != 0)
            qFatal("make_media_deck.py failed: %s", python.readAllStandardError().constData());
        made.bytes = QFileInfo(made.deck).size();
        return made;
    }();
    return b;
}

void refreshOneChangedChartInMediaDeck(benchmark::State& state) {
    MediaBench& b = mediaBench();
    const QString out = b.dir.filePath(QStringLiteral("out.pptx"));
    int updated = 0, charts = 0;
    qint64 refreshNs = 0, saveNs = 0;
    for (auto _ : state) {
        // Wall time of each half, to tell reading and updating from writing the 200 MB.
        QElapsedTimer clock;
        clock.start();
        engine::Presentation deck = engine::Presentation::open(b.deck);
        refresh::WorkbookShelf shelf;
        const auto results = refresh::refreshPresentation(deck, b.deck, {}, shelf);
        refreshNs += clock.nsecsElapsed();
        clock.restart();
        deck.save(out);
        saveNs += clock.nsecsElapsed();
        charts = int(results.size());
        updated = 0;
        for (const auto& r : results) updated += r.outcome == refresh::ChartResult::Outcome::Updated ? 1 : 0;
    }
    state.counters["deck_MB"] = double(b.bytes) / (1024.0 * 1024.0);
    state.counters["open_refresh_ms"] = double(refreshNs) / 1e6 / double(state.iterations());
    state.counters["save_ms"] = double(saveNs) / 1e6 / double(state.iterations());
    state.counters["charts"] = charts;
    state.counters["updated"] = updated;
}

}  // namespace

BENCHMARK(refreshOneChangedChartInMediaDeck)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(refreshHundredChartsFromFiveWorkbooks)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
