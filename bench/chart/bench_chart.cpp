// How long the chart renderer takes to draw a chart into a 1280 x 720 pixel image (scale 1, so
// 960 x 540 points), from the model to the finished picture (layout, scene and painting):
//  - BM_TypicalChart: two series of twelve points as columns, axis labels, legend and title;
//  - BM_LongLine: one line of 200,000 points, which the renderer reduces to what each column of
//    the picture shows;
//  - BM_SceneOnly, BM_LongLineSceneOnly: layout and scene without painting.
//  - BM_RenderMemory/N: the memory a render holds at its fullest, when the scene and the painted
//    image are both alive (heap in use then, less before; the chart model is read before),
//    reported as held_mb; N 0 is the typical chart, 1 the long line.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QString>
#include <malloc.h>

#include "engine/chartdraw/ChartRenderer.h"

namespace {

using namespace engine::chart;

QByteArray numCache(int count, double (*value)(int)) {
    QByteArray out = "<c:numCache><c:formatCode>General</c:formatCode><c:ptCount val=\"" + QByteArray::number(count) + "\"/>";
    out.reserve(count * 40);
    for (int i = 0; i < count; ++i)
        out += "<c:pt idx=\"" + QByteArray::number(i) + "\"><c:v>" + QByteArray::number(value(i), 'g', 10) + "</c:v></c:pt>";
    return out + "</c:numCache>";
}

QByteArray strCache(int count) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    QByteArray out = "<c:strCache><c:ptCount val=\"" + QByteArray::number(count) + "\"/>";
    for (int i = 0; i < count; ++i) out += "<c:pt idx=\"" + QByteArray::number(i) + "\"><c:v>" + kMonths[i % 12] + "</c:v></c:pt>";
    return out + "</c:strCache>";
}

QByteArray series(int index, const QByteArray& name, const QByteArray& values, const QByteArray& categories) {
    return "<c:ser><c:idx val=\"" + QByteArray::number(index) + "\"/><c:order val=\"" + QByteArray::number(index) +
           "\"/><c:tx><c:v>" + name + "</c:v></c:tx><c:cat><c:strRef><c:f>S!$A$2:$A$13</c:f>" + categories +
           "</c:strRef></c:cat><c:val><c:numRef><c:f>S!$B$2:$B$13</c:f>" + values + "</c:numRef></c:val></c:ser>";
}

const char* kAxes =
    "<c:catAx><c:axId val=\"1\"/><c:scaling><c:orientation val=\"minMax\"/></c:scaling><c:axPos val=\"b\"/>"
    "<c:crossAx val=\"2\"/></c:catAx><c:valAx><c:axId val=\"2\"/><c:scaling><c:orientation val=\"minMax\"/>"
    "</c:scaling><c:axPos val=\"l\"/><c:majorGridlines/><c:crossAx val=\"1\"/></c:valAx>";

ChartSpace chartOf(const QByteArray& group) {
    const QByteArray xml = "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart>"
                           "<c:title><c:tx><c:rich><p xmlns=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><r><t>Monthly sales"
                           "</t></r></p></c:rich></c:tx></c:title><c:autoTitleDeleted val=\"0\"/><c:plotArea>" +
                           group + kAxes + "</c:plotArea><c:legend><c:legendPos val=\"r\"/></c:legend></c:chart></c:chartSpace>";
    return readChartSpace(xml, "bench.xlsx", "/xl/charts/chart1.xml");
}

const ChartSpace& typicalChart() {
    static const ChartSpace chart = chartOf(
        "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>" +
        series(0, "Sales", numCache(12, [](int i) { return 120.0 + 13 * i - (i % 3) * 7.5; }), strCache(12)) +
        series(1, "Costs", numCache(12, [](int i) { return 80.0 + 4 * i; }), strCache(12)) +
        "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>");
    return chart;
}

const ChartSpace& longLine() {
    static const ChartSpace chart = chartOf(
        "<c:lineChart><c:grouping val=\"standard\"/>" +
        series(0, "Signal", numCache(200000, [](int i) { return 50 + 40 * std::sin(i * 0.001) + (i * 7919 % 13) * 0.5; }), QByteArray()) +
        "<c:marker val=\"1\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>");
    return chart;
}

void render(benchmark::State& state, const ChartSpace& chart) {
    const RenderContext context;
    for (auto _ : state) {
        const QImage image = renderChartImage(chart, context, QSizeF(960, 540), 1);
        benchmark::DoNotOptimize(image.constBits());
    }
}

double heapInUseMb() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

void BM_RenderMemory(benchmark::State& state) {
    const ChartSpace& chart = state.range(0) == 0 ? typicalChart() : longLine();
    const RenderContext context;
    double held = 0;
    for (auto _ : state) {
        const double before = heapInUseMb();
        const ChartScene scene = buildChartScene(chart, context, QSizeF(960, 540), 96.0 / 72);
        QImage image(1280, 720, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paintChartScene(scene, painter, QRectF(0, 0, 1280, 720));
        painter.end();
        held = std::max(held, heapInUseMb() - before);
    }
    state.counters["held_mb"] = held;
}

void BM_TypicalChart(benchmark::State& state) { render(state, typicalChart()); }
void BM_LongLine(benchmark::State& state) { render(state, longLine()); }

void scene(benchmark::State& state, const ChartSpace& chart) {
    const RenderContext context;
    for (auto _ : state) benchmark::DoNotOptimize(buildChartScene(chart, context, QSizeF(960, 540), 96.0 / 72).items.size());
}
void BM_SceneOnly(benchmark::State& state) { scene(state, typicalChart()); }
void BM_LongLineSceneOnly(benchmark::State& state) { scene(state, longLine()); }

}  // namespace

BENCHMARK(BM_TypicalChart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongLineSceneOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
