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
    std::map<int, Row> rows;  // 0-based row index -> what its <row> says, where it differs from no <row>

    // Widths and heights in whole pixels at 96 dpi, as the sheet is drawn; 0 when hidden.
    int columnPixels(int column) const;
    int rowPixels(int row) const;
    // The pixels of a row as given, or of one the part leaves out (nullptr).
    int pixelsOf(const Row* row) const;

    // Notes for every column which <col> governs it (the last one covering it), so that
    // columnPixels no longer scans them all; called once columns is complete.
    void indexColumns();

private:
    std::vector<int> m_columnOwner;  // by 0-based column: index into columns, -1 for none
};

// Streams the worksheet part far enough to know rows 0 to lastRow. Throws DocumentError naming
// the file and part when the XML is malformed before that point.
SheetGeometry readSheetGeometry(const PackageReader& package, const QString& part, int lastRow);

// The cells a pass over a worksheet keeps: for each column, the rows wanted as sorted,
// disjoint, inclusive intervals. Ranges added overlap or touch freely; they are merged, so
// that the same cell is never read twice and one pass serves any number of ranges. Sheet
// names of the ranges are not looked at.
class CellSelection {
public:
    void add(const CellRange& range);
    void add(const CellSelection& other);
    bool contains(int row, int column) const;
    // True when every cell of range is selected.
    bool covers(const CellRange& range) const;
    bool empty() const { return m_lastRow < 0; }
    int lastRow() const { return m_lastRow; }
    qint64 cellCount() const { return m_cells; }
    // The selection as ranges of one column each.
    std::vector<CellRange> ranges() const;
    // The rows holding a selected cell in any column, as sorted, disjoint, inclusive intervals
    // that do not touch.
    std::vector<std::pair<int, int>> rowIntervals() const;

private:
    using Intervals = std::vector<std::pair<int, int>>;
    void addRows(int column, int firstRow, int lastRow);

    std::vector<Intervals> m_columns;  // by 0-based column
    int m_lastRow = -1;
    qint64 m_cells = 0;
};

// One cell as stored: its position, its type attribute (t), its style index (s) and the text
// of its value (<v>, or the text of an inline string).
struct StoredCell {
    int row = 0;
    int column = 0;
    QByteArray type;
    int style = 0;
    QByteArray value;
};

// Streams the worksheet part once and keeps the selected cells in the order the part holds
// them, stopping after the last selected row when the rows come in order (a sheet whose rows
// do not is read to its end); a cell written twice comes twice, the later one last. Given a
// geometry, the same pass also notes in it what readSheetGeometry would for rows 0 to
// geometryLastRow, reading at least that far.
std::vector<StoredCell> readSheetCells(const PackageReader& package, const QString& part,
                                       const CellSelection& selection, SheetGeometry* geometry = nullptr,
                                       int geometryLastRow = -1);

}  // namespace engine
