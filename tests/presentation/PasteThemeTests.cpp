// Which theme a pasted chart takes: the deck's by default, the workbook's when its source
// formatting is kept; read back from the part, from our drawing of the slide's chart and from
// LibreOffice's. A pivot chart pasted keeps the points it shows; pasting a chart again adds
// only another chart.

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "Fixtures.h"
#include "engine/chartcopy/ChartCollector.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartdraw/ChartScene.h"
#include "engine/chartformat/FormatResolver.h"
#include "engine/package/Xml.h"
#include "engine/package/OoxmlNames.h"
#include "engine/presentation/Presentation.h"
#include "engine/workbook/Workbook.h"

using engine::PasteFormatting;
using engine::Presentation;

namespace {

// The workbook's theme (xlsxwriter writes Office's 2007 theme) and the new deck's differ in
// both: accent 1 and the body font.
const QColor kWorkbookAccent1(0x4F, 0x81, 0xBD);
const QColor kDeckAccent1(0x2E, 0x6D, 0xB4);

// The deck's one chart part on slide `slide`.
QString chartOn(const Presentation& deck, int slide) {
    for (const auto& shape : deck.slideShapes(slide)) {
        if (shape.kind == engine::SlideShape::Kind::Chart)
            return deck.slideTarget(slide, shape.relId);
    }
    return {};
}

QString themeOverrideOf(const Presentation& deck, const QString& chartPart) {
    const auto rels = deck.package().relationships(chartPart);
    const auto* r = rels.firstOfType(engine::ooxml::rel::kThemeOverride);
    return r ? r->targetPart : QString();
}

// Drawing measures text, which needs the application's font database.
void needGuiApplication() {
    if (QCoreApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "presentation_engine_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
}

// The chart drawn as the presentation window draws a slide's chart: the slide master's theme
// with the chart's theme override over it.
engine::chart::ChartScene drawnOnSlide(const Presentation& deck, int slide) {
    needGuiApplication();
    const QString part = chartOn(deck, slide);
    const auto model = deck.chartModel(part);
    const QString override_ = themeOverrideOf(deck, part);
    const auto context = engine::chart::makeRenderContext(
        model, deck.slideTheme(slide),
        override_.isEmpty() ? QByteArray() : deck.package().part(override_),
        engine::chart::ChartHost::Slide, engine::chart::Producer::unknown());
    return engine::chart::buildChartScene(model, context, QSizeF(480, 288));
}

QColor firstSeriesFill(const engine::chart::ChartScene& scene) {
    for (const auto& p : scene.items) {
        if (p.tag.element == engine::chart::SceneTag::Element::DataPoint && p.tag.series == 0 &&
            p.fill)
            return p.fill->color;
    }
    return {};
}

QString axisLabelFamily(const engine::chart::ChartScene& scene) {
    for (const auto& p : scene.items) {
        if (p.kind == engine::chart::ScenePrimitive::Kind::Text &&
            p.tag.element == engine::chart::SceneTag::Element::AxisLabel)
            return p.family;
    }
    return {};
}

// One slide per formatting, the same column chart on each.
Presentation deckWithBothPastes() {
    needGuiApplication();
    const auto chart =
        fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 1);
    auto deck = Presentation::createNew();
    deck.addSlide(0, 12);
    deck.addSlide(1, 12);
    deck.pasteChart(0, chart);
    deck.pasteChart(1, chart, nullptr, PasteFormatting::KeepSource);
    return deck;
}

// The typefaces an element of a chart part names (a:latin), in document order.
QStringList typefaces(const QByteArray& chartXml) {
    pugi::xml_document doc;
    engine::parseXml(doc, chartXml, "test", "chart");
    QStringList faces;
    for (const auto& n : doc.select_nodes("//*[local-name()='latin']"))
        faces << QString::fromUtf8(n.node().attribute("typeface").value());
    faces.removeDuplicates();
    return faces;
}

}  // namespace

TEST(PasteTheme, DefaultPasteTakesTheDecksThemeAndKeepSourceTheWorkbooks) {
    const Presentation deck = deckWithBothPastes();
    const QString inDeckTheme = chartOn(deck, 0);
    const QString keptSource = chartOn(deck, 1);

    // The plain paste carries no theme of its own; keeping the source carries the workbook's.
    EXPECT_TRUE(themeOverrideOf(deck, inDeckTheme).isEmpty());
    EXPECT_FALSE(themeOverrideOf(deck, keptSource).isEmpty());

    // Both state every face: the deck's body font, or the workbook's.
    EXPECT_EQ(typefaces(deck.package().part(inDeckTheme)), QStringList{"Arial"});
    EXPECT_EQ(typefaces(deck.package().part(keptSource)), QStringList{"Calibri"});

    const auto deckScene = drawnOnSlide(deck, 0);
    const auto sourceScene = drawnOnSlide(deck, 1);
    EXPECT_EQ(firstSeriesFill(deckScene), kDeckAccent1);
    EXPECT_EQ(firstSeriesFill(sourceScene), kWorkbookAccent1);
    EXPECT_NE(axisLabelFamily(deckScene), axisLabelFamily(sourceScene));
}

// What the chart states as a fixed colour stays whichever theme it takes.
TEST(PasteTheme, FixedColoursStayInTheDecksTheme) {
    needGuiApplication();
    auto chart = fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 1);
    QByteArray& xml = chart.parts.front().data;
    const int ser = xml.indexOf("<c:ser>");
    const int tx = xml.indexOf("</c:tx>", ser);
    ASSERT_GT(ser, 0);
    ASSERT_GT(tx, ser);
    xml.insert(tx + 7, "<c:spPr><a:solidFill><a:srgbClr val=\"12AB34\"/></a:solidFill></c:spPr>");
    auto deck = Presentation::createNew();
    deck.addSlide(0, 12);
    deck.pasteChart(0, chart);
    const auto scene = drawnOnSlide(deck, 0);
    EXPECT_EQ(firstSeriesFill(scene), QColor(0x12, 0xAB, 0x34));
    // The second series still follows the deck's theme (accent 2).
    for (const auto& p : scene.items) {
        if (p.tag.element == engine::chart::SceneTag::Element::DataPoint && p.tag.series == 1 &&
            p.fill) {
            EXPECT_EQ(p.fill->color, QColor(0xD9, 0x82, 0x2B));
            break;
        }
    }
}

// LibreOffice reads no theme override (and resolves a chart's theme references against the
// deck's own theme): each paste must state its colours and faces for LibreOffice to draw them
// as the office applications do. Its own flat document of each deck says what it drew with.
TEST(PasteTheme, LibreOfficeDrawsEachPasteInItsTheme) {
    if (!fixtures::sofficeAvailable())
        GTEST_SKIP() << "LibreOffice is not installed; outside check skipped";
    QTemporaryDir dir;
    const Presentation both = deckWithBothPastes();
    QStringList chartsDrawn;
    for (int slide = 0; slide < 2; ++slide) {
        Presentation one = both;
        one.deleteSlides({1 - slide});
        const QString path = dir.filePath(QStringLiteral("paste%1.pptx").arg(slide));
        one.save(path);
        QProcess soffice;
        soffice.start("soffice",
                      {"-env:UserInstallation=file://" + dir.path() + "/lo-profile", "--headless",
                       "--convert-to", "fodp", "--outdir", dir.path(), path});
        ASSERT_TRUE(soffice.waitForFinished(240000));
        QFile fodp(dir.filePath(QStringLiteral("paste%1.fodp").arg(slide)));
        ASSERT_TRUE(fodp.open(QIODevice::ReadOnly)) << fodp.fileName().toStdString();
        const QString text = QString::fromUtf8(fodp.readAll());
        // The chart is the embedded object; the slide master around it has fonts of its own.
        const qsizetype from = text.indexOf("<draw:object");
        const qsizetype to = text.indexOf("</draw:object>", from);
        ASSERT_GE(from, 0);
        ASSERT_GT(to, from);
        chartsDrawn << text.mid(from, to - from).toLower();
    }
    const QString& inDeckTheme = chartsDrawn[0];
    const QString& keptSource = chartsDrawn[1];
    EXPECT_TRUE(inDeckTheme.contains("#2e6db4"));
    EXPECT_FALSE(inDeckTheme.contains("#4f81bd"));
    EXPECT_TRUE(keptSource.contains("#4f81bd"));
    EXPECT_FALSE(keptSource.contains("#2e6db4"));
    static const QRegularExpression family(QStringLiteral("font-family=\"([^\"]+)\""));
    QStringList deckFaces, sourceFaces;
    for (const auto& m : family.globalMatch(inDeckTheme)) deckFaces << m.captured(1).remove('\'');
    for (const auto& m : family.globalMatch(keptSource)) sourceFaces << m.captured(1).remove('\'');
    deckFaces.removeDuplicates();
    sourceFaces.removeDuplicates();
    EXPECT_EQ(deckFaces, QStringList{"arial"});
    EXPECT_EQ(sourceFaces, QStringList{"calibri"});
}

// A pivot chart shows what its pivot table gives it: four points of two category levels, where
// its references span the table's seven rows with two subtotals and the grand total.
TEST(PasteTheme, PivotChartKeepsThePointsItShowsAndEmbedsExactlyThose) {
    needGuiApplication();
    const auto book = engine::Workbook::open(fixtures::fixtureDir() + "/pivot.xlsx");
    const auto* sheet = book->worksheets().front();
    const auto package = engine::collectChart(*book, *sheet, sheet->chartObjects.front());
    auto deck = Presentation::createNew();
    deck.addSlide(0, 12);
    deck.pasteChart(0, package);
    const QString part = chartOn(deck, 0);
    const QByteArray xml = deck.package().part(part);
    EXPECT_FALSE(xml.contains("pivotSource"));

    const auto summary = deck.chartSummary(part);
    ASSERT_EQ(summary.series.size(), 2u);
    EXPECT_EQ(summary.series[0].name, "Sum of Sales");
    EXPECT_EQ(summary.series[1].name, "Sum of Cost");
    const auto model = deck.chartModel(part);
    const auto all = model.allSeries();
    ASSERT_EQ(all.size(), 2u);
    for (const auto* series : all) {
        ASSERT_TRUE(series->valueData() && series->valueData()->numbers);
        EXPECT_EQ(series->valueData()->numbers->points.size(), 4u);
    }
    EXPECT_EQ(summary.series[0].pointCount, 4);

    // The embedded data: the two category levels, the names, the four values of each series,
    // and nothing of the subtotals or the grand total; the references name it.
    const auto rels = deck.package().relationships(part);
    const auto* data = rels.byId(summary.externalDataRelId);
    ASSERT_NE(data, nullptr);
    const fixtures::Cells cells =
        fixtures::readWorkbookCells(deck.package().part(data->targetPart));
    QStringList shown;
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        shown << QStringLiteral("%1%2=%3")
                     .arg(QChar(u'A' + it.key().column))
                     .arg(it.key().row + 1)
                     .arg(it.value().value.toString());
    }
    EXPECT_EQ(shown, (QStringList{"C1=Sum of Sales", "D1=Sum of Cost", "A2=East", "B2=Apples",
                                  "C2=10", "D2=4", "B3=Pears", "C3=20", "D3=9", "A4=West",
                                  "B4=Apples", "C4=5", "D4=3", "B5=Pears", "C5=20", "D5=8"}));
    EXPECT_EQ(summary.series[0].valueFormula, "Sheet1!$C$2:$C$5");
    EXPECT_EQ(summary.series[0].nameFormula, "Sheet1!$C$1");
    EXPECT_EQ(summary.series[1].categoryFormula, "Sheet1!$A$2:$B$5");
    EXPECT_EQ(cells.value({"Sheet1", 1, 2}).numberFormat, "#,##0");
}

// Pasting the same chart again adds one more chart with exactly as many parts as the first, in
// either formatting: no second theme override, no part of the first one copied twice.
TEST(PasteTheme, SecondPasteAddsOnlyAnotherChart) {
    needGuiApplication();
    const auto chart =
        fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 1);
    for (const PasteFormatting formatting :
         {PasteFormatting::DeckTheme, PasteFormatting::KeepSource}) {
        auto deck = Presentation::createNew();
        deck.addSlide(0, 12);
        const qsizetype before = deck.package().partNames().size();
        deck.pasteChart(0, chart, nullptr, formatting);
        const qsizetype once = deck.package().partNames().size();
        deck.pasteChart(0, chart, nullptr, formatting);
        const qsizetype twice = deck.package().partNames().size();
        EXPECT_EQ(twice - once, once - before);

        int overrides = 0;
        for (const QString& name : deck.package().partNames())
            overrides += deck.package().contentTypes().of(name) ==
                         QLatin1String(engine::ooxml::ct::kThemeOverride);
        EXPECT_EQ(overrides, formatting == PasteFormatting::KeepSource ? 2 : 0);

        // The two charts are the same chart.
        QStringList charts;
        for (const auto& shape : deck.slideShapes(0)) {
            if (shape.kind == engine::SlideShape::Kind::Chart)
                charts << deck.slideTarget(0, shape.relId);
        }
        ASSERT_EQ(charts.size(), 2);
        EXPECT_EQ(deck.package().part(charts[0]), deck.package().part(charts[1]));
        EXPECT_LE(deck.package().relationships(charts[1]).all().size(),
                  formatting == PasteFormatting::KeepSource ? 2u : 1u);
    }
}

// The deck, both pastes in it, saved: held to the schemas by the schema test's checker.
TEST(PasteTheme, DecksOfBothPastesPassTheSchemaCheck) {
    QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
    if (source.isEmpty()) source = QStringLiteral(QUILLMERE_SOURCE_ROOT);
    QTemporaryDir dir;
    const QString path = dir.filePath("both.pptx");
    deckWithBothPastes().save(path);
    QProcess check;
    check.start("/usr/bin/python3", {source + "/tools/check-ooxml-schema.py", path});
    ASSERT_TRUE(check.waitForFinished(240000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString()
                                   << check.readAllStandardError().toStdString();
}
