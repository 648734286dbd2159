#pragma once
// What the benchmarks that drive the main window share: dialogs that answer without showing
// anything, the built-in applications registered as start-up registers them, and a window
// brought to the point where Find has listed a workbook's charts.

#include "app/Form1.h"
#include "office/ServerRegistry.h"
#include "platform/ChartList.h"
#include "platform/Dialogs.h"
#include "platform/Memory.h"
#include "platform/Services.h"
#include "servers/presentation/PresentationServer.h"
#include "servers/presentation/PresentationWindow.h"
#include "servers/spreadsheet/SpreadsheetServer.h"

#include <QApplication>
#include <QStandardPaths>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <benchmark/benchmark.h>

namespace bench {

// Answers every box with OK, noting when "Done." came (on clock) and any other text; a save
// asks for saveAs, and closing discards.
class SilentDialogs : public platform::Dialogs {
public:
    int messageBox(const QString& text, int, const QString&) override {
        if (text == QLatin1String("Done.")) doneAt = clock.nsecsElapsed();
        else otherMessages << text;
        return platform::box::kResultOk;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return saveAs; }
    SaveChoice askSaveChanges(const QString&, const QString&) override { return SaveChoice::Discard; }

    QElapsedTimer clock;
    qint64 doneAt = -1;
    QStringList otherMessages;
    QString saveAs;
};

// A fresh registry with the built-in spreadsheet and presentation applications, the latter
// answering its dialogs with dialogs.
inline void registerServers(platform::Dialogs& dialogs) {
    office::ServerRegistry::instance().reset();
    servers::registerSpreadsheetServer();
    servers::registerPresentationServer(dialogs);
}

// The first visible presentation window, or nullptr.
inline servers::PresentationWindow* presentationWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<servers::PresentationWindow*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

// Closes every presentation window a run left open and lets Qt delete them.
inline void closePresentationWindows() {
    while (servers::PresentationWindow* window = presentationWindow()) window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Starts form, names workbook with a delay of 0 and presses Find. False, with the benchmark
// skipped and the reason given, when start-up ends or the list does not hold expectedRows.
inline bool findCharts(app::Form1& form, const QString& workbook, int expectedRows, benchmark::State& state) {
    if (!form.Form_Load()) {
        state.SkipWithError("start-up asked to end");
        return false;
    }
    form.showCentered();
    form.Text1()->setText(workbook);
    form.Text3()->setText(QStringLiteral("0"));
    form.PushButton(4)->click();
    if (platform::ChartList(form.ListView1()).count() != expectedRows) {
        state.SkipWithError("Find did not list the benchmark workbook's charts");
        return false;
    }
    return true;
}

// The main of a benchmark program that drives the window: the allocator set up as the program's
// main sets it, offscreen unless QT_QPA_PLATFORM names another platform (xcb under Xvfb, where
// the windows are shown and drawn as on a desktop), with test-mode settings so that what the
// window writes stays out of the user's, and alive when its last window closes.
inline int runWindowBenchmarks(int argc, char** argv) {
    platform::configureMemory();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
