// Fuzz target of the effective-format resolver: the input is a chart part's XML (the chart
// model's seeds serve), drawn in a workbook or on a slide, written by one of the producers the
// resolver tells apart (picked from the input's hash, so a replay decides alike). Every element
// of a chart the model reads is asked for its format; the answers must be what the resolver
// promises: colours in range, widths and sizes finite and not negative, gradient stops in
// order, markers of a size a marker may have.

#include "FuzzSupport.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartformat/FormatResolver.h"

#include <QByteArray>
#include <QHash>
#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

using namespace engine;
using namespace engine::chart;

[[noreturn]] void broken(const char* what) { fuzzsupport::broken("format resolver", what); }

bool unit(double v) { return v >= 0 && v <= 1; }  // false for NaN

void check(const drawingml::Rgba& c) {
    if (!unit(c.r) || !unit(c.g) || !unit(c.b) || !unit(c.a)) broken("a colour out of range");
}

void check(const ResolvedFill& fill) {
    check(fill.color);
    check(fill.background);
    if (!std::isfinite(fill.angle)) broken("a gradient angle that is no number");
    double last = 0;
    for (const ResolvedGradientStop& stop : fill.stops) {
        if (!unit(stop.position) || stop.position < last) broken("gradient stops out of order or range");
        last = stop.position;
        check(stop.color);
    }
}

void check(const ResolvedLine& line) {
    if (!std::isfinite(line.width) || line.width < 0) broken("a line width that is no width");
    check(line.fill);
    check(line.color);
    for (const auto& [dash, space] : line.customDash) {
        if (!std::isfinite(dash) || !std::isfinite(space) || dash < 0 || space < 0) broken("a dash that is no dash");
    }
}

void check(const ResolvedShape& shape) {
    check(shape.fill);
    check(shape.line);
    if (shape.shadow) {
        check(shape.shadow->color);
        if (!std::isfinite(shape.shadow->blurRadius) || !std::isfinite(shape.shadow->distance)) broken("a shadow off the page");
    }
}

void check(const ResolvedText& text) {
    if (!std::isfinite(text.size) || text.size <= 0) broken("a text size that is no size");
    // "+mj-lt" and its kind are theme references; other names, "+" or not, stand for themselves.
    static const QRegularExpression reference(QStringLiteral("^\\+m[jn]-(lt|ea|cs)$"));
    if (reference.match(text.typeface).hasMatch()) broken("a theme font reference left unresolved");
    check(text.color);
    if (text.rotation && !std::isfinite(*text.rotation)) broken("a text rotation that is no angle");
}

void check(const ResolvedMarker& marker) {
    if (marker.size < 2 || marker.size > 72) broken("a marker size out of 2..72");
    check(marker.shape);
}

void check(const std::optional<ResolvedDataLabel>& label) {
    if (!label) return;
    check(label->text);
    check(label->shape);
}

// Points asked for per series: enough to pass the colour cycle and the caches' own points.
int pointsOf(const Series& series) {
    size_t count = 0;
    if (const DataSource* values = series.valueData(); values && values->numbers) count = values->numbers->dense().size();
    return int(std::min<size_t>(count + 2, 80));
}

void resolveEverything(const FormatResolver& resolver, const ChartSpace& chart) {
    check(resolver.chartArea());
    check(resolver.plotArea());
    check(resolver.titleShape());
    check(resolver.legendShape());
    check(resolver.titleText());
    check(resolver.legendText());
    if (!std::isfinite(resolver.baseTextSize()) || resolver.baseTextSize() <= 0) broken("no base text size");
    (void)resolver.titleShown();
    (void)resolver.automaticTitleSeries();
    (void)resolver.displayBlanksAs();
    if (chart.chart.legend) {
        for (const LegendEntry& entry : chart.chart.legend->entries) check(resolver.legendText(entry.index));
    }
    check(resolver.floorOrWall(chart.chart.floor));
    check(resolver.floorOrWall(chart.chart.sideWall));
    check(resolver.floorOrWall(chart.chart.backWall));
    for (const Axis& axis : chart.chart.plotArea.axes) {
        (void)resolver.axisDeleted(axis);
        (void)resolver.majorTickMark(axis);
        (void)resolver.minorTickMark(axis);
        check(resolver.axisLine(axis));
        check(resolver.gridlines(axis, true));
        check(resolver.gridlines(axis, false));
        check(resolver.axisTitleShape(axis));
        check(resolver.axisTitleText(axis));
        check(resolver.axisLabelText(axis));
        check(resolver.displayUnitsText(axis));
    }
    for (const ChartGroup& group : chart.chart.plotArea.groups) {
        (void)resolver.varyColors(group);
        (void)resolver.variesByPoint(group);
        (void)resolver.groupShowsMarkers(group);
        (void)resolver.grouping(group);
        (void)resolver.defaultLabelPosition(group);
        if (group.hiLowLines) check(resolver.groupLines(*group.hiLowLines));
        if (group.dropLines) check(resolver.groupLines(*group.dropLines));
        for (const ChartLines& lines : group.seriesLines) check(resolver.groupLines(lines));
        if (group.upDownBars) {
            check(resolver.upDownBar(*group.upDownBars, true));
            check(resolver.upDownBar(*group.upDownBars, false));
        }
        for (const Series& series : group.series) {
            (void)resolver.smooth(group, series);
            (void)resolver.invertIfNegative(series);
            check(resolver.automaticSeriesColor(group, series));
            check(resolver.series(group, series));
            check(resolver.marker(group, series));
            check(resolver.dataLabel(group, series));
            for (int point = 0; point < pointsOf(series); ++point) {
                check(resolver.automaticPointColor(group, series, point));
                check(resolver.dataPoint(group, series, point));
                check(resolver.marker(group, series, point));
                check(resolver.dataLabel(group, series, point));
            }
            for (const Trendline& trendline : series.trendlines) {
                check(resolver.trendline(series, trendline));
                check(resolver.trendlineLabelText(trendline));
                (void)resolver.trendlineShowsEquation(trendline);
                (void)resolver.trendlineShowsRSquared(trendline);
            }
            for (const ErrorBars& bars : series.errorBars) check(resolver.errorBars(bars));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray xml = fuzzsupport::bytesOf(data, size);
    ChartSpace chart;
    try {
        chart = readChartSpace(xml, QStringLiteral("fuzz.xlsx"), QStringLiteral("/xl/charts/chart1.xml"),
                               fuzzsupport::fuzzLimits());
    } catch (const DocumentError&) {
        return 0;
    }
    static const QByteArray producers[] = {
        QByteArray(),
        "<Properties><Application>Microsoft Excel</Application><AppVersion>12.0000</AppVersion></Properties>",
        "<Properties><Application>Microsoft Excel</Application><AppVersion>16.0300</AppVersion></Properties>",
        "<Properties><Application>LibreOffice/7.4.7.2$Linux_X86_64</Application></Properties>",
    };
    const size_t pick = qHash(xml);
    const ChartHost host = pick & 1 ? ChartHost::Slide : ChartHost::Workbook;
    const Producer producer = producerFromAppXml(producers[(pick >> 1) % 4]);
    RenderContext context;
    try {
        context = makeRenderContext(chart, QByteArray(), QByteArray(), host, producer);
    } catch (const DocumentError&) {
        return 0;
    }
    const FormatResolver resolver(chart, context);
    resolveEverything(resolver, chart);
    return 0;
}
