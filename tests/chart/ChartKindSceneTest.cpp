// Rules that hang on a chart's kind and are asked by both the plot and its legend: whether
// colours vary by point (and so whether the legend lists categories), and how a scatter style
// draws its series and its legend key.

#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartmodel/ChartKind.h"

#include <gtest/gtest.h>

using namespace engine::chart;
using E = SceneTag::Element;

namespace {

ChartSpace kindChart(const QByteArray& plotArea) {
    return readChartSpace("<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
                          "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><c:chart>"
                          "<c:autoTitleDeleted val=\"1\"/><c:plotArea>" + plotArea + "</c:plotArea>"
                          "<c:legend><c:legendPos val=\"r\"/></c:legend></c:chart></c:chartSpace>",
                          "kinds.xlsx", "/xl/charts/chart1.xml");
}

QByteArray literal(const std::vector<double>& values) {
    QByteArray out = "<c:numLit><c:ptCount val=\"" + QByteArray::number(int(values.size())) + "\"/>";
    for (size_t i = 0; i < values.size(); ++i)
        out += "<c:pt idx=\"" + QByteArray::number(int(i)) + "\"><c:v>" + QByteArray::number(values[i]) + "</c:v></c:pt>";
    return out + "</c:numLit>";
}

QByteArray categories() {
    return "<c:cat><c:strLit><c:ptCount val=\"3\"/><c:pt idx=\"0\"><c:v>Jan</c:v></c:pt><c:pt idx=\"1\"><c:v>Feb</c:v></c:pt>"
           "<c:pt idx=\"2\"><c:v>Mar</c:v></c:pt></c:strLit></c:cat>";
}

QByteArray series(int index, const char* name, const std::vector<double>& values, const QByteArray& extra = {}) {
    return "<c:ser><c:idx val=\"" + QByteArray::number(index) + "\"/><c:order val=\"" + QByteArray::number(index) +
           "\"/><c:tx><c:v>" + name + "</c:v></c:tx>" + extra + categories() + "<c:val>" + literal(values) + "</c:val></c:ser>";
}

const QByteArray kAxes =
    "<c:catAx><c:axId val=\"1\"/><c:scaling/><c:axPos val=\"b\"/><c:crossAx val=\"2\"/></c:catAx>"
    "<c:valAx><c:axId val=\"2\"/><c:scaling/><c:axPos val=\"l\"/><c:crossAx val=\"1\"/></c:valAx>";

QByteArray barGroup(const QByteArray& varyColors, const QByteArray& seriesXml) {
    return "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>" + varyColors + seriesXml +
           "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>";
}

ChartScene sceneOf(const ChartSpace& chart) {
    RenderContext context;
    return buildChartScene(chart, context, QSizeF(400, 240));
}

QColor fillOf(const ScenePrimitive* p) { return p->fill ? p->fill->color : QColor(); }

// Whether any legend key of entry `entry` is stroked only (a line), or filled (a marker).
bool keyHasLine(const ChartScene& scene, int entry) {
    for (const ScenePrimitive* p : scene.find(E::LegendKey, entry))
        if (!p->fill && p->stroke) return true;
    return false;
}
bool keyHasMarker(const ChartScene& scene, int entry) {
    for (const ScenePrimitive* p : scene.find(E::LegendKey, entry))
        if (p->fill) return true;
    return false;
}

}  // namespace

TEST(ChartKindRules, ALoneBarSeriesInACombinationChartKeepsItsSeriesColourInPlotAndLegend) {
    const ChartSpace chart = kindChart(
        barGroup("<c:varyColors val=\"1\"/>", series(0, "Sales", {3, 5, 4})) +
        "<c:lineChart><c:grouping val=\"standard\"/><c:varyColors val=\"1\"/>" + series(1, "Trend", {2, 4, 6}) +
        "<c:marker val=\"1\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>" + kAxes);
    const ChartScene scene = sceneOf(chart);
    // Two series in all: the legend lists them, not the bar group's categories.
    EXPECT_EQ(scene.texts(E::LegendEntry), (QStringList{"Sales", "Trend"}));
    const auto bars = scene.find(E::DataPoint, 0);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(fillOf(bars[0]), fillOf(bars[1]));
    EXPECT_EQ(fillOf(bars[1]), fillOf(bars[2]));
    // The bar entry's key is coloured as its bars.
    const auto key = scene.find(E::LegendKey, 0);
    ASSERT_FALSE(key.empty());
    EXPECT_EQ(fillOf(key[0]), fillOf(bars[0]));
}

TEST(ChartKindRules, TheOnlySeriesOfAChartVariesByPointWithALegendEntryPerCategory) {
    // varyColors left out means on (outside files of the 2007 applications), as it does for the
    // bars' colours: the legend must follow them.
    for (const QByteArray& vary : {QByteArray("<c:varyColors val=\"1\"/>"), QByteArray()}) {
        SCOPED_TRACE(vary.toStdString());
        const ChartScene scene = sceneOf(kindChart(barGroup(vary, series(0, "Sales", {3, 5, 4})) + kAxes));
        EXPECT_EQ(scene.texts(E::LegendEntry), (QStringList{"Jan", "Feb", "Mar"}));
        const auto bars = scene.find(E::DataPoint, 0);
        ASSERT_EQ(bars.size(), 3u);
        EXPECT_NE(fillOf(bars[0]), fillOf(bars[1]));
        for (int i = 0; i < 3; ++i) {
            const auto key = scene.find(E::LegendKey, i);
            ASSERT_FALSE(key.empty());
            EXPECT_EQ(fillOf(key[0]), fillOf(bars[size_t(i)])) << "entry " << i;
        }
    }
    // Turned off, the series keeps one colour and the legend names it.
    const ChartScene off = sceneOf(kindChart(barGroup("<c:varyColors val=\"0\"/>", series(0, "Sales", {3, 5, 4})) + kAxes));
    EXPECT_EQ(off.texts(E::LegendEntry), QStringList{"Sales"});
}

TEST(ChartKindRules, ScatterStylesDrawTheLegendKeyAsThePlot) {
    struct Case {
        const char* style;
        bool line;
        bool markers;
    };
    for (const Case& c : {Case{"lineMarker", true, true}, Case{"marker", false, true}, Case{"line", true, false},
                          Case{"smooth", true, false}, Case{"none", false, true}}) {
        SCOPED_TRACE(c.style);
        const QByteArray ser = "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/><c:tx><c:v>Points</c:v></c:tx><c:xVal>" +
                               literal({1, 2, 3}) + "</c:xVal><c:yVal>" + literal({4, 1, 3}) + "</c:yVal></c:ser>";
        const ChartScene scene = sceneOf(kindChart(
            "<c:scatterChart><c:scatterStyle val=\"" + QByteArray(c.style) + "\"/><c:varyColors val=\"0\"/>" + ser +
            "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:scatterChart>"
            "<c:valAx><c:axId val=\"1\"/><c:scaling/><c:axPos val=\"b\"/><c:crossAx val=\"2\"/></c:valAx>"
            "<c:valAx><c:axId val=\"2\"/><c:scaling/><c:axPos val=\"l\"/><c:crossAx val=\"1\"/></c:valAx>"));
        EXPECT_EQ(scene.count(E::SeriesLine, 0) > 0, c.line);
        EXPECT_EQ(scene.count(E::Marker, 0) > 0, c.markers);
        EXPECT_EQ(keyHasLine(scene, 0), c.line);
        EXPECT_EQ(keyHasMarker(scene, 0), c.markers);
    }
}

TEST(ChartKindRules, AFilledRadarsKeyIsASquareAndAMarkerRadarsALine) {
    const auto radar = [](const char* style) {
        return sceneOf(kindChart("<c:radarChart><c:radarStyle val=\"" + QByteArray(style) + "\"/><c:varyColors val=\"0\"/>" +
                                 series(0, "A", {3, 5, 4}) + series(1, "B", {2, 1, 3}) +
                                 "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:radarChart>" + kAxes));
    };
    const ChartScene filled = radar("filled");
    const auto square = filled.find(E::LegendKey, 0);
    ASSERT_EQ(square.size(), 1u);
    EXPECT_NEAR(square[0]->path.boundingRect().width(), square[0]->path.boundingRect().height(), 0.01);
    const ChartScene marked = radar("marker");
    EXPECT_TRUE(keyHasLine(marked, 0));
    EXPECT_TRUE(keyHasMarker(marked, 0));
}

TEST(ChartKindRules, EveryKindReadsFromItsElementAndNamesItselfAsTheSuitesDo) {
    const std::pair<const char*, const char*> named[] = {
        {"<c:bar3DChart><c:barDir val=\"bar\"/>", "3-D Bar"}, {"<c:barChart><c:barDir val=\"col\"/>", "Column"},
        {"<c:ofPieChart>", "Pie"}, {"<c:surface3DChart>", "3-D Surface"}, {"<c:doughnutChart>", "Doughnut"}};
    for (const auto& [open, name] : named) {
        QByteArray element = QByteArray(open).mid(3);
        element = element.left(element.indexOf('>'));
        const ChartSpace chart = kindChart(QByteArray(open) + "</c:" + element + ">");
        ASSERT_EQ(chart.chart.plotArea.groups.size(), 1u) << open;
        EXPECT_EQ(chart.chart.plotArea.groups[0].kindName(), QString::fromLatin1(name));
    }
    EXPECT_EQ(chartKindOfElement("funnelChart"), nullptr);
}
