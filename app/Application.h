#pragma once

#include <QApplication>
#include <functional>

namespace platform {
class Dialogs;
}

namespace app {

// The program's application object. A failure that no trap caught, thrown out of any event
// handler (a pointer handler, a change handler, a window's own), ends here: it is shown in a
// plain "Run-time error" box through the dialogs and the program ends with exit code 1, in
// place of the crash an escaping exception would cause.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    // The dialogs the unhandled-failure box goes through; lent, must outlive the handling.
    void setDialogs(platform::Dialogs* dialogs) { m_dialogs = dialogs; }

    bool notify(QObject* receiver, QEvent* event) override;

    // The box's text for a failure's description.
    static QString unhandledFailureText(const QString& description);

    // Called after the box instead of ending the program; tests use it to watch the end.
    std::function<void(int exitCode)> onEnd;

private:
    void endAfterUnhandledFailure(const QString& description);

    platform::Dialogs* m_dialogs = nullptr;
    bool m_ending = false;
};

}  // namespace app
