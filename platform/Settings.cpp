#include "Settings.h"

#include "Failure.h"

#include <QDir>
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

void WriteSetting(const QString& key, const QString& text) {
    QSettings store(settingsFilePath(), QSettings::IniFormat);
    store.setValue(keyPath(key), text);
    store.sync();
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

}  // namespace platform
