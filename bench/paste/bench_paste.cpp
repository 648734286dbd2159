// Pastes 200 charts, each on a new blank slide, into a new presentation and saves it: the
// presentation half of a copy run of 200 charts. The charts are collected once, beforehand,
// from a workbook XlsxWriter makes (three charts of different kinds, taken in turn), so the
// time measured is the paste and the save only.
//
// Counters: file_bytes (the saved presentation), chart_bytes (what the 200 pasted charts bring:
// their parts, the theme each keeps, and the embedded workbook with their data, uncompressed)
// and size_ratio = file_bytes / chart_bytes (target: at most 2).

#include "engine/chartcopy/ChartCollector.h"
#include "engine/presentation/Presentation.h"
#include "engine/workbook/Workbook.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kCharts = 200;

std::vector<engine::ChartPackage> collectedCharts(const QString& folder) {
    const QString script = QStringLiteral(QUILLMERE_SOURCE_ROOT "/tests/presentation/make-fixtures.py");
    if (QProcess::execute(QStringLiteral("/usr/bin/python3"), {script, folder}) != 0) return {};
    const auto workbook = engine::Workbook::open(folder + QStringLiteral("/charts.xlsx"));
    std::vector<engine::ChartPackage> charts;
    for (const auto* sheet : workbook->worksheets())
        for (const auto& chart : sheet->chartObjects) charts.push_back(engine::collectChart(*workbook, *sheet, chart));
    return charts;
}

void pasteAndSave(benchmark::State& state) {
    QTemporaryDir dir;
    const auto charts = collectedCharts(dir.path());
    if (charts.empty()) {
        state.SkipWithError("no charts collected (is /usr/bin/python3 with xlsxwriter installed?)");
        return;
    }
    const QString target = dir.filePath(QStringLiteral("pasted.pptx"));
    qint64 chartBytes = 0;
    for (auto _ : state) {
        auto presentation = engine::Presentation::createNew();
        for (int i = 0; i < kCharts; ++i) {
            presentation.addSlide(i, 12);
            presentation.pasteChart(i, charts[static_cast<size_t>(i) % charts.size()]);
        }
        presentation.save(target);

        state.PauseTiming();
        chartBytes = 0;
        const auto& package = presentation.package();
        for (const QString& part : package.partNames()) {
            if (part.startsWith(QLatin1String("/ppt/charts/")) || part.startsWith(QLatin1String("/ppt/embeddings/")) ||
                part.startsWith(QLatin1String("/ppt/theme/themeOverride")) || part.startsWith(QLatin1String("/ppt/drawings/")))
                chartBytes += package.part(part).size();
        }
        state.ResumeTiming();
    }
    const qint64 fileBytes = QFileInfo(target).size();
    state.counters["file_bytes"] = double(fileBytes);
    state.counters["chart_bytes"] = double(chartBytes);
    state.counters["size_ratio"] = chartBytes > 0 ? double(fileBytes) / double(chartBytes) : 0.0;
}

}  // namespace

BENCHMARK(pasteAndSave)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
