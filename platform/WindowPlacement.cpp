#include "platform/WindowPlacement.h"

#include "platform/DesktopOpen.h"

#include <algorithm>

namespace platform {

namespace {

constexpr int kPlacementStep = 32;  // as far as a cascaded window steps from the last one

// The area of the controls that a frame at r covers (overlapping controls count each time).
qint64 coveredControlArea(const QRect& r, const std::vector<QRect>& controls) {
    qint64 area = 0;
    for (const QRect& control : controls) {
        const QRect both = r.intersected(control);
        if (!both.isEmpty()) area += qint64(both.width()) * both.height();
    }
    return area;
}

int clampedTo(int value, int low, int high) { return std::max(low, std::min(value, high)); }

}  // namespace

QRect placeNewWindow(const WindowPlacementRequest& request) {
    const QRect& screen = request.screen;
    const QRect& main = request.mainWindow;
    const QSize size(std::min(request.remembered.width(), screen.width()),
                     std::min(request.remembered.height(), screen.height()));
    const QSize smallest(std::min(request.minimum.width(), size.width()),
                         std::min(request.minimum.height(), size.height()));
    const int roomRight = main.isNull() ? 0 : screen.right() - main.right();
    const int roomLeft = main.isNull() ? 0 : main.left() - screen.left();
    if (main.isNull() || size.width() <= std::max(roomRight, roomLeft))
        return {placeBeside(main, size, screen, request.last), size};

    const int top = clampedTo(main.top(), screen.top(), screen.bottom() + 1 - size.height());
    const bool right = roomRight >= roomLeft;
    const int room = right ? roomRight : roomLeft;
    if (room >= smallest.width()) {
        QRect narrowed(right ? main.right() + 1 : main.left() - room, top, room, size.height());
        if (request.last && request.last->topLeft() == narrowed.topLeft()) {
            // Stepped down from the last one, shortened rather than pushed off the screen.
            const QRect beside = narrowed;
            narrowed.translate(0, kPlacementStep);
            if (narrowed.bottom() > screen.bottom()) narrowed.setBottom(screen.bottom());
            if (narrowed.height() < smallest.height()) narrowed = beside;
        }
        return narrowed;
    }

    // No room beside it: the spot, among the screen's and the main window's edges, that hides
    // the least of the controls.
    QRect best;
    qint64 bestCover = -1;
    for (const QSize& s : {size, smallest}) {
        const int lastX = screen.right() + 1 - s.width(), lastY = screen.bottom() + 1 - s.height();
        const int xs[] = {lastX, screen.left(), clampedTo(main.right() + 1, screen.left(), lastX),
                          clampedTo(main.left() - s.width(), screen.left(), lastX)};
        const int ys[] = {clampedTo(main.top(), screen.top(), lastY), screen.top(), lastY,
                          clampedTo(main.bottom() + 1, screen.top(), lastY)};
        for (int y : ys) {
            for (int x : xs) {
                const QRect r(QPoint(x, y), s);
                const qint64 cover = coveredControlArea(r, request.controls);
                if (bestCover < 0 || cover < bestCover) {
                    best = r;
                    bestCover = cover;
                }
            }
        }
    }
    return best;
}

}  // namespace platform
