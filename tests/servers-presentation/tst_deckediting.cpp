// The deck as the user finishes it in the presentation window: slides deleted, copied and
// moved, every change undone and redone, the unsaved mark, windows placed beside the main
// window, and the deck handed to the desktop's office suite.

#include "Fixtures.h"
#include "PresentationTestSupport.h"
#include "TestDecks.h"
#include "tests/support/FakeDialogs.h"

#include "office/ServerRegistry.h"
#include "platform/DesktopOpen.h"
#include "platform/Settings.h"
#include "platform/WindowPlacement.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/presentation/PresentationWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

using office::msoFalse;
using office::msoTrue;
using testsupport::FakeDialogs;
using namespace presentationtest;

namespace {

// What the copy run does for each chart: a blank slide at the end, selected, the chart pasted.
void copyRun(office::PptApplication& app, int charts) {
    auto target = app.ActivePresentation();
    for (int chart = 1; chart <= charts; ++chart) {
        putChartOnClipboard(chart, QString("Chart %1").arg(chart));
        auto slides = target->Slides();
        slides->Add(slides->Count() + 1, office::ppLayoutBlank);
        slides->Item(slides->Count())->Select();
        app.ActiveWindow()->View()->Paste();
    }
}

std::vector<quint32> slideIds(const engine::Presentation& p) {
    std::vector<quint32> ids;
    for (int i = 0; i < p.slideCount(); ++i) ids.push_back(p.slideId(i));
    return ids;
}

// The names of the charts on each slide, in slide order.
QStringList chartNames(const engine::Presentation& p) {
    QStringList names;
    for (int i = 0; i < p.slideCount(); ++i) {
        QStringList onSlide;
        for (const auto& shape : p.slideShapes(i))
            if (shape.kind == engine::SlideShape::Kind::Chart) onSlide << shape.name;
        names << onSlide.join('+');
    }
    return names;
}

// Puts a chart of charts.xlsx on the clipboard as the spreadsheet application copies it at
// cx x cy EMU, naming its workbook or, with fromWorkbook false, naming none (a chart pasted
// from elsewhere keeps no record of its source).
void putSizedChartOnClipboard(int chartNumber, const QString& name, qint64 cx, qint64 cy, bool fromWorkbook = true) {
    auto package = fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", chartNumber, name);
    package.cx = cx;
    package.cy = cy;
    if (!fromWorkbook) package.sourceFile.clear();
    auto* data = new QMimeData;
    data->setData(engine::kChartPackageMime, engine::chartPackageToBytes(package));
    QGuiApplication::clipboard()->setMimeData(data);
}

engine::EmuRect chartFrameOf(const engine::Presentation& p, int slide) {
    for (const auto& shape : p.slideShapes(slide))
        if (shape.kind == engine::SlideShape::Kind::Chart) return shape.frame;
    return {};
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every chart of the deck as the window draws it, slide by slide.
std::vector<std::shared_ptr<const engine::chart::ChartScene>> drawnCharts(const servers::PresentationDocument& document) {
    std::vector<std::shared_ptr<const engine::chart::ChartScene>> scenes;
    for (int i = 0; i < document.slideCount(); ++i) {
        const auto slide = document.drawnSlide(i);
        for (const auto& item : slide->scene.items)
            if (item.kind == engine::slide::ScenePrimitive::Kind::Chart)
                scenes.push_back(document.drawnChart(item.chartPart, *slide, item.rect.size()).scene);
    }
    return scenes;
}

}  // namespace

class DeckEditingTest : public QObject {
    Q_OBJECT
    FakeDialogs m_dialogs;
    QTemporaryDir m_dir;

    // A new deck in a shown window holding three pasted charts, saved as name.
    servers::PresentationWindow* savedDeckOfThreeCharts(const QString& name) {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        app->Presentations()->Add(msoTrue);
        copyRun(*app, 3);
        auto* window = windows().front();
        m_dialogs.saveAnswers = {m_dir.filePath(name)};
        window->saveAction()->trigger();
        return window;
    }

    // Saves the window's deck under a name of its own for the outside reader, and reopens it.
    engine::Presentation saveCopy(servers::PresentationWindow* window, const QString& name) {
        const QString path = m_dir.filePath(name);
        window->document().presentation().save(path);
        m_saved << path;
        return engine::Presentation::open(path);
    }

    QStringList m_saved;
    QList<int> m_pages;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        servers::registerPresentationServer(m_dialogs);
        // The decks the tests save, kept for an outside check (a schema validator) when asked.
        if (qEnvironmentVariableIsSet("QUILLMERE_KEEP_DECKS")) {
            m_dir.setAutoRemove(false);
            qInfo("decks kept in %s", qPrintable(m_dir.path()));
        }
    }

    void cleanup() {
        for (auto* w : windows()) {
            m_dialogs.saveChangesAnswers = {platform::Dialogs::SaveChoice::Discard};
            w->close();
        }
        flushDeletes();
        m_dialogs.clear();
        m_dialogs.saveAnswers.clear();
        m_dialogs.saveChangesAnswers.clear();
        m_dialogs.messageAnswers.clear();
        QGuiApplication::clipboard()->clear();
    }

    void slidesAreDeletedCopiedAndMovedFromTheMenuKeysAndStrip() {
        auto* window = savedDeckOfThreeCharts("edited.pptx");
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto& document = window->document();
        const auto ids = slideIds(document.presentation());
        QCOMPARE(chartNames(document.presentation()), QStringList({"Chart 1", "Chart 2", "Chart 3"}));
        // The run selected each new slide in turn: the strip shows the last one alone selected.
        QCOMPARE(window->selectedSlides(), std::vector<int>({2}));

        // Delete the middle slide.
        window->selectSlides({1});
        window->deleteSlideAction()->trigger();
        auto back = saveCopy(window, "deleted.pptx");
        m_pages << 2;
        QCOMPARE(chartNames(back), QStringList({"Chart 1", "Chart 3"}));
        QCOMPARE(slideIds(back), std::vector<quint32>({ids[0], ids[2]}));
        QCOMPARE(window->slideStrip()->count(), 2);
        QCOMPARE(document.selectedSlide(), 1);

        // Both left, copied: each copy right after its original, the copies selected.
        window->selectSlides({0, 1});
        window->duplicateSlideAction()->trigger();
        QCOMPARE(window->selectedSlides(), std::vector<int>({1, 3}));
        back = saveCopy(window, "duplicated.pptx");
        m_pages << 4;
        QCOMPARE(chartNames(back), QStringList({"Chart 1", "Chart 1", "Chart 3", "Chart 3"}));
        QCOMPARE(slideIds(back)[0], ids[0]);
        QCOMPARE(slideIds(back)[2], ids[2]);

        // Ctrl+Down takes the first slide one down; Ctrl+Up brings a slide up.
        window->selectSlides({0});
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window->slideStrip(), Qt::Key_Down, Qt::ControlModifier);
        const auto afterDown = slideIds(document.presentation());
        QCOMPARE(afterDown[1], ids[0]);
        QCOMPARE(window->selectedSlides(), std::vector<int>({1}));
        window->selectSlides({3});
        QTest::keyClick(window->slideStrip(), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(slideIds(document.presentation())[2], afterDown[3]);
        back = saveCopy(window, "keys.pptx");
        m_pages << 4;
        QCOMPARE(slideIds(back), slideIds(document.presentation()));

        // Dragged in the strip: the last two dropped on the upper half of the first row.
        const auto beforeDrop = slideIds(document.presentation());
        window->selectSlides({2, 3});
        auto* strip = window->slideStrip();
        const QRect first = strip->visualItemRect(strip->item(0));
        auto* dragged = strip->model()->mimeData(strip->selectionModel()->selectedIndexes());
        const QPoint at(first.center().x(), first.top() + 2);
        QDragEnterEvent enter(at, Qt::MoveAction, dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(strip->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::MoveAction, dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(strip->viewport(), &drop);
        delete dragged;
        QCOMPARE(slideIds(document.presentation()),
                 std::vector<quint32>({beforeDrop[2], beforeDrop[3], beforeDrop[0], beforeDrop[1]}));
        QCOMPARE(strip->count(), 4);
        QCOMPARE(window->selectedSlides(), std::vector<int>({0, 1}));
        if (qEnvironmentVariableIsSet("QUILLMERE_SCREENSHOTS")) {
            QTest::qWait(200);  // the thumbnails are drawn once the edits pause
            strip->grab().save(qEnvironmentVariable("QUILLMERE_SCREENSHOTS") + "/strip-after-reorder.png");
        }
        back = saveCopy(window, "dropped.pptx");
        m_pages << 4;
        QCOMPARE(slideIds(back), slideIds(document.presentation()));
        // The slide list and the strip's rows agree on the number of each row.
        for (int i = 0; i < strip->count(); ++i) QCOMPARE(strip->item(i)->text(), QString::number(i + 1));

        // Every slide deleted at once: an empty deck, which opens and saves too.
        window->selectSlides({0, 1, 2, 3});
        window->deleteSlideAction()->trigger();
        QCOMPARE(document.slideCount(), 0);
        QVERIFY(!window->deleteSlideAction()->isEnabled());
        back = saveCopy(window, "empty.pptx");
        QCOMPARE(back.slideCount(), 0);
        for (const QString& part : back.package().partNames()) {
            QVERIFY2(!part.startsWith("/ppt/charts/") && !part.startsWith("/ppt/embeddings/") &&
                         !part.startsWith("/ppt/slides/"),
                     qPrintable(part));
        }
    }

    void undoAndRedoWalkEveryEditAndTheTitleMarksUnsavedChanges() {
        auto* window = savedDeckOfThreeCharts("undo.pptx");
        auto& document = window->document();
        auto* steps = document.undoStack();
        QCOMPARE(window->windowTitle(), QString("undo.pptx[*]"));
        QVERIFY(!window->isWindowModified());
        const auto saved = slideIds(document.presentation());

        window->selectSlides({0});
        window->deleteSlideAction()->trigger();
        QVERIFY(window->isWindowModified());
        window->selectSlides({1});
        window->duplicateSlideAction()->trigger();
        window->moveSlideUpAction()->trigger();
        const auto edited = slideIds(document.presentation());
        QCOMPARE(edited.size(), size_t(3));
        QCOMPARE(window->undoAction()->text(), QString("&Undo Move Slide"));

        window->undoAction()->trigger();  // the move
        window->undoAction()->trigger();  // the copy
        QCOMPARE(slideIds(document.presentation()), std::vector<quint32>({saved[1], saved[2]}));
        QCOMPARE(window->slideStrip()->count(), 2);
        window->undoAction()->trigger();  // the deletion
        QCOMPARE(slideIds(document.presentation()), saved);
        QCOMPARE(chartNames(document.presentation()), QStringList({"Chart 1", "Chart 2", "Chart 3"}));
        QVERIFY(!window->isWindowModified());
        QCOMPARE(window->undoAction()->text(), QString("&Undo Paste Charts"));

        // Ctrl+Y and Ctrl+Shift+Z both redo.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_Y, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        window->redoAction()->trigger();
        QCOMPARE(slideIds(document.presentation()), edited);
        QVERIFY(window->isWindowModified());
        const auto back = saveCopy(window, "redone.pptx");
        m_pages << 3;
        QCOMPARE(slideIds(back), edited);

        // Saved, the state is the clean one; an undo past it marks the deck changed again.
        m_dialogs.saveAnswers.clear();
        window->saveAction()->trigger();
        QVERIFY(!window->isWindowModified());
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(window->isWindowModified());
        QCOMPARE(steps->index(), 3);

        // Closing asks as before; Cancel keeps the window and its changes.
        m_dialogs.saveChangesAnswers = {platform::Dialogs::SaveChoice::Cancel};
        QVERIFY(!window->close());
        QCOMPARE(m_dialogs.calls.back().kind, FakeDialogs::Kind::SaveChanges);
    }

    void undoOfAWholeCopyRunPutsBackTheDeckAsSaved() {
        const QString path = m_dir.filePath("before-run.pptx");
        {
            auto made = engine::Presentation::createNew();
            made.addSlide(0, 1);
            made.addSlide(1, 12);
            made.pasteChart(1, fixtures::chartPackageFromWorkbook(fixtures::fixtureDir() + "/charts.xlsx", 2));
            made.save(path);
        }
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        app->Presentations()->Open(path, msoFalse, msoFalse, msoTrue);
        auto* window = windows().front();
        window->saveAction()->trigger();
        const QByteArray before = fileBytes(path);
        QVERIFY(!before.isEmpty());

        copyRun(*app, 3);
        QCOMPARE(window->document().slideCount(), 5);
        QVERIFY(window->isWindowModified());
        QCOMPARE(window->undoAction()->text(), QString("&Undo Paste Charts"));
        window->undoAction()->trigger();
        QCOMPARE(window->document().slideCount(), 2);
        QVERIFY(!window->isWindowModified());
        QVERIFY(!window->undoAction()->isEnabled());
        window->saveAction()->trigger();
        QCOMPARE(fileBytes(path), before);

        // Redone, the run's slides are back; a second run after a save is a step of its own.
        window->redoAction()->trigger();
        QCOMPARE(window->document().slideCount(), 5);
        window->saveAction()->trigger();
        app->Presentations()->Open(path, msoFalse, msoFalse, msoTrue);
        copyRun(*app, 1);
        QCOMPARE(window->document().slideCount(), 6);
        window->undoAction()->trigger();
        QCOMPARE(window->document().slideCount(), 5);
        QVERIFY(!window->isWindowModified());
    }

    void openInOfficeSuiteSavesFirstAndSaysWhenNoApplicationOpensPresentations() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        app->Presentations()->Add(msoTrue)->Slides()->Add(1, office::ppLayoutBlank);
        auto* window = windows().front();
        QStringList opened;
        auto result = platform::DesktopOpenResult::NoApplication;
        window->setDesktopOpener([&](const QString& path) {
            opened << path;
            return result;
        });

        // A new deck is saved under the name asked for first; cancelling that opens nothing.
        window->openInOfficeSuiteAction()->trigger();
        QVERIFY(opened.isEmpty());
        const QString path = m_dir.filePath("handed-over.pptx");
        m_dialogs.clear();
        m_dialogs.saveAnswers = {path};
        window->openInOfficeSuiteAction()->trigger();
        QCOMPARE(opened, QStringList({QFileInfo(path).absoluteFilePath()}));
        QCOMPARE(engine::Presentation::open(path).slideCount(), 1);
        QVERIFY(!window->isWindowModified());
        QCOMPARE(m_dialogs.messageBoxes().size(), 1);
        QVERIFY2(m_dialogs.messageTexts().front().startsWith("No application on this desktop opens presentations."),
                 qPrintable(m_dialogs.messageTexts().front()));

        // Saved and unchanged: handed over at once, nothing asked.
        m_dialogs.clear();
        result = platform::DesktopOpenResult::Opened;
        window->openInOfficeSuiteAction()->trigger();
        QCOMPARE(opened.size(), 2);
        QVERIFY(m_dialogs.calls.isEmpty());

        // Changed since: saved in place first.
        window->duplicateSlideAction()->trigger();
        window->openInOfficeSuiteAction()->trigger();
        QCOMPARE(engine::Presentation::open(path).slideCount(), 2);
        QVERIFY(m_dialogs.calls.isEmpty());
    }

    void newWindowsStandBesideTheMainWindowCascadeAndKeepTheirSize() {
        const QRect screen(0, 0, 1920, 1080);
        // Room on the right: beside it there, level with its top.
        QCOMPARE(platform::placeBeside(QRect(100, 50, 600, 500), QSize(1000, 700), screen, std::nullopt),
                 QPoint(700, 50));
        // No room on the right, room on the left.
        QCOMPARE(platform::placeBeside(QRect(1200, 50, 600, 500), QSize(1000, 700), screen, std::nullopt),
                 QPoint(200, 50));
        // The spot beside is taken by the last one: cascaded from it.
        QCOMPARE(platform::placeBeside(QRect(100, 50, 600, 500), QSize(1000, 700), screen, QRect(700, 50, 1000, 700)),
                 QPoint(732, 82));
        // No room on either side: at the edge with more room, kept on the screen.
        QCOMPARE(platform::placeBeside(QRect(500, 600, 600, 500), QSize(1400, 700), screen, std::nullopt),
                 QPoint(520, 380));

        // A main window on the screen: the presentation window does not cover it.
        QWidget main;
        main.setWindowTitle("Quillmere");
        main.setGeometry(20, 20, 240, 200);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        auto app = createPowerPoint();
        app->Presentations()->Add(msoTrue);
        auto* window = windows().front();
        window->resize(400, 300);
        app->setVisible(msoTrue);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY2(!window->frameGeometry().intersects(main.frameGeometry()),
                 qPrintable(QString("%1,%2").arg(window->frameGeometry().x()).arg(window->frameGeometry().y())));

        // Its size is kept for the next one.
        window->resize(520, 360);
        m_dialogs.saveChangesAnswers = {platform::Dialogs::SaveChoice::Discard};
        window->close();
        flushDeletes();
        app = createPowerPoint();
        app->setVisible(msoTrue);
        app->Presentations()->Add(msoTrue);
        QCOMPARE(windows().front()->size(), QSize(520, 360));
    }

    void newWindowsNarrowToTheRoomBesideTheMainWindowOrCoverTheLeastOfItsControls() {
        platform::WindowPlacementRequest request;
        request.screen = QRect(0, 0, 1600, 1000);
        request.remembered = QSize(1100, 640);
        request.minimum = QSize(480, 360);
        // The main window centred on the screen, as seen: 532 pixels on either side.
        request.mainWindow = QRect(532, 215, 536, 570);
        request.controls = {QRect(550, 300, 500, 300), QRect(550, 700, 500, 40)};
        QCOMPARE(platform::placeNewWindow(request), QRect(1068, 215, 532, 640));
        // The next one stands a step lower, still beside it.
        request.last = QRect(1068, 215, 532, 640);
        QCOMPARE(platform::placeNewWindow(request), QRect(1068, 247, 532, 640));
        request.last.reset();
        // Room for the remembered size: kept, beside the main window.
        request.mainWindow = QRect(20, 20, 400, 300);
        QCOMPARE(platform::placeNewWindow(request), QRect(420, 20, 1100, 640));
        // More room on the left.
        request.mainWindow = QRect(1000, 100, 536, 570);
        QCOMPARE(platform::placeNewWindow(request), QRect(0, 100, 1000, 640));
        // Too little room on either side even for the smallest window: where it hides none of
        // the controls, which here only the smaller size manages (below them, on the right).
        request.mainWindow = QRect(200, 100, 1200, 800);
        request.controls = {QRect(220, 150, 1160, 300), QRect(220, 460, 1160, 40)};
        QRect placed = platform::placeNewWindow(request);
        QCOMPARE(placed, QRect(1120, 640, 480, 360));
        // ... and at the remembered size where that hides none.
        request.remembered = QSize(900, 600);
        request.mainWindow = QRect(100, 100, 1400, 800);
        request.controls = {QRect(120, 150, 500, 700)};
        QCOMPARE(platform::placeNewWindow(request), QRect(700, 100, 900, 600));
        // Controls everywhere: the least of them covered, and never larger than the screen.
        request.remembered = QSize(3000, 2000);
        request.controls = {QRect(100, 100, 1400, 800)};
        placed = platform::placeNewWindow(request);
        QVERIFY(request.screen.contains(placed));
        QCOMPARE(placed.size(), QSize(480, 360));

        // On the screen: a main window with less room beside it than the remembered size
        // keeps its buttons in view, and the narrowed size is not remembered as the user's.
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget main;
        main.setWindowTitle("Quillmere");
        main.setGeometry(available.left(), available.top(), available.width() - 500, 300);
        auto* button = new QPushButton("Start Copying", &main);
        button->setGeometry(10, 240, 200, 40);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        platform::WriteSetting("PresentationWindowSize", "700x500");
        auto app = createPowerPoint();
        app->Presentations()->Add(msoTrue);
        app->setVisible(msoTrue);
        auto* window = windows().front();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY2(!window->frameGeometry().intersects(main.frameGeometry()),
                 qPrintable(QString("%1,%2 %3x%4").arg(window->x()).arg(window->y()).arg(window->width()).arg(window->height())));
        QVERIFY(window->width() < 700);
        m_dialogs.saveChangesAnswers = {platform::Dialogs::SaveChoice::Discard};
        window->close();
        flushDeletes();
        QCOMPARE(platform::ReadSetting("PresentationWindowSize"), QString("700x500"));
    }

    void aChartIsMovedSizedAndFittedOnTheLargeSlideAndEveryStepUndone() {
        auto* window = savedDeckOfThreeCharts("charts.pptx");
        window->resize(1000, 640);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto& document = window->document();
        document.selectSlide(1);
        QTRY_VERIFY(!window->isDrawingDeferred());  // the slides drawn once the run's edits paused
        const auto frameNow = [&] {
            for (const auto& shape : document.presentation().slideShapes(1))
                if (shape.kind == engine::SlideShape::Kind::Chart) return std::make_pair(shape.id, shape.frame);
            return std::make_pair(0, engine::EmuRect{});
        };
        const auto [id, original] = frameNow();
        QVERIFY(id != 0);
        QWidget* view = window->slideView();
        const auto mouse = [&](QEvent::Type type, QPointF at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, at, view->mapToGlobal(at), button, held, modifiers);
            QApplication::sendEvent(view, &event);
        };

        // A click on the chart selects it; the arrow keys move it a grid step, a point with Shift.
        const QRectF shown = window->chartRectInView(original);
        mouse(QEvent::MouseButtonPress, shown.center());
        mouse(QEvent::MouseButtonRelease, shown.center());
        QCOMPARE(window->selectedChart(), id);
        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
        auto frame = frameNow().second;
        QCOMPARE(frame.x, original.x + 76200);
        QCOMPARE(frame.y, original.y + 12700);
        QCOMPARE(frame.cx, original.cx);

        // The corner handle keeps the proportions; the chart is laid out again at its new size.
        QRectF at = window->chartRectInView(frame);
        mouse(QEvent::MouseButtonPress, at.bottomRight());
        mouse(QEvent::MouseMove, at.bottomRight() + QPointF(60, 10));
        if (qEnvironmentVariableIsSet("QUILLMERE_SCREENSHOTS"))
            window->grab().save(qEnvironmentVariable("QUILLMERE_SCREENSHOTS") + "/chart-being-resized.png");
        QCOMPARE(frameNow().second.cx, frame.cx);  // nothing changes before the mouse is let go
        mouse(QEvent::MouseButtonRelease, at.bottomRight() + QPointF(60, 10));
        auto sized = frameNow().second;
        QVERIFY(sized.cx > frame.cx);
        QCOMPARE(sized.x, frame.x);
        QCOMPARE(sized.y, frame.y);
        QVERIFY(qAbs(double(sized.cx) / sized.cy - double(frame.cx) / frame.cy) < 0.01);
        const auto drawn = document.drawnSlide(1);
        for (const auto& item : drawn->scene.items) {
            if (item.kind != engine::slide::ScenePrimitive::Kind::Chart) continue;
            QVERIFY(qAbs(item.rect.width() - sized.cx / 12700.0) < 0.01);
        }

        // A side handle with Shift stretches one way only.
        at = window->chartRectInView(sized);
        const QPointF side(at.left(), at.center().y());
        mouse(QEvent::MouseButtonPress, side);
        mouse(QEvent::MouseMove, side + QPointF(25, 40), Qt::ShiftModifier);
        mouse(QEvent::MouseButtonRelease, side + QPointF(25, 40), Qt::ShiftModifier);
        const auto narrowed = frameNow().second;
        QVERIFY(narrowed.cx < sized.cx);
        QCOMPARE(narrowed.cy, sized.cy);
        QCOMPARE(narrowed.x + narrowed.cx, sized.x + sized.cx);

        // Dragged by its body.
        at = window->chartRectInView(narrowed);
        mouse(QEvent::MouseButtonPress, at.center());
        mouse(QEvent::MouseMove, at.center() + QPointF(-30, 0));
        mouse(QEvent::MouseButtonRelease, at.center() + QPointF(-30, 0));
        const auto dragged = frameNow().second;
        QVERIFY(dragged.x < narrowed.x);
        QCOMPARE(dragged.cx, narrowed.cx);

        // Fit to Slide: the largest size inside the margins, centred.
        window->fitToSlideAction()->trigger();
        const auto fitted = frameNow().second;
        const auto expected = document.presentation().fittedToSlide(dragged);
        QCOMPARE(fitted.x, expected.x);
        QCOMPARE(fitted.cx, expected.cx);
        QCOMPARE(fitted.cy, expected.cy);
        auto back = saveCopy(window, "fitted.pptx");
        m_pages << 3;
        QCOMPARE(back.slideShapes(1).front().frame.cx, fitted.cx);

        // Every chart of every slide at once, one step.
        window->fitAllToSlideAction()->trigger();
        for (int i = 0; i < 3; ++i) {
            const auto shape = document.presentation().slideShapes(i).front();
            QCOMPARE(shape.frame.cx, document.presentation().fittedToSlide(shape.frame).cx);
        }

        // Each step undone in turn (the two nudges are one), back to the chart as pasted and saved.
        for (int i = 0; i < 6; ++i) window->undoAction()->trigger();
        frame = frameNow().second;
        QCOMPARE(frame.x, original.x);
        QCOMPARE(frame.y, original.y);
        QCOMPARE(frame.cx, original.cx);
        QCOMPARE(frame.cy, original.cy);
        QVERIFY(!window->isWindowModified());

        // Delete with the chart selected on the large slide takes the chart alone, with its
        // part; the slides stay.
        const auto rels = document.presentation().package().relationships(document.presentation().slidePartName(1));
        const QString chartPart = rels.ofType("http://schemas.openxmlformats.org/officeDocument/2006/relationships/chart")
                                      .front()
                                      ->targetPart;
        const QPointF middle = window->chartRectInView(original).center();
        mouse(QEvent::MouseButtonPress, middle);
        mouse(QEvent::MouseButtonRelease, middle);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(document.slideCount(), 3);
        QCOMPARE(frameNow().first, 0);
        QVERIFY(!document.presentation().package().hasPart(chartPart));
        back = saveCopy(window, "chart-deleted.pptx");
        m_pages << 3;
        QVERIFY(back.slideShapes(1).empty());
        window->undoAction()->trigger();
        QCOMPARE(frameNow().first, id);
        QVERIFY(document.presentation().package().hasPart(chartPart));
    }

    void originalSizeGivesChartsTheirSizeInTheWorkbookAndSurvivesTheSave() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        app->Presentations()->Add(msoTrue);
        auto* window = windows().front();
        auto& document = window->document();
        const qint64 slideCx = document.presentation().slideWidth(), slideCy = document.presentation().slideHeight();
        constexpr qint64 kInch = 914400;
        // Wider than the slide (pasted scaled down), small, and one that names no workbook.
        const QList<std::pair<qint64, qint64>> sizes{{20 * kInch, 10 * kInch}, {3 * kInch, 2 * kInch}, {7 * kInch, 4 * kInch}};
        auto target = app->ActivePresentation();
        for (int i = 0; i < 3; ++i) {
            putSizedChartOnClipboard(i + 1, QString("Chart %1").arg(i + 1), sizes[i].first, sizes[i].second, i != 2);
            target->Slides()->Add(target->Slides()->Count() + 1, office::ppLayoutBlank);
            target->Slides()->Item(target->Slides()->Count())->Select();
            app->ActiveWindow()->View()->Paste();
        }
        QVERIFY(chartFrameOf(document.presentation(), 0).cx < 20 * kInch);

        // The small chart moved to a corner and fitted: back to 3 x 2 in where it stood.
        document.selectSlide(1);
        engine::EmuRect corner{slideCx - 3 * kInch, slideCy - 2 * kInch, 3 * kInch, 2 * kInch};
        document.setChartFrame(1, document.presentation().slideShapes(1).front().id, corner, "Move Chart");
        window->fitToSlideAction()->trigger();
        QVERIFY(chartFrameOf(document.presentation(), 1).cx > 3 * kInch);
        window->originalSizeAction()->trigger();
        auto frame = chartFrameOf(document.presentation(), 1);
        QCOMPARE(frame.cx, 3 * kInch);
        QCOMPARE(frame.cy, 2 * kInch);
        // Centred where the fitted chart was (the slide's centre), inside the slide.
        QVERIFY(qAbs(frame.x + frame.cx / 2 - slideCx / 2) <= 1);
        QVERIFY(qAbs(frame.y + frame.cy / 2 - slideCy / 2) <= 1);
        QCOMPARE(window->undoAction()->text(), QString("&Undo Original Size"));

        // A chart in a corner keeps to the slide when it grows back.
        document.setChartFrame(1, document.presentation().slideShapes(1).front().id,
                               {slideCx - kInch, slideCy - kInch, kInch, kInch}, "Size Chart");
        window->originalSizeAction()->trigger();
        frame = chartFrameOf(document.presentation(), 1);
        QCOMPARE(frame.x + frame.cx, slideCx);
        QCOMPARE(frame.y + frame.cy, slideCy);

        // Every chart at once, one step: larger than the slide, centred on it; without a record
        // of its workbook, the spreadsheet application's default 5 x 3 in.
        window->allOriginalSizeAction()->trigger();
        const auto wide = chartFrameOf(document.presentation(), 0);
        QCOMPARE(wide.cx, 20 * kInch);
        QCOMPARE(wide.cy, 10 * kInch);
        QCOMPARE(wide.x, (slideCx - wide.cx) / 2);
        const auto unknown = chartFrameOf(document.presentation(), 2);
        QCOMPARE(unknown.cx, 5 * kInch);
        QCOMPARE(unknown.cy, 3 * kInch);
        window->undoAction()->trigger();
        QVERIFY(chartFrameOf(document.presentation(), 0).cx < 20 * kInch);
        QCOMPARE(chartFrameOf(document.presentation(), 2).cx, 7 * kInch);
        QCOMPARE(chartFrameOf(document.presentation(), 1), frame);

        // The size is kept with the chart's source, across a save and a refresh's rewrite of
        // the tags that does not know it.
        auto back = saveCopy(window, "original-size.pptx");
        m_pages << 3;
        const auto frames = back.chartFrames();
        QCOMPARE(frames.size(), size_t(3));
        QVERIFY(frames[0].provenance);
        QCOMPARE(frames[0].provenance->sourceCx, 20 * kInch);
        QCOMPARE(frames[0].provenance->sourceCy, 10 * kInch);
        QVERIFY(!frames[2].provenance);
        QCOMPARE(back.atOriginalSize(frames[0]).cx, 20 * kInch);
        engine::ChartProvenance forgetful = *frames[1].provenance;
        forgetful.sourceCx = forgetful.sourceCy = 0;
        const QByteArray rewritten = engine::provenanceTagsXml(forgetful, back.partBytes(frames[1].tagsPart));
        const auto reread = engine::readProvenanceTags(rewritten, "deck", frames[1].tagsPart);
        QCOMPARE(reread->sourceCx, 3 * kInch);
        QCOMPARE(reread->sourceCy, 2 * kInch);
        // A size that does not read as two positive numbers is no size.
        QByteArray damaged = rewritten;
        damaged.replace(QByteArray::number(3 * kInch) + ' ' + QByteArray::number(2 * kInch), "-5 x");
        QVERIFY(!engine::readProvenanceTags(damaged, "deck", frames[1].tagsPart)->hasSourceSize());
        // The deck's own copy of the sources (kept where Impress drops shape tags) has it too.
        const auto records = engine::readProvenanceCustomProperties(back.partBytes("/docProps/custom.xml"));
        QCOMPARE(records.size(), size_t(2));
        QCOMPARE(records[0].provenance.sourceCx, 20 * kInch);
        QCOMPARE(records[1].provenance.sourceCy, 2 * kInch);
    }

    void arrowKeyNudgesOfOneChartAreOneUndoStepUntilSomethingElseHappens() {
        auto* window = savedDeckOfThreeCharts("nudges.pptx");
        window->resize(1000, 640);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto& document = window->document();
        auto* steps = document.undoStack();
        document.selectSlide(0);
        QWidget* view = window->slideView();
        const int id = document.presentation().slideShapes(0).front().id;
        const auto start = chartFrameOf(document.presentation(), 0);
        window->selectChart(id);
        const int atStart = steps->count();

        for (int i = 0; i < 4; ++i) QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(steps->count(), atStart + 1);
        QCOMPARE(chartFrameOf(document.presentation(), 0).x, start.x + 4 * 76200);
        QVERIFY(window->isWindowModified());
        window->undoAction()->trigger();
        QCOMPARE(chartFrameOf(document.presentation(), 0), start);
        QVERIFY(!window->isWindowModified());
        window->redoAction()->trigger();
        QCOMPARE(chartFrameOf(document.presentation(), 0).y, start.y - 12700);

        // Undo and redo leave no chart selected. A nudge after another edit starts a step of
        // its own, as one after the chart was selected again, or after a save does.
        QCOMPARE(window->selectedChart(), 0);
        window->selectChart(id);
        QTest::keyClick(view, Qt::Key_Left);
        QCOMPARE(steps->count(), atStart + 2);
        window->fitToSlideAction()->trigger();
        QTest::keyClick(view, Qt::Key_Left);
        QTest::keyClick(view, Qt::Key_Left);
        QCOMPARE(steps->count(), atStart + 4);
        window->selectChart(id);
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(steps->count(), atStart + 5);
        window->saveAction()->trigger();
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(steps->count(), atStart + 6);
        const auto last = chartFrameOf(document.presentation(), 0);
        window->undoAction()->trigger();
        QVERIFY(!window->isWindowModified());
        QCOMPARE(chartFrameOf(document.presentation(), 0).y, last.y - 76200);

        // Another chart nudged ends the run too.
        document.selectSlide(1);
        window->selectChart(document.presentation().slideShapes(1).front().id);
        QTest::keyClick(view, Qt::Key_Right);
        document.selectSlide(0);
        window->selectChart(id);
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(steps->count(), atStart + 7);
    }

    void chartsDrawnOnceAreGivenAgainAfterDeletionsUndoAndRedo() {
        auto* window = savedDeckOfThreeCharts("kept.pptx");
        auto& document = window->document();
        const auto drawn = drawnCharts(document);
        QCOMPARE(drawn.size(), size_t(3));
        const int count = document.chartsDrawn();

        // A slide deleted, the deletion undone and redone: the window shows them all along, and
        // no chart is drawn again.
        window->selectSlides({0});
        window->deleteSlideAction()->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(drawnCharts(document), decltype(drawn)({drawn[1], drawn[2]}));
        window->undoAction()->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(drawnCharts(document), drawn);
        window->redoAction()->trigger();
        window->undoAction()->trigger();
        QCOMPARE(drawnCharts(document), drawn);
        QCOMPARE(document.chartsDrawn(), count);

        // A chart sized anew is drawn at its size; undone, its drawing at the earlier size is back.
        auto frame = chartFrameOf(document.presentation(), 1);
        frame.cx += 635000;
        document.setChartFrame(1, document.presentation().slideShapes(1).front().id, frame, QStringLiteral("Size"));
        QVERIFY(drawnCharts(document)[1] != drawn[1]);
        window->undoAction()->trigger();
        QCOMPARE(drawnCharts(document), drawn);
        QCOMPARE(document.chartsDrawn(), count + 1);

        // Deleting a chart and undoing it keeps the drawings too.
        document.deleteChart(2, document.presentation().slideShapes(2).front().id);
        QCOMPARE(drawnCharts(document).size(), size_t(2));
        window->undoAction()->trigger();
        QCOMPARE(drawnCharts(document), drawn);
        QCOMPARE(document.chartsDrawn(), count + 1);

        // Another copy run, undone and redone: only the chart it brought is drawn, once.
        copyRun(*createPowerPoint(), 1);
        const auto withRun = drawnCharts(document);
        QCOMPARE(withRun.size(), size_t(4));
        QCOMPARE(document.chartsDrawn(), count + 2);
        window->undoAction()->trigger();
        QCOMPARE(drawnCharts(document), drawn);
        window->redoAction()->trigger();
        QCOMPARE(drawnCharts(document), withRun);
        QCOMPARE(document.chartsDrawn(), count + 2);
    }

    // A drawn slide is kept while the deck changes around it, but one showing its own number
    // is drawn again where a move, a copy or an undo puts it elsewhere.
    void aSlideShowingItsNumberIsDrawnAgainWhereItMoves() {
        const QString field = QStringLiteral(
            "<p:txBody><a:bodyPr/><a:lstStyle/><a:p><a:fld id=\"{B6F15528-21DE-4FAA-801E-634DDDAF4B2B}\" "
            "type=\"slidenum\"><a:rPr lang=\"en-US\"/><a:t>&lt;#&gt;</a:t></a:fld></a:p></p:txBody>");
        const QByteArray numbered = testdecks::slideXml(testdecks::shape(2, "Number", 10, 10, 100, 40, QString(), field));
        const QByteArray plain = testdecks::slideXml(testdecks::shape(2, "Plain", 10, 10, 100, 40, QString()));
        servers::PresentationDocument document(testdecks::deck({numbered, plain, numbered}), "Numbers", QString(),
                                               QString(), false);
        const auto numberOn = [&](int index) {
            return document.drawnSlide(index)->scene.textOf(QStringLiteral("shape 2 "));
        };
        const auto plainSlide = document.drawnSlide(1);
        QCOMPARE(numberOn(0), QStringLiteral("1"));
        QCOMPARE(numberOn(2), QStringLiteral("3"));

        document.moveSlides({2}, 0);
        QCOMPARE(numberOn(0), QStringLiteral("1"));
        QCOMPARE(numberOn(1), QStringLiteral("2"));
        QCOMPARE(document.drawnSlide(2), plainSlide);  // moved, but it shows no number

        document.duplicateSlides({0});
        QCOMPARE(numberOn(2), QStringLiteral("3"));
        document.undoStack()->undo();
        document.undoStack()->undo();
        QCOMPARE(numberOn(0), QStringLiteral("1"));
        QCOMPARE(numberOn(2), QStringLiteral("3"));
    }

    void aChartPartNamedAgainWithOtherBytesIsDrawnAnew() {
        auto app = createPowerPoint();
        app->setVisible(msoTrue);
        app->Presentations()->Add(msoTrue);
        copyRun(*app, 1);
        auto* window = windows().front();
        auto& document = window->document();
        const QString part = document.presentation().chartFrames().front().chartPart;
        const auto first = drawnCharts(document);
        QCOMPARE(first.size(), size_t(1));
        const int count = document.chartsDrawn();

        // Its slide deleted, another chart pasted takes the freed part's name: it is drawn
        // for what it is, never given the drawing of the chart that had the name before.
        document.deleteSlides({0});
        putChartOnClipboard(2, QStringLiteral("Chart 2"));
        auto slides = app->ActivePresentation()->Slides();
        slides->Add(slides->Count() + 1, office::ppLayoutBlank);
        slides->Item(slides->Count())->Select();
        app->ActiveWindow()->View()->Paste();
        QCOMPARE(document.presentation().chartFrames().front().chartPart, part);
        const auto second = drawnCharts(document);
        QCOMPARE(document.chartsDrawn(), count + 1);
        QVERIFY(second.front() != first.front());

        // Both undone, the first chart is back under the name, with its own drawing.
        document.undoStack()->undo();
        document.undoStack()->undo();
        QCOMPARE(drawnCharts(document), first);
        QCOMPARE(document.chartsDrawn(), count + 1);
    }

    void editedDecksOpenInLibreOfficeWithTheirSlides() {
        QCOMPARE(m_saved.size(), m_pages.size() + 1);  // the empty deck has no page to count
        if (!fixtures::sofficeAvailable()) QSKIP("LibreOffice (soffice/pdfinfo) is not installed");
        QStringList decks = m_saved;
        decks.removeIf([](const QString& f) { return f.endsWith("empty.pptx"); });
        QCOMPARE(fixtures::pdfPageCounts(decks, m_dir.path()), m_pages);
    }
};

QTEST_MAIN(DeckEditingTest)
#include "tst_deckediting.moc"
