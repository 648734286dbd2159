#include "tests/support/Locales.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace testsupport {

QString makePrivateLocales(const QStringList& names) {
    const QString folder = QDir::tempPath() + QStringLiteral("/quillmere-locales");
    if (!QDir().mkpath(folder)) return QStringLiteral("cannot make ") + folder;
    const QString localedef = QStandardPaths::findExecutable(QStringLiteral("localedef"));
    if (localedef.isEmpty()) return QStringLiteral("localedef is not installed (package libc-bin)");
    for (const QString& name : names) {
        if (QDir(folder + u'/' + name).exists()) continue;
        // "de_DE.UTF-8": the source de_DE, the character map UTF-8.
        const QString source = name.section(u'.', 0, 0);
        const QString charmap = name.section(u'.', 1);
        if (!QFile::exists(QStringLiteral("/usr/share/i18n/locales/") + source)) {
            return QStringLiteral("no locale source for %1 (install the locales package)").arg(name);
        }
        QProcess process;
        process.start(localedef, {QStringLiteral("--no-archive"), QStringLiteral("-i"), source, QStringLiteral("-f"),
                                  charmap.isEmpty() ? QStringLiteral("UTF-8") : charmap, folder + u'/' + name});
        // localedef warns (and exits 1) about harmless details of some sources; what counts is
        // that the locale's files are there.
        if (!process.waitForFinished(300000) || !QFile::exists(folder + u'/' + name + QStringLiteral("/LC_NUMERIC"))) {
            return QStringLiteral("localedef could not make %1: %2")
                .arg(name, QString::fromLocal8Bit(process.readAllStandardError()));
        }
    }
    qputenv("LOCPATH", QFile::encodeName(folder));
    return QString();
}

}  // namespace testsupport
