// Fuzz target of the chart renderer: the input is a chart part's XML (the chart model's seeds
// serve), laid out at a size picked from the input's hash (the usual, a thin strip, a postage
// stamp, nothing at all), built into a scene and painted; a part of the newer kinds (chartex)
// is drawn by their own drawing, with the same promises. Beyond not crashing, the renderer
// keeps its promises: it throws nothing for a chart the model read, the scene of a chart with
// series is never empty, and every primitive has finite coordinates, widths and sizes.

#include "FuzzSupport.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartformat/FormatResolver.h"
#include "engine/chartmodel/ChartexPart.h"
#include "engine/chartdraw/ChartexScene.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>

namespace {

using namespace engine;
using namespace engine::chart;

[[noreturn]] void broken(const char* what) { fuzzsupport::broken("chart renderer", what); }

using fuzzsupport::finite;

void checkScene(const ChartScene& scene, bool mustShowSomething) {
    if (mustShowSomething && scene.items.empty()) broken("an empty scene");
    for (const ScenePrimitive& item : scene.items) {
        if (!finite(item.bounds())) broken("a primitive off every page");
        if (item.stroke && !(std::isfinite(item.stroke->width) && item.stroke->width >= 0)) broken("a pen of no width");
        if (item.kind == ScenePrimitive::Kind::Text) {
            if (!(std::isfinite(item.size) && item.size > 0)) broken("text of no size");
            if (!std::isfinite(item.angle)) broken("text at no angle");
        }
    }
}

}  // namespace

// Drawing text needs the fonts a GUI application loads; the offscreen platform serves.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::startOffscreenGui(argc, argv);
    return 0;
}

namespace {

// Painted small, so that a run stays quick; the painter still meets every primitive.
void paintSmall(const ChartScene& scene) {
    QImage image(160, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintChartScene(scene, painter, QRectF(0, 0, 160, 100));
}

void drawChartex(const QByteArray& xml, QSizeF points) {
    ChartexChart chart;
    try {
        chart = readChartex(xml, QStringLiteral("fuzz.xlsx"),
                            QStringLiteral("/xl/charts/chartEx1.xml"), fuzzsupport::fuzzLimits());
    } catch (const DocumentError&) {
        return;
    }
    ChartScene scene;
    try {
        scene = chartexScene(chart, points);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        broken("a chartex chart the model read could not be drawn");
    }
    // The chart area at least, or the outline.
    checkScene(scene, true);
    paintSmall(scene);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray xml = fuzzsupport::bytesOf(data, size);
    ChartSpace chart;
    RenderContext context;
    const size_t pick = qHash(xml);
    static const QSizeF sizes[] = {{360, 216}, {480, 300}, {1500, 30}, {24, 18}, {0, 0}};
    const QSizeF points = sizes[(pick >> 1) % 5];
    try {
        chart = readChartSpace(xml, QStringLiteral("fuzz.xlsx"), QStringLiteral("/xl/charts/chart1.xml"),
                               fuzzsupport::fuzzLimits());
        context = makeRenderContext(chart, QByteArray(), QByteArray(),
                                    pick & 1 ? ChartHost::Slide : ChartHost::Workbook, Producer::unknown());
    } catch (const DocumentError&) {
        // Not a classic chart: perhaps one of the newer kinds.
        drawChartex(xml, points);
        return 0;
    }
    ChartScene scene;
    try {
        scene = buildChartScene(chart, context, points);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        broken("a chart the model read could not be laid out");
    }
    // A chart without a single series and without a visible chart area may come out blank (as
    // the application shows it); any other chart shows something.
    checkScene(scene, !points.isEmpty() && !chart.allSeries().empty());
    paintSmall(scene);
    return 0;
}
