#pragma once

#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

namespace platform {

// What a new top-level window is placed by: the screen's available area, the frame of the
// program's main window (null when none is shown), where that window's controls are (buttons,
// fields, lists, the progress bar, in screen coordinates), the size the user last gave such a
// window and the smallest it is still useful at, and the frame of the window of its kind
// placed before it, if still shown. Sizes and rectangles are frames (title bar and borders
// included).
struct WindowPlacementRequest {
    QRect screen;
    QRect mainWindow;
    std::vector<QRect> controls;
    QSize remembered;
    QSize minimum;
    std::optional<QRect> last;
};

// Where the new window's frame goes, and at what size:
// 1. at the remembered size beside the main window (right first, then left) where a side has
//    room for it, cascaded from the last one when it stands there (see placeBeside);
// 2. else narrowed to the room on the side with more of it, as tall as remembered, when that
//    room is at least the minimum width (stepped down from the last one when it stands there);
// 3. else where it covers the least area of the main window's controls, at the remembered
//    size or the minimum one (the larger when both cover as little), against an edge of the
//    screen or of the main window.
// Never larger than the screen; with no main window, where placeBeside puts it.
QRect placeNewWindow(const WindowPlacementRequest& request);

}  // namespace platform
