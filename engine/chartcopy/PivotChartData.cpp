#include "engine/chartcopy/PivotChartData.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "engine/package/Xml.h"

namespace engine {

namespace {

using xml::Ns;

const QString kPivotDataSheet = QStringLiteral("Sheet1");

// Column letters of a 0-based column index: 0 -> "A", 26 -> "AA".
QString pivotColumnLetters(int column) {
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26) letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

// "Sheet1!$B$2:$B$5", rows 0-based.
QString pivotRange(int firstColumn, int firstRow, int lastColumn, int lastRow) {
    const QString first =
        QStringLiteral("$%1$%2").arg(pivotColumnLetters(firstColumn)).arg(firstRow + 1);
    if (firstColumn == lastColumn && firstRow == lastRow) return kPivotDataSheet + u'!' + first;
    return kPivotDataSheet + u'!' + first +
           QStringLiteral(":$%1$%2").arg(pivotColumnLetters(lastColumn)).arg(lastRow + 1);
}

// The points of a cache (c:strCache, c:numCache, c:lvl) by index; indices outside 0..count-1
// are left out.
std::map<int, QString> pivotCachePoints(const pugi::xml_node& cache, int count) {
    std::map<int, QString> points;
    for (const pugi::xml_node pt : xml::children(cache, Ns::C, "pt")) {
        const int idx = pt.attribute("idx").as_int(-1);
        if (idx < 0 || idx >= count) continue;
        points[idx] = QString::fromUtf8(xml::child(pt, Ns::C, "v").text().get());
    }
    return points;
}

int pivotPointCount(const pugi::xml_node& cache) {
    return std::max(0, xml::child(cache, Ns::C, "ptCount").attribute("val").as_int(0));
}

// The reference element (c:strRef, c:numRef, c:multiLvlStrRef) of a data source (c:tx, c:cat,
// c:val...), and its cache.
pugi::xml_node pivotReference(const pugi::xml_node& source) {
    for (const char* kind : {"strRef", "numRef", "multiLvlStrRef"}) {
        if (auto ref = xml::child(source, Ns::C, kind)) return ref;
    }
    return {};
}

pugi::xml_node pivotCacheOf(const pugi::xml_node& reference) {
    for (const char* kind : {"strCache", "numCache", "multiLvlStrCache"}) {
        if (auto cache = xml::child(reference, Ns::C, kind)) return cache;
    }
    return {};
}

void setPivotFormula(pugi::xml_node reference, const QString& formula) {
    pugi::xml_node f = xml::child(reference, Ns::C, "f");
    if (!f) f = reference.prepend_child(xml::qualifiedName(reference, Ns::C, "f").c_str());
    f.text().set(formula.toUtf8().constData());
}

// A cached value as a cell value: a number where the cache is a number cache and the text
// reads as one, else the text.
QVariant pivotCellValue(const QString& text, bool numeric) {
    if (numeric) {
        const QByteArray bytes = text.trimmed().toLatin1();
        double value = 0;
        const auto [end, error] =
            std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
        if (error == std::errc() && end == bytes.constData() + bytes.size() && !bytes.isEmpty())
            return value;
    }
    return text;
}

QString pivotNumberFormat(const pugi::xml_node& cache) {
    const QString code = QString::fromUtf8(xml::child(cache, Ns::C, "formatCode").text().get());
    return code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0 ? QString() : code;
}

}  // namespace

std::optional<PlainChartData> pivotChartAsPlainChart(const QByteArray& chartXml,
                                                     const QString& file, const QString& part) {
    // Nearly every chart is no pivot chart, and a chart of many points is long to parse: a part
    // that does not even spell the element's name is taken for what it is without a tree. A
    // part in UTF-16 or UTF-32 (a byte order mark, or zero bytes at the start) spells it in
    // other bytes, and is parsed.
    const bool wide = chartXml.size() >= 2 && (chartXml[0] == '\0' || chartXml[1] == '\0' ||
                                               (uchar(chartXml[0]) == 0xFF && uchar(chartXml[1]) == 0xFE) ||
                                               (uchar(chartXml[0]) == 0xFE && uchar(chartXml[1]) == 0xFF));
    if (!wide && !chartXml.contains("pivotSource")) return std::nullopt;
    pugi::xml_document doc;
    parseXml(doc, chartXml, file, part);
    pugi::xml_node root = doc.document_element();
    const pugi::xml_node pivotSource = xml::child(root, Ns::C, "pivotSource");
    if (!xml::is(root, Ns::C, "chartSpace") || !pivotSource) return std::nullopt;
    root.remove_child(pivotSource);

    std::vector<pugi::xml_node> series;
    const pugi::xml_node plotArea = xml::child(xml::child(root, Ns::C, "chart"), Ns::C, "plotArea");
    for (const pugi::xml_node group : plotArea.children()) {
        for (const pugi::xml_node ser : xml::children(group, Ns::C, "ser")) series.push_back(ser);
    }

    // The categories are the pivot table's row items, the same for every series: the first
    // series that has them gives them.
    pugi::xml_node categoryCache;
    for (const pugi::xml_node ser : series) {
        for (const char* kind : {"cat", "xVal"}) {
            if (const auto ref = pivotReference(xml::child(ser, Ns::C, kind)))
                categoryCache = pivotCacheOf(ref);
            if (categoryCache) break;
        }
        if (categoryCache) break;
    }
    int points = categoryCache ? pivotPointCount(categoryCache) : 0;
    for (const pugi::xml_node ser : series) {
        for (const char* kind : {"val", "yVal"}) {
            if (const auto ref = pivotReference(xml::child(ser, Ns::C, kind)))
                points = std::max(points, pivotPointCount(pivotCacheOf(ref)));
        }
    }

    PlainChartData out;
    auto addCell = [&out](int row, int column, const QVariant& value,
                          const QString& format = QString()) {
        if (value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty()))
            return;
        out.cells.push_back(ChartPackage::Cell{kPivotDataSheet, row, column, value, format});
    };

    // Category levels, outermost first: a multi-level cache lists its innermost level first.
    std::vector<pugi::xml_node> levels;
    bool numericCategories = false;
    if (categoryCache) {
        if (xml::is(categoryCache, Ns::C, "multiLvlStrCache")) {
            for (const pugi::xml_node lvl : xml::children(categoryCache, Ns::C, "lvl"))
                levels.insert(levels.begin(), lvl);
        } else {
            levels.push_back(categoryCache);
            numericCategories = xml::is(categoryCache, Ns::C, "numCache");
        }
    }
    const int levelCount = static_cast<int>(levels.size());
    for (int level = 0; level < levelCount; ++level) {
        const QString format =
            numericCategories ? pivotNumberFormat(levels[size_t(level)]) : QString();
        for (const auto& [idx, text] : pivotCachePoints(levels[size_t(level)], points))
            addCell(idx + 1, level, pivotCellValue(text, numericCategories), format);
    }
    const QString categoryRange =
        levelCount > 0 && points > 0 ? pivotRange(0, 1, levelCount - 1, points) : QString();

    for (size_t k = 0; k < series.size(); ++k) {
        const pugi::xml_node ser = series[k];
        const int column = levelCount + static_cast<int>(k);
        if (const auto name = pivotReference(xml::child(ser, Ns::C, "tx"))) {
            // The name as the chart shows it, however many header cells the table gave it.
            const auto texts = pivotCachePoints(pivotCacheOf(name),
                                                std::max(1, pivotPointCount(pivotCacheOf(name))));
            QStringList parts;
            for (const auto& [idx, text] : texts) parts << text;
            addCell(0, column, parts.join(u' '));
            setPivotFormula(name, pivotRange(column, 0, column, 0));
        }
        for (const char* kind : {"cat", "xVal"}) {
            if (const auto ref = pivotReference(xml::child(ser, Ns::C, kind));
                ref && !categoryRange.isEmpty())
                setPivotFormula(ref, categoryRange);
        }
        for (const char* kind : {"val", "yVal"}) {
            const auto ref = pivotReference(xml::child(ser, Ns::C, kind));
            if (!ref || points == 0) continue;
            const pugi::xml_node cache = pivotCacheOf(ref);
            const bool numeric = xml::is(cache, Ns::C, "numCache");
            const QString format = numeric ? pivotNumberFormat(cache) : QString();
            for (const auto& [idx, text] : pivotCachePoints(cache, points))
                addCell(idx + 1, column, pivotCellValue(text, numeric), format);
            setPivotFormula(ref, pivotRange(column, 1, column, points));
        }
    }
    out.chartXml = xmlBytes(doc, chartXml.size() + 1024);
    return out;
}

}  // namespace engine
