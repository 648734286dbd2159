// The six chart-list commands with scripted dialogs, files and spreadsheet application: how
// each reports a failure and goes on, what each does to the path box and the list, and Find's
// busy, blank and existence tests.

#include "Harness.h"
#include "discovery/ChartCommands.h"
#include "platform/Dialogs.h"
#include "tests/support/FakeSpreadsheet.h"

#include <QStandardPaths>
#include <QtTest>

using chartstest::Harness;
using testsupport::FakeSheet;
using testsupport::ScopedFakeSpreadsheet;

namespace {

QString locationOf(const char* procedure) {
    return QStringLiteral("in Ostrivane2021/08/31.Form1.%1 ").arg(QLatin1String(procedure));
}

// The window's controls with the path box gone, as while the window is torn down: every use of
// it fails as a call on an unset object does.
class FormWithoutPathBox : public testsupport::TestForm {
public:
    QLineEdit* Text1() override { return nullptr; }
};

QList<chartstest::Report> reportsOf(Harness& h) {
    QList<chartstest::Report> all = h.reports;
    h.reports.clear();
    return all;
}

void addRows(Harness& h, const QList<bool>& marks) {
    platform::ChartList list = h.list();
    for (bool mark : marks) {
        const int row = list.append(QStringLiteral("S"));
        list.setChecked(row, mark);
    }
}

QList<bool> marks(Harness& h) {
    QList<bool> all;
    platform::ChartList list = h.list();
    for (int i = 1; i <= list.count(); ++i) all.append(list.checked(i));
    return all;
}

}  // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void commandsWithoutThePathBoxReportEachUseByNameAndLineAndGoOn();
    void checkCommandsReadTheRowCountOnceAndReportARowGoneByName();
    void browseAsksWithTitleAndExcelFilterAndPutsTheChoiceInTheBox();
    void cancelledBrowseKeepsTheBox();
    void failedDialogStillEndsWithoutTouchingTheBox();
    void findEmptiesTheListAndStopsSilentlyOnBlankBox_data();
    void findEmptiesTheListAndStopsSilentlyOnBlankBox();
    void findWithNoMatchingFileStopsSilently();
    void findTestsTheUntrimmedTextAsPatternAndHandsItToDiscovery();
    void findTwiceListsEachChartOnce();
    void findWhileBusyAddsAfterTheRowsThere();
    void loadSampleFillsTheBoxFromTheProgramFolderAndLeavesTheList();
    void clearFileEmptiesTheBoxAndKeepsRowsAndMarks();
    void checkAllAndUncheckAllSetEveryMark();
    void checkCommandsOnEmptyListDoNothing();
};

void CommandsTest::commandsWithoutThePathBoxReportEachUseByNameAndLineAndGoOn() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    FormWithoutPathBox form;
    charts::ChartCommands commands(form, h.dialogs, h.files, h.runner);
    // The lines reported, each by the procedure named and for the missing box; -1 for a report
    // that is not.
    auto linesOf = [](const QList<chartstest::Report>& reports, const char* procedure) {
        QList<int> lines;
        for (const auto& report : reports) {
            const bool ours = report.location == locationOf(procedure) &&
                              report.description == QStringLiteral("Object variable not set");
            lines.append(ours ? report.line : -1);
        }
        return lines;
    };

    h.dialogs.openAnswers.push_back(QStringLiteral("/data/chosen.xlsx"));
    commands.PushButton1_Click();
    QCOMPARE(linesOf(reportsOf(h), "PushButton1_Click"), QList<int>({110}));

    // Find empties the list first, then every use of the box fails on its own line: the blank
    // test, the file test and the hand-over; no spreadsheet application is started.
    platform::ChartList list(form.ListView1());
    list.append(QStringLiteral("S"));
    commands.PushButton4_Click();
    QCOMPARE(linesOf(reportsOf(h), "PushButton4_Click"), QList<int>({102, 104, 106}));
    QCOMPARE(list.count(), 0);
    QCOMPARE(excel.created(), 0);

    commands.PushButton5_Click();
    QCOMPARE(linesOf(reportsOf(h), "PushButton5_Click"), QList<int>({100}));
    commands.PushButton6_Click();
    QCOMPARE(linesOf(reportsOf(h), "PushButton6_Click"), QList<int>({100}));
    QCOMPARE(h.boxTitles(), QStringList(6, QStringLiteral("Application Error")));
}

void CommandsTest::checkCommandsReadTheRowCountOnceAndReportARowGoneByName() {
    for (const bool checkAll : {true, false}) {
        Harness h;
        charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
        addRows(h, {!checkAll, !checkAll, !checkAll});
        // The first mark set removes the last row: the loop still counts three rows.
        QTreeWidget* tree = h.form.ListView1();
        bool removed = false;
        QObject::connect(tree, &QTreeWidget::itemChanged, tree, [&] {
            if (removed) return;
            removed = true;
            delete tree->takeTopLevelItem(tree->topLevelItemCount() - 1);
        });
        if (checkAll) commands.PushButton9_Click();
        else commands.PushButton7_Click();

        QCOMPARE(marks(h), QList<bool>({checkAll, checkAll}));
        QCOMPARE(h.reportedLines(), QList<int>({102}));
        QCOMPARE(h.reports.first().location,
                 locationOf(checkAll ? "PushButton9_Click" : "PushButton7_Click"));
    }
}

void CommandsTest::browseAsksWithTitleAndExcelFilterAndPutsTheChoiceInTheBox() {
    Harness h;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    h.form.Text1()->setText(QStringLiteral("/old/book.xlsx"));
    h.dialogs.openAnswers.push_back(QStringLiteral("/data/chosen book.xlsm"));
    commands.PushButton1_Click();

    QCOMPARE(h.dialogs.calls.size(), 1);
    const auto& call = h.dialogs.calls.first();
    QCOMPARE(call.kind, testsupport::FakeDialogs::Kind::OpenFile);
    QCOMPARE(call.title, QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
    QCOMPARE(call.filter, QStringLiteral("Excel Files (*.xl*)|*.xl*|"));
    QCOMPARE(call.fileName, QString());
    QCOMPARE(h.form.Text1()->text(), QStringLiteral("/data/chosen book.xlsm"));
    QVERIFY(h.reports.isEmpty());
}

void CommandsTest::cancelledBrowseKeepsTheBox() {
    Harness h;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    h.form.Text1()->setText(QStringLiteral("/old/book.xlsx"));
    commands.PushButton1_Click();  // no answer scripted: the user cancels
    QCOMPARE(h.form.Text1()->text(), QStringLiteral("/old/book.xlsx"));
    QVERIFY(h.reports.isEmpty());
    QVERIFY(h.dialogs.messageBoxes().isEmpty());
}

void CommandsTest::failedDialogStillEndsWithoutTouchingTheBox() {
    Harness h;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    h.form.Text1()->setText(QStringLiteral("/old/book.xlsx"));
    h.dialogs.onShow = [](const testsupport::FakeDialogs::Call& call) {
        if (call.kind == testsupport::FakeDialogs::Kind::OpenFile) {
            throw platform::Failure(QStringLiteral("dialog refused"));
        }
    };
    commands.PushButton1_Click();
    QCOMPARE(h.reportedLines(), QList<int>({106}));
    QCOMPARE(h.reports.first().location, locationOf("PushButton1_Click"));
    // The file name stayed "", so line 108's test ends the command.
    QCOMPARE(h.form.Text1()->text(), QStringLiteral("/old/book.xlsx"));
}

void CommandsTest::findEmptiesTheListAndStopsSilentlyOnBlankBox_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks") << QStringLiteral("    ");
}

void CommandsTest::findEmptiesTheListAndStopsSilentlyOnBlankBox() {
    QFETCH(QString, box);
    Harness h;
    ScopedFakeSpreadsheet excel;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    addRows(h, {true, false});
    h.form.Text1()->setText(box);
    commands.PushButton4_Click();
    QCOMPARE(h.list().count(), 0);
    QCOMPARE(excel.created(), 0);
    QVERIFY(h.dialogs.calls.isEmpty());
}

void CommandsTest::findWithNoMatchingFileStopsSilently() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    h.files.addFolder(QStringLiteral("/data/folder.xlsx"));
    addRows(h, {true});
    for (const QString& path : {QStringLiteral("/data/missing.xlsx"),
                                QStringLiteral("/data/folder.xlsx")}) {
        h.form.Text1()->setText(path);
        commands.PushButton4_Click();
        QCOMPARE(h.list().count(), 0);
    }
    QCOMPARE(excel.created(), 0);
    QVERIFY(h.dialogs.calls.isEmpty());
}

void CommandsTest::findTestsTheUntrimmedTextAsPatternAndHandsItToDiscovery() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    // A pattern that matches a file: discovery gets the text exactly as typed, wildcard and all.
    h.files.addFile(QStringLiteral("/data/book1.xlsx"));
    const QString typed = QStringLiteral("/data/book?.xlsx");
    excel.workbooks.insert(typed, {FakeSheet{QStringLiteral("S"), {QStringLiteral("c")}}});
    h.form.Text1()->setText(typed);
    commands.PushButton4_Click();
    QCOMPARE(excel.openedPaths, QStringList({typed}));
    QCOMPARE(h.rows(), QStringList({QStringLiteral("S|c|1|1")}));

    // Blanks around the name are part of the pattern: "/data/book1.xlsx " names no file.
    h.form.Text1()->setText(QStringLiteral("/data/book1.xlsx "));
    commands.PushButton4_Click();
    QCOMPARE(excel.created(), 1);
    QCOMPARE(h.list().count(), 0);
}

void CommandsTest::findTwiceListsEachChartOnce() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    const QString book = QStringLiteral("/data/book.xlsx");
    h.files.addFile(book);
    excel.workbooks.insert(
        book, {FakeSheet{QStringLiteral("S"), {QStringLiteral("a"), QStringLiteral("b")}}});
    h.form.Text1()->setText(book);
    commands.PushButton4_Click();
    h.list().setChecked(1, false);
    commands.PushButton4_Click();
    QCOMPARE(h.rows(), QStringList({QStringLiteral("S|a|1|1"), QStringLiteral("S|b|2|1")}));
    QCOMPARE(excel.created(), 2);
}

void CommandsTest::findWhileBusyAddsAfterTheRowsThere() {
    Harness h;
    ScopedFakeSpreadsheet excel;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    const QString book = QStringLiteral("/data/book.xlsx");
    h.files.addFile(book);
    excel.workbooks.insert(book, {FakeSheet{QStringLiteral("T"), {QStringLiteral("t")}}});
    addRows(h, {false});
    h.form.setMousePointer(platform::pointer::kHourglass);
    h.form.Text1()->setText(book);
    commands.PushButton4_Click();
    QCOMPARE(h.rows(), QStringList({QStringLiteral("S|||0"), QStringLiteral("T|t|1|1")}));
    QCOMPARE(h.form.MousePointer(), platform::pointer::kDefault);
}

void CommandsTest::loadSampleFillsTheBoxFromTheProgramFolderAndLeavesTheList() {
    Harness h;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    h.files.setProgramFolder(QStringLiteral("/opt/my programs/quillmere"));
    addRows(h, {false, true});
    commands.PushButton5_Click();
    QCOMPARE(h.form.Text1()->text(),
             QStringLiteral("/opt/my programs/quillmere/Samples/sample1.xls"));
    QCOMPARE(marks(h), QList<bool>({false, true}));
    QVERIFY(h.dialogs.calls.isEmpty());
}

void CommandsTest::clearFileEmptiesTheBoxAndKeepsRowsAndMarks() {
    Harness h;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    h.form.Text1()->setText(QStringLiteral("/data/book.xlsx"));
    addRows(h, {true, false, true});
    commands.PushButton6_Click();
    QCOMPARE(h.form.Text1()->text(), QString());
    QCOMPARE(marks(h), QList<bool>({true, false, true}));
}

void CommandsTest::checkAllAndUncheckAllSetEveryMark() {
    Harness h;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    addRows(h, {true, false, true, false});
    commands.PushButton9_Click();
    QCOMPARE(marks(h), QList<bool>({true, true, true, true}));
    commands.PushButton9_Click();
    QCOMPARE(marks(h), QList<bool>({true, true, true, true}));
    commands.PushButton7_Click();
    QCOMPARE(marks(h), QList<bool>({false, false, false, false}));
    QVERIFY(h.reports.isEmpty());
}

void CommandsTest::checkCommandsOnEmptyListDoNothing() {
    Harness h;
    charts::ChartCommands commands(h.form, h.dialogs, h.files, h.runner);
    commands.PushButton9_Click();
    commands.PushButton7_Click();
    QCOMPARE(h.list().count(), 0);
    QVERIFY(h.reports.isEmpty());
}

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
