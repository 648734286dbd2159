#pragma once

#include <QCursor>
#include <QString>

namespace app {

// Reads a Windows cursor file (.cur): the first image of the file becomes the cursor's
// picture (Qt's ICO reader decodes it) and the hot spot comes from the file's directory
// entry, where the cursor format keeps it. A file that is missing, is no cursor (wrong type
// in the header, no image, an entry pointing outside the file) or whose picture cannot be
// decoded throws platform::Failure("Invalid picture") with the file's name and the fault.
QCursor readCursorFile(const QString& path);

}  // namespace app
