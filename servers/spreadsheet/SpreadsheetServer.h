#pragma once

#include "office/Excel.h"

#include <memory>

namespace servers {

// The built-in spreadsheet application that stands in for Excel behind office::ExcelApplication.
// It reads .xlsx, .xlsm, .xltx and .xltm workbooks itself (recognised by their content) and any
// other workbook format through the LibreOffice converter, into a temporary .xlsx of its own.
// A legacy .xls is the exception: its worksheets and chart objects are listed from the file's
// own structure (engine::XlsStructure), without LibreOffice, and its conversion starts in the
// background as soon as it is opened (opening another workbook cancels it). A chart is copied
// from the converted copy, matched by sheet name and position; a sheet whose chart count differs
// in the copy refuses the copy with a message rather than copying another chart.
//
// Ownership: the application owns every workbook it opened and every temporary file; Quit
// releases them all and withdraws the application from the table of running servers; after
// Quit every call on it or on an object it handed out fails. It is never visible. Workbooks are
// only read.
//
// Errors: every refused call throws office::AutomationError with a description: a workbook
// that cannot be opened names the file and what is wrong with it (a legacy workbook's conversion
// failing, LibreOffice missing included, is reported by ChartArea.Copy); a miss in a collection is
// "Subscript out of range".
std::shared_ptr<office::ExcelApplication> createSpreadsheetApplication();

// Registers the application under "Excel.Application" in office::ServerRegistry; each created
// instance is published in the table of running servers from its creation until its Quit. A
// background conversion still running when the application object goes is cancelled.
void registerSpreadsheetServer();

}  // namespace servers
