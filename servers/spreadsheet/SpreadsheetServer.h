#pragma once

#include "engine/chartcopy/WorkbookChart.h"
#include "engine/chartdraw/ChartScene.h"
#include "office/Excel.h"

#include <QSizeF>
#include <memory>
#include <optional>

namespace servers {

// The built-in spreadsheet application that stands in for Excel behind office::ExcelApplication.
// It reads .xlsx, .xlsm, .xltx and .xltm workbooks itself (recognised by their content), and a
// legacy .xls from its own records (engine::XlsWorkbook): its worksheets, chart objects and what
// Chart.Facts says of each chart, and the charts themselves, which Copy and Export take from the
// chart part the reader writes of a chart's records, with the cells its series name. No other
// program is involved for either. The remaining formats (.xlsb, .ods) go through the LibreOffice
// converter, into a temporary .xlsx of its own, when they are opened. Chart.Facts of an Open XML
// chart reads the outline of its part (engine::ChartOutline), never a whole model of it.
//
// Ownership: the application owns every workbook it opened and every temporary file; Quit
// releases them all and withdraws the application from the table of running servers; after
// Quit every call on it or on an object it handed out fails. It is never visible. Workbooks are
// only read.
//
// Errors: every refused call throws office::AutomationError with a description: a workbook
// that cannot be opened names the file and what is wrong with it; an .xls chart the reader
// cannot read in full names the file, the sheet and the chart (reported by ChartArea.Copy and
// Chart.Export); a miss in a collection is "Subscript out of range".
std::shared_ptr<office::ExcelApplication> createSpreadsheetApplication();

// A chart of a workbook as the application shows it to a window: laid out at its frame's size,
// with what a description of it says. chart holds the model in its look (the one every picture
// of the chart has: its own theme override included), for drawing it again at another size;
// none for the newer kinds, whose scene is the whole of them.
struct ShownChart {
    std::optional<engine::chart::WorkbookChart> chart;
    std::shared_ptr<const engine::chart::ChartScene> scene;
    QString name;  // the chart object's own name ("Chart 1")
    QString kind;  // as Chart.Facts names it ("Column", "Combination", "Waterfall"); "" when unknown
    int seriesCount = 0;
    QSizeF sizeInPoints;
};

// Chart object chartIndex (1-based) of worksheet sheetName (ignoring case) of the workbook at
// path, read as Workbooks.Open reads workbooks (the same formats, converter and messages) and
// drawn as Chart.Export draws it. The workbook is opened for this call alone, read-only, and
// closed again before it returns; no running application is involved, so it may be called from
// any thread. Throws office::AutomationError with a message naming the file: a workbook that
// cannot be read, no such worksheet, no such chart, a chart that cannot be read.
ShownChart readChartToShow(const QString& path, const QString& sheetName, int chartIndex);

// Registers the application under "Excel.Application" in office::ServerRegistry; each created
// instance is published in the table of running servers from its creation until its Quit.
void registerSpreadsheetServer();

}  // namespace servers
