// Slides as the presentation window draws them, probed through the scene's tagged primitives:
// what comes from the layout and master, text styles and autofit, backgrounds, cropped pictures,
// preset shapes, tables, groups, and elements that have no drawing of their own.

#include "TestDecks.h"

#include "engine/slide/SlideModel.h"
#include "engine/slide/SlidePainter.h"
#include "engine/slide/SlideScene.h"

#include <QPainter>
#include <QtTest>

using namespace engine::slide;
using testdecks::shape;
using testdecks::slideXml;

namespace {

constexpr int kObjectLayout = 16;  // title and content

SlideScene sceneOf(const engine::Presentation& p, int index = 0) {
    return buildSlideScene(readSlideModel(p, index));
}

std::vector<const ScenePrimitive*> texts(const SlideScene& scene, const QString& prefix) {
    std::vector<const ScenePrimitive*> result;
    for (const auto* p : scene.tagged(prefix))
        if (p->kind == ScenePrimitive::Kind::Text && !p->tag.endsWith(QLatin1String(" bullet"))) result.push_back(p);
    return result;
}

const ScenePrimitive* firstPath(const SlideScene& scene, const QString& tag) {
    for (const auto* p : scene.tagged(tag))
        if (p->kind == ScenePrimitive::Kind::Path && p->tag == tag) return p;
    return nullptr;
}

QString solid(const char* rgb) {
    return QStringLiteral("<a:solidFill><a:srgbClr val=\"%1\"/></a:solidFill>").arg(QLatin1String(rgb));
}

QString body(const QString& paragraphs, const QString& bodyPr = QStringLiteral("<a:bodyPr/>")) {
    return QStringLiteral("<p:txBody>%1<a:lstStyle/>%2</p:txBody>").arg(bodyPr, paragraphs);
}

// A paragraph of one run: the run's attributes and child elements, and the paragraph's pPr.
QString para(const QString& text, const QString& attributes = QString(), const QString& children = QString(),
             const QString& pPr = QString()) {
    return QStringLiteral("<a:p>%1<a:r><a:rPr lang=\"en-US\" %2>%3</a:rPr><a:t>%4</a:t></a:r></a:p>")
        .arg(pPr, attributes, children, text);
}

QImage paint(const SlideScene& scene, int width = 960) {
    QImage image(width, int(width * scene.size.height() / scene.size.width()), QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    paintSlideScene(scene, painter, QRectF(image.rect()));
    painter.end();
    return image;
}

// A deck the presentation application saved, from tests/slide/data (see the README there).
engine::Presentation savedDeck(const char* name) {
    return engine::Presentation::open(qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/tests/slide/data/") +
                                      QLatin1String(name));
}

// The index of the slide stored in part, or -1.
int slideStoredIn(const engine::Presentation& p, const QString& part) {
    for (int i = 0; i < p.slideCount(); ++i)
        if (p.slidePartName(i) == part) return i;
    return -1;
}

QString textColours(const SlideScene& scene, const QString& prefix) {
    QStringList names;
    for (const auto* t : texts(scene, prefix)) names << t->color.name();
    names.removeDuplicates();
    return names.join(u',');
}

// A pixel of the painted slide at a point of the slide.
QColor pixelAt(const QImage& image, const SlideScene& scene, QPointF point) {
    const double s = image.width() / scene.size.width();
    return image.pixelColor(int(point.x() * s), int(point.y() * s));
}

}  // namespace

class SlideSceneTest : public QObject {
    Q_OBJECT

private slots:
    void placeholdersTakePlaceTextStyleAndBulletsFromLayoutAndMaster() {
        const QString title = QStringLiteral(
            "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"Title 1\"/><p:cNvSpPr/><p:nvPr><p:ph type=\"title\"/></p:nvPr>"
            "</p:nvSpPr><p:spPr/>%1</p:sp>").arg(body(para(QStringLiteral("Quarterly"))));
        const QString content = QStringLiteral(
            "<p:sp><p:nvSpPr><p:cNvPr id=\"3\" name=\"Content 2\"/><p:cNvSpPr/><p:nvPr><p:ph idx=\"1\"/></p:nvPr>"
            "</p:nvSpPr><p:spPr/>%1</p:sp>")
                                    .arg(body(para(QStringLiteral("First point")) +
                                              para(QStringLiteral("Loud"), QStringLiteral("b=\"1\" i=\"1\""), solid("C00000"))));
        const auto deck = testdecks::deck({slideXml(title + content)}, kObjectLayout);
        const SlideModel model = readSlideModel(deck, 0);

        // The master's title frame (609600, 457200, 10972800 x 1143000 EMU), as neither the
        // slide nor the layout gives one.
        QCOMPARE(model.elements.size(), size_t(2));
        QCOMPARE(model.elements[0].frame, QRectF(48, 36, 864, 90));
        QCOMPARE(model.elements[1].frame, QRectF(48, 144, 864, 360));

        const SlideScene scene = buildSlideScene(model);
        QCOMPARE(scene.textOf(QStringLiteral("shape 2 \"Title 1\" text")), QStringLiteral("Quarterly"));
        const auto titleRuns = texts(scene, QStringLiteral("shape 2 "));
        QCOMPARE(titleRuns.size(), size_t(1));
        QCOMPARE(titleRuns[0]->font.pointSizeF(), 40.0);   // the master's title style
        QCOMPARE(titleRuns[0]->color, QColor(0x1F, 0x2A, 0x44));  // tx2, the theme's dk2
        // Anchored in the middle of the title's frame.
        QVERIFY(titleRuns[0]->origin.y() > 36 + 30 && titleRuns[0]->origin.y() < 36 + 80);

        const auto bodyRuns = texts(scene, QStringLiteral("shape 3 "));
        QCOMPARE(bodyRuns.size(), size_t(2));
        QCOMPARE(bodyRuns[0]->font.pointSizeF(), 24.0);
        QVERIFY(!bodyRuns[0]->font.bold());
        QVERIFY(bodyRuns[1]->font.bold());
        QVERIFY(bodyRuns[1]->font.italic());
        QCOMPARE(bodyRuns[1]->color, QColor(0xC0, 0x00, 0x00));
        // The master's body style hangs a bullet at marL + indent (0) and starts the text at marL (18 pt).
        const auto bullets = scene.tagged(QStringLiteral("shape 3 \"Content 2\" text bullet"));
        QCOMPARE(bullets.size(), size_t(2));
        QCOMPARE(bullets[0]->text, QStringLiteral("\u2022"));
        QVERIFY(qAbs(bullets[0]->origin.x() - (48 + 7.2)) < 0.5);
        QVERIFY(qAbs(bodyRuns[0]->origin.x() - (48 + 7.2 + 18)) < 0.5);
        QVERIFY(bodyRuns[1]->origin.y() > bodyRuns[0]->origin.y() + 24);
    }

    void alignmentAndAutofitShrinkKeepTextInsideItsShape() {
        QString many;
        for (int i = 0; i < 8; ++i) many += para(QStringLiteral("Line %1 of a long text").arg(i + 1), QStringLiteral("sz=\"2400\""));
        const QString fit = QStringLiteral("<a:bodyPr><a:normAutofit/></a:bodyPr>");
        const QString stored = QStringLiteral("<a:bodyPr><a:normAutofit fontScale=\"50000\"/></a:bodyPr>");
        const QString centred = para(QStringLiteral("Mid"), QStringLiteral("sz=\"2000\""), QString(), QStringLiteral("<a:pPr algn=\"ctr\"/>"));
        const auto deck = testdecks::deck({slideXml(
            shape(2, "Overflowing", 10, 10, 300, 100, QStringLiteral("<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>"), body(many)) +
            shape(3, "Shrunk", 400, 10, 300, 100, QStringLiteral("<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>"), body(many, fit)) +
            shape(4, "Stored", 10, 300, 300, 100, QString(), body(para(QStringLiteral("Half"), QStringLiteral("sz=\"2400\"")), stored)) +
            shape(5, "Centred", 400, 300, 300, 100, QString(), body(centred)))});
        const SlideScene scene = sceneOf(deck);

        const auto over = texts(scene, QStringLiteral("shape 2 "));
        QCOMPARE(over.size(), size_t(8));
        QCOMPARE(over.back()->font.pointSizeF(), 24.0);
        QVERIFY2(over.back()->origin.y() > 110, "without autofit the text runs out of its shape");

        const auto shrunk = texts(scene, QStringLiteral("shape 3 "));
        QCOMPARE(shrunk.size(), size_t(8));
        QVERIFY(shrunk.back()->font.pointSizeF() < 24.0);
        QVERIFY2(shrunk.back()->origin.y() <= 110, qPrintable(QString::number(shrunk.back()->origin.y())));

        QCOMPARE(texts(scene, QStringLiteral("shape 4 ")).front()->font.pointSizeF(), 12.0);

        const auto mid = texts(scene, QStringLiteral("shape 5 ")).front();
        const double width = QFontMetricsF(mid->font).horizontalAdvance(mid->text) * 72.0 / QFontMetricsF(mid->font).fontDpi();
        const double left = mid->origin.x() - 400, right = 700 - (mid->origin.x() + width);
        QVERIFY2(qAbs(left - right) < 2, qPrintable(QStringLiteral("%1 %2").arg(left).arg(right)));
    }

    void backgroundsComeFromTheSlideElseItsLayoutOrMaster() {
        const QString red = QStringLiteral("<p:bg><p:bgPr>%1<a:effectLst/></p:bgPr></p:bg>").arg(solid("FF0000"));
        const QString gradient = QStringLiteral(
            "<p:bg><p:bgPr><a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr val=\"0000FF\"/></a:gs>"
            "<a:gs pos=\"100000\"><a:schemeClr val=\"accent1\"/></a:gs></a:gsLst><a:lin ang=\"5400000\"/></a:gradFill>"
            "<a:effectLst/></p:bgPr></p:bg>");
        const QString picture = QStringLiteral(
            "<p:bg><p:bgPr><a:blipFill><a:blip r:embed=\"rId2\"/><a:stretch><a:fillRect/></a:stretch></a:blipFill>"
            "<a:effectLst/></p:bgPr></p:bg>");
        const auto deck = testdecks::deck({slideXml({}, red), slideXml({}, gradient), slideXml({}, picture), slideXml({})},
                                          12, {{testdecks::png(20, 10, Qt::green, Qt::green)}});

        const SlideScene solidScene = sceneOf(deck, 0);
        QCOMPARE(solidScene.items.front().tag, QStringLiteral("background"));
        QCOMPARE(solidScene.items.front().brush.color(), QColor(Qt::red));

        const SlideScene gradientScene = sceneOf(deck, 1);
        const QGradient* g = gradientScene.items.front().brush.gradient();
        QVERIFY(g);
        QCOMPARE(g->stops().front().second, QColor(Qt::blue));
        QCOMPARE(g->stops().back().second, QColor(0x2E, 0x6D, 0xB4));  // accent1 of the theme
        const QImage gradientImage = paint(gradientScene);
        QVERIFY(pixelAt(gradientImage, gradientScene, {480, 5}).blue() > 200);  // top: blue

        const SlideScene pictureScene = sceneOf(deck, 2);
        QCOMPARE(pictureScene.items.front().kind, ScenePrimitive::Kind::Image);
        QCOMPARE(pixelAt(paint(pictureScene), pictureScene, {100, 100}), QColor(Qt::green));

        // No background of its own: the master's reference to the theme's first background
        // fill in bg1, white.
        const SlideScene inherited = sceneOf(deck, 3);
        QCOMPARE(inherited.items.front().brush.color(), QColor(Qt::white));
    }

    void picturesShowTheirCroppedPart() {
        const QString pic = QStringLiteral(
            "<p:pic><p:nvPicPr><p:cNvPr id=\"4\" name=\"Picture 3\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
            "<p:blipFill><a:blip r:embed=\"rId2\"/><a:srcRect l=\"50000\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>"
            "<p:spPr><a:xfrm><a:off x=\"1270000\" y=\"1270000\"/><a:ext cx=\"2540000\" cy=\"1270000\"/></a:xfrm>"
            "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>");
        const auto deck = testdecks::deck({slideXml(pic)}, 12, {{testdecks::png(40, 20, Qt::red, Qt::blue)}});
        const SlideScene scene = sceneOf(deck);
        const auto pictures = scene.tagged(QStringLiteral("picture 4 \"Picture 3\""));
        QCOMPARE(pictures.size(), size_t(1));
        QCOMPARE(pictures[0]->rect, QRectF(100, 100, 200, 100));
        QCOMPARE(pictures[0]->source, QRectF(20, 0, 20, 20));
        // Only the right (blue) half shows, over the whole frame.
        const QImage image = paint(scene);
        QCOMPARE(pixelAt(image, scene, {110, 150}), QColor(Qt::blue));
        QCOMPARE(pixelAt(image, scene, {290, 150}), QColor(Qt::blue));
    }

    void presetShapesDrawTheirGeometryWithFillAndLine_data() {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QPointF>("inside");   // fractions of the frame
        QTest::addColumn<QPointF>("outside");
        QTest::newRow("rect") << "rect" << QPointF(0.02, 0.02) << QPointF(1.1, 0.5);
        QTest::newRow("roundRect") << "roundRect" << QPointF(0.5, 0.02) << QPointF(0.005, 0.005);
        QTest::newRow("ellipse") << "ellipse" << QPointF(0.5, 0.5) << QPointF(0.05, 0.05);
        QTest::newRow("triangle") << "triangle" << QPointF(0.5, 0.1) << QPointF(0.1, 0.1);
        QTest::newRow("rtTriangle") << "rtTriangle" << QPointF(0.1, 0.5) << QPointF(0.9, 0.1);
        QTest::newRow("rightArrow") << "rightArrow" << QPointF(0.95, 0.5) << QPointF(0.1, 0.1);
        QTest::newRow("leftArrow") << "leftArrow" << QPointF(0.05, 0.5) << QPointF(0.9, 0.1);
        QTest::newRow("upArrow") << "upArrow" << QPointF(0.5, 0.05) << QPointF(0.1, 0.9);
        QTest::newRow("downArrow") << "downArrow" << QPointF(0.5, 0.95) << QPointF(0.1, 0.1);
        QTest::newRow("leftRightArrow") << "leftRightArrow" << QPointF(0.03, 0.5) << QPointF(0.5, 0.1);
        QTest::newRow("chevron") << "chevron" << QPointF(0.9, 0.5) << QPointF(0.1, 0.5);
        QTest::newRow("homePlate") << "homePlate" << QPointF(0.05, 0.5) << QPointF(0.99, 0.05);
        QTest::newRow("diamond") << "diamond" << QPointF(0.5, 0.5) << QPointF(0.1, 0.1);
        QTest::newRow("wedgeRectCallout") << "wedgeRectCallout" << QPointF(0.3, 1.1) << QPointF(0.9, 1.3);
        QTest::newRow("wedgeRoundRectCallout") << "wedgeRoundRectCallout" << QPointF(0.5, 0.5) << QPointF(0.9, 1.3);
        QTest::newRow("wedgeEllipseCallout") << "wedgeEllipseCallout" << QPointF(0.5, 0.5) << QPointF(0.02, 0.02);
        QTest::newRow("borderCallout1") << "borderCallout1" << QPointF(0.5, 0.5) << QPointF(1.2, 0.5);
        QTest::newRow("star5") << "star5" << QPointF(0.5, 0.5) << QPointF(0.05, 0.9);
    }

    void presetShapesDrawTheirGeometryWithFillAndLine() {
        QFETCH(QString, preset);
        QFETCH(QPointF, inside);
        QFETCH(QPointF, outside);
        const QString spPr = QStringLiteral("<a:prstGeom prst=\"%1\"><a:avLst/></a:prstGeom>%2"
                                            "<a:ln w=\"38100\"><a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill></a:ln>")
                                 .arg(preset, solid("336699"));
        const auto deck = testdecks::deck({slideXml(shape(5, "Shape", 100, 100, 200, 100, spPr))});
        const SlideScene scene = sceneOf(deck);
        const ScenePrimitive* p = firstPath(scene, QStringLiteral("shape 5 \"Shape\""));
        QVERIFY2(p, "the shape has a path of its own");
        QCOMPARE(p->brush.color(), QColor(0x33, 0x66, 0x99));
        QCOMPARE(p->pen.color(), QColor(Qt::green));
        QCOMPARE(p->pen.widthF(), 3.0);
        auto at = [](QPointF f) { return QPointF(100 + f.x() * 200, 100 + f.y() * 100); };
        QVERIFY2(p->path.contains(at(inside)), "a point inside the geometry");
        QVERIFY2(!p->path.contains(at(outside)), "a point outside the geometry");
    }

    void linesCarryArrowHeadsAndUnknownGeometriesAreNamedOutlines() {
        const QString line = QStringLiteral(
            "<p:cxnSp><p:nvCxnSpPr><p:cNvPr id=\"6\" name=\"Arrow 5\"/><p:cNvCxnSpPr/><p:nvPr/></p:nvCxnSpPr>"
            "<p:spPr><a:xfrm flipV=\"1\"><a:off x=\"1270000\" y=\"1270000\"/><a:ext cx=\"2540000\" cy=\"1270000\"/></a:xfrm>"
            "<a:prstGeom prst=\"straightConnector1\"><a:avLst/></a:prstGeom>"
            "<a:ln w=\"25400\"><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill><a:tailEnd type=\"triangle\"/></a:ln>"
            "</p:spPr></p:cxnSp>");
        const QString heart = shape(7, "Heart 6", 400, 100, 100, 100, QStringLiteral("<a:prstGeom prst=\"heart\"><a:avLst/></a:prstGeom>") + solid("FF0000"));
        const auto deck = testdecks::deck({slideXml(line + heart)});
        const SlideScene scene = sceneOf(deck);
        const ScenePrimitive* stroke = firstPath(scene, QStringLiteral("shape 6 \"Arrow 5\""));
        QVERIFY(stroke);
        QCOMPARE(stroke->brush.style(), Qt::NoBrush);
        QCOMPARE(stroke->pen.color(), QColor(Qt::red));
        // Flipped vertically: from bottom-left to top-right on the slide, the head at the top right.
        const QPointF end = stroke->transform.map(QPointF(stroke->path.elementAt(1)));
        QCOMPARE(end, QPointF(300, 100));
        const auto heads = scene.tagged(QStringLiteral("shape 6 \"Arrow 5\" arrow"));
        QCOMPARE(heads.size(), size_t(1));
        QVERIFY(heads[0]->transform.map(heads[0]->path).boundingRect().contains(QPointF(299, 101)));

        QVERIFY(scene.tagged(QStringLiteral("shape 7")).empty());
        const auto label = scene.tagged(QStringLiteral("unknown 7 \"Heart 6\" label"));
        QCOMPARE(label.size(), size_t(1));
        QVERIFY(label[0]->text.contains(QStringLiteral("Heart 6")));
    }

    void tablesAreGridsWithTheirTextAndFills() {
        const QString cell = QStringLiteral("<a:tc><a:txBody><a:bodyPr/><a:lstStyle/><a:p><a:r><a:rPr lang=\"en-US\"/><a:t>%1</a:t></a:r></a:p></a:txBody><a:tcPr>%2</a:tcPr></a:tc>");
        const QString table = QStringLiteral(
            "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"8\" name=\"Table 7\"/><p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr>"
            "<p:xfrm><a:off x=\"1270000\" y=\"1270000\"/><a:ext cx=\"5080000\" cy=\"1016000\"/></p:xfrm>"
            "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/table\"><a:tbl>"
            "<a:tblPr firstRow=\"1\"/><a:tblGrid><a:gridCol w=\"2540000\"/><a:gridCol w=\"2540000\"/></a:tblGrid>"
            "<a:tr h=\"508000\">%1%2</a:tr><a:tr h=\"508000\">%3%4</a:tr></a:tbl></a:graphicData></a:graphic></p:graphicFrame>")
                                  .arg(cell.arg("Region", solid("FFFF00")), cell.arg("Sales", QString()),
                                       cell.arg("North", QString()), cell.arg("42", QString()));
        const auto deck = testdecks::deck({slideXml(table)});
        const SlideScene scene = sceneOf(deck);
        QCOMPARE(scene.textOf(QStringLiteral("table 8 \"Table 7\" cell 1,1 text")), QStringLiteral("Region"));
        QCOMPARE(scene.textOf(QStringLiteral("table 8 \"Table 7\" cell 2,2 text")), QStringLiteral("42"));
        const ScenePrimitive* first = firstPath(scene, QStringLiteral("table 8 \"Table 7\" cell 1,1"));
        QVERIFY(first);
        QCOMPARE(first->brush.color(), QColor(Qt::yellow));
        QCOMPARE(first->path.boundingRect(), QRectF(100, 100, 200, 40));
        const ScenePrimitive* last = firstPath(scene, QStringLiteral("table 8 \"Table 7\" cell 2,2"));
        QVERIFY(last);
        QCOMPARE(last->path.boundingRect(), QRectF(300, 140, 200, 40));
        QCOMPARE(scene.tagged(QStringLiteral("table 8 \"Table 7\" cell 2,2 border")).size(), size_t(4));
        // The second cell's text lies inside its cell.
        const auto sales = texts(scene, QStringLiteral("table 8 \"Table 7\" cell 1,2 text"));
        QVERIFY(QRectF(300, 100, 200, 40).contains(sales.front()->origin));
    }

    void groupsPlaceTheirChildrenThroughTheirOwnTransform() {
        const QString group = QStringLiteral(
            "<p:grpSp><p:nvGrpSpPr><p:cNvPr id=\"9\" name=\"Group 8\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
            "<p:grpSpPr><a:xfrm><a:off x=\"1270000\" y=\"1270000\"/><a:ext cx=\"2540000\" cy=\"1270000\"/>"
            "<a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"5080000\" cy=\"2540000\"/></a:xfrm></p:grpSpPr>%1</p:grpSp>")
                                  .arg(shape(10, "Inner", 200, 100, 100, 50, QStringLiteral("<a:prstGeom prst=\"ellipse\"><a:avLst/></a:prstGeom>") + solid("0000FF")));
        const auto deck = testdecks::deck({slideXml(group)});
        const SlideModel model = readSlideModel(deck, 0);
        QCOMPARE(model.elements.size(), size_t(1));
        QCOMPARE(model.elements[0].kind, SlideElement::Kind::Group);
        QCOMPARE(model.elements[0].children.at(0).frame, QRectF(200, 150, 50, 25));
        const SlideScene scene = buildSlideScene(model);
        const ScenePrimitive* inner = firstPath(scene, QStringLiteral("shape 10 \"Inner\""));
        QVERIFY(inner);
        QCOMPARE(inner->path.boundingRect(), QRectF(200, 150, 50, 25));
    }

    void aSlideNumberFieldShowsTheSlidesOwnNumber() {
        const QString field = QStringLiteral(
            "<p:txBody><a:bodyPr/><a:lstStyle/><a:p><a:fld id=\"{B6F15528-21DE-4FAA-801E-634DDDAF4B2B}\" type=\"slidenum\">"
            "<a:rPr lang=\"en-US\"/><a:t>&lt;#&gt;</a:t></a:fld></a:p></p:txBody>");
        const QByteArray slide = slideXml(shape(2, "Number", 10, 10, 100, 40, QString(), field));
        const auto deck = testdecks::deck({slide, slide, slide});
        QCOMPARE(sceneOf(deck, 0).textOf(QStringLiteral("shape 2 ")), QStringLiteral("1"));
        QCOMPARE(sceneOf(deck, 2).textOf(QStringLiteral("shape 2 ")), QStringLiteral("3"));
    }

    void capitalsAreDrawnInCapitalsWhileTheTextKeepsItsLetters() {
        // The deck's title style asks for capitals; its subtitle says what the title shows.
        const auto saved = savedDeck("themes.pptx");
        const int sandy = slideStoredIn(saved, QStringLiteral("/ppt/slides/slide8.xml"));
        QVERIFY(sandy >= 0);
        const SlideModel model = readSlideModel(saved, sandy);
        const SlideScene scene = buildSlideScene(model);
        QCOMPARE(scene.textOf(QStringLiteral("shape 3 \"Title 2\" text")), QStringLiteral("TRECK THEME IS SANDY"));
        QVERIFY(scene.textOf(QStringLiteral("shape 4 \"Subtitle 3\" text")).startsWith(QStringLiteral("Text in the title")));
        const auto title = std::find_if(model.elements.begin(), model.elements.end(), [](const SlideElement& e) { return e.id == 3; });
        QVERIFY(title != model.elements.end() && title->text);
        QCOMPARE(title->text->paragraphs.front().runs.front().text, QStringLiteral("Treck"));

        // A run saying "none" keeps its letters against its list style; "small" draws small
        // capitals; capitals are measured as such, so a line of them breaks where they need it.
        const QString capsBody = QStringLiteral(
            "<p:txBody><a:bodyPr/><a:lstStyle><a:lvl1pPr><a:defRPr cap=\"all\"/></a:lvl1pPr></a:lstStyle>"
            "<a:p><a:r><a:rPr lang=\"en-US\"/><a:t>loud </a:t></a:r><a:r><a:rPr lang=\"en-US\" cap=\"none\"/><a:t>quiet</a:t></a:r></a:p>"
            "<a:p><a:r><a:rPr lang=\"en-US\" cap=\"small\"/><a:t>small</a:t></a:r></a:p></p:txBody>");
        const QString wide = QStringLiteral("wmwmwm wmwmwm wmwmwm");
        const auto deck = testdecks::deck({slideXml(
            shape(2, QStringLiteral("Caps"), 50, 50, 400, 100, QString(), capsBody) +
            shape(3, QStringLiteral("Narrow"), 50, 200, 190, 100, QString(),
                  QStringLiteral("<p:txBody><a:bodyPr/><a:lstStyle/>%1</p:txBody>").arg(para(wide, QStringLiteral("sz=\"1800\" cap=\"all\"")))) +
            shape(4, QStringLiteral("Narrow lower"), 50, 350, 190, 100, QString(),
                  QStringLiteral("<p:txBody><a:bodyPr/><a:lstStyle/>%1</p:txBody>").arg(para(wide, QStringLiteral("sz=\"1800\"")))))});
        const SlideScene built = sceneOf(deck);
        QCOMPARE(built.textOf(QStringLiteral("shape 2 \"Caps\" text")), QStringLiteral("LOUD quiet\nsmall"));
        const auto small = texts(built, QStringLiteral("shape 2 \"Caps\" text")).back();
        QCOMPARE(small->font.capitalization(), QFont::SmallCaps);
        QVERIFY(built.textOf(QStringLiteral("shape 3 \"Narrow\" text")).count(u'\n') >
                built.textOf(QStringLiteral("shape 4 \"Narrow lower\" text")).count(u'\n'));
    }

    void shapeTextTakesTheColourOfItsStylesFontReference() {
        // "Text: white", says the shape: its style's font reference names lt1 while the
        // presentation's default text style names tx1.
        const auto saved = savedDeck("themes.pptx");
        const int first = slideStoredIn(saved, QStringLiteral("/ppt/slides/slide1.xml"));
        QVERIFY(first >= 0);
        const SlideScene scene = sceneOf(saved, first);
        QCOMPARE(scene.textOf(QStringLiteral("shape 4 \"Rectangle 3\" text")), QStringLiteral("Fill: RGB(79,129,189)\nText: white"));
        QCOMPARE(textColours(scene, QStringLiteral("shape 4 \"Rectangle 3\" text")), QStringLiteral("#ffffff"));
        QCOMPARE(textColours(scene, QStringLiteral("shape 2 \"Title 1\" text")), QStringLiteral("#000000"));

        // The shape's own list style and runs still say otherwise.
        const QString style = QStringLiteral(
            "<p:style><a:lnRef idx=\"0\"><a:schemeClr val=\"accent1\"/></a:lnRef><a:fillRef idx=\"0\"><a:schemeClr val=\"accent1\"/></a:fillRef>"
            "<a:effectRef idx=\"0\"><a:schemeClr val=\"accent1\"/></a:effectRef>"
            "<a:fontRef idx=\"minor\"><a:srgbClr val=\"00FF00\"/></a:fontRef></p:style>");
        auto styled = [&](int id, const char* name, double y, const QString& lstStyle, const QString& runAttributes,
                          const QString& runChildren) {
            QString sp = shape(id, QString::fromLatin1(name), 50, y, 300, 60, solid("000000"),
                               QStringLiteral("<p:txBody><a:bodyPr/><a:lstStyle>%1</a:lstStyle>%2</p:txBody>")
                                   .arg(lstStyle, para(QStringLiteral("words"), runAttributes, runChildren)));
            return sp.replace(QStringLiteral("<p:txBody>"), style + QStringLiteral("<p:txBody>"));
        };
        const auto deck = testdecks::deck({slideXml(
            styled(2, "Plain", 20, QString(), QString(), QString()) +
            styled(3, "Own run", 100, QString(), QString(), solid("FF0000")) +
            styled(4, "Own list", 180, QStringLiteral("<a:lvl1pPr><a:defRPr>%1</a:defRPr></a:lvl1pPr>").arg(solid("0000FF")), QString(), QString()))});
        const SlideScene built = sceneOf(deck);
        QCOMPARE(textColours(built, QStringLiteral("shape 2 \"Plain\" text")), QStringLiteral("#00ff00"));
        QCOMPARE(textColours(built, QStringLiteral("shape 3 \"Own run\" text")), QStringLiteral("#ff0000"));
        QCOMPARE(textColours(built, QStringLiteral("shape 4 \"Own list\" text")), QStringLiteral("#0000ff"));
    }

    void themeBackgroundPicturesAreDrawnWithTheirDuotone() {
        // The slide's background refers to the theme's third background fill: a picture of the
        // theme's own (a relationship of the theme part) stretched over the slide, recoloured as
        // a duotone of the slide's bg2 (the theme's lt2, FBEEC9).
        const auto saved = savedDeck("themes.pptx");
        const int sandy = slideStoredIn(saved, QStringLiteral("/ppt/slides/slide8.xml"));
        QVERIFY(sandy >= 0);
        const SlideScene scene = sceneOf(saved, sandy);
        const auto backgrounds = scene.tagged(QStringLiteral("background"));
        QCOMPARE(backgrounds.size(), size_t(1));
        const ScenePrimitive& background = *backgrounds.front();
        QCOMPARE(background.kind, ScenePrimitive::Kind::Image);
        QCOMPARE(background.rect, QRectF(QPointF(0, 0), scene.size));
        QImage source;
        QVERIFY(source.loadFromData(saved.package().part(QStringLiteral("/ppt/media/image3.jpeg"))));
        QCOMPARE(background.image.size(), source.size());

        // Every pixel takes the hue of bg2, and the lighter the picture, the lighter the pixel.
        const double sandHue = QColor(0xFB, 0xEE, 0xC9).hueF() * 360;
        int coloured = 0, ordered = 0, compared = 0;
        QColor previous, previousSource;
        for (int y = 5; y < source.height(); y += 97) {
            for (int x = 5; x < source.width(); x += 89) {
                const QColor out = background.image.pixelColor(x, y);
                const QColor in = source.pixelColor(x, y);
                if (out.hslSaturationF() > 0.1) {
                    ++coloured;
                    QVERIFY2(std::abs(out.hueF() * 360 - sandHue) < 10, qPrintable(out.name()));
                }
                if (previous.isValid() && std::abs(in.lightnessF() - previousSource.lightnessF()) > 0.1) {
                    ++compared;
                    if ((in.lightnessF() > previousSource.lightnessF()) == (out.lightnessF() > previous.lightnessF())) ++ordered;
                }
                previous = out;
                previousSource = in;
            }
        }
        QVERIFY(coloured > 100);
        QVERIFY(compared > 20);
        QCOMPARE(ordered, compared);
        QVERIFY(background.image != source.convertToFormat(background.image.format()));

        // Painted, the slide shows the picture, not white.
        const QImage image = paint(scene);
        QVERIFY(pixelAt(image, scene, {scene.size.width() / 2, scene.size.height() - 5}) != QColor(Qt::white));
    }

    void tiledBackgroundPicturesRepeatAtTheirOwnSize() {
        // "This slide overrides master background with a texture fill": a picture of 128 x 128
        // pixels at 75 dpi, tiled at its size (122.88 points a side) from the top-left corner.
        const auto saved = savedDeck("themes.pptx");
        const int textured = slideStoredIn(saved, QStringLiteral("/ppt/slides/slide5.xml"));
        QVERIFY(textured >= 0);
        const SlideScene scene = sceneOf(saved, textured);
        const auto backgrounds = scene.tagged(QStringLiteral("background"));
        QCOMPARE(backgrounds.size(), size_t(1));
        QCOMPARE(backgrounds.front()->brush.style(), Qt::TexturePattern);
        SlideScene backgroundOnly;  // what the slide shows over it would hide the tiles
        backgroundOnly.size = scene.size;
        backgroundOnly.items.push_back(*backgrounds.front());
        const QImage image = paint(backgroundOnly, 720);  // one point a pixel
        const double tile = 128 * 72 / 75.0;
        QImage source;
        QVERIFY(source.loadFromData(saved.package().part(QStringLiteral("/ppt/media/image4.jpeg"))));
        int same = 0;
        for (int i = 0; i < 40; ++i) {
            const QPointF at(10.5 + i * 13.3, 10.5 + i * 9.1);  // over several tiles
            const QPointF inTile(std::fmod(at.x(), tile) * 75 / 72, std::fmod(at.y(), tile) * 75 / 72);
            const int painted = qGray(pixelAt(image, backgroundOnly, at).rgb());
            const int own = qGray(source.pixelColor(int(inTile.x()), int(inTile.y())).rgb());
            // A tile is not a whole number of pixels: a pixel may blend with its neighbours.
            if (std::abs(painted - own) <= 8) ++same;
        }
        QVERIFY2(same >= 34, qPrintable(QString::number(same)));  // at 96 or 72 dpi: 20 to 23
    }

    void elementsWithoutADrawingBecomeThinOutlinesWithTheirName() {
        const QString diagram = QStringLiteral(
            "<p:graphicFrame><p:nvGraphicFramePr><p:cNvPr id=\"11\" name=\"Diagram 10\"/><p:cNvGraphicFramePr/><p:nvPr/></p:nvGraphicFramePr>"
            "<p:xfrm><a:off x=\"127000\" y=\"127000\"/><a:ext cx=\"1270000\" cy=\"1270000\"/></p:xfrm>"
            "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\"/></a:graphic></p:graphicFrame>");
        const QString content = QStringLiteral(
            "<p:contentPart r:id=\"rId9\"><p:nvContentPartPr><p:cNvPr id=\"12\" name=\"Ink 11\"/><p:cNvContentPartPr/><p:nvPr/></p:nvContentPartPr>"
            "<p:xfrm><a:off x=\"2540000\" y=\"127000\"/><a:ext cx=\"635000\" cy=\"635000\"/></p:xfrm></p:contentPart>");
        const QString strange = QStringLiteral("<x:widget xmlns:x=\"urn:example\"><x:xfrm/></x:widget>");
        const QString choice = QStringLiteral(
            "<mc:AlternateContent><mc:Choice Requires=\"p14\">%1</mc:Choice><mc:Fallback>%2</mc:Fallback></mc:AlternateContent>")
                                   .arg(shape(13, "Choice", 0, 0, 10, 10, QString()), shape(14, "Fallback", 500, 300, 50, 50, solid("00FF00")));
        const QString brokenPicture = QStringLiteral(
            "<p:pic><p:nvPicPr><p:cNvPr id=\"15\" name=\"Missing 14\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
            "<p:blipFill><a:blip r:embed=\"rId42\"/></p:blipFill>"
            "<p:spPr><a:xfrm><a:off x=\"5080000\" y=\"5080000\"/><a:ext cx=\"1270000\" cy=\"1270000\"/></a:xfrm></p:spPr></p:pic>");
        const auto deck = testdecks::deck({slideXml(diagram + content + strange + choice + brokenPicture)});
        const SlideScene scene = sceneOf(deck);
        QVERIFY(scene.textOf(QStringLiteral("unknown 11 \"Diagram 10\" label")).contains(QStringLiteral("diagram")));
        QVERIFY(!scene.tagged(QStringLiteral("unknown 12 \"Ink 11\"")).empty());
        QVERIFY(!scene.tagged(QStringLiteral("unknown 15 \"Missing 14\"")).empty());
        QVERIFY(scene.tagged(QStringLiteral("shape 13")).empty());
        QVERIFY(firstPath(scene, QStringLiteral("shape 14 \"Fallback\"")));
        const QImage image = paint(scene);
        QCOMPARE(pixelAt(image, scene, {525, 325}), QColor(Qt::green));
    }
};

QTEST_MAIN(SlideSceneTest)
#include "tst_slidescene.moc"
