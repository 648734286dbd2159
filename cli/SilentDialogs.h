#pragma once

#include "platform/Dialogs.h"

namespace cli {

// The dialogs of a run without a window: no box is ever shown. A message box is answered as
// its default button would be; file dialogs are cancelled; and a presentation that would ask
// about its unsaved changes is let go unsaved, as the command saves what it made itself.
class SilentDialogs : public platform::Dialogs {
public:
    int messageBox(const QString&, int style, const QString&) override {
        return (style & 7) == platform::box::kYesNo ? platform::box::kResultNo : platform::box::kResultOk;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    SaveChoice askSaveChanges(const QString&, const QString&) override { return SaveChoice::Discard; }
};

}  // namespace cli
