#pragma once

#include <QString>

namespace platform {

// The per-user settings store: application "Tessalind", section "Quillmere", text values by
// key. Backed by QSettings in INI form (Tessalind.ini in the user's configuration folder).
// Every write is synced to disk before WriteSetting returns, so the program may end at any
// moment without losing a value. A write replaces the file whole (a new file, flushed, renamed
// over the old one), so a program killed in the middle of one leaves the values before it or
// after it, never a broken file; a temporary file such a kill leaves is taken away by the next
// write. A failed write is not reported.
QString ReadSetting(const QString& key, const QString& defaultValue = QString());
void WriteSetting(const QString& key, const QString& text);

// Reads a stored option the way start-up does: "True"/"False" in any letter case, or a number
// (0 false, anything else true). Throws Failure("Type mismatch") for any other text.
bool settingAsBoolean(const QString& text);

// Where the store keeps its file: Tessalind.ini in the user's configuration folder (the
// standard generic configuration location, so that tests in QStandardPaths test mode never
// touch the user's own file).
QString settingsFilePath();

}  // namespace platform
