#pragma once

namespace platform {

// Whether the main window has been closed. Closing it ends the program's own work at once: a
// handler suspended in a wait (WaitSeconds) returns from the wait, and the step runner of the
// main window's handlers runs no further step. The process itself lives on while presentation
// windows are open; they belong to the presentation application and close on their own.
//
// Process-wide and set once; only tests clear it again.
bool mainWindowClosed();
void markMainWindowClosed();
void resetMainWindowClosedForTests();

}  // namespace platform
