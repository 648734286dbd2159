// Where the data labels of pies and doughnuts go: inside a slice they fit, outside one they do
// not, never over one another nor out of the chart, with leader lines from a slice to a label
// moved away from it.

#include <gtest/gtest.h>

#include <QLineF>

#include "engine/chartdraw/ChartRenderer.h"

using namespace engine::chart;
using E = SceneTag::Element;

namespace {

const std::vector<const char*> kNames = {"Rent", "Food", "Travel", "Books", "Gifts", "Misc", "Tax"};
// Two big slices and five thin ones between them, whose labels cannot fit inside.
const std::vector<double> kCrowded = {120000, 20000, 3000, 2500, 2000, 1500, 140000};

QByteArray pointsOf(const std::vector<double>& values) {
    QByteArray cat =
        "<c:cat><c:strLit><c:ptCount val=\"" + QByteArray::number(int(values.size())) + "\"/>";
    QByteArray val =
        "<c:val><c:numLit><c:ptCount val=\"" + QByteArray::number(int(values.size())) + "\"/>";
    for (size_t i = 0; i < values.size(); ++i) {
        const QByteArray idx = "<c:pt idx=\"" + QByteArray::number(int(i)) + "\"><c:v>";
        cat += idx + kNames[i % kNames.size()] + "</c:v></c:pt>";
        val += idx + QByteArray::number(values[i]) + "</c:v></c:pt>";
    }
    return cat + "</c:strLit></c:cat>" + val + "</c:numLit></c:val>";
}

// A pie (or doughnut) of one series whose labels show category and percentage at `position`
// (none: the kind's default), with `leader` (c:showLeaderLines, c:leaderLines) after them;
// without labels when `labelled` is false.
ChartSpace pieChart(const std::vector<double>& values, const QByteArray& position,
                    const QByteArray& leader, bool doughnut = false, bool labelled = true) {
    const QByteArray kind = doughnut ? "doughnutChart" : "pieChart";
    const QByteArray labels =
        !labelled
            ? QByteArray()
            : "<c:dLbls>" +
                  (position.isEmpty() ? QByteArray() : "<c:dLblPos val=\"" + position + "\"/>") +
                  "<c:showLegendKey val=\"0\"/><c:showVal val=\"0\"/><c:showCatName "
                  "val=\"1\"/><c:showSerName val=\"0\"/>"
                  "<c:showPercent val=\"1\"/><c:showBubbleSize val=\"0\"/>" +
                  leader + "</c:dLbls>";
    return readChartSpace(
        "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><c:chart>"
        "<c:autoTitleDeleted val=\"1\"/><c:plotArea><c:" +
            kind +
            "><c:varyColors val=\"1\"/>"
            "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>" +
            labels + pointsOf(values) + "</c:ser>" + (doughnut ? "<c:holeSize val=\"50\"/>" : "") +
            "</c:" + kind +
            "></c:plotArea>"
            "<c:legend><c:legendPos val=\"r\"/></c:legend></c:chart></c:chartSpace>",
        "pies.xlsx", "/xl/charts/chart1.xml");
}

const QByteArray kLeaders = "<c:showLeaderLines val=\"1\"/>";

const QSizeF kSize(400, 240);

ChartScene sceneOf(const ChartSpace& chart) {
    RenderContext context;
    return buildChartScene(chart, context, kSize);
}

// The text box of point i's label (the union of its lines), empty when it has none.
QRectF labelBox(const ChartScene& scene, int point) {
    QRectF box;
    for (const ScenePrimitive* p : scene.find(E::DataLabel, 0, point))
        if (p->kind == ScenePrimitive::Kind::Text) box = box.united(QRectF(p->position, p->box));
    return box;
}

struct Circle {
    QPointF center;
    double radius = 0;
};

// The pie's circle: the bounds of all its slices (none is exploded here).
Circle pieOf(const ChartScene& scene) {
    QRectF all;
    for (const ScenePrimitive* p : scene.find(E::DataPoint))
        all = all.united(p->path.boundingRect());
    return {all.center(), all.width() / 2};
}

double distance(QPointF a, QPointF b) { return QLineF(a, b).length(); }

// Whether a point lies on the edge of a box (within a hair).
bool onEdge(QPointF p, const QRectF& box) {
    const QRectF grown = box.adjusted(-0.01, -0.01, 0.01, 0.01);
    const QRectF shrunk = box.adjusted(0.01, 0.01, -0.01, -0.01);
    return grown.contains(p) && !shrunk.contains(p);
}

void expectApartAndInside(const ChartScene& scene, int points) {
    const QRectF frame(QPointF(0, 0), kSize);
    for (int i = 0; i < points; ++i) {
        const QRectF a = labelBox(scene, i);
        ASSERT_FALSE(a.isEmpty()) << "point " << i;
        EXPECT_TRUE(frame.contains(a)) << "point " << i << " leaves the chart";
        for (int j = i + 1; j < points; ++j)
            EXPECT_FALSE(a.intersects(labelBox(scene, j)))
                << "labels " << i << " and " << j << " overlap";
    }
}

TEST(PieLabels, BestFitPutsBigSlicesInsideAndThinOnesOutsideApartWithLeaderLines) {
    const ChartScene scene = sceneOf(pieChart(kCrowded, "bestFit", kLeaders));
    expectApartAndInside(scene, int(kCrowded.size()));
    const Circle pie = pieOf(scene);
    // Rent and Tax take nearly all the pie: their labels fit inside.
    for (int big : {0, 6})
        EXPECT_LT(distance(labelBox(scene, big).center(), pie.center), pie.radius) << big;
    // The thin slices' labels stand outside the circle, none over the pie.
    for (int thin = 1; thin <= 5; ++thin) {
        const QRectF box = labelBox(scene, thin);
        const QPointF nearest(std::clamp(pie.center.x(), box.left(), box.right()),
                              std::clamp(pie.center.y(), box.top(), box.bottom()));
        EXPECT_GT(distance(nearest, pie.center), pie.radius) << "point " << thin;
    }
    // Five labels beside one bottom edge cannot all stand by their slices: those moved away
    // are joined to them, from the arc of their own slice to the edge of their own box.
    EXPECT_GE(scene.count(E::LeaderLine), 2);
    EXPECT_TRUE(scene.find(E::LeaderLine, 0, 0).empty());
    for (const ScenePrimitive* line : scene.find(E::LeaderLine)) {
        const QPointF from = line->path.elementAt(0),
                      to = line->path.elementAt(line->path.elementCount() - 1);
        EXPECT_NEAR(distance(from, pie.center), pie.radius, 0.5) << "point " << line->tag.point;
        EXPECT_TRUE(onEdge(to, labelBox(scene, line->tag.point))) << "point " << line->tag.point;
        // It runs between the other labels, not through them.
        for (int other = 0; other < int(kCrowded.size()); ++other) {
            if (other == line->tag.point) continue;
            const QRectF box = labelBox(scene, other).adjusted(0.5, 0.5, -0.5, -0.5);
            for (int k = 0; k <= 50; ++k)
                EXPECT_FALSE(box.contains(from + (to - from) * (k / 50.0)))
                    << "the line of point " << line->tag.point << " crosses label " << other;
        }
        ASSERT_TRUE(line->stroke);
    }
}

TEST(PieLabels, LeaderLinesOnlyWhenTheLabelsShowThem) {
    const ChartScene without =
        sceneOf(pieChart(kCrowded, "bestFit", "<c:showLeaderLines val=\"0\"/>"));
    EXPECT_EQ(without.count(E::LeaderLine), 0);
    expectApartAndInside(without, int(kCrowded.size()));
    // Their own line properties draw them.
    const ChartScene red =
        sceneOf(pieChart(kCrowded, "bestFit",
                         kLeaders + "<c:leaderLines>"
                                    "<c:spPr><a:ln w=\"25400\"><a:solidFill><a:srgbClr "
                                    "val=\"FF0000\"/></a:solidFill></a:ln></c:spPr>"
                                    "</c:leaderLines>"));
    const auto lines = red.find(E::LeaderLine);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front()->stroke->color, QColor(255, 0, 0));
    EXPECT_DOUBLE_EQ(lines.front()->stroke->width, 2);
    // Or those of the Office 2013 extension, where the file keeps them there.
    const ChartSpace extended =
        pieChart(kCrowded, "bestFit",
                 "<c:extLst><c:ext uri=\"{CE6537A1-D6FC-4f65-9D91-7224C49458BB}\" "
                 "xmlns:c15=\"http://schemas.microsoft.com/office/drawing/2012/"
                 "chart\"><c15:showLeaderLines val=\"1\"/>"
                 "<c15:leaderLines><c:spPr><a:ln w=\"12700\"><a:solidFill><a:srgbClr "
                 "val=\"0000FF\"/></a:solidFill></a:ln></c:spPr>"
                 "</c15:leaderLines></c:ext></c:extLst>");
    const auto blue = sceneOf(extended).find(E::LeaderLine);
    ASSERT_FALSE(blue.empty());
    EXPECT_EQ(blue.front()->stroke->color, QColor(0, 0, 255));
    EXPECT_DOUBLE_EQ(blue.front()->stroke->width, 1);
}

TEST(PieLabels, LabelsThatFitStayInsideWithoutLeaderLines) {
    const std::vector<double> quarters = {21, 30, 15, 35};
    const ChartScene scene = sceneOf(pieChart(quarters, "bestFit", kLeaders));
    const ChartScene bare = sceneOf(pieChart(quarters, {}, {}, false, false));
    const Circle pie = pieOf(scene);
    // The pie keeps the size it has without labels.
    EXPECT_NEAR(pie.radius, pieOf(bare).radius, 0.01);
    for (int i = 0; i < 4; ++i)
        EXPECT_LT(distance(labelBox(scene, i).center(), pie.center), pie.radius * 0.8) << i;
    EXPECT_EQ(scene.count(E::LeaderLine), 0);
}

TEST(PieLabels, OutsideEndShrinksThePieSoLongLabelsStayInTheChart) {
    std::vector<double> values = kCrowded;
    const ChartScene scene = sceneOf(pieChart(values, "outEnd", kLeaders));
    expectApartAndInside(scene, int(values.size()));
    const Circle pie = pieOf(scene);
    for (int i = 0; i < int(values.size()); ++i)
        EXPECT_GT(distance(labelBox(scene, i).center(), pie.center), pie.radius) << i;
    EXPECT_LT(pie.radius, pieOf(sceneOf(pieChart(values, {}, {}, false, false))).radius);
    // No label lies over the legend.
    QRectF legend;
    for (const ScenePrimitive* p : scene.find(E::LegendEntry)) legend = legend.united(p->bounds());
    ASSERT_FALSE(legend.isEmpty());
    for (int i = 0; i < int(values.size()); ++i)
        EXPECT_FALSE(labelBox(scene, i).intersects(legend)) << i;
}

TEST(PieLabels, ManyThinSlicesStillGetLabelsApart) {
    // Twenty slivers after one big slice: more labels than one side's height holds beside the
    // pie at its full size.
    std::vector<double> values = {400};
    for (int i = 0; i < 20; ++i) values.push_back(1 + i % 3);
    const ChartScene scene = sceneOf(pieChart(values, "bestFit", kLeaders));
    for (int i = 0; i < int(values.size()); ++i)
        for (int j = i + 1; j < int(values.size()); ++j)
            EXPECT_FALSE(labelBox(scene, i).intersects(labelBox(scene, j))) << i << " and " << j;
}

TEST(PieLabels, CrowdedDoughnutLabelsLeaveTheRingAndTheRestStayCentred) {
    const ChartScene scene = sceneOf(pieChart(kCrowded, {}, kLeaders, true));
    expectApartAndInside(scene, int(kCrowded.size()));
    const Circle ring = pieOf(scene);
    // Rent and Tax centred in the ring, between hole and edge.
    for (int big : {0, 6}) {
        const double d = distance(labelBox(scene, big).center(), ring.center);
        EXPECT_GT(d, ring.radius * 0.5);
        EXPECT_LT(d, ring.radius);
    }
    EXPECT_GT(distance(labelBox(scene, 3).center(), ring.center), ring.radius);
    // Labels of a doughnut whose slices all hold them stay centred, as the application draws them.
    const ChartScene roomy = sceneOf(pieChart({21, 30, 15, 35}, {}, kLeaders, true));
    const Circle roomyRing = pieOf(roomy);
    for (int i = 0; i < 4; ++i) {
        const double d = distance(labelBox(roomy, i).center(), roomyRing.center);
        EXPECT_NEAR(d, roomyRing.radius * 0.75, 1) << i;
    }
}

}  // namespace
