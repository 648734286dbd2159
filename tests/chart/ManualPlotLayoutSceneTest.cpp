// Axis labels of a plot area placed by hand (c:manualLayout of the plot area): they reach out
// of the plot into the chart area, and are drawn whole even when the plot leaves them less room
// than they take before the chart's frame.

#include <gtest/gtest.h>

#include "engine/chartdraw/ChartRenderer.h"

using namespace engine::chart;
using E = SceneTag::Element;

namespace {

const QSizeF kChartSize(400, 240);

// A column chart of money values whose plot area's inner rectangle is placed at x, y, w, h
// (fractions of the chart); with `right` its value axis stands on the right.
ChartScene columnsPlacedAt(double x, double y, double w, double h, bool right = false) {
    const auto n = [](double v) { return QByteArray::number(v); };
    const QByteArray xml =
        "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/"
        "main\"><c:chart><c:autoTitleDeleted val=\"1\"/>"
        "<c:plotArea><c:layout><c:manualLayout><c:layoutTarget val=\"inner\"/><c:xMode "
        "val=\"edge\"/><c:yMode val=\"edge\"/>"
        "<c:x val=\"" +
        n(x) + "\"/><c:y val=\"" + n(y) + "\"/><c:w val=\"" + n(w) + "\"/><c:h val=\"" + n(h) +
        "\"/>"
        "</c:manualLayout></c:layout>"
        "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:varyColors "
        "val=\"0\"/>"
        "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/><c:cat><c:strLit><c:ptCount val=\"3\"/>"
        "<c:pt idx=\"0\"><c:v>Rent</c:v></c:pt><c:pt idx=\"1\"><c:v>Food</c:v></c:pt><c:pt "
        "idx=\"2\"><c:v>Tax</c:v></c:pt>"
        "</c:strLit></c:cat><c:val><c:numLit><c:formatCode>General</c:formatCode><c:ptCount "
        "val=\"3\"/>"
        "<c:pt idx=\"0\"><c:v>120000</c:v></c:pt><c:pt idx=\"1\"><c:v>20000</c:v></c:pt><c:pt "
        "idx=\"2\"><c:v>140000</c:v></c:pt>"
        "</c:numLit></c:val></c:ser><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>"
        "<c:catAx><c:axId val=\"1\"/><c:scaling/><c:axPos val=\"b\"/><c:crossAx val=\"2\"/>" +
        QByteArray(right ? "<c:crosses val=\"max\"/>" : "") +
        "</c:catAx>"
        "<c:valAx><c:axId val=\"2\"/><c:scaling/><c:axPos val=\"" +
        (right ? "r" : "l") +
        "\"/>"
        "<c:numFmt formatCode=\"\\$#,##0\" sourceLinked=\"0\"/><c:crossAx val=\"1\"/></c:valAx>"
        "</c:plotArea></c:chart></c:chartSpace>";
    RenderContext context;
    context.numbers = engine::NumberSymbols::invariant();
    return buildChartScene(readChartSpace(xml, "layout.xlsx", "/xl/charts/chart1.xml"), context,
                           kChartSize);
}

QRectF textBox(const ScenePrimitive* p) { return QRectF(p->position, p->box); }

void expectLabelsWholeInsideTheFrame(const ChartScene& scene, int axis) {
    const QRectF frame(QPointF(0, 0), kChartSize);
    const auto labels = scene.find(E::AxisLabel, -1, -1, axis);
    ASSERT_FALSE(labels.empty());
    for (const ScenePrimitive* p : labels)
        EXPECT_TRUE(frame.contains(textBox(p))) << p->text.toStdString() << " leaves the chart";
}

TEST(ManualPlotLayout, ValueLabelsLeftOfAPlotNearTheFrameAreDrawnWholeAndStayAligned) {
    const ChartScene scene = columnsPlacedAt(0.02, 0.1, 0.9, 0.7);
    EXPECT_TRUE(scene.texts(E::AxisLabel, 1).contains(QStringLiteral("$140,000")));
    expectLabelsWholeInsideTheFrame(scene, 1);
    // Moved in together: their right ends still line up.
    const auto labels = scene.find(E::AxisLabel, -1, -1, 1);
    for (const ScenePrimitive* p : labels)
        EXPECT_NEAR(textBox(p).right(), textBox(labels.front()).right(), 0.01);
}

TEST(ManualPlotLayout, LabelsOnTheRightAndBelowStayInsideTheFrameToo) {
    const ChartScene right = columnsPlacedAt(0.05, 0.05, 0.93, 0.7, true);
    expectLabelsWholeInsideTheFrame(right, 1);
    const ChartScene low = columnsPlacedAt(0.25, 0.05, 0.6, 0.93);
    expectLabelsWholeInsideTheFrame(low, 0);
}

TEST(ManualPlotLayout, LabelsWithRoomStandWhereTheyAlwaysStood) {
    // A plot with room to its left keeps its labels against the axis, not at the frame.
    const ChartScene scene = columnsPlacedAt(0.3, 0.1, 0.6, 0.7);
    const double plotLeft = 0.3 * kChartSize.width();
    for (const ScenePrimitive* p : scene.find(E::AxisLabel, -1, -1, 1)) {
        EXPECT_LT(textBox(p).right(), plotLeft);
        EXPECT_GT(textBox(p).right(), plotLeft - 10);
    }
}

}  // namespace
