// The presentation window draws what a deck holds: every slide paints, thumbnails are drawn
// when first shown and kept, the large slide follows the zoom.

#include "TestDecks.h"
#include "tests/support/FakeDialogs.h"

#include "office/ServerRegistry.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/presentation/PresentationWindow.h"

#include <QApplication>
#include <QListWidget>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QThreadPool>
#include <QTemporaryDir>
#include <QtTest>

using office::msoFalse;
using office::msoTrue;

namespace {

servers::PresentationWindow* onlyWindow() {
    servers::PresentationWindow* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* pw = qobject_cast<servers::PresentationWindow*>(w); pw && pw->isVisible()) found = pw;
    return found;
}

// How many different colours a picture holds, up to a few: a drawn slide has more than its
// background.
int colours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) {
            seen.insert(image.pixel(x, y));
            if (seen.size() > 8) return int(seen.size());
        }
    return int(seen.size());
}

// A picture element showing media relationship relId, in a frame at x points from the left.
QString pictureXml(int id, const QString& relId, int x) {
    return QStringLiteral(
               "<p:pic><p:nvPicPr><p:cNvPr id=\"%1\" name=\"Picture %1\"/><p:cNvPicPr/><p:nvPr/></p:nvPicPr>"
               "<p:blipFill><a:blip r:embed=\"%2\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill>"
               "<p:spPr><a:xfrm><a:off x=\"%3\" y=\"508000\"/><a:ext cx=\"3810000\" cy=\"2540000\"/></a:xfrm>"
               "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>")
        .arg(id)
        .arg(relId)
        .arg(qint64(x) * 12700);
}

int drawnPictures(const servers::DrawnSlide& slide) {
    int n = 0;
    for (const auto& item : slide.scene.items)
        if (item.kind == engine::slide::ScenePrimitive::Kind::Image) ++n;
    return n;
}

// Lets every picture decode on the pool finish and its result arrive, as the event loop would.
void finishPictureDecodes() {
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
}

}  // namespace

class PresentationWindowTest : public QObject {
    Q_OBJECT
    testsupport::FakeDialogs m_dialogs;
    QTemporaryDir m_dir;
    std::shared_ptr<office::PptApplication> m_app;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        servers::registerPresentationServer(m_dialogs);
        testdecks::everyElementDeck().save(m_dir.filePath("every.pptx"));
        m_app = office::createObject<office::PptApplication>(office::kPowerPointProgId);
        m_app->setVisible(msoTrue);
        m_app->Presentations()->Open(m_dir.filePath("every.pptx"), msoFalse, msoFalse, msoTrue);
        QVERIFY(onlyWindow());
        onlyWindow()->resize(1000, 600);
        QVERIFY(QTest::qWaitForWindowExposed(onlyWindow()));
    }

    void everySlidePaintsWithoutFailureKnownElementsAndUnknownAlike() {
        auto* window = onlyWindow();
        auto& document = window->document();
        QCOMPARE(document.slideCount(), 4);
        for (int i = 0; i < document.slideCount(); ++i) {
            document.selectSlide(i);
            const auto drawn = document.drawnSlide(i);
            QVERIFY(drawn);
            QVERIFY2(drawn->failure.isEmpty(), qPrintable(drawn->failure));
            QVERIFY(drawn->scene.items.size() > 1);
            const QImage large = window->slideView()->grab().toImage();
            QVERIFY2(colours(large) > 3, qPrintable(QStringLiteral("slide %1 shows next to nothing").arg(i + 1)));
            QVERIFY(colours(window->thumbnail(i).toImage()) > 3);
        }
        // The last slide's unknown elements are outlined and named, not left out.
        const auto drawn = document.drawnSlide(3);
        QVERIFY(!drawn->scene.tagged(QStringLiteral("unknown 2 \"Diagram 1\"")).empty());
        QVERIFY(!drawn->scene.tagged(QStringLiteral("unknown 3 \"Ink 2\"")).empty());
        QVERIFY(!drawn->scene.tagged(QStringLiteral("unknown 4 \"Missing 3\"")).empty());
    }

    void slidesAreLaidOutOnceAndThumbnailsKeptUntilTheSlideChanges() {
        auto* window = onlyWindow();
        auto& document = window->document();
        const auto first = document.drawnSlide(1);
        QCOMPARE(document.drawnSlide(1).get(), first.get());
        window->thumbnail(1);
        const int drawn = window->thumbnailsDrawn();
        window->thumbnail(1);
        window->slideStrip()->viewport()->repaint();
        QCOMPARE(window->thumbnailsDrawn(), drawn);

        // A paste onto the slide lays it out again and draws its thumbnail again.
        document.selectSlide(1);
        QMimeData text;
        text.setText(QStringLiteral("pasted"));
        document.paste(text);
        QVERIFY(document.drawnSlide(1).get() != first.get());
        QVERIFY(document.drawnSlide(1)->scene.textOf(QStringLiteral("shape")).contains(QStringLiteral("pasted")));
        window->thumbnail(1);
        QCOMPARE(window->thumbnailsDrawn(), drawn + 1);

        // Edits put drawing off until they pause; then the window draws again.
        QVERIFY(window->isDrawingDeferred());
        QTRY_VERIFY(!window->isDrawingDeferred());
        QVERIFY(colours(window->slideView()->grab().toImage()) > 3);
    }

    void zoomFitsActualSizeAndStepsWithCtrlPlusAndMinus() {
        auto* window = onlyWindow();
        window->activateWindow();
        QCOMPARE(window->zoom(), 0.0);
        const double fitted = window->effectiveZoom();
        QVERIFY(fitted > 0 && fitted < 1);

        window->zoomActualAction()->trigger();
        QCOMPARE(window->zoom(), 1.0);
        const double dpi = window->slideView()->logicalDpiX();
        const QSize expected(qRound(12192000 / 12700.0 * dpi / 72 + 32), qRound(6858000 / 12700.0 * dpi / 72 + 32));
        QVERIFY(qAbs(window->slideView()->width() - expected.width()) <= 1);
        QVERIFY(qAbs(window->slideView()->height() - expected.height()) <= 1);

        QTest::keyClick(window, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(window->zoom(), 1.25);
        QTest::keyClick(window, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(window->zoom(), 0.75);

        window->zoomFitAction()->trigger();
        QCOMPARE(window->zoom(), 0.0);
        // Zooming in from the fitted view goes to the next step above the fitted scale.
        window->zoomInAction()->trigger();
        QVERIFY(window->zoom() > fitted);
        window->zoomFitAction()->trigger();
    }

    void largePicturesAreDecodedOffTheWindowsThreadAndAStaleDecodeIsDropped() {
        // One picture of 3000 x 2000 pixels, which takes long to decode, and one small one.
        const QByteArray slide = testdecks::slideXml(pictureXml(2, QStringLiteral("rId2"), 40) +
                                                     pictureXml(3, QStringLiteral("rId3"), 400));
        engine::Presentation deck = testdecks::deck(
            {slide, slide}, 12,
            {{testdecks::png(3000, 2000, Qt::red, Qt::blue)}, {testdecks::png(32, 32, Qt::green, Qt::yellow)}});
        servers::PresentationDocument document(std::move(deck), QStringLiteral("pictures.pptx"), QString(), QString(),
                                               false);
        QSignalSpy redrawn(&document, &servers::PresentationDocument::slideRedrawn);

        // Laid out at once: the small picture drawn, the large one's frame only.
        const auto pending = document.drawnSlide(1);
        QCOMPARE(pending->picturesToCome, 1);
        QCOMPARE(drawnPictures(*pending), 1);
        QCOMPARE(document.drawnSlide(1).get(), pending.get());
        finishPictureDecodes();
        QCOMPARE(redrawn.count(), 1);
        QCOMPARE(redrawn.takeFirst().at(0).toInt(), 1);
        const auto complete = document.drawnSlide(1);
        QCOMPARE(complete->picturesToCome, 0);
        QCOMPARE(drawnPictures(*complete), 2);
        QVERIFY(!document.isModified());

        // A slide pasted onto while its picture decodes keeps the paste: the decode of the
        // slide as it was is dropped, the one of the slide as it is kept.
        QCOMPARE(document.drawnSlide(0)->picturesToCome, 1);
        QMimeData text;
        text.setText(QStringLiteral("pasted meanwhile"));
        document.paste(text);
        QCOMPARE(document.drawnSlide(0)->picturesToCome, 1);
        finishPictureDecodes();
        QCOMPARE(redrawn.count(), 1);
        const auto pasted = document.drawnSlide(0);
        QCOMPARE(drawnPictures(*pasted), 2);
        QVERIFY(pasted->scene.textOf(QStringLiteral("shape")).contains(QStringLiteral("pasted meanwhile")));
    }

    void aThumbnailDrawnBeforeItsPictureIsDecodedIsDrawnAgainWithIt() {
        auto* window = onlyWindow();
        auto& document = window->document();
        document.selectSlide(0);
        QImage large(3000, 2000, QImage::Format_RGB32);
        large.fill(QColor(0xE0, 0x10, 0x10));
        QMimeData picture;
        picture.setImageData(large);
        document.paste(picture);
        // Drawn now, before the event loop can bring the decoded picture: the frame only.
        window->thumbnail(0);
        QCOMPARE(document.drawnSlide(0)->picturesToCome, 1);
        finishPictureDecodes();
        QCoreApplication::processEvents();
        const QImage thumbnail = window->thumbnail(0).toImage();
        int red = 0;
        for (int y = 0; y < thumbnail.height(); ++y)
            for (int x = 0; x < thumbnail.width(); ++x)
                if (thumbnail.pixelColor(x, y).red() > 200 && thumbnail.pixelColor(x, y).green() < 60) ++red;
        QVERIFY2(red > thumbnail.width() * thumbnail.height() / 20, qPrintable(QString::number(red)));
    }

    void cleanupTestCase() {
        m_dialogs.saveChangesAnswers = {platform::Dialogs::SaveChoice::Discard};
        if (auto* w = onlyWindow()) w->close();
        m_app.reset();
    }

    void helpMenuShowsAboutAndTheGroundFollowsTheColourScheme() {
        auto* window = onlyWindow();
        m_dialogs.calls.clear();
        QVERIFY(window->aboutAction());
        window->aboutAction()->trigger();
        QCOMPARE(m_dialogs.calls.size(), 1);
        QCOMPARE(m_dialogs.calls[0].title, QStringLiteral("About Quillmere"));
        QVERIFY(m_dialogs.calls[0].text.contains(QStringLiteral("Licence")));

        // Light as designed under a light scheme; dark around the slide under a dark one.
        QCOMPARE(window->slideView()->grab().toImage().pixelColor(1, 1), QColor(0xD8, 0xDC, 0xE2));
        const QPalette before = window->palette();
        QPalette dark = before;
        dark.setColor(QPalette::Window, QColor(0x2a, 0x2e, 0x32));
        dark.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
        window->setPalette(dark);
        const QColor ground = window->slideView()->grab().toImage().pixelColor(1, 1);
        window->setPalette(before);
        QVERIFY2(ground.lightness() < 60, qPrintable(ground.name()));
    }
};

QTEST_MAIN(PresentationWindowTest)
#include "tst_presentationwindow.moc"
