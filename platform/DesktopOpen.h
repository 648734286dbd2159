#pragma once

#include <QRect>
#include <QString>
#include <optional>

namespace platform {

enum class DesktopOpenResult {
    Opened,         // handed to the desktop's application for the file's type
    NoApplication,  // the desktop names no application for that type
    Failed,         // the desktop's opener could not be started or refused the file
};

// Opens the file at path with the desktop's default application for mimeType, through the
// desktop's opener (xdg-open behind QDesktopServices). Whether there is such an application is
// asked of the desktop's MIME database first (xdg-mime), so that a desktop without one is told
// apart from an opener that merely failed; where xdg-mime itself is missing, the opener is
// tried all the same when there is one (xdg-open), and a desktop with neither has no
// application.
DesktopOpenResult openWithDesktop(const QString& path, const QString& mimeType);

// Where a new window of frame size `size` goes so that it leaves `keepClear` (the main
// window's frame) uncovered: beside it on the right where the screen's available area
// `screen` allows, else on the left; when `last` (the frame of the window opened before it)
// stands there already, or neither side has room, cascaded from `last`; with no `last`, at the
// side of the screen with more room. Answers the frame's top left corner, inside the screen as
// far as the size allows.
QPoint placeBeside(const QRect& keepClear, const QSize& size, const QRect& screen,
                   const std::optional<QRect>& last);

}  // namespace platform
