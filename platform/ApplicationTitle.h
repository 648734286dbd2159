#pragma once

#include <QString>

namespace platform {

// The application title: the caption of every message box that names no title of its own.
// Set once at start-up; until then it is the build's default, "Quillmere".
QString applicationTitle();
void setApplicationTitle(const QString& title);

}  // namespace platform
