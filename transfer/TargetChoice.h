#pragma once

#include "platform/StepRunner.h"

#include <QString>

namespace platform {
class Dialogs;
class FormControls;
}  // namespace platform

namespace transfer {

// The target presentation choice of the "Copy Options" frame: the two option buttons, which
// store the choice, and the browse button for an existing presentation.
//
// The handlers only read and write the window's controls (lent by FormControls) and the
// settings store; they own nothing. The option handlers have no trap: a failure passes to the
// caller. The browse handler is a trapped procedure run by the window's step runner.

// The browse dialog's title and its filter, in the pipe form the dialogs take.
inline constexpr const char* kBrowseTitle = "Add File(s) - Hold Ctrl to select multiple files";
inline constexpr const char* kPresentationFilter = "PowerPoint Files (*.ppt)|*.ppt|";
inline constexpr const char* kPushButton3Location =
    "in Ostrivane2021/08/31.Form1.PushButton3_Click ";

// Both write "Option1" and then "Option2", each "True" when its option is selected and "False"
// otherwise.
void Option1_Click(platform::FormControls& form);
void Option2_Click(platform::FormControls& form);

// The state of the window's common file dialog as the browse steps set it.
struct FileDialogState {
    QString fileName;
    QString title;
    QString filter;
};

// The steps of the browse handler (lines 100 to 110). The dialog state lives in `dialog`,
// which must outlive the procedure's run.
platform::Procedure pushButton3Procedure(platform::FormControls& form, platform::Dialogs& dialogs,
                                         FileDialogState& dialog);

void PushButton3_Click(platform::FormControls& form, platform::Dialogs& dialogs,
                       const platform::StepRunner& runner);

}  // namespace transfer
