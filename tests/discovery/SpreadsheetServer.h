#pragma once

#include <QStringList>

namespace chartstest {

// Registers the built-in spreadsheet application under "Excel.Application", as the program
// does at start-up.
void registerSpreadsheetServer();

// The rows "1. Find Charts In Excel File" lists for the sample workbook that ships beside the
// executable ("sheet|chart|index|checked"). The sample is a legacy .xls that the spreadsheet
// application reads through the LibreOffice conversion, which renames every chart "Chart N".
extern const QStringList kSampleRows;

}  // namespace chartstest
