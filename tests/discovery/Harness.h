#pragma once

#include "platform/ChartList.h"
#include "platform/ErrorReport.h"
#include "platform/StepRunner.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TestForm.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace chartstest {

// One error report as the step runner passed it on.
struct Report {
    QString location;
    int line = 0;
    QString description;
};

// What every chart test needs: the window's controls, scripted dialogs and files, and a step
// runner whose reports are both recorded and shown (through the fake) as the program shows
// them, so that their order against the notices can be checked.
struct Harness {
    testsupport::TestForm form;
    testsupport::FakeDialogs dialogs;
    testsupport::FakeFiles files;
    QList<Report> reports;
    platform::StepRunner runner{[this](const QString& location, int line, const QString& text) {
        reports.append({location, line, text});
        platform::ReportApplicationError(dialogs, location, line, text);
    }};

    platform::ChartList list() { return platform::ChartList(form.ListView1()); }

    QList<int> reportedLines() const {
        QList<int> lines;
        for (const Report& report : reports) lines.append(report.line);
        return lines;
    }

    // Every row as "sheet|chart|index|checked" (checked as 1 or 0), top first.
    QStringList rows() {
        QStringList all;
        platform::ChartList chartList = list();
        for (int i = 1; i <= chartList.count(); ++i) {
            all.append(chartList.sheetName(i) + QLatin1Char('|') + chartList.chartName(i) +
                       QLatin1Char('|') + chartList.chartIndex(i) + QLatin1Char('|') +
                       (chartList.checked(i) ? QLatin1Char('1') : QLatin1Char('0')));
        }
        return all;
    }

    // Titles of the boxes shown, in order: "Application Error" for reports, the caption passed
    // for the others ("" = the application title).
    QStringList boxTitles() const {
        QStringList titles;
        for (const auto& box : dialogs.messageBoxes()) titles.append(box.title);
        return titles;
    }
};

}  // namespace chartstest
