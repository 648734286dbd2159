#include "LegacyConverter.h"

#include "engine/package/Package.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace engine {

namespace {

struct ConverterState {
    QMutex mutex;
    QString program;
    int timeLimitMs = 120000;
    int conversionsRun = 0;
    QHash<QString, QByteArray> cache;  // key of an unchanged file -> converted bytes
    qint64 cachedBytes = 0;
};

ConverterState& state() {
    static ConverterState s;
    return s;
}

// Converted documents kept in memory at most; beyond this the oldest are forgotten.
constexpr qint64 kMaxCachedBytes = 512LL * 1024 * 1024;

QString installHint(const QString& extension) {
    const bool presentation = extension.startsWith(QLatin1String("ppt"));
    return presentation
               ? QStringLiteral("install libreoffice-impress-nogui, or save the presentation as .pptx")
               : QStringLiteral("install libreoffice-calc-nogui, or save the workbook as .xlsx");
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
    QMutexLocker lock(&state().mutex);
    state().cache.clear();
    state().cachedBytes = 0;
}

QByteArray LegacyConverter::convert(const QString& path, const QString& targetExtension) {
    const QFileInfo info(path);
    const QString file = info.fileName().isEmpty() ? path : info.fileName();
    if (!info.isFile()) throw DocumentError(DocumentError::Kind::Missing, file, QString(), QStringLiteral("file not found"));
    const QString key = info.absoluteFilePath() + u'\n' + QString::number(info.size()) + u'\n' +
                        QString::number(info.lastModified().toMSecsSinceEpoch()) + u'\n' +
                        targetExtension.toLower();
    {
        QMutexLocker lock(&state().mutex);
        auto it = state().cache.constFind(key);
        if (it != state().cache.constEnd()) return *it;
    }

    const QString program = officeProgram();
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        throw DocumentError(file, QString(),
                            QStringLiteral("this format is read through LibreOffice, which is not installed; %1")
                                .arg(installHint(targetExtension)));
    }

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/quillmere-convert-XXXXXX"));
    if (!work.isValid()) throw DocumentError(file, QString(), QStringLiteral("no temporary folder for the conversion"));
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    const QString input = work.filePath(QStringLiteral("input") + suffix);
    if (!QFile::copy(path, input)) throw DocumentError(file, QString(), QStringLiteral("cannot be read"));
    const QString outDir = work.filePath(QStringLiteral("out"));
    QDir().mkpath(outDir);

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
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
        throw DocumentError(file, QString(), QStringLiteral("LibreOffice could not be started (%1); %2")
                                                 .arg(process.errorString(), installHint(targetExtension)));
    }
    if (!process.waitForFinished(timeLimit)) {
        process.kill();
        process.waitForFinished(5000);
        throw DocumentError(file, QString(), QStringLiteral("LibreOffice did not finish converting it within %1 s")
                                                 .arg(timeLimit / 1000));
    }
    const QString output = QDir(outDir).filePath(QStringLiteral("input.") + targetExtension);
    QFile converted(output);
    if (!converted.open(QIODevice::ReadOnly)) {
        const QString said = QString::fromLocal8Bit(process.readAll()).simplified().left(200);
        throw DocumentError(file, QString(),
                            QStringLiteral("LibreOffice could not convert it to .%1%2")
                                .arg(targetExtension, said.isEmpty() ? QString() : QStringLiteral(" (") + said + u')'));
    }
    const QByteArray bytes = converted.readAll();
    converted.close();

    QMutexLocker lock(&state().mutex);
    ConverterState& s = state();
    if (bytes.size() <= kMaxCachedBytes) {
        while (s.cachedBytes + bytes.size() > kMaxCachedBytes && !s.cache.isEmpty()) {
            s.cachedBytes -= s.cache.begin()->size();
            s.cache.erase(s.cache.begin());
        }
        s.cache.insert(key, bytes);
        s.cachedBytes += bytes.size();
    }
    return bytes;
}

}  // namespace engine
