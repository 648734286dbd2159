// The statistical kinds among the newer charts: histogram, pareto, box and whisker.
#include <QHash>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/chartdraw/ChartexDrawing.h"
#include "engine/chartdraw/ChartexStatistics.h"

namespace engine::chartexdraw {

using chart::SceneTag;

namespace {

// The columns a histogram shows: bins of its values, or, when it aggregates or has text
// categories and no binning, the values summed per category in order of appearance.
struct HistogramColumns {
    std::vector<QString> labels;
    std::vector<double> values;
};

std::optional<HistogramColumns> histogramColumnsOf(const ChartexChart& chart,
                                                   const ChartexChart::Series& series) {
    const ChartexChart::Dimension* values = chart.dimension(series, QStringLiteral("val"));
    if (!values || values->numbers.empty()) return std::nullopt;
    const ChartexChart::Dimension* categories = chart.dimension(series, QStringLiteral("cat"));
    HistogramColumns out;
    if (series.aggregation || (!series.binning && categories && !categories->texts.empty())) {
        QHash<QString, size_t> at;
        for (size_t i = 0; i < values->numbers.size(); ++i) {
            if (!values->numbers[i]) continue;
            const QString name = categories && i < categories->texts.size()
                                     ? categories->texts[i]
                                     : QString::number(i + 1);
            auto found = at.find(name);
            if (found == at.end()) {
                found = at.insert(name, out.labels.size());
                out.labels.push_back(name);
                out.values.push_back(0);
            }
            out.values[*found] += *values->numbers[i];
        }
    } else {
        std::vector<double> numbers;
        for (const std::optional<double>& v : values->numbers)
            if (v) numbers.push_back(*v);
        for (const chartex::HistogramBin& bin : chartex::histogramBins(
                 numbers, series.binning.value_or(ChartexChart::Series::Binning{}))) {
            out.labels.push_back(bin.label);
            out.values.push_back(bin.value);
        }
    }
    if (out.values.empty()) return std::nullopt;
    return out;
}

}  // namespace

bool drawHistogram(SceneMaker& maker, const ChartexChart& chart) {
    const ChartexChart::Series* columnsSeries = nullptr;
    bool pareto = false;
    for (const ChartexChart::Series& s : chart.series) {
        if (s.layout == QLatin1String("paretoLine"))
            pareto = !s.hidden;
        else if (!columnsSeries && !s.owned)
            columnsSeries = &s;
    }
    if (!columnsSeries) return false;
    std::optional<HistogramColumns> columns = histogramColumnsOf(chart, *columnsSeries);
    if (!columns) return false;
    const size_t n = columns->values.size();
    if (pareto) {
        // Largest first; equal ones keep their order.
        std::vector<size_t> order(n);
        std::iota(order.begin(), order.end(), size_t(0));
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return columns->values[a] > columns->values[b];
        });
        HistogramColumns sorted;
        for (const size_t i : order) {
            sorted.labels.push_back(columns->labels[i]);
            sorted.values.push_back(columns->values[i]);
        }
        columns = std::move(sorted);
    }
    double low = 0, high = 0;
    for (const double v : columns->values) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    const double top = title(maker, chart, maker.size().width());
    const ValuePlot plot = valuePlot(maker, top, low, high, pareto);
    if (plot.plot.isEmpty()) return true;
    categoryLabels(maker, plot.plot, columns->labels);
    const double slot = plot.plot.width() / double(n);
    const double width = slot / (1 + chart.gapWidth.value_or(0));
    const double zero = plot.yOf(std::clamp(0.0, plot.scale.minimum, plot.scale.maximum));
    for (size_t i = 0; i < n; ++i) {
        const double left = plot.plot.left() + slot * double(i) + (slot - width) / 2;
        const double y = plot.yOf(columns->values[i]);
        // Columns that touch stay apart by a white edge.
        maker.rect(
            SceneTag{SceneTag::Element::DataPoint, 0, int(i)},
            QRectF(QPointF(left, std::min(y, zero)), QPointF(left + width, std::max(y, zero))),
            accent(0), chart::ScenePen{Qt::white, 0.75, {}, Qt::FlatCap, Qt::MiterJoin});
    }
    if (!pareto) return true;
    const double total = std::accumulate(columns->values.begin(), columns->values.end(), 0.0);
    if (!(total > 0)) return true;
    QPainterPath line;
    double running = 0;
    for (size_t i = 0; i < n; ++i) {
        running += columns->values[i];
        const QPointF at(plot.plot.left() + slot * (double(i) + 0.5),
                         plot.rightYOf(std::clamp(running / total, 0.0, 1.0)));
        if (i == 0)
            line.moveTo(at);
        else
            line.lineTo(at);
    }
    maker.stroke(SceneTag{SceneTag::Element::SeriesLine, 1}, line, accent(1), 2.25);
    return true;
}

bool drawBoxWhisker(SceneMaker& maker, const ChartexChart& chart) {
    // Categories in order of appearance over all series; a series without categories is one
    // group.
    std::vector<const ChartexChart::Series*> series;
    for (const ChartexChart::Series& s : chart.series)
        if (!s.owned && !s.hidden && s.layout == QLatin1String("boxWhisker")) series.push_back(&s);
    std::vector<QString> categories;
    QHash<QString, int> categoryAt;
    // groups[series][category]: the values of that series in that category.
    std::vector<std::vector<std::vector<double>>> groups(series.size());
    for (size_t s = 0; s < series.size(); ++s) {
        const ChartexChart::Dimension* values = chart.dimension(*series[s], QStringLiteral("val"));
        const ChartexChart::Dimension* names = chart.dimension(*series[s], QStringLiteral("cat"));
        if (!values) continue;
        for (size_t i = 0; i < values->numbers.size(); ++i) {
            if (!values->numbers[i]) continue;
            const QString name = names && i < names->texts.size() ? names->texts[i] : QString();
            auto found = categoryAt.find(name);
            if (found == categoryAt.end()) {
                found = categoryAt.insert(name, int(categories.size()));
                categories.push_back(name);
            }
            auto& row = groups[s];
            if (row.size() <= size_t(*found)) row.resize(size_t(*found) + 1);
            row[size_t(*found)].push_back(*values->numbers[i]);
        }
    }
    if (categories.empty()) return false;
    std::vector<std::vector<std::optional<chartex::BoxStatistics>>> boxes(series.size());
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (size_t s = 0; s < series.size(); ++s) {
        groups[s].resize(categories.size());
        for (const std::vector<double>& group : groups[s]) {
            boxes[s].push_back(chartex::boxStatistics(group, series[s]->quartileExclusive));
            for (const double v : group) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
    }
    double top = title(maker, chart, maker.size().width());
    if (chart.hasLegend && series.size() > 1) {
        std::vector<std::pair<QString, QColor>> entries;
        for (size_t s = 0; s < series.size(); ++s)
            entries.emplace_back(series[s]->name, accent(int(s)));
        top = legendRow(maker, top, entries);
    }
    const ValuePlot plot = valuePlot(maker, top, low, high);
    if (plot.plot.isEmpty()) return true;
    categoryLabels(maker, plot.plot, categories);
    const double slot = plot.plot.width() / double(categories.size());
    const double groupWidth = slot / (1 + chart.gapWidth.value_or(1.0));
    const double boxWidth = groupWidth / double(series.size());
    for (size_t s = 0; s < series.size(); ++s) {
        const QColor color = accent(int(s));
        const double marker = std::clamp(boxWidth / 6, 2.0, 4.0);
        QPainterPath means;
        for (size_t c = 0; c < categories.size(); ++c) {
            const std::optional<chartex::BoxStatistics>& box = boxes[s][c];
            if (!box) continue;
            const double left = plot.plot.left() + slot * double(c) + (slot - groupWidth) / 2 +
                                boxWidth * double(s) + boxWidth * 0.1;
            const double width = boxWidth * 0.8;
            const double middle = left + width / 2;
            const SceneTag whisker{SceneTag::Element::Whisker, int(s), int(c)};
            QPainterPath whiskers;
            whiskers.moveTo(middle, plot.yOf(box->q3));
            whiskers.lineTo(middle, plot.yOf(box->highWhisker));
            whiskers.moveTo(middle - width / 4, plot.yOf(box->highWhisker));
            whiskers.lineTo(middle + width / 4, plot.yOf(box->highWhisker));
            whiskers.moveTo(middle, plot.yOf(box->q1));
            whiskers.lineTo(middle, plot.yOf(box->lowWhisker));
            whiskers.moveTo(middle - width / 4, plot.yOf(box->lowWhisker));
            whiskers.lineTo(middle + width / 4, plot.yOf(box->lowWhisker));
            maker.stroke(whisker, whiskers, QColor(0x40, 0x40, 0x40), 0.75);
            maker.rect(
                SceneTag{SceneTag::Element::DataPoint, int(s), int(c)},
                QRectF(QPointF(left, plot.yOf(box->q3)), QPointF(left + width, plot.yOf(box->q1))),
                color, chart::ScenePen{color.darker(130), 0.75, {}, Qt::FlatCap, Qt::MiterJoin});
            maker.line(SceneTag{SceneTag::Element::Median, int(s), int(c)},
                       QPointF(left, plot.yOf(box->median)),
                       QPointF(left + width, plot.yOf(box->median)), Qt::white, 1.5);
            const QPointF mean(middle, plot.yOf(box->mean));
            if (series[s]->meanMarker) {
                QPainterPath cross;
                cross.moveTo(mean + QPointF(-marker, -marker));
                cross.lineTo(mean + QPointF(marker, marker));
                cross.moveTo(mean + QPointF(-marker, marker));
                cross.lineTo(mean + QPointF(marker, -marker));
                maker.stroke(SceneTag{SceneTag::Element::MeanMarker, int(s), int(c)}, cross,
                             Qt::white, 1.25);
            }
            if (means.elementCount() == 0)
                means.moveTo(mean);
            else
                means.lineTo(mean);
            const auto dot = [&](double value) {
                QPainterPath circle;
                circle.addEllipse(QPointF(middle, plot.yOf(value)), marker * 0.8, marker * 0.8);
                maker.fill(SceneTag{SceneTag::Element::Marker, int(s), int(c)}, circle, Qt::white,
                           chart::ScenePen{color, 0.75, {}, Qt::FlatCap, Qt::RoundJoin});
            };
            if (series[s]->outliers)
                for (const double v : box->outliers) dot(v);
            if (series[s]->innerPoints)
                for (const double v : box->inner) dot(v);
        }
        if (series[s]->meanLine && means.elementCount() > 1)
            maker.stroke(SceneTag{SceneTag::Element::MeanLine, int(s)}, means, color.darker(130),
                         1.5);
    }
    return true;
}

}  // namespace engine::chartexdraw
