#include "ChartCollector.h"
#include "engine/chartcopy/ChartLook.h"
#include "engine/chartmodel/ChartexPart.h"

#include "engine/chartmodel/ChartModel.h"
#include "engine/chartformat/FormatResolver.h"
#include "engine/package/Namespaces.h"
#include "engine/package/Xml.h"
#include "engine/workbook/CellReference.h"
#include "engine/workbook/XmlStream.h"

#include <QSet>
#include <algorithm>
#include <cmath>
#include <deque>
#include <tuple>
#include <map>
#include <unordered_set>

namespace engine {

namespace {

void collectParts(const Workbook& workbook, const QString& chartPart, bool chartex, ChartPackage& out) {
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
        // The chart part is the chart by its drawing's relationship, whatever type the package
        // gives it (its content is read as a chart throughout); the others by the rule below.
        part.contentType = name == chartPart ? QString::fromLatin1(chartex ? kChartexContentType : kChartContentType)
                                             : package.contentTypes().of(name);
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
                // Of another kind than its relationship says: not the chart's. A style left
                // behind costs nothing; a part the chart names by id it cannot do without.
                const QString kind = package.contentTypes().of(rel.targetPart);
                if (!chartPackageCarriesPart(rel.type, kind)) {
                    if (!chartPackageNamesPartById(part.contentType, rel.type)) continue;
                    throw DocumentError(
                        DocumentError::Kind::Corrupt, file, relsPart,
                        QStringLiteral(
                            "relationship \"%1\" points at %2, which is not of the kind it "
                            "names (content type \"%3\")")
                            .arg(rel.id, rel.target, kind));
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

// A formula of the chart with the cache that holds its values when its cells cannot be read.
struct Reference {
    QString formula;
    const chart::NumericCache* numbers = nullptr;
    const chart::StringCache* strings = nullptr;
    const chart::MultiLevelCache* levels = nullptr;
};

void addText(const std::optional<chart::TextSource>& text, std::vector<Reference>& out) {
    if (text && !text->formula.isEmpty()) {
        out.push_back({text->formula, nullptr, text->cache ? &*text->cache : nullptr, nullptr});
    }
}

void addSource(const std::optional<chart::DataSource>& source, std::vector<Reference>& out) {
    if (!source || source->formula.isEmpty()) return;
    out.push_back({source->formula, source->numbers ? &*source->numbers : nullptr,
                   source->strings ? &*source->strings : nullptr,
                   source->multiLevel ? &*source->multiLevel : nullptr});
}

void addTitle(const std::optional<chart::Title>& title, std::vector<Reference>& out) {
    if (title) addText(title->text, out);
}

// Every cell reference of the chart with its cache, in the order of the part: the title, each
// series (name, label texts, error amounts, categories, values, bubble sizes), the axis titles.
std::vector<Reference> referencesOf(const chart::ChartSpace& space) {
    std::vector<Reference> out;
    addTitle(space.chart.title, out);
    for (const chart::Series* series : space.allSeries()) {
        addText(series->text, out);
        if (series->labels) {
            for (const chart::DataLabel& label : series->labels->labels) addText(label.text, out);
        }
        for (const chart::Trendline& line : series->trendlines) {
            if (line.label) addText(line.label->text, out);
        }
        for (const chart::ErrorBars& bars : series->errorBars) {
            addSource(bars.plus, out);
            addSource(bars.minus, out);
        }
        addSource(series->categories, out);
        addSource(series->values, out);
        addSource(series->xValues, out);
        addSource(series->yValues, out);
        addSource(series->bubbleSizes, out);
    }
    for (const chart::Axis& axis : space.chart.plotArea.axes) {
        addTitle(axis.title, out);
        if (axis.displayUnits) addTitle(axis.displayUnits->label, out);
    }
    return out;
}

QString effectiveFormat(const QString& pointFormat, const QString& cacheFormat) {
    const QString format = pointFormat.isEmpty() ? cacheFormat : pointFormat;
    return format.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0 ? QString() : format;
}

std::optional<std::vector<CellRange>> rangesOf(const Reference& reference) {
    return parseChartFormula(reference.formula);
}

// The ranges of a chart's formulas that its collection will read from the sheets: in order,
// as long as they fit the budget of cells (the rest come from the chart's caches).
std::vector<CellRange> rangesWithinBudget(const QStringList& formulas) {
    std::vector<CellRange> result;
    qint64 budget = Workbook::kDefaultMaxCells;
    for (const QString& formula : formulas) {
        const auto ranges = parseChartFormula(formula);
        if (!ranges) continue;
        qint64 count = 0;
        for (const CellRange& range : *ranges) count += range.cellCount();
        if (budget - count < 0) continue;
        budget -= count;
        result.insert(result.end(), ranges->begin(), ranges->end());
    }
    return result;
}

std::vector<CellRange> rangesWithinBudget(const std::vector<Reference>& references) {
    QStringList formulas;
    for (const Reference& reference : references) formulas << reference.formula;
    return rangesWithinBudget(formulas);
}

// The text of every c:f below series data or a title (tx, cat, val, xVal, yVal, bubbleSize), in
// document order, read by streaming the chart part: a chart of many points costs a scan, not a
// model of every point.
class FormulaScanner : public XmlStream::Handler {
public:
    bool startElement(std::string_view name, const XmlStream::Attributes&) override {
        // A cache holds no formula, only the points that make a long chart's part long.
        if (name == "numCache" || name == "strCache" || name == "multiLvlStrCache") skipContent();
        const bool data = name == "tx" || name == "cat" || name == "val" || name == "xVal" || name == "yVal" ||
                          name == "bubbleSize";
        m_data.push_back(data);
        m_dataDepth += data ? 1 : 0;
        m_inFormula = name == "f" && m_dataDepth > 0;
        if (m_inFormula) m_text.clear();
        return true;
    }
    bool endElement(std::string_view name) override {
        if (m_inFormula && name == "f") formulas << QString::fromUtf8(m_text);
        m_inFormula = false;
        m_dataDepth -= m_data.back() ? 1 : 0;
        m_data.pop_back();
        return true;
    }
    bool text(std::string_view text) override {
        if (m_inFormula) m_text.append(text.data(), qsizetype(text.size()));
        return true;
    }
    QStringList formulas;

private:
    std::vector<bool> m_data;
    int m_dataDepth = 0;
    bool m_inFormula = false;
    QByteArray m_text;
};

// Tells the workbook, once, what the cells of all its charts are, so that the first pass over
// a sheet reads what every chart on it needs and later charts find their cells kept. A chart
// that cannot be read is left out here; its own collection reports it.
void expectCellsOfEveryChart(const Workbook& workbook) {
    if (workbook.expectsCells()) return;
    std::vector<CellRange> all;
    const PackageReader& package = workbook.package();
    for (const Workbook::Sheet* sheet : workbook.worksheets()) {
        for (const Workbook::ChartObject& chart : sheet->chartObjects) {
            try {
                FormulaScanner scanner;
                XmlStream stream(scanner, workbook.displayName(), chart.chartPart, package.limits());
                package.readInChunks(chart.chartPart, 256 * 1024,
                                     [&](const QByteArray& chunk) { return stream.feed(chunk); });
                stream.finish();
                const std::vector<CellRange> ranges = rangesWithinBudget(scanner.formulas);
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

    // Reads a reference's cells from the sheets while they fit the budget of cells; false when
    // they must come from the chart's caches instead.
    bool addFromSheets(const Reference& reference) {
        const auto ranges = rangesOf(reference);
        if (!ranges) return true;  // a defined name or another workbook: nothing to place cells at
        qint64 count = 0;
        for (const CellRange& range : *ranges) count += range.cellCount();
        if (m_budget - count >= 0 && addFromSheets(*ranges, reference.strings)) {
            m_budget -= count;
            return true;
        }
        return false;
    }

    // A reference's cells from the chart's caches.
    void addFromCaches(const Reference& reference) {
        const auto ranges = rangesOf(reference);
        if (!ranges) return;
        if (reference.levels) {
            addFromLevels(*ranges, *reference.levels);
        } else if (reference.numbers) {
            const chart::NumericCache& cache = *reference.numbers;
            addFromCache(*ranges, cache.points, [&](const chart::NumericPoint& p) {
                return std::make_pair(std::isnan(p.value) ? QVariant() : QVariant(p.value),
                                      effectiveFormat(p.formatCode, cache.formatCode));
            });
        } else if (reference.strings) {
            addFromCache(*ranges, reference.strings->points, [](const chart::StringPoint& p) {
                return std::make_pair(QVariant(p.text), QString());
            });
        }
    }

private:
    // A text reference's empty cells take the chart's cached text where it has one: a pivot
    // chart names its series "Sum of Freight" in the cache while the sheet's cell is empty.
    bool addFromSheets(const std::vector<CellRange>& ranges, const chart::StringCache* texts) {
        qint64 offset = 0;
        std::optional<std::vector<QString>> cached;
        for (const CellRange& range : ranges) {
            std::optional<std::vector<Workbook::CellValue>> cells;
            try {
                cells = m_workbook.readCells(range.sheet, {range}, m_budget);
            } catch (const DocumentError&) {
                return false;  // a corrupt sheet: the chart's caches still hold the values
            }
            if (!cells) return false;
            expect(cells->size());
            const QString sheet = m_workbook.sheetByName(range.sheet)->name;
            const bool line = range.firstRow == range.lastRow || range.firstColumn == range.lastColumn;
            for (const Workbook::CellValue& cell : *cells) {
                QVariant value = cell.value;
                if (texts && line && (value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty()))) {
                    if (!cached) cached = texts->dense();
                    const qint64 k = offset + (cell.row - range.firstRow) + (cell.column - range.firstColumn);
                    if (k >= 0 && k < qint64(cached->size()) && !(*cached)[size_t(k)].isEmpty()) value = (*cached)[size_t(k)];
                }
                put(sheet, cell.row, cell.column, value, cell.numberFormat);
            }
            offset += range.cellCount();
        }
        return true;
    }

    // Only references along one row or one column map point indices to cells.
    template <typename Point, typename ValueOf>
    void addFromCache(const std::vector<CellRange>& ranges, const std::vector<Point>& points,
                      const ValueOf& valueOf) {
        qint64 offset = 0;
        for (const CellRange& range : ranges) {
            if (range.firstRow != range.lastRow && range.firstColumn != range.lastColumn) return;
            const bool down = range.firstColumn == range.lastColumn;
            const qint64 length = range.cellCount();
            const QString sheet = sheetName(range.sheet);
            expect(points.size());
            for (const Point& point : points) {
                const qint64 k = qint64(point.index) - offset;
                if (k < 0 || k >= length) continue;
                const auto [value, format] = valueOf(point);
                if (value.isNull()) continue;
                put(sheet, down ? range.firstRow + int(k) : range.firstRow,
                    down ? range.firstColumn : range.firstColumn + int(k), value, format);
            }
            offset += length;
        }
    }

    // Multi-level categories span one column (or row) per level beside the points' direction:
    // the last column holds the innermost level, which the cache lists first; an outer level
    // has a point only where its group starts.
    void addFromLevels(const std::vector<CellRange>& ranges, const chart::MultiLevelCache& cache) {
        if (ranges.size() != 1) return;
        const CellRange& range = ranges.front();
        const int levels = static_cast<int>(cache.levels.size());
        const int rows = range.lastRow - range.firstRow + 1;
        const int columns = range.lastColumn - range.firstColumn + 1;
        // Points run along the longer side; with as many levels as the other side has cells.
        const bool down = columns == levels || (rows >= columns && columns != levels && rows != levels);
        const int across = down ? columns : rows;
        const int length = down ? rows : columns;
        const QString sheet = sheetName(range.sheet);
        for (int level = 0; level < std::min(levels, across); ++level) {
            for (const chart::StringPoint& point : cache.levels[static_cast<size_t>(level)].points) {
                if (point.index >= length) continue;
                const int along = point.index;
                const int side = across - 1 - level;
                put(sheet, down ? range.firstRow + along : range.firstRow + side,
                    down ? range.firstColumn + side : range.firstColumn + along, point.text, QString());
            }
        }
    }

    QString sheetName(const QString& name) const {
        const Workbook::Sheet* known = m_workbook.sheetByName(name);
        return known ? known->name : name;
    }

    // Room for this many more cells, so that a reference of many points does not grow the
    // cells and the set of their keys step by step.
    // Grown at least twofold, so that many small references still cost amortized steps.
    void expect(size_t more) {
        const size_t wanted = m_out.cells.size() + more;
        if (wanted > m_out.cells.capacity()) m_out.cells.reserve(std::max(wanted, 2 * m_out.cells.capacity()));
        if (m_seen.size() + more > m_seenRoom) {
            m_seenRoom = std::max(m_seen.size() + more, 2 * m_seenRoom);
            m_seen.reserve(m_seenRoom);
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
    size_t m_seenRoom = 0;  // keys m_seen was last made room for
};

}  // namespace

ChartPackage collectChart(const Workbook& workbook, const Workbook::Sheet& sheet,
                          const Workbook::ChartObject& chart) {
    ChartPackage package;
    package.sourceFile = workbook.path();
    package.sheetName = sheet.name;
    package.chartName = chart.name;
    for (size_t i = 0; i < sheet.chartObjects.size(); ++i) {
        if (&sheet.chartObjects[i] == &chart) package.chartIndex = int(i);
    }
    package.date1904 = workbook.date1904();
    collectParts(workbook, chart.chartPart, chart.frame.extended, package);
    package.theme = workbook.theme();
    const chart::Producer producer = chart::producerOf(workbook.package());
    package.producerApplication = producer.application;
    package.producerVersion = producer.version;

    if (chart.frame.extended) {
        // The newer kinds cache their data in their own form, which the embedded workbook does
        // not need: what the sheets cannot give stays out of it, and the chart keeps its caches.
        const ChartexChart chartex =
            readChartex(package.parts.front().data, workbook.displayName(), chart.chartPart, workbook.package().limits());
        std::vector<Reference> references;
        for (const ChartexChart::Series& series : chartex.series) {
            if (!series.nameFormula.isEmpty()) references.push_back({series.nameFormula, nullptr, nullptr, nullptr});
        }
        for (const ChartexChart::Data& data : chartex.data) {
            for (const ChartexChart::Dimension& dimension : data.dimensions) {
                if (!dimension.formula.isEmpty()) references.push_back({dimension.formula, nullptr, nullptr, nullptr});
            }
        }
        expectCellsOfEveryChart(workbook);
        workbook.expectCells(rangesWithinBudget(references));
        CellCollector cells(workbook, package);
        for (const Reference& reference : references) cells.addFromSheets(reference);
        std::tie(package.cx, package.cy) = workbook.chartSize(sheet, chart);
        return package;
    }

    // The cells come from the sheets; the numbers the chart caches are read only for references
    // the sheets cannot give (a sheet that is corrupt, a reference over the budget of cells),
    // which spares a chart of many points reading every point twice. The part is parsed once,
    // for both readings.
    pugi::xml_document document;
    parseXml(document, package.parts.front().data, workbook.displayName(), chart.chartPart, workbook.package().limits());
    // Refused at the copy, before the run adds a slide for it: the paste would refuse it too
    // (the deck cannot take a part whose prefixes are not declared), leaving a blank slide.
    requireDeclaredPrefixes(document, workbook.displayName(), chart.chartPart);
    package.prefixesChecked = true;
    const chart::ChartSpace space =
        chart::readChartSpace(document, workbook.displayName(), chart.chartPart, {.numberCachePoints = false});
    const std::vector<Reference> references = referencesOf(space);
    expectCellsOfEveryChart(workbook);
    workbook.expectCells(rangesWithinBudget(references));
    CellCollector cells(workbook, package);
    std::vector<size_t> fromCaches;
    for (size_t i = 0; i < references.size(); ++i) {
        if (!cells.addFromSheets(references[i])) fromCaches.push_back(i);
    }
    if (!fromCaches.empty()) {
        const chart::ChartSpace cached = chart::readChartSpace(document, workbook.displayName(), chart.chartPart);
        const std::vector<Reference> withCaches = referencesOf(cached);
        for (const size_t i : fromCaches) cells.addFromCaches(withCaches.at(i));
    }

    const auto [cx, cy] = workbook.chartSize(sheet, chart);
    package.cx = cx;
    package.cy = cy;
    return package;
}

}  // namespace engine
