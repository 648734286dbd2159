#include "Application.h"

#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/Shutdown.h"

#include <QThread>
#include <cstdlib>
#include <cstdio>

namespace app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

QString Application::unhandledFailureText(const QString& description) {
    return QStringLiteral("Run-time error:\r\n\r\n") + description;
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const platform::Failure& failure) {
        endAfterUnhandledFailure(failure.description());
    } catch (const std::exception& other) {
        endAfterUnhandledFailure(QString::fromUtf8(other.what()));
    } catch (...) {
        endAfterUnhandledFailure(QStringLiteral("Unknown failure"));
    }
    return true;
}

void Application::endAfterUnhandledFailure(const QString& description) {
    // A second failure while the first is being shown adds nothing: the program is ending.
    if (m_ending) return;
    m_ending = true;
    constexpr int kCritical = 16;
    if (m_dialogs) {
        m_dialogs->messageBox(unhandledFailureText(description), platform::box::kOkOnly + kCritical,
                              QString());
    } else {
        std::fprintf(stderr, "Run-time error: %s\n", description.toUtf8().constData());
    }
    platform::markMainWindowClosed();
    if (onEnd) {
        onEnd(1);
        return;
    }
    // From the main loop the program can end normally; from inside a nested loop (a modal
    // box, a wait) the loops above would go on running, so the process ends at once. Every
    // setting was already written when it changed.
    if (QThread::currentThread()->loopLevel() <= 1) {
        QCoreApplication::exit(1);
    } else {
        std::fflush(nullptr);
        std::_Exit(1);
    }
}

}  // namespace app
