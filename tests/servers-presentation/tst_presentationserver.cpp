// The presentation application as the copy run drives it, its refusals, and its windows.

#include "Fixtures.h"
#include "PresentationTestSupport.h"
#include "tests/support/FakeDialogs.h"

#include "engine/presentation/Presentation.h"
#include "office/ServerRegistry.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/presentation/PresentationWindow.h"
#include "servers/presentation/SlideRenderer.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using office::msoFalse;
using office::msoTrue;
using testsupport::FakeDialogs;
using namespace presentationtest;

namespace {

QString description(const std::function<void()>& call) {
    try {
        call();
    } catch (const office::AutomationError& e) {
        return e.description();
    }
    return QStringLiteral("(no failure)");
}

}  // namespace

class PresentationServerTest : public QObject {
    Q_OBJECT
    FakeDialogs m_dialogs;
    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        servers::registerPresentationServer(m_dialogs);
    }

    void cleanup() {
        // Every window goes, its changes discarded, so that each test starts with no PowerPoint.
        for (auto* w : windows()) {
            m_dialogs.saveChangesAnswers = {platform::Dialogs::SaveChoice::Discard};
            w->close();
        }
        flushDeletes();
        m_dialogs.clear();
        m_dialogs.saveAnswers.clear();
        m_dialogs.saveChangesAnswers.clear();
        QGuiApplication::clipboard()->clear();
    }

    void creatingWhileRunningReturnsTheRunningInstance() {
        auto& registry = office::ServerRegistry::instance();
        QVERIFY(!registry.isRunning(office::kPowerPointProgId));
        {
            auto first = createPowerPoint();
            QCOMPARE(first->Name(), QString("Microsoft PowerPoint"));
            QVERIFY(registry.isRunning(office::kPowerPointProgId));
            QCOMPARE(registry.getRunning(office::kPowerPointProgId)->Name(), QString("Microsoft PowerPoint"));
            auto second = createPowerPoint();
            QCOMPARE(second.get(), first.get());
        }
        // Never opened a window: it ends when its holders let go.
        QVERIFY(!registry.isRunning(office::kPowerPointProgId));
    }

    void visibleTakesOnlyTheTriStateValues() {
        auto app = createPowerPoint();
        QCOMPARE(app->Visible(), msoFalse);
        app->Presentations()->Add(msoTrue);
        QVERIFY(!windows().front()->isVisible());
        app->setVisible(msoTrue);
        QCOMPARE(app->Visible(), msoTrue);
        QVERIFY(windows().front()->isVisible());
        QCOMPARE(description([&] { app->setVisible(1); }),
                 QString("Application.Visible: the value must be msoTrue (-1) or msoFalse (0), not 1"));
        QCOMPARE(app->Visible(), msoTrue);
    }

    void copyRunSequencePastesEachChartOnANewBlankSlide() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        auto target = app->Presentations()->Add(msoTrue);
        QCOMPARE(target->Name(), QString("Presentation1"));
        for (int chart = 1; chart <= 3; ++chart) {
            putChartOnClipboard(chart, QString("Chart %1").arg(chart));
            auto slides = target->Slides();
            slides->Add(slides->Count() + 1, office::ppLayoutBlank);
            slides->Item(slides->Count())->Select();
            app->ActiveWindow()->View()->Paste();
        }
        QCOMPARE(target->Slides()->Count(), 3);
        QCOMPARE(app->ActivePresentation()->Name(), QString("Presentation1"));

        const auto ws = windows();
        QCOMPARE(ws.size(), 1);
        auto& doc = ws.front()->document();
        QCOMPARE(ws.front()->windowTitle(), QString("Presentation1[*]"));
        QCOMPARE(ws.front()->slideStrip()->count(), 3);
        QCOMPARE(doc.selectedSlide(), 2);
        QVERIFY(doc.isModified());
        for (int i = 0; i < 3; ++i) {
            const auto shapes = doc.presentation().slideShapes(i);
            QCOMPARE(int(shapes.size()), 1);
            QCOMPARE(shapes[0].kind, engine::SlideShape::Kind::Chart);
            QCOMPARE(shapes[0].name, QString("Chart %1").arg(i + 1));
        }
        // A second new presentation counts on.
        QCOMPARE(app->Presentations()->Add(msoTrue)->Name(), QString("Presentation2"));
        QCOMPARE(app->ActivePresentation()->Name(), QString("Presentation2"));
        QCOMPARE(app->Presentations()->Count(), 2);
    }

    void refusedCallsSayWhatWasWrong() {
        auto app = createPowerPoint();
        QCOMPARE(description([&] { app->ActiveWindow(); }),
                 QString("Application.ActiveWindow: no presentation window is open"));
        QCOMPARE(description([&] { app->ActivePresentation(); }),
                 QString("Application.ActivePresentation: no presentation is open in a window"));
        auto p = app->Presentations()->Add(msoTrue);
        auto slides = p->Slides();
        QCOMPARE(description([&] { slides->Item(1); }),
                 QString("Slides.Item: index 1 is out of bounds (the presentation has no slides)"));
        QCOMPARE(description([&] { app->ActiveWindow()->View()->Paste(); }),
                 QString("View.Paste: no slide is selected"));
        for (int i = 1; i <= 3; ++i) slides->Add(i, office::ppLayoutBlank);
        QCOMPARE(description([&] { slides->Add(7, office::ppLayoutBlank); }),
                 QString("Slides.Add: index 7 is out of bounds (1 to 4)"));
        QCOMPARE(description([&] { slides->Add(0, office::ppLayoutBlank); }),
                 QString("Slides.Add: index 0 is out of bounds (1 to 4)"));
        QVERIFY(description([&] { slides->Add(4, 99); }).startsWith("Slides.Add: "));
        QCOMPARE(description([&] { slides->Item(4); }), QString("Slides.Item: index 4 is out of bounds (1 to 3)"));
        QCOMPARE(slides->Count(), 3);

        // Nothing usable on the clipboard: the office suite's own words.
        QGuiApplication::clipboard()->clear();
        QCOMPARE(description([&] { app->ActiveWindow()->View()->Paste(); }),
                 QString("Clipboard is empty or contains data which may not be pasted here."));
        auto* data = new QMimeData;
        data->setData("application/x-something-else", "x");
        QGuiApplication::clipboard()->setMimeData(data);
        QCOMPARE(description([&] { app->ActiveWindow()->View()->Paste(); }),
                 QString("Clipboard is empty or contains data which may not be pasted here."));

        QCOMPARE(description([&] { app->Presentations()->Open(m_dir.filePath("none.pptx"), msoFalse, msoFalse, msoTrue); }),
                 QString("Presentations.Open: %1 was not found").arg(m_dir.filePath("none.pptx")));
        QFile junk(m_dir.filePath("junk.pptx"));
        junk.open(QIODevice::WriteOnly);
        junk.write("not a presentation");
        junk.close();
        const QString opened = description([&] { app->Presentations()->Open(junk.fileName(), msoFalse, msoFalse, msoTrue); });
        QVERIFY2(opened.startsWith("Presentations.Open: junk.pptx: "), qPrintable(opened));
        QCOMPARE(description([&] { app->Presentations()->Open(junk.fileName(), 1, msoFalse, msoTrue); }),
                 QString("Presentations.Open: ReadOnly must be msoTrue (-1) or msoFalse (0), not 1"));
        QCOMPARE(app->Presentations()->Count(), 1);
    }

    void openedPresentationBecomesActiveAndGetsSlidesAtTheEnd() {
        const QString path = m_dir.filePath("existing.pptx");
        auto made = engine::Presentation::createNew();
        made.addSlide(0, 1);
        made.addSlide(1, 12);
        made.save(path);

        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        app->Presentations()->Open(path, msoFalse, msoFalse, msoTrue);
        auto target = app->ActivePresentation();
        QCOMPARE(target->Name(), QString("existing.pptx"));
        QCOMPARE(target->FullName(), QFileInfo(path).canonicalFilePath());
        putChartOnClipboard(1, "Chart 1");
        target->Slides()->Add(target->Slides()->Count() + 1, office::ppLayoutBlank);
        target->Slides()->Item(target->Slides()->Count())->Select();
        app->ActiveWindow()->View()->Paste();
        QCOMPARE(target->Slides()->Count(), 3);
        QCOMPARE(windows().front()->windowTitle(), QString("existing.pptx[*]"));
        // Opening it again gives the open one, no second window.
        app->Presentations()->Open(path, msoFalse, msoFalse, msoTrue);
        QCOMPARE(app->Presentations()->Count(), 1);
        QCOMPARE(windows().size(), 1);

        // Ctrl+S writes it back in place; nothing was written before.
        QCOMPARE(engine::Presentation::open(path).slideCount(), 2);
        windows().front()->saveAction()->trigger();
        QCOMPARE(engine::Presentation::open(path).slideCount(), 3);
        QVERIFY(m_dialogs.calls.isEmpty());
    }

    void aSaveCannotStartWhileOneIsUnderWayAndLeavesThePointerAsItWas() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        app->Presentations()->Add(msoTrue)->Slides()->Add(1, office::ppLayoutBlank);
        auto* window = windows().front();
        QTemporaryDir dir;
        const QString path = dir.filePath("once.pptx");
        m_dialogs.saveAnswers = {path, path};
        int nested = 0;
        m_dialogs.onShow = [&](const FakeDialogs::Call& call) {
            if (call.kind != FakeDialogs::Kind::SaveFile) return;
            // Ctrl+S and Save As again while the first save asks for its name: neither starts.
            // The pointer is busy only while the file is written, not while a dialog asks.
            QVERIFY(!window->saveAction()->isEnabled());
            QVERIFY(QGuiApplication::overrideCursor() == nullptr);
            window->saveAction()->trigger();
            window->saveAsAction()->trigger();
            ++nested;
        };
        window->saveAction()->trigger();
        m_dialogs.onShow = nullptr;
        QCOMPARE(nested, 1);
        QCOMPARE(m_dialogs.calls.size(), 1);
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(window->saveAction()->isEnabled());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void whileTheFileIsWrittenTheWindowAnswersWithTheBusyPointerAndRefusesAnotherSaveOrClosing() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        app->Presentations()->Add(msoTrue)->Slides()->Add(1, office::ppLayoutBlank);
        auto* window = windows().front();
        QTemporaryDir dir;
        const QString path = dir.filePath("busy.pptx");
        m_dialogs.saveAnswers = {path};
        // Queued before the save starts, so it runs in the loop that waits for the file to be
        // written, whenever the writing ends.
        bool ranDuringSave = false, busyPointer = false, savesRefused = false, closeRefused = false;
        QMetaObject::invokeMethod(qApp, [&] {
            ranDuringSave = !window->saveAction()->isEnabled();
            busyPointer = QGuiApplication::overrideCursor() &&
                          QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
            const int dialogsBefore = m_dialogs.calls.size();
            window->saveAction()->trigger();
            window->saveAsAction()->trigger();
            savesRefused = m_dialogs.calls.size() == dialogsBefore;
            closeRefused = !window->close() && window->isVisible();
        }, Qt::QueuedConnection);
        window->saveAction()->trigger();
        QVERIFY(ranDuringSave);
        QVERIFY(busyPointer);
        QVERIFY(savesRefused);
        QVERIFY(closeRefused);
        QCOMPARE(engine::Presentation::open(path).slideCount(), 1);
        QVERIFY(!window->document().isModified());
        QVERIFY(window->saveAction()->isEnabled());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void aChartIsPastedWhileTheWindowGoesOnAnsweringAndShowsWhatWasThereMeanwhile() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        auto target = app->Presentations()->Add(msoTrue);
        target->Slides()->Add(1, office::ppLayoutBlank);
        target->Slides()->Item(1)->Select();
        putChartOnClipboard(1, QStringLiteral("Sales"));
        auto& doc = windows().front()->document();
        int shapesMeanwhile = -1;
        bool modifiedMeanwhile = true;
        QMetaObject::invokeMethod(qApp, [&] {
            shapesMeanwhile = int(doc.presentation().slideShapes(0).size());
            modifiedMeanwhile = doc.isModified();
        }, Qt::QueuedConnection);
        const bool modifiedBefore = doc.isModified();
        app->ActiveWindow()->View()->Paste();
        // Meanwhile the window saw the slide as it was; afterwards it holds the chart.
        QCOMPARE(shapesMeanwhile, 0);
        QCOMPARE(modifiedMeanwhile, modifiedBefore);
        const auto shapes = doc.presentation().slideShapes(0);
        QCOMPARE(int(shapes.size()), 1);
        QCOMPARE(shapes.front().kind, engine::SlideShape::Kind::Chart);
        QCOMPARE(shapes.front().name, QString("Sales"));
        QVERIFY(doc.isModified());
    }

    void newPresentationAsksForAFileNameAndClosingAsksAboutChanges() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        auto p = app->Presentations()->Add(msoTrue);
        p->Slides()->Add(1, office::ppLayoutBlank);
        auto* window = windows().front();

        // Cancelling the Save dialog saves nothing and keeps the changes.
        window->saveAction()->trigger();
        QCOMPARE(m_dialogs.calls.size(), 1);
        QCOMPARE(m_dialogs.calls[0].kind, FakeDialogs::Kind::SaveFile);
        QVERIFY(m_dialogs.calls[0].fileName.endsWith("/Presentation1.pptx"));
        QVERIFY(window->document().isModified());

        // Cancel keeps the window; Save with a name writes it and closes.
        m_dialogs.saveChangesAnswers = {platform::Dialogs::SaveChoice::Cancel};
        QVERIFY(!window->close());
        QCOMPARE(m_dialogs.calls.last().kind, FakeDialogs::Kind::SaveChanges);
        QCOMPARE(m_dialogs.calls.last().text, QString("Do you want to save the changes you made to Presentation1?"));
        QCOMPARE(windows().size(), 1);

        const QString chosen = m_dir.filePath("chosen");  // the extension is added
        m_dialogs.saveChangesAnswers = {platform::Dialogs::SaveChoice::Save};
        m_dialogs.saveAnswers = {chosen};
        QVERIFY(window->close());
        flushDeletes();
        QVERIFY(windows().isEmpty());
        QCOMPARE(engine::Presentation::open(chosen + ".pptx").slideCount(), 1);

        // The last window closed: PowerPoint no longer runs; the old object refuses calls and a
        // new creation starts afresh.
        QVERIFY(!office::ServerRegistry::instance().isRunning(office::kPowerPointProgId));
        QCOMPARE(description([&] { app->Presentations(); }),
                 QString("Application.Presentations: PowerPoint has been closed"));
        QCOMPARE(description([&] { p->Slides(); }), QString("Presentation.Slides: PowerPoint has been closed"));
        auto fresh = createPowerPoint();
        QVERIFY(fresh.get() != app.get());
        QCOMPARE(fresh->Presentations()->Add(msoTrue)->Name(), QString("Presentation1"));
    }

    void saveAsRenamesTheWindowAndAFailedSaveKeepsItOpen() {
        auto app = createPowerPoint();
        app->Presentations()->Add(msoTrue)->Slides()->Add(1, office::ppLayoutBlank);
        auto* window = windows().front();
        m_dialogs.saveAnswers = {m_dir.filePath("renamed.pptx")};
        window->saveAsAction()->trigger();
        QCOMPARE(window->windowTitle(), QString("renamed.pptx[*]"));
        QVERIFY(!window->document().isModified());
        QCOMPARE(app->ActivePresentation()->Name(), QString("renamed.pptx"));

        window->document().addSlide(1, office::ppLayoutBlank);
        m_dialogs.saveChangesAnswers = {platform::Dialogs::SaveChoice::Save};
        m_dialogs.saveAnswers = {m_dir.filePath("no/such/folder/x.pptx")};
        window->saveAsAction()->trigger();
        QCOMPARE(m_dialogs.messageBoxes().size(), 1);
        QVERIFY2(m_dialogs.messageBoxes()[0].text.startsWith("x.pptx: "), qPrintable(m_dialogs.messageBoxes()[0].text));
        QCOMPARE(m_dialogs.messageBoxes()[0].title, QString("Microsoft PowerPoint"));
        QCOMPARE(window->windowTitle(), QString("renamed.pptx[*]"));
        QVERIFY(window->document().isModified());
    }

    void windowsStayOpenWhenAnotherTopLevelWindowCloses() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        app->Presentations()->Add(msoTrue);
        QWidget mainWindow;
        mainWindow.show();
        mainWindow.close();
        flushDeletes();
        QCOMPARE(windows().size(), 1);
        QVERIFY(windows().front()->isVisible());
        QVERIFY(office::ServerRegistry::instance().isRunning(office::kPowerPointProgId));
    }

    void chartsAreDrawnInTheWindowWithTheirThemeOverridesColours() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        auto p = app->Presentations()->Add(msoTrue);
        p->Slides()->Add(1, office::ppLayoutBlank);
        p->Slides()->Item(1)->Select();
        // Kept in its source's formatting, the workbook's theme travels with the chart and
        // becomes its theme override on the slide; an accent no theme has shows whose colours
        // the chart is drawn with.
        engine::ChartPackage package =
            fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 1, "Chart 7");
        const int accent = package.theme.indexOf("<a:accent1>");
        QVERIFY(accent > 0);
        const int end = package.theme.indexOf("</a:accent1>", accent);
        package.theme.replace(accent, end - accent, "<a:accent1><a:srgbClr val=\"FF00FF\"/>");
        auto* data = new QMimeData;
        data->setData(engine::kChartPackageMime, engine::chartPackageToBytes(package));
        QGuiApplication::clipboard()->setMimeData(data);
        app->ActiveWindow()->View()->PasteSourceFormatting();

        auto& doc = windows().front()->document();
        const auto drawn = doc.drawnSlide(0);
        QVERIFY(drawn && drawn->failure.isEmpty());
        const auto frames = drawn->scene.tagged(QStringLiteral("chart"));
        QCOMPARE(int(frames.size()), 1);
        const auto chart = doc.drawnChart(frames[0]->chartPart, *drawn, frames[0]->rect.size());
        QVERIFY2(chart.scene, qPrintable(chart.failure));
        const auto bars = chart.scene->find(engine::chart::SceneTag::Element::DataPoint, 0);
        QVERIFY(!bars.empty());
        QCOMPARE(bars.front()->fill->color, QColor(0xFF, 0x00, 0xFF));
        QVERIFY(!chart.scene->texts(engine::chart::SceneTag::Element::Title).isEmpty());

        // Painted where the frame sits: a bar's pixels have the override's colour.
        QImage image(1280, 720, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        servers::renderSlide(painter, QRectF(image.rect()), doc, 0);
        painter.end();
        QCOMPARE(image.pixelColor(4, 4), QColor(Qt::white));
        const QRectF bar = bars.front()->path.boundingRect().translated(frames[0]->rect.topLeft());
        const double scale = 1280 / drawn->scene.size.width();
        QCOMPARE(image.pixelColor((bar.center() * scale).toPoint()), QColor(0xFF, 0x00, 0xFF));
        QVERIFY(!windows().front()->thumbnail(0).isNull());
    }

    // The plain paste follows the setting the window's Edit menu changes: the deck's theme
    // unless the source's formatting is to be kept.
    void plainPasteFollowsTheKeepSourceFormattingSetting() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        auto p = app->Presentations()->Add(msoTrue);
        engine::ChartPackage package =
            fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 1, "Chart 1");
        const int accent = package.theme.indexOf("<a:accent1>");
        const int end = package.theme.indexOf("</a:accent1>", accent);
        package.theme.replace(accent, end - accent, "<a:accent1><a:srgbClr val=\"FF00FF\"/>");
        auto* data = new QMimeData;
        data->setData(engine::kChartPackageMime, engine::chartPackageToBytes(package));
        QGuiApplication::clipboard()->setMimeData(data);
        auto& doc = windows().back()->document();
        QAction* keep = windows().back()->keepSourceFormattingAction();
        QVERIFY(keep && keep->isCheckable());
        const auto firstBarColour = [&](int slide) {
            const auto drawn = doc.drawnSlide(slide);
            const auto frames = drawn->scene.tagged(QStringLiteral("chart"));
            const auto chart = doc.drawnChart(frames[0]->chartPart, *drawn, frames[0]->rect.size());
            return chart.scene->find(engine::chart::SceneTag::Element::DataPoint, 0).front()->fill->color;
        };
        for (const bool kept : {true, false}) {
            if (keep->isChecked() != kept) keep->trigger();
            QCOMPARE(servers::PresentationDocument::pasteFormattingSetting() == engine::PasteFormatting::KeepSource, kept);
            const int slide = p->Slides()->Count() + 1;
            p->Slides()->Add(slide, office::ppLayoutBlank);
            p->Slides()->Item(slide)->Select();
            app->ActiveWindow()->View()->Paste();
            QCOMPARE(firstBarColour(slide - 1) == QColor(0xFF, 0x00, 0xFF), kept);
        }
    }

    void aChartKeepsItsOwnColourMapOnAMasterThatSwapsLightAndDark() {
        // A dark master maps text to the light colour; the pasted chart's own (identity) colour
        // map keeps its text dark, as it was in its workbook.
        engine::Package package = engine::Presentation::createNew().package();
        const QString master = QStringLiteral("/ppt/slideMasters/slideMaster1.xml");
        QByteArray xml = package.part(master);
        QVERIFY(xml.contains("<p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\""));
        xml.replace("<p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\"",
                    "<p:clrMap bg1=\"dk1\" tx1=\"lt1\" bg2=\"dk2\" tx2=\"lt2\"");
        package.setPart(master, xml);
        engine::Presentation dark = engine::Presentation::fromPackage(package, QStringLiteral("dark.pptx"));
        dark.addSlide(0, office::ppLayoutBlank);
        dark.pasteChart(0, fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 1, "Chart 1"));
        servers::PresentationDocument doc(std::move(dark), QStringLiteral("dark.pptx"), QString(), QString(), false);

        const auto drawn = doc.drawnSlide(0);
        QVERIFY(drawn && drawn->failure.isEmpty());
        QCOMPARE(drawn->colorMap.slotOf(QStringLiteral("tx1")), engine::drawingml::SchemeSlot::Lt1);
        QCOMPARE(drawn->scene.items.front().brush.color(), QColor(Qt::black));  // bg1 is dk1 here
        const auto frames = drawn->scene.tagged(QStringLiteral("chart"));
        QCOMPARE(int(frames.size()), 1);
        const auto chart = doc.drawnChart(frames[0]->chartPart, *drawn, frames[0]->rect.size());
        QVERIFY2(chart.scene, qPrintable(chart.failure));
        const auto titles = chart.scene->find(engine::chart::SceneTag::Element::Title);
        bool sawText = false;
        for (const auto* t : titles) {
            if (t->kind != engine::chart::ScenePrimitive::Kind::Text) continue;
            sawText = true;
            QVERIFY2(t->color.lightness() < 128, qPrintable(t->color.name()));
        }
        QVERIFY(sawText);
    }

    void legacyPresentationIsConvertedAndSavedAsPptx() {
        if (!fixtures::sofficeAvailable()) QSKIP("LibreOffice (soffice) is not installed; legacy presentations cannot be opened");
        const QString odp = m_dir.filePath("legacy.odp");
        QFile::copy(fixtures::fixtureDir() + "/outside.fodp", m_dir.filePath("legacy.fodp"));
        QProcess::execute("soffice", {"-env:UserInstallation=file://" + m_dir.path() + "/lo-profile", "--headless",
                                      "--convert-to", "odp", "--outdir", m_dir.path(), m_dir.filePath("legacy.fodp")});
        QVERIFY(QFile::exists(odp));
        auto app = createPowerPoint();
        app->Presentations()->Open(odp, msoFalse, msoFalse, msoTrue);
        auto target = app->ActivePresentation();
        QCOMPARE(target->Name(), QString("legacy.pptx"));
        QCOMPARE(target->Slides()->Count(), 2);
        target->Slides()->Add(3, office::ppLayoutBlank);

        // Save proposes the new name beside the old file; the old file is left alone.
        const QByteArray before = [&] { QFile f(odp); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        m_dialogs.saveAnswers = {m_dir.filePath("legacy.pptx")};
        windows().front()->saveAction()->trigger();
        QCOMPARE(m_dialogs.calls.last().kind, FakeDialogs::Kind::SaveFile);
        QCOMPARE(m_dialogs.calls.last().fileName, QFileInfo(odp).absoluteDir().filePath("legacy.pptx"));
        QCOMPARE(engine::Presentation::open(m_dir.filePath("legacy.pptx")).slideCount(), 3);
        QFile f(odp);
        f.open(QIODevice::ReadOnly);
        QCOMPARE(f.readAll(), before);
    }
};

QTEST_MAIN(PresentationServerTest)
#include "tst_presentationserver.moc"
