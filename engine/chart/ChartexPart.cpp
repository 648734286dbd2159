#include "engine/chart/ChartexPart.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "engine/chart/ChartRenderer.h"
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

ChartexChart::Dimension dimensionOf(const pugi::xml_node& node, bool numeric) {
    ChartexChart::Dimension dimension;
    dimension.numeric = numeric;
    dimension.type = QString::fromUtf8(node.attribute("type").value());
    dimension.formula = chartexText(xml::child(node, Ns::Cx, Ns::Cx, "f"));
    const pugi::xml_node level = xml::child(node, Ns::Cx, Ns::Cx, "lvl");
    if (!level) return dimension;
    dimension.formatCode = QString::fromUtf8(level.attribute("formatCode").value());
    int count = std::clamp(level.attribute("ptCount").as_int(0), 0, kMaxChartexPoints);
    for (const pugi::xml_node point : xml::children(level, Ns::Cx, Ns::Cx, "pt")) {
        const int index = point.attribute("idx").as_int(-1);
        if (index >= 0 && index < kMaxChartexPoints) count = std::max(count, index + 1);
    }
    if (numeric)
        dimension.numbers.resize(size_t(count));
    else
        dimension.texts.resize(size_t(count));
    for (const pugi::xml_node point : xml::children(level, Ns::Cx, Ns::Cx, "pt")) {
        const int index = point.attribute("idx").as_int(-1);
        if (index < 0 || index >= count) continue;
        if (numeric) {
            bool ok = false;
            const double value = chartexText(point).trimmed().toDouble(&ok);
            if (ok && std::isfinite(value)) dimension.numbers[size_t(index)] = value;
        } else {
            dimension.texts[size_t(index)] = chartexText(point);
        }
    }
    return dimension;
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
    const pugi::xml_node region =
        xml::child(xml::child(chart, Ns::Cx, Ns::Cx, "plotArea"), Ns::Cx, Ns::Cx, "plotAreaRegion");
    for (const pugi::xml_node series : xml::children(region, Ns::Cx, Ns::Cx, "series")) {
        ChartexChart::Series entry;
        entry.layout = QString::fromUtf8(series.attribute("layoutId").value());
        entry.owned = !series.attribute("ownerIdx").empty();
        entry.hidden = xml::xsdBooleanOr(series.attribute("hidden").value(), false);
        entry.name = chartexTextOf(xml::child(series, Ns::Cx, Ns::Cx, "tx"), &entry.nameFormula);
        if (const pugi::xml_node dataId = xml::child(series, Ns::Cx, Ns::Cx, "dataId")) {
            entry.dataId = dataId.attribute("val").as_int(-1);
        }
        const pugi::xml_node subtotals =
            xml::child(xml::child(series, Ns::Cx, Ns::Cx, "layoutPr"), Ns::Cx, Ns::Cx, "subtotals");
        for (const pugi::xml_node index : xml::children(subtotals, Ns::Cx, Ns::Cx, "idx")) {
            const int at = index.attribute("val").as_int(-1);
            if (at >= 0 && at < kMaxChartexPoints) entry.subtotals.push_back(at);
        }
        out.series.push_back(std::move(entry));
    }
    return out;
}

ChartOutline readChartexOutline(const PackageReader& package, const QString& part) {
    const ChartexChart chart =
        readChartex(package.read(part), package.fileName(), part, package.limits());
    return ChartOutline{chart.kindName(), chart.title, chart.ownSeriesCount()};
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

namespace {

using chart::ScenePrimitive;
using chart::SceneTag;

// The Office theme's colours the default style draws these kinds in.
const QColor kChartexAccent1(0x44, 0x72, 0xc4);
const QColor kChartexAccent2(0xed, 0x7d, 0x31);
const QColor kChartexAccent3(0xa5, 0xa5, 0xa5);
const QColor kChartexText(0x59, 0x59, 0x59);
const QColor kChartexGrid(0xd9, 0xd9, 0xd9);

// Builds the primitives of one chartex scene.
class ChartexSceneMaker {
  public:
    explicit ChartexSceneMaker(QSizeF size) { m_scene.size = size; }

    chart::ChartScene take() { return std::move(m_scene); }

    void area() {
        ScenePrimitive item;
        item.tag.element = SceneTag::Element::ChartArea;
        item.path.addRect(
            QRectF(QPointF(0, 0), m_scene.size).adjusted(0.375, 0.375, -0.375, -0.375));
        item.fill = chart::SceneBrush{Qt::white, {}, 90, false, {}, {}};
        item.stroke =
            chart::ScenePen{QColor(0xbf, 0xbf, 0xbf), 0.75, {}, Qt::FlatCap, Qt::RoundJoin};
        m_scene.items.push_back(std::move(item));
    }
    void rect(SceneTag tag, const QRectF& r, const QColor& color) {
        ScenePrimitive item;
        item.tag = tag;
        item.path.addRect(r);
        item.fill = chart::SceneBrush{color, {}, 90, false, {}, {}};
        m_scene.items.push_back(std::move(item));
    }
    void line(SceneTag tag, QPointF from, QPointF to, const QColor& color, double width) {
        ScenePrimitive item;
        item.tag = tag;
        item.path.moveTo(from);
        item.path.lineTo(to);
        item.stroke = chart::ScenePen{color, width, {}, Qt::FlatCap, Qt::RoundJoin};
        m_scene.items.push_back(std::move(item));
    }
    QSizeF measure(const QString& text, double size, bool bold = false) const {
        QFont font(QStringLiteral("Carlito"));
        font.setPointSizeF(size);
        font.setBold(bold);
        const QFontMetricsF metrics(font);
        return {metrics.horizontalAdvance(text), metrics.height()};
    }
    // A line of text whose box is placed by its anchor point: align says which point of the box
    // that is (Qt::AlignLeft/HCenter/Right with Qt::AlignTop/VCenter/Bottom).
    void text(SceneTag tag, const QString& line, double size, QPointF anchor, Qt::Alignment align,
              const QColor& color = kChartexText) {
        ScenePrimitive item;
        item.kind = ScenePrimitive::Kind::Text;
        item.tag = tag;
        item.text = line;
        item.family = QStringLiteral("Carlito");
        item.size = size;
        item.color = color;
        item.box = measure(line, size);
        QPointF at = anchor;
        if (align & Qt::AlignHCenter)
            at.rx() -= item.box.width() / 2;
        else if (align & Qt::AlignRight)
            at.rx() -= item.box.width();
        if (align & Qt::AlignVCenter)
            at.ry() -= item.box.height() / 2;
        else if (align & Qt::AlignBottom)
            at.ry() -= item.box.height();
        item.position = at;
        item.origin = at;
        m_scene.items.push_back(std::move(item));
    }

  private:
    chart::ChartScene m_scene;
};

QString chartexNumber(double value) { return QLocale().toString(value, 'g', 12); }

// Bounds and step of a value axis over [low, high] with about five steps of 1, 2 or 5 times a
// power of ten, zero always inside.
struct ChartexScale {
    double minimum = 0;
    double maximum = 1;
    double step = 1;
};

ChartexScale chartexScale(double low, double high) {
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
    if (high - low <= 0) high = low + 1;
    const double rough = (high - low) / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = magnitude;
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * magnitude;
        if (step >= rough) break;
    }
    return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
}

// The categories and values of a chart's first series: the texts of its "cat" dimension (or
// the points' numbers) and the numbers of its "val" dimension.
struct ChartexPoints {
    std::vector<QString> categories;
    std::vector<std::optional<double>> values;
};

std::optional<ChartexPoints> chartexPointsOf(const ChartexChart& chart,
                                             const ChartexChart::Series& series) {
    const ChartexChart::Dimension* values = chart.dimension(series, QStringLiteral("val"));
    if (!values || values->numbers.empty()) return std::nullopt;
    ChartexPoints points;
    points.values = values->numbers;
    const ChartexChart::Dimension* categories = chart.dimension(series, QStringLiteral("cat"));
    for (size_t i = 0; i < points.values.size(); ++i) {
        QString label = QString::number(i + 1);
        if (categories && i < categories->texts.size()) label = categories->texts[i];
        points.categories.push_back(label);
    }
    return points;
}

// Title at the top; returns where the plot may begin.
double chartexTitle(ChartexSceneMaker& maker, const ChartexChart& chart, double width) {
    if (!chart.hasTitle) return 8;
    const QString title = chart.title.isEmpty()
                              ? chart.series.empty() ? QString() : chart.series.front().name
                              : chart.title;
    if (title.isEmpty()) return 8;
    maker.text(SceneTag{SceneTag::Element::Title}, title, 14, QPointF(width / 2, 6),
               Qt::AlignHCenter | Qt::AlignTop);
    return 6 + maker.measure(title, 14).height() + 6;
}

bool chartexWaterfall(ChartexSceneMaker& maker, const ChartexChart& chart, QSizeF size) {
    const ChartexChart::Series& series = chart.series.front();
    const std::optional<ChartexPoints> points = chartexPointsOf(chart, series);
    if (!points) return false;
    const size_t n = points->values.size();
    // Each column from its start to its end on the running total.
    std::vector<std::pair<double, double>> columns(n);
    double running = 0;
    for (size_t i = 0; i < n; ++i) {
        const double value = points->values[i].value_or(0);
        const bool total = std::find(series.subtotals.begin(), series.subtotals.end(), int(i)) !=
                           series.subtotals.end();
        columns[i] = total ? std::make_pair(0.0, value) : std::make_pair(running, running + value);
        running = columns[i].second;
    }
    double low = 0, high = 0;
    for (const auto& [from, to] : columns) {
        low = std::min({low, from, to});
        high = std::max({high, from, to});
    }
    const ChartexScale scale = chartexScale(low, high);
    const double top = chartexTitle(maker, chart, size.width());
    double labelWidth = 0;
    for (double v = scale.minimum; v <= scale.maximum + scale.step / 2; v += scale.step) {
        labelWidth = std::max(labelWidth, maker.measure(chartexNumber(v), 9).width());
    }
    const double categoryHeight = maker.measure(QStringLiteral("Xg"), 9).height();
    const QRectF plot(8 + labelWidth + 4, top + 12, size.width() - (8 + labelWidth + 4) - 10,
                      size.height() - top - 12 - categoryHeight - 10);
    if (plot.width() <= 0 || plot.height() <= 0) return true;
    const auto yOf = [&](double v) {
        return plot.bottom() -
               (v - scale.minimum) / (scale.maximum - scale.minimum) * plot.height();
    };
    int index = 0;
    for (double v = scale.minimum; v <= scale.maximum + scale.step / 2; v += scale.step, ++index) {
        const double y = yOf(v);
        maker.line(SceneTag{SceneTag::Element::MajorGridline, -1, index, 1},
                   QPointF(plot.left(), y), QPointF(plot.right(), y), kChartexGrid, 0.75);
        maker.text(SceneTag{SceneTag::Element::AxisLabel, -1, index, 1}, chartexNumber(v), 9,
                   QPointF(plot.left() - 4, y), Qt::AlignRight | Qt::AlignVCenter);
    }
    const double slot = plot.width() / double(n);
    const double gap = 0.5;  // of a column's width, the default gap width
    const double width = slot / (1 + gap);
    for (size_t i = 0; i < n; ++i) {
        const auto [from, to] = columns[i];
        const bool total = std::find(series.subtotals.begin(), series.subtotals.end(), int(i)) !=
                           series.subtotals.end();
        const QColor color = total        ? kChartexAccent3
                             : to >= from ? kChartexAccent1
                                          : kChartexAccent2;
        const double left = plot.left() + slot * double(i) + (slot - width) / 2;
        const QRectF column(QPointF(left, yOf(std::max(from, to))),
                            QPointF(left + width, yOf(std::min(from, to))));
        maker.rect(SceneTag{SceneTag::Element::DataPoint, 0, int(i)}, column, color);
        maker.text(SceneTag{SceneTag::Element::AxisLabel, -1, int(i), 0}, points->categories[i],
                   9, QPointF(left + width / 2, plot.bottom() + 3),
                   Qt::AlignHCenter | Qt::AlignTop);
        const double value = points->values[i].value_or(0);
        maker.text(SceneTag{SceneTag::Element::DataLabel, 0, int(i)}, chartexNumber(value), 9,
                   QPointF(left + width / 2, column.top() - 2), Qt::AlignHCenter | Qt::AlignBottom);
        if (i + 1 < n) {
            const double y = yOf(to);
            maker.line(SceneTag{SceneTag::Element::SeriesConnector, 0, int(i)},
                       QPointF(left + width, y), QPointF(left + slot, y), QColor(0x7f, 0x7f, 0x7f),
                       0.75);
        }
    }
    return true;
}

bool chartexFunnel(ChartexSceneMaker& maker, const ChartexChart& chart, QSizeF size) {
    const std::optional<ChartexPoints> points = chartexPointsOf(chart, chart.series.front());
    if (!points) return false;
    const size_t n = points->values.size();
    double largest = 0;
    double labelWidth = 0;
    for (size_t i = 0; i < n; ++i) {
        largest = std::max(largest, std::abs(points->values[i].value_or(0)));
        labelWidth = std::max(labelWidth, maker.measure(points->categories[i], 9).width());
    }
    const double top = chartexTitle(maker, chart, size.width());
    const QRectF plot(8 + labelWidth + 6, top + 8, size.width() - (8 + labelWidth + 6) - 10,
                      size.height() - top - 16);
    if (plot.width() <= 0 || plot.height() <= 0) return true;
    const double slot = plot.height() / double(n);
    const double height = slot / (1 + 0.06);
    for (size_t i = 0; i < n; ++i) {
        const double value = points->values[i].value_or(0);
        const double width = largest > 0 ? std::abs(value) / largest * plot.width() : 0;
        const double y = plot.top() + slot * double(i) + (slot - height) / 2;
        const QRectF bar(plot.center().x() - width / 2, y, width, height);
        maker.rect(SceneTag{SceneTag::Element::DataPoint, 0, int(i)}, bar, kChartexAccent1);
        maker.text(SceneTag{SceneTag::Element::AxisLabel, -1, int(i), 0}, points->categories[i],
                   9, QPointF(plot.left() - 6, bar.center().y()),
                   Qt::AlignRight | Qt::AlignVCenter);
        maker.text(SceneTag{SceneTag::Element::DataLabel, 0, int(i)}, chartexNumber(value), 9,
                   bar.center(), Qt::AlignCenter, Qt::white);
    }
    return true;
}

}  // namespace

chart::ChartScene chartexScene(const ChartexChart& chart, QSizeF sizeInPoints) {
    ChartexSceneMaker maker(sizeInPoints);
    maker.area();
    const QString layout = chart.series.empty() ? QString() : chart.series.front().layout;
    if (layout == QLatin1String("waterfall") && chartexWaterfall(maker, chart, sizeInPoints))
        return maker.take();
    if (layout == QLatin1String("funnel") && chartexFunnel(maker, chart, sizeInPoints))
        return maker.take();
    const QString kind = chart.kindName();
    maker.text(SceneTag{SceneTag::Element::Title}, chart.title.isEmpty() ? kind : chart.title, 14,
               QPointF(sizeInPoints.width() / 2, 8), Qt::AlignHCenter | Qt::AlignTop);
    maker.text(SceneTag{SceneTag::Element::Note}, QStringLiteral("%1 chart").arg(kind), 9,
               QPointF(sizeInPoints.width() / 2, sizeInPoints.height() / 2), Qt::AlignCenter);
    return maker.take();
}

QImage chartexPicture(const ChartexChart& chart, QSize pixels) {
    const QSizeF points(std::max(1, pixels.width()) * 72.0 / 96.0,
                        std::max(1, pixels.height()) * 72.0 / 96.0);
    return chart::renderSceneImage(points, 1, [&](double) { return chartexScene(chart, points); });
}

}  // namespace engine
