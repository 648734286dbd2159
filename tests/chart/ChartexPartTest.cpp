#include <gtest/gtest.h>

#include "engine/chartmodel/ChartexPart.h"

using engine::ChartexChart;
using engine::DocumentError;
using engine::readChartex;

namespace {

const char* const kHead =
    "<cx:chartSpace xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:cx=\"http://schemas.microsoft.com/office/drawing/2014/chartex\">";

ChartexChart chartex(const QByteArray& body) {
    return readChartex(QByteArray(kHead) + body + "</cx:chartSpace>", QStringLiteral("book.xlsx"),
                       QStringLiteral("/xl/charts/chartEx1.xml"));
}

QByteArray plotOf(const QByteArray& series) {
    return "<cx:chart><cx:plotArea><cx:plotAreaRegion>" + series +
           "</cx:plotAreaRegion></cx:plotArea></cx:chart>";
}

}  // namespace

// The kind is named from the series' layouts; a series another derives (the pareto line) is
// not one of the chart's own.
TEST(ChartexPart, KindAndOwnSeriesFromTheLayouts) {
    const struct {
        QByteArray series;
        QString kind;
        int own;
    } cases[] = {
        {"<cx:series layoutId=\"waterfall\"/>", QStringLiteral("Waterfall"), 1},
        {"<cx:series layoutId=\"clusteredColumn\"/>", QStringLiteral("Histogram"), 1},
        {"<cx:series layoutId=\"clusteredColumn\"/><cx:series layoutId=\"paretoLine\" "
         "ownerIdx=\"0\"/>",
         QStringLiteral("Pareto"), 1},
        {"<cx:series layoutId=\"boxWhisker\"/><cx:series layoutId=\"boxWhisker\"/>",
         QStringLiteral("Box and Whisker"), 2},
        {"<cx:series layoutId=\"treemap\"/>", QStringLiteral("Treemap"), 1},
        {"<cx:series layoutId=\"sunburst\"/>", QStringLiteral("Sunburst"), 1},
        {"<cx:series layoutId=\"funnel\"/>", QStringLiteral("Funnel"), 1},
        {"<cx:series layoutId=\"regionMap\"/>", QStringLiteral("Filled Map"), 1},
        {"", QStringLiteral("Chart"), 0},
    };
    for (const auto& c : cases) {
        const ChartexChart chart = chartex(plotOf(c.series));
        EXPECT_EQ(chart.kindName(), c.kind) << c.series.constData();
        EXPECT_EQ(chart.ownSeriesCount(), c.own) << c.series.constData();
    }
}

TEST(ChartexPart, TitleAndSeriesNamesFromCachedOrRichText) {
    const ChartexChart cached = chartex(
        "<cx:chart><cx:title><cx:tx><cx:txData><cx:f>Data!$A$1</cx:f><cx:v>Cash\nflow</cx:v></"
        "cx:txData></cx:tx></cx:title>"
        "<cx:plotArea><cx:plotAreaRegion><cx:series "
        "layoutId=\"waterfall\"><cx:tx><cx:txData><cx:f>Data!$B$1</cx:f>"
        "<cx:v>Amount</cx:v></cx:txData></cx:tx><cx:dataId "
        "val=\"3\"/></cx:series></cx:plotAreaRegion></cx:plotArea></cx:chart>");
    EXPECT_TRUE(cached.hasTitle);
    EXPECT_EQ(cached.title, QStringLiteral("Cash flow"));
    ASSERT_EQ(cached.series.size(), 1u);
    EXPECT_EQ(cached.series[0].name, QStringLiteral("Amount"));
    EXPECT_EQ(cached.series[0].nameFormula, QStringLiteral("Data!$B$1"));
    EXPECT_EQ(cached.series[0].dataId, 3);

    const ChartexChart rich = chartex(
        "<cx:chart><cx:title><cx:tx><cx:rich><a:bodyPr/><a:p><a:r><a:t>Two</a:t></a:r><a:br/"
        "><a:r><a:t>lines</a:t></a:r></a:p>"
        "</cx:rich></cx:tx></cx:title><cx:plotArea><cx:plotAreaRegion/></cx:plotArea></cx:chart>");
    EXPECT_EQ(rich.title, QStringLiteral("Two lines"));

    // A title without text of its own is the automatic one.
    const ChartexChart automatic =
        chartex("<cx:chart><cx:title/><cx:plotArea><cx:plotAreaRegion/></cx:plotArea></cx:chart>");
    EXPECT_TRUE(automatic.hasTitle);
    EXPECT_EQ(automatic.title, QString());
}

// The data's first level is read by point index; points left out stay empty, and a point count
// no memory could hold is not allocated.
TEST(ChartexPart, DataDimensionsByPointIndex) {
    const ChartexChart chart = chartex(
        "<cx:chartData><cx:data id=\"0\">"
        "<cx:strDim type=\"cat\"><cx:f>Data!$F$2:$G$4</cx:f><cx:lvl ptCount=\"3\"><cx:pt "
        "idx=\"0\">France</cx:pt>"
        "<cx:pt idx=\"2\">Japan</cx:pt></cx:lvl><cx:lvl ptCount=\"3\"><cx:pt "
        "idx=\"0\">Europe</cx:pt></cx:lvl></cx:strDim>"
        "<cx:numDim type=\"size\"><cx:f>Data!$H$2:$H$4</cx:f><cx:lvl ptCount=\"3\" "
        "formatCode=\"0.0\">"
        "<cx:pt idx=\"0\">30</cx:pt><cx:pt idx=\"1\">x</cx:pt><cx:pt "
        "idx=\"2\">1e2</cx:pt></cx:lvl></cx:numDim>"
        "</cx:data><cx:data id=\"1\"><cx:numDim type=\"val\"><cx:lvl ptCount=\"2000000000\"><cx:pt "
        "idx=\"1\">5</cx:pt>"
        "</cx:lvl></cx:numDim></cx:data></cx:chartData>" +
        plotOf("<cx:series layoutId=\"treemap\"><cx:dataId val=\"0\"/></cx:series>"));
    ASSERT_EQ(chart.data.size(), 2u);
    const ChartexChart::Data* data = chart.dataById(0);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->dimensions.size(), 2u);
    const ChartexChart::Dimension& categories = data->dimensions[0];
    EXPECT_FALSE(categories.numeric);
    EXPECT_EQ(categories.type, QStringLiteral("cat"));
    EXPECT_EQ(categories.formula, QStringLiteral("Data!$F$2:$G$4"));
    EXPECT_EQ(categories.texts,
              (std::vector<QString>{QStringLiteral("France"), QString(), QStringLiteral("Japan")}));
    const ChartexChart::Dimension& sizes = data->dimensions[1];
    EXPECT_TRUE(sizes.numeric);
    EXPECT_EQ(sizes.formatCode, QStringLiteral("0.0"));
    ASSERT_EQ(sizes.numbers.size(), 3u);
    EXPECT_EQ(sizes.numbers[0], 30.0);
    EXPECT_FALSE(sizes.numbers[1]);
    EXPECT_EQ(sizes.numbers[2], 100.0);
    EXPECT_LE(chart.dataById(1)->dimensions[0].numbers.size(), 1'000'000u);
    EXPECT_EQ(chart.dataById(7), nullptr);
}

TEST(ChartexPart, PartsThatAreNoChartexChartAreRefusedNamingFileAndPart) {
    const auto failure = [](const QByteArray& xml) {
        try {
            readChartex(xml, QStringLiteral("book.xlsx"),
                        QStringLiteral("/xl/charts/chartEx1.xml"));
        } catch (const DocumentError& e) {
            return e.message();
        }
        return QStringLiteral("no error");
    };
    const QString classic = failure(
        "<c:chartSpace "
        "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart/></"
        "c:chartSpace>");
    EXPECT_TRUE(classic.startsWith(
        QStringLiteral("book.xlsx: xl/charts/chartEx1.xml: not a chart of the newer kinds")))
        << classic.toStdString();
    const QString noChart = failure(QByteArray(kHead) + "</cx:chartSpace>");
    EXPECT_TRUE(noChart.contains(QStringLiteral("not a chart of the newer kinds")))
        << noChart.toStdString();
    const QString malformed = failure(QByteArray(kHead) + "<cx:chart>");
    EXPECT_TRUE(malformed.startsWith(QStringLiteral("book.xlsx: xl/charts/chartEx1.xml: ")))
        << malformed.toStdString();
}

// A hierarchy keeps every level of its categories, the first (the leaves) first; its levels
// together are held to the bound of one, so that many levels of a hostile count cost no more.
TEST(ChartexPart, CategoryLevelsAreKeptWithinOneBound) {
    const ChartexChart tree = chartex(
        "<cx:chartData><cx:data id=\"0\"><cx:strDim type=\"cat\">"
        "<cx:lvl ptCount=\"2\"><cx:pt idx=\"0\">Lyon</cx:pt><cx:pt idx=\"1\">Kyoto</cx:pt></cx:lvl>"
        "<cx:lvl ptCount=\"2\"><cx:pt idx=\"0\">France</cx:pt></cx:lvl></cx:strDim></cx:data>"
        "</cx:chartData>" +
        plotOf("<cx:series layoutId=\"treemap\"><cx:dataId val=\"0\"/></cx:series>"));
    const ChartexChart::Dimension& names = tree.data[0].dimensions[0];
    ASSERT_EQ(names.levels.size(), 2u);
    EXPECT_EQ(names.texts, (std::vector<QString>{QStringLiteral("Lyon"), QStringLiteral("Kyoto")}));
    EXPECT_EQ(names.levels[1], (std::vector<QString>{QStringLiteral("France"), QString()}));

    QByteArray levels;
    for (int i = 0; i < 5; ++i) levels += "<cx:lvl ptCount=\"400000\"/>";
    const ChartexChart hostile = chartex("<cx:chartData><cx:data id=\"0\"><cx:strDim type=\"cat\">" + levels +
                                         "</cx:strDim></cx:data></cx:chartData>" + plotOf(""));
    size_t points = 0;
    for (const auto& level : hostile.data[0].dimensions[0].levels) points += level.size();
    EXPECT_LE(points, 1'000'000u);
    EXPECT_EQ(hostile.data[0].dimensions[0].levels.size(), 2u);
}

// The series' layout settings as written, and the application's defaults where none are.
TEST(ChartexPart, LayoutSettingsOfTheSeries) {
    const ChartexChart chart = chartex(plotOf(
        "<cx:series layoutId=\"clusteredColumn\"><cx:layoutPr><cx:binning intervalClosed=\"l\" "
        "underflow=\"auto\" overflow=\"9.5\"><cx:binCount val=\"7\"/></cx:binning></cx:layoutPr></cx:series>"
        "<cx:series layoutId=\"boxWhisker\"><cx:layoutPr><cx:visibility meanLine=\"1\" meanMarker=\"0\" "
        "nonoutliers=\"true\"/><cx:statistics quartileMethod=\"inclusive\"/></cx:layoutPr></cx:series>"
        "<cx:series layoutId=\"treemap\"><cx:layoutPr><cx:parentLabelLayout val=\"banner\"/>"
        "</cx:layoutPr></cx:series><cx:series layoutId=\"boxWhisker\"/>"));
    const auto& bins = chart.series[0].binning;
    ASSERT_TRUE(bins);
    EXPECT_TRUE(bins->closedLeft);
    EXPECT_FALSE(bins->underflow);
    EXPECT_EQ(bins->overflow, 9.5);
    EXPECT_EQ(bins->count, 7);
    EXPECT_FALSE(bins->size);
    const auto& box = chart.series[1];
    EXPECT_FALSE(box.quartileExclusive);
    EXPECT_TRUE(box.meanLine);
    EXPECT_FALSE(box.meanMarker);
    EXPECT_TRUE(box.innerPoints);
    EXPECT_TRUE(box.outliers);
    EXPECT_EQ(chart.series[2].parentLabels, QStringLiteral("banner"));
    const auto& plain = chart.series[3];
    EXPECT_TRUE(plain.quartileExclusive && plain.meanMarker && plain.outliers);
    EXPECT_FALSE(plain.meanLine || plain.innerPoints || plain.binning);
    EXPECT_EQ(plain.parentLabels, QStringLiteral("overlapping"));
}
