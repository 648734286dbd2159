#pragma once

#include "discovery/Excel1.h"
#include "platform/StepRunner.h"

#include <QString>

namespace platform {
class Dialogs;
class Files;
class FormControls;
}  // namespace platform

namespace charts {

// The six commands around the chart list: browse for a workbook ("..."), find its charts
// ("1. Find Charts In Excel File"), load the sample workbook's path, clear the path, and set or
// clear every check mark. Each command is a trapped procedure of the main window, kept here as
// its step table; the window's click slots call the matching PushButtonN_Click.
//
// Ownership: the window's controls, the dialogs, the file queries and the step runner are lent
// for this object's lifetime; it owns the discovery module that Find runs.
//
// Errors: a failing step is reported in the "Application Error" box with the command's location
// string and the step's line, and the command goes on as its table says. Find's two tests
// (empty box, no matching file) end it silently: they are answers, not failures.
class ChartCommands {
public:
    static constexpr const char* kBrowseTitle = "Add File(s) - Hold Ctrl to select multiple files";
    static constexpr const char* kExcelFilter = "Excel Files (*.xl*)|*.xl*|";
    static constexpr const char* kSampleWorkbook = "/Samples/sample1.xls";

    ChartCommands(platform::FormControls& controls, platform::Dialogs& dialogs,
                  platform::Files& files, const platform::StepRunner& runner);

    void PushButton1_Click();  // "..."
    void PushButton4_Click();  // "1. Find Charts In Excel File"
    void PushButton5_Click();  // "Load Sample/Example File"
    void PushButton6_Click();  // "Clear File"
    void PushButton7_Click();  // "Uncheck All"
    void PushButton9_Click();  // "Check All"

    // The step tables the commands run; each table carries the state of one click.
    platform::Procedure pushButton1Procedure();
    platform::Procedure pushButton4Procedure();
    platform::Procedure pushButton5Procedure();
    platform::Procedure pushButton6Procedure();
    platform::Procedure pushButton7Procedure();
    platform::Procedure pushButton9Procedure();

    Excel1& excel1() { return m_excel1; }

private:
    platform::Procedure setAllChecks(const char* location, bool on);

    platform::FormControls& m_controls;
    platform::Dialogs& m_dialogs;
    platform::Files& m_files;
    const platform::StepRunner& m_runner;
    Excel1 m_excel1;
};

// Text with its leading and trailing blanks removed; other white space is kept, as the Find
// command's emptiness test counts only blanks.
QString trimBlanks(const QString& text);

}  // namespace charts
