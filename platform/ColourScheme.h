#pragma once

#include <QColor>
#include <QPalette>

namespace platform {

// Whether a palette draws light text on a dark ground: the desktop's dark colour scheme.
bool isDarkPalette(const QPalette& palette);

// A light palette with every role set (so that none follows later changes of the application's
// palette): the application's own while the desktop's scheme is light, else Qt's standard
// light one. The main window's white design keeps legible controls with it under any scheme.
QPalette lightPalette();

// The ground around a page (a slide, a chart) drawn on it: the given light shade under a light
// palette, a shade just darker than the window under a dark one.
QColor pageBackdrop(const QPalette& palette, const QColor& light);

}  // namespace platform
