#pragma once

#include <QString>
#include <functional>
#include <stdexcept>
#include <vector>

namespace platform {

// A trapped procedure is its table of numbered steps. Each step has the line number that an
// error report cites, an action, and where the procedure continues when the action fails.
//
// An action returns where to go next: kNext (the following entry of the table), kEnd (the
// procedure returns), or the line number of another step (the first entry carrying that
// number). Several entries may share a line number, as several statements on one source line
// do. Loops are written as a head step and an advance step whose captured counter lives
// outside the table; a failing head usually continues into the body, a failing advance after
// the loop.
//
// onFailure is where the procedure continues once a failure of the action has been reported:
// kNext by default, or a line number (a failing test continues into the block it guards).
inline constexpr int kNext = -1;
inline constexpr int kEnd = -2;

struct Step {
    int line = 0;
    std::function<int()> action;
    int onFailure = kNext;
};

struct Procedure {
    QString location;  // "in Ostrivane2021/08/31.Form1.PushButton4_Click ", trailing blank kept
    std::vector<Step> steps;
};

// Shows one failure: the procedure's location string, the failing step's line, the failure's
// description. Blocks until the user has dismissed the report.
using ErrorReporter =
    std::function<void(const QString& location, int line, const QString& description)>;

// Runs procedures step by step. A step that throws (platform::Failure or any std::exception)
// is reported through the reporter and the procedure resumes at the step's onFailure target;
// nothing is retried and the procedure is never abandoned because of a failure.
//
// `stopped`, when given, is asked before every step: once it answers true (the main window
// was closed while a handler was suspended in a wait) no further step runs and run() returns.
//
// A jump to a line number that the table does not hold is a fault in the table, not in the
// user's input: run() then throws StepTableError.
class StepTableError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

class StepRunner {
public:
    explicit StepRunner(ErrorReporter report, std::function<bool()> stopped = {});

    void run(const Procedure& procedure) const;

private:
    ErrorReporter m_report;
    std::function<bool()> m_stopped;
};

}  // namespace platform
