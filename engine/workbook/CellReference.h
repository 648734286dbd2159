#pragma once

#include <QString>
#include <optional>
#include <string_view>
#include <vector>

namespace engine {

// A rectangle of cells on one sheet, 0-based and inclusive, as a chart's series formulas name
// them ("'My Sheet'!$B$2:$B$9").
struct CellRange {
    QString sheet;
    int firstRow = 0;
    int firstColumn = 0;
    int lastRow = 0;
    int lastColumn = 0;

    qint64 cellCount() const {
        return qint64(lastRow - firstRow + 1) * qint64(lastColumn - firstColumn + 1);
    }
    bool operator==(const CellRange&) const = default;
};

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

// "B2" -> row 1, column 1 ("$B$2" alike). False when text is not one cell address.
bool parseCellAddress(const QString& text, int* row, int* column);
// The same from the bytes of a cell's r attribute.
bool parseCellAddress(std::string_view text, int* row, int* column);
// Column letters of a 0-based column (0 -> "A", 27 -> "AB").
QString columnLetters(int column);
// "B2" from 0-based indices.
QString cellAddress(int row, int column);

// The ranges a chart formula refers to: one reference, or a parenthesised union of them
// separated by commas. Whole columns ($A:$A) and whole rows ($1:$1) are allowed. Nothing when
// the formula is something else: a defined name, a reference into another workbook
// ("[1]Sheet1!A1"), a reference without a sheet, or a function.
std::optional<std::vector<CellRange>> parseChartFormula(const QString& formula);

}  // namespace engine
