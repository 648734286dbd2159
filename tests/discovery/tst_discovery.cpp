// Chart discovery against a scripted spreadsheet application: the rows it writes, the order
// and shape of its calls, the pointer, the end of a run, and how it goes on after failures.

#include "FakeExcel.h"
#include "Harness.h"
#include "discovery/Excel1.h"
#include "platform/Dialogs.h"

#include <QStandardPaths>
#include <QtTest>

using chartstest::FakeExcelServer;
using chartstest::FakeSheet;
using chartstest::Harness;

namespace {
const QString kBook = QStringLiteral("/data/book.xlsx");
const QString kLocation = QString::fromLatin1(charts::Excel1::kLocation);
const QString kNoCharts = QStringLiteral("No charts found within file.");
}  // namespace

class DiscoveryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void stepTableCarriesTheNumberedLinesAndLocation();
    void rowsFollowSheetOrderAndChartOrderWithIndexRestartingPerSheet();
    void everyAccessStartsFromTheApplicationAndBoundsAreReadOnce();
    void pointerIsHourglassWhileExcelWorksAndDefaultAfterEvenIfBusyBefore();
    void workbookWithoutChartsEndsWithNoticeAfterQuitAndPointerReset();
    void runningTwiceWithoutEmptyingRepeatsIdenticalRowsAndKeepsOldMarks();
    void pathReachesOpenUntrimmed();
    void failedChartNameLeavesEmptyCellAndTheLoopGoesOn();
    void workbookThatDoesNotOpenGivesOneReportAndStillQuits();
    void missingSpreadsheetServerStillEndsWithPointerResetAndNotice();
    void unreadableChartCountSkipsOnlyThatSheet();
    void unreadableSheetNameAddsNoRowAndLeavesEarlierRowsAlone();
    void failedQuitIsReportedAndTheRunStillEnds();
};

void DiscoveryTest::stepTableCarriesTheNumberedLinesAndLocation() {
    Harness h;
    charts::Excel1 excel1(h.form, h.dialogs, h.runner);
    const platform::Procedure table = excel1.extractChartByFileProcedure(kBook);
    QCOMPARE(table.location, QStringLiteral("in Ostrivane2021/08/31.Excel1.ExtractChartByFile "));
    QList<int> lines;
    for (const auto& step : table.steps) lines.append(step.line);
    QList<int> expected;
    for (int line = 100; line <= 108; line += 2) expected.append(line);
    for (int line = 116; line <= 146; line += 2) expected.append(line);
    QCOMPARE(lines, expected);
    // A sheet loop without bounds goes on after the loop; every other failure goes on with
    // the next step (a failed test runs what it guards).
    for (const auto& step : table.steps) {
        QCOMPARE(step.onFailure, step.line == 108 ? 138 : platform::kNext);
    }
}

void DiscoveryTest::rowsFollowSheetOrderAndChartOrderWithIndexRestartingPerSheet() {
    Harness h;
    FakeExcelServer server;
    server.state->workbooks.insert(
        kBook, {FakeSheet{QStringLiteral("Data"),
                          {QStringLiteral("Data Chart 1"), QStringLiteral("Data Chart 2"),
                           QStringLiteral("Data Chart 2")}},
                FakeSheet{QStringLiteral("Empty"), {}},
                FakeSheet{QStringLiteral("Année 'Q2'"), {QStringLiteral("Année 'Q2' Pie")}}});
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.rows(), QStringList({QStringLiteral("Data|Data Chart 1|1|1"),
                                    QStringLiteral("Data|Data Chart 2|2|1"),
                                    QStringLiteral("Data|Data Chart 2|3|1"),
                                    QStringLiteral("Année 'Q2'|Année 'Q2' Pie|1|1")}));
    QVERIFY(h.reports.isEmpty());
    QVERIFY(h.dialogs.messageBoxes().isEmpty());
    QCOMPARE(server.state->created, 1);
    QVERIFY(server.state->quit);
}

void DiscoveryTest::everyAccessStartsFromTheApplicationAndBoundsAreReadOnce() {
    Harness h;
    FakeExcelServer server;
    server.state->workbooks.insert(
        kBook, {FakeSheet{QStringLiteral("A"), {}},
                FakeSheet{QStringLiteral("B"), {QStringLiteral("B c1"), QStringLiteral("B c2")}}});
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    // Sheet and chart objects are never kept between steps: each step walks down again from
    // the application's active workbook.
    const QStringList sheetB = {QStringLiteral("ActiveWorkbook"), QStringLiteral("Worksheets"),
                                QStringLiteral("Worksheets.Item(2)")};
    QStringList expected = {QStringLiteral("Workbooks"), QStringLiteral("Open"),
                            QStringLiteral("ActiveWorkbook"), QStringLiteral("Worksheets"),
                            QStringLiteral("Worksheets.Count"),
                            // sheet 1: chart count only
                            QStringLiteral("ActiveWorkbook"), QStringLiteral("Worksheets"),
                            QStringLiteral("Worksheets.Item(1)"), QStringLiteral("sheet 1/ChartObjects"),
                            QStringLiteral("sheet 1/ChartObjects.Count")};
    expected += sheetB;
    expected += {QStringLiteral("sheet 2/ChartObjects"), QStringLiteral("sheet 2/ChartObjects.Count")};
    for (int chart = 1; chart <= 2; ++chart) {
        expected += sheetB;
        expected += QStringLiteral("sheet 2/Name");
        expected += sheetB;
        expected += {QStringLiteral("sheet 2/ChartObjects"),
                     QStringLiteral("sheet 2/ChartObjects.Item(%1)").arg(chart),
                     QStringLiteral("sheet 2/chart %1/Chart").arg(chart),
                     QStringLiteral("sheet 2/chart %1/Chart.Name").arg(chart)};
    }
    expected += {QStringLiteral("DisplayAlerts="), QStringLiteral("Quit")};
    QCOMPARE(server.state->log, expected);
    QVERIFY(!server.state->displayAlerts);
}

void DiscoveryTest::pointerIsHourglassWhileExcelWorksAndDefaultAfterEvenIfBusyBefore() {
    Harness h;
    FakeExcelServer server;
    server.state->workbooks.insert(kBook, {FakeSheet{QStringLiteral("S"), {QStringLiteral("S c")}}});
    QList<int> pointerDuringCalls;
    server.state->onCall = [&](const QString&) { pointerDuringCalls.append(h.form.MousePointer()); };
    h.form.setMousePointer(platform::pointer::kHourglass);
    h.form.pointerHistory.clear();

    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QVERIFY(!pointerDuringCalls.isEmpty());
    for (int value : pointerDuringCalls) QCOMPARE(value, platform::pointer::kHourglass);
    QCOMPARE(h.form.pointerHistory,
             QList<int>({platform::pointer::kHourglass, platform::pointer::kDefault}));
}

void DiscoveryTest::workbookWithoutChartsEndsWithNoticeAfterQuitAndPointerReset() {
    Harness h;
    FakeExcelServer server;
    server.state->workbooks.insert(
        kBook, {FakeSheet{QStringLiteral("One"), {}}, FakeSheet{QStringLiteral("Two"), {}}});
    bool quitWhenShown = false;
    int pointerWhenShown = -1;
    h.dialogs.onShow = [&](const testsupport::FakeDialogs::Call&) {
        quitWhenShown = server.state->quit;
        pointerWhenShown = h.form.MousePointer();
    };
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.list().count(), 0);
    const auto boxes = h.dialogs.messageBoxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().text, kNoCharts);
    QCOMPARE(boxes.first().style, platform::box::kOkOnly);
    QCOMPARE(boxes.first().title, QString());  // the application title
    QVERIFY(quitWhenShown);
    QCOMPARE(pointerWhenShown, platform::pointer::kDefault);
    QVERIFY(!server.state->displayAlerts);
}

void DiscoveryTest::runningTwiceWithoutEmptyingRepeatsIdenticalRowsAndKeepsOldMarks() {
    Harness h;
    FakeExcelServer server;
    server.state->workbooks.insert(kBook, {FakeSheet{QStringLiteral("S"), {QStringLiteral("S c")}}});
    charts::Excel1 excel1(h.form, h.dialogs, h.runner);
    excel1.ExtractChartByFile(kBook);
    h.list().setChecked(1, false);
    excel1.ExtractChartByFile(kBook);

    QCOMPARE(h.rows(), QStringList({QStringLiteral("S|S c|1|0"), QStringLiteral("S|S c|1|1")}));
    QCOMPARE(server.state->created, 2);
    QVERIFY(h.dialogs.messageBoxes().isEmpty());
}

void DiscoveryTest::pathReachesOpenUntrimmed() {
    Harness h;
    FakeExcelServer server;
    const QString padded = QStringLiteral("  /data/my book.xlsx ");
    server.state->workbooks.insert(padded, {FakeSheet{QStringLiteral("S"), {QStringLiteral("c")}}});
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(padded);
    QCOMPARE(server.state->openedPaths, QStringList({padded}));
    QCOMPARE(h.list().count(), 1);
}

void DiscoveryTest::failedChartNameLeavesEmptyCellAndTheLoopGoesOn() {
    Harness h;
    FakeExcelServer server;
    server.state->workbooks.insert(
        kBook, {FakeSheet{QStringLiteral("S"), {QStringLiteral("first"), QStringLiteral("second")}}});
    server.state->failures.insert(QStringLiteral("sheet 1/chart 1/Chart.Name"),
                                  QStringLiteral("Chart.Name refused"));
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.rows(), QStringList({QStringLiteral("S||1|1"), QStringLiteral("S|second|2|1")}));
    QCOMPARE(h.reports.size(), 1);
    QCOMPARE(h.reports.first().location, kLocation);
    QCOMPARE(h.reports.first().line, 126);
    QCOMPARE(h.reports.first().description, QStringLiteral("Chart.Name refused"));
    QCOMPARE(h.boxTitles(), QStringList({QStringLiteral("Application Error")}));
}

void DiscoveryTest::workbookThatDoesNotOpenGivesOneReportAndStillQuits() {
    Harness h;
    FakeExcelServer server;
    const QString missing = QStringLiteral("/data/gone.xlsx");
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(missing);

    QCOMPARE(h.reportedLines(), QList<int>({106}));
    QVERIFY(h.reports.first().description.contains(missing));
    QVERIFY(server.state->quit);
    QCOMPARE(h.form.MousePointer(), platform::pointer::kDefault);
    // The report comes first, the notice last.
    QCOMPARE(h.dialogs.messageTexts().last(), kNoCharts);
    QCOMPARE(h.boxTitles(), QStringList({QStringLiteral("Application Error"), QString()}));
}

void DiscoveryTest::missingSpreadsheetServerStillEndsWithPointerResetAndNotice() {
    Harness h;  // nothing is registered under "Excel.Application"
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.reportedLines(), QList<int>({104, 106, 138, 140}));
    QCOMPARE(h.reports.first().description, QStringLiteral("ActiveX component can't create object"));
    QCOMPARE(h.reports.at(1).description, QStringLiteral("Object variable not set"));
    QCOMPARE(h.form.MousePointer(), platform::pointer::kDefault);
    QCOMPARE(h.dialogs.messageTexts().last(), kNoCharts);
}

void DiscoveryTest::unreadableChartCountSkipsOnlyThatSheet() {
    Harness h;
    FakeExcelServer server;
    server.state->workbooks.insert(kBook, {FakeSheet{QStringLiteral("A"), {QStringLiteral("a")}},
                                           FakeSheet{QStringLiteral("B"), {QStringLiteral("b")}},
                                           FakeSheet{QStringLiteral("C"), {QStringLiteral("c")}}});
    server.state->failures.insert(QStringLiteral("sheet 2/ChartObjects.Count"),
                                  QStringLiteral("no drawing"));
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.rows(), QStringList({QStringLiteral("A|a|1|1"), QStringLiteral("C|c|1|1")}));
    QCOMPARE(h.reportedLines(), QList<int>({116}));
}

void DiscoveryTest::unreadableSheetNameAddsNoRowAndLeavesEarlierRowsAlone() {
    Harness h;
    FakeExcelServer server;
    server.state->workbooks.insert(kBook, {FakeSheet{QStringLiteral("A"), {QStringLiteral("a")}},
                                           FakeSheet{QStringLiteral("B"), {QStringLiteral("b")}}});
    server.state->failures.insert(QStringLiteral("sheet 2/Name"), QStringLiteral("no name"));
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.rows(), QStringList({QStringLiteral("A|a|1|1")}));
    // The row steps after it have no row to write to and say so; nothing lands on row 1.
    QCOMPARE(h.reportedLines(), QList<int>({124, 126, 128, 130, 132}));
    QVERIFY(h.dialogs.messageTexts().filter(kNoCharts).isEmpty());
}

void DiscoveryTest::failedQuitIsReportedAndTheRunStillEnds() {
    Harness h;
    FakeExcelServer server;
    server.state->workbooks.insert(kBook, {FakeSheet{QStringLiteral("A"), {}}});
    server.state->failures.insert(QStringLiteral("Quit"), QStringLiteral("Quit refused"));
    server.state->failures.insert(QStringLiteral("DisplayAlerts="), QStringLiteral("alerts refused"));
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.reportedLines(), QList<int>({138, 140}));
    QCOMPARE(h.form.MousePointer(), platform::pointer::kDefault);
    QCOMPARE(h.dialogs.messageTexts().last(), kNoCharts);
}

QTEST_MAIN(DiscoveryTest)
#include "tst_discovery.moc"
