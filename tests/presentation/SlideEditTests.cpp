// Slides deleted, duplicated and moved: what the saved deck holds afterwards, part by part.

#include "Fixtures.h"

#include "engine/package/Xml.h"
#include "engine/presentation/Presentation.h"
#include "engine/presentation/PresentationPart.h"
#include "engine/presentation/SlideLayoutPart.h"
#include "engine/presentation/SlidePart.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using engine::Presentation;

namespace {

const char* const kChartRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chart";
const char* const kPackageRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/package";

// Every part of a saved deck, by name, as bytes.
QMap<QString, QByteArray> savedParts(const QString& path) {
    const auto package = engine::Package::load(path);
    QMap<QString, QByteArray> parts;
    for (const QString& name : package.partNames()) parts.insert(name, package.part(name));
    return parts;
}

// The chart part on slide index (its first chart), "" when it has none.
QString chartOfSlide(const Presentation& p, int index) {
    const auto rels = p.package().relationships(p.slidePartName(index));
    const auto* r = rels.firstOfType(kChartRel);
    return r ? r->targetPart : QString();
}

// Three slides: a picture; a chart; a chart and the same picture as the first slide's.
Presentation deckWithCharts() {
    const QString charts = fixtures::fixtureDir() + "/charts.xlsx";
    auto p = Presentation::createNew();
    for (int i = 0; i < 3; ++i) p.addSlide(i, 12);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    p.pastePicture(0, image);
    p.pasteChart(1, fixtures::chartPackageFromWorkbook(charts, 1));
    p.pasteChart(2, fixtures::chartPackageFromWorkbook(charts, 2));
    return p;
}

std::vector<quint32> slideIds(const Presentation& p) {
    std::vector<quint32> ids;
    for (int i = 0; i < p.slideCount(); ++i) ids.push_back(p.slideId(i));
    return ids;
}

QStringList slideParts(const Presentation& p) {
    QStringList parts;
    for (int i = 0; i < p.slideCount(); ++i) parts << p.slidePartName(i);
    return parts;
}

}  // namespace

TEST(SlideEdits, DeletedSlideTakesItsChartWorkbookAndOverrideAlongAndLeavesEveryOtherPartAsItWas) {
    QTemporaryDir dir;
    auto p = deckWithCharts();
    const QString before = dir.filePath("before.pptx");
    p.save(before);
    const auto ids = slideIds(p);
    const QString slide = p.slidePartName(1);
    const QString chart = chartOfSlide(p, 1);
    const auto chartRels = p.package().relationships(chart);
    ASSERT_NE(chartRels.firstOfType(kPackageRel), nullptr);
    QStringList gone{slide, engine::relationshipsPartName(slide), chart, engine::relationshipsPartName(chart)};
    for (const auto& r : chartRels.all()) gone << r.targetPart;  // workbook, theme override, style...
    // The chart frame's provenance tags go with the slide too.
    const auto slideRels = p.package().relationships(slide);
    for (const auto& r : slideRels.all()) {
        if (r.type.endsWith(QLatin1String("/relationships/tags"))) gone << r.targetPart;
    }

    p.deleteSlides({1});
    const QString after = dir.filePath("after.pptx");
    p.save(after);

    const auto was = savedParts(before);
    const auto now = savedParts(after);
    for (const QString& part : gone) {
        EXPECT_TRUE(was.contains(part)) << part.toStdString();
        EXPECT_FALSE(now.contains(part)) << part.toStdString();
    }
    // Nothing else went, and nothing but the slide list (and the deck's copy of its charts'
    // provenance) changed.
    const QStringList changed{"/ppt/presentation.xml", "/ppt/_rels/presentation.xml.rels",
                              "/docProps/custom.xml"};
    for (auto it = was.cbegin(); it != was.cend(); ++it) {
        if (gone.contains(it.key())) continue;
        ASSERT_TRUE(now.contains(it.key())) << it.key().toStdString();
        if (!changed.contains(it.key())) {
            EXPECT_EQ(now.value(it.key()), it.value()) << it.key().toStdString();
        }
    }
    EXPECT_EQ(now.size(), was.size() - gone.size());

    const auto back = Presentation::open(after);
    ASSERT_EQ(back.slideCount(), 2);
    EXPECT_EQ(slideIds(back), (std::vector<quint32>{ids[0], ids[2]}));
    EXPECT_EQ(back.chartSummary(chartOfSlide(back, 1)).series.size(),
              p.chartSummary(chartOfSlide(p, 1)).series.size());
}

TEST(SlideEdits, SharedPictureStaysWhileASlideStillShowsItAndGoesWithTheLast) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    p.pastePicture(0, image);
    p.duplicateSlide(0);
    const auto rels = p.package().relationships(p.slidePartName(0));
    const QString picture =
        rels.firstOfType("http://schemas.openxmlformats.org/officeDocument/2006/relationships/image")->targetPart;
    p.deleteSlides({0});
    EXPECT_TRUE(p.package().hasPart(picture));
    p.deleteSlides({0});
    EXPECT_FALSE(p.package().hasPart(picture));
    EXPECT_EQ(p.slideCount(), 0);
    EXPECT_TRUE(p.package().hasPart("/ppt/slideLayouts/slideLayout1.xml"));
}

TEST(SlideEdits, DuplicateHasItsOwnChartAndWorkbookWithTheSameBytes) {
    QTemporaryDir dir;
    auto p = deckWithCharts();
    const auto ids = slideIds(p);
    EXPECT_EQ(p.duplicateSlide(1), 2);
    ASSERT_EQ(p.slideCount(), 4);
    EXPECT_EQ(p.slideId(1), ids[1]);
    EXPECT_GT(p.slideId(2), *std::max_element(ids.begin(), ids.end()));
    EXPECT_EQ(p.package().part(p.slidePartName(2)), p.package().part(p.slidePartName(1)));

    const QString chart = chartOfSlide(p, 1);
    const QString copy = chartOfSlide(p, 2);
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_NE(copy, chart);
    EXPECT_EQ(p.package().part(copy), p.package().part(chart));
    const auto chartRels = p.package().relationships(chart);
    const auto copyRels = p.package().relationships(copy);
    const auto* workbook = chartRels.firstOfType(kPackageRel);
    const auto* copiedWorkbook = copyRels.firstOfType(kPackageRel);
    ASSERT_TRUE(workbook && copiedWorkbook);
    EXPECT_EQ(copiedWorkbook->id, workbook->id);  // the chart's r:id still finds it
    EXPECT_NE(copiedWorkbook->targetPart, workbook->targetPart);
    EXPECT_EQ(p.package().part(copiedWorkbook->targetPart), p.package().part(workbook->targetPart));

    // The original goes; the copy keeps everything it needs.
    p.deleteSlides({1});
    const QString path = dir.filePath("duplicated.pptx");
    p.save(path);
    const auto back = Presentation::open(path);
    ASSERT_EQ(back.slideCount(), 3);
    EXPECT_EQ(chartOfSlide(back, 1), copy);
    EXPECT_TRUE(back.package().hasPart(copiedWorkbook->targetPart));
    EXPECT_FALSE(back.package().hasPart(workbook->targetPart));
    EXPECT_FALSE(back.chartSummary(copy).series.empty());
}

// What the schema check says of a saved deck: "" when every part is valid.
QString schemaErrors(const QString& deck) {
    QProcess check;
    check.start("/usr/bin/python3", {QUILLMERE_SOURCE_ROOT "/tools/check-ooxml-schema.py", "--quiet", deck});
    if (!check.waitForFinished(300000)) return "the schema check did not finish";
    if (check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0) return {};
    return QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
}

TEST(SlideEdits, DuplicatedChartHasProvenanceOfItsOwnThatChangesAndGoesApart) {
    QTemporaryDir dir;
    auto p = deckWithCharts();
    p.duplicateSlide(1);
    auto frameOn = [&p](int slide) {
        for (const auto& f : p.chartFrames())
            if (f.slide == slide) return f;
        ADD_FAILURE() << "no chart on slide " << slide + 1;
        return Presentation::ChartFrame{};
    };
    const auto original = frameOn(1);
    const auto copy = frameOn(2);
    ASSERT_TRUE(original.provenance && copy.provenance);
    ASSERT_FALSE(original.tagsPart.isEmpty());
    EXPECT_NE(copy.tagsPart, original.tagsPart);
    EXPECT_EQ(p.partBytes(copy.tagsPart), p.partBytes(original.tagsPart));
    EXPECT_EQ(p.package().contentTypes().of(copy.tagsPart), p.package().contentTypes().of(original.tagsPart));

    // The copy refreshed from a workbook that moved: the original still names its own.
    engine::ChartProvenance moved = *copy.provenance;
    moved.workbook = dir.filePath("moved/charts.xlsx");
    moved.chart = "Moved";
    p.updateChart(copy, p.partBytes(copy.chartPart), {}, moved);
    EXPECT_EQ(frameOn(1).provenance->workbook, original.provenance->workbook);
    EXPECT_EQ(frameOn(1).provenance->chart, original.provenance->chart);
    EXPECT_EQ(frameOn(2).provenance->workbook, moved.workbook);

    // The original's chart deleted: its tags go, the copy's stay.
    p.deleteChart(1, original.shapeId);
    EXPECT_FALSE(p.package().hasPart(original.tagsPart));
    ASSERT_TRUE(p.package().hasPart(copy.tagsPart));
    const QString path = dir.filePath("duplicated-provenance.pptx");
    p.save(path);
    const auto back = Presentation::open(path);
    const auto frames = back.chartFrames();
    ASSERT_EQ(frames.size(), 2u);  // the copy on slide 3, the third chart on slide 4
    EXPECT_EQ(frames[0].slide, 2);
    ASSERT_TRUE(frames[0].provenance);
    EXPECT_EQ(frames[0].provenance->chart, "Moved");
    EXPECT_EQ(frames[0].provenance->workbookRelative, "moved/charts.xlsx");
    const QString errors = schemaErrors(path);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}

TEST(SlideEdits, MovedSlidesKeepTheirPartsAndIdsInTheirNewOrder) {
    QTemporaryDir dir;
    auto p = Presentation::createNew();
    for (int i = 0; i < 5; ++i) p.addSlide(i, 12);
    const auto ids = slideIds(p);
    const auto parts = slideParts(p);

    p.moveSlides({3, 1}, 0);  // 1 3 0 2 4
    EXPECT_EQ(slideIds(p), (std::vector<quint32>{ids[1], ids[3], ids[0], ids[2], ids[4]}));
    p.moveSlides({0}, 4);  // 3 0 2 4 1
    EXPECT_EQ(slideParts(p), (QStringList{parts[3], parts[0], parts[2], parts[4], parts[1]}));
    p.moveSlides({2, 3}, 2);  // no change of order when the slides stay where they are
    p.moveSlides({1, 2, 3}, 1);
    EXPECT_EQ(slideParts(p), (QStringList{parts[3], parts[0], parts[2], parts[4], parts[1]}));

    EXPECT_THROW(p.moveSlides({0, 1}, 4), engine::DocumentError);
    EXPECT_THROW(p.moveSlides({5}, 0), engine::DocumentError);
    EXPECT_THROW(p.deleteSlides({0, 7}), engine::DocumentError);
    EXPECT_THROW(p.duplicateSlide(-1), engine::DocumentError);
    EXPECT_EQ(p.slideCount(), 5);

    const QString path = dir.filePath("moved.pptx");
    p.save(path);
    const auto back = Presentation::open(path);
    EXPECT_EQ(slideIds(back), (std::vector<quint32>{ids[3], ids[0], ids[2], ids[4], ids[1]}));
    EXPECT_EQ(slideParts(back), slideParts(p));
}

TEST(SlideEdits, SectionsAndCustomShowsFollowDeletedMovedAndDuplicatedSlides) {
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<p:presentation xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"><p:sldMasterIdLst><p:sldMasterId id="2147483648" r:id="rId1"/></p:sldMasterIdLst><p:sldIdLst><p:sldId id="256" r:id="rId2"/><p:sldId id="257" r:id="rId3"/><p:sldId id="258" r:id="rId4"/><p:sldId id="259" r:id="rId5"/></p:sldIdLst><p:sldSz cx="12192000" cy="6858000"/><p:notesSz cx="6858000" cy="9144000"/><p:custShowLst><p:custShow name="Short" id="0"><p:sldLst><p:sld r:id="rId3"/><p:sld r:id="rId5"/></p:sldLst></p:custShow></p:custShowLst><p:extLst><p:ext uri="{521415D9-36F7-43E2-AB2F-B90AF26B5E84}"><p14:sectionLst xmlns:p14="http://schemas.microsoft.com/office/powerpoint/2010/main"><p14:section name="One" id="{00000000-0000-0000-0000-000000000001}"><p14:sldIdLst><p14:sldId id="256"/><p14:sldId id="257"/></p14:sldIdLst></p14:section><p14:section name="Two" id="{00000000-0000-0000-0000-000000000002}"><p14:sldIdLst><p14:sldId id="258"/><p14:sldId id="259"/></p14:sldIdLst></p14:section></p14:sectionLst></p:ext></p:extLst></p:presentation>)";
    auto part = engine::PresentationPart::parse(xml, "deck.pptx", "/ppt/presentation.xml");
    part.removeSlide(1);  // 256 | 258 259
    QString out = QString::fromUtf8(part.bytes());
    EXPECT_FALSE(out.contains("id=\"257\""));
    EXPECT_FALSE(out.contains("r:id=\"rId3\""));
    EXPECT_TRUE(out.contains("<p:sld r:id=\"rId5\"/>"));

    // 259 moves to the front and joins the first section: 259 256 | 258.
    part.reorderSlides({2, 0, 1}, {false, false, true});
    out = QString::fromUtf8(part.bytes());
    EXPECT_TRUE(out.contains("<p:sldIdLst><p:sldId id=\"259\" r:id=\"rId5\"/><p:sldId id=\"256\" r:id=\"rId2\"/>"
                             "<p:sldId id=\"258\" r:id=\"rId4\"/></p:sldIdLst>"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("<p14:sldIdLst><p14:sldId id=\"259\"/><p14:sldId id=\"256\"/></p14:sldIdLst>"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("<p14:sldIdLst><p14:sldId id=\"258\"/></p14:sldIdLst>")) << out.toStdString();

    part.insertSlide(3, 260, "rId6");
    part.addToSectionAfter(258, 260);
    out = QString::fromUtf8(part.bytes());
    EXPECT_TRUE(out.contains("<p14:sldIdLst><p14:sldId id=\"258\"/><p14:sldId id=\"260\"/></p14:sldIdLst>"))
        << out.toStdString();
}

TEST(SlideEdits, EditedDecksOpenInLibreOfficeWithTheirSlides) {
    QTemporaryDir dir;
    QStringList files;
    QList<int> pages;
    auto deleted = deckWithCharts();
    deleted.deleteSlides({0, 2});
    files << dir.filePath("deleted.pptx");
    deleted.save(files.back());
    pages << 1;
    auto duplicated = deckWithCharts();
    duplicated.duplicateSlide(2);
    duplicated.duplicateSlide(0);
    files << dir.filePath("duplicated.pptx");
    duplicated.save(files.back());
    pages << 5;
    auto moved = deckWithCharts();
    moved.moveSlides({2}, 0);
    files << dir.filePath("moved.pptx");
    moved.save(files.back());
    pages << 3;
    for (const QString& f : files) EXPECT_NO_THROW(Presentation::open(f)) << f.toStdString();

    if (!fixtures::sofficeAvailable()) GTEST_SKIP() << "LibreOffice (soffice/pdfinfo) is not installed; outside check skipped";
    EXPECT_EQ(fixtures::pdfPageCounts(files, dir.path()), pages);
}

TEST(ChartFrames, MovedAndSizedChartChangesOnlyItsFrameAndFitsInsideTheMargins) {
    QTemporaryDir dir;
    auto p = deckWithCharts();
    const QString chart = chartOfSlide(p, 1);
    const QByteArray chartBytes = p.package().part(chart);
    const QByteArray otherSlide = p.package().part(p.slidePartName(2));
    int id = 0;
    for (const auto& shape : p.slideShapes(1))
        if (shape.kind == engine::SlideShape::Kind::Chart) id = shape.id;
    ASSERT_NE(id, 0);

    const engine::EmuRect wide{-100, 200, 3000000, 2000000};  // past the left edge, as the office suites allow
    p.setChartFrame(1, id, wide);
    const auto frame = p.slideShapes(1).front().frame;
    EXPECT_EQ(frame.x, -100);
    EXPECT_EQ(frame.y, 200);
    EXPECT_EQ(frame.cx, 3000000);
    EXPECT_EQ(frame.cy, 2000000);
    EXPECT_EQ(p.package().part(chart), chartBytes);
    EXPECT_EQ(p.package().part(p.slidePartName(2)), otherSlide);

    // 12192000 x 6858000 less 5 % each side: the height decides.
    const auto fitted = p.fittedToSlide(wide);
    EXPECT_EQ(fitted.cy, 6172200);
    EXPECT_EQ(fitted.cx, 9258300);
    EXPECT_EQ(fitted.x, (12192000 - 9258300) / 2);
    EXPECT_EQ(fitted.y, 342900);
    const auto tall = p.fittedToSlide({0, 0, 1000, 4000});
    EXPECT_EQ(tall.cy, 6172200);
    EXPECT_EQ(tall.cx, 1543050);

    EXPECT_THROW(p.setChartFrame(1, id + 100, wide), engine::DocumentError);
    EXPECT_THROW(p.setChartFrame(1, id, {0, 0, 0, 100}), engine::DocumentError);
    EXPECT_THROW(p.setChartFrame(0, 2, wide), engine::DocumentError);  // a picture, not a chart

    p.setChartFrame(1, id, fitted);
    const QString path = dir.filePath("framed.pptx");
    p.save(path);
    const auto back = Presentation::open(path);
    const auto read = back.slideShapes(1).front().frame;
    EXPECT_EQ(read.x, fitted.x);
    EXPECT_EQ(read.cx, fitted.cx);
    EXPECT_EQ(read.cy, fitted.cy);
}

TEST(ChartFrames, DeletedChartTakesItsWorkbookAlongAndLeavesTheRestOfTheDeckAsItWas) {
    QTemporaryDir dir;
    auto p = deckWithCharts();
    const QString before = dir.filePath("before.pptx");
    p.save(before);
    const QString chart = chartOfSlide(p, 2);
    const auto chartRels = p.package().relationships(chart);
    QStringList gone{chart, engine::relationshipsPartName(chart)};
    for (const auto& r : chartRels.all()) gone << r.targetPart;
    const auto slideRels = p.package().relationships(p.slidePartName(2));
    for (const auto& r : slideRels.all()) {
        if (r.type.endsWith(QLatin1String("/relationships/tags"))) gone << r.targetPart;  // provenance
    }
    const int id = p.slideShapes(2).front().id;

    EXPECT_THROW(p.deleteChart(2, id + 1), engine::DocumentError);
    EXPECT_THROW(p.deleteChart(0, p.slideShapes(0).front().id), engine::DocumentError);  // a picture
    p.deleteChart(2, id);
    EXPECT_TRUE(p.slideShapes(2).empty());
    EXPECT_TRUE(chartOfSlide(p, 2).isEmpty());
    const QString after = dir.filePath("after.pptx");
    p.save(after);

    const auto was = savedParts(before);
    const auto now = savedParts(after);
    const QStringList changed{p.slidePartName(2), engine::relationshipsPartName(p.slidePartName(2)),
                              "/docProps/custom.xml"};
    for (auto it = was.cbegin(); it != was.cend(); ++it) {
        if (gone.contains(it.key())) {
            EXPECT_FALSE(now.contains(it.key())) << it.key().toStdString();
        } else if (!changed.contains(it.key())) {
            EXPECT_EQ(now.value(it.key()), it.value()) << it.key().toStdString();
        }
    }
    EXPECT_EQ(Presentation::open(after).slideCount(), 3);
}

TEST(SlideEdits, NotesGoWithTheirSlideAndACopyHasNotesThatPointBackToIt) {
    const char* const notesRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/notesSlide";
    const char* const slideRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide";
    auto made = Presentation::createNew();
    made.addSlide(0, 12);
    made.addSlide(1, 12);
    engine::Package package = made.package();
    const QString slide = made.slidePartName(0);
    const QString notes = "/ppt/notesSlides/notesSlide1.xml";
    package.setPart(notes, "<p:notes xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"/>");
    package.contentTypes().setOverride(notes, "application/vnd.openxmlformats-officedocument.presentationml.notesSlide+xml");
    engine::Relationships back;
    back.add(slideRel, notes, slide);
    package.setRelationships(notes, back);
    auto slideRels = package.relationships(slide);
    slideRels.add(notesRel, slide, notes);
    package.setRelationships(slide, slideRels);
    auto p = Presentation::fromPackage(package, "notes.pptx");

    p.duplicateSlide(0);
    const QString copy = p.slidePartName(1);
    const auto copyRels = p.package().relationships(copy);
    const QString copiedNotes = copyRels.firstOfType(notesRel)->targetPart;
    EXPECT_NE(copiedNotes, notes);
    EXPECT_EQ(p.package().relationships(copiedNotes).firstOfType(slideRel)->targetPart, copy);
    EXPECT_EQ(p.package().contentTypes().of(copiedNotes), p.package().contentTypes().of(notes));

    p.deleteSlides({0});
    EXPECT_FALSE(p.package().hasPart(notes));
    EXPECT_TRUE(p.package().hasPart(copiedNotes));
    QTemporaryDir dir;
    p.save(dir.filePath("notes.pptx"));
    EXPECT_EQ(Presentation::open(dir.filePath("notes.pptx")).slideCount(), 2);
}

namespace {
// XML as the engine's own writer gives it back after reading: attribute quoting, the
// declaration's spacing and blanks between elements no longer tell two documents apart.
QByteArray canonicalXml(const QByteArray& xml) {
    pugi::xml_document doc;
    doc.load_buffer(xml.constData(), size_t(xml.size()),
                    pugi::parse_default | pugi::parse_declaration);
    return engine::xmlBytes(doc);
}
}  // namespace

TEST(SlideEdits, NewSlideHoldsOneEmptyShapePerPlaceholderOfItsLayout) {
    const std::vector<engine::LayoutPlaceholder> placeholders{
        {QStringLiteral("title"), QString(), QStringLiteral("Title & <Name> \"1\""), true},
        {QString(), QStringLiteral("13"), QStringLiteral("Picture"), false}};
    const QByteArray expected = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<p:sld xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"
 xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"
 xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"><p:cSld><p:spTree>
<p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>
<p:grpSpPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/><a:chOff x="0" y="0"/><a:chExt cx="0" cy="0"/></a:xfrm></p:grpSpPr>
<p:sp><p:nvSpPr><p:cNvPr id="2" name="Title &amp; &lt;Name&gt; &quot;1&quot;"/><p:cNvSpPr><a:spLocks noGrp="1"/></p:cNvSpPr>
<p:nvPr><p:ph type="title"/></p:nvPr></p:nvSpPr><p:spPr/>
<p:txBody><a:bodyPr/><a:lstStyle/><a:p><a:endParaRPr lang="en-US"/></a:p></p:txBody></p:sp>
<p:sp><p:nvSpPr><p:cNvPr id="3" name="Picture"/><p:cNvSpPr><a:spLocks noGrp="1"/></p:cNvSpPr>
<p:nvPr><p:ph idx="13"/></p:nvPr></p:nvSpPr><p:spPr/></p:sp>
</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>)";
    EXPECT_EQ(canonicalXml(engine::SlidePart::newSlideXml(placeholders)).toStdString(),
              canonicalXml(expected).toStdString());
}

TEST(SlideEdits, AddedSlidesLeaveTheBytesOfEveryOtherSlideAlone) {
    Presentation p = Presentation::createNew();
    p.addSlide(0, 1);
    p.addSlide(1, 12);
    QMap<QString, QByteArray> before;
    for (int i = 0; i < p.slideCount(); ++i)
        before.insert(p.slidePartName(i), p.package().part(p.slidePartName(i)));
    p.addSlide(1, 1);
    p.addSlide(0, 12);
    ASSERT_EQ(p.slideCount(), 4);
    for (const auto& [name, bytes] : before.asKeyValueRange())
        EXPECT_EQ(p.package().part(name), bytes) << name.toStdString();
    // The new slides are related once each from the presentation, their parts named apart.
    const auto rels = p.package().relationships(QStringLiteral("/ppt/presentation.xml"));
    QSet<QString> slides;
    for (const auto* r : rels.ofType(QStringLiteral(
             "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide")))
        slides.insert(r->targetPart.toLower());
    EXPECT_EQ(slides.size(), 4);
    EXPECT_EQ(p.package().contentTypes().of(p.slidePartName(0)),
              "application/vnd.openxmlformats-officedocument.presentationml.slide+xml");
}
