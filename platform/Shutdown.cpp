#include "Shutdown.h"

namespace platform {

namespace {
bool& closedFlag() {
    static bool closed = false;
    return closed;
}
}  // namespace

bool mainWindowClosed() { return closedFlag(); }

void markMainWindowClosed() { closedFlag() = true; }

void resetMainWindowClosedForTests() { closedFlag() = false; }

}  // namespace platform
