#pragma once

class QLineEdit;
class QProgressBar;
class QRadioButton;
class QTreeWidget;
class QWidget;

namespace platform {

// Values of the main window's pointer setting.
namespace pointer {
inline constexpr int kDefault = 0;
inline constexpr int kHourglass = 11;  // also the window-wide busy mark
inline constexpr int kHand = 99;       // the custom pointer read from HAND-M.CUR
}  // namespace pointer

// The main window's controls and its pointer setting, as the procedures that live outside the
// window (discovery, the chart-list commands, the copy run, the target choice) reach them.
// The window owns every control; this interface only lends them, for the window's lifetime.
class FormControls {
public:
    virtual ~FormControls() = default;

    virtual QWidget* window() = 0;
    virtual QLineEdit* Text1() = 0;  // the workbook path
    virtual QLineEdit* Text2() = 0;  // the existing presentation's path
    virtual QLineEdit* Text3() = 0;  // the delay in seconds
    virtual QRadioButton* Option1() = 0;
    virtual QRadioButton* Option2() = 0;
    virtual QTreeWidget* ListView1() = 0;
    virtual QProgressBar* ProgressBar1() = 0;

    // The window-wide pointer setting (pointer::k...). Setting it changes the cursor shown over
    // the whole window, its controls included.
    virtual int MousePointer() const = 0;
    virtual void setMousePointer(int value) = 0;
};

}  // namespace platform
