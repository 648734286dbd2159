// Refresh of a deck of 100 charts, 20 from each of five workbooks (the copy run's generated
// workbooks: two sheets of ten column charts each), after one value of every workbook changed.
// Timed: the deck opened, every chart brought up to date from its workbook, the deck saved. The
// deck is made once, outside the timing, by pasting the workbooks' charts through the engine.

#include "bench/support/CachedWorkbook.h"
#include "engine/chartcopy/ChartCollector.h"
#include "engine/presentation/Presentation.h"
#include "engine/workbook/Workbook.h"
#include "refresh/DeckRefresh.h"

#include <QDir>
#include <QFile>
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

}  // namespace

BENCHMARK(refreshHundredChartsFromFiveWorkbooks)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
