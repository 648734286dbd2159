#pragma once

#include "office/PowerPoint.h"

#include <memory>

namespace platform {
class Dialogs;
}

namespace servers {

// The built-in presentation application that stands in for PowerPoint behind
// office::PptApplication.
//
// One instance per process, as PowerPoint is single-instance: creating "PowerPoint.Application"
// while it runs returns the running one. It runs (and is published in the table of running
// servers) from its creation until the user has closed the last of its presentation windows,
// or, when it never opened a window, until the last holder releases it.
//
// Ownership: the application owns its open presentations; each presentation window holds the
// application, so that it stays alive while any window is open even after its creator let go.
// Windows are top-level and belong to no other window: they stay open when Quillmere's main
// window closes. Every dialog they show goes through the given Dialogs, which must outlive the
// application.
//
// Errors: refused calls throw office::AutomationError whose description names the member and
// what was wrong ("Slides.Add: index 7 is out of bounds (1 to 4)").
void registerPresentationServer(platform::Dialogs& dialogs);

// The running application, or a new one (what the registered factory does).
std::shared_ptr<office::PptApplication> presentationApplication(platform::Dialogs& dialogs);

}  // namespace servers
