#pragma once

#include "FakeOffice.h"
#include "tests/support/TestForm.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakeServices.h"

#include "office/ServerRegistry.h"
#include "platform/ChartList.h"
#include "platform/Shutdown.h"
#include "platform/StepRunner.h"
#include "transfer/CopyRun.h"
#include "transfer/Main.h"

#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>

namespace testsupport {

// One copy run's surroundings: the fake servers, a form, scripted dialogs, a runner that
// records its reports and stops once the main window is marked closed, and the waits and
// event services, which are kept and also put on the servers' timeline ("wait 1", "events")
// so that a test can place them against the servers' calls.
struct CopyRunHarness {
    struct Report {
        QString location;
        int line;
        QString description;
    };

    OfficeWorld world;
    TestForm form;
    FakeDialogs dialogs;
    FakeEvents events;
    QSet<QString> existingFiles;
    QStringList fileQueries;
    QList<Report> reports;
    QList<int> waits;  // the seconds of every wait, in order
    std::function<void(int)> onWait;
    std::function<void()> onEvents;

    platform::StepRunner runner{
        [this](const QString& location, int line, const QString& description) {
            reports << Report{location, line, description};
        },
        [] { return platform::mainWindowClosed(); }};
    std::unique_ptr<transfer::CopyRun> copyRun;

    CopyRunHarness() {
        office::ServerRegistry::instance().reset();
        platform::resetMainWindowClosedForTests();
        registerFakeOffice(world);
        events.onService = [this] {
            world.log << QStringLiteral("events");
            if (onEvents) onEvents();
        };
        transfer::CopyRunServices services;
        services.dialogs = &dialogs;
        services.events = &events;
        services.fileExists = [this](const QString& path) {
            fileQueries << path;
            return existingFiles.contains(path);
        };
        services.fileNameOfPath = [](const QString& path) { return FileNameOfPath(path); };
        services.waitSeconds = [this](int seconds) {
            waits << seconds;
            world.log << QStringLiteral("wait %1").arg(seconds);
            if (onWait) onWait(seconds);
        };
        copyRun = std::make_unique<transfer::CopyRun>(form, services, runner);
        form.Text1()->setText(QStringLiteral("/data/book.xlsx"));
        form.Text3()->setText(QStringLiteral("0"));
    }

    ~CopyRunHarness() {
        copyRun.reset();
        world.powerPointRunning.reset();
        office::ServerRegistry::instance().reset();
        platform::resetMainWindowClosedForTests();
    }

    void addWorkbook(const QString& path, const QList<FakeSheet>& sheets) {
        world.spreadsheet.workbooks.insert(path, sheets);
    }

    void addRow(const QString& sheet, const QString& index, bool checked = true) {
        platform::ChartList list(form.ListView1());
        const int at = list.append(sheet);
        list.setChartName(at, sheet + QStringLiteral(" Chart ") + index);
        list.setChartIndex(at, index);
        list.setChecked(at, checked);
    }

    void click() { copyRun->PushButton2_Click(); }

    QList<int> reportedLines() const {
        QList<int> lines;
        for (const auto& report : reports) lines << report.line;
        return lines;
    }
};

}  // namespace testsupport
