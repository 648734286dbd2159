#include "Main.h"

#include "platform/Services.h"
#include "platform/Shutdown.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace {
constexpr float kSecondsPerDay = 86400.0f;
// No single block in the event loop lasts longer than this, so a clock set back or forward
// while waiting is noticed soon.
constexpr int kLongestBlockMilliseconds = 250;
}  // namespace

void WaitSeconds(float seconds, platform::Clock& clock, platform::Events& events) {
    const float start = clock.secondsSinceMidnight();
    for (;;) {
        if (platform::mainWindowClosed()) return;
        // Each test reads the clock afresh, as the delay's rules are written.
        const float t1 = clock.secondsSinceMidnight();
        const float t2 = clock.secondsSinceMidnight();
        const float t3 = clock.secondsSinceMidnight();
        const bool beforeEnd = t1 - start < seconds;
        const bool pastMidnightAndDone = t2 < start && t3 >= seconds - (kSecondsPerDay - start);
        if (!(beforeEnd && !pastMidnightAndDone)) return;

        // Rather than spin, block in the event loop until the next event arrives or the wait
        // is due to end, whichever comes first.
        const float elapsed = t3 >= start ? t3 - start : t3 + (kSecondsPerDay - start);
        const float remaining = seconds - elapsed;
        const int block = std::clamp(static_cast<int>(std::ceil(remaining * 1000.0f)), 1,
                                     kLongestBlockMilliseconds);
        events.waitForEvents(block);
    }
}

void WaitSeconds(float seconds) {
    WaitSeconds(seconds, platform::systemClock(), platform::systemEvents());
}

bool FileExists(const QString& path, platform::Files& files) {
    // Any failure of the query means "no such file"; nothing reaches the caller.
    try {
        QDateTime modified;
        return files.lastModified(path, &modified);
    } catch (...) {
        return false;
    }
}

bool FileExists(const QString& path) { return FileExists(path, platform::systemFiles()); }

QString FileNameOfPath(const QString& path) {
    const qsizetype last = path.lastIndexOf(QLatin1Char('\\'));
    return last < 0 ? path : path.mid(last + 1);
}
