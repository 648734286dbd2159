#pragma once

#include <QIcon>
#include <QImage>

namespace app {

// Quillmere's product icon, drawn here rather than read from a file so that the window has
// it whatever is installed beside the executable: a white slide with a bar chart on it.
QIcon productIcon();

// The icon drawn at size x size pixels on a transparent ground. The installed icons of the
// desktop's icon theme are made from it (packaging/), the scalable one traces the same shapes.
QImage productIconImage(int size);

}  // namespace app
