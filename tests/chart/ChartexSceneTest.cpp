#include <gtest/gtest.h>

#include <QLocale>
#include <QPainterPath>
#include <cmath>
#include <map>
#include <tuple>

#include "engine/chartmodel/ChartexPart.h"
#include "engine/chartdraw/ChartexScene.h"

using engine::ChartexChart;
using engine::chart::ChartScene;
using engine::chart::SceneTag;

namespace {

ChartexChart chartexOf(const QByteArray& data, const QByteArray& series) {
    return engine::readChartex(
        "<cx:chartSpace "
        "xmlns:cx=\"http://schemas.microsoft.com/office/drawing/2014/chartex\"><cx:chartData>"
        "<cx:data id=\"0\">" +
            data +
            "</cx:data></cx:chartData><cx:chart><cx:title><cx:tx><cx:txData><cx:v>T</cx:v>"
            "</cx:txData></cx:tx></cx:title><cx:plotArea><cx:plotAreaRegion>" +
            series + "</cx:plotAreaRegion></cx:plotArea></cx:chart></cx:chartSpace>",
        QStringLiteral("book.xlsx"), QStringLiteral("/xl/charts/chartEx1.xml"));
}

QByteArray values(const QList<double>& numbers) {
    QByteArray out =
        "<cx:numDim type=\"val\"><cx:lvl ptCount=\"" + QByteArray::number(numbers.size()) + "\">";
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        out += "<cx:pt idx=\"" + QByteArray::number(i) + "\">" + QByteArray::number(numbers[i]) +
               "</cx:pt>";
    }
    return out + "</cx:lvl></cx:numDim>";
}

}  // namespace

// A waterfall's columns float on one running total, a total stands on the axis, and each
// column's end is joined to the next column at that level.
TEST(ChartexScene, WaterfallColumnsRunFromOneTotalToTheNext) {
    const ChartexChart chart = chartexOf(
        values({100, 40, -15, 125}),
        "<cx:series layoutId=\"waterfall\"><cx:dataId val=\"0\"/><cx:layoutPr><cx:subtotals>"
        "<cx:idx val=\"3\"/></cx:subtotals></cx:layoutPr></cx:series>");
    const ChartScene scene = engine::chartexScene(chart, QSizeF(360, 216));
    const auto columns = scene.find(SceneTag::Element::DataPoint, 0);
    ASSERT_EQ(columns.size(), 4u);
    const QRectF first = columns[0]->path.boundingRect();
    const QRectF rise = columns[1]->path.boundingRect();
    const QRectF fall = columns[2]->path.boundingRect();
    const QRectF total = columns[3]->path.boundingRect();
    // 100 then +40 from 100 to 140, then -15 from 140 to 125; the total 125 from the axis.
    EXPECT_NEAR(rise.bottom(), first.top(), 1e-6);
    EXPECT_NEAR(fall.top(), rise.top(), 1e-6);
    EXPECT_NEAR(total.bottom(), first.bottom(), 1e-6);
    EXPECT_NEAR(total.top(), fall.bottom(), 1e-6);
    EXPECT_NEAR(first.height() / 100, rise.height() / 40, 1e-6);
    // Increases, decreases and totals each in their colour.
    EXPECT_EQ(columns[0]->fill->color, columns[1]->fill->color);
    EXPECT_NE(columns[2]->fill->color, columns[1]->fill->color);
    EXPECT_NE(columns[3]->fill->color, columns[1]->fill->color);
    EXPECT_NE(columns[3]->fill->color, columns[2]->fill->color);
    const auto connectors = scene.find(SceneTag::Element::SeriesConnector, 0);
    ASSERT_EQ(connectors.size(), 3u);
    EXPECT_NEAR(connectors[1]->path.boundingRect().top(), rise.top(), 1e-6);
    EXPECT_EQ(scene.texts(SceneTag::Element::DataLabel).size(), 4);
    EXPECT_EQ(scene.texts(SceneTag::Element::Title), QStringList{QStringLiteral("T")});
}

// A funnel's bars are centred on one line and as wide as their values.
TEST(ChartexScene, FunnelBarsAreCentredAndAsWideAsTheirValues) {
    const ChartexChart chart = chartexOf(
        "<cx:strDim type=\"cat\"><cx:lvl ptCount=\"3\"><cx:pt idx=\"0\">Visitors</cx:pt><cx:pt "
        "idx=\"1\">Leads</cx:pt>"
        "<cx:pt idx=\"2\">Orders</cx:pt></cx:lvl></cx:strDim>" +
            values({1000, 600, 120}),
        "<cx:series layoutId=\"funnel\"><cx:dataId val=\"0\"/></cx:series>");
    const ChartScene scene = engine::chartexScene(chart, QSizeF(360, 216));
    const auto bars = scene.find(SceneTag::Element::DataPoint, 0);
    ASSERT_EQ(bars.size(), 3u);
    for (const auto* bar : bars)
        EXPECT_NEAR(bar->path.boundingRect().center().x(),
                    bars[0]->path.boundingRect().center().x(), 1e-6);
    EXPECT_NEAR(bars[1]->path.boundingRect().width() / bars[0]->path.boundingRect().width(), 0.6,
                1e-6);
    EXPECT_NEAR(bars[2]->path.boundingRect().width() / bars[0]->path.boundingRect().width(), 0.12,
                1e-6);
    EXPECT_LT(bars[0]->path.boundingRect().top(), bars[1]->path.boundingRect().top());
    EXPECT_EQ(scene.texts(SceneTag::Element::AxisLabel),
              (QStringList{QStringLiteral("Visitors"), QStringLiteral("Leads"),
                           QStringLiteral("Orders")}));
}

// Region maps, and a kind without the data it needs, show a named outline.
TEST(ChartexScene, RegionMapsAndChartsWithoutDataShowTheirNameInAnOutline) {
    const ChartexChart map = chartexOf(
        values({1, 2}), "<cx:series layoutId=\"regionMap\"><cx:dataId val=\"0\"/></cx:series>");
    const ChartScene scene = engine::chartexScene(map, QSizeF(360, 216));
    EXPECT_EQ(scene.texts(SceneTag::Element::Note),
              QStringList{QStringLiteral("Filled Map chart")});
    EXPECT_EQ(scene.count(SceneTag::Element::DataPoint), 0);
    for (const char* layout :
         {"waterfall", "clusteredColumn", "boxWhisker", "treemap", "sunburst"}) {
        const ChartexChart empty = chartexOf("", QByteArray("<cx:series layoutId=\"") + layout +
                                                     "\"><cx:dataId val=\"0\"/></cx:series>");
        const ChartScene outline = engine::chartexScene(empty, QSizeF(360, 216));
        EXPECT_EQ(outline.texts(SceneTag::Element::Note),
                  QStringList{empty.kindName() + QStringLiteral(" chart")})
            << layout;
        // Nothing of a half-drawn plot stays beneath the outline.
        EXPECT_EQ(outline.count(SceneTag::Element::MajorGridline), 0) << layout;
    }
}

namespace {

QByteArray categories(const QList<QByteArray>& names) {
    QByteArray out =
        "<cx:strDim type=\"cat\"><cx:lvl ptCount=\"" + QByteArray::number(names.size()) + "\">";
    for (qsizetype i = 0; i < names.size(); ++i)
        out += "<cx:pt idx=\"" + QByteArray::number(i) + "\">" + names[i] + "</cx:pt>";
    return out + "</cx:lvl></cx:strDim>";
}

QRectF boundsOf(const engine::chart::ScenePrimitive* item) { return item->path.boundingRect(); }

// The sample the generated workbooks hold (tools/make_test_workbooks.py SAMPLES).
const QList<double> kSamples{12, 15, 17, 19, 21, 22, 22, 24, 25, 27,
                             28, 30, 31, 33, 35, 38, 41, 45, 52, 75};

}  // namespace

// A histogram draws one column per bin, as tall as its count, with the bins' ranges below.
TEST(ChartexScene, HistogramColumnsCountTheValuesOfTheirBins) {
    const ChartexChart chart = chartexOf(
        values({1, 2, 2, 3, 3, 3, 4, 9}),
        "<cx:series layoutId=\"clusteredColumn\"><cx:dataId val=\"0\"/><cx:layoutPr><cx:binning "
        "intervalClosed=\"r\" overflow=\"4\"><cx:binSize "
        "val=\"1\"/></cx:binning></cx:layoutPr></cx:series>");
    const ChartScene scene = engine::chartexScene(chart, QSizeF(360, 216));
    const auto columns = scene.find(SceneTag::Element::DataPoint, 0);
    // [1, 2] (1, 2, 2), (2, 3] (3, 3, 3), (3, 4] (4), >4 (9).
    ASSERT_EQ(columns.size(), 4u);
    const double unit = boundsOf(columns[2]).height();
    EXPECT_NEAR(boundsOf(columns[0]).height(), 3 * unit, 1e-6);
    EXPECT_NEAR(boundsOf(columns[1]).height(), 3 * unit, 1e-6);
    EXPECT_NEAR(boundsOf(columns[3]).height(), unit, 1e-6);
    EXPECT_NEAR(boundsOf(columns[0]).bottom(), boundsOf(columns[3]).bottom(), 1e-6);
    EXPECT_EQ(scene.texts(SceneTag::Element::AxisLabel, 0),
              (QStringList{QStringLiteral("[1, 2]"), QStringLiteral("(2, 3]"),
                           QStringLiteral("(3, 4]"), QStringLiteral(">4")}));
}

// A pareto sorts its columns from the largest down and draws the running share as a line on
// the second axis, ending at 100 % at the top of the plot.
TEST(ChartexScene, ParetoSortsColumnsAndClimbsToTheWhole) {
    const ChartexChart chart =
        chartexOf(categories({"a", "b", "c", "b"}) + values({10, 30, 20, 20}),
                  "<cx:series layoutId=\"clusteredColumn\"><cx:dataId "
                  "val=\"0\"/><cx:layoutPr><cx:aggregation/>"
                  "</cx:layoutPr></cx:series><cx:series layoutId=\"paretoLine\" ownerIdx=\"0\"/>");
    EXPECT_EQ(chart.kindName(), QStringLiteral("Pareto"));
    const ChartScene scene = engine::chartexScene(chart, QSizeF(360, 216));
    // b sums to 50, then c 20, then a 10.
    EXPECT_EQ(scene.texts(SceneTag::Element::AxisLabel, 0),
              (QStringList{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")}));
    const auto columns = scene.find(SceneTag::Element::DataPoint, 0);
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_NEAR(boundsOf(columns[0]).height() / boundsOf(columns[2]).height(), 5, 1e-6);
    const auto lines = scene.find(SceneTag::Element::SeriesLine, 1);
    ASSERT_EQ(lines.size(), 1u);
    const QPainterPath& line = lines[0]->path;
    ASSERT_EQ(line.elementCount(), 3);
    const auto grid = scene.find(SceneTag::Element::MajorGridline);
    const double plotTop = boundsOf(grid.back()).top();
    const double plotBottom = boundsOf(grid.front()).top();
    EXPECT_NEAR(line.elementAt(2).y, plotTop, 1e-6);
    EXPECT_NEAR((plotBottom - line.elementAt(0).y) / (plotBottom - plotTop), 50.0 / 80, 1e-6);
    EXPECT_NEAR((plotBottom - line.elementAt(1).y) / (plotBottom - plotTop), 70.0 / 80, 1e-6);
    const QStringList percents = scene.texts(SceneTag::Element::AxisLabel, 2);
    ASSERT_FALSE(percents.isEmpty());
    EXPECT_EQ(percents.back(), QLocale().toString(100) + QLocale().percent());
}

// A box spans the quartiles with the median across it; whiskers reach the furthest values
// within one and a half box lengths; what lies beyond is drawn as a point of its own.
TEST(ChartexScene, BoxSpansTheQuartilesWithWhiskersAndOutliers) {
    const QByteArray series =
        "<cx:series layoutId=\"boxWhisker\"><cx:dataId val=\"0\"/><cx:layoutPr>"
        "<cx:statistics quartileMethod=\"%1\"/></cx:layoutPr></cx:series>";
    const auto ratios = [&](const char* method) {
        const ChartexChart chart =
            chartexOf(values(kSamples), QByteArray(series).replace("%1", method));
        const ChartScene scene = engine::chartexScene(chart, QSizeF(360, 216));
        const auto boxes = scene.find(SceneTag::Element::DataPoint, 0);
        EXPECT_EQ(boxes.size(), 1u);
        EXPECT_EQ(scene.count(SceneTag::Element::Marker, 0), 1);  // 75
        EXPECT_EQ(scene.count(SceneTag::Element::MeanMarker, 0), 1);
        const QRectF box = boundsOf(boxes[0]);
        const double median = boundsOf(scene.find(SceneTag::Element::Median, 0)[0]).top();
        const QRectF whiskers = boundsOf(scene.find(SceneTag::Element::Whisker, 0)[0]);
        return std::make_tuple(box, median, whiskers);
    };
    {
        // Exclusive: quartiles 21.25 and 37.25, median 27.5, whiskers 12 and 52.
        const auto [box, median, whiskers] = ratios("exclusive");
        const double unit = box.height() / 16;
        EXPECT_NEAR((median - box.top()) / unit, 37.25 - 27.5, 1e-6);
        EXPECT_NEAR((box.top() - whiskers.top()) / unit, 52 - 37.25, 1e-6);
        EXPECT_NEAR((whiskers.bottom() - box.bottom()) / unit, 21.25 - 12, 1e-6);
    }
    {
        // Inclusive: 21.75 and 35.75.
        const auto [box, median, whiskers] = ratios("inclusive");
        const double unit = box.height() / 14;
        EXPECT_NEAR((median - box.top()) / unit, 35.75 - 27.5, 1e-6);
    }
}

// Per category a box of each series side by side; the inner points and a line through the
// means when the series asks for them.
TEST(ChartexScene, BoxesPerCategoryWithInnerPointsAndMeanLine) {
    const ChartexChart chart =
        chartexOf(categories({"x", "y", "x", "y", "x", "y"}) + values({1, 10, 2, 11, 3, 12}),
                  "<cx:series layoutId=\"boxWhisker\"><cx:dataId "
                  "val=\"0\"/><cx:layoutPr><cx:visibility meanLine=\"1\" "
                  "meanMarker=\"0\" nonoutliers=\"1\" outliers=\"1\"/></cx:layoutPr></cx:series>");
    const ChartScene scene = engine::chartexScene(chart, QSizeF(360, 216));
    EXPECT_EQ(scene.texts(SceneTag::Element::AxisLabel, 0),
              (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    const auto boxes = scene.find(SceneTag::Element::DataPoint, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_LT(boundsOf(boxes[0]).right(), boundsOf(boxes[1]).left());
    EXPECT_GT(boundsOf(boxes[0]).top(), boundsOf(boxes[1]).bottom());
    EXPECT_EQ(scene.count(SceneTag::Element::Marker, 0), 6);
    EXPECT_EQ(scene.count(SceneTag::Element::MeanMarker), 0);
    const auto meanLine = scene.find(SceneTag::Element::MeanLine, 0);
    ASSERT_EQ(meanLine.size(), 1u);
    EXPECT_NEAR(meanLine[0]->path.elementAt(0).y,
                boundsOf(scene.find(SceneTag::Element::Median, 0, 0)[0]).top(), 1e-6);
}

namespace {

// Two regions of three and one countries (tools/make_test_workbooks.py TREE, in part), each
// region 100 in all.
QByteArray treeData() {
    return "<cx:strDim type=\"cat\"><cx:lvl ptCount=\"4\"><cx:pt idx=\"0\">France</cx:pt><cx:pt "
           "idx=\"1\">Germany</cx:pt><cx:pt idx=\"2\">Italy</cx:pt><cx:pt "
           "idx=\"3\">Japan</cx:pt></cx:lvl>"
           "<cx:lvl ptCount=\"4\"><cx:pt idx=\"0\">Europe</cx:pt><cx:pt "
           "idx=\"1\">Europe</cx:pt><cx:pt "
           "idx=\"2\">Europe</cx:pt><cx:pt idx=\"3\">Asia</cx:pt></cx:lvl></cx:strDim>"
           "<cx:numDim type=\"size\"><cx:lvl ptCount=\"4\"><cx:pt idx=\"0\">30</cx:pt><cx:pt "
           "idx=\"1\">45</cx:pt>"
           "<cx:pt idx=\"2\">25</cx:pt><cx:pt idx=\"3\">100</cx:pt></cx:lvl></cx:numDim>";
}

}  // namespace

// A treemap's leaves divide the plot in proportion to their sizes, a parent's leaves together
// and in its branch's colour; banners hold the parents' names above their leaves.
TEST(ChartexScene, TreemapAreasFollowSizesAndParentsHoldTheirLeaves) {
    for (const char* parents : {"overlapping", "banner"}) {
        const ChartexChart chart = chartexOf(
            treeData(),
            QByteArray("<cx:series layoutId=\"treemap\"><cx:dataId val=\"0\"/><cx:layoutPr>"
                       "<cx:parentLabelLayout val=\"") +
                parents + "\"/></cx:layoutPr></cx:series>");
        const ChartScene scene = engine::chartexScene(chart, QSizeF(360, 216));
        const auto leaves = scene.find(SceneTag::Element::DataPoint, 0);
        ASSERT_EQ(leaves.size(), 4u) << parents;
        std::map<int, QRectF> byPoint;
        for (const auto* leaf : leaves) byPoint[leaf->tag.point] = boundsOf(leaf);
        const auto area = [](const QRectF& r) { return r.width() * r.height(); };
        // Asia holds half the whole, in a colour of its own.
        const double europe = area(byPoint[0].united(byPoint[1]).united(byPoint[2]));
        if (QLatin1String(parents) == QLatin1String("overlapping")) {
            EXPECT_NEAR(area(byPoint[3]) / europe, 1.0, 1e-6);
            EXPECT_NEAR(area(byPoint[1]) / area(byPoint[0]), 1.5, 1e-6);
            // Largest first; Asia ties with Europe and comes after it, as in the data.
            EXPECT_EQ(scene.texts(SceneTag::Element::ParentLabel),
                      (QStringList{QStringLiteral("Europe"), QStringLiteral("Asia")}));
        } else {
            const auto banners = scene.find(SceneTag::Element::ParentLabel);
            ASSERT_FALSE(banners.empty());
            EXPECT_EQ(banners[0]->kind, engine::chart::ScenePrimitive::Kind::Path);
            // The banner lies above its leaves, as wide as they are together.
            const QRectF banner = boundsOf(banners[0]);
            EXPECT_NEAR(banner.width(), byPoint[0].united(byPoint[1]).united(byPoint[2]).width(),
                        1e-6);
            EXPECT_LE(banner.bottom(),
                      std::min({byPoint[0].top(), byPoint[1].top(), byPoint[2].top()}) + 1e-6);
        }
        EXPECT_EQ(leaves[0]->fill->color,
                  scene.find(SceneTag::Element::DataPoint, 0, 1)[0]->fill->color);
        EXPECT_NE(scene.find(SceneTag::Element::DataPoint, 0, 3)[0]->fill->color,
                  scene.find(SceneTag::Element::DataPoint, 0, 0)[0]->fill->color);
    }
}

// A sunburst draws one ring per level, the top level innermost, each node's angle its share of
// its parent's from twelve o'clock clockwise, the largest first.
TEST(ChartexScene, SunburstRingsShareTheirParentsAngles) {
    const ChartexChart chart = chartexOf(
        treeData(), "<cx:series layoutId=\"sunburst\"><cx:dataId val=\"0\"/></cx:series>");
    const ChartScene scene = engine::chartexScene(chart, QSizeF(360, 360));
    const auto inner = scene.find(SceneTag::Element::DataPoint, 0);
    const auto outer = scene.find(SceneTag::Element::DataPoint, 1);
    ASSERT_EQ(inner.size(), 2u);  // Europe, Asia
    ASSERT_EQ(outer.size(), 4u);
    // Both levels go round.
    const QRectF innerRing = boundsOf(inner[0]).united(boundsOf(inner[1]));
    QRectF outerRing;
    for (const auto* segment : outer) outerRing = outerRing.united(boundsOf(segment));
    const QPointF centre = innerRing.center();
    const double ringWidth = innerRing.top() - outerRing.top();
    ASSERT_GT(ringWidth, 0);
    const double innerMiddle = centre.y() - innerRing.top() - ringWidth / 2;
    const auto at = [&](double degrees, double radius) {
        const double a = (90 - degrees) * M_PI / 180;
        return centre + QPointF(std::cos(a) * radius, -std::sin(a) * radius);
    };
    // Europe and Asia tie at 100: Europe, first in the data, takes the right half.
    const auto* europe = inner[0]->tag.point == 0 ? inner[0] : inner[1];
    const auto* asia = inner[0]->tag.point == 0 ? inner[1] : inner[0];
    EXPECT_TRUE(europe->path.contains(at(10, innerMiddle)));
    EXPECT_TRUE(europe->path.contains(at(170, innerMiddle)));
    EXPECT_TRUE(asia->path.contains(at(190, innerMiddle)));
    EXPECT_TRUE(asia->path.contains(at(350, innerMiddle)));
    EXPECT_NE(europe->fill->color, asia->fill->color);
    // Within Europe's half: Germany 45, France 30, Italy 25, from twelve o'clock.
    const double outerMiddle = innerMiddle + ringWidth;
    const auto outerAt = [&](int point) {
        for (const auto* segment : outer)
            if (segment->tag.point == point) return segment;
        return outer[0];
    };
    EXPECT_TRUE(outerAt(1)->path.contains(at(80, outerMiddle)));  // 0 to 81 degrees
    EXPECT_FALSE(outerAt(1)->path.contains(at(82, outerMiddle)));
    EXPECT_TRUE(outerAt(0)->path.contains(at(82, outerMiddle)));   // 81 to 135
    EXPECT_TRUE(outerAt(2)->path.contains(at(136, outerMiddle)));  // 135 to 180
    EXPECT_TRUE(outerAt(3)->path.contains(at(270, outerMiddle)));  // Japan: all of Asia's half
    EXPECT_EQ(outerAt(3)->fill->color, asia->fill->color);
}
