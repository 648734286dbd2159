// Chart discovery against a scripted spreadsheet application: the rows it writes, what it
// reads when, the pointer, the end of a run, and how it goes on after failures.

#include "Harness.h"
#include "discovery/Excel1.h"
#include "platform/Dialogs.h"
#include "tests/support/FakeSpreadsheet.h"

#include <QStandardPaths>
#include <QtTest>

using chartstest::Harness;
using testsupport::FakeSheet;
using testsupport::ScopedFakeSpreadsheet;

namespace {
const QString kBook = QStringLiteral("/data/book.xlsx");
// As an error report names the procedure.
const QString kLocation = QStringLiteral("in Ostrivane2021/08/31.Excel1.ExtractChartByFile ");
const QString kNoCharts = QStringLiteral("No charts found within file.");
}  // namespace

class DiscoveryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void unreadableSheetCountIsReportedAt108AndTheRunStillQuitsAndSaysSo();
    void rowsFollowSheetOrderAndChartOrderWithIndexRestartingPerSheet();
    void boundsAreReadOnceWhenTheirLoopStarts();
    void everyStepReachesTheWorkbookAfreshThroughTheApplication();
    void alertsStayOnWhileOpeningAndAreOffWhenExcelQuits();
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

void DiscoveryTest::unreadableSheetCountIsReportedAt108AndTheRunStillQuitsAndSaysSo() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(kBook, {FakeSheet{QStringLiteral("S"), {QStringLiteral("c")}}});
    excel.failures.insert(QStringLiteral("Worksheets.Count"), QStringLiteral("count refused"));
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    // Without a count there is no sheet to walk: no row, no report of a sheet step, and the
    // run ends as one that found nothing.
    QCOMPARE(h.list().count(), 0);
    QCOMPARE(h.reportedLines(), QList<int>({108}));
    QCOMPARE(h.reports.first().location, kLocation);
    QCOMPARE(h.reports.first().description, QStringLiteral("count refused"));
    QVERIFY(excel.allQuit());
    QCOMPARE(h.form.MousePointer(), platform::pointer::kDefault);
    QCOMPARE(h.boxTitles(), QStringList({QStringLiteral("Application Error"), QString()}));
    QCOMPARE(h.dialogs.messageTexts().last(), kNoCharts);
}

void DiscoveryTest::rowsFollowSheetOrderAndChartOrderWithIndexRestartingPerSheet() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(
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
    QCOMPARE(excel.created(), 1);
    QVERIFY(excel.allQuit());
    QCOMPARE(excel.openedPaths, QStringList({kBook}));
}

void DiscoveryTest::boundsAreReadOnceWhenTheirLoopStarts() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(kBook, {FakeSheet{QStringLiteral("A"), {QStringLiteral("a1")}},
                                   FakeSheet{QStringLiteral("B"), {QStringLiteral("b1")}}});
    // The workbook changes under the run just after a count was read (the hook runs before
    // the call it names answers): a sheet added after the sheet count and a chart added after
    // its sheet's chart count are not walked; a chart added to a sheet not yet counted is.
    excel.onCall = [&](const QString& key) {
        QList<FakeSheet>& sheets = excel.workbooks[kBook];
        if (key == QStringLiteral("Worksheets.Item(1)") && sheets.size() == 2) {
            sheets.append(FakeSheet{QStringLiteral("Late"), {QStringLiteral("late")}});
            sheets[1].charts.append(QStringLiteral("b2"));
        } else if (key == QStringLiteral("sheet 1/Name") && sheets.first().charts.size() == 1) {
            sheets.first().charts.append(QStringLiteral("a2"));
        }
    };
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.rows(), QStringList({QStringLiteral("A|a1|1|1"), QStringLiteral("B|b1|1|1"),
                                    QStringLiteral("B|b2|2|1")}));
    QVERIFY(h.reports.isEmpty());
}

void DiscoveryTest::everyStepReachesTheWorkbookAfreshThroughTheApplication() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    const QString other = QStringLiteral("/data/other.xlsx");
    excel.workbooks.insert(kBook, {FakeSheet{QStringLiteral("A"),
                                             {QStringLiteral("a1"), QStringLiteral("a2")}}});
    excel.workbooks.insert(other, {FakeSheet{QStringLiteral("O"),
                                             {QStringLiteral("o1"), QStringLiteral("o2")}}});
    // Once the first row is complete, another workbook becomes the instance's active one. A
    // step that reaches the workbook through the application reads from it; one that kept a
    // workbook, worksheet or chart object from an earlier step would still read the first.
    bool switched = false;
    excel.onCall = [&](const QString& key) {
        if (switched || key != QStringLiteral("sheet 1/chart 1/Chart.Name")) return;
        switched = true;
        excel.lastApplication.lock()->Workbooks()->Open(other);
    };
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QVERIFY(switched);
    QCOMPARE(h.rows(), QStringList({QStringLiteral("A|a1|1|1"), QStringLiteral("O|o2|2|1")}));
    QVERIFY(h.reports.isEmpty());
}

void DiscoveryTest::alertsStayOnWhileOpeningAndAreOffWhenExcelQuits() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(kBook, {FakeSheet{QStringLiteral("S"), {QStringLiteral("c")}}});
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(excel.created(), 1);
    const auto& instance = *excel.instances.first();
    QVERIFY(instance.alertsWhenOpened);
    QVERIFY(instance.quit);
    QVERIFY(!instance.alertsWhenQuit);
}

void DiscoveryTest::pointerIsHourglassWhileExcelWorksAndDefaultAfterEvenIfBusyBefore() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(kBook, {FakeSheet{QStringLiteral("S"), {QStringLiteral("S c")}}});
    QList<int> pointerDuringCalls;
    excel.onCall = [&](const QString&) { pointerDuringCalls.append(h.form.MousePointer()); };
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
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(
        kBook, {FakeSheet{QStringLiteral("One"), {}}, FakeSheet{QStringLiteral("Two"), {}}});
    bool quitWhenShown = false;
    int pointerWhenShown = -1;
    h.dialogs.onShow = [&](const testsupport::FakeDialogs::Call&) {
        quitWhenShown = excel.allQuit();
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
    QVERIFY(!excel.instances.first()->alertsWhenQuit);
}

void DiscoveryTest::runningTwiceWithoutEmptyingRepeatsIdenticalRowsAndKeepsOldMarks() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(kBook, {FakeSheet{QStringLiteral("S"), {QStringLiteral("S c")}}});
    charts::Excel1 excel1(h.form, h.dialogs, h.runner);
    excel1.ExtractChartByFile(kBook);
    h.list().setChecked(1, false);
    excel1.ExtractChartByFile(kBook);

    QCOMPARE(h.rows(), QStringList({QStringLiteral("S|S c|1|0"), QStringLiteral("S|S c|1|1")}));
    QCOMPARE(excel.created(), 2);
    QVERIFY(h.dialogs.messageBoxes().isEmpty());
}

void DiscoveryTest::pathReachesOpenUntrimmed() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    const QString padded = QStringLiteral("  /data/my book.xlsx ");
    excel.workbooks.insert(padded, {FakeSheet{QStringLiteral("S"), {QStringLiteral("c")}}});
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(padded);
    QCOMPARE(excel.openedPaths, QStringList({padded}));
    QCOMPARE(h.list().count(), 1);
}

void DiscoveryTest::failedChartNameLeavesEmptyCellAndTheLoopGoesOn() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(
        kBook, {FakeSheet{QStringLiteral("S"), {QStringLiteral("first"), QStringLiteral("second")}}});
    excel.failures.insert(QStringLiteral("sheet 1/chart 1/Chart.Name"),
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
    ScopedFakeSpreadsheet excel;
    const QString missing = QStringLiteral("/data/gone.xlsx");
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(missing);

    QCOMPARE(h.reportedLines(), QList<int>({106}));
    QVERIFY(h.reports.first().description.contains(missing));
    QVERIFY(excel.allQuit());
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
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(kBook, {FakeSheet{QStringLiteral("A"), {QStringLiteral("a")}},
                                           FakeSheet{QStringLiteral("B"), {QStringLiteral("b")}},
                                           FakeSheet{QStringLiteral("C"), {QStringLiteral("c")}}});
    excel.failures.insert(QStringLiteral("sheet 2/ChartObjects.Count"),
                          QStringLiteral("no drawing"));
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.rows(), QStringList({QStringLiteral("A|a|1|1"), QStringLiteral("C|c|1|1")}));
    QCOMPARE(h.reportedLines(), QList<int>({116}));
}

void DiscoveryTest::unreadableSheetNameAddsNoRowAndLeavesEarlierRowsAlone() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(kBook, {FakeSheet{QStringLiteral("A"), {QStringLiteral("a")}},
                                           FakeSheet{QStringLiteral("B"), {QStringLiteral("b")}}});
    excel.failures.insert(QStringLiteral("sheet 2/Name"), QStringLiteral("no name"));
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.rows(), QStringList({QStringLiteral("A|a|1|1")}));
    // The row steps after it have no row to write to and say so; nothing lands on row 1.
    QCOMPARE(h.reportedLines(), QList<int>({124, 126, 128, 130, 132}));
    QVERIFY(h.dialogs.messageTexts().filter(kNoCharts).isEmpty());
}

void DiscoveryTest::failedQuitIsReportedAndTheRunStillEnds() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    excel.workbooks.insert(kBook, {FakeSheet{QStringLiteral("A"), {}}});
    excel.failures.insert(QStringLiteral("Quit"), QStringLiteral("Quit refused"));
    excel.failures.insert(QStringLiteral("DisplayAlerts="), QStringLiteral("alerts refused"));
    charts::Excel1(h.form, h.dialogs, h.runner).ExtractChartByFile(kBook);

    QCOMPARE(h.reportedLines(), QList<int>({138, 140}));
    QCOMPARE(h.form.MousePointer(), platform::pointer::kDefault);
    QCOMPARE(h.dialogs.messageTexts().last(), kNoCharts);
}

QTEST_MAIN(DiscoveryTest)
#include "tst_discovery.moc"
