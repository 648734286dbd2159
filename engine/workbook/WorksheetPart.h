#pragma once

#include "engine/package/Package.h"
#include "engine/workbook/CellReference.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <utility>
#include <vector>

namespace engine {

// What a worksheet part says about the size of its columns and rows, read by streaming the part
// only as far as the rows asked for: <sheetFormatPr>, <cols> and the <row> elements up to a
// given row. Column widths are in characters of the maximum digit width (7 px for the usual
// Calibri 11 Normal font), row heights in points, as in the file.
struct SheetGeometry {
    struct Columns {
        int min = 1;  // 1-based, inclusive, as in <col>
        int max = 1;
        double width = -1;  // -1: none given
        bool hidden = false;
    };
    struct Row {
        double height = -1;  // points; -1: the default
        bool hidden = false;
    };

    double defaultColumnWidth = -1;  // sheetFormatPr/@defaultColWidth; -1: not given
    double baseColumnWidth = 8;      // sheetFormatPr/@baseColWidth
    double defaultRowHeight = 15;    // sheetFormatPr/@defaultRowHeight, points
    bool rowsHiddenByDefault = false;  // sheetFormatPr/@zeroHeight
    std::vector<Columns> columns;
    std::map<int, Row> rows;  // 0-based row index -> what its <row> says

    // Widths and heights in whole pixels at 96 dpi, as the sheet is drawn; 0 when hidden.
    int columnPixels(int column) const;
    int rowPixels(int row) const;
};

// Streams the worksheet part far enough to know rows 0 to lastRow. Throws DocumentError naming
// the file and part when the XML is malformed before that point.
SheetGeometry readSheetGeometry(const PackageReader& package, const QString& part, int lastRow);

// One cell as stored: its type attribute (t), its style index (s) and the text of its value
// (<v>, or the text of an inline string).
struct StoredCell {
    QByteArray type;
    int style = 0;
    QByteArray value;
};

// Streams the worksheet part and keeps the cells inside the ranges, stopping after the last
// row any range covers. Ranges are of this sheet (their sheet names are not looked at).
std::map<std::pair<int, int>, StoredCell> readSheetCells(const PackageReader& package,
                                                         const QString& part,
                                                         const std::vector<CellRange>& ranges);

}  // namespace engine
