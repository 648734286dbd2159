// The target choice: the option clicks store both options, the browse button fills Text2,
// and the presentation filter matches presentations as the Windows dialog does.

#include "tests/support/TestForm.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/TestSettings.h"

#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/Settings.h"
#include "transfer/TargetChoice.h"

#include <QComboBox>
#include <QFileDialog>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct Report {
    QString location;
    int line;
    QString description;
};

// A dialogs fake whose Open dialog fails, as a refused platform call would.
class BrokenOpenDialogs : public testsupport::FakeDialogs {
public:
    QString openFileName(const QString& title, const QString& filter,
                         const QString& fileName) override {
        FakeDialogs::openFileName(title, filter, fileName);
        throw platform::Failure(QStringLiteral("Dialog could not be shown"));
    }
};

// The patterns that Qt takes from one filter entry: those in its last brackets.
QStringList qtPatterns(const QString& entry) {
    static const QRegularExpression lastGroup(QStringLiteral("\\(([^()]*)\\)$"));
    return lastGroup.match(entry).captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

bool matchesCaseSensitively(const QStringList& patterns, const QString& name) {
    for (const QString& pattern : patterns) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern));
        if (re.match(name).hasMatch()) return true;
    }
    return false;
}

}  // namespace

class TargetChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void init() { testsupport::useEmptyTestSettings(); }

    void eachOptionClickStoresBothOptions() {
        testsupport::TestForm form;
        form.Option2()->setChecked(true);
        transfer::Option2_Click(form);
        QCOMPARE(platform::ReadSetting(QStringLiteral("Option1")), QStringLiteral("False"));
        QCOMPARE(platform::ReadSetting(QStringLiteral("Option2")), QStringLiteral("True"));
        form.Option1()->setChecked(true);
        transfer::Option1_Click(form);
        QCOMPARE(platform::ReadSetting(QStringLiteral("Option1")), QStringLiteral("True"));
        QCOMPARE(platform::ReadSetting(QStringLiteral("Option2")), QStringLiteral("False"));
        // Whatever the click, the store mirrors both buttons, even with neither selected.
        form.Option1()->setAutoExclusive(false);
        form.Option1()->setChecked(false);
        transfer::Option2_Click(form);
        QCOMPARE(platform::ReadSetting(QStringLiteral("Option1")), QStringLiteral("False"));
        QCOMPARE(platform::ReadSetting(QStringLiteral("Option2")), QStringLiteral("False"));
    }

    void optionChoiceLeavesThePathAlone() {
        testsupport::TestForm form;
        form.Text2()->setText(QStringLiteral("/decks/a.pptx"));
        form.Option1()->setChecked(true);
        transfer::Option1_Click(form);
        QCOMPARE(form.Text2()->text(), QStringLiteral("/decks/a.pptx"));
    }

    void browseAsksWithItsTitleAndFilterFromAnEmptyName() {
        testsupport::TestForm form;
        testsupport::FakeDialogs dialogs;
        form.Text2()->setText(QStringLiteral("/old.pptx"));
        dialogs.openAnswers = {QStringLiteral("/decks/new deck.pptx")};
        QList<Report> reports;
        platform::StepRunner runner([&](const QString& l, int n, const QString& d) { reports << Report{l, n, d}; });
        transfer::PushButton3_Click(form, dialogs, runner);
        QCOMPARE(dialogs.calls.size(), 1);
        const auto& call = dialogs.calls.first();
        QCOMPARE(call.kind, testsupport::FakeDialogs::Kind::OpenFile);
        QCOMPARE(call.title, QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
        QCOMPARE(call.filter, QStringLiteral("PowerPoint Files (*.ppt)|*.ppt|"));
        QCOMPARE(call.fileName, QString());
        QCOMPARE(form.Text2()->text(), QStringLiteral("/decks/new deck.pptx"));
        QVERIFY(reports.isEmpty());
    }

    void cancelledBrowseLeavesThePathUnchanged() {
        testsupport::TestForm form;
        testsupport::FakeDialogs dialogs;
        form.Text2()->setText(QStringLiteral("/old.pptx"));
        platform::StepRunner runner([](const QString&, int, const QString&) { QFAIL("report"); });
        transfer::PushButton3_Click(form, dialogs, runner);
        QCOMPARE(form.Text2()->text(), QStringLiteral("/old.pptx"));
    }

    void failingDialogIsReportedAt106AndTheEmptyNameEndsTheHandler() {
        testsupport::TestForm form;
        BrokenOpenDialogs dialogs;
        form.Text2()->setText(QStringLiteral("/old.pptx"));
        QList<Report> reports;
        platform::StepRunner runner([&](const QString& l, int n, const QString& d) { reports << Report{l, n, d}; });
        transfer::PushButton3_Click(form, dialogs, runner);
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports.first().location, QStringLiteral("in Ostrivane2021/08/31.Form1.PushButton3_Click "));
        QCOMPARE(reports.first().line, 106);
        QCOMPARE(reports.first().description, QStringLiteral("Dialog could not be shown"));
        QCOMPARE(form.Text2()->text(), QStringLiteral("/old.pptx"));
    }

    void presentationFilterMatchesAsTheWindowsDialogDoes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shown");
        QTest::newRow("ppt") << "deck.ppt" << true;
        QTest::newRow("pptx") << "deck.pptx" << true;
        QTest::newRow("pptm") << "deck.pptm" << true;
        QTest::newRow("upper case") << "DECK.PPTX" << true;
        QTest::newRow("pot") << "deck.pot" << false;
        QTest::newRow("odp") << "deck.odp" << false;
        QTest::newRow("workbook") << "book.xlsx" << false;
        QTest::newRow("no extension") << "ppt" << false;
    }
    void presentationFilterMatchesAsTheWindowsDialogDoes() {
        QFETCH(QString, name);
        QFETCH(bool, shown);
        const QString filter =
            platform::qtDialogFilterFromPipeFilter(QString::fromLatin1(transfer::kPresentationFilter));
        QCOMPARE(matchesCaseSensitively(qtPatterns(filter), name), shown);
    }

    void filterShowsItsDescriptionAsThePipeFormGivesIt() {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilter(
            platform::qtDialogFilterFromPipeFilter(QString::fromLatin1(transfer::kPresentationFilter)));
        auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(combo);
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->itemText(0), QStringLiteral("PowerPoint Files (*.ppt)"));
        // The workbook filter keeps its own wildcard and its description too.
        dialog.setNameFilter(platform::qtDialogFilterFromPipeFilter(QStringLiteral("Excel Files (*.xl*)|*.xl*|")));
        QCOMPARE(combo->itemText(0), QStringLiteral("Excel Files (*.xl*)"));
        QVERIFY(matchesCaseSensitively(
            qtPatterns(platform::qtDialogFilterFromPipeFilter(QStringLiteral("Excel Files (*.xl*)|*.xl*|"))),
            QStringLiteral("BOOK.XLSX")));
    }
};

QTEST_MAIN(TargetChoiceTest)
#include "tst_targetchoice.moc"
