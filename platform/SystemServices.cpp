#include "Services.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTime>
#include <QTimer>

namespace platform {

namespace {

class SystemClock : public Clock {
public:
    float secondsSinceMidnight() override {
        return static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
    }
};

class SystemEvents : public Events {
public:
    void processEvents() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }

    void waitForEvents(int maxMilliseconds) override {
        if (maxMilliseconds <= 0) {
            processEvents();
            return;
        }
        // A timer bounds the wait: the dispatcher blocks until some event arrives, the
        // timer's own at the latest, handles what has come and returns.
        QEventLoop loop;
        QTimer::singleShot(maxMilliseconds, &loop, [] {});
        loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
};

// Only '*' and '?' are wildcards; every other character stands for itself, brackets included.
QRegularExpression wildcardPattern(const QString& name) {
    QString expression;
    for (const QChar c : name) {
        if (c == QLatin1Char('*')) {
            expression += QStringLiteral(".*");
        } else if (c == QLatin1Char('?')) {
            expression += QLatin1Char('.');
        } else {
            expression += QRegularExpression::escape(QString(c));
        }
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(expression),
                              QRegularExpression::DotMatchesEverythingOption);
}

class SystemFiles : public Files {
public:
    bool lastModified(const QString& path, QDateTime* when) override {
        if (path.isEmpty()) return false;
        const QFileInfo info(path);
        if (!info.exists()) return false;
        const QDateTime modified = info.lastModified();
        if (!modified.isValid()) return false;
        if (when) *when = modified;
        return true;
    }

    int countMatchingFiles(const QString& pattern) override {
        if (pattern.isEmpty()) return 0;
        const qsizetype slash = pattern.lastIndexOf(QLatin1Char('/'));
        const QString folder = slash < 0 ? QStringLiteral(".") : pattern.left(slash + 1);
        const QString name = slash < 0 ? pattern : pattern.mid(slash + 1);
        if (name.isEmpty()) return 0;
        // Plain files only: no folders, no hidden names (those beginning with '.'), and
        // none of the special files (sockets, devices) or dangling links.
        const QDir dir(folder);
        const QRegularExpression matcher = wildcardPattern(name);
        int count = 0;
        for (const QString& entry : dir.entryList(QDir::Files | QDir::NoDotAndDotDot)) {
            if (matcher.match(entry).hasMatch()) ++count;
        }
        return count;
    }

    QString programFolder() override { return QCoreApplication::applicationDirPath(); }

    QString programFile(const QString& name) override {
        const QString beside = programFolder() + name;
        if (QFileInfo::exists(beside)) return beside;
        for (const QString& folder : dataFolders()) {
            if (QFileInfo::exists(folder + name)) return folder + name;
        }
        return beside;
    }

private:
    // Where an installed program's data is: the desktop's data folders, the user's own first
    // ($XDG_DATA_HOME, then $XDG_DATA_DIRS), so that a user may put a skin in
    // ~/.local/share/quillmere; then the data folder of the prefix the executable is installed
    // in, for a prefix the desktop does not search.
    static QStringList dataFolders() {
        QStringList folders;
        for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
            folders.append(data + QStringLiteral("/quillmere"));
        }
        folders.append(QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                       QStringLiteral("/" QUILLMERE_DATA_FROM_BINARY)));
        return folders;
    }
};

}  // namespace

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

Events& systemEvents() {
    static SystemEvents events;
    return events;
}

Files& systemFiles() {
    static SystemFiles files;
    return files;
}

}  // namespace platform
