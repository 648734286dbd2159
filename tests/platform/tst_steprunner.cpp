// The uniform error trap: the report's exact text and the runner's resume rules.

#include "platform/ErrorReport.h"
#include "platform/Failure.h"
#include "platform/StepRunner.h"
#include "tests/support/FakeDialogs.h"

#include <QTest>

using platform::kEnd;
using platform::kNext;
using platform::Procedure;
using platform::Step;
using platform::StepRunner;

namespace {

const QString kLocation = QStringLiteral("in Ostrivane2021/08/31.Form1.PushButton1_Click ");

struct Report {
    QString location;
    int line;
    QString description;
};

Step ok(int line, QStringList* trace, int next = kNext) {
    return {line, [=] {
                trace->append(QString::number(line));
                return next;
            }};
}

Step failing(int line, QStringList* trace, int onFailure = kNext) {
    return {line,
            [=]() -> int {
                trace->append(QString::number(line));
                throw platform::Failure(QStringLiteral("fault %1").arg(line));
            },
            onFailure};
}

}  // namespace

class StepRunnerTest : public QObject {
    Q_OBJECT

    QList<Report> reports;
    StepRunner runner{[this](const QString& location, int line, const QString& description) {
        reports.append({location, line, description});
    }};

private slots:
    void init() { reports.clear(); }

    void reportTextIsExactByteForByte() {
        const QString text =
            platform::applicationErrorText(kLocation, 106, QStringLiteral("File not found"));
        QCOMPARE(text.toUtf8(),
                 QByteArray("File not found\r\nin Ostrivane2021/08/31.Form1.PushButton1_Click at "
                            "line 106\r\rPlease email screenshot of this message to ")
                     + platform::kSupportAddress);
    }

    void reportWithEmptyDescriptionStartsWithTheLineBreak() {
        const QString text = platform::applicationErrorText(kLocation, 100, QString());
        QVERIFY(text.startsWith(QStringLiteral("\r\nin Ostrivane2021")));
        QVERIFY(text.contains(QStringLiteral("PushButton1_Click at line 100\r\rPlease")));
    }

    void reportBoxHasItsTitleAndStyle() {
        testsupport::FakeDialogs dialogs;
        platform::ReportApplicationError(dialogs, kLocation, 108, QStringLiteral("Overflow"));
        QCOMPARE(dialogs.calls.size(), 1);
        QCOMPARE(dialogs.calls[0].title, QStringLiteral("Application Error"));
        QCOMPARE(dialogs.calls[0].style, 48);
        QCOMPARE(dialogs.calls[0].text,
                 platform::applicationErrorText(kLocation, 108, QStringLiteral("Overflow")));
        QVERIFY(QString::fromLatin1(platform::kSupportAddress).endsWith(QStringLiteral(".example")));
    }

    void failedStepIsSkippedAndTheNextRuns() {
        QStringList trace;
        runner.run({kLocation, {ok(100, &trace), failing(102, &trace), ok(104, &trace)}});
        QCOMPARE(trace, QStringList({"100", "102", "104"}));
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports[0].line, 102);
        QCOMPARE(reports[0].location, kLocation);
        QCOMPARE(reports[0].description, QStringLiteral("fault 102"));
    }

    void failingTestRunsTheStepItGuards() {
        // 108 tests and would skip 110 on success; failing, it continues into 110.
        QStringList trace;
        runner.run({kLocation,
                    {ok(106, &trace), failing(108, &trace, 110), ok(110, &trace), ok(112, &trace)}});
        QCOMPARE(trace, QStringList({"106", "108", "110", "112"}));
        QCOMPARE(reports.size(), 1);
    }

    void jumpsGoToTheFirstStepOfTheLineAndEndEnds() {
        QStringList trace;
        runner.run({kLocation,
                    {ok(100, &trace, 106), ok(102, &trace), ok(106, &trace), ok(106, &trace, kEnd),
                     ok(108, &trace)}});
        QCOMPARE(trace, QStringList({"100", "106", "106"}));
        QVERIFY(reports.isEmpty());
    }

    void failureInALoopBodyShowsOneReportPerPass() {
        QStringList trace;
        int row = 0;
        const int rows = 3;
        Procedure loop{kLocation,
                       {{100,
                         [&] {
                             row = 1;
                             return row <= rows ? kNext : kEnd;
                         }},
                        failing(102, &trace),
                        {104, [&] {
                             ++row;
                             return row <= rows ? 102 : kNext;
                         }}}};
        runner.run(loop);
        QCOMPARE(trace, QStringList({"102", "102", "102"}));
        QCOMPARE(reports.size(), 3);
        for (const Report& report : reports) QCOMPARE(report.line, 102);
    }

    void failureInsideAnUntrappedCalleeIsReportedAtTheCallersLine() {
        QStringList trace;
        auto callee = [&] {
            trace.append(QStringLiteral("callee start"));
            throw std::runtime_error("Subscript out of range");
            trace.append(QStringLiteral("callee end"));
        };
        runner.run({kLocation, {{106, [&] {
                                     callee();
                                     trace.append(QStringLiteral("after call"));
                                     return kNext;
                                 }},
                                ok(108, &trace)}});
        QCOMPARE(trace, QStringList({"callee start", "108"}));
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports[0].line, 106);
        QCOMPARE(reports[0].description, QStringLiteral("Subscript out of range"));
    }

    void stopTestEndsTheProcedureBeforeTheNextStep() {
        bool stopped = false;
        QStringList trace;
        StepRunner stoppable([](const QString&, int, const QString&) {}, [&] { return stopped; });
        stoppable.run({kLocation, {{100, [&] {
                                        trace.append("100");
                                        stopped = true;  // the window closed during this step
                                        return kNext;
                                    }},
                                   ok(102, &trace)}});
        QCOMPARE(trace, QStringList({"100"}));
    }

    void jumpToAMissingLineIsATableFault() {
        QStringList trace;
        QVERIFY_THROWS_EXCEPTION(platform::StepTableError,
                                 runner.run({kLocation, {ok(100, &trace, 999)}}));
    }
};

QTEST_GUILESS_MAIN(StepRunnerTest)
#include "tst_steprunner.moc"
