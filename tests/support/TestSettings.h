#pragma once

#include "platform/Settings.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace testsupport {

// Switches the standard locations to their test folders (so no test touches the user's own
// Tessalind.ini) and starts from an empty store. Call at the start of every test case that
// reads or writes settings.
inline void useEmptyTestSettings() {
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(platform::settingsFilePath());
}

// The raw keys of group Quillmere as the file holds them now, read afresh from disk: what a
// second copy of the program would see.
inline QStringList storedKeys() {
    QSettings store(platform::settingsFilePath(), QSettings::IniFormat);
    store.beginGroup(QStringLiteral("Quillmere"));
    return store.childKeys();
}

}  // namespace testsupport
