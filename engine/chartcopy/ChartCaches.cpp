#include "engine/chartcopy/ChartCaches.h"

#include "engine/chartmodel/ChartSchema.h"
#include "engine/numfmt/NumberFormat.h"
#include "engine/package/Xml.h"
#include "engine/workbook/CellReference.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <limits>
#include <unordered_map>

namespace engine {

namespace {

using xml::Ns;

class CellIndex {
public:
    using Sheet = std::unordered_map<quint64, const ChartPackage::Cell*>;
    explicit CellIndex(const std::vector<ChartPackage::Cell>& cells) {
        for (const auto& cell : cells) {
            m_sheets[cell.sheet.toLower()][key(cell.row, cell.column)] = &cell;
        }
    }
    const Sheet* sheet(const QString& name) const {
        const auto it = m_sheets.constFind(name.toLower());
        return it == m_sheets.constEnd() ? nullptr : &*it;
    }
    static const ChartPackage::Cell* find(const Sheet& sheet, int row, int column) {
        const auto cell = sheet.find(key(row, column));
        return cell == sheet.end() ? nullptr : cell->second;
    }

private:
    static quint64 key(int row, int column) { return quint64(row) << 14 | quint64(column); }
    QHash<QString, std::unordered_map<quint64, const ChartPackage::Cell*>> m_sheets;
};

QString numberText(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// The text a cell shows, for a text cache.
QString displayText(const ChartPackage::Cell& cell, bool date1904) {
    switch (cell.value.typeId()) {
    case QMetaType::Bool:
        return cell.value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::LongLong: {
        const double value = cell.value.toDouble();
        if (cell.numberFormat.isEmpty()) return formatGeneral(value);
        return NumberFormat(cell.numberFormat).format(value, date1904 ? DateSystem::Date1904 : DateSystem::Date1900);
    }
    default:
        return cell.value.toString();
    }
}

struct Point {
    int index;
    const ChartPackage::Cell* cell;
};

class CacheFiller {
public:
    CacheFiller(const std::vector<ChartPackage::Cell>& cells, bool date1904, bool rewrite)
        : m_cells(cells), m_date1904(date1904), m_rewrite(rewrite) {}

    void visit(pugi::xml_node node) {
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            const Ns ns = xml::namespaceOf(child);
            const std::string_view local = xml::localName(child);
            if (ns == Ns::C && (local == "numRef" || local == "strRef")) {
                fill(child, local == "numRef");
                continue;
            }
            // Caches and literals hold no references; a long one is not walked.
            if (ns == Ns::C && (local == "numCache" || local == "strCache" || local == "numLit" ||
                                local == "strLit" || local == "multiLvlStrRef")) {
                continue;
            }
            visit(child);
        }
    }

private:
    void fill(pugi::xml_node ref, bool numbers) {
        const auto ranges = parseChartFormula(QString::fromUtf8(xml::child(ref, Ns::C, "f").text().get()));
        if (!ranges) return;
        qint64 length = 0;
        for (const CellRange& range : *ranges) {
            if (range.firstRow != range.lastRow && range.firstColumn != range.lastColumn) return;
            length += range.cellCount();
        }
        pugi::xml_node cache = xml::child(ref, Ns::C, numbers ? "numCache" : "strCache");
        if (!m_rewrite && cache && xml::child(cache, Ns::C, "ptCount").attribute("val").as_llong(0) >= length) return;

        if (!m_index) m_index.emplace(m_cells);
        if (m_rewrite && std::any_of(ranges->begin(), ranges->end(),
                                     [&](const CellRange& r) { return !m_index->sheet(r.sheet); })) {
            return;  // cells the copy did not read: the cache is all there is
        }
        std::vector<Point> points;
        qint64 offset = 0;
        for (const CellRange& range : *ranges) {
            const CellIndex::Sheet* sheet = m_index->sheet(range.sheet);
            const bool down = range.firstColumn == range.lastColumn;
            auto take = [&](qint64 k, const ChartPackage::Cell* cell) {
                if (!cell || cell->value.isNull() || (numbers && !isNumber(*cell))) return;
                if (offset + k > std::numeric_limits<int>::max()) return;  // no point index holds it
                points.push_back({int(offset + k), cell});
            };
            if (sheet && range.cellCount() <= qint64(sheet->size()) * 2 + 1024) {
                for (qint64 k = 0; k < range.cellCount(); ++k) {
                    take(k, CellIndex::find(*sheet, down ? range.firstRow + int(k) : range.firstRow,
                                            down ? range.firstColumn : range.firstColumn + int(k)));
                }
            } else if (sheet) {
                // A range far larger than the cells copied (a whole column): the cells are
                // looked at, not every address of the range.
                const size_t first = points.size();
                for (const auto& [key, cell] : *sheet) {
                    if (cell->row < range.firstRow || cell->row > range.lastRow || cell->column < range.firstColumn ||
                        cell->column > range.lastColumn) {
                        continue;
                    }
                    take(down ? cell->row - range.firstRow : cell->column - range.firstColumn, cell);
                }
                std::sort(points.begin() + qsizetype(first), points.end(),
                          [](const Point& a, const Point& b) { return a.index < b.index; });
            }
            offset += range.cellCount();
        }
        // Nothing better than what the cache holds: it stays.
        qint64 present = 0;
        if (cache) {
            for (auto pt = cache.first_child(); pt; pt = pt.next_sibling()) present += xml::is(pt, Ns::C, "pt") ? 1 : 0;
        }
        if (!m_rewrite && (points.empty() || qint64(points.size()) < present)) return;

        // A whole column or row counts to its last value, not to the sheet's end.
        const bool whole = std::any_of(ranges->begin(), ranges->end(), [](const CellRange& r) {
            return r.lastRow == kMaxRows - 1 || r.lastColumn == kMaxColumns - 1;
        });
        const qint64 count = whole ? (points.empty() ? 0 : points.back().index + 1) : length;
        if (cache) ref.remove_child(cache);
        cache = xml::insertChild(ref, chart::schema::kStringReference, Ns::C, numbers ? "numCache" : "strCache");
        const std::string pt = xml::qualifiedName(cache, Ns::C, "pt");
        const std::string v = xml::qualifiedName(cache, Ns::C, "v");
        QString format;
        if (numbers) {
            format = points.empty() || points.front().cell->numberFormat.isEmpty() ? QStringLiteral("General")
                                                                                   : points.front().cell->numberFormat;
            cache.append_child(xml::qualifiedName(cache, Ns::C, "formatCode").c_str()).text() = format.toUtf8().constData();
        }
        cache.append_child(xml::qualifiedName(cache, Ns::C, "ptCount").c_str()).append_attribute("val") =
            static_cast<long long>(count);
        for (const Point& point : points) {
            auto node = cache.append_child(pt.c_str());
            node.append_attribute("idx") = point.index;
            if (numbers) {
                const QString own = point.cell->numberFormat.isEmpty() ? QStringLiteral("General") : point.cell->numberFormat;
                if (own != format) node.append_attribute("formatCode") = own.toUtf8().constData();
                node.append_child(v.c_str()).text() = numberText(numberOf(*point.cell)).toUtf8().constData();
            } else {
                node.append_child(v.c_str()).text() = displayText(*point.cell, m_date1904).toUtf8().constData();
            }
        }
    }

    static bool isNumber(const ChartPackage::Cell& cell) {
        const int type = cell.value.typeId();
        return type == QMetaType::Double || type == QMetaType::Int || type == QMetaType::LongLong ||
               type == QMetaType::Bool;
    }
    static double numberOf(const ChartPackage::Cell& cell) {
        return cell.value.typeId() == QMetaType::Bool ? (cell.value.toBool() ? 1.0 : 0.0) : cell.value.toDouble();
    }

    const std::vector<ChartPackage::Cell>& m_cells;
    bool m_date1904;
    bool m_rewrite;
    std::optional<CellIndex> m_index;  // built when a first cache needs it
};

}  // namespace

void fillChartCaches(pugi::xml_document& doc, const std::vector<ChartPackage::Cell>& cells, bool date1904,
                     bool rewrite) {
    if (cells.empty()) return;
    CacheFiller(cells, date1904, rewrite).visit(doc.document_element());
}

}  // namespace engine
