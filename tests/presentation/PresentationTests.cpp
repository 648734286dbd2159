// New presentations from the built-in template, and slides added by layout number.

#include "Fixtures.h"

#include "engine/package/Xml.h"
#include "engine/presentation/Presentation.h"
#include "engine/presentation/SlideLayoutPart.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using engine::Presentation;

namespace {

QString layoutTypeOfSlide(const Presentation& p, int index) {
    const QString slide = p.slidePartName(index);
    const auto rels = p.package().relationships(slide);
    const auto* rel = rels.firstOfType(
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships/slideLayout");
    if (!rel) return {};
    return engine::layoutTypeOf(p.package().part(rel->targetPart), "test", rel->targetPart);
}

}  // namespace

TEST(NewPresentation, IsWidescreenWithoutSlidesAndHasTitleAndBlankLayouts) {
    auto p = Presentation::createNew();
    EXPECT_EQ(p.slideCount(), 0);
    EXPECT_EQ(p.slideWidth(), 12192000);
    EXPECT_EQ(p.slideHeight(), 6858000);
    EXPECT_FALSE(p.isMacroEnabled());
    p.addSlide(0, 12);
    p.addSlide(0, 1);
    ASSERT_EQ(p.slideCount(), 2);
    EXPECT_EQ(layoutTypeOfSlide(p, 0), "title");
    EXPECT_EQ(layoutTypeOfSlide(p, 1), "blank");
    // The title slide starts with its layout's title and subtitle placeholders; the blank one
    // with nothing.
    const auto title = p.slideShapes(0);
    ASSERT_EQ(title.size(), 2u);
    EXPECT_EQ(title[0].placeholderType, "ctrTitle");
    EXPECT_EQ(title[1].placeholderType, "subTitle");
    EXPECT_TRUE(p.slideShapes(1).empty());
}

TEST(NewPresentation, SavedFileReopensWithSlidesInTheOrderAdded) {
    QTemporaryDir dir;
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    p.addSlide(1, 16);  // "obj": Title and Content
    p.addSlide(0, 1);
    p.addSlide(3, 12);
    p.pasteText(3, "last");
    const QString path = dir.filePath("new.pptx");
    p.save(path);

    const auto back = Presentation::open(path);
    ASSERT_EQ(back.slideCount(), 4);
    EXPECT_EQ(layoutTypeOfSlide(back, 0), "title");
    EXPECT_EQ(layoutTypeOfSlide(back, 1), "blank");
    EXPECT_EQ(layoutTypeOfSlide(back, 2), "obj");
    EXPECT_EQ(layoutTypeOfSlide(back, 3), "blank");
    ASSERT_EQ(back.slideShapes(3).size(), 1u);
    EXPECT_EQ(back.slideShapes(3)[0].paragraphs, QStringList{"last"});
}

TEST(NewPresentation, RefusedSlideAdditionsLeaveItUnchanged) {
    auto p = Presentation::createNew();
    p.addSlide(0, 12);
    const QStringList parts = p.package().partNames();
    const QByteArray presentationXml = p.package().part("/ppt/presentation.xml");

    EXPECT_THROW(p.addSlide(2, 12), engine::DocumentError);   // beyond the end
    EXPECT_THROW(p.addSlide(-1, 12), engine::DocumentError);
    EXPECT_THROW(p.addSlide(1, 99), engine::DocumentError);   // no such layout number
    try {
        p.addSlide(1, 5);  // a layout type the template does not have
        FAIL() << "layout 5 was accepted";
    } catch (const engine::DocumentError& e) {
        EXPECT_TRUE(e.message().contains("txAndChart")) << e.message().toStdString();
    }
    EXPECT_EQ(p.slideCount(), 1);
    EXPECT_EQ(p.package().partNames(), parts);
    EXPECT_EQ(p.package().part("/ppt/presentation.xml"), presentationXml);
}

TEST(SlideLayouts, NumbersMapToTheFormatsLayoutTypes) {
    EXPECT_EQ(engine::layoutTypeOfNumber(1), "title");
    EXPECT_EQ(engine::layoutTypeOfNumber(11), "titleOnly");
    EXPECT_EQ(engine::layoutTypeOfNumber(12), "blank");
    EXPECT_EQ(engine::layoutTypeOfNumber(16), "obj");
    EXPECT_EQ(engine::layoutTypeOfNumber(32), "cust");
    EXPECT_EQ(engine::layoutTypeOfNumber(36), "picTx");
    EXPECT_EQ(engine::layoutTypeOfNumber(0), "");
    EXPECT_EQ(engine::layoutTypeOfNumber(37), "");
}

TEST(SlideIds, StayUniqueAndInRangeOverManyInsertions) {
    auto p = Presentation::createNew();
    for (int i = 0; i < 30; ++i) p.addSlide(i % 3 == 0 ? 0 : p.slideCount(), 12);
    pugi::xml_document doc;
    engine::parseXml(doc, p.package().part("/ppt/presentation.xml"), "t", "p");
    QSet<unsigned> ids;
    QSet<QString> rels;
    for (auto s : engine::xml::child(doc.document_element(), engine::xml::Ns::P, "sldIdLst").children()) {
        const unsigned id = s.attribute("id").as_uint();
        EXPECT_GE(id, 256u);
        EXPECT_FALSE(ids.contains(id));
        ids.insert(id);
        rels.insert(QString::fromUtf8(s.attribute("r:id").value()));
    }
    EXPECT_EQ(ids.size(), 30);
    EXPECT_EQ(rels.size(), 30);
    QSet<QString> parts;
    for (int i = 0; i < p.slideCount(); ++i) parts.insert(p.slidePartName(i).toLower());
    EXPECT_EQ(parts.size(), 30);
}
