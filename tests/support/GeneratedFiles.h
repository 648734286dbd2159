#pragma once

#include <QHash>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <stdexcept>

// Files the project's generator scripts write (workbooks with real charts, decks), made once per
// test program into temporary folders that go when the program ends.

namespace testsupport {

// The source tree: QUILLMERE_SOURCE_DIR as ctest sets it, else the folder the test was built from.
inline QString sourceRoot() {
    QString source = qEnvironmentVariable("QUILLMERE_SOURCE_DIR");
#if defined(QUILLMERE_TEST_SOURCE_ROOT)
    if (source.isEmpty()) source = QStringLiteral(QUILLMERE_TEST_SOURCE_ROOT);
#elif defined(QUILLMERE_SOURCE_ROOT)
    if (source.isEmpty()) source = QStringLiteral(QUILLMERE_SOURCE_ROOT);
#endif
    return source;
}

// The file `name` that tools/<script> writes into its output folder, given last after
// `arguments`. Each script and argument list runs once per program, with the system Python
// (which has XlsxWriter); a script that fails throws, with its error output.
inline QString generatedFile(const QString& script, const QStringList& arguments, const QString& name) {
    static QHash<QString, std::shared_ptr<QTemporaryDir>> made;
    const QString key = script + QLatin1Char('\n') + arguments.join(QLatin1Char('\n'));
    auto found = made.find(key);
    if (found == made.end()) {
        auto dir = std::make_shared<QTemporaryDir>();
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     QStringList{sourceRoot() + QStringLiteral("/tools/") + script} + arguments + QStringList{dir->path()});
        if (!python.waitForFinished(400000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
            throw std::runtime_error(script.toStdString() + " failed: " + python.readAllStandardError().toStdString());
        found = made.insert(key, dir);
    }
    return found.value()->filePath(name);
}

}  // namespace testsupport
