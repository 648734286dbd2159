#include "LegacyConverter.h"

#include "engine/package/Package.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QWaitCondition>

#include <atomic>
#include <optional>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace engine {

namespace {

// Set to end the background conversion; read by its thread between short waits.
std::atomic<bool> cancelRequested{false};

// The one conversion that runs ahead of need, on a thread of its own.
struct Background {
    std::thread thread;
    QString key;                   // of the file it converts
    bool running = false;
};

struct ConverterState {
    QMutex mutex;
    QWaitCondition backgroundDone;
    QString program;
    int timeLimitMs = 120000;
    int conversionsRun = 0;
    QHash<QString, QByteArray> cache;  // key of an unchanged file -> converted bytes
    QHash<QString, DocumentError> failures;  // key -> why its conversion in the background failed
    qint64 cachedBytes = 0;
    Background background;

    // Cancels the background conversion and waits for its thread to end.
    void stopBackground() {
        std::thread ending;
        {
            QMutexLocker lock(&mutex);
            cancelRequested = true;
            ending = std::move(background.thread);
        }
        if (ending.joinable()) ending.join();
    }
};

ConverterState& state() {
    // Never destroyed: the background thread may still use it while the program ends.
    static ConverterState* s = new ConverterState;
    return *s;
}

// A conversion still running when the program ends is cancelled, so that no LibreOffice outlives it.
struct EndBackgroundAtExit {
    ~EndBackgroundAtExit() { state().stopBackground(); }
} endBackgroundAtExit;

// Converted documents kept in memory at most; beyond this the oldest are forgotten.
constexpr qint64 kMaxCachedBytes = 512LL * 1024 * 1024;

QString installHint(const QString& extension) {
    const bool presentation = extension.startsWith(QLatin1String("ppt"));
    return presentation
               ? QStringLiteral("install libreoffice-impress-nogui, or save the presentation as .pptx")
               : QStringLiteral("install libreoffice-calc-nogui, or save the workbook as .xlsx");
}

QString displayName(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

// Identifies an unchanged file: same path, size and modification time, same target.
QString cacheKey(const QString& path, const QString& targetExtension) {
    const QFileInfo info(path);
    return info.absoluteFilePath() + u'\n' + QString::number(info.size()) + u'\n' +
           QString::number(info.lastModified().toMSecsSinceEpoch()) + u'\n' + targetExtension.toLower();
}

struct Cancelled {};

// LibreOffice's launcher starts the office process as a child of its own: both run in a
// process group of their own, and ending a conversion ends the whole group.
void endProcessGroup(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0) ::kill(-pid_t(pid), SIGKILL);
    process.kill();
    process.waitForFinished(5000);
}

// Runs LibreOffice on a copy of the file; throws DocumentError, or Cancelled when cancel is set.
QByteArray runConversion(const QString& path, const QString& targetExtension, const std::atomic<bool>* cancel) {
    const QFileInfo info(path);
    const QString file = displayName(path);
    const QString program = LegacyConverter::officeProgram();
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        throw DocumentError(
            DocumentError::Kind::Unsupported, file, QString(),
            QStringLiteral("this format is read through LibreOffice, which is not installed; %1")
                .arg(installHint(targetExtension)));
    }

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/quillmere-convert-XXXXXX"));
    if (!work.isValid())
        throw DocumentError(DocumentError::Kind::Io, file, QString(),
                            QStringLiteral("no temporary folder for the conversion"));
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    const QString input = work.filePath(QStringLiteral("input") + suffix);
    if (!QFile::copy(path, input)) throw DocumentError(DocumentError::Kind::Io, file, QString(), QStringLiteral("cannot be read"));
    const QString outDir = work.filePath(QStringLiteral("out"));
    QDir().mkpath(outDir);

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    const QStringList arguments = {
        QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(work.filePath(QStringLiteral("profile"))).toString(),
        QStringLiteral("--headless"), QStringLiteral("--invisible"), QStringLiteral("--norestore"),
        QStringLiteral("--nolockcheck"), QStringLiteral("--nodefault"),
        QStringLiteral("--convert-to"), targetExtension,
        QStringLiteral("--outdir"), outDir, input};
    int timeLimit = 0;
    {
        QMutexLocker lock(&state().mutex);
        timeLimit = state().timeLimitMs;
        ++state().conversionsRun;
    }
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        throw DocumentError(DocumentError::Kind::Unsupported, file, QString(),
                            QStringLiteral("LibreOffice could not be started (%1); %2")
                                .arg(process.errorString(), installHint(targetExtension)));
    }
    QElapsedTimer clock;
    clock.start();
    // Short waits, so that a cancelled conversion ends within a tenth of a second.
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(100)) {
        if (cancel && *cancel) {
            endProcessGroup(process);
            throw Cancelled{};
        }
        if (clock.elapsed() > timeLimit) {
            endProcessGroup(process);
            throw DocumentError(
                DocumentError::Kind::OverLimit, file, QString(),
                QStringLiteral("LibreOffice did not finish converting it within %1 s")
                    .arg(timeLimit / 1000));
        }
    }
    const QString output = QDir(outDir).filePath(QStringLiteral("input.") + targetExtension);
    QFile converted(output);
    if (!converted.open(QIODevice::ReadOnly)) {
        const QString said = QString::fromLocal8Bit(process.readAll()).simplified().left(200);
        throw DocumentError(
            DocumentError::Kind::Corrupt, file, QString(),
            QStringLiteral("LibreOffice could not convert it to .%1%2")
                .arg(targetExtension,
                     said.isEmpty() ? QString() : QStringLiteral(" (") + said + u')'));
    }
    return converted.readAll();
}

// Keeps the converted bytes; the caller holds the state's mutex.
void remember(ConverterState& s, const QString& key, const QByteArray& bytes) {
    if (bytes.size() > kMaxCachedBytes) return;
    while (s.cachedBytes + bytes.size() > kMaxCachedBytes && !s.cache.isEmpty()) {
        s.cachedBytes -= s.cache.begin()->size();
        s.cache.erase(s.cache.begin());
    }
    s.cache.insert(key, bytes);
    s.cachedBytes += bytes.size();
}

}  // namespace

void LegacyConverter::setOfficeProgram(const QString& program) {
    QMutexLocker lock(&state().mutex);
    state().program = program;
}

QString LegacyConverter::officeProgram() {
    QMutexLocker lock(&state().mutex);
    if (!state().program.isEmpty()) return state().program;
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

void LegacyConverter::setTimeLimitMilliseconds(int milliseconds) {
    QMutexLocker lock(&state().mutex);
    state().timeLimitMs = milliseconds;
}

int LegacyConverter::conversionsRun() {
    QMutexLocker lock(&state().mutex);
    return state().conversionsRun;
}

void LegacyConverter::clearCache() {
    cancelBackground();
    QMutexLocker lock(&state().mutex);
    state().cache.clear();
    state().failures.clear();
    state().cachedBytes = 0;
}

void LegacyConverter::convertInBackground(const QString& path, const QString& targetExtension) {
    if (!QFileInfo(path).isFile()) return;
    const QString key = cacheKey(path, targetExtension);
    ConverterState& s = state();
    {
        QMutexLocker lock(&s.mutex);
        if (s.cache.contains(key) || s.failures.contains(key)) return;
        if (s.background.running && s.background.key == key) return;
    }
    s.stopBackground();
    QMutexLocker lock(&s.mutex);
    s.background.key = key;
    cancelRequested = false;
    s.background.running = true;
    s.background.thread = std::thread([path, targetExtension, key] {
        ConverterState& s = state();
        QByteArray bytes;
        std::optional<DocumentError> failure;
        bool cancelled = false;
        try {
            bytes = runConversion(path, targetExtension, &cancelRequested);
        } catch (const DocumentError& e) {
            failure = e;
        } catch (const Cancelled&) {
            cancelled = true;
        }
        QMutexLocker lock(&s.mutex);
        if (!cancelled && !failure) remember(s, key, bytes);
        if (failure) s.failures.insert(key, *failure);
        s.background.running = false;
        s.backgroundDone.wakeAll();
    });
}

void LegacyConverter::cancelBackground() {
    state().stopBackground();
}

bool LegacyConverter::isConvertingInBackground() {
    QMutexLocker lock(&state().mutex);
    return state().background.running;
}

QByteArray LegacyConverter::convert(const QString& path, const QString& targetExtension) {
    if (!QFileInfo(path).isFile()) {
        throw DocumentError(DocumentError::Kind::Missing, displayName(path), QString(), QStringLiteral("file not found"));
    }
    const QString key = cacheKey(path, targetExtension);
    ConverterState& s = state();
    {
        QMutexLocker lock(&s.mutex);
        // The same file already on its way in the background: its result is waited for.
        while (s.background.running && s.background.key == key) s.backgroundDone.wait(&s.mutex);
        auto it = s.cache.constFind(key);
        if (it != s.cache.constEnd()) return *it;
        auto failed = s.failures.constFind(key);
        if (failed != s.failures.constEnd()) {
            const DocumentError failure = *failed;
            // Told once: a later call tries again (LibreOffice may have been installed since).
            s.failures.erase(failed);
            throw failure;
        }
    }
    const QByteArray bytes = runConversion(path, targetExtension, nullptr);
    QMutexLocker lock(&s.mutex);
    remember(s, key, bytes);
    return bytes;
}

}  // namespace engine
