#include <gtest/gtest.h>

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

// Kinds not drawn yet, and a waterfall without values, show a named outline.
TEST(ChartexScene, OtherKindsShowTheirNameInAnOutline) {
    const ChartexChart treemap = chartexOf(
        values({1, 2}), "<cx:series layoutId=\"treemap\"><cx:dataId val=\"0\"/></cx:series>");
    const ChartScene scene = engine::chartexScene(treemap, QSizeF(360, 216));
    EXPECT_EQ(scene.texts(SceneTag::Element::Note), QStringList{QStringLiteral("Treemap chart")});
    EXPECT_EQ(scene.count(SceneTag::Element::DataPoint), 0);
    const ChartexChart empty =
        chartexOf("", "<cx:series layoutId=\"waterfall\"><cx:dataId val=\"0\"/></cx:series>");
    EXPECT_EQ(engine::chartexScene(empty, QSizeF(360, 216)).texts(SceneTag::Element::Note),
              QStringList{QStringLiteral("Waterfall chart")});
}
