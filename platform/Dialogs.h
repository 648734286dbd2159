#pragma once

#include <QString>

namespace platform {

// Message-box styles and answers, in the standard box's numbering, so that code and tests
// speak of the values the boxes are specified with.
namespace box {
inline constexpr int kOkOnly = 0;
inline constexpr int kYesNo = 4;
inline constexpr int kExclamation = 48;
inline constexpr int kResultOk = 1;
inline constexpr int kResultYes = 6;
inline constexpr int kResultNo = 7;
}  // namespace box

// Every modal dialog the program shows goes through this interface: the real one is backed by
// QMessageBox and QFileDialog, tests put a scripted fake in its place so that no test ever
// shows a real modal window. Calls block until the user has answered.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // style is a sum of box:: values (buttons + icon). An empty title stands for the
    // application title. Returns box::kResultOk, kResultYes or kResultNo.
    virtual int messageBox(const QString& text, int style, const QString& title) = 0;

    // The Open dialog. filter is in the pipe form "Excel Files (*.xl*)|*.xl*|"; fileName is the
    // initial file name. Returns the chosen file's full path, or "" when cancelled.
    virtual QString openFileName(const QString& title, const QString& filter,
                                 const QString& fileName) = 0;

    // The Save dialog, used by the presentation windows. proposed is the path offered first.
    // Returns the chosen path, or "" when cancelled.
    virtual QString saveFileName(const QString& title, const QString& filter,
                                 const QString& proposed) = 0;

    // A Save / Don't Save / Cancel question, asked before a window with unsaved changes closes.
    enum class SaveChoice { Save, Discard, Cancel };
    virtual SaveChoice askSaveChanges(const QString& text, const QString& title) = 0;
};

// Turns the pipe form "Desc (*.x)|*.x|Other|*.y|" into Qt's "Desc (*.x);;Other (*.y)".
// Each entry keeps its description; its patterns (separated by ';') are what Qt matches.
QString qtFilterFromPipeFilter(const QString& pipeFilter);

// The filter the file dialogs hand to Qt, matching as the Windows dialogs do: letter case is
// ignored, and a pattern ending in a three-letter extension ("*.ppt") also takes longer
// extensions that begin with it (".pptx", ".pptm"), as Windows does through the files' short
// names. Each entry is written "description (patterns)" with the patterns Qt matches in the
// last brackets; shown with QFileDialog::HideNameFilterDetails, the user sees the description
// as the pipe form gives it ("PowerPoint Files (*.ppt)").
QString qtDialogFilterFromPipeFilter(const QString& pipeFilter);

}  // namespace platform
