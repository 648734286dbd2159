#pragma once

#include "platform/StepRunner.h"

#include <QString>

namespace platform {
class Dialogs;
class FormControls;
}  // namespace platform

namespace charts {

// Module Excel1, chart discovery: ExtractChartByFile lists every chart object on the worksheets
// of one workbook as checked rows of the chart list, using a private hidden spreadsheet
// application created by program identifier "Excel.Application" and quit again at the end.
//
// Ownership: the window's controls, the dialogs and the step runner are lent for the lifetime of
// this object. The spreadsheet application lives only for one call: the procedure's state holds
// it and lets go of it when the procedure returns.
//
// Errors: the procedure is trapped. A failing step is reported in the "Application Error" box
// with its line number and the location string kLocation, and the procedure goes on with the
// step its table names; it always ends with alerts off, the application quit, the pointer back
// to the default and, when no worksheet held a chart, the "No charts found within file." notice.
class Excel1 {
public:
    static constexpr const char* kLocation = "in Ostrivane2021/08/31.Excel1.ExtractChartByFile ";
    static constexpr const char* kNoChartsMessage = "No charts found within file.";

    Excel1(platform::FormControls& controls, platform::Dialogs& dialogs,
           const platform::StepRunner& runner);

    // Appends one checked row per chart object of every worksheet of the workbook at path.
    // path goes to the spreadsheet application exactly as given, blanks included. Never
    // empties the list.
    void ExtractChartByFile(const QString& path);

    // The step table that ExtractChartByFile runs. The table carries the state of one call;
    // building it touches nothing.
    platform::Procedure extractChartByFileProcedure(const QString& path);

private:
    platform::FormControls& m_controls;
    platform::Dialogs& m_dialogs;
    const platform::StepRunner& m_runner;
};

}  // namespace charts
