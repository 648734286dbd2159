#pragma once

#include "platform/Services.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

namespace testsupport {

// A clock the test sets and moves. Each reading may also move it on by a fixed step, so that
// a loop that reads the clock makes progress without any event. Readings wrap at midnight
// (86400 seconds) as the time of day does.
class FakeClock : public platform::Clock {
public:
    explicit FakeClock(double start = 0.0) : m_now(start) {}

    float secondsSinceMidnight() override;

    void set(double seconds) { m_now = wrap(seconds); }
    void advance(double seconds) {
        m_now = wrap(m_now + seconds);
        m_elapsed += seconds;
    }
    double now() const { return m_now; }
    // Added to the time after every reading; 0 (the default) leaves the clock still.
    void setStepPerReading(double seconds) { m_step = seconds; }
    int readings() const { return m_readings; }
    // Seconds the clock has moved in all since construction, across midnight.
    double elapsed() const { return m_elapsed; }

private:
    static double wrap(double seconds);

    double m_now;
    double m_step = 0.0;
    double m_elapsed = 0.0;
    int m_readings = 0;
};

// A message loop that records how often it was serviced. A wait for events moves the linked
// clock on by the time waited (the time the real loop would have blocked), and every service
// runs the test's hook, which stands in for an event arriving (a click during a wait).
class FakeEvents : public platform::Events {
public:
    explicit FakeEvents(FakeClock* clock = nullptr) : m_clock(clock) {}

    void processEvents() override;
    void waitForEvents(int maxMilliseconds) override;

    // Services of either kind, in all.
    int services() const { return m_processCalls + m_waitCalls; }
    int processCalls() const { return m_processCalls; }
    int waitCalls() const { return m_waitCalls; }
    // The longest time a single wait was allowed to block.
    int longestWait() const { return m_longestWait; }

    std::function<void()> onService;

private:
    FakeClock* m_clock;
    int m_processCalls = 0;
    int m_waitCalls = 0;
    int m_longestWait = 0;
};

// A file system made of the paths the test adds. Paths are matched exactly, as given;
// countMatchingFiles matches '*' and '?' in the pattern's last component against the plain
// files of the folder the pattern names, skipping hidden names and folders.
class FakeFiles : public platform::Files {
public:
    bool lastModified(const QString& path, QDateTime* when) override;
    int countMatchingFiles(const QString& pattern) override;
    QString programFolder() override { return m_programFolder; }

    void addFile(const QString& path,
                 const QDateTime& modified = QDateTime(QDate(2021, 8, 31), QTime(12, 0)));
    // A folder answers the date query (as the real file system does) but is no plain file.
    void addFolder(const QString& path);
    void remove(const QString& path) { m_entries.remove(path); }
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }

    // Every path lastModified was asked about, in order.
    QStringList queried;

private:
    struct Entry {
        QDateTime modified;
        bool folder = false;
    };
    QHash<QString, Entry> m_entries;
    QString m_programFolder = QStringLiteral("/opt/quillmere");
};

}  // namespace testsupport
