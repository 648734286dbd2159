#pragma once

#include "office/Excel.h"

#include <memory>

namespace servers {

// The built-in spreadsheet application that stands in for Excel behind office::ExcelApplication.
// It reads .xlsx, .xlsm, .xltx and .xltm workbooks itself (recognised by their content) and any
// other workbook format through the LibreOffice converter, into a temporary .xlsx of its own.
// A legacy .xls is the exception: its worksheets and chart objects, and what Chart.Facts says of
// each chart, are read from the file's own records (engine::XlsStructure), without LibreOffice;
// its conversion, which copying and drawing need, starts in the background as soon as it is
// opened (opening another workbook cancels it), unless the options defer it to the first copy or
// drawing. A chart is copied from the converted copy, matched by sheet name and position; a sheet
// whose chart count differs in the copy refuses the copy with a message rather than copying
// another chart. Chart.Facts of an Open XML chart reads the outline of its part
// (engine::ChartOutline), never a whole model of it.
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
struct SpreadsheetOptions {
    // Whether opening a legacy .xls starts its conversion at once, in the background (the
    // window, which copies soon after it lists), or only when a chart is first copied or drawn
    // (a list alone then never starts LibreOffice).
    bool convertLegacyAhead = true;
};

std::shared_ptr<office::ExcelApplication> createSpreadsheetApplication(const SpreadsheetOptions& options = {});

// Registers the application under "Excel.Application" in office::ServerRegistry; each created
// instance is published in the table of running servers from its creation until its Quit. A
// background conversion still running when the application object goes is cancelled.
void registerSpreadsheetServer(const SpreadsheetOptions& options = {});

}  // namespace servers
