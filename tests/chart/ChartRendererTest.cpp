// The chart renderer on charts read from real workbooks: what each scene shows (bars, points,
// slices, legend entries, axis labels, titles, data labels), that nothing leaves the chart's
// box, and that PNG, SVG and PDF pictures are written whole.

#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartcopy/WorkbookChart.h"
#include "engine/chartmodel/ChartexPart.h"
#include "engine/chartdraw/ChartexScene.h"
#include "engine/chartdraw/PatternFill.h"
#include "engine/numfmt/NumberFormat.h"
#include "engine/package/Package.h"
#include "engine/workbook/Workbook.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QGuiApplication>
#include <QProcess>
#include <QMap>
#include <QSet>
#include <set>
#include <QTemporaryDir>
#include "tests/support/GeneratedFiles.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

QT_BEGIN_NAMESPACE
// Readable failures for text comparisons.
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']'; }
QT_END_NAMESPACE

using namespace engine;
using namespace engine::chart;
using E = SceneTag::Element;

namespace {

using testsupport::sourceRoot;

// Workbooks made once per test program by the project's generators.
QString generated(const QString& script, const QString& name) { return testsupport::generatedFile(script, {}, name); }

struct Charts {
    std::unique_ptr<Workbook> workbook;
    std::vector<WorkbookChart> charts;
};

Charts chartsOf(const QString& script, const QString& workbook, const QString& sheetName) {
    Charts c;
    c.workbook = Workbook::open(generated(script, workbook));
    const auto* sheet = c.workbook->sheetByName(sheetName);
    for (const auto& object : sheet->chartObjects) c.charts.push_back(workbookChart(*c.workbook, *sheet, object));
    return c;
}

// tools/make-model-workbooks.py: one chart of every kind XlsxWriter writes, options set.
const Charts& kinds() {
    static const Charts charts = chartsOf(QStringLiteral("make-model-workbooks.py"), QStringLiteral("kinds.xlsx"), QStringLiteral("Data"));
    return charts;
}

// tools/make-render-workbooks.py: charts with known data, and charts per data range.
const Charts& renderKinds() {
    static const Charts charts = chartsOf(QStringLiteral("make-render-workbooks.py"), QStringLiteral("render.xlsx"), QStringLiteral("Kinds"));
    return charts;
}
const Charts& renderScales() {
    static const Charts charts = chartsOf(QStringLiteral("make-render-workbooks.py"), QStringLiteral("render.xlsx"), QStringLiteral("Scales"));
    return charts;
}

// The render workbook's charts by title.
const WorkbookChart& kind(const QString& title) {
    for (const WorkbookChart& c : renderKinds().charts)
        if (c.chart.chart.title && c.chart.chart.title->text && c.chart.chart.title->text->text() == title) return c;
    throw std::runtime_error("no chart titled " + title.toStdString());
}

ChartSpace chartFromXml(const QByteArray& plotArea, const QByteArray& extra = QByteArray()) {
    return readChartSpace("<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
                          "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><c:chart><c:autoTitleDeleted val=\"1\"/>"
                          "<c:plotArea>" + plotArea + "</c:plotArea>" + extra + "</c:chart></c:chartSpace>",
                          "specimen.xlsx", "/xl/charts/chart1.xml");
}

QByteArray numbers(const std::vector<double>& values) {
    QByteArray out = "<c:numLit><c:formatCode>General</c:formatCode><c:ptCount val=\"" + QByteArray::number(int(values.size())) + "\"/>";
    for (size_t i = 0; i < values.size(); ++i)
        out += "<c:pt idx=\"" + QByteArray::number(int(i)) + "\"><c:v>" + QByteArray::number(values[i]) + "</c:v></c:pt>";
    return out + "</c:numLit>";
}

const QByteArray kCatValAxes =
    "<c:catAx><c:axId val=\"1\"/><c:scaling/><c:axPos val=\"b\"/><c:crossAx val=\"2\"/></c:catAx>"
    "<c:valAx><c:axId val=\"2\"/><c:scaling/><c:axPos val=\"l\"/><c:crossAx val=\"1\"/></c:valAx>";
const QByteArray kValValAxes =
    "<c:valAx><c:axId val=\"1\"/><c:scaling/><c:axPos val=\"b\"/><c:crossAx val=\"2\"/></c:valAx>"
    "<c:valAx><c:axId val=\"2\"/><c:scaling/><c:axPos val=\"l\"/><c:crossAx val=\"1\"/></c:valAx>";

// Kinds the workbook generator cannot write, as chart parts written by hand.
ChartSpace bubbleSpecimen() {
    return chartFromXml(
        "<c:bubbleChart><c:varyColors val=\"0\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>"
        "<c:xVal>" + numbers({1, 2, 3}) + "</c:xVal><c:yVal>" + numbers({5, 3, 4}) + "</c:yVal>"
        "<c:bubbleSize>" + numbers({1, 4, 16}) + "</c:bubbleSize></c:ser><c:bubbleScale val=\"100\"/>"
        "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:bubbleChart>" + kValValAxes);
}

ChartSpace barOfPieSpecimen() {
    return chartFromXml(
        "<c:ofPieChart><c:ofPieType val=\"bar\"/><c:varyColors val=\"1\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>"
        "<c:val>" + numbers({40, 30, 20, 6, 4}) + "</c:val></c:ser><c:splitType val=\"pos\"/><c:splitPos val=\"2\"/>"
        "<c:secondPieSize val=\"75\"/><c:serLines/></c:ofPieChart>");
}

// Two series of bars filled with preset patterns: light horizontal lines in red on white, and
// wide downward diagonals in blue on yellow.
ChartSpace patternSpecimen() {
    QByteArray bars = "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>";
    const char* fills[] = {"<a:pattFill prst=\"ltHorz\"><a:fgClr><a:srgbClr val=\"FF0000\"/></a:fgClr>"
                           "<a:bgClr><a:srgbClr val=\"FFFFFF\"/></a:bgClr></a:pattFill>",
                           "<a:pattFill prst=\"wdDnDiag\"><a:fgClr><a:srgbClr val=\"0000FF\"/></a:fgClr>"
                           "<a:bgClr><a:srgbClr val=\"FFFF00\"/></a:bgClr></a:pattFill>"};
    for (int s = 0; s < 2; ++s)
        bars += "<c:ser><c:idx val=\"" + QByteArray::number(s) + "\"/><c:order val=\"" + QByteArray::number(s) +
                "\"/><c:spPr>" + fills[s] + "<a:ln><a:noFill/></a:ln></c:spPr><c:val>" + numbers({4.0 + s, 6.0, 8.0 - s}) +
                "</c:val></c:ser>";
    return chartFromXml(bars + "<c:gapWidth val=\"50\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + kCatValAxes);
}

ChartSpace surfaceSpecimen() {
    QByteArray surface = "<c:surfaceChart>";
    for (int s = 0; s < 3; ++s)
        surface += "<c:ser><c:idx val=\"" + QByteArray::number(s) + "\"/><c:order val=\"" + QByteArray::number(s) +
                   "\"/><c:val>" + numbers({1.0 + s, 5.0 + s, 9.0 + s}) + "</c:val></c:ser>";
    surface += "<c:axId val=\"1\"/><c:axId val=\"2\"/><c:axId val=\"3\"/></c:surfaceChart>" + kCatValAxes +
               "<c:serAx><c:axId val=\"3\"/><c:scaling/><c:delete val=\"1\"/><c:axPos val=\"b\"/><c:crossAx val=\"2\"/></c:serAx>";
    return chartFromXml(surface);
}

QRectF boxOf(const ScenePrimitive* p) { return p->path.boundingRect(); }

ChartScene sceneOf(const WorkbookChart& c) { return buildChartScene(c.chart, c.context, c.sizeInPoints); }

int dataPoints(const ChartScene& scene, int series) { return scene.count(E::DataPoint, series); }

}  // namespace

TEST(ChartRenderer, EveryKindDrawsInsideItsBox) {
    std::vector<const WorkbookChart*> all;
    for (const Charts* set : {&kinds(), &renderKinds(), &renderScales()})
        for (const WorkbookChart& c : set->charts) all.push_back(&c);
    for (const WorkbookChart* chart : all) {
        const WorkbookChart& c = *chart;
        const ChartScene scene = sceneOf(c);
        ASSERT_FALSE(scene.items.empty());
        EXPECT_EQ(scene.items.front().tag.element, E::ChartArea);
        EXPECT_EQ(scene.count(E::Note), 0) << "a kind was left undrawn";
        const QRectF box(QPointF(0, 0), c.sizeInPoints);
        for (const ScenePrimitive& p : scene.items) {
            const QRectF b = p.bounds();
            EXPECT_TRUE(box.adjusted(-0.5, -0.5, 0.5, 0.5).contains(b))
                << "element " << int(p.tag.element) << " text '" << p.text.toStdString() << "' at "
                << b.x() << "," << b.y() << " " << b.width() << "x" << b.height();
        }
    }
}

TEST(ChartRenderer, ColumnChartShowsItsBarsLabelsAndFixedScale) {
    const ChartScene scene = sceneOf(kinds().charts[0]);
    EXPECT_EQ(dataPoints(scene, 0), 6);
    EXPECT_EQ(dataPoints(scene, 1), 6);
    EXPECT_EQ(scene.texts(E::Title), QStringList{QStringLiteral("Column")});
    EXPECT_EQ(scene.texts(E::AxisLabel, 1),
              (QStringList{"0.0", "10.0", "20.0", "30.0", "40.0"}));
    EXPECT_EQ(scene.texts(E::AxisLabel, 0), (QStringList{"Jan", "Feb", "Mar", "Apr", "May", "Jun"}));
    EXPECT_EQ(scene.texts(E::AxisTitle), QStringList{QStringLiteral("Month")});
    // The first label is deleted, the second has its own text; the others show their values.
    QStringList labels;
    for (const ScenePrimitive* p : scene.find(E::DataLabel, 0)) labels << p->text;
    EXPECT_EQ(labels, (QStringList{"Peak", "16.5", "19.5", "22.5", "25.5"}));
    // Taller values draw taller bars.
    const auto bars = scene.find(E::DataPoint, 0);
    EXPECT_GT(bars[5]->path.boundingRect().height(), bars[0]->path.boundingRect().height());
    EXPECT_EQ(scene.count(E::Trendline, 0), 1);
    EXPECT_GE(scene.count(E::ErrorBar, 0), 6);
}

TEST(ChartRenderer, PieHasOneSliceAPointAndALegendEntryPerCategory) {
    const ChartScene scene = sceneOf(kinds().charts[3]);
    EXPECT_EQ(dataPoints(scene, 0), 6);
    EXPECT_EQ(scene.texts(E::LegendEntry), (QStringList{"Jan", "Feb", "Mar", "Apr", "May", "Jun"}));
    EXPECT_TRUE(scene.texts(E::Title).isEmpty());
    // Each slice gets its own colour.
    QSet<QRgb> colors;
    for (const ScenePrimitive* p : scene.find(E::DataPoint, 0)) colors.insert(p->fill->color.rgb());
    EXPECT_EQ(colors.size(), 6);
}

TEST(ChartRenderer, PicturesAreWrittenWholeInEachFormat) {
    const WorkbookChart& c = kinds().charts[0];
    QTemporaryDir dir;
    const QString png = dir.filePath("c.png"), svg = dir.filePath("c.svg"), pdf = dir.filePath("c.pdf");
    writeChartPicture(c.chart, c.context, c.sizeInPoints, PictureFormat::Png, 2, png);
    writeChartPicture(c.chart, c.context, c.sizeInPoints, PictureFormat::Svg, 1, svg);
    writeChartPicture(c.chart, c.context, c.sizeInPoints, PictureFormat::Pdf, 1, pdf);
    const QImage image(png);
    EXPECT_EQ(image.size(), QSize(qRound(c.sizeInPoints.width() * 96 / 72 * 2), qRound(c.sizeInPoints.height() * 96 / 72 * 2)));
    pugi::xml_document doc;
    QFile s(svg);
    ASSERT_TRUE(s.open(QIODevice::ReadOnly));
    const QByteArray bytes = s.readAll();
    ASSERT_TRUE(doc.load_buffer(bytes.constData(), size_t(bytes.size())));
    EXPECT_STREQ(doc.document_element().name(), "svg");
    EXPECT_TRUE(bytes.contains("Column"));  // text stays text
    QFile p(pdf);
    ASSERT_TRUE(p.open(QIODevice::ReadOnly));
    EXPECT_TRUE(p.readAll().startsWith("%PDF"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);  // no temporaries left behind
}

TEST(ChartRenderer, UnwritablePictureIsAnIoErrorNamingTheFile) {
    const WorkbookChart& c = kinds().charts[0];
    const QString path = QStringLiteral("/nonexistent-folder/chart.png");
    try {
        writeChartPicture(c.chart, c.context, c.sizeInPoints, PictureFormat::Png, 1, path);
        FAIL() << "no error";
    } catch (const DocumentError& e) {
        EXPECT_EQ(e.kind(), DocumentError::Kind::Io);
        EXPECT_TRUE(e.message().contains(path));
    }
}

TEST(ChartRenderer, ChartWithoutSeriesOrSizeNeverCrashes) {
    const ChartSpace empty = readChartSpace(
        "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart>"
        "<c:plotArea><c:barChart><c:barDir val=\"col\"/></c:barChart></c:plotArea></c:chart></c:chartSpace>",
        "t.xlsx", "/xl/charts/chart1.xml");
    const RenderContext context;
    EXPECT_FALSE(buildChartScene(empty, context, QSizeF(300, 200)).items.empty());
    EXPECT_FALSE(buildChartScene(empty, context, QSizeF(0, 0)).items.empty());
    const QImage image = renderChartImage(empty, context, QSizeF(300, 200), 1);
    EXPECT_EQ(image.size(), QSize(400, 267));
}

TEST(ChartRenderer, AutomaticValueAxesFollowTheSpreadsheetRules) {
    // The data ranges of make-render-workbooks.py and the axis the spreadsheet gives each.
    const struct { double min, max, major; } expected[] = {
        {0, 18, 2}, {0, 25000, 5000}, {0, 10, 1}, {0, 12, 2}, {0, 25, 5}, {0, 120, 20},
        {0, 60, 10}, {980, 1120, 20}, {-18, 0, 2}, {-6, 12, 2},
    };
    const auto& charts = renderScales().charts;
    ASSERT_EQ(charts.size(), std::size(expected));
    for (size_t i = 0; i < charts.size(); ++i) {
        QStringList labels;
        for (double v = expected[i].min; v <= expected[i].max + 1e-9; v += expected[i].major) labels << formatGeneral(v);
        EXPECT_EQ(sceneOf(charts[i]).texts(E::AxisLabel, 1), labels) << "chart " << i + 1;
    }
}

TEST(ChartRenderer, ColumnsClusterStackAndFillTheHundredPercent) {
    const ChartScene clustered = sceneOf(kind("Column clustered"));
    const ChartScene stacked = sceneOf(kind("Column stacked"));
    const ChartScene percent = sceneOf(kind("Column percent_stacked"));
    for (const ChartScene* scene : {&clustered, &stacked, &percent})
        for (int s = 0; s < 3; ++s) EXPECT_EQ(dataPoints(*scene, s), 4);
    // Clustered bars stand side by side on one baseline; stacked ones on each other.
    const QRectF a = boxOf(clustered.find(E::DataPoint, 0, 0)[0]), b = boxOf(clustered.find(E::DataPoint, 1, 0)[0]);
    EXPECT_NEAR(a.bottom(), b.bottom(), 0.01);
    EXPECT_LE(a.right(), b.left() + 0.01);
    const QRectF s0 = boxOf(stacked.find(E::DataPoint, 0, 0)[0]), s1 = boxOf(stacked.find(E::DataPoint, 1, 0)[0]);
    EXPECT_NEAR(s1.bottom(), s0.top(), 0.01);
    EXPECT_NEAR(s1.left(), s0.left(), 0.01);
    EXPECT_EQ(stacked.texts(E::AxisLabel, 1).last(), QStringLiteral("40"));  // the largest stack is 36
    EXPECT_EQ(percent.texts(E::AxisLabel, 1).first(), QStringLiteral("0%"));
    EXPECT_EQ(percent.texts(E::AxisLabel, 1).last(), QStringLiteral("100%"));
    const QRectF top = boxOf(percent.find(E::DataPoint, 2, 0)[0]);
    const QRectF base = boxOf(percent.find(E::DataPoint, 0, 0)[0]);
    EXPECT_NEAR(base.bottom() - top.top(), boxOf(percent.find(E::PlotArea)[0]).height(), 0.75);
    // Legends down the side list stacked series from the top, clustered ones in order.
    EXPECT_EQ(clustered.texts(E::LegendEntry), (QStringList{"North", "South", "East"}));
    EXPECT_EQ(stacked.texts(E::LegendEntry), (QStringList{"East", "South", "North"}));
}

TEST(ChartRenderer, BarsRunAlongXWithFormattedLabels) {
    const ChartScene scene = sceneOf(kind("Bars"));
    const auto bars = scene.find(E::DataPoint, 0);
    ASSERT_EQ(bars.size(), 4u);
    // 12.5, 18, 9.25, 21: widths in that proportion, the first category at the bottom.
    EXPECT_NEAR(boxOf(bars[1]).width() / boxOf(bars[3]).width(), 18 / 21.0, 0.01);
    EXPECT_GT(boxOf(bars[0]).top(), boxOf(bars[3]).top());
    EXPECT_EQ(scene.texts(E::DataLabel), (QStringList{"12.5", "18.0", "9.3", "21.0"}));
    EXPECT_EQ(scene.texts(E::AxisLabel, 0), (QStringList{"Q1", "Q2", "Q3", "Q4"}));
    // Outside the end of their bar.
    const auto labels = scene.find(E::DataLabel, 0);
    for (size_t i = 0; i < 4; ++i) EXPECT_GE(labels[i]->bounds().left(), boxOf(bars[i]).right());
}

TEST(ChartRenderer, LinesDrawTheirMarkersAndSmoothing) {
    const ChartScene scene = sceneOf(kind("Lines"));
    EXPECT_EQ(scene.count(E::SeriesLine, 0), 1);
    EXPECT_EQ(scene.count(E::SeriesLine, 1), 1);
    EXPECT_EQ(scene.count(E::Marker, 0), 4);
    EXPECT_EQ(scene.count(E::Marker, 1), 0);
    // The smoothed series is a curve, the other a polyline through its points.
    const QPainterPath smooth = scene.find(E::SeriesLine, 1)[0]->path;
    const QPainterPath straight = scene.find(E::SeriesLine, 0)[0]->path;
    EXPECT_EQ(smooth.elementAt(1).type, QPainterPath::CurveToElement);
    EXPECT_EQ(straight.elementAt(1).type, QPainterPath::LineToElement);
    // A 7 pt square marker.
    EXPECT_NEAR(boxOf(scene.find(E::Marker, 0)[0]).width(), 7, 0.01);
}

TEST(ChartRenderer, PieSlicesShareTheCircleByValue) {
    const ChartScene scene = sceneOf(kind("Pie"));
    const auto slices = scene.find(E::DataPoint, 0);
    ASSERT_EQ(slices.size(), 4u);
    EXPECT_EQ(slices[1]->fill->color, QColor(0xFF, 0, 0));  // the recoloured point
    EXPECT_NE(slices[0]->fill->color, slices[2]->fill->color);
    // 12.5 + 18 + 9.25 + 21 = 60.75.
    EXPECT_EQ(scene.texts(E::DataLabel), (QStringList{"Q1, 21%", "Q2, 30%", "Q3, 15%", "Q4, 35%"}));
    EXPECT_EQ(scene.texts(E::LegendEntry), (QStringList{"Q1", "Q2", "Q3", "Q4"}));
    const ChartScene doughnut = sceneOf(kind("Doughnut"));
    EXPECT_EQ(doughnut.texts(E::DataLabel), (QStringList{"8.00", "11.50", "14.00", "6.75"}));
    // A ring: its centre is not covered.
    const QPointF centre = boxOf(doughnut.find(E::DataPoint, 0)[0]).united(boxOf(doughnut.find(E::DataPoint, 0)[2])).center();
    for (const ScenePrimitive* p : doughnut.find(E::DataPoint, 0)) EXPECT_FALSE(p->path.contains(centre));
}

TEST(ChartRenderer, RadarStockAndSecondaryAxes) {
    const ChartScene radar = sceneOf(kind("Radar"));
    EXPECT_EQ(radar.count(E::Marker, 0), 4);
    EXPECT_EQ(radar.count(E::SeriesLine), 2);
    EXPECT_EQ(radar.texts(E::AxisLabel, 0), (QStringList{"Q1", "Q2", "Q3", "Q4"}));
    const ChartScene filled = sceneOf(kind("Filled radar"));
    EXPECT_EQ(filled.count(E::DataPoint, 0), 1);
    EXPECT_TRUE(filled.find(E::DataPoint, 0)[0]->fill.has_value());

    const ChartScene stock = sceneOf(kind("Stock"));
    EXPECT_EQ(stock.count(E::HighLowLine), 4);
    EXPECT_EQ(stock.count(E::SeriesLine), 0);

    const WorkbookChart& twoAxes = kind("Two axes");
    const ChartScene scene = sceneOf(twoAxes);
    // Four axes: two shown value axes, left from 0 to 25 and right from 0 to 14.
    int secondary = -1;
    for (size_t i = 0; i < twoAxes.chart.chart.plotArea.axes.size(); ++i)
        if (i != 1 && twoAxes.chart.chart.plotArea.axes[i].kind == Axis::Kind::Value) secondary = int(i);
    ASSERT_GE(secondary, 0);
    EXPECT_EQ(scene.texts(E::AxisLabel, 1).last(), QStringLiteral("25"));
    EXPECT_EQ(scene.texts(E::AxisLabel, secondary).last(), QStringLiteral("14"));
    const QRectF left = scene.find(E::AxisLabel, -1, 0, 1)[0]->bounds();
    const QRectF right = scene.find(E::AxisLabel, -1, 0, secondary)[0]->bounds();
    const QRectF plot = boxOf(scene.find(E::PlotArea)[0]);
    EXPECT_LT(left.right(), plot.left());
    EXPECT_GT(right.left(), plot.right());
}

TEST(ChartRenderer, CrowdedCategoryLabelsTurnAndDateAxesFormat) {
    const ChartScene scene = sceneOf(kind("Long names"));
    const auto labels = scene.find(E::AxisLabel, -1, -1, 0);
    ASSERT_EQ(labels.size(), 8u);
    for (const ScenePrimitive* p : labels) EXPECT_DOUBLE_EQ(p->angle, -45);
    const ChartScene dates = sceneOf(kind("Dates"));
    EXPECT_EQ(dates.texts(E::AxisLabel, 0), (QStringList{"1-Mar", "8-Mar", "15-Mar", "22-Mar"}));
}

TEST(ChartRenderer, BubblesOfPieAndSurfaceFromSpecimens) {
    const RenderContext context;
    const ChartScene b = buildChartScene(bubbleSpecimen(), context, QSizeF(360, 216));
    const auto circles = b.find(E::DataPoint, 0);
    ASSERT_EQ(circles.size(), 3u);
    // Areas follow the sizes: diameters 1 : 2 : 4.
    EXPECT_NEAR(boxOf(circles[2]).width() / boxOf(circles[0]).width(), 4, 0.01);
    EXPECT_NEAR(boxOf(circles[1]).width() / boxOf(circles[0]).width(), 2, 0.01);

    const ChartScene p = buildChartScene(barOfPieSpecimen(), context, QSizeF(360, 216));
    // Three slices of the main pie, one for the rest, two bars; two connector lines.
    EXPECT_EQ(p.count(E::DataPoint, 0), 6);
    EXPECT_EQ(p.count(E::SeriesConnector), 2);
    EXPECT_NEAR(boxOf(p.find(E::DataPoint, 0, 3)[0]).height() / boxOf(p.find(E::DataPoint, 0, 4)[0]).height(), 6 / 4.0, 0.01);

    const ChartScene contour = buildChartScene(surfaceSpecimen(), context, QSizeF(360, 216));
    // A grid of 2 x 2 cells, each coloured by its value band.
    const auto cells = contour.find(E::DataPoint);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_NE(cells[0]->fill->color, cells[3]->fill->color);
    EXPECT_EQ(contour.count(E::Note), 0);
}

TEST(ChartRenderer, LongLinesReducedPerPixelColumnLookTheSame) {
    std::vector<double> values;
    for (int i = 0; i < 40000; ++i) values.push_back(50 + 40 * std::sin(i * 0.0005) + (i * 7919 % 13) * 0.5);
    const ChartSpace chart = chartFromXml(
        "<c:lineChart><c:grouping val=\"standard\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>"
        "<c:marker><c:symbol val=\"none\"/></c:marker><c:val>" + numbers(values) + "</c:val></c:ser>"
        "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>" + kCatValAxes);
    const RenderContext context;
    auto paint = [&](double pixelsPerPoint) {
        const ChartScene scene = buildChartScene(chart, context, QSizeF(480, 270), pixelsPerPoint);
        QImage image(640, 360, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        paintChartScene(scene, painter, QRectF(0, 0, 640, 360));
        return std::make_pair(image, int(scene.items.size()));
    };
    const auto [reduced, reducedItems] = paint(96.0 / 72);
    const auto [full, fullItems] = paint(1e6);  // columns too fine to reduce anything
    EXPECT_GT(reducedItems, fullItems);        // the line came in pieces: it was reduced
    double difference = 0;
    int differing = 0;
    for (int y = 0; y < 360; ++y)
        for (int x = 0; x < 640; ++x) {
            const QColor a = reduced.pixelColor(x, y), b = full.pixelColor(x, y);
            const int d = std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
            difference += d;
            differing += d > 3 * 25;
        }
    EXPECT_LT(difference / (640.0 * 360 * 3 * 255), 0.01);
    EXPECT_LT(differing, 640 * 360 / 50);
}

TEST(ChartRenderer, ADenseBandPaintedSmallerThanItWasCutForShowsNoSeams) {
    // A line swinging between 10 and 90 at every point fills a solid band. Built for a screen of
    // twice the density and painted at 0.83 pixels a point, the cuts between its pieces fall
    // inside pixels: no pixel across the middle of the band may let the background through.
    std::vector<double> values;
    for (int i = 0; i < 40000; ++i) values.push_back(i % 2 ? 10 : 90);
    const ChartSpace chart = chartFromXml(
        "<c:lineChart><c:grouping val=\"standard\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>"
        "<c:marker><c:symbol val=\"none\"/></c:marker><c:val>" + numbers(values) + "</c:val></c:ser>"
        "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>" + kCatValAxes);
    const ChartScene scene = buildChartScene(chart, RenderContext(), QSizeF(480, 270));
    ASSERT_GT(scene.count(E::SeriesLine), 2);  // cut into pieces
    QRectF band;
    for (const ScenePrimitive* piece : scene.find(E::SeriesLine)) band |= piece->bounds();
    // Painted where a slide puts it: at a fraction of a pixel.
    QImage image(401, 226, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintChartScene(scene, painter, QRectF(0.37, 0.41, 400, 225));
    painter.end();
    const double k = 400.0 / 480;
    const int y = int(band.center().y() * k);
    int lightest = 0;
    for (int x = int(band.left() * k) + 3; x < int(480 * 0.8 * k); ++x) lightest = std::max(lightest, qGray(image.pixel(x, y)));
    const int ink = qGray(image.pixel(int(band.left() * k) + 3, y));
    EXPECT_LE(lightest, ink + 12) << "a lighter pixel shows between the pieces of the band";
}

namespace {

QByteArray lineSeries(int index, const QByteArray& name, const QByteArray& values, const QByteArray& extra = QByteArray(),
                      bool straight = false) {
    return "<c:ser><c:idx val=\"" + QByteArray::number(index) + "\"/><c:order val=\"" + QByteArray::number(index) +
           "\"/><c:tx><c:v>" + name + "</c:v></c:tx>" + extra + "<c:val>" + values + "</c:val>" +
           (straight ? "<c:smooth val=\"0\"/>" : "") + "</c:ser>";
}

// A numeric literal with a hole at `missing`.
QByteArray numbersWithGap(const std::vector<double>& values, int missing) {
    QByteArray out = "<c:numLit><c:ptCount val=\"" + QByteArray::number(int(values.size())) + "\"/>";
    for (size_t i = 0; i < values.size(); ++i)
        if (int(i) != missing)
            out += "<c:pt idx=\"" + QByteArray::number(int(i)) + "\"><c:v>" + QByteArray::number(values[i]) + "</c:v></c:pt>";
    return out + "</c:numLit>";
}

}  // namespace

TEST(ChartRenderer, BlanksBreakSpanOrDropToZeroAsTheChartSays) {
    const RenderContext context;
    auto sceneWith = [&](const char* blanks) {
        const ChartSpace chart = chartFromXml(
            "<c:lineChart><c:grouping val=\"standard\"/>" + lineSeries(0, "A", numbersWithGap({4, 6, 5, 8, 7}, 2), QByteArray(), true) +
                "<c:marker val=\"1\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>" + kCatValAxes,
            QByteArray("<c:dispBlanksAs val=\"") + blanks + "\"/>");
        return buildChartScene(chart, context, QSizeF(360, 216));
    };
    EXPECT_EQ(sceneWith("gap").count(E::SeriesLine, 0), 2);
    const ChartScene span = sceneWith("span");
    ASSERT_EQ(span.count(E::SeriesLine, 0), 1);
    EXPECT_EQ(span.find(E::SeriesLine, 0)[0]->path.elementCount(), 4);
    const ChartScene zero = sceneWith("zero");
    ASSERT_EQ(zero.count(E::SeriesLine, 0), 1);
    EXPECT_EQ(zero.find(E::SeriesLine, 0)[0]->path.elementCount(), 5);
    // The zero point sits on the category axis.
    const QPainterPath line = zero.find(E::SeriesLine, 0)[0]->path;
    const QRectF plot = boxOf(zero.find(E::PlotArea)[0]);
    EXPECT_NEAR(line.elementAt(2).y, plot.bottom(), 0.5);
}

TEST(ChartRenderer, ReversedAxesCrossingAndNegativeBars) {
    const RenderContext context;
    // Values from the top down, the category axis crossing at the maximum (columns then grow
    // from there, as in the spreadsheet), and a series that shows its negative bars white.
    const ChartSpace chart = chartFromXml(
        "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>" +
        lineSeries(0, "A", numbers({3, -2, 5}), "<c:spPr><a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill></c:spPr><c:invertIfNegative val=\"1\"/>") +
        "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>"
        "<c:catAx><c:axId val=\"1\"/><c:scaling/><c:axPos val=\"b\"/><c:crossAx val=\"2\"/><c:crosses val=\"max\"/></c:catAx>"
        "<c:valAx><c:axId val=\"2\"/><c:scaling><c:orientation val=\"maxMin\"/></c:scaling><c:axPos val=\"l\"/><c:crossAx val=\"1\"/></c:valAx>");
    const ChartScene scene = buildChartScene(chart, context, QSizeF(360, 216));
    const auto labels = scene.find(E::AxisLabel, -1, -1, 1);
    ASSERT_GE(labels.size(), 2u);
    EXPECT_LT(labels.front()->bounds().top(), labels.back()->bounds().top());  // minimum at the top
    // Crossing at the maximum of a reversed axis puts the category axis at the bottom.
    const QRectF plot = boxOf(scene.find(E::PlotArea)[0]);
    const QRectF catLine = scene.find(E::AxisLine, -1, -1, 0)[0]->path.boundingRect();
    EXPECT_NEAR(catLine.top(), plot.bottom(), 0.5);
    const auto bars = scene.find(E::DataPoint, 0);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0]->fill->color, QColor(0, 255, 0));
    EXPECT_EQ(bars[1]->fill->color, QColor(Qt::white));
    // Columns stand on the category axis, wherever it crosses: here the bottom.
    for (const ScenePrimitive* bar : bars) EXPECT_NEAR(boxOf(bar).bottom(), catLine.top(), 0.5);
    EXPECT_GT(boxOf(bars[2]).top(), boxOf(bars[0]).top());  // 5 lies nearer the maximum: a shorter column
}

TEST(ChartRenderer, LogarithmicAxesAndDisplayUnits) {
    const RenderContext context;
    const ChartSpace chart = chartFromXml(
        "<c:scatterChart><c:scatterStyle val=\"lineMarker\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>"
        "<c:xVal>" + numbers({3, 40, 700}) + "</c:xVal><c:yVal>" + numbers({2500, 12000, 48000}) + "</c:yVal></c:ser>"
        "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:scatterChart>"
        "<c:valAx><c:axId val=\"1\"/><c:scaling><c:logBase val=\"10\"/></c:scaling><c:axPos val=\"b\"/><c:crossAx val=\"2\"/></c:valAx>"
        "<c:valAx><c:axId val=\"2\"/><c:scaling/><c:axPos val=\"l\"/><c:crossAx val=\"1\"/>"
        "<c:dispUnits><c:builtInUnit val=\"thousands\"/><c:dispUnitsLbl/></c:dispUnits></c:valAx>");
    const ChartScene scene = buildChartScene(chart, context, QSizeF(360, 216));
    EXPECT_EQ(scene.texts(E::AxisLabel, 0), (QStringList{"1", "10", "100", "1000"}));
    const QStringList values = scene.texts(E::AxisLabel, 1);
    ASSERT_FALSE(values.isEmpty());
    EXPECT_EQ(values.first(), QStringLiteral("0"));
    EXPECT_EQ(values.last(), QStringLiteral("60"));  // 60,000 in thousands
    EXPECT_EQ(scene.texts(E::DisplayUnitsLabel), QStringList{QStringLiteral("Thousands")});
    // Equal ratios are equal distances.
    const auto points = scene.find(E::Marker, 0);
    ASSERT_EQ(points.size(), 3u);
}

TEST(ChartRenderer, TrendlineLabelsAndErrorBarsFollowTheData) {
    const RenderContext context;
    // y = 2x + 1 exactly, with a fixed error of 1.5.
    const ChartSpace chart = chartFromXml(
        "<c:scatterChart><c:scatterStyle val=\"lineMarker\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>"
        "<c:trendline><c:trendlineType val=\"linear\"/><c:dispRSqr val=\"1\"/><c:dispEq val=\"1\"/></c:trendline>"
        "<c:errBars><c:errDir val=\"y\"/><c:errBarType val=\"both\"/><c:errValType val=\"fixedVal\"/><c:noEndCap val=\"1\"/>"
        "<c:val val=\"1.5\"/></c:errBars>"
        "<c:xVal>" + numbers({1, 2, 3, 4}) + "</c:xVal><c:yVal>" + numbers({3, 5, 7, 9}) + "</c:yVal></c:ser>"
        "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:scatterChart>" + kValValAxes);
    const ChartScene scene = buildChartScene(chart, context, QSizeF(360, 216));
    EXPECT_EQ(scene.texts(E::TrendlineLabel), (QStringList{"y = 2x + 1", "R\u00B2 = 1"}));
    const auto bars = scene.find(E::ErrorBar, 0);
    ASSERT_EQ(bars.size(), 4u);
    // Each bar spans 3 units; the points are 2 units apart.
    const auto markers = scene.find(E::Marker, 0);
    const double unit = (boxOf(markers[0]).center().y() - boxOf(markers[1]).center().y()) / 2;
    for (const ScenePrimitive* bar : bars) EXPECT_NEAR(bar->path.boundingRect().height(), 3 * unit, 0.01);
}

TEST(ChartRenderer, TitlesAndLegendsByTheChartsRules) {
    const RenderContext context;
    const QByteArray plot = "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>" +
                            lineSeries(0, "Revenue", numbers({1, 2})) + "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + kCatValAxes;
    auto sceneOfXml = [&](const QByteArray& chartChildren, const QByteArray& extra, QSizeF size = QSizeF(360, 216)) {
        const ChartSpace chart = readChartSpace(
            "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart>" + chartChildren +
                "<c:plotArea>" + plot + "</c:plotArea>" + extra + "</c:chart></c:chartSpace>",
            "t.xlsx", "/xl/charts/chart1.xml");
        return buildChartScene(chart, context, size);
    };
    // One named series and no title: the series' name is the title, unless deleted.
    EXPECT_EQ(sceneOfXml("", "").texts(E::Title), QStringList{QStringLiteral("Revenue")});
    EXPECT_TRUE(sceneOfXml("<c:autoTitleDeleted val=\"1\"/>", "").texts(E::Title).isEmpty());
    // A title without text of its own still shows.
    EXPECT_EQ(sceneOfXml("<c:title/><c:autoTitleDeleted val=\"1\"/>", "").texts(E::Title), QStringList{QStringLiteral("Revenue")});

    // Legends: at the bottom the entry sits below the plot, on the left beside it.
    const ChartScene bottom = sceneOfXml("<c:autoTitleDeleted val=\"1\"/>", "<c:legend><c:legendPos val=\"b\"/></c:legend>");
    const ChartScene left = sceneOfXml("<c:autoTitleDeleted val=\"1\"/>", "<c:legend><c:legendPos val=\"l\"/></c:legend>");
    EXPECT_GT(bottom.find(E::LegendEntry)[0]->bounds().top(), boxOf(bottom.find(E::PlotArea)[0]).bottom());
    EXPECT_LT(left.find(E::LegendEntry)[0]->bounds().right(), boxOf(left.find(E::PlotArea)[0]).left());
}

TEST(ChartRenderer, WideLegendsWrapIntoRowsAndSlidesUseLargerText) {
    QByteArray series;
    for (int i = 0; i < 12; ++i) series += lineSeries(i, "Series number " + QByteArray::number(i + 1), numbers({1.0 + i, 2.0}));
    const ChartSpace chart = chartFromXml("<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>" + series +
                                              "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + kCatValAxes,
                                          "<c:legend><c:legendPos val=\"b\"/></c:legend>");
    RenderContext workbook;
    const ChartScene scene = buildChartScene(chart, workbook, QSizeF(360, 216));
    const auto entries = scene.find(E::LegendEntry);
    ASSERT_EQ(entries.size(), 12u);
    QSet<int> rows;
    for (const ScenePrimitive* e : entries) rows.insert(qRound(e->position.y()));
    EXPECT_GT(rows.size(), 1);
    RenderContext slide;
    slide.host = ChartHost::Slide;
    const ChartScene onSlide = buildChartScene(chart, slide, QSizeF(720, 432));
    EXPECT_DOUBLE_EQ(scene.find(E::LegendEntry)[0]->size, 10);
    EXPECT_DOUBLE_EQ(onSlide.find(E::LegendEntry)[0]->size, 18);
}

// Golden pictures: each chart of the render workbook, and the hand-written specimens of the
// kinds the generator cannot write, against the PNG kept in tests/chart/golden, within a
// tolerance for antialiasing and font rasterisation. Set QUILLMERE_UPDATE_GOLDEN=1 to write them
// anew after a change that is meant to be seen.
namespace {

void expectMatchesGolden(const QImage& drawn, const QString& fileName) {
    const QString name = sourceRoot() + QStringLiteral("/tests/chart/golden/") + fileName;
    const QImage image = drawn.convertToFormat(QImage::Format_ARGB32);
    if (qEnvironmentVariableIsSet("QUILLMERE_UPDATE_GOLDEN")) {
        image.save(name);
        return;
    }
    const QImage golden = QImage(name).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(golden.size(), image.size()) << name.toStdString();
    double difference = 0;
    int differing = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = image.pixel(x, y), b = golden.pixel(x, y);
            const int d = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) +
                          std::abs(qAlpha(a) - qAlpha(b));
            difference += d;
            differing += d > 4 * 25;
        }
    const double pixels = double(image.width()) * image.height();
    EXPECT_LT(difference / (pixels * 4 * 255), 0.005) << name.toStdString();
    EXPECT_LT(differing / pixels, 0.01) << name.toStdString();
}

}  // namespace

TEST(ChartRenderer, PicturesMatchTheirGoldenCopies) {
    int index = 0;
    for (const WorkbookChart& c : renderKinds().charts)
        expectMatchesGolden(renderChartImage(c.chart, c.context, c.sizeInPoints, 1),
                            QStringLiteral("render-%1.png").arg(++index, 2, 10, QLatin1Char('0')));
    const RenderContext context;
    const QSizeF size(360, 216);
    expectMatchesGolden(renderChartImage(bubbleSpecimen(), context, size, 1), QStringLiteral("specimen-bubble.png"));
    expectMatchesGolden(renderChartImage(barOfPieSpecimen(), context, size, 1), QStringLiteral("specimen-bar-of-pie.png"));
    expectMatchesGolden(renderChartImage(surfaceSpecimen(), context, size, 1), QStringLiteral("specimen-surface.png"));
    expectMatchesGolden(renderChartImage(patternSpecimen(), context, QSizeF(180, 108), 1), QStringLiteral("specimen-pattern.png"));
}

// A pattern fill reaches the scene as its preset and both colours, and the painter repeats the
// preset's tile (one tile pixel to a pixel at 96 dpi) instead of filling with one colour: inside
// a bar of light horizontal lines a quarter of the rows are the foreground, the rest background.
TEST(ChartRenderer, PatternFillsArePaintedAsTheirPresetTiles) {
    const RenderContext context;
    const ChartScene scene = buildChartScene(patternSpecimen(), context, QSizeF(180, 108));
    ASSERT_EQ(scene.find(E::DataPoint).size(), 6u);
    const auto barOf = [&scene](int series, int point) -> const ScenePrimitive* {
        for (const ScenePrimitive* p : scene.find(E::DataPoint))
            if (p->tag.series == series && p->tag.point == point) return p;
        return nullptr;
    };
    ASSERT_TRUE(barOf(0, 1) && barOf(0, 1)->fill && barOf(1, 0) && barOf(1, 0)->fill);
    EXPECT_EQ(barOf(0, 1)->fill->pattern, "ltHorz");
    EXPECT_EQ(barOf(0, 1)->fill->color, QColor(Qt::red));
    EXPECT_EQ(barOf(0, 1)->fill->background, QColor(Qt::white));
    EXPECT_EQ(barOf(1, 0)->fill->pattern, "wdDnDiag");

    const QImage image = renderChartImage(patternSpecimen(), context, QSizeF(180, 108), 1).convertToFormat(QImage::Format_RGB32);
    // Inside the tallest red bar, away from its antialiased edges, each row is all red or all
    // white.
    const QRectF bar = barOf(0, 1)->bounds();  // category 2 of the red series: value 6
    const double toPixels = image.width() / 180.0;
    const QRect inside = QRectF(bar.left() * toPixels, bar.top() * toPixels, bar.width() * toPixels, bar.height() * toPixels)
                             .toAlignedRect()
                             .adjusted(2, 2, -2, -2);
    ASSERT_GT(inside.height(), 16);
    int redRows = 0, whiteRows = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        QSet<QRgb> colours;
        for (int x = inside.left(); x <= inside.right(); ++x) colours.insert(image.pixel(x, y));
        ASSERT_EQ(colours.size(), 1) << "row " << y;
        redRows += *colours.begin() == qRgb(255, 0, 0);
        whiteRows += *colours.begin() == qRgb(255, 255, 255);
    }
    EXPECT_EQ(redRows + whiteRows, inside.height());
    EXPECT_NEAR(double(redRows) / inside.height(), 0.25, 0.07);
}

// The newer kinds: one chart of each kind the generated workbook holds, at the size of a
// frame of 5 x 3 inches, and the waterfall the presentation application saved, at the size of
// the application's own picture of it (tests/chart/data/powerpoint-waterfall).
TEST(ChartRenderer, ChartexPicturesMatchTheirGoldenCopies) {
    const auto package =
        PackageReader::open(generated(QStringLiteral("make_test_workbooks.py"), QStringLiteral("chartex-only.xlsx")));
    for (int i = 1; i <= 8; ++i) {
        const QString part = QStringLiteral("/xl/charts/chartEx%1.xml").arg(i);
        const ChartexChart chart = readChartex(package->read(part), package->fileName(), part);
        const QString kind = chart.kindName().toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
        expectMatchesGolden(chartexPicture(chart, QSize(480, 288)), QStringLiteral("chartex-%1.png").arg(kind));
    }
    const QString saved = sourceRoot() + QStringLiteral("/tests/chart/data/powerpoint-waterfall/chartEx1.xml");
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const ChartexChart waterfall = readChartex(file.readAll(), saved, QStringLiteral("/ppt/charts/chartEx1.xml"));
    const QImage application(sourceRoot() + QStringLiteral("/tests/chart/data/powerpoint-waterfall/fallback.png"));
    ASSERT_EQ(application.size(), QSize(855, 571));
    expectMatchesGolden(chartexPicture(waterfall, application.size()), QStringLiteral("chartex-powerpoint-waterfall.png"));
}

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(ChartRenderer, NumbersPastWhatTheyCanStandForReadAsAbsent) {
    const RenderContext context;
    // A series numbered 2^32 - 1 without a name: its automatic name counts on past the largest int.
    // (Its colours do not vary by point, or the legend would list the categories instead.)
    const ChartSpace unnamed = chartFromXml(
        "<c:barChart><c:barDir val=\"col\"/><c:varyColors val=\"0\"/><c:ser><c:idx val=\"4294967295\"/><c:order val=\"0\"/><c:val>" +
            numbers({1, 2}) + "</c:val></c:ser><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + kCatValAxes,
        "<c:legend><c:legendPos val=\"r\"/></c:legend>");
    EXPECT_EQ(buildChartScene(unnamed, context, QSizeF(360, 216)).texts(E::LegendEntry), QStringList{"Series2147483648"});
    // A date no calendar reaches is left out; the other keeps its place and label.
    const ChartSpace dated = chartFromXml(
        "<c:lineChart><c:grouping val=\"standard\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/><c:cat>" +
        numbers({-1e308, 45000}) + "</c:cat><c:val>" + numbers({1, 2}) +
        "</c:val></c:ser><c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>"
        "<c:dateAx><c:axId val=\"1\"/><c:scaling/><c:axPos val=\"b\"/><c:numFmt formatCode=\"yyyy-mm-dd\" "
        "sourceLinked=\"0\"/><c:crossAx val=\"2\"/><c:auto val=\"0\"/></c:dateAx>"
        "<c:valAx><c:axId val=\"2\"/><c:scaling/><c:axPos val=\"l\"/><c:crossAx val=\"1\"/></c:valAx>");
    EXPECT_EQ(buildChartScene(dated, context, QSizeF(360, 216)).texts(E::AxisLabel, 0), QStringList{"2023-03-15"});
}

namespace {

// The reference workbooks: the charts of which the spreadsheet application's own pictures are kept.
Charts referenceCharts(const QString& example) {
    Charts c;
    c.workbook = Workbook::open(sourceRoot() + QStringLiteral("/tests/data/chart-references/workbooks/") + example + QStringLiteral(".xlsx"));
    const auto* sheet = c.workbook->sheetByName(QStringLiteral("Sheet1"));
    for (const auto& object : sheet->chartObjects) c.charts.push_back(workbookChart(*c.workbook, *sheet, object));
    return c;
}

QStringList valueLabels(double min, double max, double major) {
    QStringList labels;
    for (double v = min; v <= max + 1e-9; v += major) labels << formatGeneral(v);
    return labels;
}

}  // namespace

TEST(ChartLayoutRules, SpacingMatchesTheApplicationsPictureOfAColumnChart) {
    // 412 x 211 pt with an 18 pt title, two axis titles and a legend of two entries on the right.
    // In the application's picture the plot area is 290 x 112.5 pt at (48.5, 49), the title's ink
    // starts 16.5 pt from the top, the axis titles' 18 pt from the left and bottom edges.
    const Charts c = referenceCharts(QStringLiteral("chart_column"));
    ASSERT_EQ(c.charts.size(), 3u);
    const ChartScene scene = sceneOf(c.charts[0]);
    const QRectF plot = boxOf(scene.find(E::PlotArea)[0]);
    EXPECT_NEAR(plot.left(), 48.5, 3);
    EXPECT_NEAR(plot.top(), 49, 3);
    EXPECT_NEAR(plot.width(), 290, 8);
    EXPECT_NEAR(plot.height(), 112.5, 6);
    EXPECT_NEAR(scene.find(E::Title)[0]->bounds().top(), 12.5, 2.5);
    double titleLeft = 1e9, titleBottom = 0;
    for (const ScenePrimitive* p : scene.find(E::AxisTitle)) {
        titleLeft = std::min(titleLeft, p->bounds().left());
        titleBottom = std::max(titleBottom, p->bounds().bottom());
    }
    EXPECT_NEAR(titleLeft, 15, 2.5);
    EXPECT_NEAR(211 - titleBottom, 15, 2.5);
    // Legend entries of a side legend 21 pt apart, centred on the room below the title.
    const auto entries = scene.find(E::LegendEntry);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NEAR(entries[1]->bounds().center().y() - entries[0]->bounds().center().y(), 21, 0.5);
    EXPECT_GT(entries[0]->bounds().left(), plot.right());
    EXPECT_NEAR(412 - entries[0]->bounds().right(), 15, 3);
    // In the picture the entries' text is centred at 123.5 pt, halfway between the title's
    // bottom and the chart's; square keys are 5 pt.
    EXPECT_NEAR((entries[0]->bounds().center().y() + entries[1]->bounds().center().y()) / 2, 123.5, 2.5);
    EXPECT_NEAR(boxOf(scene.find(E::LegendKey, 0)[0]).width(), 5, 0.01);
}

TEST(ChartLayoutRules, CrowdedSideLegendsCloseUpRatherThanDropEntries) {
    QByteArray plot = "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>";
    for (int s = 0; s < 9; ++s) plot += lineSeries(s, "S" + QByteArray::number(s), numbers({1.0 + s, 2}));
    plot += "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + kCatValAxes;
    const ChartSpace chart = chartFromXml(plot, "<c:legend><c:legendPos val=\"r\"/></c:legend>");
    const ChartScene roomy = buildChartScene(chart, RenderContext(), QSizeF(412, 260));
    const ChartScene small = buildChartScene(chart, RenderContext(), QSizeF(300, 150));
    // Nine rows of 21 pt fit in 260 pt; in 150 pt they close up to fit, none lost or overlapping.
    ASSERT_EQ(roomy.count(E::LegendEntry), 9);
    ASSERT_EQ(small.count(E::LegendEntry), 9);
    const auto r = roomy.find(E::LegendEntry), s = small.find(E::LegendEntry);
    EXPECT_NEAR(r[1]->bounds().center().y() - r[0]->bounds().center().y(), 21, 0.5);
    for (size_t i = 1; i < s.size(); ++i) EXPECT_GE(s[i]->bounds().top(), s[i - 1]->bounds().bottom() - 0.5);
    EXPECT_LE(s.back()->bounds().bottom(), 150);
    EXPECT_GE(s.front()->bounds().top(), 0);
}

TEST(ChartLayoutRules, StackedAndRadarScalesAsTheApplicationDrawsThem) {
    // Stacked totals up to 120 are drawn on 0 to 140 by 20, those up to 80 (area) on 0 to 100
    // by 20; 100% stacks stay 0% to 100%.
    const Charts columns = referenceCharts(QStringLiteral("chart_column"));
    EXPECT_EQ(sceneOf(columns.charts[1]).texts(E::AxisLabel, 1), valueLabels(0, 140, 20));
    EXPECT_EQ(sceneOf(columns.charts[2]).texts(E::AxisLabel, 1).last(), QStringLiteral("100%"));
    const Charts areas = referenceCharts(QStringLiteral("chart_area"));
    EXPECT_EQ(sceneOf(areas.charts[1]).texts(E::AxisLabel, 1), valueLabels(0, 100, 20));
    // Clustered columns to 70 on a 112 pt plot: 0 to 80 by 10.
    EXPECT_EQ(sceneOf(columns.charts[0]).texts(E::AxisLabel, 1), valueLabels(0, 80, 10));
    // A radar of values to 70: 0 to 80 by 20.
    const Charts radars = referenceCharts(QStringLiteral("chart_radar"));
    EXPECT_EQ(sceneOf(radars.charts[0]).texts(E::AxisLabel, 1), valueLabels(0, 80, 20));
}

TEST(ChartLayoutRules, LinkedAxisFormatsShowTheSourcesFormatWhereTheCacheHasNone) {
    // Dates in dd/mm/yyyy cells; the cache says "General", the linked axis records dd/mm/yyyy.
    const Charts stock = referenceCharts(QStringLiteral("chart_stock"));
    const ChartScene scene = sceneOf(stock.charts[0]);
    EXPECT_EQ(scene.texts(E::AxisLabel, 0).first(), QStringLiteral("01/01/2007"));
    EXPECT_EQ(scene.texts(E::AxisLabel, 0).last(), QStringLiteral("05/01/2007"));
    // A cache with a format of its own keeps it, linked or not the axis' own wins when unlinked.
    auto categoryLabels = [](const QByteArray& cacheFormat, const QByteArray& axisFormat) {
        const QByteArray cat = "<c:cat><c:numLit><c:formatCode>" + cacheFormat + "</c:formatCode><c:ptCount val=\"2\"/>"
                               "<c:pt idx=\"0\"><c:v>0.25</c:v></c:pt><c:pt idx=\"1\"><c:v>0.5</c:v></c:pt></c:numLit></c:cat>";
        const QByteArray plot = "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>" +
                                cat + "<c:val>" + numbers({1, 2}) + "</c:val></c:ser><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>"
                                "<c:catAx><c:axId val=\"1\"/><c:scaling/><c:axPos val=\"b\"/>" + axisFormat + "<c:crossAx val=\"2\"/></c:catAx>"
                                "<c:valAx><c:axId val=\"2\"/><c:scaling/><c:axPos val=\"l\"/><c:crossAx val=\"1\"/></c:valAx>";
        return buildChartScene(chartFromXml(plot), RenderContext(), QSizeF(360, 216)).texts(E::AxisLabel, 0);
    };
    EXPECT_EQ(categoryLabels("General", "<c:numFmt formatCode=\"0%\" sourceLinked=\"1\"/>"), (QStringList{"25%", "50%"}));
    EXPECT_EQ(categoryLabels("0.00", "<c:numFmt formatCode=\"0%\" sourceLinked=\"1\"/>"), (QStringList{"0.25", "0.50"}));
    EXPECT_EQ(categoryLabels("0.00", "<c:numFmt formatCode=\"0%\" sourceLinked=\"0\"/>"), (QStringList{"25%", "50%"}));
    EXPECT_EQ(categoryLabels("General", ""), (QStringList{"0.25", "0.5"}));
}

TEST(ChartLayoutRules, AutomaticMarkersAreSevenPointsAcross) {
    // The application's scatter and radar charts of styles 11 and 12: markers and keys 7 pt.
    for (const QString& example : {QStringLiteral("chart_scatter"), QStringLiteral("chart_radar")}) {
        const Charts c = referenceCharts(example);
        const ChartScene scene = sceneOf(c.charts[1]);
        const auto markers = scene.find(E::Marker, 0);
        ASSERT_FALSE(markers.empty()) << example.toStdString();
        EXPECT_NEAR(boxOf(markers[0]).width(), 7, 0.01) << example.toStdString();
        EXPECT_NEAR(boxOf(markers[0]).height(), 7, 0.01) << example.toStdString();
    }
}

TEST(ChartLayoutRules, SideLegendsListStackedSeriesFromTheTopOfTheStack) {
    // The application's stacked and 100% stacked line charts list the last series first, as its
    // stacked columns do; clustered lines keep the series' order.
    const Charts lines = referenceCharts(QStringLiteral("chart_line"));
    EXPECT_EQ(sceneOf(lines.charts[0]).texts(E::LegendEntry), (QStringList{"Batch 1", "Batch 2"}));
    EXPECT_EQ(sceneOf(lines.charts[1]).texts(E::LegendEntry), (QStringList{"Batch 2", "Batch 1"}));
    EXPECT_EQ(sceneOf(lines.charts[2]).texts(E::LegendEntry), (QStringList{"Batch 2", "Batch 1"}));
}

TEST(ChartLayoutRules, DataTableHangsUnderTheCategoryLabelsWithARowPerSeries) {
    auto chartWithTable = [](const QByteArray& table) {
        const QByteArray plot = "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>" +
                                lineSeries(0, "North", numbers({10, 40.5, 50})) + lineSeries(1, "South", numbers({30, 60, 70})) +
                                "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + kCatValAxes + table;
        return buildChartScene(chartFromXml(plot), RenderContext(), QSizeF(412, 211));
    };
    const ChartScene plain = chartWithTable("");
    const ChartScene scene = chartWithTable("<c:dTable><c:showHorzBorder val=\"1\"/><c:showVertBorder val=\"1\"/>"
                                            "<c:showOutline val=\"1\"/><c:showKeys val=\"1\"/></c:dTable>");
    EXPECT_EQ(plain.count(E::DataTable), 0);
    // Names and values by row, in the series' order, under the category labels.
    EXPECT_EQ(scene.texts(E::DataTable), (QStringList{"North", "10", "40.5", "50", "South", "30", "60", "70"}));
    // A row's cell by column: -1 the name, -2 the key (find() takes -1 for any).
    auto cell = [&](int row, int column) {
        std::vector<const ScenePrimitive*> out;
        for (const ScenePrimitive* p : scene.find(E::DataTable, row))
            if (p->tag.point == column) out.push_back(p);
        return out;
    };
    const QRectF plot = boxOf(scene.find(E::PlotArea)[0]);
    const QRectF north = cell(0, -1).at(0)->bounds();
    const QRectF south = cell(1, -1).at(0)->bounds();
    EXPECT_LT(north.right(), plot.left());
    EXPECT_GT(north.top(), scene.find(E::AxisLabel, -1, 0, 0)[0]->bounds().bottom());
    EXPECT_GT(south.top(), north.bottom() - 0.01);
    EXPECT_GE(north.left(), 0);
    // Each value sits under its category's label; the plot gives the table its room.
    EXPECT_NEAR(cell(0, 1).at(0)->bounds().center().x(),
                scene.find(E::AxisLabel, -1, 1, 0)[0]->bounds().center().x(), 0.01);
    EXPECT_LT(plot.height(), boxOf(plain.find(E::PlotArea)[0]).height() - 20);
    ASSERT_EQ(cell(0, -2).size(), 1u);  // the key beside the name
    EXPECT_LT(boxOf(cell(0, -2)[0]).right(), north.left());
    EXPECT_GT(scene.count(E::DataTable), 8 + 2);            // borders drawn
    // Without switches: the texts alone.
    const ChartScene bare = chartWithTable("<c:dTable/>");
    EXPECT_EQ(bare.count(E::DataTable), 8);
}

TEST(ChartLayoutRules, MultiLevelCategoriesShowTheirOuterLevelUnderTheLabels) {
    const QByteArray cat =
        "<c:cat><c:multiLvlStrRef><c:f>Sheet1!$A$1:$B$6</c:f><c:multiLvlStrCache><c:ptCount val=\"6\"/>"
        "<c:lvl><c:pt idx=\"0\"><c:v>Q1</c:v></c:pt><c:pt idx=\"1\"><c:v>Q2</c:v></c:pt><c:pt idx=\"2\"><c:v>Q3</c:v></c:pt>"
        "<c:pt idx=\"3\"><c:v>Q1</c:v></c:pt><c:pt idx=\"4\"><c:v>Q2</c:v></c:pt><c:pt idx=\"5\"><c:v>Q3</c:v></c:pt></c:lvl>"
        "<c:lvl><c:pt idx=\"0\"><c:v>North</c:v></c:pt><c:pt idx=\"3\"><c:v>South</c:v></c:pt></c:lvl>"
        "</c:multiLvlStrCache></c:multiLvlStrRef></c:cat>";
    auto sceneWith = [&](const QByteArray& axisExtra) {
        const QByteArray plot = "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:ser><c:idx val=\"0\"/>"
                                "<c:order val=\"0\"/>" + cat + "<c:val>" + numbers({10, 20, 15, 12, 18, 9}) + "</c:val></c:ser>"
                                "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>"
                                "<c:catAx><c:axId val=\"1\"/><c:scaling/><c:axPos val=\"b\"/><c:crossAx val=\"2\"/>" + axisExtra + "</c:catAx>"
                                "<c:valAx><c:axId val=\"2\"/><c:scaling/><c:axPos val=\"l\"/><c:crossAx val=\"1\"/></c:valAx>";
        return buildChartScene(chartFromXml(plot), RenderContext(), QSizeF(412, 211));
    };
    const ChartScene scene = sceneWith("");
    EXPECT_EQ(scene.texts(E::AxisLabel, 0), (QStringList{"Q1", "Q2", "Q3", "Q1", "Q2", "Q3", "North", "South"}));
    const auto labels = scene.find(E::AxisLabel, -1, -1, 0);
    ASSERT_EQ(labels.size(), 8u);
    // "North" centred under its three quarters, below them; "South" under the other three.
    EXPECT_NEAR(labels[6]->bounds().center().x(), labels[1]->bounds().center().x(), 0.5);
    EXPECT_NEAR(labels[7]->bounds().center().x(), labels[4]->bounds().center().x(), 0.5);
    EXPECT_GT(labels[6]->bounds().top(), labels[1]->bounds().bottom() - 0.01);
    // The groups are parted by a line between Q3 and the second Q1.
    const double between = (labels[2]->bounds().right() + labels[3]->bounds().left()) / 2;
    bool parted = false;
    for (const ScenePrimitive* p : scene.find(E::MajorTick, -1, -1, 0))
        if (std::abs(boxOf(p).center().x() - between) < 8 && boxOf(p).bottom() > labels[6]->bounds().top()) parted = true;
    EXPECT_TRUE(parted);
    // c:noMultiLvlLbl: the inner level alone.
    EXPECT_EQ(sceneWith("<c:noMultiLvlLbl val=\"1\"/>").texts(E::AxisLabel, 0), (QStringList{"Q1", "Q2", "Q3", "Q1", "Q2", "Q3"}));
}

// The 54 presets: each its own tile; the percentages cover about their share, more for more;
// lines run the way their names say.
TEST(ChartRenderer, PresetPatternsAreDistinctAndRunTheirNamedWay) {
    const QStringList percents{"pct5", "pct10", "pct20", "pct25", "pct30", "pct40", "pct50", "pct60", "pct70", "pct75", "pct80", "pct90"};
    const QStringList others{"horz", "vert", "ltHorz", "ltVert", "dkHorz", "dkVert", "narHorz", "narVert", "dashHorz",
                             "dashVert", "cross", "dnDiag", "upDiag", "ltDnDiag", "ltUpDiag", "dkDnDiag", "dkUpDiag",
                             "wdDnDiag", "wdUpDiag", "dashDnDiag", "dashUpDiag", "diagCross", "smCheck", "lgCheck",
                             "smGrid", "lgGrid", "dotGrid", "smConfetti", "lgConfetti", "horzBrick", "diagBrick",
                             "solidDmnd", "openDmnd", "dotDmnd", "plaid", "sphere", "weave", "divot", "shingle",
                             "wave", "trellis", "zigZag"};
    ASSERT_EQ(percents.size() + others.size(), 54);
    EXPECT_FALSE(presetPatternBits("pct55"));
    const auto bit = [](const std::array<std::uint8_t, 8>& t, int r, int c) { return (t[size_t(r & 7)] >> (7 - (c & 7))) & 1; };
    std::set<std::array<std::uint8_t, 8>> seen;
    for (const QString& name : percents + others) {
        const auto tile = presetPatternBits(name);
        ASSERT_TRUE(tile) << name.toStdString();
        seen.insert(*tile);
    }
    EXPECT_EQ(seen.size(), 54u - 1);  // cross and lgGrid are drawn alike
    int previous = 0;
    for (const QString& name : percents) {
        int set = 0;
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c) set += bit(*presetPatternBits(name), r, c);
        EXPECT_GT(set, previous) << name.toStdString();
        EXPECT_NEAR(set / 64.0 * 100, name.mid(3).toInt(), 7.5) << name.toStdString();
        previous = set;
    }
    for (const QString& name : others) {
        const auto t = *presetPatternBits(name);
        bool fullRow = false, fullColumn = false;
        int down = 0, up = 0;  // foreground pixels followed by another along each diagonal
        for (int i = 0; i < 8; ++i) {
            fullRow = fullRow || t[size_t(i)] == 0xFF;
            bool column = true;
            for (int r = 0; r < 8; ++r) column = column && bit(t, r, i);
            fullColumn = fullColumn || column;
        }
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c) {
                if (!bit(t, r, c)) continue;
                down += bit(t, r + 1, c + 1);
                up += bit(t, r + 1, c - 1);
            }
        const bool dashed = name.startsWith("dash");
        if (name.endsWith("Horz") && !dashed) {
            EXPECT_TRUE(fullRow && !fullColumn) << name.toStdString();
        }
        if (name.endsWith("Vert") && !dashed) {
            EXPECT_TRUE(fullColumn && !fullRow) << name.toStdString();
        }
        if (name.contains("DnDiag")) {
            EXPECT_GT(down, up) << name.toStdString();
        }
        if (name.contains("UpDiag")) {
            EXPECT_GT(up, down) << name.toStdString();
        }
    }
}

// Style effects: a shape's own outer shadow, and the theme's intense effect (a soft shadow and a
// top bevel) that the styles of intense fills give their data points, reach the scene as the
// primitives' shadow and bevel; an explicit empty effect list takes them away. Painted, the
// shadow darkens the background beside the bar on the side it falls.
namespace {

const QByteArray kEffectTheme =
    "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"Effects\"><a:themeElements>"
    "<a:clrScheme name=\"c\"><a:dk1><a:srgbClr val=\"000000\"/></a:dk1><a:lt1><a:srgbClr val=\"FFFFFF\"/></a:lt1>"
    "<a:dk2><a:srgbClr val=\"1F497D\"/></a:dk2><a:lt2><a:srgbClr val=\"EEECE1\"/></a:lt2>"
    "<a:accent1><a:srgbClr val=\"4F81BD\"/></a:accent1><a:accent2><a:srgbClr val=\"C0504D\"/></a:accent2>"
    "<a:accent3><a:srgbClr val=\"9BBB59\"/></a:accent3><a:accent4><a:srgbClr val=\"8064A2\"/></a:accent4>"
    "<a:accent5><a:srgbClr val=\"4BACC6\"/></a:accent5><a:accent6><a:srgbClr val=\"F79646\"/></a:accent6>"
    "<a:hlink><a:srgbClr val=\"0000FF\"/></a:hlink><a:folHlink><a:srgbClr val=\"800080\"/></a:folHlink></a:clrScheme>"
    "<a:fontScheme name=\"f\"><a:majorFont><a:latin typeface=\"Cambria\"/></a:majorFont>"
    "<a:minorFont><a:latin typeface=\"Calibri\"/></a:minorFont></a:fontScheme>"
    "<a:fmtScheme name=\"m\"><a:fillStyleLst><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>"
    "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill></a:fillStyleLst>"
    "<a:lnStyleLst><a:ln w=\"9525\"><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill></a:ln>"
    "<a:ln w=\"25400\"><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill></a:ln>"
    "<a:ln w=\"38100\"><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill></a:ln></a:lnStyleLst>"
    "<a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle>"
    "<a:effectStyle><a:effectLst><a:outerShdw blurRad=\"40000\" dist=\"23000\" dir=\"5400000\" rotWithShape=\"0\">"
    "<a:srgbClr val=\"000000\"><a:alpha val=\"35000\"/></a:srgbClr></a:outerShdw></a:effectLst>"
    "<a:scene3d><a:camera prst=\"orthographicFront\"/><a:lightRig rig=\"threePt\" dir=\"t\"/></a:scene3d>"
    "<a:sp3d><a:bevelT w=\"63500\" h=\"25400\"/></a:sp3d></a:effectStyle></a:effectStyleLst>"
    "<a:bgFillStyleLst><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill></a:bgFillStyleLst></a:fmtScheme>"
    "</a:themeElements></a:theme>";

ChartSpace styledBars(int style, const QByteArray& seriesShape = QByteArray()) {
    const QByteArray bars = "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:varyColors val=\"0\"/>"
                            "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>" + seriesShape + "<c:val>" + numbers({3, 5, 4}) +
                            "</c:val></c:ser><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + kCatValAxes;
    return readChartSpace("<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
                          "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><c:style val=\"" +
                              QByteArray::number(style) + "\"/><c:chart><c:autoTitleDeleted val=\"1\"/><c:plotArea>" + bars +
                              "</c:plotArea></c:chart></c:chartSpace>",
                          "specimen.xlsx", "/xl/charts/chart1.xml");
}

}  // namespace

TEST(ChartRenderer, StyleEffectsBecomeShadowsAndBevelsOfTheShapes) {
    RenderContext context;
    context.theme = drawingml::readTheme(kEffectTheme, "specimen.xlsx", "/xl/theme/theme1.xml");
    const QSizeF size(240, 144);
    const auto bars = [&](const ChartSpace& chart) {
        const ChartScene scene = buildChartScene(chart, context, size);
        std::vector<ScenePrimitive> out;
        for (const ScenePrimitive* p : scene.find(E::DataPoint)) out.push_back(*p);
        return out;
    };

    // Style 42 (intense fills): the theme's intense effect on every bar.
    const auto intense = bars(styledBars(42));
    ASSERT_EQ(intense.size(), 3u);
    for (const ScenePrimitive& p : intense) {
        ASSERT_TRUE(p.shadow);
        EXPECT_NEAR(p.shadow->offset.x(), 0, 1e-9);
        EXPECT_NEAR(p.shadow->offset.y(), 23000 / 12700.0, 1e-6);  // straight down
        EXPECT_NEAR(p.shadow->blur, 40000 / 12700.0, 1e-6);
        EXPECT_EQ(p.shadow->color, QColor(0, 0, 0, qRound(0.35 * 255)));
        EXPECT_DOUBLE_EQ(p.bevel, 5);
    }
    // Style 2 (subtle fills): none.
    for (const ScenePrimitive& p : bars(styledBars(2))) {
        EXPECT_FALSE(p.shadow);
        EXPECT_EQ(p.bevel, 0);
    }
    // The series' own shadow, to the lower right, whatever its style; an explicit empty list
    // takes the style's away.
    const auto own = bars(styledBars(
        2, "<c:spPr><a:effectLst><a:outerShdw blurRad=\"50800\" dist=\"38100\" dir=\"2700000\"><a:prstClr val=\"black\">"
           "<a:alpha val=\"40000\"/></a:prstClr></a:outerShdw></a:effectLst></c:spPr>"));
    ASSERT_TRUE(own[0].shadow);
    EXPECT_NEAR(own[0].shadow->offset.x(), 3 / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(own[0].shadow->offset.y(), 3 / std::sqrt(2.0), 1e-6);
    for (const ScenePrimitive& p : bars(styledBars(42, "<c:spPr><a:effectLst/></c:spPr>"))) {
        EXPECT_FALSE(p.shadow);
        EXPECT_EQ(p.bevel, 0);
    }

    // Painted at 96 dpi, a shadow 4 pt to the right darkens the background just right of the
    // middle bar; left of it the background stays as it was.
    const QImage plain = renderChartImage(styledBars(2), context, size, 1).convertToFormat(QImage::Format_RGB32);
    const QImage shaded = renderChartImage(styledBars(
                                               2, "<c:spPr><a:effectLst><a:outerShdw blurRad=\"25400\" dist=\"50800\" dir=\"0\">"
                                                  "<a:srgbClr val=\"000000\"/></a:outerShdw></a:effectLst></c:spPr>"),
                                           context, size, 1)
                              .convertToFormat(QImage::Format_RGB32);
    const QRectF bar = bars(styledBars(2))[1].bounds();
    const double toPixels = plain.width() / size.width();
    // 2 pt right of the bar's right edge, half way up it: inside the shadow (4 pt to the right).
    const QPoint beside(qRound((bar.right() + 2) * toPixels), qRound(bar.center().y() * toPixels));
    EXPECT_LT(qGray(shaded.pixel(beside)), qGray(plain.pixel(beside)) - 40);
    // On the other side the background stays as it was.
    const QPoint before(qRound((bar.left() - 2) * toPixels), qRound(bar.center().y() * toPixels));
    EXPECT_EQ(shaded.pixel(before), plain.pixel(before));
}

// A legend key is drawn with the shadow and bevel of the series or point it stands for: the
// style's intense effect on the keys of a column chart, none on the key of a series whose own
// empty effect list takes it away, and a point's own shadow on its key in a pie's legend.
TEST(ChartRenderer, LegendKeysCarryTheEffectsOfWhatTheyStandFor) {
    RenderContext context;
    context.theme = drawingml::readTheme(kEffectTheme, "specimen.xlsx", "/xl/theme/theme1.xml");
    const auto styled = [](const QByteArray& plot) {
        return readChartSpace("<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
                              "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><c:style val=\"42\"/>"
                              "<c:chart><c:autoTitleDeleted val=\"1\"/><c:plotArea>" + plot +
                                  "</c:plotArea><c:legend><c:legendPos val=\"r\"/></c:legend></c:chart></c:chartSpace>",
                              "specimen.xlsx", "/xl/charts/chart1.xml");
    };
    const QByteArray series = "<c:ser><c:idx val=\"%1\"/><c:order val=\"%1\"/><c:tx><c:v>S%1</c:v></c:tx>%2<c:val>";
    const ChartSpace columns = styled(
        "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:varyColors val=\"0\"/>" +
        QString::fromLatin1(series).arg(0).arg(QString()).toLatin1() + numbers({3, 5}) + "</c:val></c:ser>" +
        QString::fromLatin1(series).arg(1).arg("<c:spPr><a:effectLst/></c:spPr>").toLatin1() + numbers({4, 2}) +
        "</c:val></c:ser><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + kCatValAxes);
    const ChartScene scene = buildChartScene(columns, context, QSizeF(320, 180));
    const auto keys = scene.find(E::LegendKey);
    ASSERT_EQ(keys.size(), 2u);
    const ScenePrimitive* bar = scene.find(E::DataPoint, 0).front();
    ASSERT_TRUE(bar->shadow);
    ASSERT_TRUE(keys[0]->shadow);
    EXPECT_EQ(keys[0]->shadow->color, bar->shadow->color);
    EXPECT_EQ(keys[0]->shadow->offset, bar->shadow->offset);
    EXPECT_DOUBLE_EQ(keys[0]->shadow->blur, bar->shadow->blur);
    EXPECT_DOUBLE_EQ(keys[0]->bevel, 5);
    EXPECT_FALSE(keys[1]->shadow);
    EXPECT_EQ(keys[1]->bevel, 0);

    // A pie lists its points; the second point's own shadow, to the right, is its key's.
    const QString ownShadow = "<c:dPt><c:idx val=\"1\"/><c:spPr><a:effectLst><a:outerShdw dist=\"38100\" dir=\"0\">"
                              "<a:srgbClr val=\"FF0000\"/></a:outerShdw></a:effectLst></c:spPr></c:dPt>";
    const ChartSpace pie = styled("<c:pieChart><c:varyColors val=\"1\"/>" +
                                  QString::fromLatin1(series).arg(0).arg(ownShadow).toLatin1() + numbers({2, 3, 4}) +
                                  "</c:val></c:ser><c:firstSliceAng val=\"0\"/></c:pieChart>");
    const ChartScene pieScene = buildChartScene(pie, context, QSizeF(320, 180));
    const auto pointKeys = pieScene.find(E::LegendKey);
    ASSERT_EQ(pointKeys.size(), 3u);
    ASSERT_TRUE(pointKeys[0]->shadow);
    EXPECT_NEAR(pointKeys[0]->shadow->offset.y(), 23000 / 12700.0, 1e-6);  // the style's, straight down
    ASSERT_TRUE(pointKeys[1]->shadow);
    EXPECT_EQ(pointKeys[1]->shadow->color, QColor(255, 0, 0));
    EXPECT_NEAR(pointKeys[1]->shadow->offset.x(), 3, 1e-6);
    EXPECT_NEAR(pointKeys[1]->shadow->offset.y(), 0, 1e-6);
}

// A date axis's stated bounds stand over its data's dates: the labels run from the minimum to
// the maximum by the major unit in the base unit, and points outside are not drawn.
TEST(ChartRenderer, DateAxisBoundsAndUnitsAreHonoured) {
    const RenderContext context;
    // Monthly points from 2023-01-01 to 2023-06-01 (serials 44927 ... 45078).
    const std::vector<double> months{44927, 44958, 44986, 45017, 45047, 45078};
    const auto dated = [&](const QByteArray& scaling, const QByteArray& units) {
        return chartFromXml(
            "<c:lineChart><c:grouping val=\"standard\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>"
            "<c:marker><c:symbol val=\"square\"/></c:marker><c:cat>" + numbers(months) + "</c:cat><c:val>" +
            numbers({1, 2, 3, 4, 5, 6}) + "</c:val></c:ser><c:marker val=\"1\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>"
            "<c:dateAx><c:axId val=\"1\"/><c:scaling>" + scaling + "</c:scaling><c:axPos val=\"b\"/>"
            "<c:numFmt formatCode=\"yyyy-mm-dd\" sourceLinked=\"0\"/><c:crossAx val=\"2\"/><c:auto val=\"0\"/>" + units +
            "</c:dateAx><c:valAx><c:axId val=\"2\"/><c:scaling/><c:axPos val=\"l\"/><c:crossAx val=\"1\"/></c:valAx>");
    };
    const QByteArray monthly = "<c:baseTimeUnit val=\"months\"/><c:majorUnit val=\"1\"/><c:majorTimeUnit val=\"months\"/>";
    const ChartScene all = buildChartScene(dated("", monthly), context, QSizeF(360, 216));
    EXPECT_EQ(all.texts(E::AxisLabel, 0),
              (QStringList{"2023-01-01", "2023-02-01", "2023-03-01", "2023-04-01", "2023-05-01", "2023-06-01"}));
    EXPECT_EQ(all.find(E::Marker).size(), 6u);

    // From February to May: four labels, the markers of January and June gone.
    const ChartScene bounded = buildChartScene(
        dated("<c:orientation val=\"minMax\"/><c:max val=\"45047\"/><c:min val=\"44958\"/>", monthly), context, QSizeF(360, 216));
    EXPECT_EQ(bounded.texts(E::AxisLabel, 0), (QStringList{"2023-02-01", "2023-03-01", "2023-04-01", "2023-05-01"}));
    QSet<int> drawn;
    for (const ScenePrimitive* m : bounded.find(E::Marker)) drawn.insert(m->tag.point);
    EXPECT_EQ(drawn, (QSet<int>{1, 2, 3, 4}));

    // Every second month, in days as the base: labels two months apart from the minimum.
    const ChartScene twoMonthly = buildChartScene(
        dated("<c:min val=\"44927\"/>", "<c:baseTimeUnit val=\"days\"/><c:majorUnit val=\"2\"/><c:majorTimeUnit val=\"months\"/>"),
        context, QSizeF(360, 216));
    EXPECT_EQ(twoMonthly.texts(E::AxisLabel, 0), (QStringList{"2023-01-01", "2023-03-01", "2023-05-01"}));
}

// Data labels turned by their text properties (a:bodyPr rot) are drawn turned, and placed by the
// room their turned box takes: a label turned upright above a column stands clear of it.
TEST(ChartRenderer, DataLabelsTurnAsTheirTextPropertiesSay) {
    const RenderContext context;
    const auto labelled = [](const QByteArray& bodyPr) {
        return chartFromXml("<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:ser><c:idx val=\"0\"/>"
                            "<c:order val=\"0\"/><c:dLbls><c:numFmt formatCode=\"#,##0\" sourceLinked=\"0\"/><c:txPr>" +
                            bodyPr + "<a:p><a:pPr><a:defRPr/></a:pPr></a:p></c:txPr><c:dLblPos val=\"outEnd\"/>"
                            "<c:showLegendKey val=\"0\"/><c:showVal val=\"1\"/><c:showCatName val=\"0\"/><c:showSerName val=\"0\"/>"
                            "<c:showPercent val=\"0\"/><c:showBubbleSize val=\"0\"/></c:dLbls><c:val>" + numbers({12345, 13456}) +
                            "</c:val></c:ser><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + kCatValAxes);
    };
    const ChartScene flat = buildChartScene(labelled("<a:bodyPr/>"), context, QSizeF(360, 400));
    const ChartScene upright = buildChartScene(labelled("<a:bodyPr rot=\"-5400000\" vert=\"horz\"/>"), context, QSizeF(360, 400));
    const auto textOf = [](const ChartScene& scene) -> const ScenePrimitive* {
        for (const ScenePrimitive* p : scene.find(E::DataLabel))
            if (p->kind == ScenePrimitive::Kind::Text && p->tag.point == 1) return p;
        return nullptr;
    };
    const ScenePrimitive* a = textOf(flat);
    const ScenePrimitive* b = textOf(upright);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->text, "13,456");
    EXPECT_DOUBLE_EQ(a->angle, 0);
    EXPECT_DOUBLE_EQ(b->angle, -90);
    // Turned about its centre, the upright label's lowest point is still above the column.
    const QPointF centre = b->origin;
    const double lowest = centre.y() + b->box.width() / 2;
    double columnTop = 1e9;
    for (const ScenePrimitive* p : upright.find(E::DataPoint))
        if (p->tag.point == 1) columnTop = p->bounds().top();
    EXPECT_LE(lowest, columnTop + 0.01);
    // The flat label sits lower: it needs only its height above the column.
    EXPECT_GT(a->position.y() + a->box.height() / 2, centre.y() + 1);
}

// Category labels too wide for their slot are broken at their spaces, line under line, before
// any is turned; a word wider than the slot turns them all.
TEST(ChartRenderer, LongCategoryLabelsWrapBeforeTheyTurn) {
    const RenderContext context;
    const auto columns = [](const QStringList& names) {
        QByteArray cats = "<c:strLit><c:ptCount val=\"" + QByteArray::number(names.size()) + "\"/>";
        for (int i = 0; i < names.size(); ++i)
            cats += "<c:pt idx=\"" + QByteArray::number(i) + "\"><c:v>" + names[i].toUtf8() + "</c:v></c:pt>";
        cats += "</c:strLit>";
        return chartFromXml("<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:ser><c:idx val=\"0\"/>"
                            "<c:order val=\"0\"/><c:cat>" + cats + "</c:cat><c:val>" + numbers({1, 2, 3, 4, 5, 6}) +
                            "</c:val></c:ser><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>" + kCatValAxes);
    };
    const QStringList regions{"North east region", "North west region", "South east region",
                              "South west region", "Central west region", "Central east region"};
    const ChartScene wrapped = buildChartScene(columns(regions), context, QSizeF(320, 200));
    const auto lines = wrapped.find(E::AxisLabel, -1, -1, 0);
    ASSERT_GT(lines.size(), 6u);
    QMap<int, QStringList> byLabel;
    for (const ScenePrimitive* p : lines) {
        EXPECT_DOUBLE_EQ(p->angle, 0);
        byLabel[p->tag.point] << p->text;
    }
    ASSERT_EQ(byLabel.size(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_GT(byLabel[i].size(), 1) << i;
        EXPECT_EQ(byLabel[i].join(' '), regions[i]);
    }
    // Lines of one label stand under one another, centred on the same tick.
    const auto first = wrapped.find(E::AxisLabel, -1, 0, 0);
    ASSERT_GE(first.size(), 2u);
    EXPECT_GT(first[1]->position.y(), first[0]->position.y());
    EXPECT_NEAR(first[0]->bounds().center().x(), first[1]->bounds().center().x(), 0.5);
    // Neighbouring labels do not run into each other.
    for (int i = 0; i + 1 < 6; ++i) {
        double right = -1e9, left = 1e9;
        for (const ScenePrimitive* p : wrapped.find(E::AxisLabel, -1, i, 0)) right = std::max(right, p->bounds().right());
        for (const ScenePrimitive* p : wrapped.find(E::AxisLabel, -1, i + 1, 0)) left = std::min(left, p->bounds().left());
        EXPECT_LT(right, left) << i;
    }

    // One word longer than a slot: turned, whole.
    const QStringList longWords{"Nordrhein-Westfalen-Mitte", "B", "C", "D", "E", "F"};
    const ChartScene turned = buildChartScene(columns(longWords), context, QSizeF(320, 200));
    const auto turnedLabels = turned.find(E::AxisLabel, -1, -1, 0);
    ASSERT_EQ(turnedLabels.size(), 6u);
    for (const ScenePrimitive* p : turnedLabels) EXPECT_DOUBLE_EQ(p->angle, -45);
    EXPECT_EQ(turnedLabels[0]->text, "Nordrhein-Westfalen-Mitte");
}
