// Charts > Update Charts From Workbooks in the presentation window: a missing workbook is asked
// for once for all its charts, every chart's result is listed, and the file changes only when
// the presentation is saved.

#include "tests/cli/CliProcess.h"
#include "tests/support/FakeDialogs.h"

#include "engine/chartcopy/ChartCollector.h"
#include "engine/presentation/Presentation.h"
#include "engine/workbook/Workbook.h"
#include "platform/Settings.h"
#include "office/ServerRegistry.h"
#include "servers/presentation/ChartRefreshDialog.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/presentation/PresentationWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>
#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <QUndoStack>
#include <QtTest>

using office::msoFalse;
using office::msoTrue;

namespace {

void writeWorkbook(const QString& state, const QString& folder) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT) + QStringLiteral("/tools/make-refresh-workbooks.py"), state, folder});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) qFatal("make-refresh-workbooks.py failed");
}

QByteArray fileHash(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

}  // namespace

class RefreshWindowTest : public QObject {
    Q_OBJECT
    testsupport::FakeDialogs m_dialogs;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        servers::registerPresentationServer(m_dialogs);
    }

    void updateAsksOnceForAMovedWorkbookListsEveryChartAndChangesTheFileOnSave() {
        QTemporaryDir first, second;
        writeWorkbook(QStringLiteral("base"), first.path());
        const QString deckPath = first.filePath(QStringLiteral("deck.pptx"));
        QCOMPARE(clitest::runCli({QStringLiteral("copy"), first.filePath(QStringLiteral("sales.xlsx")), QStringLiteral("--output"), deckPath})
                     .status,
                 0);
        // The workbook moves away from the deck and changes there.
        QVERIFY(QFile::remove(first.filePath(QStringLiteral("sales.xlsx"))));
        writeWorkbook(QStringLiteral("values"), second.path());
        const QString moved = second.filePath(QStringLiteral("sales.xlsx"));
        const QByteArray onDisk = fileHash(deckPath);

        auto app = office::createObject<office::PptApplication>(office::kPowerPointProgId);
        app->setVisible(msoTrue);
        app->Presentations()->Open(deckPath, msoFalse, msoFalse, msoTrue);
        servers::PresentationWindow* window = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* pw = qobject_cast<servers::PresentationWindow*>(w)) window = pw;
        QVERIFY(window);
        QCOMPARE(window->updateChartsAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+U")));

        m_dialogs.clear();
        m_dialogs.openAnswers = {moved};
        // The question comes on the window's thread, while the refresh is under way.
        bool askedHere = false;
        m_dialogs.onShow = [&](const testsupport::FakeDialogs::Call&) {
            askedHere = QThread::currentThread() == qApp->thread() && window->document().isBusy();
        };
        window->updateChartsAction()->trigger();
        m_dialogs.onShow = nullptr;
        QVERIFY(askedHere);
        QCOMPARE(m_dialogs.calls.size(), 1);
        QCOMPARE(m_dialogs.calls[0].kind, testsupport::FakeDialogs::Kind::OpenFile);
        QCOMPARE(m_dialogs.calls[0].fileName, QStringLiteral("sales.xlsx"));

        auto* dialog = window->findChild<servers::ChartRefreshDialog*>();
        QVERIFY(dialog);
        QTreeWidget* list = dialog->resultList();
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("Revenue"));
        QVERIFY2(list->topLevelItem(0)->text(3).startsWith(QStringLiteral("8 values")), qPrintable(list->topLevelItem(0)->text(3)));
        QVERIFY2(list->topLevelItem(1)->text(3).startsWith(QStringLiteral("4 values")), qPrintable(list->topLevelItem(1)->text(3)));
        QVERIFY(dialog->summary().startsWith(QStringLiteral("2 updated, 0 unchanged, 0 not updated.")));
        dialog->close();

        QVERIFY(window->document().isModified());
        QCOMPARE(fileHash(deckPath), onDisk);
        window->saveAction()->trigger();
        QVERIFY(!window->document().isModified());
        const auto frames = engine::Presentation::open(deckPath).chartFrames();
        QCOMPARE(frames[0].provenance->workbook, moved);
        QCOMPARE(engine::Presentation::open(deckPath).chartModel(frames[0].chartPart).allSeries()[0]->valueData()->numbers->points[0].value,
                 241.0);
        window->close();
    }

    void windowServicesItsEventsWhileTheChartsAreUpdatedAndTheUpdateIsOneStepToUndo() {
        QTemporaryDir dir;
        writeWorkbook(QStringLiteral("base"), dir.path());
        const QString deckPath = dir.filePath(QStringLiteral("deck.pptx"));
        QCOMPARE(clitest::runCli({QStringLiteral("copy"), dir.filePath(QStringLiteral("sales.xlsx")), QStringLiteral("--output"), deckPath})
                     .status,
                 0);
        writeWorkbook(QStringLiteral("values"), dir.path());
        auto app = office::createObject<office::PptApplication>(office::kPowerPointProgId);
        app->setVisible(msoTrue);
        app->Presentations()->Open(deckPath, msoFalse, msoFalse, msoTrue);
        servers::PresentationWindow* window = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* pw = qobject_cast<servers::PresentationWindow*>(w); pw && pw->document().path() == deckPath) window = pw;
        QVERIFY(window);
        const auto value = [window] {
            const engine::Presentation& p = window->document().presentation();
            return p.chartModel(p.chartFrames()[0].chartPart).allSeries()[0]->valueData()->numbers->points[0].value;
        };
        const double before = value();
        // The first chart as the window draws it.
        const auto drawing = [window] {
            servers::PresentationDocument& document = window->document();
            const auto slide = document.drawnSlide(0);
            for (const auto& item : slide->scene.items)
                if (item.kind == engine::slide::ScenePrimitive::Kind::Chart)
                    return document.drawnChart(item.chartPart, *slide, item.rect.size()).scene;
            return std::shared_ptr<const engine::chart::ChartScene>();
        };
        const auto drawnBefore = drawing();
        QVERIFY(drawnBefore);

        // An event posted before the update is delivered while it is under way: the window's
        // thread goes on servicing its events while the workbooks are read and the charts
        // updated elsewhere, and the window's edits wait meanwhile.
        bool serviced = false, busy = false;
        QMetaObject::invokeMethod(
            window, [&] {
                serviced = true;
                busy = window->document().isBusy();
                window->duplicateSlideAction()->trigger();  // waits: nothing happens
            },
            Qt::QueuedConnection);
        m_dialogs.clear();
        window->updateChartsAction()->trigger();
        QVERIFY(serviced);
        QVERIFY(busy);
        QVERIFY(m_dialogs.calls.isEmpty());  // nothing missing, nothing asked
        QCOMPARE(window->document().slideCount(), 2);
        QCOMPARE(value(), 241.0);
        auto* dialog = window->findChild<servers::ChartRefreshDialog*>();
        QVERIFY(dialog);
        QVERIFY(dialog->summary().startsWith(QStringLiteral("2 updated")));
        dialog->close();

        // One step, "Update Charts": undone, the charts show what they showed and the
        // presentation is as opened; redone, updated again.
        QUndoStack* undo = window->document().undoStack();
        QCOMPARE(undo->undoText(), QStringLiteral("Update Charts"));
        QVERIFY(window->document().isModified());
        // The updated chart, under its part's name as before, is drawn anew; undone, the earlier
        // drawing is shown again, and redone the updated one, neither drawn again.
        const auto drawnAfter = drawing();
        QVERIFY(drawnAfter != drawnBefore);
        const int drawn = window->document().chartsDrawn();
        undo->undo();
        QCOMPARE(value(), before);
        QVERIFY(!window->document().isModified());
        QCOMPARE(drawing(), drawnBefore);
        undo->redo();
        QCOMPARE(value(), 241.0);
        QCOMPARE(drawing(), drawnAfter);
        QCOMPARE(window->document().chartsDrawn(), drawn);
        undo->undo();
        window->close();
    }

    void copyRunWithLinkingChosenLinksEveryChartToItsWorkbook() {
        QTemporaryDir dir;
        writeWorkbook(QStringLiteral("base"), dir.path());
        const QString workbookPath = dir.filePath(QStringLiteral("sales.xlsx"));
        const auto workbook = engine::Workbook::open(workbookPath);
        const engine::Workbook::Sheet& sheet = *workbook->worksheets().front();
        QCOMPARE(sheet.chartObjects.size(), size_t(2));

        auto app = office::createObject<office::PptApplication>(office::kPowerPointProgId);
        app->setVisible(msoTrue);
        auto target = app->Presentations()->Add(msoTrue);
        servers::PresentationWindow* window = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* pw = qobject_cast<servers::PresentationWindow*>(w); pw && pw->document().path().isEmpty())
                window = pw;
        QVERIFY(window);
        QAction* link = window->linkPastedChartsAction();
        QVERIFY(link->isCheckable());
        QVERIFY(!link->isChecked());
        link->trigger();
        QCOMPARE(platform::ReadSetting(QStringLiteral("LinkPastedCharts")), QStringLiteral("1"));

        // The copy run's sequence: a blank slide, selected, the chart pasted from the clipboard.
        const auto pasteChart = [&](const engine::Workbook::ChartObject& chart) {
            auto* data = new QMimeData;
            data->setData(QString::fromLatin1(engine::kChartPackageMime),
                          engine::chartPackageToBytes(engine::collectChart(*workbook, sheet, chart)));
            QGuiApplication::clipboard()->setMimeData(data);
            auto slides = target->Slides();
            slides->Add(slides->Count() + 1, office::ppLayoutBlank);
            slides->Item(slides->Count())->Select();
            app->ActiveWindow()->View()->Paste();
        };
        for (const auto& chart : sheet.chartObjects) pasteChart(chart);
        // Chosen off again: the next chart embeds its workbook as before.
        link->trigger();
        QCOMPARE(platform::ReadSetting(QStringLiteral("LinkPastedCharts")), QStringLiteral("0"));
        pasteChart(sheet.chartObjects.front());
        const QString deckPath = dir.filePath(QStringLiteral("linked.pptx"));
        target->SaveAs(deckPath);

        const engine::Presentation deck = engine::Presentation::open(deckPath);
        const auto frames = deck.chartFrames();
        QCOMPARE(frames.size(), size_t(3));
        for (size_t i = 0; i < 2; ++i) {
            // Linked while the presentation had no file yet: by the workbook's file URI.
            QCOMPARE(deck.externalWorkbookOf(frames[i].chartPart), QUrl::fromLocalFile(workbookPath).toString());
            QVERIFY(deck.embeddedWorkbookOf(frames[i].chartPart).isEmpty());
            QVERIFY(frames[i].provenance);
            const QString rels = QString::fromUtf8(deck.partBytes(engine::relationshipsPartName(frames[i].chartPart)));
            QVERIFY2(rels.contains(QStringLiteral("relationships/oleObject\" Target=\"") + QUrl::fromLocalFile(workbookPath).toString() +
                                   QStringLiteral("\" TargetMode=\"External\"")),
                     qPrintable(rels));
        }
        QVERIFY(deck.externalWorkbookOf(frames[2].chartPart).isEmpty());
        QVERIFY(!deck.embeddedWorkbookOf(frames[2].chartPart).isEmpty());
        window->close();

        // The linked deck refreshes from its workbook.
        writeWorkbook(QStringLiteral("values"), dir.path());
        const clitest::Result refreshed = clitest::runCli({QStringLiteral("refresh"), deckPath});
        QVERIFY2(refreshed.status == 0, refreshed.out.constData());
        const engine::Presentation after = engine::Presentation::open(deckPath);
        QCOMPARE(after.chartModel(after.chartFrames()[0].chartPart).allSeries()[0]->valueData()->numbers->points[0].value, 241.0);
    }
};

QTEST_MAIN(RefreshWindowTest)
#include "tst_refresh_window.moc"
