// Fuzz target of the chart model: the input is a chart part's XML. Every input must end in a
// model or a DocumentError. Beyond not crashing, a model that was read must keep its promises:
// caches made dense stay within their bounds, the automatic axis scales come out ordered, and
// the part as a slide's chart needs it reads back as the same chart. A part the model refuses is
// read as one of the newer kinds (chartex), with the same promises.

#include "FuzzSupport.h"
#include "engine/chartdraw/AxisScale.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/chartmodel/ChartexPart.h"
#include "engine/package/Xml.h"
#include "engine/chartdraw/ChartexStatistics.h"

#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

using namespace engine;

[[noreturn]] void broken(const char* what) { fuzzsupport::broken("chart model", what); }

struct Values {
    double min = INFINITY;
    double max = -INFINITY;
    std::vector<double> finite;
};

void collect(const chart::DataSource* source, Values& values) {
    if (!source) return;
    if (source->numbers) {
        const auto& cache = *source->numbers;
        const std::vector<double> dense = cache.dense();
        if (dense.size() > 2 * cache.points.size() + 1024) broken("a numeric cache grew past its bound");
        for (const double v : dense) {
            if (!std::isfinite(v)) continue;
            values.min = std::min(values.min, v);
            values.max = std::max(values.max, v);
            values.finite.push_back(v);
        }
    }
    if (source->strings) {
        const auto& cache = *source->strings;
        if (cache.dense().size() > 2 * cache.points.size() + 1024) broken("a text cache grew past its bound");
        (void)cache.first();
    }
    if (source->multiLevel) {
        for (const auto& level : source->multiLevel->levels) {
            if (level.dense().size() > 2 * level.points.size() + 1024) broken("a level grew past its bound");
        }
    }
}

// The scales a renderer asks for, with what the file fixes.
void scaleAxes(const chart::ChartSpace& space) {
    Values values;
    Values categories;
    for (const chart::Series* series : space.allSeries()) {
        collect(series->valueData(), values);
        collect(series->categoryData(), categories);
        if (series->bubbleSizes) collect(&*series->bubbleSizes, values);
        if (series->text) (void)series->text->text();
    }
    if (values.finite.empty()) values.min = values.max = 0;
    for (const chart::Axis& axis : space.chart.plotArea.axes) {
        if (axis.kind == chart::Axis::Kind::Value) {
            ValueAxisInput input;
            input.dataMin = values.min;
            input.dataMax = values.max;
            input.fixedMin = axis.minimum;
            input.fixedMax = axis.maximum;
            input.fixedMajorUnit = axis.majorUnit;
            const AxisScale scale = autoValueScale(input);
            const bool unfixed = !axis.minimum && !axis.maximum && !axis.majorUnit;
            if (unfixed && !(scale.min < scale.max && scale.majorUnit > 0)) broken("an automatic scale is empty");
            if (axis.logBase) (void)logarithmicScale(values.min, values.max, *axis.logBase);
        } else if (axis.kind == chart::Axis::Kind::Date && !categories.finite.empty()) {
            const TimeUnit base = dateBaseUnit(categories.finite);
            (void)dateMajorUnit(categories.max - categories.min, base);
        }
    }
}

}  // namespace

namespace {

// A part of the newer kinds: read, its levels stay within their bound and it stays the same
// chart on a slide.
void checkChartex(const QByteArray& xml) {
    const QString file = QStringLiteral("fuzz.xlsx");
    const QString part = QStringLiteral("/xl/charts/chartEx1.xml");
    ChartexChart chart;
    try {
        chart = readChartex(xml, file, part, fuzzsupport::fuzzLimits());
    } catch (const DocumentError&) {
        return;
    }
    if (chart.kindName().isEmpty() || chart.ownSeriesCount() > int(chart.series.size())) broken("a chartex outline is inconsistent");
    for (const ChartexChart::Data& data : chart.data) {
        for (const ChartexChart::Dimension& dimension : data.dimensions) {
            size_t points = dimension.numbers.size();
            for (const auto& level : dimension.levels) points += level.size();
            if (points > 1'000'000) broken("a chartex level grew past its bound");
        }
    }
    // What the drawing computes from the data: every finite value in one bin, boxes in order,
    // rectangles within their area.
    for (const ChartexChart::Series& series : chart.series) {
        const ChartexChart::Dimension* values = chart.dimension(series, QStringLiteral("val"));
        if (values) {
            std::vector<double> numbers;
            for (const auto& v : values->numbers)
                if (v) numbers.push_back(*v);
            const auto bins = engine::chartex::histogramBins(
                numbers, series.binning.value_or(ChartexChart::Series::Binning{}));
            double counted = 0;
            for (const auto& bin : bins) counted += bin.value;
            if (counted != double(numbers.size())) broken("a histogram lost or doubled values");
            if (bins.size() > 1002) broken("a histogram grew past its bound of bins");
            const auto box = engine::chartex::boxStatistics(numbers, series.quartileExclusive);
            if (box && !(box->lowWhisker <= box->q1 && box->q1 <= box->median &&
                         box->median <= box->q3 && box->q3 <= box->highWhisker))
                broken("a box's statistics are out of order");
        }
        const auto nodes = engine::chartex::hierarchy(chart, series);
        std::vector<double> sizes;
        for (const auto& node : nodes)
            if (node.parent < 0) sizes.push_back(node.value);
        const QRectF area(0, 0, 360, 216);
        for (const QRectF& r : engine::chartex::squarify(sizes, area))
            if (!r.isEmpty() && !area.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(r))
                broken("a treemap rectangle left its area");
    }
    ChartexChart again;
    try {
        again = readChartex(chartexForSlide(xml, QStringLiteral("rId9"), file, part), file, part, fuzzsupport::fuzzLimits());
    } catch (const DocumentError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        broken("a chartex part the reader takes is refused for a slide");
    }
    if (again.kindName() != chart.kindName() || again.title != chart.title || again.series.size() != chart.series.size()) {
        broken("the slide's chartex part reads as another chart");
    }
}

// False when the part parses but names an element or attribute by a prefix no declaration in
// scope binds.
bool prefixesDeclared(const QByteArray& xml, const QString& file, const QString& part) {
    pugi::xml_document doc;
    try {
        parseXml(doc, xml, file, part, fuzzsupport::fuzzLimits());
    } catch (const DocumentError&) {
        return true;
    }
    try {
        requireDeclaredPrefixes(doc, file, part);
    } catch (const DocumentError&) {
        return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray xml = fuzzsupport::bytesOf(data, size);
    const QString file = QStringLiteral("fuzz.xlsx");
    const QString part = QStringLiteral("/xl/charts/chart1.xml");
    chart::ChartSpace space;
    try {
        space = chart::readChartSpace(xml, file, part, fuzzsupport::fuzzLimits());
    } catch (const DocumentError&) {
        checkChartex(xml);
        return 0;
    }
    const ChartSummary summary = summarizeChart(space);
    scaleAxes(space);

    // A chart the model reads is a chart a slide can take, and it stays the same chart there;
    // except one using a prefix no declaration binds, which the model passes over as unknown
    // but which must never reach a deck.
    if (!prefixesDeclared(xml, file, part)) {
        try {
            chartForSlide(xml, QStringLiteral("rId9"), file, part);
        } catch (const DocumentError&) {
            return 0;
        }
        broken("a chart with an undeclared prefix is written for a slide");
    }
    QByteArray onSlide;
    try {
        onSlide = chartForSlide(xml, QStringLiteral("rId9"), file, part);
    } catch (const DocumentError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        broken("a chart the model reads is refused for a slide");
    }
    ChartSummary again;
    try {
        again = summarizeChart(chart::readChartSpace(onSlide, file, part, fuzzsupport::fuzzLimits()));
    } catch (const DocumentError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        broken("the slide's chart part cannot be read back");
    }
    if (again.kind != summary.kind || again.title != summary.title || again.series.size() != summary.series.size()) {
        broken("the slide's chart part reads as another chart");
    }
    for (size_t i = 0; i < summary.series.size(); ++i) {
        if (again.series[i].name != summary.series[i].name ||
            again.series[i].valueFormula != summary.series[i].valueFormula ||
            again.series[i].pointCount != summary.series[i].pointCount) {
            broken("a series changed on the way to the slide");
        }
    }
    if (again.externalDataRelId != QLatin1String("rId9") || !again.autoUpdateOff) {
        broken("the slide's chart does not point at its embedded workbook");
    }
    return 0;
}
