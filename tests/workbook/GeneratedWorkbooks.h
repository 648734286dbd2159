#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <stdexcept>

// The workbooks of tools/make_test_workbooks.py, generated once per test program into a
// temporary folder that goes when the program ends.
inline QString generatedWorkbook(const QString& name) {
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
#ifdef QUILLMERE_TEST_SOURCE_ROOT
        if (source.isEmpty()) source = QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT);
#endif
        const QString script = source + QStringLiteral("/tools/make_test_workbooks.py");
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {script, dir.path()});
        if (!python.waitForFinished(120000) || python.exitCode() != 0) {
            throw std::runtime_error("make_test_workbooks.py failed: " +
                                     python.readAllStandardError().toStdString());
        }
        made = true;
    }
    return dir.filePath(name);
}
