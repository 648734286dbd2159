// A chart's look as every road that draws a workbook's chart gets it: a chart with a theme of its
// own (a theme override) draws in that theme's colours, whoever draws it.

#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartcopy/WorkbookChart.h"
#include "engine/chartcopy/ChartCollector.h"
#include "engine/chartcopy/ChartLook.h"
#include "engine/package/Package.h"
#include "engine/workbook/Workbook.h"
#include "tests/support/GeneratedFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace engine;
using namespace engine::chart;

namespace {

const QByteArray kRedAccents =
    "<a:themeOverride xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:clrScheme name=\"Reds\">"
    "<a:dk1><a:srgbClr val=\"111111\"/></a:dk1><a:lt1><a:srgbClr val=\"FFFFFF\"/></a:lt1><a:dk2><a:srgbClr val=\"000000\"/></a:dk2>"
    "<a:lt2><a:srgbClr val=\"EEEEEE\"/></a:lt2><a:accent1><a:srgbClr val=\"AA0000\"/></a:accent1><a:accent2><a:srgbClr val=\"00AA00\"/></a:accent2>"
    "<a:accent3><a:srgbClr val=\"0000AA\"/></a:accent3><a:accent4><a:srgbClr val=\"AAAA00\"/></a:accent4><a:accent5><a:srgbClr val=\"00AAAA\"/></a:accent5>"
    "<a:accent6><a:srgbClr val=\"AA00AA\"/></a:accent6><a:hlink><a:srgbClr val=\"0000FF\"/></a:hlink><a:folHlink><a:srgbClr val=\"800080\"/></a:folHlink>"
    "</a:clrScheme></a:themeOverride>";

// The render workbook with its first chart given the theme override above.
QString workbookWithOverride(const QTemporaryDir& dir) {
    const QString source = testsupport::generatedFile(QStringLiteral("make-render-workbooks.py"), {}, QStringLiteral("render.xlsx"));
    const auto original = Workbook::open(source);
    const QString chartPart = original->sheetByName(QStringLiteral("Kinds"))->chartObjects.at(0).chartPart;
    Package package = Package::load(source);
    const QString overridePart = QStringLiteral("/xl/theme/themeOverride1.xml");
    package.setPart(overridePart, kRedAccents);
    package.contentTypes().setOverride(overridePart,
                                       QStringLiteral("application/vnd.openxmlformats-officedocument.themeOverride+xml"));
    package.setPart(relationshipsPartName(chartPart),
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/themeOverride\" "
                    "Target=\"../theme/themeOverride1.xml\"/></Relationships>");
    const QString copy = dir.filePath(QStringLiteral("override.xlsx"));
    package.saveAtomically(copy);
    return copy;
}

QColor firstBarColour(const ChartScene& scene) {
    const auto bars = scene.find(SceneTag::Element::DataPoint, 0);
    return bars.empty() || !bars[0]->fill ? QColor() : bars[0]->fill->color;
}

}  // namespace

TEST(ChartLook, AChartsThemeOverrideColoursEveryPictureOfIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto workbook = Workbook::open(workbookWithOverride(dir));
    const Workbook::Sheet& sheet = *workbook->sheetByName(QStringLiteral("Kinds"));
    const Workbook::ChartObject& object = sheet.chartObjects.at(0);

    // The road of pictures and the preview: the workbook's chart as read.
    const WorkbookChart chart = workbookChart(*workbook, sheet, object);
    const ChartScene pictured = buildChartScene(chart.chart, chart.context, chart.sizeInPoints);
    EXPECT_EQ(firstBarColour(pictured), QColor(QStringLiteral("#AA0000")));

    // The clipboard's road: the chart's package alone, the workbook closed.
    const ChartPackage package = collectChart(*workbook, sheet, object);
    const RenderContext copied = packagedChartLook(package, chart.chart);
    EXPECT_EQ(copied.producer.application, chart.context.producer.application);
    EXPECT_EQ(copied.producer.version, chart.context.producer.version);
    const ChartScene fromClipboard = buildChartScene(chart.chart, copied, chart.sizeInPoints);
    ASSERT_EQ(fromClipboard.items.size(), pictured.items.size());
    for (size_t i = 0; i < pictured.items.size(); ++i) {
        const ScenePrimitive& a = pictured.items[i];
        const ScenePrimitive& b = fromClipboard.items[i];
        EXPECT_EQ(a.fill.has_value(), b.fill.has_value()) << i;
        if (a.fill && b.fill) {
            EXPECT_EQ(a.fill->color, b.fill->color) << i;
        }
        EXPECT_EQ(a.color, b.color) << i;
    }

    // Without the override the same chart keeps the workbook theme's first accent.
    const auto plain = Workbook::open(testsupport::generatedFile(QStringLiteral("make-render-workbooks.py"), {}, QStringLiteral("render.xlsx")));
    const Workbook::Sheet& plainSheet = *plain->sheetByName(QStringLiteral("Kinds"));
    const WorkbookChart plainChart = workbookChart(*plain, plainSheet, plainSheet.chartObjects.at(0));
    EXPECT_NE(firstBarColour(buildChartScene(plainChart.chart, plainChart.context, plainChart.sizeInPoints)),
              QColor(QStringLiteral("#AA0000")));
}

// Pasted in the deck's theme or in its workbook's, the chart's own theme still decides its
// colours; without one, the deck's theme does in a plain paste.
TEST(ChartLook, ThePastedLookKeepsTheChartsOwnThemeOverWhicheverThemeItTakes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto workbook = Workbook::open(workbookWithOverride(dir));
    const Workbook::Sheet& sheet = *workbook->sheetByName(QStringLiteral("Kinds"));
    const ChartPackage package = collectChart(*workbook, sheet, sheet.chartObjects.at(0));
    const WorkbookChart chart = workbookChart(*workbook, sheet, sheet.chartObjects.at(0));
    const Relationships chartRels =
        Relationships::parse(package.chartPart().rels, package.chartPart().name, QStringLiteral("clipboard"));
    // A deck theme whose first accent is green.
    QByteArray deckTheme = workbook->theme();
    const qsizetype accent = deckTheme.indexOf("<a:accent1>");
    ASSERT_GE(accent, 0);
    const qsizetype end = deckTheme.indexOf("</a:accent1>", accent);
    deckTheme.replace(accent, end - accent, "<a:accent1><a:srgbClr val=\"00BB00\"/>");

    for (const PasteFormatting formatting : {PasteFormatting::DeckTheme, PasteFormatting::KeepSource}) {
        const RenderContext look = pastedChartLook(package, chartRels, PasteLook{formatting, deckTheme});
        EXPECT_EQ(firstBarColour(buildChartScene(chart.chart, look, chart.sizeInPoints)), QColor(QStringLiteral("#AA0000")))
            << int(formatting);
    }
    const RenderContext deckOnly = pastedChartLook(package, Relationships(), PasteLook{PasteFormatting::DeckTheme, deckTheme});
    EXPECT_EQ(firstBarColour(buildChartScene(chart.chart, deckOnly, chart.sizeInPoints)), QColor(QStringLiteral("#00BB00")));
}
