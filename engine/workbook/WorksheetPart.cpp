#include "WorksheetPart.h"

#include "engine/workbook/XmlStream.h"

#include <QFileInfo>
#include <cmath>

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
    return int(px);
}

bool truthy(const QByteArray& value) { return value == "1" || value == "true"; }

QString displayName(const PackageReader& package) {
    const QString name = QFileInfo(package.path()).fileName();
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
    const QByteArray r = XmlStream::attribute(attributes, "r");
    bool ok = false;
    const int value = r.toInt(&ok);
    return ok && value >= 1 && value <= kMaxRows ? value - 1 : previous + 1;
}

class GeometryHandler : public XmlStream::Handler {
public:
    GeometryHandler(SheetGeometry& geometry, int lastRow) : m_geometry(geometry), m_lastRow(lastRow) {}

    bool startElement(const QByteArray& name, const XmlStream::Attributes& a) override {
        if (name == "sheetFormatPr") {
            bool ok = false;
            double v = XmlStream::attribute(a, "defaultColWidth").toDouble(&ok);
            if (ok && v >= 0 && v <= 255) m_geometry.defaultColumnWidth = v;
            v = XmlStream::attribute(a, "baseColWidth").toDouble(&ok);
            if (ok && v >= 0 && v <= 255) m_geometry.baseColumnWidth = v;
            v = XmlStream::attribute(a, "defaultRowHeight").toDouble(&ok);
            if (ok && v >= 0 && v <= 409.5) m_geometry.defaultRowHeight = v;
            m_geometry.rowsHiddenByDefault = truthy(XmlStream::attribute(a, "zeroHeight"));
        } else if (name == "col") {
            SheetGeometry::Columns columns;
            bool okMin = false, okMax = false;
            columns.min = XmlStream::attribute(a, "min").toInt(&okMin);
            columns.max = XmlStream::attribute(a, "max").toInt(&okMax);
            if (!okMin || !okMax || columns.min < 1 || columns.max < columns.min) return true;
            columns.max = std::min(columns.max, kMaxColumns);
            bool ok = false;
            const double width = XmlStream::attribute(a, "width").toDouble(&ok);
            if (ok && width >= 0 && width <= 255) columns.width = width;
            columns.hidden = truthy(XmlStream::attribute(a, "hidden"));
            m_geometry.columns.push_back(columns);
        } else if (name == "row") {
            m_row = rowIndexOf(a, m_row);
            if (m_row > m_lastRow) return false;
            SheetGeometry::Row row;
            bool ok = false;
            const double height = XmlStream::attribute(a, "ht").toDouble(&ok);
            if (ok && height >= 0 && height <= 409.5) row.height = height;
            if (XmlStream::hasAttribute(a, "hidden")) {
                row.hidden = truthy(XmlStream::attribute(a, "hidden"));
            } else {
                row.hidden = m_geometry.rowsHiddenByDefault && row.height < 0;
            }
            m_geometry.rows[m_row] = row;
        }
        return true;
    }
    bool endElement(const QByteArray& name) override { return name != "sheetData"; }
    bool text(const QByteArray&) override { return true; }

private:
    SheetGeometry& m_geometry;
    int m_lastRow;
    int m_row = -1;
};

class CellHandler : public XmlStream::Handler {
public:
    CellHandler(const std::vector<CellRange>& ranges, std::map<std::pair<int, int>, StoredCell>& out)
        : m_ranges(ranges), m_out(out) {
        for (const auto& range : ranges) m_lastRow = std::max(m_lastRow, range.lastRow);
    }

    bool startElement(const QByteArray& name, const XmlStream::Attributes& a) override {
        if (name == "sheetData") {
            m_inData = true;
        } else if (!m_inData) {
            return true;
        } else if (name == "row") {
            m_row = rowIndexOf(a, m_row);
            m_column = -1;
            if (m_row > m_lastRow) return false;
        } else if (name == "c") {
            int row = m_row, column = m_column + 1;
            const QByteArray r = XmlStream::attribute(a, "r");
            if (!r.isEmpty()) parseCellAddress(QString::fromLatin1(r), &row, &column);
            m_column = column;
            m_keep = wanted(row, column);
            if (m_keep) {
                m_cell = StoredCell{};
                m_cell.type = XmlStream::attribute(a, "t");
                m_cell.style = XmlStream::attribute(a, "s").toInt();
                m_cellKey = {row, column};
            }
        } else if (m_keep && name == "v") {
            m_inValue = true;
        } else if (m_keep && name == "t") {
            m_inText = m_rphDepth == 0;
        } else if (m_keep && name == "rPh") {
            ++m_rphDepth;
        }
        return true;
    }
    bool endElement(const QByteArray& name) override {
        if (name == "sheetData") return false;
        if (name == "v") m_inValue = false;
        else if (name == "t") m_inText = false;
        else if (name == "rPh") --m_rphDepth;
        else if (name == "c" && m_keep) {
            m_out[m_cellKey] = m_cell;
            m_keep = false;
        }
        return true;
    }
    bool text(const QByteArray& text) override {
        if (m_keep && (m_inValue || m_inText)) m_cell.value.append(text);
        return true;
    }

private:
    bool wanted(int row, int column) const {
        for (const auto& range : m_ranges) {
            if (row >= range.firstRow && row <= range.lastRow && column >= range.firstColumn &&
                column <= range.lastColumn) {
                return true;
            }
        }
        return false;
    }

    const std::vector<CellRange>& m_ranges;
    std::map<std::pair<int, int>, StoredCell>& m_out;
    int m_lastRow = -1;
    bool m_inData = false;
    int m_row = -1;
    int m_column = -1;
    bool m_keep = false;
    bool m_inValue = false;
    bool m_inText = false;
    int m_rphDepth = 0;
    StoredCell m_cell;
    std::pair<int, int> m_cellKey;
};

}  // namespace

int SheetGeometry::columnPixels(int column) const {
    const int oneBased = column + 1;
    // The last <col> covering the column wins, as later elements override earlier ones.
    for (auto it = columns.rbegin(); it != columns.rend(); ++it) {
        if (oneBased < it->min || oneBased > it->max) continue;
        if (it->hidden) return 0;
        if (it->width >= 0) return pixelsOfWidth(it->width);
        break;
    }
    if (defaultColumnWidth >= 0) return pixelsOfWidth(defaultColumnWidth);
    // Without defaultColWidth the default column is baseColWidth digits plus 5 px of margin and
    // gridline, rounded up to a multiple of 8 px: 8 digits -> 64 px, Excel's usual default.
    const int px = int(std::lround(baseColumnWidth * kMaxDigitWidth)) + 5;
    return (px + 7) / 8 * 8;
}

int SheetGeometry::rowPixels(int row) const {
    auto it = rows.find(row);
    double points = defaultRowHeight;
    if (it != rows.end()) {
        if (it->second.hidden) return 0;
        if (it->second.height >= 0) points = it->second.height;
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
    return geometry;
}

std::map<std::pair<int, int>, StoredCell> readSheetCells(const PackageReader& package,
                                                         const QString& part,
                                                         const std::vector<CellRange>& ranges) {
    std::map<std::pair<int, int>, StoredCell> cells;
    if (ranges.empty()) return cells;
    CellHandler handler(ranges, cells);
    streamPart(package, part, handler);
    return cells;
}

}  // namespace engine
