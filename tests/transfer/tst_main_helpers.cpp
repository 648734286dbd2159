// Module Main's helpers: the paced delay on a scripted clock and message loop, the file test
// on fake and real file systems, and the last component of a backslash path.

#include "platform/Services.h"
#include "platform/Shutdown.h"
#include "tests/support/FakeServices.h"
#include "transfer/Main.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using testsupport::FakeClock;
using testsupport::FakeEvents;
using testsupport::FakeFiles;

class MainHelpersTest : public QObject {
    Q_OBJECT

private slots:
    void init() { platform::resetMainWindowClosedForTests(); }
    void cleanup() { platform::resetMainWindowClosedForTests(); }

    void waitLastsTheGivenSecondsByTheClock() {
        FakeClock clock(36000.0);
        FakeEvents events(&clock);
        WaitSeconds(2, clock, events);
        QVERIFY(clock.elapsed() >= 2.0);
        QVERIFY(clock.elapsed() < 2.05);
        QVERIFY(events.services() > 0);
    }

    void waitAcrossMidnightEndsAfterTheFullDelay() {
        // Ten seconds started four seconds before midnight end about six seconds after it.
        FakeClock clock(86400.0 - 4.0);
        FakeEvents events(&clock);
        WaitSeconds(10, clock, events);
        QVERIFY2(clock.now() >= 6.0 && clock.now() < 6.1, qPrintable(QString::number(clock.now())));
        QVERIFY(clock.elapsed() >= 10.0 && clock.elapsed() < 10.1);
    }

    void waitOfZeroOrLessServicesNoEvents_data() {
        QTest::addColumn<float>("seconds");
        QTest::newRow("zero") << 0.0f;
        QTest::newRow("negative") << -5.0f;
    }
    void waitOfZeroOrLessServicesNoEvents() {
        QFETCH(float, seconds);
        FakeClock clock(1000.0);
        FakeEvents events(&clock);
        WaitSeconds(seconds, clock, events);
        QCOMPARE(events.services(), 0);
        QCOMPARE(clock.now(), 1000.0);
    }

    void waitRunsEventsThatArriveDuringIt() {
        // A click during the wait runs its handler before the wait ends.
        FakeClock clock(500.0);
        FakeEvents events(&clock);
        double clickedAt = -1;
        events.onService = [&] {
            if (clickedAt < 0 && clock.now() >= 501.0) clickedAt = clock.now();
        };
        WaitSeconds(3, clock, events);
        QVERIFY(clickedAt >= 501.0 && clickedAt < 503.0);
        QVERIFY(clock.now() >= 503.0);
    }

    void waitOnAClockThatMovesOnItsOwnNeedsNoEvents() {
        // The delay is measured on the clock alone; it ends even when no wait blocks.
        FakeClock clock(100.0);
        clock.setStepPerReading(0.01);
        FakeEvents events;  // not linked: waiting moves nothing
        WaitSeconds(1, clock, events);
        QVERIFY(clock.elapsed() >= 1.0);
    }

    void waitEndsAtOnceWhenTheMainWindowIsClosed() {
        FakeClock clock(100.0);
        FakeEvents events(&clock);
        events.onService = [&] {
            if (clock.now() >= 101.0) platform::markMainWindowClosed();
        };
        WaitSeconds(30, clock, events);
        QVERIFY(clock.now() < 102.0);
    }

    void waitNeverBlocksPastItsEnd() {
        FakeClock clock(100.0);
        FakeEvents events(&clock);
        WaitSeconds(0.1f, clock, events);
        QVERIFY(events.longestWait() <= 100);
        QVERIFY(clock.elapsed() < 0.11);
    }

    void waitOnTheSystemClockLastsAboutTheDelay() {
        QElapsedTimer timer;
        timer.start();
        WaitSeconds(0.3f);
        QVERIFY(timer.elapsed() >= 290);
    }

    void fileExistsFollowsTheDateQuery() {
        FakeFiles files;
        files.addFile(QStringLiteral("/data/book.xlsx"));
        files.addFolder(QStringLiteral("/data"));
        QVERIFY(FileExists(QStringLiteral("/data/book.xlsx"), files));
        QVERIFY(FileExists(QStringLiteral("/data"), files));
        QVERIFY(!FileExists(QStringLiteral("/data/other.xlsx"), files));
        QVERIFY(!FileExists(QString(), files));
    }

    void fileExistsSwallowsAFailingQuery() {
        class ThrowingFiles : public FakeFiles {
        public:
            bool lastModified(const QString&, QDateTime*) override {
                throw std::runtime_error("Bad file name or number");
            }
        } files;
        QVERIFY(!FileExists(QStringLiteral("/x"), files));
    }

    void fileExistsOnTheRealFileSystem() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString present = dir.filePath(QStringLiteral("book.xlsx"));
        QFile file(present);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        QVERIFY(FileExists(present));
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(dir.filePath(QStringLiteral("missing/book.xlsx"))));
        QVERIFY(!FileExists(dir.filePath(QStringLiteral("gone.xlsx"))));
    }

    void fileNameOfPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("full path") << QStringLiteral("C:\\Data\\book.xls") << QStringLiteral("book.xls");
        QTest::newRow("bare name") << QStringLiteral("book.xls") << QStringLiteral("book.xls");
        QTest::newRow("trailing backslash") << QStringLiteral("C:\\Data\\") << QString();
        QTest::newRow("forward slashes") << QStringLiteral("C:/Data/book.xls")
                                         << QStringLiteral("C:/Data/book.xls");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("blanks kept") << QStringLiteral("\\My Files\\a b.xls")
                                     << QStringLiteral("a b.xls");
    }
    void fileNameOfPath() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(FileNameOfPath(path), name);
    }
};

QTEST_GUILESS_MAIN(MainHelpersTest)
#include "tst_main_helpers.moc"
