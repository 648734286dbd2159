#include "ChartCollector.h"

#include "engine/package/Xml.h"
#include "engine/workbook/CellReference.h"

#include <QSet>
#include <cmath>
#include <deque>
#include <map>
#include <unordered_set>

namespace engine {

namespace {

void collectParts(const Workbook& workbook, const QString& chartPart, ChartPackage& out) {
    const PackageReader& package = workbook.package();
    const QString file = workbook.displayName();
    std::deque<QString> queue{chartPart};
    QSet<QString> seen{chartPart.toLower()};
    qint64 totalBytes = 0;
    while (!queue.empty()) {
        const QString name = queue.front();
        queue.pop_front();
        ChartPackage::Part part;
        part.name = name;
        part.contentType = package.contentTypes().of(name);
        part.data = package.read(name);
        totalBytes += part.data.size();
        const QString relsPart = relationshipsPartName(name);
        if (package.hasPart(relsPart)) {
            part.rels = package.read(relsPart);
            const Relationships rels = Relationships::parse(part.rels, name, file, package.limits());
            for (const Relationship& rel : rels.all()) {
                // Only the chart's own kinds of part travel; the rest stays in the workbook.
                if (rel.external || !chartPackageCarriesRelationship(rel.type)) continue;
                if (rel.targetPart.isEmpty() || !package.hasPart(rel.targetPart)) {
                    throw DocumentError(DocumentError::Kind::Missing, file, relsPart,
                                        QStringLiteral("relationship \"%1\" points at %2, which is missing")
                                            .arg(rel.id, rel.target));
                }
                if (seen.contains(rel.targetPart.toLower())) continue;
                seen.insert(rel.targetPart.toLower());
                queue.push_back(rel.targetPart);
            }
        }
        if (int(out.parts.size()) >= kMaxChartPackageParts || totalBytes > package.limits().maxPartBytes) {
            throw DocumentError(DocumentError::Kind::OverLimit, file, chartPart, QStringLiteral("the chart relates to too many parts"));
        }
        out.parts.push_back(std::move(part));
    }
}

bool isDataElement(std::string_view local) {
    return local == "tx" || local == "cat" || local == "val" || local == "xVal" || local == "yVal" ||
           local == "bubbleSize";
}

// Every c:f below an element of series data, with the element that holds it (numRef, strRef...).
void findFormulas(const pugi::xml_node& node, bool inData, std::vector<pugi::xml_node>& out,
                  int depth = 0) {
    if (depth > 64) return;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        const bool chart = xml::namespaceOf(child) == xml::Ns::C;
        const std::string_view local = chart ? xml::localName(child) : std::string_view();
        if (inData && local == "f") {
            out.push_back(child);
            continue;
        }
        findFormulas(child, inData || isDataElement(local), out, depth + 1);
    }
}

// The cached points of a reference (numCache, strCache), by point index.
std::map<int, std::pair<QVariant, QString>> cachedPoints(const pugi::xml_node& reference) {
    std::map<int, std::pair<QVariant, QString>> points;
    for (pugi::xml_node cache = reference.first_child(); cache; cache = cache.next_sibling()) {
        const bool numeric = xml::is(cache, xml::Ns::C, "numCache");
        if (!numeric && !xml::is(cache, xml::Ns::C, "strCache")) continue;
        const QString cacheFormat =
            QString::fromUtf8(xml::child(cache, xml::Ns::C, "formatCode").text().as_string());
        for (const pugi::xml_node pt : xml::children(cache, xml::Ns::C, "pt")) {
            const int idx = pt.attribute("idx").as_int(-1);
            if (idx < 0) continue;
            const QString text = QString::fromUtf8(xml::child(pt, xml::Ns::C, "v").text().as_string());
            QVariant value = text;
            if (numeric) {
                bool ok = false;
                const double number = text.toDouble(&ok);
                if (ok && std::isfinite(number)) value = number;
            }
            QString format = QString::fromUtf8(pt.attribute("formatCode").as_string());
            if (format.isEmpty()) format = cacheFormat;
            if (format.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0) format.clear();
            points[idx] = {value, numeric ? format : QString()};
        }
    }
    return points;
}

std::optional<std::vector<CellRange>> rangesOf(const pugi::xml_node& formula) {
    return parseChartFormula(QString::fromUtf8(formula.text().as_string()));
}

// The ranges of a chart's formulas that its collection will read from the sheets: in order,
// as long as they fit the budget of cells (the rest come from the chart's caches).
std::vector<CellRange> rangesWithinBudget(const std::vector<pugi::xml_node>& formulas) {
    std::vector<CellRange> result;
    qint64 budget = Workbook::kDefaultMaxCells;
    for (const pugi::xml_node& formula : formulas) {
        const auto ranges = rangesOf(formula);
        if (!ranges) continue;
        qint64 count = 0;
        for (const CellRange& range : *ranges) count += range.cellCount();
        if (budget - count < 0) continue;
        budget -= count;
        result.insert(result.end(), ranges->begin(), ranges->end());
    }
    return result;
}

// Tells the workbook, once, what the cells of all its charts are, so that the first pass over
// a sheet reads what every chart on it needs and later charts find their cells kept. A chart
// that cannot be read is left out here; its own collection reports it.
void expectCellsOfEveryChart(const Workbook& workbook) {
    if (workbook.expectsCells()) return;
    std::vector<CellRange> all;
    for (const Workbook::Sheet* sheet : workbook.worksheets()) {
        for (const Workbook::ChartObject& chart : sheet->chartObjects) {
            try {
                pugi::xml_document doc;
                parseXml(doc, workbook.package().read(chart.chartPart), workbook.displayName(), chart.chartPart,
                         workbook.package().limits());
                std::vector<pugi::xml_node> formulas;
                findFormulas(doc.document_element(), false, formulas);
                const std::vector<CellRange> ranges = rangesWithinBudget(formulas);
                all.insert(all.end(), ranges.begin(), ranges.end());
            } catch (const DocumentError&) {
            }
        }
    }
    workbook.expectCells(all);
}

class CellCollector {
public:
    CellCollector(const Workbook& workbook, ChartPackage& out) : m_workbook(workbook), m_out(out) {}

    void add(const pugi::xml_node& formula) {
        const auto ranges = rangesOf(formula);
        if (!ranges) return;  // a defined name or another workbook: nothing to place cells at
        qint64 count = 0;
        for (const CellRange& range : *ranges) count += range.cellCount();
        if (m_budget - count >= 0 && addFromSheets(*ranges)) {
            m_budget -= count;
            return;
        }
        addFromCache(*ranges, cachedPoints(formula.parent()));
    }

private:
    bool addFromSheets(const std::vector<CellRange>& ranges) {
        for (const CellRange& range : ranges) {
            std::optional<std::vector<Workbook::CellValue>> cells;
            try {
                cells = m_workbook.readCells(range.sheet, {range}, m_budget);
            } catch (const DocumentError&) {
                return false;  // a corrupt sheet: the chart's caches still hold the values
            }
            if (!cells) return false;
            const QString sheet = m_workbook.sheetByName(range.sheet)->name;
            for (const Workbook::CellValue& cell : *cells) {
                put(sheet, cell.row, cell.column, cell.value, cell.numberFormat);
            }
        }
        return true;
    }

    // Only references along one row or one column map point indices to cells.
    void addFromCache(const std::vector<CellRange>& ranges,
                      const std::map<int, std::pair<QVariant, QString>>& points) {
        qint64 offset = 0;  // a union of whole columns counts past any int
        for (const CellRange& range : ranges) {
            if (range.firstRow != range.lastRow && range.firstColumn != range.lastColumn) return;
            const bool down = range.firstColumn == range.lastColumn;
            const qint64 length = range.cellCount();
            const Workbook::Sheet* known = m_workbook.sheetByName(range.sheet);
            const QString sheet = known ? known->name : range.sheet;
            for (const auto& [idx, point] : points) {
                const qint64 k = qint64(idx) - offset;
                if (k < 0 || k >= length) continue;
                put(sheet, down ? range.firstRow + int(k) : range.firstRow,
                    down ? range.firstColumn : range.firstColumn + int(k), point.first, point.second);
            }
            offset += length;
        }
    }

    void put(const QString& sheet, int row, int column, const QVariant& value, const QString& format) {
        // Sheets are numbered as first met, so a cell's key is three numbers, not a name.
        if (sheet != m_lastSheet) {
            m_lastSheet = sheet;
            m_lastSheetNumber = m_sheetNumbers.emplace(sheet.toLower(), quint64(m_sheetNumbers.size())).first->second;
        }
        const quint64 key = m_lastSheetNumber << 34 | quint64(row) << 14 | quint64(column);
        if (!m_seen.insert(key).second) return;
        m_out.cells.push_back({sheet, row, column, value, format});
    }

    const Workbook& m_workbook;
    ChartPackage& m_out;
    qint64 m_budget = Workbook::kDefaultMaxCells;
    std::map<QString, quint64> m_sheetNumbers;
    QString m_lastSheet;
    quint64 m_lastSheetNumber = 0;
    std::unordered_set<quint64> m_seen;
};

}  // namespace

ChartPackage collectChart(const Workbook& workbook, const Workbook::Sheet& sheet,
                          const Workbook::ChartObject& chart) {
    ChartPackage package;
    package.sourceFile = workbook.path();
    package.sheetName = sheet.name;
    package.chartName = chart.name;
    package.date1904 = workbook.date1904();
    collectParts(workbook, chart.chartPart, package);
    package.theme = workbook.theme();

    pugi::xml_document doc;
    parseXml(doc, package.parts.front().data, workbook.displayName(), chart.chartPart,
             workbook.package().limits());
    std::vector<pugi::xml_node> formulas;
    findFormulas(doc.document_element(), false, formulas);
    expectCellsOfEveryChart(workbook);
    workbook.expectCells(rangesWithinBudget(formulas));
    CellCollector cells(workbook, package);
    for (const pugi::xml_node& formula : formulas) cells.add(formula);

    const auto [cx, cy] = workbook.chartSize(sheet, chart);
    package.cx = cx;
    package.cy = cy;
    return package;
}

}  // namespace engine
