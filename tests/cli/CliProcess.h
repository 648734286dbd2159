#pragma once

// quillmere-cli run as a script runs it: the built executable, without a display.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <functional>

namespace clitest {

struct Result {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// The executable, run without a display and without the tests' platform setting, as a script
// on a server would run it; the variables of extra added to (or replacing) the environment's;
// inChild, when given, runs in the child before it starts the executable (to set a resource
// limit).
inline Result runCli(const QStringList& arguments, const QProcessEnvironment& extra = {},
                     const std::function<void()>& inChild = {}) {
    QProcess process;
    if (inChild) process.setChildProcessModifier(inChild);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUILLMERE_CLI), arguments);
    Result result;
    if (!process.waitForFinished(240000) || process.exitStatus() != QProcess::NormalExit) return result;
    result.status = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

}  // namespace clitest
