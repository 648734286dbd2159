// A deck made by another office application (LibreOffice saving a presentation with text,
// bullets, shapes, a group, pictures and a table as .pptx) drawn slide for slide: every element
// is recognised (none falls back to a named outline) and its text, pictures and shapes are where
// the scene says.

#include "engine/presentation/Presentation.h"
#include "engine/slide/SlideModel.h"
#include "engine/slide/SlidePainter.h"
#include "engine/slide/SlideScene.h"

#include <QImage>
#include <QPainter>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace engine::slide;

class OutsideDeckTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::optional<engine::Presentation> m_deck;

    SlideScene scene(int index) { return buildSlideScene(readSlideModel(*m_deck, index)); }

    // Slide index of deck as our drawing shows it, at a fixed size.
    static QImage drawn(const engine::Presentation& deck, int index) {
        QImage image(480, 270, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paintSlideScene(buildSlideScene(readSlideModel(deck, index)), painter, QRectF(image.rect()));
        return image;
    }

    static int count(const SlideScene& scene, const QString& prefix, ScenePrimitive::Kind kind) {
        int n = 0;
        for (const auto* p : scene.tagged(prefix)) n += p->kind == kind;
        return n;
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
            QSKIP("LibreOffice (soffice) is not installed: no outside deck to draw");
        QProcess make;
        make.start(QStringLiteral("/usr/bin/python3"),
                   {qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/tests/slide/make-outside-deck.py"), m_dir.path()});
        QVERIFY(make.waitForFinished(60000));
        QCOMPARE(make.exitCode(), 0);
        QProcess convert;
        convert.start(QStringLiteral("soffice"),
                      {QStringLiteral("-env:UserInstallation=file://") + m_dir.filePath(QStringLiteral("profile")),
                       QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pptx"),
                       QStringLiteral("--outdir"), m_dir.path(), m_dir.filePath(QStringLiteral("outside-deck.fodp"))});
        QVERIFY(convert.waitForFinished(180000));
        m_deck = engine::Presentation::open(m_dir.filePath(QStringLiteral("outside-deck.pptx")));
        QCOMPARE(m_deck->slideCount(), 4);
    }

    void everyElementIsRecognisedOnEverySlide() {
        for (int i = 0; i < m_deck->slideCount(); ++i) {
            const SlideScene s = scene(i);
            QVERIFY2(s.tagged(QStringLiteral("unknown")).empty(),
                     qPrintable(QStringLiteral("slide %1: %2").arg(i + 1).arg(s.textOf(QStringLiteral("unknown")))));
        }
    }

    void titleSlideKeepsItsBackgroundAndRunFormats() {
        const SlideScene s = scene(0);
        QVERIFY(s.items.front().brush.gradient());
        const QString text = s.textOf(QStringLiteral("shape"));
        QVERIFY2(text.contains(QStringLiteral("Regional sales review")), qPrintable(text));
        bool boldRed = false, italic = false;
        for (const auto& p : s.items) {
            if (p.kind != ScenePrimitive::Kind::Text) continue;
            if (p.text.contains(QStringLiteral("bold red"))) boldRed = p.font.bold() && p.color == QColor(0xC0, 0x00, 0x00);
            if (p.text.contains(QStringLiteral("italic"))) italic = p.font.italic();
        }
        QVERIFY(boldRed);
        QVERIFY(italic);
    }

    void bulletsAreShownWithSymbolFontsStoodInFor() {
        const SlideScene s = scene(1);
        QStringList bullets;
        for (const auto& p : s.items)
            if (p.tag.endsWith(QLatin1String(" bullet"))) bullets << p.text;
        QCOMPARE(bullets.size(), 4);
        for (const QString& b : bullets) QVERIFY2(b.front().unicode() < 0xE000, qPrintable(b));
        QVERIFY(s.textOf(QStringLiteral("shape")).contains(QStringLiteral("despite the new competitor")));
    }

    void shapesLinesAndGroupsAreDrawn() {
        const SlideScene s = scene(2);
        QVERIFY(count(s, QStringLiteral("shape"), ScenePrimitive::Kind::Path) >= 11);
        bool arrow = false;
        for (const auto& p : s.items) arrow |= p.tag.endsWith(QLatin1String(" arrow"));
        QVERIFY(arrow);
        for (const char* word : {"Rectangle", "Rounded", "Ellipse", "Arrow", "Callout", "Grouped"})
            QVERIFY2(s.textOf(QStringLiteral("shape")).contains(QLatin1String(word)), word);
    }

    void picturesAndTableAreDrawn() {
        const SlideScene s = scene(3);
        QCOMPARE(count(s, QStringLiteral("picture"), ScenePrimitive::Kind::Image), 2);
        for (const auto* p : s.tagged(QStringLiteral("picture"))) QVERIFY(!p->image.isNull());
        const QString cells = s.textOf(QStringLiteral("table"));
        for (const char* word : {"Region", "North", "143", "150"}) QVERIFY2(cells.contains(QLatin1String(word)), word);
        QVERIFY(s.textOf(QStringLiteral("shape")).contains(QStringLiteral("A text box, centred")));
    }

    // The deck with a slide deleted and the rest reordered, saved and read back: every slide
    // left looks as it did, and the deck still opens in the application that made it.
    void slidesLeftAfterADeletionAndAReorderKeepTheirLook() {
        std::vector<QImage> before;
        for (int i = 0; i < m_deck->slideCount(); ++i) before.push_back(drawn(*m_deck, i));
        engine::Presentation edited = *m_deck;
        edited.deleteSlides({1});
        edited.moveSlides({2}, 0);  // 4 1 3
        const QString path = m_dir.filePath(QStringLiteral("edited.pptx"));
        edited.save(path);
        const auto back = engine::Presentation::open(path);
        QCOMPARE(back.slideCount(), 3);
        const int from[] = {3, 0, 2};
        for (int i = 0; i < 3; ++i)
            QVERIFY2(drawn(back, i) == before[static_cast<size_t>(from[i])], qPrintable(QStringLiteral("slide %1").arg(i + 1)));

        QProcess convert;
        convert.start(QStringLiteral("soffice"),
                      {QStringLiteral("-env:UserInstallation=file://") + m_dir.filePath(QStringLiteral("profile")),
                       QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                       QStringLiteral("--outdir"), m_dir.path(), path});
        QVERIFY(convert.waitForFinished(180000));
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {m_dir.filePath(QStringLiteral("edited.pdf"))});
        QVERIFY(info.waitForFinished(60000));
        const QString out = QString::fromLocal8Bit(info.readAllStandardOutput());
        QVERIFY2(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\b"))), qPrintable(out));
    }
};

QTEST_MAIN(OutsideDeckTest)
#include "tst_outsidedeck.moc"
