#pragma once

#include <QString>

namespace platform {
class Dialogs;
}

namespace office {

// The running-instance tests and the "may be open" prompts that the copy run asks before it
// starts anything (modules Excel1 and Powerpoint1 of the design, kept together here because
// the two sides are twins).
//
// A running test looks in the server registry's table of running objects, reads the object's
// name and compares it case-sensitively with the application's own name. It only holds the
// object for the comparison: nothing is changed, nothing is quit. Any failure (above all: no
// instance runs) answers false.
//
// A prompt shows its Yes/No question (no icon, the application title) only when the test
// answers true, and returns true when the caller must stop: the instance runs and the user
// did not answer Yes. The prompts have no trap: a failure of the box passes to the caller.

bool IsExcelRunning();
bool IsPowerPointRunning();

// The question texts: first line, a bare CR, second line, CR LF CR LF, the question.
QString openExcelWarning();
QString openPowerPointWarning();

bool StopForOpenExcel(platform::Dialogs& dialogs);
bool StopForOpenPowerPoint(platform::Dialogs& dialogs);

}  // namespace office
