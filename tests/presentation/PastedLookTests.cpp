// The look a pasted chart carries: charts of a workbook written by the 2007 producer (from
// tools/make_test_workbooks.py --defaults-2007), copied as the spreadsheet copies them and
// pasted, must say explicitly what their absent elements meant; caches are filled from the
// cells; a chart that already says everything is pasted as it was. The pasted XML is parsed and
// queried, never string-matched.

#include "Fixtures.h"

#include "engine/chartcopy/ChartCollector.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartformat/FormatResolver.h"
#include "engine/package/Xml.h"
#include "engine/presentation/Presentation.h"
#include "engine/workbook/Workbook.h"

#include <QProcess>
#include <QTemporaryDir>
#include "tests/support/GeneratedFiles.h"

#include <gtest/gtest.h>

using engine::Presentation;

namespace {

QString generated(const QString& name) {
    return testsupport::generatedFile(QStringLiteral("make_test_workbooks.py"), {QStringLiteral("--defaults-2007")}, name);
}

// Every chart of a workbook's worksheets, copied as the spreadsheet copies them, by name.
std::map<QString, engine::ChartPackage> copiedCharts(const QString& path) {
    const auto book = engine::Workbook::open(path);
    std::map<QString, engine::ChartPackage> charts;
    for (const auto* sheet : book->worksheets()) {
        for (const auto& chart : sheet->chartObjects) charts[chart.name] = engine::collectChart(*book, *sheet, chart);
    }
    return charts;
}

// The chart part a paste that keeps the source's formatting makes of a package, on a new
// presentation: the look written out is the workbook's.
QByteArray pasted(const engine::ChartPackage& package, Presentation* into = nullptr) {
    auto p = Presentation::createNew();
    Presentation& target = into ? *into : p;
    const int slide = target.slideCount();
    target.addSlide(slide, 12);
    target.pasteChart(slide, package, nullptr, engine::PasteFormatting::KeepSource);
    for (const auto& shape : target.slideShapes(slide)) {
        if (shape.kind == engine::SlideShape::Kind::Chart) return target.package().part(target.slideTarget(slide, shape.relId));
    }
    return {};
}

struct Xml {
    pugi::xml_document doc;
    explicit Xml(const QByteArray& bytes) { engine::parseXml(doc, bytes, "test", "chart"); }
    // Nodes by a path of local names below the root, "//" for any depth: "//valAx/majorTickMark".
    std::vector<pugi::xml_node> all(const QString& path) const {
        QStringList steps = path.split(u'/');
        for (QString& step : steps) {
            if (!step.isEmpty()) step = QStringLiteral("*[local-name()='%1']").arg(step);
        }
        const QString xpath = steps.join(u'/');
        std::vector<pugi::xml_node> nodes;
        for (const auto& n : doc.select_nodes(xpath.toUtf8().constData())) nodes.push_back(n.node());
        return nodes;
    }
    QStringList values(const QString& path) const {
        QStringList out;
        for (const auto& n : all(path)) out << QString::fromUtf8(n.attribute("val").value());
        return out;
    }
};

// True when everything the source says (elements, attributes, texts) is in the pasted part at
// the same place: the paste only added.
bool contains(const pugi::xml_node& pasted, const pugi::xml_node& source, QString* where) {
    for (const auto& attribute : source.attributes()) {
        if (QString::fromUtf8(pasted.attribute(attribute.name()).value()) != QString::fromUtf8(attribute.value())) {
            *where = QStringLiteral("%1/@%2").arg(QString::fromUtf8(source.name()), QString::fromUtf8(attribute.name()));
            return false;
        }
    }
    if (QString::fromUtf8(source.text().get()) != QString::fromUtf8(pasted.text().get())) {
        *where = QString::fromUtf8(source.name()) + QStringLiteral(" text");
        return false;
    }
    std::map<std::string, int> seen;
    for (const auto& child : source.children()) {
        if (child.type() != pugi::node_element) continue;
        const int nth = seen[child.name()]++;
        pugi::xml_node match;
        int k = 0;
        for (const auto& candidate : pasted.children(child.name())) {
            if (k++ == nth) {
                match = candidate;
                break;
            }
        }
        if (!match) {
            *where = QString::fromUtf8(child.name()) + QStringLiteral(" missing");
            return false;
        }
        if (!contains(match, child, where)) {
            *where = QString::fromUtf8(source.name()) + u'/' + *where;
            return false;
        }
    }
    return true;
}

}  // namespace

TEST(PastedLook, ChartsOfThe2007ProducerSayWhatTheirAbsentElementsMeant) {
    const auto charts = copiedCharts(generated("defaults-2007.xlsx"));
    ASSERT_EQ(charts.size(), 6u);
    for (const auto& [name, package] : charts) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(package.producerApplication, "Microsoft Excel");
        EXPECT_EQ(package.producerVersion, "12.0000");
        const Xml xml(pasted(package));
        // Tick marks as Office 2007 drew them, not the schema's crosses.
        for (const char* axis : {"catAx", "valAx"}) {
            for (const QString& v : xml.values(QStringLiteral("//%1/majorTickMark").arg(axis))) EXPECT_EQ(v, "out");
            for (const QString& v : xml.values(QStringLiteral("//%1/minorTickMark").arg(axis))) EXPECT_EQ(v, "none");
        }
        for (const QString& v : xml.values("//lineChart/ser/smooth") + xml.values("//scatterChart/ser/smooth")) EXPECT_EQ(v, "0");
        for (const auto& labels : xml.all("//dLbls")) {
            auto flag = [&](const char* local) { return QString::fromUtf8(engine::xml::child(labels, engine::xml::Ns::C, local).attribute("val").value()); };
            EXPECT_EQ(flag("showVal"), "1");
            for (const char* off : {"showLegendKey", "showCatName", "showSerName", "showPercent", "showBubbleSize"}) EXPECT_EQ(flag(off), "0") << off;
        }
        for (const QString& v : xml.values("//trendline/dispEq") + xml.values("//trendline/dispRSqr")) EXPECT_EQ(v, "0");
        for (const QString& v : xml.values("//pieChart/varyColors")) EXPECT_EQ(v, "0");
        // Text in the workbook's 10 pt, in the theme's minor font, not the slide's 18 pt.
        const auto chartText = xml.all("/chartSpace/txPr/p/pPr/defRPr");
        ASSERT_EQ(chartText.size(), 1u);
        EXPECT_STREQ(chartText[0].attribute("sz").value(), "1000");
        EXPECT_EQ(xml.values("/chartSpace/txPr/p/pPr/defRPr/latin").size(), 1);
        EXPECT_STREQ(xml.all("/chartSpace/txPr/p/pPr/defRPr/latin")[0].attribute("typeface").value(), "Calibri");
        for (const auto& axisText : xml.all("//valAx/txPr/p/pPr/defRPr")) EXPECT_STREQ(axisText.attribute("sz").value(), "1000");
        // The border the workbook draws around the chart area.
        EXPECT_EQ(xml.all("/chartSpace/spPr/ln/solidFill/srgbClr").size(), 1u);
        // Series look from style 2 and the 2007 theme: accent1 first; lines 2.25 pt, drawn with
        // the theme's subtle line (accent1 at shade 95 % and satMod 105 %).
        const auto firstSeries = xml.all("//ser")[0];
        const auto color = firstSeries.select_node(".//*[local-name()='spPr']//*[local-name()='srgbClr']").node();
        const bool lines = !xml.all("//lineChart").empty() || !xml.all("//scatterChart").empty();
        EXPECT_STREQ(color.attribute("val").value(), lines ? "4A7EBB" : "4F81BD");
        if (!xml.all("//lineChart").empty()) {
            EXPECT_STREQ(firstSeries.select_node("./*[local-name()='spPr']/*[local-name()='ln']").node().attribute("w").value(), "28575");
            // The group shows markers, so the series says which.
            for (const QString& symbol : xml.values("//lineChart/ser/marker/symbol")) EXPECT_NE(symbol, "none");
        }
        // One named series and no title: the automatic title, linked to the series' name.
        const bool single = xml.all("//ser").size() == 1;
        if (single) {
            ASSERT_EQ(xml.all("/chartSpace/chart/title/tx/strRef/f").size(), 1u);
            EXPECT_EQ(QString::fromUtf8(xml.all("/chartSpace/chart/title/tx/strRef/f")[0].text().get()),
                      QString::fromUtf8(xml.all("//ser/tx/strRef/f")[0].text().get()));
            EXPECT_EQ(xml.values("/chartSpace/chart/autoTitleDeleted"), QStringList{"0"});
            EXPECT_STREQ(xml.all("/chartSpace/chart/title/txPr/p/pPr/defRPr")[0].attribute("sz").value(), "1800");
            EXPECT_STREQ(xml.all("/chartSpace/chart/title/txPr/p/pPr/defRPr")[0].attribute("b").value(), "1");
        } else {
            EXPECT_TRUE(xml.all("/chartSpace/chart/title").empty());
            EXPECT_EQ(xml.values("/chartSpace/chart/autoTitleDeleted"), QStringList{"1"});
        }
    }
}

TEST(PastedLook, StylesColourCycleAndVaryColorsAreWrittenOut) {
    const auto charts = copiedCharts(generated("defaults-2007-more.xlsx"));
    {
        const Xml many(pasted(charts.at("Many Series")));
        QStringList fills;
        for (const auto& series : many.all("//barChart/ser")) {
            fills << QString::fromUtf8(series.select_node("./*[local-name()='spPr']/*[local-name()='solidFill']/*[local-name()='srgbClr']").node().attribute("val").value());
        }
        ASSERT_EQ(fills.size(), 8);
        EXPECT_NE(fills[6], fills[0]);  // the seventh series is not the first again
        EXPECT_EQ(QSet<QString>(fills.begin(), fills.end()).size(), 8);
    }
    {
        const Xml dark(pasted(charts.at("Dark Bars")));
        EXPECT_EQ(dark.values("/chartSpace/spPr/solidFill/srgbClr"), QStringList{"000000"});
        EXPECT_STREQ(dark.all("/chartSpace/txPr/p/pPr/defRPr/solidFill/srgbClr")[0].attribute("val").value(), "FFFFFF");
        EXPECT_EQ(dark.all("//barChart/ser/spPr/gradFill").size(), 2u);  // the intense fill
    }
    {
        const Xml styled(pasted(charts.at("Styled Lines")));
        // Style 26: seven times the theme's 0.75 pt line.
        EXPECT_STREQ(styled.all("//lineChart/ser/spPr/ln")[0].attribute("w").value(), "66675");
    }
    {
        // The 2007 producer's doughnut without varyColors: one colour, no points of their own.
        const Xml doughnut(pasted(charts.at("Doughnut Plain")));
        EXPECT_EQ(doughnut.values("//doughnutChart/varyColors"), QStringList{"0"});
        EXPECT_TRUE(doughnut.all("//dPt").empty());
    }
    {
        // Said varied: every point gets its colour.
        auto package = charts.at("Doughnut Plain");
        package.parts.front().data.replace("<c:doughnutChart>", "<c:doughnutChart><c:varyColors val=\"1\"/>");
        const Xml varied(pasted(package));
        const auto points = varied.all("//doughnutChart/ser/dPt/spPr/solidFill/srgbClr");
        ASSERT_EQ(points.size(), 6u);
        EXPECT_STREQ(points[0].attribute("val").value(), "4F81BD");
        EXPECT_STREQ(points[1].attribute("val").value(), "C0504D");
    }
}

TEST(PastedLook, ChartThatSpellsEverythingOutPastesUnchanged) {
    const auto charts = copiedCharts(generated("defaults-2007.xlsx"));
    for (const auto& [name, package] : charts) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray once = pasted(package);
        auto again = package;
        again.parts.front().data = once;
        const QByteArray twice = pasted(again);
        Xml a(once), b(twice);
        QString where;
        EXPECT_TRUE(contains(b.doc.document_element(), a.doc.document_element(), &where)) << where.toStdString();
        EXPECT_TRUE(contains(a.doc.document_element(), b.doc.document_element(), &where)) << where.toStdString();
    }
    // The source's own statements all survive a paste: it only adds.
    for (const auto& [name, package] : copiedCharts(generated("defaults-2007-more.xlsx"))) {
        // Written anew on purpose: its caches (below) and its theme references (further below).
        if (name == QLatin1String("No Caches") || name == QLatin1String("Theme Colours")) continue;
        Xml source(package.chartPart().data), result(pasted(package));
        // Print settings are dropped on purpose: a slide's chart is never printed on its own.
        while (auto settings = engine::xml::child(source.doc.document_element(), engine::xml::Ns::C, "printSettings"))
            source.doc.document_element().remove_child(settings);
        QString where;
        EXPECT_TRUE(contains(result.doc.document_element(), source.doc.document_element(), &where))
            << name.toStdString() << ": " << where.toStdString();
    }
}

TEST(PastedLook, ReferencesWithoutOrWithShortCachesGetTheirValues) {
    const auto charts = copiedCharts(generated("defaults-2007-more.xlsx"));
    auto p = Presentation::createNew();
    const Xml xml(pasted(charts.at("No Caches"), &p));
    const auto model = engine::chart::readChartSpace(xml.doc, "test", "chart");
    ASSERT_EQ(model.allSeries().size(), 2u);
    const auto* first = model.allSeries().front();
    ASSERT_TRUE(first->values && first->values->numbers);
    const std::vector<double> values = first->values->numbers->dense();
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(first->values->numbers->pointCount, 6);
    ASSERT_TRUE(first->categories && first->categories->strings);
    EXPECT_EQ(first->categories->strings->dense().front(), "Jan");
    ASSERT_TRUE(first->text && first->text->cache);
    EXPECT_FALSE(first->text->cache->first().isEmpty());
    // The values are the sheet's: the same chart with its caches says the same.
    const auto withCaches = engine::chart::readChartSpace(charts.at("Many Series").chartPart().data, "t", "c");
    EXPECT_EQ(values, withCaches.allSeries().front()->values->numbers->dense());

    // A cache shorter than its range is written again in full, with the cells' format.
    auto shortCache = fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 1);
    const auto full = engine::chart::readChartSpace(shortCache.chartPart().data, "t", "c");
    QByteArray& data = shortCache.parts.front().data;
    const int cacheAt = data.indexOf("<c:numCache>");
    ASSERT_GT(cacheAt, 0);
    const int end = data.indexOf("</c:numCache>", cacheAt);
    data.replace(cacheAt, end - cacheAt + int(strlen("</c:numCache>")),
                 "<c:numCache><c:formatCode>General</c:formatCode><c:ptCount val=\"2\"/><c:pt idx=\"0\"><c:v>10.5</c:v></c:pt></c:numCache>");
    const Xml refilled(pasted(shortCache));
    const auto after = engine::chart::readChartSpace(refilled.doc, "t", "c");
    EXPECT_EQ(after.allSeries().front()->values->numbers->dense(), full.allSeries().front()->values->numbers->dense());
}

TEST(PastedLook, EmptyNameCellTakesTheChartsCachedName) {
    const auto charts = copiedCharts(generated("defaults-2007-more.xlsx"));
    const auto& package = charts.at("Pivot Names");
    bool found = false;
    for (const auto& cell : package.cells) {
        if (cell.row == 0 && cell.column == 10) {
            EXPECT_EQ(cell.value.toString(), "Sum of Freight");
            found = true;
        }
    }
    EXPECT_TRUE(found);
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    p.pasteChart(0, package);
    QByteArray embedded;
    for (const auto& name : p.package().partNames()) {
        if (name.startsWith("/ppt/embeddings/")) embedded = p.package().part(name);
    }
    const auto cells = fixtures::readWorkbookCells(embedded);
    EXPECT_EQ(cells.value({"Data", 0, 10}).value.toString(), "Sum of Freight");
}

TEST(PastedLook, ProducerTravelsOnTheClipboard) {
    auto package = copiedCharts(generated("defaults-2007.xlsx")).begin()->second;
    const auto back = engine::chartPackageFromBytes(engine::chartPackageToBytes(package));
    EXPECT_EQ(back.producerApplication, "Microsoft Excel");
    EXPECT_EQ(back.producerVersion, "12.0000");
    // Told another producer, the same chart means the schema's defaults: crossing tick marks.
    package.producerVersion = "16.0300";
    const Xml xml(pasted(package));
    for (const QString& v : xml.values("//valAx/minorTickMark")) EXPECT_EQ(v, "cross");
}

// Theme colours and fonts are what the source's theme made of them, not what the receiving
// deck's theme or its master's colour map would.
TEST(PastedLook, ThemeReferencesBecomeWhatTheSourceThemeMadeOfThem) {
    const auto charts = copiedCharts(generated("defaults-2007-more.xlsx"));
    const Xml xml(pasted(charts.at("Theme Colours")));
    EXPECT_TRUE(xml.all("//schemeClr").empty());
    const auto series = xml.all("//barChart/ser");
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(xml.values("//barChart/ser/spPr/solidFill/srgbClr"), (QStringList{"C0504D", "C0504D"}));
    EXPECT_EQ(xml.values("//barChart/ser/spPr/ln/solidFill/srgbClr"), (QStringList{"000000", "000000"}));
    EXPECT_EQ(xml.values("//valAx/majorGridlines/spPr/ln/solidFill/srgbClr"), QStringList{"D9D9D9"});
    EXPECT_EQ(xml.values("/chartSpace/txPr/p/pPr/defRPr/solidFill/srgbClr"), QStringList{"595959"});
    EXPECT_STREQ(xml.all("/chartSpace/txPr/p/pPr/defRPr/latin")[0].attribute("typeface").value(), "Calibri");
    // What the chart said keeps its size: 9 pt, not the workbook's 10.
    EXPECT_STREQ(xml.all("/chartSpace/txPr/p/pPr/defRPr")[0].attribute("sz").value(), "900");
}
