// The chart renderer on charts read from real workbooks: what each scene shows (bars, points,
// slices, legend entries, axis labels, titles, data labels), that nothing leaves the chart's
// box, and that PNG, SVG and PDF pictures are written whole.

#include "engine/chart/ChartRenderer.h"
#include "engine/chart/WorkbookChart.h"
#include "engine/package/Package.h"
#include "engine/workbook/Workbook.h"

#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pugixml.hpp>

using namespace engine;
using namespace engine::chart;
using E = SceneTag::Element;

namespace {

QString sourceRoot() {
    QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
#ifdef QUILLMERE_TEST_SOURCE_ROOT
    if (source.isEmpty()) source = QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT);
#endif
    return source;
}

// Workbooks made once per test program by the project's generators.
QString generated(const QString& script, const QString& name) {
    static QTemporaryDir dir;
    static QStringList made;
    if (!made.contains(script)) {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {sourceRoot() + QStringLiteral("/tools/") + script, dir.path()});
        if (!python.waitForFinished(300000) || python.exitCode() != 0)
            throw std::runtime_error(script.toStdString() + " failed: " + python.readAllStandardError().toStdString());
        made << script;
    }
    return dir.filePath(name);
}

struct Charts {
    std::unique_ptr<Workbook> workbook;
    std::vector<WorkbookChart> charts;
};

const Charts& kinds() {
    static Charts charts = [] {
        Charts c;
        c.workbook = Workbook::open(generated(QStringLiteral("make-model-workbooks.py"), QStringLiteral("kinds.xlsx")));
        const auto* sheet = c.workbook->sheetByName(QStringLiteral("Data"));
        for (const auto& object : sheet->chartObjects) c.charts.push_back(workbookChart(*c.workbook, *sheet, object));
        return c;
    }();
    return charts;
}

ChartScene sceneOf(const WorkbookChart& c) { return buildChartScene(c.chart, c.context, c.sizeInPoints); }

int dataPoints(const ChartScene& scene, int series) { return scene.count(E::DataPoint, series); }

}  // namespace

TEST(ChartRenderer, EveryKindDrawsInsideItsBox) {
    for (const WorkbookChart& c : kinds().charts) {
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

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
