// A failure that no trap catches, thrown from an event handler, gets the plain box and ends
// the program instead of crashing it.

#include "app/Application.h"
#include "platform/Failure.h"
#include "platform/Shutdown.h"
#include "tests/support/FakeDialogs.h"

#include <QTest>
#include <QWidget>

namespace {
class ThrowingWidget : public QWidget {
protected:
    void mouseMoveEvent(QMouseEvent*) override {
        throw platform::Failure(QStringLiteral("Object variable not set"));
    }
};
}  // namespace

class UnhandledTest : public QObject {
    Q_OBJECT

public:
    explicit UnhandledTest(app::Application& application) : m_application(application) {}

private slots:
    void failureFromAHandlerIsShownAndEndsTheProgram() {
        testsupport::FakeDialogs dialogs;
        m_application.setDialogs(&dialogs);
        int exitCode = -1;
        m_application.onEnd = [&](int code) { exitCode = code; };
        platform::resetMainWindowClosedForTests();

        ThrowingWidget widget;
        widget.setMouseTracking(true);
        QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &move);

        QCOMPARE(dialogs.calls.size(), 1);
        QCOMPARE(dialogs.calls[0].text,
                 QStringLiteral("Run-time error:\r\n\r\nObject variable not set"));
        QCOMPARE(dialogs.calls[0].style, 16);
        QCOMPARE(exitCode, 1);
        QVERIFY(platform::mainWindowClosed());
        m_application.setDialogs(nullptr);
        platform::resetMainWindowClosedForTests();
    }

private:
    app::Application& m_application;
};

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    UnhandledTest test(application);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_unhandled.moc"
