// Quillmere's entry point: the application object, the real dialogs and services, the main
// window's start-up, then the message loop until the last window has closed.

#include "app/Application.h"
#include "app/Form1.h"
#include "platform/Memory.h"
#include "platform/QtDialogs.h"
#include "platform/Services.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

int main(int argc, char** argv) {
    platform::configureMemory();
    app::Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    // The presentation windows may outlive the main window; the process ends with the last.
    QApplication::setQuitOnLastWindowClosed(true);

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
    return application.exec();
}
