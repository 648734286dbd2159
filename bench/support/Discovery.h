#pragma once
// Find as the chart list command drives it, Open to Quit: create the spreadsheet application,
// open the workbook, count the worksheets, per worksheet count its chart objects and read every
// chart's name, then quit. Shared by the benchmarks of discovery on every workbook format.

#include "office/Excel.h"
#include "office/ServerRegistry.h"

#include <QString>
#include <benchmark/benchmark.h>

namespace bench {

// The number of charts found in the workbook at path.
inline int discoverCharts(const QString& path) {
    auto excel = office::createObject<office::ExcelApplication>(QString::fromLatin1(office::kExcelProgId));
    excel->Workbooks()->Open(path);
    const int sheetCount = excel->ActiveWorkbook()->Worksheets()->Count();
    int charts = 0;
    for (int i = 1; i <= sheetCount; ++i) {
        const int chartCount = excel->ActiveWorkbook()->Worksheets()->Item(i)->ChartObjects()->Count();
        benchmark::DoNotOptimize(excel->ActiveWorkbook()->Worksheets()->Item(i)->Name());
        for (int j = 1; j <= chartCount; ++j) {
            benchmark::DoNotOptimize(
                excel->ActiveWorkbook()->Worksheets()->Item(i)->ChartObjects()->Item(j)->Chart()->Name());
            ++charts;
        }
    }
    excel->setDisplayAlerts(false);
    excel->Quit();
    return charts;
}

}  // namespace bench
