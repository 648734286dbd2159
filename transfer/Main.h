#pragma once

#include <QString>

namespace platform {
class Clock;
class Events;
class Files;
}  // namespace platform

// Module Main: the paced delay and the path helpers shared by start-up and the copy run.
// None of them traps failures; none holds state between calls.

// Waits `seconds` by the time-of-day clock, servicing the message loop throughout so that
// the window stays live (any handler may run during the wait). A wait that spans midnight
// still lasts the given time. 0 or less returns at once without servicing anything. The wait
// also ends at once when the main window has been closed.
void WaitSeconds(float seconds, platform::Clock& clock, platform::Events& events);
void WaitSeconds(float seconds);  // on the system clock and message loop

// True when the file system can report path's last-modified time (a present file, or a
// folder); false for an empty path, a missing file or a bad name. Never throws.
bool FileExists(const QString& path, platform::Files& files);
bool FileExists(const QString& path);  // on the real file system

// The text after the last backslash of path; path whole when it holds none, "" when it ends
// with one. Only the backslash separates: a forward slash is an ordinary character.
QString FileNameOfPath(const QString& path);
