// The copy run against scripted servers: input checks, the order of the whole conversation,
// failures and their continuations, and what the window may do while a run waits.

#include "CopyRunHarness.h"

#include "office/RunningChecks.h"
#include "platform/Dialogs.h"
#include "transfer/ProgressText.h"

#include <QtTest>

using testsupport::CopyRunHarness;
using testsupport::OfficeWorld;

namespace {
const QString kBook = QStringLiteral("/data/book.xlsx");
const QString kLocation = QString::fromLatin1(transfer::kPushButton2Location);
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

        const QStringList expected{
            QStringLiteral("ppt.create"),
            QStringLiteral("ppt.Visible=-1"),
            QStringLiteral("excel.create"),
            QStringLiteral("excel.Workbooks.Open(/data/book.xlsx)"),
            QStringLiteral("ppt.Presentations.Add(-1)"),
            QStringLiteral("events"),
            QStringLiteral("excel.Copy(Sales#1)"),
            QStringLiteral("slides.Add(1,12)"),
            QStringLiteral("slide(1).Select"),
            QStringLiteral("wait 0"),
            QStringLiteral("paste"),
            QStringLiteral("events"),
            QStringLiteral("excel.Copy(Costs#1)"),
            QStringLiteral("slides.Add(2,12)"),
            QStringLiteral("slide(2).Select"),
            QStringLiteral("wait 0"),
            QStringLiteral("paste"),
            QStringLiteral("excel.DisplayAlerts=false"),
            QStringLiteral("excel.Quit"),
        };
        QCOMPARE(h.world.log, expected);
        QCOMPARE(h.dialogs.messageTexts(), QStringList{QStringLiteral("Done.")});
        QVERIFY(h.reports.isEmpty());
        QCOMPARE(h.world.presentations.size(), 1);
        QCOMPARE(h.world.presentations.first().slides,
                 (QList<QStringList>{{QStringLiteral("Sales#1")}, {QStringLiteral("Costs#1")}}));
        QCOMPARE(h.form.pointerHistory, (QList<int>{11, 11, 0}));
        QCOMPARE(h.form.ProgressBar1()->value(), 0);
        QCOMPARE(transfer::progressText(h.form.ProgressBar1()), QStringLiteral("Progress Bar"));
        QVERIFY(!h.copyRun->CopyInProgress());
        // Every reference is let go: Excel is gone, PowerPoint is held only by its open window.
        QVERIFY(h.world.lastExcel.expired());
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
        QVERIFY(h.world.log.contains(QStringLiteral("ppt.Presentations.Open(/decks/q3.pptx,0,0,-1)")));
        QVERIFY(h.world.indexOf(QStringLiteral("ppt.ActivePresentation")) >
                h.world.indexOf(QStringLiteral("ppt.Presentations.Open")));
        QCOMPARE(h.world.indexOf(QStringLiteral("ppt.Presentations.Add")), -1);
        QCOMPARE(h.world.entriesStartingWith(QStringLiteral("slides.Add")),
                 QStringList{QStringLiteral("slides.Add(3,12)")});
        QCOMPARE(h.world.presentations.first().slides,
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
        QCOMPARE(h.world.log, (QStringList{QStringLiteral("ppt.create"), QStringLiteral("ppt.Visible=-1"),
                                           QStringLiteral("excel.create"),
                                           QStringLiteral("excel.Workbooks.Open(/data/book.xlsx)"),
                                           QStringLiteral("ppt.Presentations.Add(-1)"),
                                           QStringLiteral("excel.DisplayAlerts=false"),
                                           QStringLiteral("excel.Quit")}));
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
        QCOMPARE(h.world.presentations.first().slides, (QList<QStringList>{{QStringLiteral("Sheet1#1")}}));
        QCOMPARE(h.world.log.count(QStringLiteral("paste")), 1);
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
        QCOMPARE(h.world.excelQuit, 1);
    }

    void powerPointThatCannotStartIsReportedAtEveryPowerPointStep() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 1}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        h.world.refuse << QStringLiteral("ppt.create");
        h.click();
        QCOMPARE(h.reportedLines(), (QList<int>{114, 116, 130, 148, 150, 154}));
        QCOMPARE(h.reports.at(1).description, QStringLiteral("Object variable not set"));
        // Excel still did its part and was quit.
        QVERIFY(h.world.log.contains(QStringLiteral("excel.Copy(Sheet1#1)")));
        QCOMPARE(h.world.excelQuit, 1);
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
        QCOMPARE(h.reportedLines(), (QList<int>{148, 150, 154, 148, 150, 154}));
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
        QVERIFY(h.world.entriesStartingWith(QStringLiteral("wait")).isEmpty());
        QCOMPARE(h.world.entriesStartingWith(QStringLiteral("paste")).size(), 2);
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
        QCOMPARE(h.world.entriesStartingWith(QStringLiteral("wait")),
                 (QStringList{QStringLiteral("wait 2"), QStringLiteral("wait 4"),
                              QStringLiteral("wait -1")}));
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
        QCOMPARE(h.world.entriesStartingWith(QStringLiteral("excel.Copy")),
                 (QStringList{QStringLiteral("excel.Copy(Sheet1#1)"),
                              QStringLiteral("excel.Copy(Sheet1#2)")}));
    }

    void secondClickDuringARunDoesNothing() {
        CopyRunHarness h;
        h.addWorkbook(kBook, {{QStringLiteral("Sheet1"), 1}});
        h.addRow(QStringLiteral("Sheet1"), QStringLiteral("1"));
        int logBefore = -1;
        int logAfter = -1;
        bool inProgress = false;
        h.onWait = [&](int) {
            inProgress = h.copyRun->CopyInProgress();
            logBefore = int(h.world.log.size());
            h.click();
            logAfter = int(h.world.log.size());
        };
        h.click();
        QVERIFY(inProgress);
        QCOMPARE(logAfter, logBefore);
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
        QCOMPARE(h.world.log.last(), QStringLiteral("wait 0"));
        QCOMPARE(h.world.indexOf(QStringLiteral("paste")), -1);
        QCOMPARE(h.world.indexOf(QStringLiteral("excel.Quit")), -1);
        QVERIFY(h.dialogs.messageTexts().isEmpty());
        QCOMPARE(h.world.presentations.size(), 1);
        QVERIFY(office::IsPowerPointRunning());
        // The run's hold on Excel went with the handler; nothing asked it to quit.
        QVERIFY(!office::IsExcelRunning());
    }

    // ---- the table itself ----

    void everyLineContinuesWhereTheTableSaysAfterAFailure() {
        CopyRunHarness h;
        transfer::CopyRun::Run run;
        const auto procedure = h.copyRun->procedure(run);
        QCOMPARE(procedure.location, kLocation);
        QList<QPair<int, int>> actual;
        for (const auto& step : procedure.steps) actual << qMakePair(step.line, step.onFailure);
        const int next = platform::kNext;
        const int end = platform::kEnd;
        const QList<QPair<int, int>> expected{
            {100, next}, {102, next}, {104, 106}, {106, 108}, {108, 110}, {110, 112},
            {112, 114},  {114, 116},  {116, 118}, {118, 120}, {120, 122}, {122, 124},
            {124, 126},  {126, 132},  {128, 130}, {130, 132}, {132, 134}, {134, 136},
            {136, 138},  {138, 140},  {140, 142}, {142, 144}, {144, 146}, {146, 156},
            {148, 150},  {150, 152},  {152, 154}, {154, 156}, {156, 158}, {158, 160},
            {160, 162},  {162, 164},  {164, 166}, {166, 168}, {168, 176}, {170, 176},
            {172, 176},  {174, 176},  {176, end}};
        QCOMPARE(actual, expected);
    }

};

QTEST_MAIN(CopyRunTest)
#include "tst_copyrun.moc"
