#pragma once

#include <QIcon>

namespace app {

// Quillmere's product icon, drawn here rather than read from a file so that the window has
// it whatever is installed beside the executable: a white slide with a bar chart on it.
QIcon productIcon();

}  // namespace app
