#pragma once

#include <QDateTime>
#include <QString>

namespace platform {

// Time of day as the delay loop reads it: seconds since local midnight, single precision.
class Clock {
public:
    virtual ~Clock() = default;
    virtual float secondsSinceMidnight() = 0;
};

// The message loop, as handlers that yield to it see it.
class Events {
public:
    virtual ~Events() = default;
    // Processes every pending event once and returns.
    virtual void processEvents() = 0;
    // Processes events, blocking until at least one arrives or maxMilliseconds have passed;
    // lets a wait stay responsive without burning a processor.
    virtual void waitForEvents(int maxMilliseconds) = 0;
};

// The file-system queries the program makes.
class Files {
public:
    virtual ~Files() = default;
    // The last-modified time of path; false when it cannot be read (no such file, bad name).
    virtual bool lastModified(const QString& path, QDateTime* when) = 0;
    // How many plain, non-hidden files match pattern, whose last component may hold * and ?.
    virtual int countMatchingFiles(const QString& pattern) = 0;
    // The folder that holds the program's executable, without a trailing separator.
    virtual QString programFolder() = 0;
    // The path of a file the program looks for beside its executable; name begins with "/".
    // An installed program keeps these files in its data folder instead, which is looked in
    // only when the file is not beside the executable. Where it is in neither, the path beside
    // the executable, so that the file counts as missing as before.
    virtual QString programFile(const QString& name) { return programFolder() + name; }
};

// The real, Qt-backed services, one instance each for the whole program.
Clock& systemClock();
Events& systemEvents();
Files& systemFiles();

}  // namespace platform
