#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace bench {

// A generated workbook kept in the user's cache folder, so the benchmarks make their large
// inputs once and never commit them. On the first call the generator script of the source tree
// runs as /usr/bin/python3 <script> <arguments>, where the argument "{out}" stands for the file
// to write; the result is renamed into place only when the script succeeded. A failed
// generation ends the benchmark with the script's error output.
inline QString cachedWorkbook(const QString& fileName, const QString& script, QStringList arguments) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                           QStringLiteral("/quillmere-bench");
    const QString path = folder + u'/' + fileName;
    if (QFileInfo::exists(path)) return path;
    QDir().mkpath(folder);
    const QString partial = path + QStringLiteral(".part.xlsx");
    for (QString& argument : arguments) {
        if (argument == QStringLiteral("{out}")) argument = partial;
    }
    QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
    if (source.isEmpty()) source = QStringLiteral(QUILLMERE_SOURCE_ROOT);
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), QStringList{source + u'/' + script} + arguments);
    if (!python.waitForFinished(-1) || python.exitCode() != 0 || !QFile::rename(partial, path)) {
        qFatal("could not generate %s: %s", qPrintable(path), python.readAllStandardError().constData());
    }
    return path;
}

// The same for a legacy .xls: the generated .xlsx is saved as .xls by LibreOffice (with a
// profile folder of its own) and kept in the cache folder; the .xlsx is kept beside it.
inline QString cachedLegacyWorkbook(const QString& fileName, const QString& script, QStringList arguments) {
    const QString xlsx = cachedWorkbook(QFileInfo(fileName).completeBaseName() + QStringLiteral(".xlsx"), script,
                                        std::move(arguments));
    const QString folder = QFileInfo(xlsx).absolutePath();
    const QString path = folder + u'/' + fileName;
    if (QFileInfo::exists(path)) return path;
    const QString work = folder + QStringLiteral("/convert-") + QFileInfo(fileName).completeBaseName();
    QProcess soffice;
    soffice.start(QStringLiteral("soffice"),
                  {QStringLiteral("-env:UserInstallation=file://") + work + QStringLiteral("/profile"),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("xls"),
                   QStringLiteral("--outdir"), work, xlsx});
    const QString converted = work + u'/' + QFileInfo(xlsx).completeBaseName() + QStringLiteral(".xls");
    if (!soffice.waitForFinished(-1) || !QFile::rename(converted, path)) {
        qFatal("could not convert %s to .xls with LibreOffice", qPrintable(xlsx));
    }
    QDir(work).removeRecursively();
    return path;
}

// The heavy workbook of the heavy-job and list benchmarks: 200,000 rows, and charts over them
// whose parts hold every point.
inline QString heavyWorkbook() {
    return cachedWorkbook(QStringLiteral("heavy-200k-rows-20-charts.xlsx"), QStringLiteral("bench/support/make_heavy_workbook.py"),
                          {QStringLiteral("{out}"), QStringLiteral("200000"), QStringLiteral("4"), QStringLiteral("16")});
}

}  // namespace bench
