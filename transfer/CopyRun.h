#pragma once

#include "office/Excel.h"
#include "office/PowerPoint.h"
#include "platform/StepRunner.h"

#include <QString>
#include <functional>
#include <memory>

namespace platform {
class Dialogs;
class Events;
class FormControls;
}  // namespace platform

namespace transfer {

inline constexpr const char* kPushButton2Location =
    "in Ostrivane2021/08/31.Form1.PushButton2_Click ";

// What the copy run reaches outside the window: the dialogs for its notices and the two
// prompts, the message loop for its one pass per chart, and the path and delay helpers of
// module Main (handed in so that the window wires the real ones and tests may watch them).
struct CopyRunServices {
    platform::Dialogs* dialogs = nullptr;
    platform::Events* events = nullptr;
    std::function<bool(const QString&)> fileExists;
    std::function<QString(const QString&)> fileNameOfPath;
    std::function<void(int)> waitSeconds;
};

// The real ones: module Main's helpers on the system clock, message loop and file system.
CopyRunServices standardCopyRunServices(platform::Dialogs& dialogs);

// The copy run of "2. Start Copying" (PushButton2_Click): checks the inputs, asks about open
// instances, starts PowerPoint (shown) and a hidden Excel, opens the workbook named in Text1,
// opens or creates the target presentation, and for every checked row copies the chart area,
// adds a blank slide at the end, selects it, waits the delay read from Text3 and pastes.
//
// It is a trapped procedure: a table of numbered steps run by the window's step runner, which
// reports a failing step and resumes where the table says. The window owns the controls and
// the runner and lends them for this object's lifetime. The automation objects are held only
// by one run (Run) and released when it ends, on every path; PowerPoint and its presentation
// windows are never closed, Excel is quit at the end.
//
// The run yields to the message loop once per chart and during every wait. A second click in
// the meantime returns at once (CopyInProgress); when the main window is closed, the runner's
// stop test ends the run before its next step.
class CopyRun {
public:
    // The values one run holds; released when the run ends.
    struct Run {
        std::shared_ptr<office::PptApplication> powerPoint;
        std::shared_ptr<office::ExcelApplication> excel;
        std::shared_ptr<office::PptPresentation> target;
        QString sheetName;
        int row = 0;    // the loop's row position, 1-based
        int bound = 0;  // the row count converted to 16 bits when the loop starts
        bool slideAdded = false;  // this row's slide was added, so its paste has a place
    };

    CopyRun(platform::FormControls& form, CopyRunServices services,
            const platform::StepRunner& runner);

    void PushButton2_Click();

    bool CopyInProgress() const { return m_copyInProgress; }

    // The table of steps for one run, its values kept in `run`.
    platform::Procedure procedure(Run& run);

private:
    platform::FormControls& m_form;
    CopyRunServices m_services;
    const platform::StepRunner& m_runner;
    bool m_copyInProgress = false;
};

}  // namespace transfer
