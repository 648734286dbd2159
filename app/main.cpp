// Quillmere's entry point: the command line's --help and --version, the application object,
// the real dialogs and services, the main window's start-up, the files named on the command
// line, then the message loop until the last window has closed.

#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Form1.h"
#include "platform/Memory.h"
#include "platform/QtDialogs.h"
#include "platform/Services.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

int main(int argc, char** argv) {
    // Answered on the terminal before any application object exists: no display is needed.
    switch (app::earlyAction(argc, argv)) {
        case app::CommandLine::Action::Help:
            std::fputs(app::helpText().toLocal8Bit().constData(), stdout);
            return 0;
        case app::CommandLine::Action::Version:
            std::fputs(app::versionText().toLocal8Bit().constData(), stdout);
            return 0;
        default:
            break;
    }

    platform::configureMemory();
    app::Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    // The menu entry's name, which Wayland compositors match the windows against.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillmere.Quillmere"));
    // The presentation windows may outlive the main window; the process ends with the last.
    QApplication::setQuitOnLastWindowClosed(true);

    const app::CommandLine commandLine = app::parseCommandLine(QCoreApplication::arguments());
    if (commandLine.action == app::CommandLine::Action::Error) {
        std::fprintf(stderr, "quillmere: %s (see quillmere --help)\n",
                     commandLine.error.toLocal8Bit().constData());
        return 1;
    }
    // Said on the terminal; the window takes the files it can, as a drop would.
    for (const QString& file : commandLine.files) {
        if (app::fileKindOf(file) == app::FileKind::Other) {
            std::fprintf(stderr, "quillmere: %s: not a workbook or a presentation; left out\n",
                         file.toLocal8Bit().constData());
        } else if (!QFileInfo(file).isFile()) {
            std::fprintf(stderr, "quillmere: %s: no such file\n", file.toLocal8Bit().constData());
        }
    }

    platform::QtDialogs dialogs;
    application.setDialogs(&dialogs);

    // The built-in applications behind "Excel.Application" and "PowerPoint.Application", in
    // place before start-up's presence test of Excel.
    servers::registerSpreadsheetServer();
    servers::registerPresentationServer(dialogs);

    app::Form1 form(dialogs, platform::systemFiles(), platform::systemClock(),
                    platform::systemEvents());
    dialogs.setParentWindow(&form);
    if (!form.Form_Load()) return 0;
    form.showCentered();
    // Once the window is up, so that the search shows its hourglass and any box it raises has
    // the window to sit on.
    if (!commandLine.files.isEmpty()) {
        QTimer::singleShot(0, &form, [&form, files = commandLine.files] { form.openFiles(files); });
    }
    return application.exec();
}
