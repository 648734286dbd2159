// Pasting onto slides: charts as native charts with their parts, data and look; pictures;
// text; and what cannot be pasted.

#include "Fixtures.h"

#include "engine/package/Xml.h"
#include "engine/package/OoxmlNames.h"
#include "engine/presentation/Presentation.h"

#include <QBuffer>
#include <cstring>
#include <map>
#include <QImage>
#include <QMimeData>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using engine::Presentation;
namespace rel = engine::ooxml::rel;

namespace {

QString chartsXlsx() { return fixtures::fixtureDir() + "/charts.xlsx"; }

// The XML of a part with the named children of its root removed, as pugixml writes it: a
// canonical form for comparing what a paste kept.
QByteArray canonical(const QByteArray& xml, const QStringList& dropChildren = {}) {
    pugi::xml_document doc;
    engine::parseXml(doc, xml, "test", "part");
    for (const QString& name : dropChildren) {
        while (auto c = engine::xml::child(doc.document_element(), engine::xml::Ns::C, name.toUtf8().constData()))
            doc.document_element().remove_child(c);
    }
    return engine::xmlBytes(doc);
}

// True when every element, attribute and text of source is in pasted at the same place.
bool containsAll(const pugi::xml_node& pasted, const pugi::xml_node& source, QString* where) {
    for (const auto& attribute : source.attributes()) {
        if (std::strcmp(pasted.attribute(attribute.name()).value(), attribute.value()) != 0) {
            *where = QString::fromUtf8(source.name()) + "/@" + attribute.name();
            return false;
        }
    }
    if (std::strcmp(source.text().get(), pasted.text().get()) != 0) {
        *where = QString::fromUtf8(source.name());
        return false;
    }
    std::map<std::string, int> seen;
    for (const auto& child : source.children()) {
        if (child.type() != pugi::node_element) continue;
        int nth = seen[child.name()]++;
        pugi::xml_node match;
        for (const auto& candidate : pasted.children(child.name())) {
            if (nth-- == 0) {
                match = candidate;
                break;
            }
        }
        if (!match || !containsAll(match, child, where)) {
            *where = QString::fromUtf8(child.name()) + "/" + *where;
            return false;
        }
    }
    return true;
}

struct PastedChart {
    QString chartPart;
    QString embeddedPart;
    engine::ChartSummary summary;
    engine::SlideShape shape;
};

// The one chart on a slide, followed through the slide's and the chart's relationships.
PastedChart chartOnSlide(const Presentation& p, int slide) {
    PastedChart result;
    for (const auto& s : p.slideShapes(slide)) {
        if (s.kind != engine::SlideShape::Kind::Chart) continue;
        result.shape = s;
        result.chartPart = p.slideTarget(slide, s.relId);
    }
    if (result.chartPart.isEmpty()) return result;
    result.summary = p.chartSummary(result.chartPart);
    const auto rels = p.package().relationships(result.chartPart);
    const auto* r = rels.byId(result.summary.externalDataRelId);
    if (r && r->type == rel::kPackage) result.embeddedPart = r->targetPart;
    return result;
}

// A chart package made richer than XlsxWriter writes them: chart style and colour parts, and
// a user-shape drawing holding a picture.
engine::ChartPackage richChartPackage() {
    auto package = fixtures::chartPackageFromWorkbook(chartsXlsx(), 1, "Rich chart");
    auto& chart = package.parts.front();
    chart.data.replace("</c:chartSpace>", "<c:userShapes r:id=\"rId3\"/></c:chartSpace>");
    chart.rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.microsoft.com/office/2011/relationships/chartStyle\" Target=\"style1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"http://schemas.microsoft.com/office/2011/relationships/chartColorStyle\" Target=\"colors1.xml\"/>"
        "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartUserShapes\" Target=\"../drawings/drawing2.xml\"/>"
        "</Relationships>";
    package.parts.push_back({"/xl/charts/style1.xml", "application/vnd.ms-office.chartstyle+xml",
                             "<cs:chartStyle xmlns:cs=\"http://schemas.microsoft.com/office/drawing/2012/chartStyle\" id=\"201\"/>", {}});
    package.parts.push_back({"/xl/charts/colors1.xml", "application/vnd.ms-office.chartcolorstyle+xml",
                             "<cs:colorStyle xmlns:cs=\"http://schemas.microsoft.com/office/drawing/2012/chartStyle\" meth=\"cycle\" id=\"10\"/>", {}});
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    package.parts.push_back(
        {"/xl/drawings/drawing2.xml", "application/vnd.openxmlformats-officedocument.drawingml.chartshapes+xml",
         "<c:userShapes xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
         "xmlns:cdr=\"http://schemas.openxmlformats.org/drawingml/2006/chartDrawing\" "
         "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
         "<cdr:relSizeAnchor><cdr:from><cdr:x>0.1</cdr:x><cdr:y>0.1</cdr:y></cdr:from>"
         "<cdr:to><cdr:x>0.2</cdr:x><cdr:y>0.2</cdr:y></cdr:to><cdr:pic><cdr:nvPicPr>"
         "<cdr:cNvPr id=\"2\" name=\"Picture 1\"/><cdr:cNvPicPr/></cdr:nvPicPr><cdr:blipFill>"
         "<a:blip r:embed=\"rId1\"/><a:stretch><a:fillRect/></a:stretch></cdr:blipFill>"
         "<cdr:spPr><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></cdr:spPr></cdr:pic>"
         "</cdr:relSizeAnchor></c:userShapes>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" Target=\"../media/image1.png\"/>"
         "</Relationships>"});
    package.parts.push_back({"/xl/media/image1.png", "image/png", png, {}});
    return package;
}

}  // namespace

TEST(PasteChart, KeepsSeriesFormulasCachesAndFormattingOfTheSource) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    const auto package = fixtures::chartPackageFromWorkbook(chartsXlsx(), 1, "Chart 1");
    // Kept in the source's formatting: the chart carries the workbook's theme.
    p.pasteChart(0, package, nullptr, engine::PasteFormatting::KeepSource);

    const auto pasted = chartOnSlide(p, 0);
    ASSERT_FALSE(pasted.chartPart.isEmpty());
    EXPECT_EQ(pasted.chartPart, "/ppt/charts/chart1.xml");
    EXPECT_EQ(pasted.shape.name, "Chart 1");
    EXPECT_EQ(pasted.summary.kind, "Column");
    EXPECT_EQ(pasted.summary.title, "Sales by month");
    ASSERT_EQ(pasted.summary.series.size(), 2u);
    const auto& north = pasted.summary.series[0];
    EXPECT_EQ(north.nameFormula, "'Data ''Nord'' Q1'!$B$1");
    EXPECT_EQ(north.name, "North");
    EXPECT_EQ(north.categoryFormula, "'Data ''Nord'' Q1'!$A$2:$A$6");
    EXPECT_EQ(north.valueFormula, "'Data ''Nord'' Q1'!$B$2:$B$6");
    EXPECT_EQ(north.pointCount, 5);
    const auto model = p.chartModel(pasted.chartPart);
    const auto* series = model.allSeries().front();
    EXPECT_EQ(series->categoryData()->strings->dense(),
              (std::vector<QString>{"Jan", "Feb", "Mar", "Apr", "May"}));
    EXPECT_EQ(series->valueData()->numbers->dense(), (std::vector<double>{10.5, 13.5, 16.5, 19.5, 22.5}));
    EXPECT_TRUE(pasted.summary.autoUpdateOff);

    // Everything the source chart says is there as it said it (the paste only adds the look
    // it leaves to defaults), but for the data link and the print settings.
    const QStringList changed{"externalData", "printSettings"};
    pugi::xml_document source, result;
    engine::parseXml(source, canonical(package.chartPart().data, changed), "t", "source");
    engine::parseXml(result, canonical(p.package().part(pasted.chartPart), changed), "t", "pasted");
    QString where;
    EXPECT_TRUE(containsAll(result.document_element(), source.document_element(), &where)) << where.toStdString();

    // The source theme's schemes are the chart's theme override.
    const auto chartRels = p.package().relationships(pasted.chartPart);
    const auto* override_ = chartRels.firstOfType(rel::kThemeOverride);
    ASSERT_NE(override_, nullptr);
    EXPECT_EQ(p.package().contentTypes().of(override_->targetPart), engine::ooxml::ct::kThemeOverride);
    pugi::xml_document theme, over;
    engine::parseXml(theme, package.theme, "t", "theme");
    engine::parseXml(over, p.package().part(override_->targetPart), "t", "override");
    EXPECT_TRUE(engine::xml::is(over.document_element(), engine::xml::Ns::A, "themeOverride"));
    for (const char* scheme : {"clrScheme", "fontScheme", "fmtScheme"}) {
        pugi::xml_document a, b;
        a.append_copy(engine::xml::child(engine::xml::child(theme.document_element(), engine::xml::Ns::A, "themeElements"), engine::xml::Ns::A, scheme));
        b.append_copy(engine::xml::child(over.document_element(), engine::xml::Ns::A, scheme));
        EXPECT_EQ(engine::xmlBytes(a), engine::xmlBytes(b)) << scheme;
    }
}

TEST(PasteChart, PutsExternalDataInSchemaOrderAndDropsPrintSettings) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    p.pasteChart(0, richChartPackage());
    pugi::xml_document doc;
    engine::parseXml(doc, p.package().part("/ppt/charts/chart1.xml"), "t", "chart");
    QStringList order;
    for (auto c : doc.document_element().children()) order << engine::xml::localName(c);
    EXPECT_FALSE(order.contains("printSettings"));
    ASSERT_TRUE(order.contains("externalData"));
    EXPECT_LT(order.indexOf("clrMapOvr"), order.indexOf("chart"));
    EXPECT_GT(order.indexOf("externalData"), order.indexOf("chart"));
    EXPECT_LT(order.indexOf("externalData"), order.indexOf("userShapes"));
    const auto data = engine::xml::child(doc.document_element(), engine::xml::Ns::C, "externalData");
    EXPECT_STREQ(engine::xml::child(data, engine::xml::Ns::C, "autoUpdate").attribute("val").value(), "0");
}

TEST(PasteChart, EmbedsExactlyTheReferencedCellsUnderTheirSheetNames) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    p.addSlide(1, 12);
    p.pasteChart(0, fixtures::chartPackageFromWorkbook(chartsXlsx(), 1));
    p.pasteChart(1, fixtures::chartPackageFromWorkbook(chartsXlsx(), 2));

    const auto source = fixtures::readWorkbookCells(engine::Package::load(chartsXlsx()));
    for (int slide = 0; slide < 2; ++slide) {
        const auto pasted = chartOnSlide(p, slide);
        ASSERT_FALSE(pasted.embeddedPart.isEmpty());
        EXPECT_TRUE(pasted.embeddedPart.startsWith("/ppt/embeddings/"));
        EXPECT_EQ(p.package().contentTypes().of(pasted.embeddedPart), engine::ooxml::ct::kXlsx);
        const QByteArray xlsx = p.package().part(pasted.embeddedPart);
        EXPECT_EQ(fixtures::sheetNames(xlsx), QStringList{"Data 'Nord' Q1"});

        // The cells the formulas name, with the source's values and number formats.
        fixtures::Cells expected;
        for (const auto& series : pasted.summary.series) {
            for (const QString& f : {series.nameFormula, series.categoryFormula, series.valueFormula}) {
                fixtures::Range range;
                if (!fixtures::parseRange(f, &range)) continue;
                for (int r = range.row1; r <= range.row2; ++r)
                    for (int c = range.column1; c <= range.column2; ++c) {
                        const fixtures::CellKey key{range.sheet, r, c};
                        if (source.contains(key)) expected.insert(key, source.value(key));
                    }
            }
        }
        const auto embedded = fixtures::readWorkbookCells(xlsx);
        EXPECT_EQ(embedded.keys(), expected.keys()) << "slide " << slide;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            EXPECT_EQ(embedded.value(it.key()).value, it->value);
            EXPECT_EQ(embedded.value(it.key()).numberFormat, it->numberFormat);
        }
        for (const auto& cell : embedded) EXPECT_NE(cell.value.toString(), "do not leak");
    }
    // The date column keeps its format: the line chart's values are dates.
    const auto line = fixtures::readWorkbookCells(p.package().part(chartOnSlide(p, 1).embeddedPart));
    EXPECT_EQ(line.value({"Data 'Nord' Q1", 1, 3}).numberFormat, "yyyy-mm-dd");
}

TEST(PasteChart, TwoChartsOfOneWorkbookAndOneChartTwiceClashNowhere) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    p.addSlide(1, 12);
    const auto first = richChartPackage();
    const auto second = fixtures::chartPackageFromWorkbook(chartsXlsx(), 3, "Chart 3");
    p.pasteChart(0, first);
    p.pasteChart(0, first);   // the same chart twice on one slide
    p.pasteChart(1, second);
    p.pasteChart(1, first);

    // Every part name is used once, whatever its letter case.
    QSet<QString> names;
    for (const QString& n : p.package().partNames()) {
        EXPECT_FALSE(names.contains(n.toLower())) << n.toStdString();
        names.insert(n.toLower());
    }
    QSet<QString> charts, styles, drawings, images, embeddings;
    for (int slide = 0; slide < 2; ++slide) {
        const auto shapes = p.slideShapes(slide);
        QSet<int> ids;
        QSet<QString> relIds;
        for (const auto& s : shapes) {
            EXPECT_FALSE(ids.contains(s.id)) << "shape id " << s.id << " twice on slide " << slide;
            ids.insert(s.id);
            EXPECT_FALSE(relIds.contains(s.relId));
            relIds.insert(s.relId);
            const QString chart = p.slideTarget(slide, s.relId);
            ASSERT_FALSE(chart.isEmpty());
            EXPECT_FALSE(charts.contains(chart));
            charts.insert(chart);
            // Every relationship of the chart and of its drawings points at a part present.
            const auto chartRels = p.package().relationships(chart);
            for (const auto& r : chartRels.all()) {
                ASSERT_TRUE(p.package().hasPart(r.targetPart)) << r.target.toStdString();
                EXPECT_FALSE(p.package().contentTypes().of(r.targetPart).isEmpty());
                if (r.type.endsWith("/chartStyle")) styles.insert(r.targetPart);
                if (r.type == rel::kPackage) embeddings.insert(r.targetPart);
                if (r.type.endsWith("/chartUserShapes")) {
                    drawings.insert(r.targetPart);
                    const auto drawingRels = p.package().relationships(r.targetPart);
                    for (const auto& dr : drawingRels.all()) {
                        ASSERT_TRUE(p.package().hasPart(dr.targetPart));
                        EXPECT_EQ(p.package().contentTypes().of(dr.targetPart), "image/png");
                        images.insert(dr.targetPart);
                    }
                }
            }
        }
        EXPECT_EQ(ids.size(), 2);
    }
    EXPECT_EQ(charts.size(), 4);
    EXPECT_EQ(styles.size(), 3);
    EXPECT_EQ(drawings.size(), 3);
    EXPECT_EQ(images.size(), 3);
    EXPECT_EQ(embeddings.size(), 4);
    EXPECT_TRUE(drawings.contains("/ppt/drawings/drawing1.xml"));
    EXPECT_TRUE(styles.contains("/ppt/charts/style3.xml"));
}

TEST(PasteChart, IsPlacedCentredAtItsOwnSizeOrScaledDownInsideTheMargins) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    auto small = fixtures::chartPackageFromWorkbook(chartsXlsx(), 1);
    small.cx = 4572000;
    small.cy = 2743200;
    auto big = fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/big.xlsx", 1);
    big.cx = 4572000 * 4;
    big.cy = 2743200 * 4;
    p.pasteChart(0, small);
    p.pasteChart(0, big);
    const auto shapes = p.slideShapes(0);
    ASSERT_EQ(shapes.size(), 2u);
    const auto& a = shapes[0].frame;
    EXPECT_EQ(a.cx, 4572000);
    EXPECT_EQ(a.cy, 2743200);
    EXPECT_EQ(a.x, (12192000 - 4572000) / 2);
    EXPECT_EQ(a.y, (6858000 - 2743200) / 2);
    // Larger than the slide: inside a margin of 5 % of the slide on each side, proportions
    // kept; height is the binding side for a 5:3 chart on 16:9.
    const auto& b = shapes[1].frame;
    EXPECT_EQ(b.cy, 6172200);
    EXPECT_NEAR(double(b.cx) / b.cy, 5.0 / 3.0, 1e-6);
    EXPECT_EQ(b.y, 342900);
    EXPECT_EQ(b.x, (12192000 - b.cx) / 2);
    EXPECT_GE(b.x, 609600);

    // Wider than the slide: the width binds, 5 % margins left and right.
    auto wide = fixtures::chartPackageFromWorkbook(chartsXlsx(), 1);
    wide.cx = 12192000 * 2;
    wide.cy = 1000000;
    p.pasteChart(0, wide);
    const auto& c = p.slideShapes(0)[2].frame;
    EXPECT_NEAR(c.cx, 10972800, 1);
    EXPECT_NEAR(c.x, 609600, 1);
    EXPECT_NEAR(c.cy, 450000, 1);
    EXPECT_EQ(c.y, (6858000 - c.cy) / 2);
}

TEST(PasteChart, InconsistentPackageFailsAndChangesNothing) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    const QStringList before = p.package().partNames();
    const QByteArray slide = p.package().part(p.slidePartName(0));

    auto missing = richChartPackage();
    missing.parts.pop_back();  // the picture the user-shape drawing relates to
    try {
        p.pasteChart(0, missing);
        FAIL() << "a package lacking a related part was pasted";
    } catch (const engine::DocumentError& e) {
        EXPECT_TRUE(e.message().startsWith("clipboard: ")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("image1.png")) << e.message().toStdString();
    }
    auto malformed = fixtures::chartPackageFromWorkbook(chartsXlsx(), 1);
    malformed.parts.front().data.chop(20);
    EXPECT_THROW(p.pasteChart(0, malformed), engine::DocumentError);

    EXPECT_EQ(p.package().partNames(), before);
    EXPECT_EQ(p.package().part(p.slidePartName(0)), slide);
    EXPECT_THROW(p.pasteChart(1, fixtures::chartPackageFromWorkbook(chartsXlsx(), 1)), engine::DocumentError);
}

TEST(PasteChart, CarriesThe1904DateSystemIntoTheEmbeddedWorkbook) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    auto package = fixtures::chartPackageFromWorkbook(chartsXlsx(), 2);
    package.date1904 = true;
    p.pasteChart(0, package);
    const auto embedded = engine::Package::fromZipBytes(p.package().part(chartOnSlide(p, 0).embeddedPart), "e");
    pugi::xml_document doc;
    engine::parseXml(doc, embedded.part("/xl/workbook.xml"), "e", "workbook");
    EXPECT_STREQ(engine::xml::child(doc.document_element(), engine::xml::Ns::S, "workbookPr").attribute("date1904").value(), "1");
    EXPECT_EQ(fixtures::readWorkbookCells(embedded).value({"Data 'Nord' Q1", 1, 3}).value.toDouble(), 45000.0);
}

TEST(PasteClipboard, ChartPackageIsPreferredThenPictureThenText) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    QImage image(96, 48, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    QMimeData both;
    both.setData(engine::kChartPackageMime,
                 engine::chartPackageToBytes(fixtures::chartPackageFromWorkbook(chartsXlsx(), 3, "Pie")));
    both.setData("image/png", png);
    both.setText("ignored");
    p.paste(0, both);

    QMimeData picture;
    picture.setData("image/png", png);
    picture.setText("ignored too");
    p.paste(0, picture);

    QMimeData text;
    text.setText("first line\r\nsecond line");
    p.paste(0, text);

    const auto shapes = p.slideShapes(0);
    ASSERT_EQ(shapes.size(), 3u);
    EXPECT_EQ(shapes[0].kind, engine::SlideShape::Kind::Chart);
    EXPECT_EQ(shapes[0].name, "Pie");
    EXPECT_EQ(shapes[1].kind, engine::SlideShape::Kind::Picture);
    EXPECT_EQ(shapes[1].frame.cx, 96 * 9525);
    EXPECT_EQ(shapes[1].frame.cy, 48 * 9525);
    const QString media = p.slideTarget(0, shapes[1].relId);
    EXPECT_TRUE(media.startsWith("/ppt/media/"));
    EXPECT_EQ(p.package().contentTypes().of(media), "image/png");
    EXPECT_EQ(QImage::fromData(p.package().part(media)).size(), QSize(96, 48));
    EXPECT_EQ(shapes[2].kind, engine::SlideShape::Kind::Text);
    EXPECT_EQ(shapes[2].paragraphs, (QStringList{"first line", "second line"}));
    EXPECT_EQ(shapes[2].id, 4);
}

// A chart copied in this process is pasted from the package itself, not from the clipboard's
// bytes; the deck gets the same parts either way, and another program asking for the package
// gets its bytes. A package no copy checked for undeclared prefixes is checked at the paste,
// whichever road it comes by.
TEST(PasteClipboard, ThisProcessesOwnChartIsPastedAsCopiedAndAnUncheckedOneIsChecked) {
    const engine::ChartPackage pie = fixtures::chartPackageFromWorkbook(chartsXlsx(), 3, "Pie");
    const engine::ChartPackageData own(std::make_shared<const engine::ChartPackage>(pie));
    EXPECT_EQ(engine::chartPackageOf(own).get(), own.package().get());
    EXPECT_TRUE(own.hasFormat(engine::kChartPackageMime));
    EXPECT_TRUE(own.formats().contains(engine::kChartPackageMime));
    const QByteArray bytes = own.data(engine::kChartPackageMime);
    EXPECT_EQ(bytes, engine::chartPackageToBytes(pie));
    QMimeData others;
    others.setData(engine::kChartPackageMime, bytes);
    EXPECT_NE(engine::chartPackageOf(others), nullptr);
    EXPECT_EQ(engine::chartPackageOf(QMimeData()), nullptr);

    auto byPackage = Presentation::createNew();
    byPackage.addSlide(0, 12);
    byPackage.paste(0, own);
    auto byBytes = Presentation::createNew();
    byBytes.addSlide(0, 12);
    byBytes.paste(0, others);
    const QString chart = byPackage.slideTarget(0, byPackage.slideShapes(0).at(0).relId);
    EXPECT_EQ(chart, byBytes.slideTarget(0, byBytes.slideShapes(0).at(0).relId));
    for (const QString& part : byPackage.package().partNames()) {
        if (part.startsWith("/ppt/tags/")) continue;  // when it was copied
        EXPECT_EQ(byPackage.package().part(part), byBytes.package().part(part)) << part.toStdString();
    }

    engine::ChartPackage undeclared = pie;
    undeclared.parts.front().data.replace("</c:plotArea>", "<xdr:to/></c:plotArea>");
    ASSERT_TRUE(undeclared.chartPart().data.contains("<xdr:to/>"));
    EXPECT_FALSE(engine::chartPackageFromBytes(engine::chartPackageToBytes(undeclared)).prefixesChecked);
    const engine::ChartPackageData unchecked(std::make_shared<const engine::ChartPackage>(undeclared));
    auto deck = Presentation::createNew();
    deck.addSlide(0, 12);
    try {
        deck.paste(0, unchecked);
        FAIL() << "a chart part with an undeclared prefix was pasted";
    } catch (const engine::DocumentError& e) {
        EXPECT_TRUE(e.message().contains("xdr")) << e.message().toStdString();
    }
}

TEST(PasteClipboard, NothingUsableFailsWithTheClipboardMessage) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    const QByteArray slide = p.package().part(p.slidePartName(0));
    QMimeData empty;
    QMimeData html;
    html.setData("application/x-unknown", "abc");
    QMimeData brokenImage;
    brokenImage.setData("image/png", "not a picture");
    for (const QMimeData* data : {&empty, &html, &brokenImage}) {
        try {
            p.paste(0, *data);
            FAIL() << "pasted something from unusable data";
        } catch (const engine::DocumentError& e) {
            EXPECT_EQ(e.message(), engine::kNothingToPaste);
        }
    }
    QMimeData corrupt;
    corrupt.setData(engine::kChartPackageMime, "garbage");
    EXPECT_THROW(p.paste(0, corrupt), engine::DocumentError);
    EXPECT_EQ(p.package().part(p.slidePartName(0)), slide);
}

TEST(DeckEntryLimit, AdditionsBeyondItAreRefusedAtOnceNamingTheDeck) {
    const auto chart = fixtures::chartPackageFromWorkbook(chartsXlsx(), 1);
    // A bound that leaves room for exactly one slide with one chart.
    auto probe = Presentation::createNew();
    probe.addSlide(0, 12);
    probe.pasteChart(0, chart);
    engine::Limits limits;
    limits.maxEntries = probe.package().partNames().size() + 1;  // with [Content_Types].xml

    auto p = Presentation::createNew(limits);
    p.addSlide(0, 12);
    p.pasteChart(0, chart);
    const QStringList parts = p.package().partNames();
    const QByteArray presentationXml = p.package().part("/ppt/presentation.xml");
    const auto refused = [&](const std::function<void()>& add, const QString& what) {
        try {
            add();
            ADD_FAILURE() << what.toStdString() << " was accepted beyond the bound";
        } catch (const engine::DocumentError& e) {
            EXPECT_EQ(e.kind(), engine::DocumentError::Kind::OverLimit);
            EXPECT_TRUE(e.message().startsWith("built-in template: " + what)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("more than the %1").arg(limits.maxEntries)))
                << e.message().toStdString();
        }
    };
    refused([&] { p.addSlide(1, 12); }, "another slide");
    refused([&] { p.pasteChart(0, chart); }, "another chart");
    EXPECT_EQ(p.slideCount(), 1);
    EXPECT_EQ(p.package().partNames(), parts);
    EXPECT_EQ(p.package().part("/ppt/presentation.xml"), presentationXml);

    // What it holds saves and reads back under the same bound.
    QTemporaryDir dir;
    const QString path = dir.filePath("full.pptx");
    p.save(path);
    EXPECT_EQ(Presentation::open(path, limits).slideCount(), 1);
}

TEST(PresentationCopies, EditsOfOneLeaveTheOtherAsItWas) {
    auto original = Presentation::createNew();
    original.addSlide(0, 12);
    const QByteArray presentationXml = original.package().part("/ppt/presentation.xml");
    const QStringList parts = original.package().partNames();

    Presentation copy = original;
    copy.addSlide(1, 12);
    copy.pasteChart(1, fixtures::chartPackageFromWorkbook(chartsXlsx(), 1));
    original.addSlide(0, 12);

    EXPECT_EQ(copy.slideCount(), 2);
    EXPECT_EQ(original.slideCount(), 2);
    EXPECT_EQ(copy.slideShapes(1).size(), 1u);
    EXPECT_TRUE(original.slideShapes(0).empty());
    EXPECT_TRUE(original.slideShapes(1).empty());
    EXPECT_FALSE(original.package().hasPart("/ppt/charts/chart1.xml"));
    EXPECT_NE(original.package().part("/ppt/presentation.xml"), presentationXml);
    EXPECT_EQ(original.package().partNames().size(), parts.size() + 2);  // its own slide and relationships
}
