#pragma once

#include <QString>

class QProgressBar;

namespace transfer {

// The progress bar's text as the copy run sets it. QProgressBar treats its text as a format in
// which "%p", "%v" and "%m" stand for numbers and offers no escape, so a sheet named "Q1 %p"
// would show "Q1 50". setProgressText puts an invisible word joiner (U+2060) after each "%"
// that would start such a placeholder; progressText gives the text as the user reads it,
// without those joiners.
void setProgressText(QProgressBar* bar, const QString& text);
QString progressText(const QProgressBar* bar);

}  // namespace transfer
