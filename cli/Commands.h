#pragma once

#include "cli/Options.h"
#include "office/Automation.h"
#include "platform/Failure.h"

#include <QString>
#include <memory>
#include <QtGlobal>
#include <stdexcept>
#include <vector>

namespace office {
class ExcelApplication;
}

namespace cli {

// An object the automation layer handed back, held for as long as it is used; an empty
// reference is a missing object, as one never set.
template <typename T>
std::shared_ptr<T> need(std::shared_ptr<T> object) {
    if (!object) throw office::AutomationError(QString::fromLatin1(platform::runtime::kObjectNotSet));
    return object;
}

// A command that cannot go on: the exit status and the one line for standard error (without
// the program's name), which names the file and says what is wrong.
class CommandError : public std::exception {
public:
    CommandError(int status, QString message) : m_status(status), m_message(std::move(message)) {}
    int status() const { return m_status; }
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return "quillmere-cli command failed"; }

private:
    int m_status;
    QString m_message;
};

// Where a command writes: results to standard output, notices and progress to standard error.
// Progress is only written when standard error is a terminal and --quiet was not given.
class Console {
public:
    explicit Console(bool quiet);
    ~Console();

    void result(const QByteArray& bytes);
    void notice(const QString& line);
    // Replaces the progress line (a terminal only); "" clears it.
    void progress(const QString& line);

private:
    bool m_quiet;
    bool m_terminal;
    bool m_progressShown = false;
};

// One row of the list: the window's three columns, then what the chart holds. A chart sheet's
// chart has no index (0).
struct ListedChart {
    QString sheetName;
    QString chartName;
    int chartIndex = 0;
    bool chartSheet = false;
    QString kind;
    QString title;
    int seriesCount = 0;
    qint64 widthEmu = 0;
    qint64 heightEmu = 0;
    QString problem;  // why the chart's facts could not be read; "" when they were
};

// Walks the charts of the application's active workbook as chart discovery does: the
// worksheets in the order of their collection, on each its chart objects in theirs. A chart
// whose part cannot be read keeps its row, with its facts empty and the problem noted. With
// chartSheets, the charts of the workbook's chart sheets follow, in the order of its Charts
// collection (the sheets' order). Throws office::AutomationError when the workbook itself
// cannot be walked.
std::vector<ListedChart> listCharts(office::ExcelApplication& excel, bool chartSheets = false);

// The list as tab-separated lines, or as a JSON array. In the tab-separated form a backslash,
// tab, line feed or carriage return inside a text is written \\, \t, \n, \r, and a chart
// sheet's chart has an empty index; in JSON its index is null and "chartSheet" is true.
QByteArray listAsText(const std::vector<ListedChart>& charts);
QByteArray listAsJson(const std::vector<ListedChart>& charts);

// The commands; each returns the exit status or throws CommandError. They need the spreadsheet
// and presentation applications registered, and copy an application object with a clipboard.
int runList(const Options& options, Console& console);
int runCopy(const Options& options, Console& console);
int runRender(const Options& options, Console& console);
// Needs no automation server: the decks and workbooks are read by the engine directly.
int runRefresh(const Options& options, Console& console);

}  // namespace cli
