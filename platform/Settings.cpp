#include "Settings.h"

#include "Failure.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>

namespace platform {

namespace {

const QString kGroup = QStringLiteral("Quillmere");

QString keyPath(const QString& key) { return kGroup + QLatin1Char('/') + key; }

}  // namespace

QString settingsFilePath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty()) folder = QDir::homePath() + QStringLiteral("/.config");
    return folder + QStringLiteral("/Tessalind.ini");
}

QString ReadSetting(const QString& key, const QString& defaultValue) {
    // A fresh QSettings per call: the file is the truth, whatever another copy of the program
    // wrote since, and the path follows the standard locations (tests switch them over).
    QSettings store(settingsFilePath(), QSettings::IniFormat);
    const QVariant value = store.value(keyPath(key));
    if (!value.isValid()) return defaultValue;
    // A value edited by hand with unquoted commas comes back as a list; it is still one text.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u',');
    return value.toString();
}

namespace {

// The store's file is replaced whole: Qt writes a new file (unnamed, or named "Tessalind.ini."
// and six letters where the file system cannot), flushes it and renames it over the old one,
// under the lock file "Tessalind.ini.lock". A program killed between the naming and the rename
// leaves the named file behind. Under the same lock no writer is at work, so every such file
// is a leftover; the cheap look comes first, the lock only when there is something to take.
void removeStaleTemporaries(const QString& path) {
    const QFileInfo file(path);
    const QDir dir = file.absoluteDir();
    const QStringList pattern{file.fileName() + QStringLiteral(".??????")};
    if (dir.entryList(pattern, QDir::Files | QDir::Hidden).isEmpty()) return;
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(1000)) return;
    for (const QString& name : dir.entryList(pattern, QDir::Files | QDir::Hidden)) QFile::remove(dir.filePath(name));
}

}  // namespace

void WriteSetting(const QString& key, const QString& text) {
    const QString path = settingsFilePath();
    {
        QSettings store(path, QSettings::IniFormat);
        store.setValue(keyPath(key), text);
        store.sync();
    }
    removeStaleTemporaries(path);
}

bool settingAsBoolean(const QString& text) {
    const QString value = text.trimmed();
    if (value.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (value.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    double number = QLocale::c().toDouble(value, &ok);
    if (!ok) number = QLocale::system().toDouble(value, &ok);
    if (!ok) throw Failure(runtime::kTypeMismatch);
    return number != 0.0;
}

namespace {

struct SettingEntry {
    const char* name;
    const char* defaultValue;
};

// The one list of the settings, their stored keys and defaults. A switch, so that a key added
// to Settings::Key without its entry here is a compiler warning.
SettingEntry settingEntry(Settings::Key key) {
    switch (key) {
        case Settings::Key::WorkbookPath: return {"Excel File", ""};
        case Settings::Key::PresentationPath: return {"PowerPoint File", ""};
        case Settings::Key::Delay: return {"Delay", "1"};
        case Settings::Key::NewPresentation: return {"Option1", "1"};
        case Settings::Key::ExistingPresentation: return {"Option2", "0"};
        case Settings::Key::PresentationWindowSize: return {"PresentationWindowSize", ""};
        case Settings::Key::KeepSourceFormatting: return {"Keep Source Formatting", "False"};
        case Settings::Key::LinkPastedCharts: return {"LinkPastedCharts", "0"};
    }
    return {"", ""};
}

}  // namespace

QString Settings::keyOf(Key key) { return QString::fromLatin1(settingEntry(key).name); }

QString Settings::defaultOf(Key key) { return QString::fromLatin1(settingEntry(key).defaultValue); }

QString Settings::read(Key key) { return ReadSetting(keyOf(key), defaultOf(key)); }

void Settings::write(Key key, const QString& text) { WriteSetting(keyOf(key), text); }

bool Settings::readBoolean(Key key) { return settingAsBoolean(read(key)); }

void Settings::writeBoolean(Key key, bool value) {
    write(key, value ? QStringLiteral("True") : QStringLiteral("False"));
}

}  // namespace platform
