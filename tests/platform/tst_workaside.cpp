// Work run aside: the application's thread goes on handling events while it runs, what it
// throws reaches the caller, and off the application's thread it runs in place.

#include "platform/WorkAside.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

class WorkAsideTest : public QObject {
    Q_OBJECT

private slots:
    void eventsAreHandledWhileTheWorkRunsAndItEndsBeforeTheCallReturns() {
        // A call queued before the work starts can only run if the application's thread handles
        // events while the work waits for it; the work gives up after a long while, so a fault
        // ends the test instead of hanging it.
        std::atomic<bool> handled{false};
        QMetaObject::invokeMethod(qApp, [&] { handled = true; }, Qt::QueuedConnection);
        bool sawIt = false;
        bool ranAside = false;
        const auto caller = std::this_thread::get_id();
        platform::runWhileServicingEvents([&] {
            ranAside = std::this_thread::get_id() != caller;
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!handled && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
            sawIt = handled;
        });
        QVERIFY(ranAside);
        QVERIFY(sawIt);
    }

    void whatTheWorkThrowsReachesTheCaller() {
        bool caught = false;
        try {
            platform::runWhileServicingEvents([] { throw std::runtime_error("part is missing"); });
        } catch (const std::runtime_error& e) {
            caught = QByteArray(e.what()) == "part is missing";
        }
        QVERIFY(caught);
        // And the next call runs normally.
        int value = 0;
        platform::runWhileServicingEvents([&] { value = 7; });
        QCOMPARE(value, 7);
    }

    void offTheApplicationsThreadTheWorkRunsInPlace() {
        bool inPlace = false;
        std::thread other([&] {
            const auto here = std::this_thread::get_id();
            platform::runWhileServicingEvents([&] { inPlace = std::this_thread::get_id() == here; });
        });
        other.join();
        QVERIFY(inPlace);
    }
};

QTEST_GUILESS_MAIN(WorkAsideTest)
#include "tst_workaside.moc"
