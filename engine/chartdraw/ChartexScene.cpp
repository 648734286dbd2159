#include "engine/chartdraw/ChartexScene.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <algorithm>
#include <cmath>

#include "engine/chartdraw/ChartRenderer.h"

namespace engine {

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
