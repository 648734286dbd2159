#pragma once

#include "engine/chartcopy/ChartPackage.h"
#include "engine/package/Package.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>
#include <tuple>

// Test fixtures for the presentation tests: workbooks with real charts made by XlsxWriter, a
// reader of the cells of a workbook (the source ones and the ones embedded beside pasted
// charts), chart packages assembled from a workbook's chart the way the spreadsheet's copy
// does, and LibreOffice as an outside reader.
namespace fixtures {

// The folder the fixture script wrote into (made once per test process).
QString fixtureDir();

struct CellKey {
    QString sheet;
    int row = 0;
    int column = 0;
    bool operator<(const CellKey& o) const {
        return std::tie(sheet, row, column) < std::tie(o.sheet, o.row, o.column);
    }
    bool operator==(const CellKey& o) const {
        return sheet == o.sheet && row == o.row && column == o.column;
    }
};
struct CellValue {
    QVariant value;  // double, QString or bool
    QString numberFormat;  // "" for General
};
using Cells = QMap<CellKey, CellValue>;

// Every non-empty cell of every worksheet of an .xlsx (shared, inline and formula strings,
// numbers, Booleans), with its number format code.
Cells readWorkbookCells(const engine::Package& workbook);
Cells readWorkbookCells(const QByteArray& xlsx);
// The sheet names of an .xlsx, in tab order.
QStringList sheetNames(const QByteArray& xlsx);

// A range reference ("'My ''Sheet'''!$B$2:$B$6") split into sheet and 0-based corners.
struct Range {
    QString sheet;
    int row1 = 0, column1 = 0, row2 = 0, column2 = 0;
};
bool parseRange(const QString& formula, Range* range);

// The chart package of chart part /xl/charts/chart<chartNumber>.xml of a workbook: the chart
// and every part it reaches, the theme, and the cells its formulas name.
engine::ChartPackage chartPackageFromWorkbook(const QString& xlsxPath, int chartNumber,
                                              const QString& chartName = QStringLiteral("Chart 1"));

// LibreOffice as an outside reader: converts every file to PDF in one run and returns the page
// count of each (-1 when its PDF is missing). Empty when soffice is not installed.
bool sofficeAvailable();
QList<int> pdfPageCounts(const QStringList& presentations, const QString& workFolder);

}  // namespace fixtures
