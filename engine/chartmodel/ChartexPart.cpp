#include "engine/chartmodel/ChartexPart.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

#include "engine/package/Xml.h"
#include "engine/package/XmlValues.h"

namespace engine {

namespace {

using xml::Ns;

// The most points one level of a chartex dimension is read with; a larger ptCount is held to
// it, so that a hostile count costs no memory.
constexpr int kMaxChartexPoints = 1'000'000;

// An element's text with its line ends as written.
QString chartexText(const pugi::xml_node& node) { return QString::fromUtf8(node.text().get()); }

// The text of cx:tx: its txData's cached value, or its rich text's paragraphs joined by blanks.
QString chartexTextOf(const pugi::xml_node& tx, QString* formula = nullptr) {
    if (const pugi::xml_node data = xml::child(tx, Ns::Cx, Ns::Cx, "txData")) {
        if (formula) *formula = chartexText(xml::child(data, Ns::Cx, Ns::Cx, "f"));
        return chartexText(xml::child(data, Ns::Cx, Ns::Cx, "v"));
    }
    if (const pugi::xml_node rich = xml::child(tx, Ns::Cx, Ns::Cx, "rich")) {
        QStringList paragraphs;
        for (const pugi::xml_node paragraph : xml::children(rich, Ns::Cx, Ns::A, "p")) {
            QString text;
            xml::forEachChild(paragraph, Ns::A, Ns::A,
                              [&](const pugi::xml_node& run, std::string_view local) {
                                  if (local == "r" || local == "fld")
                                      text += chartexText(xml::child(run, Ns::A, Ns::A, "t"));
                                  else if (local == "br")
                                      text += u' ';
                              });
            paragraphs.append(text);
        }
        return paragraphs.join(u' ');
    }
    return {};
}

// The points of one cx:lvl by index: ptCount of them (held to kMaxChartexPoints), or more when
// a point's index lies beyond it.
int chartexLevelCount(const pugi::xml_node& level) {
    int count = std::clamp(level.attribute("ptCount").as_int(0), 0, kMaxChartexPoints);
    for (const pugi::xml_node point : xml::children(level, Ns::Cx, Ns::Cx, "pt")) {
        const int index = point.attribute("idx").as_int(-1);
        if (index >= 0 && index < kMaxChartexPoints) count = std::max(count, index + 1);
    }
    return count;
}

ChartexChart::Dimension dimensionOf(const pugi::xml_node& node, bool numeric) {
    ChartexChart::Dimension dimension;
    dimension.numeric = numeric;
    dimension.type = QString::fromUtf8(node.attribute("type").value());
    dimension.formula = chartexText(xml::child(node, Ns::Cx, Ns::Cx, "f"));
    const pugi::xml_node first = xml::child(node, Ns::Cx, Ns::Cx, "lvl");
    if (!first) return dimension;
    dimension.formatCode = QString::fromUtf8(first.attribute("formatCode").value());
    if (numeric) {
        dimension.numbers.resize(size_t(chartexLevelCount(first)));
        for (const pugi::xml_node point : xml::children(first, Ns::Cx, Ns::Cx, "pt")) {
            const int index = point.attribute("idx").as_int(-1);
            if (index < 0 || size_t(index) >= dimension.numbers.size()) continue;
            bool ok = false;
            const double value = chartexText(point).trimmed().toDouble(&ok);
            if (ok && std::isfinite(value)) dimension.numbers[size_t(index)] = value;
        }
        return dimension;
    }
    // A hierarchy's levels together are held to the same bound as one level, so that many
    // levels of a hostile count cost no more memory than one.
    qint64 budget = kMaxChartexPoints;
    for (const pugi::xml_node level : xml::children(node, Ns::Cx, Ns::Cx, "lvl")) {
        const int count = chartexLevelCount(level);
        if (count > budget) break;
        budget -= std::max(count, 1);
        std::vector<QString> texts(static_cast<size_t>(count));
        for (const pugi::xml_node point : xml::children(level, Ns::Cx, Ns::Cx, "pt")) {
            const int index = point.attribute("idx").as_int(-1);
            if (index >= 0 && index < count) texts[size_t(index)] = chartexText(point);
        }
        dimension.levels.push_back(std::move(texts));
    }
    if (!dimension.levels.empty()) dimension.texts = dimension.levels.front();
    return dimension;
}

// A number of cx:binning's underflow / overflow: unset for "auto" or anything not a number.
std::optional<double> chartexBound(const pugi::xml_attribute& attribute) {
    bool ok = false;
    const double value = QString::fromUtf8(attribute.value()).trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

bool chartexFlag(const pugi::xml_node& node, const char* name, bool otherwise) {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (attribute.empty()) return otherwise;
    const std::string_view value = attribute.value();
    return value == "1" || value == "true";
}

void readChartexLayout(const pugi::xml_node& layout, ChartexChart::Series& series) {
    for (const pugi::xml_node index :
         xml::children(xml::child(layout, Ns::Cx, Ns::Cx, "subtotals"), Ns::Cx, Ns::Cx, "idx")) {
        const int at = index.attribute("val").as_int(-1);
        if (at >= 0 && at < kMaxChartexPoints) series.subtotals.push_back(at);
    }
    if (const pugi::xml_node binning = xml::child(layout, Ns::Cx, Ns::Cx, "binning")) {
        ChartexChart::Series::Binning bins;
        bins.closedLeft = std::string_view(binning.attribute("intervalClosed").value()) == "l";
        bins.underflow = chartexBound(binning.attribute("underflow"));
        bins.overflow = chartexBound(binning.attribute("overflow"));
        if (const pugi::xml_node size = xml::child(binning, Ns::Cx, Ns::Cx, "binSize")) {
            const std::optional<double> value = chartexBound(size.attribute("val"));
            if (value && *value > 0) bins.size = value;
        }
        if (const pugi::xml_node count = xml::child(binning, Ns::Cx, Ns::Cx, "binCount")) {
            const int value = count.attribute("val").as_int(0);
            if (value > 0) bins.count = std::min(value, kMaxChartexPoints);
        }
        series.binning = bins;
    }
    series.aggregation = bool(xml::child(layout, Ns::Cx, Ns::Cx, "aggregation"));
    if (const pugi::xml_node statistics = xml::child(layout, Ns::Cx, Ns::Cx, "statistics")) {
        series.quartileExclusive =
            std::string_view(statistics.attribute("quartileMethod").value()) != "inclusive";
    }
    if (const pugi::xml_node visibility = xml::child(layout, Ns::Cx, Ns::Cx, "visibility")) {
        series.meanLine = chartexFlag(visibility, "meanLine", series.meanLine);
        series.meanMarker = chartexFlag(visibility, "meanMarker", series.meanMarker);
        series.innerPoints = chartexFlag(visibility, "nonoutliers", series.innerPoints);
        series.outliers = chartexFlag(visibility, "outliers", series.outliers);
    }
    if (const pugi::xml_node parents = xml::child(layout, Ns::Cx, Ns::Cx, "parentLabelLayout")) {
        const QString value = QString::fromUtf8(parents.attribute("val").value());
        if (!value.isEmpty()) series.parentLabels = value;
    }
}

}  // namespace

QString ChartexChart::kindName() const {
    bool pareto = false;
    QString first;
    for (const Series& s : series) {
        if (s.layout == QLatin1String("paretoLine"))
            pareto = true;
        else if (first.isEmpty())
            first = s.layout;
    }
    if (first == QLatin1String("clusteredColumn"))
        return pareto ? QStringLiteral("Pareto") : QStringLiteral("Histogram");
    if (first == QLatin1String("waterfall")) return QStringLiteral("Waterfall");
    if (first == QLatin1String("boxWhisker")) return QStringLiteral("Box and Whisker");
    if (first == QLatin1String("treemap")) return QStringLiteral("Treemap");
    if (first == QLatin1String("sunburst")) return QStringLiteral("Sunburst");
    if (first == QLatin1String("funnel")) return QStringLiteral("Funnel");
    if (first == QLatin1String("regionMap")) return QStringLiteral("Filled Map");
    if (pareto) return QStringLiteral("Pareto");
    return first.isEmpty() ? QStringLiteral("Chart") : first;
}

int ChartexChart::ownSeriesCount() const {
    int count = 0;
    for (const Series& s : series) count += s.owned ? 0 : 1;
    return count;
}

const ChartexChart::Dimension* ChartexChart::dimension(const Series& series,
                                                       const QString& type) const {
    const Data* data = dataById(series.dataId);
    if (!data) return nullptr;
    for (const Dimension& d : data->dimensions) {
        if (d.type == type) return &d;
    }
    return nullptr;
}

const ChartexChart::Data* ChartexChart::dataById(int id) const {
    for (const Data& d : data) {
        if (d.id == id) return &d;
    }
    return nullptr;
}

ChartexChart readChartex(const QByteArray& bytes, const QString& file, const QString& part,
                         const Limits& limits) {
    pugi::xml_document doc;
    parseXml(doc, bytes, file, part, limits);
    const pugi::xml_node root = doc.document_element();
    const pugi::xml_node chart = xml::child(root, Ns::Cx, Ns::Cx, "chart");
    if (!xml::is(root, Ns::Cx, "chartSpace") || !chart) {
        throw DocumentError(
            DocumentError::Kind::Unsupported, file, part,
            QStringLiteral("not a chart of the newer kinds (no cx:chartSpace/cx:chart)"));
    }
    ChartexChart out;
    for (const pugi::xml_node data :
         xml::children(xml::child(root, Ns::Cx, Ns::Cx, "chartData"), Ns::Cx, Ns::Cx, "data")) {
        ChartexChart::Data entry;
        entry.id = data.attribute("id").as_int(0);
        xml::forEachChild(
            data, Ns::Cx, Ns::Cx, [&](const pugi::xml_node& dimension, std::string_view local) {
                if (local == "numDim" || local == "strDim")
                    entry.dimensions.push_back(dimensionOf(dimension, local == "numDim"));
            });
        out.data.push_back(std::move(entry));
    }
    if (const pugi::xml_node title = xml::child(chart, Ns::Cx, Ns::Cx, "title")) {
        out.hasTitle = true;
        out.title = chartexTextOf(xml::child(title, Ns::Cx, Ns::Cx, "tx"));
        out.title.replace(u'\n', u' ');
        out.title.replace(u'\r', u' ');
    }
    out.hasLegend = bool(xml::child(chart, Ns::Cx, Ns::Cx, "legend"));
    const pugi::xml_node plotArea = xml::child(chart, Ns::Cx, Ns::Cx, "plotArea");
    for (const pugi::xml_node axis : xml::children(plotArea, Ns::Cx, Ns::Cx, "axis")) {
        const std::optional<double> gap =
            chartexBound(xml::child(axis, Ns::Cx, Ns::Cx, "catScaling").attribute("gapWidth"));
        if (gap && *gap >= 0) {
            out.gapWidth = std::min(*gap, 5.0);
            break;
        }
    }
    const pugi::xml_node region = xml::child(plotArea, Ns::Cx, Ns::Cx, "plotAreaRegion");
    for (const pugi::xml_node series : xml::children(region, Ns::Cx, Ns::Cx, "series")) {
        ChartexChart::Series entry;
        entry.layout = QString::fromUtf8(series.attribute("layoutId").value());
        entry.owned = !series.attribute("ownerIdx").empty();
        entry.hidden = xml::xsdBooleanOr(series.attribute("hidden").value(), false);
        entry.name = chartexTextOf(xml::child(series, Ns::Cx, Ns::Cx, "tx"), &entry.nameFormula);
        if (const pugi::xml_node dataId = xml::child(series, Ns::Cx, Ns::Cx, "dataId")) {
            entry.dataId = dataId.attribute("val").as_int(-1);
        }
        readChartexLayout(xml::child(series, Ns::Cx, Ns::Cx, "layoutPr"), entry);
        out.series.push_back(std::move(entry));
    }
    return out;
}

ChartexRequirement chartexRequirement(const ChartexChart& chart) {
    for (const ChartexChart::Series& series : chart.series) {
        if (series.layout == QLatin1String("funnel"))
            return {"cx2", "http://schemas.microsoft.com/office/drawing/2015/10/21/chartex"};
        if (series.layout == QLatin1String("regionMap"))
            return {"cx4", "http://schemas.microsoft.com/office/drawing/2016/5/10/chartex"};
    }
    return {"cx1", "http://schemas.microsoft.com/office/drawing/2015/9/8/chartex"};
}

QByteArray chartexForSlide(const QByteArray& bytes, const QString& packageRelId,
                           const QString& file, const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, bytes, file, part);
    pugi::xml_node root = doc.document_element();
    if (!xml::is(root, Ns::Cx, "chartSpace") || !xml::child(root, Ns::Cx, Ns::Cx, "chart")) {
        throw DocumentError(
            DocumentError::Kind::Unsupported, file, part,
            QStringLiteral("not a chart of the newer kinds (no cx:chartSpace/cx:chart)"));
    }
    pugi::xml_node data = xml::child(root, Ns::Cx, Ns::Cx, "chartData");
    if (!data) data = root.prepend_child(xml::qualifiedName(root, Ns::Cx, "chartData").c_str());
    while (const pugi::xml_node old = xml::child(data, Ns::Cx, Ns::Cx, "externalData"))
        data.remove_child(old);
    pugi::xml_node link =
        data.prepend_child(xml::qualifiedName(root, Ns::Cx, "externalData").c_str());
    link.append_attribute(xml::qualifiedName(root, Ns::R, "id").c_str()) =
        packageRelId.toUtf8().constData();
    link.append_attribute(xml::qualifiedName(root, Ns::Cx, "autoUpdate").c_str()) = "0";
    return xmlBytes(doc);
}

}  // namespace engine
