// The copy run against scripted servers: input checks, the slides a run produces and the order
// that matters between the two servers, failures and where the run goes on after them, and
// what the window may do while a run waits.

#include "CopyRunHarness.h"

#include "office/RunningChecks.h"
#include "platform/Dialogs.h"
#include "transfer/ProgressText.h"

#include <QtTest>

using testsupport::CopyRunHarness;
using testsupport::FakeSheet;

namespace {
const QString kBook = QStringLiteral("/data/book.xlsx");
// As an error report names the procedure.
const QString kLocation = QStringLiteral("in Ostrivane2021/08/31.Form1.PushButton2_Click ");

using Slides = QList<QStringList>;

// Whether, on the servers' timeline, every paste comes after a copy of a chart and a wait
// that both followed the previous paste: the chart pasted is the one just copied, and the
// delay was given before it was pasted.
bool everyPasteFollowsItsCopyAndAWait(const QStringList& timeline) {
    bool copied = false;
    bool waited = false;
    int pastes = 0;
    for (const QString& entry : timeline) {
        if (entry.startsWith(QStringLiteral("excel.")) && entry.endsWith(QStringLiteral("/Copy"))) {
            copied = true;
        } else if (entry.startsWith(QStringLiteral("wait "))) {
            waited = true;
        } else if (entry == QStringLiteral("paste")) {
            if (!copied || !waited) return false;
            copied = waited = false;
            ++pastes;
        }
    }
    return pastes > 0;
}
}  // namespace

class CopyRunTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    // ---- input checks ----

    void emptyListGivesOnlyNoChartsEvenWhenEverythingElseIsWrong() {
        CopyRunHarness h;
        h.form.Option2()->setChecked(true);
        h.form.Text2()->setText(QStringLiteral("/missing.pptx"));
        h.form.Text3()->setText(QStringLiteral("soon"));
        h.click();
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("No charts.")});
        QCOMPARE(h.dialogs.messageBoxes().first().style, platform::box::kOkOnly);
        QCOMPARE(h.dialogs.messageBoxes().first().title, QString());
        QVERIFY(h.world.log.isEmpty());
        QVERIFY(!h.copyRun->CopyInProgress());
    }

    void missingExistingPresentationWithBadDelayGivesOnlyFileNotFound() {
        CopyRunHarness h;
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.form.Option2()->setChecked(true);
        h.form.Text2()->setText(QStringLiteral("/missing.pptx"));
        h.form.Text3()->setText(QStringLiteral("x"));
        h.click();
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("PowerPoint file not found.")});
        QCOMPARE(h.fileQueries, QStringList{QStringLiteral("/missing.pptx")});
        QVERIFY(h.world.log.isEmpty());
        QVERIFY(h.reports.isEmpty());
    }

    void newPresentationTestsThePathButDoesNotComplainAboutIt() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 1}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.form.Text2()->setText(QString());
        h.click();
        QCOMPARE(h.fileQueries, QStringList{QString()});
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
    }

    void delayThatIsNotANumberIsRefusedBeforeAnythingStarts_data() {
        QTest::addColumn<QString>("delay");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
        QTest::newRow("word") << QStringLiteral("one");
        QTest::newRow("two points") << QStringLiteral("1.2.3");
    }
    void delayThatIsNotANumberIsRefusedBeforeAnythingStarts() {
        QFETCH(QString, delay);
        CopyRunHarness h;
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.form.Text3()->setText(delay);
        h.click();
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("Delay must be a number.")});
        QVERIFY(h.world.log.isEmpty());
        QVERIFY(!h.copyRun->CopyInProgress());
    }

    void declinedPowerPointPromptEndsTheRunWithNothingStarted() {
        CopyRunHarness h;
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        auto running = testsupport::publishImpostor(QString::fromLatin1(office::kPowerPointProgId),
                                                    QString::fromLatin1(office::kPowerPointName));
        h.dialogs.messageAnswers = {platform::box::kResultNo};
        h.click();
        QCOMPARE(h.dialogs.messageTexts(), QStringList{office::openPowerPointWarning()});
        QCOMPARE(h.dialogs.messageBoxes().first().style, platform::box::kYesNo);
        QVERIFY(h.world.log.isEmpty());
        QVERIFY(!h.copyRun->CopyInProgress());
    }

    void powerPointPromptComesBeforeTheExcelPromptAndEachIsAskedOnce() {
        CopyRunHarness h;
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        auto ppt = testsupport::publishImpostor(QString::fromLatin1(office::kPowerPointProgId),
                                                QString::fromLatin1(office::kPowerPointName));
        auto excel = testsupport::publishImpostor(QString::fromLatin1(office::kExcelProgId),
                                                  QString::fromLatin1(office::kExcelName));
        h.dialogs.messageAnswers = {platform::box::kResultYes, platform::box::kResultNo};
        h.click();
        QCOMPARE(h.dialogs.messageTexts(),
                 (QStringList{office::openPowerPointWarning(), office::openExcelWarning()}));
        QVERIFY(h.world.log.isEmpty());
    }

    // ---- a whole run ----

    void runStartsPowerPointShownBeforeExcelAndCopiesEachCheckedChartInOrder() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sales"), 2}, {QStringLiteral("Costs"), 1}});
        h.addRow(QStringLiteral("Sales"), QStringLiteral("1"));
        h.addRow(QStringLiteral("Sales"), QStringLiteral("2"), false);
        h.addRow(QStringLiteral("Costs"), QStringLiteral("1"));
        h.form.Text3()->setText(QStringLiteral("0"));

        h.click();

        // One new presentation, one slide per checked chart in list order, and "Done.".
        QCOMPARE(h.world.presentations.size(), 1);
        QCOMPARE(h.world.presentations.first().slides,
                 (Slides{{QStringLiteral("Sales#1")}, {QStringLiteral("Costs#1")}}));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
        QVERIFY(h.reports.isEmpty());
        // PowerPoint is up and shown before the spreadsheet application starts.
        QCOMPARE(h.world.powerPointVisible, office::msoTrue);
        QVERIFY(h.world.indexOf(QStringLiteral("ppt.Visible=-1")) <
                h.world.indexOf(QStringLiteral("excel.create")));
        // The workbook is opened once, in one instance, which quits with its alerts off only
        // after the last paste; each chart is pasted after its copy and the delay.
        const auto& excel = h.world.spreadsheet;
        QCOMPARE(excel.openedPaths, QStringList{kBook});
        QCOMPARE(excel.created(), 1);
        QVERIFY(excel.allQuit());
        QVERIFY(!excel.instances.first()->alertsWhenQuit);
        QVERIFY(h.world.lastIndexOf(QStringLiteral("paste")) <
                h.world.indexOf(QStringLiteral("excel.Quit")));
        QVERIFY(everyPasteFollowsItsCopyAndAWait(h.world.log));
        QCOMPARE(h.waits, (QList<int>{0, 0}));
        QCOMPARE(h.form.pointerHistory, (QList<int>{11, 11, 0}));
        QCOMPARE(h.form.ProgressBar1()->value(), 0);
        QCOMPARE(transfer::progressText(h.form.ProgressBar1()), QStringLiteral("Progress Bar"));
        QVERIFY(!h.copyRun->CopyInProgress());
        // Every reference is let go: Excel is gone, PowerPoint is held only by its open window.
        QVERIFY(excel.lastApplication.expired());
        QCOMPARE(h.world.powerPointRunning.use_count(), 1L);
        QVERIFY(office::IsPowerPointRunning());
        QVERIFY(!office::IsExcelRunning());
    }

    void existingPresentationKeepsItsSlidesInFront() {
        CopyRunHarness h;
        const QString deck = QStringLiteral("/decks/q3.pptx");
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 2}});
        h.world.presentationFiles.insert(deck, 2);
        h.existingFiles.insert(deck);
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("2"));
        h.form.Option2()->setChecked(true);
        h.form.Text2()->setText(deck);
        h.click();
        // The deck itself, opened for writing in a window of its own; no new presentation.
        QCOMPARE(h.world.presentations.size(), 1);
        const auto& opened = h.world.presentations.first();
        QCOMPARE(opened.name, deck);
        QVERIFY(!opened.readOnly);
        QVERIFY(opened.withWindow);
        QCOMPARE(h.world.entriesStartingWith(QStringLiteral("slides.Add")),
                 QStringList{QStringLiteral("slides.Add(3,12)")});  // a blank slide at the end
        QCOMPARE(opened.slides,
                 (QList<QStringList>{{QStringLiteral("existing")},
                                     {QStringLiteral("existing")},
                                     {QStringLiteral("Sheet1#2")}}));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
    }

    void noCheckedRowsStillOpensBothAndEndsWithDoneButNeverShowsTheHourglass() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 1}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"), false);
        h.click();
        // Both servers did their opening part: a new, empty presentation shown, the workbook
        // opened and quit again; nothing was copied and nothing was waited for.
        QCOMPARE(h.world.presentations.size(), 1);
        QVERIFY(h.world.presentations.first().slides.isEmpty());
        QCOMPARE(h.world.powerPointVisible, office::msoTrue);
        QCOMPARE(h.world.spreadsheet.openedPaths, QStringList{kBook});
        QVERIFY(h.world.spreadsheet.copied.isEmpty());
        QCOMPARE(h.world.spreadsheet.created(), 1);
        QVERIFY(h.world.spreadsheet.allQuit());
        QVERIFY(h.waits.isEmpty());
        QCOMPARE(h.form.pointerHistory, QList<int>{0});
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
    }

    void progressCountsAllRowsAndResetsAtTheEnd() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("A"), 1}, {QStringLiteral("Growth %p"), 1}});
        h.addRow(QStringLiteral("A"), QStringLiteral("1"), false);
        h.addRow(QStringLiteral("A"), QStringLiteral("1"), true);
        h.addRow(QStringLiteral("A"), QStringLiteral("1"), false);
        h.addRow(QStringLiteral("Growth %p"), QStringLiteral("1"), true);
        QList<int> values;
        QStringList texts;
        h.onEvents = [&] {
            values << h.form.ProgressBar1()->value();
            texts << transfer::progressText(h.form.ProgressBar1());
        };
        h.click();
        QCOMPARE(values, (QList<int>{50, 100}));
        QCOMPARE(texts, (QStringList{QStringLiteral("Processing: A"),
                                     QStringLiteral("Processing: Growth %p")}));
        QCOMPARE(h.form.ProgressBar1()->value(), 0);
        QCOMPARE(transfer::progressText(h.form.ProgressBar1()), QStringLiteral("Progress Bar"));
    }

    void progressTextShowsOnlyTheLastBackslashComponent() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("North\\East"), 1}});
        h.addRow(QStringLiteral("North\\East"), QStringLiteral("1"));
        QString text;
        h.onEvents = [&] { text = transfer::progressText(h.form.ProgressBar1()); };
        h.click();
        QCOMPARE(text, QStringLiteral("Processing: East"));
        QCOMPARE(h.world.presentations.first().slides.first(),
                 QStringList{QStringLiteral("North\\East#1")});
    }

    // ---- failures and where the run goes on ----

    void rowWhoseSheetIsGoneIsReportedAt146AndLeavesNoSlide() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 1}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.addRow(QStringLiteral("Deleted"), QStringLiteral("1"));
        h.click();
        QCOMPARE(h.reportedLines(), QList<int>{146});
        QCOMPARE(h.reports.first().location, kLocation);
        QCOMPARE(h.reports.first().description, QStringLiteral("Subscript out of range"));
        // No slide for the chart that was not copied, and the first chart is not pasted twice.
        QCOMPARE(h.world.presentations.first().slides, (Slides{{QStringLiteral("Sheet1#1")}}));
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
    }

    void chartPositionOutOfRangeOrNotANumberIsReportedAt146() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 1}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("2"));
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("first"));
        h.click();
        QCOMPARE(h.reportedLines(), (QList<int>{146, 146}));
        QCOMPARE(h.reports.at(0).description, QStringLiteral("Subscript out of range"));
        QCOMPARE(h.reports.at(1).description, QStringLiteral("Type mismatch"));
        QCOMPARE(h.world.presentations.first().slides.size(), 0);
    }

    void workbookThatCannotBeOpenedIsReportedAt120ThenOncePerCheckedRow() {
        CopyRunHarness h;
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.addRow(QStringLiteral("Sheet2"), QStringLiteral("1"));
        h.click();
        QCOMPARE(h.reportedLines(), (QList<int>{120, 146, 146}));
        QCOMPARE(h.reports.first().description,
                 QStringLiteral("'/data/book.xlsx' could not be found."));
        QCOMPARE(h.world.presentations.first().slides.size(), 0);
        QCOMPARE(h.world.spreadsheet.created(), 1);
        QVERIFY(h.world.spreadsheet.allQuit());
    }

    void powerPointThatCannotStartIsReportedAtEveryPowerPointStep() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 1}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.world.refuse << QStringLiteral("ppt.create");
        h.click();
        QCOMPARE(h.reportedLines(), (QList<int>{114, 116, 130, 148, 150}));
        QCOMPARE(h.reports.at(1).description, QStringLiteral("Object variable not set"));
        // Excel still did its part and was quit.
        QCOMPARE(h.world.spreadsheet.copied, QStringList{QStringLiteral("Sheet1#1")});
        QVERIFY(h.world.presentations.isEmpty());
        QCOMPARE(h.world.spreadsheet.created(), 1);
        QVERIFY(h.world.spreadsheet.allQuit());
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
    }

    void neitherOptionSelectedLeavesNoTargetAndEachSlideStepFails() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 2}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("2"));
        h.form.Option1()->setAutoExclusive(false);
        h.form.Option1()->setChecked(false);
        h.existingFiles.insert(QString());  // the path test passes; the run goes on
        h.click();
        // Without a target no slide is made or selected, so nothing is waited for or pasted.
        QCOMPARE(h.reportedLines(), (QList<int>{148, 150, 148, 150}));
        QVERIFY(h.waits.isEmpty());
        QVERIFY(h.world.presentations.isEmpty());
    }

    void delayBeyondSixteenBitsIsReportedAt152ForEveryChartAndPastesWithoutWaiting() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 2}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("2"));
        h.form.Text3()->setText(QStringLiteral("40000"));
        h.click();
        QCOMPARE(h.reportedLines(), (QList<int>{152, 152}));
        QCOMPARE(h.reports.first().description, QStringLiteral("Overflow"));
        QVERIFY(h.waits.isEmpty());
        QCOMPARE(h.world.presentations.first().slides,
                 (Slides{{QStringLiteral("Sheet1#1")}, {QStringLiteral("Sheet1#2")}}));
    }

    void delayIsRoundedHalfToEvenAndReadAfreshForEveryChart() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 3}});
        for (const char* index : {"1", "2", "3"}) h.addRow(QStringLiteral("Sheet1"), QString::fromLatin1(index));
        h.form.Text3()->setText(QStringLiteral("2.5"));
        QStringList next{QStringLiteral("3.5"), QStringLiteral(" -1 ")};
        h.onWait = [&](int) {
            if (!next.isEmpty()) h.form.Text3()->setText(next.takeFirst());
        };
        h.click();
        QCOMPARE(h.waits, (QList<int>{2, 4, -1}));
    }

    // ---- what the window may do while a run waits ----

    void checkMarksChangedDuringAWaitAreHonoured() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 3}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"), true);
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("2"), false);
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("3"), true);
        bool first = true;
        h.onWait = [&](int) {
            if (!first) return;
            first = false;
            platform::ChartList list(h.form.ListView1());
            list.setChecked(2, true);
            list.setChecked(3, false);
        };
        h.click();
        QCOMPARE(h.world.presentations.first().slides,
                 (Slides{{QStringLiteral("Sheet1#1")}, {QStringLiteral("Sheet1#2")}}));
    }

    void secondClickDuringARunDoesNothing() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 1}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        // What a second run would change: the servers started, workbooks opened, charts
        // copied, presentations and slides made, messages shown, waits.
        auto effects = [&h] {
            int slides = 0;
            for (const auto& presentation : h.world.presentations) {
                slides += int(presentation.slides.size());
            }
            const auto& excel = h.world.spreadsheet;
            return QList<int>{excel.created(),
                              int(excel.openedPaths.size()),
                              int(excel.copied.size()),
                              int(h.world.presentations.size()),
                              slides,
                              int(h.dialogs.messageBoxes().size()),
                              int(h.waits.size())};
        };
        QList<int> before;
        QList<int> after;
        bool inProgress = false;
        h.onWait = [&](int) {
            inProgress = h.copyRun->CopyInProgress();
            before = effects();
            h.click();
            after = effects();
        };
        h.click();
        QVERIFY(inProgress);
        QCOMPARE(after, before);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(h.world.presentations.size(), 1);
        QVERIFY(!h.copyRun->CopyInProgress());
        // The flag is cleared: a later click runs again.
        // (PowerPoint still runs with the result, so that run begins by asking about it.)
        h.click();
        QCOMPARE(h.dialogs.messageTexts(),
                 (QStringList{QStringLiteral("Done."), office::openPowerPointWarning()}));
    }

    void closingTheMainWindowDuringAWaitEndsTheRunAtOnceAndLeavesThePresentationOpen() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 2}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("2"));
        h.onWait = [](int) { platform::markMainWindowClosed(); };
        h.click();
        // Nothing after the wait: the slide made for the first chart stays empty, the second
        // chart is not copied, and the spreadsheet application is not asked to quit.
        QCOMPARE(h.world.log.last(), QStringLiteral("wait 0"));
        QCOMPARE(h.world.presentations.first().slides, (Slides{{}}));
        QCOMPARE(h.world.spreadsheet.copied, QStringList{QStringLiteral("Sheet1#1")});
        QCOMPARE(h.world.spreadsheet.quits(), 0);
        QVERIFY(h.dialogs.messageTexts().isEmpty());
        QCOMPARE(h.world.presentations.size(), 1);
        QVERIFY(office::IsPowerPointRunning());
        // The run's hold on Excel went with the handler; nothing asked it to quit.
        QVERIFY(!office::IsExcelRunning());
    }

    // ---- where the run goes on after a refusal ----

    // Each refusal is reported with its line, the run goes on where it should, and it always
    // ends as a run does: the pointer back, "Done.", no spreadsheet application left behind.
    void refusedCallIsReportedAndTheRunGoesOnToTheEnd_data() {
        QTest::addColumn<bool>("existingDeck");
        QTest::addColumn<QString>("refusedPowerPoint");  // start of the refused PowerPoint call
        QTest::addColumn<QString>("refusedSpreadsheet");  // key of the refused spreadsheet call
        QTest::addColumn<QList<int>>("lines");
        QTest::addColumn<Slides>("slides");  // of the one presentation; none when empty
        const QString one = QStringLiteral("Sheet1#1");
        const QString two = QStringLiteral("Sheet1#2");
        const QString old = QStringLiteral("existing");
        QTest::newRow("PowerPoint not shown")
            << false << "ppt.Visible" << "" << QList<int>{116} << Slides{{one}, {two}};
        QTest::newRow("deck does not open")
            << true << "ppt.Presentations.Open" << "" << QList<int>{124, 126, 148, 150, 148, 150}
            << Slides{};
        QTest::newRow("no new presentation")
            << false << "ppt.Presentations.Add" << "" << QList<int>{130, 148, 150, 148, 150} << Slides{};
        // The deck's own slide, selected before, gets no chart.
        QTest::newRow("no slide added")
            << true << "slides.Add" << "" << QList<int>{148, 148} << Slides{{old}};
        // Nor does the previous chart's slide when the next one cannot be selected.
        QTest::newRow("slide not selected")
            << false << "slide(2)" << "" << QList<int>{150} << Slides{{one}, {}};
        QTest::newRow("paste refused")
            << false << "paste" << "" << QList<int>{154, 154} << Slides{{}, {}};
        QTest::newRow("one chart not copied: no slide for it")
            << false << "" << "sheet 1/chart 1/Copy" << QList<int>{146} << Slides{{two}};
        QTest::newRow("alerts not switched off: still quit")
            << false << "" << "DisplayAlerts=" << QList<int>{158} << Slides{{one}, {two}};
        QTest::newRow("quit refused") << false << "" << "Quit" << QList<int>{160}
                                      << Slides{{one}, {two}};
    }
    void refusedCallIsReportedAndTheRunGoesOnToTheEnd() {
        QFETCH(bool, existingDeck);
        QFETCH(QString, refusedPowerPoint);
        QFETCH(QString, refusedSpreadsheet);
        QFETCH(QList<int>, lines);
        QFETCH(Slides, slides);
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 2}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("2"));
        if (existingDeck) {
            const QString deck = QStringLiteral("/decks/q3.pptx");
            h.world.presentationFiles.insert(deck, 1);
            h.existingFiles.insert(deck);
            h.form.Option2()->setChecked(true);
            h.form.Text2()->setText(deck);
        }
        if (!refusedPowerPoint.isEmpty()) h.world.refuse << refusedPowerPoint;
        if (!refusedSpreadsheet.isEmpty()) {
            h.world.spreadsheet.failures.insert(refusedSpreadsheet, QStringLiteral("refused"));
        }

        h.click();

        QCOMPARE(h.reportedLines(), lines);
        for (const auto& report : h.reports) QCOMPARE(report.location, kLocation);
        if (slides.isEmpty()) {
            QVERIFY(h.world.presentations.isEmpty());
        } else {
            QCOMPARE(h.world.presentations.size(), 1);
            QCOMPARE(h.world.presentations.first().slides, slides);
        }
        QCOMPARE(h.world.spreadsheet.openedPaths, QStringList{kBook});
        QCOMPARE(h.form.MousePointer(), platform::pointer::kDefault);
        QCOMPARE(h.form.ProgressBar1()->value(), 0);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
        QVERIFY(!h.copyRun->CopyInProgress());
        QVERIFY(!office::IsExcelRunning());
    }
};

QTEST_MAIN(CopyRunTest)
#include "tst_copyrun.moc"
