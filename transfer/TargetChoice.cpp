#include "TargetChoice.h"

#include "platform/Dialogs.h"
#include "platform/FormControls.h"
#include "platform/Settings.h"

#include <QLineEdit>
#include <QRadioButton>

namespace transfer {

namespace {

void storeChoice(platform::FormControls& form) {
    platform::Settings::writeBoolean(platform::Settings::Key::NewPresentation,
                                     form.Option1()->isChecked());
    platform::Settings::writeBoolean(platform::Settings::Key::ExistingPresentation,
                                     form.Option2()->isChecked());
}

}  // namespace

void Option1_Click(platform::FormControls& form) { storeChoice(form); }

void Option2_Click(platform::FormControls& form) { storeChoice(form); }

platform::Procedure pushButton3Procedure(platform::FormControls& form, platform::Dialogs& dialogs,
                                         FileDialogState& dialog) {
    using platform::kEnd;
    using platform::kNext;
    platform::Procedure procedure{QString::fromLatin1(kPushButton3Location), {}};
    auto& steps = procedure.steps;
    steps.push_back({100, [&dialog] {
                         dialog.fileName.clear();
                         return kNext;
                     }});
    steps.push_back({102, [&dialog] {
                         dialog.title = QString::fromLatin1(kBrowseTitle);
                         return kNext;
                     }});
    steps.push_back({104, [&dialog] {
                         dialog.filter = QString::fromLatin1(kPresentationFilter);
                         return kNext;
                     }});
    steps.push_back({106, [&dialog, &dialogs] {
                         dialog.fileName =
                             dialogs.openFileName(dialog.title, dialog.filter, dialog.fileName);
                         return kNext;
                     }});
    // A failing test continues into the step it guards.
    steps.push_back({108, [&dialog] { return dialog.fileName.isEmpty() ? kEnd : kNext; }, 110});
    steps.push_back({110,
                     [&dialog, &form] {
                         // Setting the text raises the box's change handling, which stores it.
                         form.Text2()->setText(dialog.fileName);
                         return kEnd;
                     },
                     kEnd});
    return procedure;
}

void PushButton3_Click(platform::FormControls& form, platform::Dialogs& dialogs,
                       const platform::StepRunner& runner) {
    FileDialogState dialog;
    const auto procedure = pushButton3Procedure(form, dialogs, dialog);
    runner.run(procedure);
}

}  // namespace transfer
