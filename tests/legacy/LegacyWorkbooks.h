#pragma once

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <stdexcept>

// The source tree, for the generator scripts and the .xls files kept beside the tests.
inline QString legacyTestSourceRoot() {
    QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
#ifdef QUILLMERE_TEST_SOURCE_ROOT
    if (source.isEmpty()) source = QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT);
#endif
    return source;
}

// An .xls file saved by the spreadsheet application, from tests/legacy/data (see its README).
inline QString savedXls(const QString& name) {
    return legacyTestSourceRoot() + QStringLiteral("/tests/legacy/data/") + name;
}

// The .xls files that LibreOffice makes of the workbooks of make_test_workbooks.py --legacy
// ("legacy-mixed.xls", "legacy-chartsheet-only.xls"), made once per test program into a
// temporary folder that goes when the program ends. An empty text when LibreOffice is not
// installed.
inline QString convertedXls(const QString& name) {
    static QTemporaryDir dir;
    static bool made = false;
    static bool available = false;
    if (!made) {
        made = true;
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty()) return {};
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {legacyTestSourceRoot() + QStringLiteral("/tools/make_test_workbooks.py"),
                      QStringLiteral("--legacy"), dir.path()});
        if (!python.waitForFinished(120000) || python.exitCode() != 0) {
            throw std::runtime_error("make_test_workbooks.py --legacy failed: " +
                                     python.readAllStandardError().toStdString());
        }
        QProcess convert;
        convert.start(soffice, {QStringLiteral("-env:UserInstallation=") +
                                    QUrl::fromLocalFile(dir.filePath(QStringLiteral("profile"))).toString(),
                                QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("xls"),
                                QStringLiteral("--outdir"), dir.filePath(QStringLiteral("xls")),
                                dir.filePath(QStringLiteral("legacy-mixed.xlsx")),
                                dir.filePath(QStringLiteral("legacy-chartsheet-only.xlsx"))});
        if (!convert.waitForFinished(300000) || convert.exitCode() != 0) {
            throw std::runtime_error("LibreOffice could not make the test .xls files");
        }
        available = true;
    }
    if (!available) return {};
    const QString path = dir.filePath(QStringLiteral("xls/") + name);
    if (!QFileInfo::exists(path)) throw std::runtime_error("no converted " + name.toStdString());
    return path;
}
