#pragma once

#include <functional>

namespace platform {

// Runs work on a thread of its own while the calling thread, the application's, goes on
// handling events, and returns once work has finished; whatever work throws is thrown here.
// A long step of a handler (copying a big chart, pasting it, saving) thus takes as long as it
// did, in the same place among the handler's steps, while every window keeps answering: the
// handler is suspended in an event loop as it is in a wait.
//
// work must touch no widget and nothing that the events handled meanwhile may change; it
// works on values the caller hands it (copies, or objects no one else reaches while it runs).
// Off the application's thread, or with no application, work simply runs here.
void runWhileServicingEvents(const std::function<void()>& work);

}  // namespace platform
