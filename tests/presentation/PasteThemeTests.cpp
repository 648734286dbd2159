// Which theme a pasted chart takes: the deck's by default, the workbook's when its source
// formatting is kept; read back from the part, from our drawing of the slide's chart and from
// LibreOffice's. A pivot chart pasted keeps the points it shows; pasting a chart again adds
// only another chart.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
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
#include "engine/package/Package.h"
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

// The saved deck at `path` copied to `out` with its master's theme changed: accent 1 and the body
// font replaced, as a user choosing another theme for the deck would change them.
const QColor kChangedAccent1(0x8E, 0x44, 0xAD);

void saveWithChangedTheme(const Presentation& deck, const QString& path, const QString& out) {
    deck.save(path);
    auto package = engine::Package::load(path);
    const QByteArray theme = deck.slideTheme(0);
    int changed = 0;
    for (const QString& name : package.partNames()) {
        if (package.part(name) != theme) continue;
        QByteArray xml = theme;
        xml.replace("<a:accent1><a:srgbClr val=\"2E6DB4\"/>", "<a:accent1><a:srgbClr val=\"8E44AD\"/>");
        xml.replace("<a:minorFont><a:latin typeface=\"Arial\"/>", "<a:minorFont><a:latin typeface=\"Liberation Serif\"/>");
        ASSERT_NE(xml, theme) << "the deck's theme no longer names accent 1 and the body font as expected";
        package.setPart(name, xml);
        ++changed;
    }
    ASSERT_EQ(changed, 1);
    package.saveAtomically(out);
}

// The colours of a chart part: stated (srgbClr values) and named (schemeClr values).
QStringList colourElements(const QByteArray& chartXml, const char* local) {
    pugi::xml_document doc;
    engine::parseXml(doc, chartXml, "test", "chart");
    QStringList values;
    for (const auto& n : doc.select_nodes(QStringLiteral("//*[local-name()='%1']").arg(local).toUtf8().constData()))
        values << QString::fromUtf8(n.node().attribute("val").value());
    return values;
}

// LibreOffice's flat document of a deck of one chart: the chart object's markup, lower case.
QString drawnByLibreOffice(const QString& path, const QTemporaryDir& dir) {
    QProcess soffice;
    soffice.start("soffice", {"-env:UserInstallation=file://" + dir.path() + "/lo-profile", "--headless",
                              "--convert-to", "fodp", "--outdir", dir.path(), path});
    if (!soffice.waitForFinished(240000)) return {};
    QFile fodp(dir.filePath(QFileInfo(path).completeBaseName() + ".fodp"));
    if (!fodp.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromUtf8(fodp.readAll());
    // The chart is the embedded object; the slide master around it has fonts of its own.
    const qsizetype from = text.indexOf("<draw:object");
    const qsizetype to = text.indexOf("</draw:object>", from);
    if (from < 0 || to <= from) return {};
    return text.mid(from, to - from).toLower();
}

QStringList fontFamilies(const QString& drawn) {
    static const QRegularExpression family(QStringLiteral("font-family=\"([^\"]+)\""));
    QStringList faces;
    for (const auto& m : family.globalMatch(drawn)) faces << m.captured(1).remove(QStringLiteral("&apos;")).remove('\'');
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

    // The plain paste names the deck's body font, which it takes; keeping the source states the
    // workbook's face.
    EXPECT_EQ(typefaces(deck.package().part(inDeckTheme)), QStringList{"+mn-lt"});
    EXPECT_EQ(typefaces(deck.package().part(keptSource)), QStringList{"Calibri"});

    const auto deckScene = drawnOnSlide(deck, 0);
    const auto sourceScene = drawnOnSlide(deck, 1);
    EXPECT_EQ(firstSeriesFill(deckScene), kDeckAccent1);
    EXPECT_EQ(firstSeriesFill(sourceScene), kWorkbookAccent1);
    EXPECT_NE(axisLabelFamily(deckScene), axisLabelFamily(sourceScene));
}

// What the chart states as a fixed colour or face stays whichever theme it takes; what it names
// of the theme stays named, to be taken from the deck's.
TEST(PasteTheme, FixedColoursStayInTheDecksTheme) {
    needGuiApplication();
    auto chart = fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 1);
    QByteArray& xml = chart.parts.front().data;
    const int ser = xml.indexOf("<c:ser>");
    const int tx = xml.indexOf("</c:tx>", ser);
    ASSERT_GT(ser, 0);
    ASSERT_GT(tx, ser);
    xml.insert(tx + 7, "<c:spPr><a:solidFill><a:srgbClr val=\"12AB34\"/></a:solidFill></c:spPr>");
    const int second = xml.indexOf("<c:ser>", ser + 1);
    const int secondTx = xml.indexOf("</c:tx>", second);
    ASSERT_GT(secondTx, second);
    xml.insert(secondTx + 7, "<c:spPr><a:ln><a:solidFill><a:schemeClr val=\"accent6\"><a:lumMod val=\"75000\"/>"
                             "</a:schemeClr></a:solidFill></a:ln></c:spPr>");
    const QByteArray titleRun = "<a:rPr lang=\"en-US\"/>";
    ASSERT_GT(xml.indexOf(titleRun), 0);
    xml.replace(titleRun, "<a:rPr lang=\"en-US\"><a:latin typeface=\"Courier New\"/></a:rPr>");
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
    const QByteArray pasted = deck.package().part(chartOn(deck, 0));
    EXPECT_EQ(colourElements(pasted, "srgbClr"), QStringList{"12AB34"});
    pugi::xml_document doc;
    engine::parseXml(doc, pasted, "test", "chart");
    const auto line = doc.select_node("//*[local-name()='ser'][2]/*[local-name()='spPr']/*[local-name()='ln']"
                                      "/*[local-name()='solidFill']/*[local-name()='schemeClr']");
    ASSERT_TRUE(line);
    EXPECT_STREQ(line.node().attribute("val").value(), "accent6");
    EXPECT_STREQ(line.node().first_child().attribute("val").value(), "75000");
    EXPECT_EQ(typefaces(pasted), (QStringList{"Courier New", "+mn-lt"}));
}

// LibreOffice reads no theme override and resolves a chart's theme references against the
// deck's own theme: the plain paste, which names the deck's theme, and the kept source, which
// states the workbook's look, both draw there as the office applications draw them. Its own flat
// document of each deck says what it drew with.
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
        chartsDrawn << drawnByLibreOffice(path, dir);
        ASSERT_FALSE(chartsDrawn.back().isEmpty()) << path.toStdString();
    }
    const QString& inDeckTheme = chartsDrawn[0];
    const QString& keptSource = chartsDrawn[1];
    EXPECT_TRUE(inDeckTheme.contains("#2e6db4"));
    EXPECT_FALSE(inDeckTheme.contains("#4f81bd"));
    EXPECT_TRUE(keptSource.contains("#4f81bd"));
    EXPECT_FALSE(keptSource.contains("#2e6db4"));
    EXPECT_EQ(fontFamilies(inDeckTheme), QStringList{"arial"});
    EXPECT_EQ(fontFamilies(keptSource), QStringList{"calibri"});
}

// The plain paste names the deck's theme where the chart takes its look from the theme: the
// series' automatic fills are accents, the text and axes the text colour with the style's
// transforms; nothing is stated but what the chart itself states.
TEST(PasteTheme, PlainPasteNamesTheDecksThemeColours) {
    const Presentation deck = deckWithBothPastes();
    const QByteArray inDeckTheme = deck.package().part(chartOn(deck, 0));
    const QByteArray keptSource = deck.package().part(chartOn(deck, 1));
    EXPECT_EQ(colourElements(inDeckTheme, "srgbClr"), QStringList());
    const QStringList named = colourElements(inDeckTheme, "schemeClr");
    EXPECT_TRUE(named.contains("accent1"));
    EXPECT_TRUE(named.contains("accent2"));
    EXPECT_TRUE(named.contains("tx1"));
    pugi::xml_document doc;
    engine::parseXml(doc, inDeckTheme, "test", "chart");
    const auto fill = doc.select_node("//*[local-name()='ser'][1]/*[local-name()='spPr']/*[local-name()='solidFill']/*");
    ASSERT_TRUE(fill);
    EXPECT_STREQ(fill.node().name(), "a:schemeClr");
    EXPECT_STREQ(fill.node().attribute("val").value(), "accent1");
    // Keeping the source names nothing of any theme.
    EXPECT_EQ(colourElements(keptSource, "schemeClr"), QStringList());
}

// A later change of the deck's theme recolours the plain paste and changes its face, in our
// drawing; the chart that kept its source formatting stays as it was.
TEST(PasteTheme, PlainPasteFollowsALaterChangeOfTheDecksTheme) {
    QTemporaryDir dir;
    const Presentation before = deckWithBothPastes();
    saveWithChangedTheme(before, dir.filePath("before.pptx"), dir.filePath("after.pptx"));
    const Presentation after = Presentation::open(dir.filePath("after.pptx"));

    const auto deckScene = drawnOnSlide(after, 0);
    EXPECT_EQ(firstSeriesFill(deckScene), kChangedAccent1);
    EXPECT_EQ(axisLabelFamily(deckScene), "Liberation Serif");
    const auto sourceBefore = drawnOnSlide(before, 1);
    const auto sourceAfter = drawnOnSlide(after, 1);
    EXPECT_EQ(firstSeriesFill(sourceAfter), kWorkbookAccent1);
    EXPECT_EQ(axisLabelFamily(sourceAfter), axisLabelFamily(sourceBefore));
}

// LibreOffice resolves the plain paste's theme references against the deck's theme, in colours
// and fonts alike: it follows a change of the deck's theme as our drawing does.
TEST(PasteTheme, LibreOfficeFollowsALaterChangeOfTheDecksTheme) {
    if (!fixtures::sofficeAvailable())
        GTEST_SKIP() << "LibreOffice is not installed; outside check skipped";
    QTemporaryDir dir;
    Presentation plain = deckWithBothPastes();
    plain.deleteSlides({1});
    saveWithChangedTheme(plain, dir.filePath("plain.pptx"), dir.filePath("changed.pptx"));
    const QString drawn = drawnByLibreOffice(dir.filePath("changed.pptx"), dir);
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_TRUE(drawn.contains("#8e44ad"));
    EXPECT_FALSE(drawn.contains("#2e6db4"));
    EXPECT_EQ(fontFamilies(drawn), QStringList{"liberation serif"});
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
