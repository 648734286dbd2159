#pragma once

#include "office/Excel.h"

#include <memory>

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

// Registers the application under "Excel.Application" in office::ServerRegistry; each created
// instance is published in the table of running servers from its creation until its Quit.
void registerSpreadsheetServer();

}  // namespace servers
