#include "WorksheetPart.h"

#include "engine/workbook/XmlStream.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <optional>

namespace engine {

namespace {

constexpr int kMaxDigitWidth = 7;  // pixels of a digit in Calibri 11 at 96 dpi
constexpr qint64 kChunkBytes = 64 * 1024;

// Column width in characters to pixels, the file format's rule:
// Truncate(((256 * width + Truncate(128 / MDW)) / 256) * MDW).
int pixelsOfWidth(double width) {
    if (width <= 0) return 0;
    const double px = std::trunc(((256.0 * width + std::trunc(128.0 / kMaxDigitWidth)) / 256.0) *
                                 kMaxDigitWidth);
    // A width past any sheet's (the application stops at 255 characters) stays within an int.
    return int(std::min(px, 1e9));
}

QString displayName(const PackageReader& package) {
    const QString name = package.fileName();
    return name.isEmpty() ? package.path() : name;
}

void streamPart(const PackageReader& package, const QString& part, XmlStream::Handler& handler) {
    XmlStream stream(handler, displayName(package), part, package.limits());
    package.readInChunks(part, kChunkBytes,
                         [&](const QByteArray& chunk) { return stream.feed(chunk); });
    stream.finish();
}

// Rows of <sheetData> carry r (1-based); a row without it follows the one before.
int rowIndexOf(const XmlStream::Attributes& attributes, int previous) {
    int value = 0;
    return parseInt(attributes.value("r"), &value) && value >= 1 && value <= kMaxRows ? value - 1 : previous + 1;
}

// Notes what the size elements say as a worksheet streams by: <sheetFormatPr>, <col> and the
// attributes of <row>. A row is noted only where it draws otherwise than a row the part leaves
// out (the defaults come before the rows in a worksheet), so that a long sheet of rows of the
// default height costs no memory.
class GeometryNotes {
public:
    explicit GeometryNotes(SheetGeometry& geometry) : m_geometry(geometry) {}

    // True when the element is one of those before the rows.
    bool note(std::string_view name, const XmlStream::Attributes& a) {
        if (name == "sheetFormatPr") {
            double v = 0;
            if (parseDouble(a.value("defaultColWidth"), &v) && v >= 0 && v <= 255) m_geometry.defaultColumnWidth = v;
            if (parseDouble(a.value("baseColWidth"), &v) && v >= 0 && v <= 255) m_geometry.baseColumnWidth = v;
            if (parseDouble(a.value("defaultRowHeight"), &v) && v >= 0 && v <= 409.5) m_geometry.defaultRowHeight = v;
            m_geometry.rowsHiddenByDefault = isTrue(a.value("zeroHeight"));
        } else if (name == "col") {
            SheetGeometry::Columns columns;
            if (!parseInt(a.value("min"), &columns.min) || !parseInt(a.value("max"), &columns.max) ||
                columns.min < 1 || columns.max < columns.min) {
                return true;
            }
            columns.max = std::min(columns.max, kMaxColumns);
            double width = 0;
            if (parseDouble(a.value("width"), &width) && width >= 0 && width <= 255) columns.width = width;
            columns.hidden = isTrue(a.value("hidden"));
            m_geometry.columns.push_back(columns);
        } else {
            return false;
        }
        return true;
    }

    void noteRow(int index, const XmlStream::Attributes& a) {
        SheetGeometry::Row row;
        double height = 0;
        if (parseDouble(a.value("ht"), &height) && height >= 0 && height <= 409.5) row.height = height;
        if (a.has("hidden")) {
            row.hidden = isTrue(a.value("hidden"));
        } else {
            row.hidden = m_geometry.rowsHiddenByDefault && row.height < 0;
        }
        // A row written twice counts as its last writing.
        if (m_geometry.pixelsOf(&row) != m_geometry.pixelsOf(nullptr)) {
            m_geometry.rows[index] = row;
        } else {
            m_geometry.rows.erase(index);
        }
    }

private:
    SheetGeometry& m_geometry;
};

class GeometryHandler : public XmlStream::Handler {
public:
    GeometryHandler(SheetGeometry& geometry, int lastRow) : m_notes(geometry), m_lastRow(lastRow) {}

    bool startElement(std::string_view name, const XmlStream::Attributes& a) override {
        if (name == "row") {
            m_row = rowIndexOf(a, m_row);
            if (m_row > m_lastRow) return false;
            skipContent();  // the cells are of no concern here
            m_notes.noteRow(m_row, a);
        } else {
            m_notes.note(name, a);
        }
        return true;
    }
    bool endElement(std::string_view name) override { return name != "sheetData"; }
    bool text(std::string_view) override { return true; }

private:
    GeometryNotes m_notes;
    int m_lastRow;
    int m_row = -1;
};

class CellHandler : public XmlStream::Handler {
public:
    CellHandler(const CellSelection& selection, std::vector<StoredCell>& out, SheetGeometry* geometry,
                int geometryLastRow)
        : m_selection(selection), m_out(out), m_rows(selection.rowIntervals()),
          m_geometryLastRow(geometry ? geometryLastRow : -1) {
        if (geometry) m_notes.emplace(*geometry);
    }

    bool startElement(std::string_view name, const XmlStream::Attributes& a) override {
        if (name == "c" && m_inData) {
            int row = m_row, column = m_column + 1;
            const std::string_view r = a.value("r");
            if (!r.empty()) parseCellAddress(r, &row, &column);
            m_column = column;
            m_keep = m_selection.contains(row, column);
            if (m_keep) {
                m_cell.row = row;
                m_cell.column = column;
                const std::string_view type = a.value("t");
                m_cell.type = QByteArray(type.data(), qsizetype(type.size()));
                m_cell.style = 0;
                parseInt(a.value("s"), &m_cell.style);
                m_cell.value.clear();
            } else {
                skipContent();
            }
        } else if (name == "row" && m_inData) {
            const int previous = m_row;
            m_row = rowIndexOf(a, m_row);
            m_column = -1;
            // Rows come in order in a well-made sheet, and reading stops after the last one
            // wanted; a sheet seen to break that order is read to its end, as is one whose
            // first rows already lie past the selection.
            if (m_row <= previous) m_ordered = false;
            if (m_row > std::max(m_selection.lastRow(), m_geometryLastRow)) {
                if (m_ordered && m_reachedSelection) return false;
            } else {
                m_reachedSelection = true;
            }
            if (m_notes && m_row <= m_geometryLastRow) m_notes->noteRow(m_row, a);
            if (!wantsRow(m_row)) skipContent();
        } else if (name == "sheetData") {
            m_inData = true;
        } else if (m_notes && !m_inData && m_notes->note(name, a)) {
            return true;
        } else if (!m_keep) {
            return true;
        } else if (name == "v") {
            m_inValue = true;
        } else if (name == "t") {
            m_inText = m_rphDepth == 0;
        } else if (name == "rPh") {
            ++m_rphDepth;
        }
        return true;
    }
    bool endElement(std::string_view name) override {
        if (name == "c") {
            if (m_keep) m_out.push_back(m_cell);
            m_keep = false;
        } else if (name == "v") {
            m_inValue = false;
        } else if (name == "t") {
            m_inText = false;
        } else if (name == "rPh") {
            --m_rphDepth;
        } else if (name == "sheetData") {
            return false;
        }
        return true;
    }
    bool text(std::string_view text) override {
        if (m_keep && (m_inValue || m_inText)) m_cell.value.append(text.data(), qsizetype(text.size()));
        return true;
    }

private:
    bool wantsRow(int row) const {
        auto it = std::lower_bound(m_rows.begin(), m_rows.end(), row,
                                   [](const std::pair<int, int>& interval, int r) { return interval.second < r; });
        return it != m_rows.end() && it->first <= row;
    }

    const CellSelection& m_selection;
    std::vector<StoredCell>& m_out;
    const std::vector<std::pair<int, int>> m_rows;  // rows with a selected cell, as in rowIntervals()
    std::optional<GeometryNotes> m_notes;
    int m_geometryLastRow;
    bool m_inData = false;
    bool m_ordered = true;
    bool m_reachedSelection = false;
    int m_row = -1;
    int m_column = -1;
    bool m_keep = false;
    bool m_inValue = false;
    bool m_inText = false;
    int m_rphDepth = 0;
    StoredCell m_cell;
};

}  // namespace

void SheetGeometry::indexColumns() {
    m_columnOwner.assign(size_t(kMaxColumns), -1);
    // Later <col> elements override earlier ones: walk them from the last, giving each only the
    // columns no later one took. next[c] leads past columns already given (1-based, path halving),
    // so that every column is given once however many elements overlap.
    std::vector<int> next(size_t(kMaxColumns) + 2);
    for (size_t c = 0; c < next.size(); ++c) next[c] = int(c);
    const auto find = [&](int c) {
        while (next[size_t(c)] != c) {
            next[size_t(c)] = next[size_t(next[size_t(c)])];
            c = next[size_t(c)];
        }
        return c;
    };
    for (int i = int(columns.size()) - 1; i >= 0; --i) {
        const Columns& element = columns[size_t(i)];
        for (int c = find(element.min); c <= element.max; c = find(c + 1)) {
            m_columnOwner[size_t(c - 1)] = i;
            next[size_t(c)] = c + 1;
        }
    }
}

int SheetGeometry::columnPixels(int column) const {
    const int oneBased = column + 1;
    // The last <col> covering the column wins, as later elements override earlier ones.
    const Columns* owner = nullptr;
    if (!m_columnOwner.empty()) {
        if (column >= 0 && column < kMaxColumns && m_columnOwner[size_t(column)] >= 0) {
            owner = &columns[size_t(m_columnOwner[size_t(column)])];
        }
    } else {
        for (auto it = columns.rbegin(); it != columns.rend() && !owner; ++it) {
            if (oneBased >= it->min && oneBased <= it->max) owner = &*it;
        }
    }
    if (owner) {
        if (owner->hidden) return 0;
        if (owner->width >= 0) return pixelsOfWidth(owner->width);
    }
    if (defaultColumnWidth >= 0) return pixelsOfWidth(defaultColumnWidth);
    // Without defaultColWidth the default column is baseColWidth digits plus 5 px of margin and
    // gridline, rounded up to a multiple of 8 px: 8 digits -> 64 px, Excel's usual default.
    const int px = int(std::lround(baseColumnWidth * kMaxDigitWidth)) + 5;
    return (px + 7) / 8 * 8;
}

int SheetGeometry::rowPixels(int row) const {
    auto it = rows.find(row);
    return pixelsOf(it != rows.end() ? &it->second : nullptr);
}

int SheetGeometry::pixelsOf(const Row* row) const {
    double points = defaultRowHeight;
    if (row) {
        if (row->hidden) return 0;
        if (row->height >= 0) points = row->height;
    } else if (rowsHiddenByDefault) {
        return 0;
    }
    // Rows are drawn in whole pixels: 15 pt -> 20 px.
    return int(std::lround(points * 4.0 / 3.0));
}

SheetGeometry readSheetGeometry(const PackageReader& package, const QString& part, int lastRow) {
    SheetGeometry geometry;
    GeometryHandler handler(geometry, lastRow);
    streamPart(package, part, handler);
    geometry.indexColumns();
    return geometry;
}

std::vector<StoredCell> readSheetCells(const PackageReader& package, const QString& part,
                                       const CellSelection& selection, SheetGeometry* geometry,
                                       int geometryLastRow) {
    std::vector<StoredCell> cells;
    if (selection.empty()) return cells;
    CellHandler handler(selection, cells, geometry, geometryLastRow);
    streamPart(package, part, handler);
    return cells;
}

void CellSelection::addRows(int column, int firstRow, int lastRow) {
    if (column < 0 || column >= kMaxColumns || firstRow > lastRow) return;
    if (size_t(column) >= m_columns.size()) m_columns.resize(size_t(column) + 1);
    Intervals& rows = m_columns[size_t(column)];
    // The first interval that ends at or after the row before firstRow: it and the ones after
    // it that start by the row after lastRow merge with the new one.
    auto it = std::lower_bound(rows.begin(), rows.end(), firstRow - 1,
                               [](const std::pair<int, int>& interval, int row) { return interval.second < row; });
    int first = firstRow, last = lastRow;
    auto end = it;
    while (end != rows.end() && end->first <= lastRow + 1) {
        first = std::min(first, end->first);
        last = std::max(last, end->second);
        m_cells -= end->second - end->first + 1;
        ++end;
    }
    it = rows.erase(it, end);
    rows.insert(it, {first, last});
    m_cells += last - first + 1;
    m_lastRow = std::max(m_lastRow, last);
}

void CellSelection::add(const CellRange& range) {
    for (int c = range.firstColumn; c <= range.lastColumn; ++c) addRows(c, range.firstRow, range.lastRow);
}

void CellSelection::add(const CellSelection& other) {
    for (const CellRange& range : other.ranges()) add(range);
}

bool CellSelection::contains(int row, int column) const {
    if (column < 0 || size_t(column) >= m_columns.size()) return false;
    const Intervals& rows = m_columns[size_t(column)];
    auto it = std::lower_bound(rows.begin(), rows.end(), row,
                               [](const std::pair<int, int>& interval, int r) { return interval.second < r; });
    return it != rows.end() && it->first <= row;
}

bool CellSelection::covers(const CellRange& range) const {
    for (int c = range.firstColumn; c <= range.lastColumn; ++c) {
        if (c < 0 || size_t(c) >= m_columns.size()) return false;
        const Intervals& rows = m_columns[size_t(c)];
        auto it = std::lower_bound(rows.begin(), rows.end(), range.firstRow,
                                   [](const std::pair<int, int>& interval, int r) { return interval.second < r; });
        if (it == rows.end() || it->first > range.firstRow || it->second < range.lastRow) return false;
    }
    return true;
}

std::vector<std::pair<int, int>> CellSelection::rowIntervals() const {
    Intervals all;
    for (const Intervals& rows : m_columns) all.insert(all.end(), rows.begin(), rows.end());
    std::sort(all.begin(), all.end());
    Intervals merged;
    for (const auto& interval : all) {
        if (!merged.empty() && interval.first <= merged.back().second + 1) {
            merged.back().second = std::max(merged.back().second, interval.second);
        } else {
            merged.push_back(interval);
        }
    }
    return merged;
}

std::vector<CellRange> CellSelection::ranges() const {
    std::vector<CellRange> result;
    for (size_t c = 0; c < m_columns.size(); ++c) {
        for (const auto& [first, last] : m_columns[c]) result.push_back({QString(), first, int(c), last, int(c)});
    }
    return result;
}

}  // namespace engine
