#include "engine/chartdraw/ChartexScene.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <algorithm>
#include <cmath>

#include "engine/chartdraw/AxisScale.h"
#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartdraw/ChartexDrawing.h"

namespace engine {

namespace chartexdraw {

using chart::ScenePrimitive;
using chart::SceneTag;

const QColor kText(0x59, 0x59, 0x59);
const QColor kGrid(0xd9, 0xd9, 0xd9);
const QColor kAxisLine(0xbf, 0xbf, 0xbf);

QColor accent(int index) {
    static const QColor accents[] = {QColor(0x44, 0x72, 0xc4), QColor(0xed, 0x7d, 0x31),
                                     QColor(0xa5, 0xa5, 0xa5), QColor(0xff, 0xc0, 0x00),
                                     QColor(0x5b, 0x9b, 0xd5), QColor(0x70, 0xad, 0x47)};
    return accents[((index % 6) + 6) % 6];
}

void SceneMaker::area() {
    ScenePrimitive item;
    item.tag.element = SceneTag::Element::ChartArea;
    item.path.addRect(QRectF(QPointF(0, 0), m_scene.size).adjusted(0.375, 0.375, -0.375, -0.375));
    item.fill = chart::SceneBrush{Qt::white, {}, 90, false, {}, {}};
    item.stroke = chart::ScenePen{kAxisLine, 0.75, {}, Qt::FlatCap, Qt::RoundJoin};
    m_scene.items.push_back(std::move(item));
}

void SceneMaker::fill(SceneTag tag, const QPainterPath& path, const QColor& color,
                      std::optional<chart::ScenePen> stroke) {
    ScenePrimitive item;
    item.tag = tag;
    item.path = path;
    item.fill = chart::SceneBrush{color, {}, 90, false, {}, {}};
    item.stroke = std::move(stroke);
    m_scene.items.push_back(std::move(item));
}

void SceneMaker::rect(SceneTag tag, const QRectF& r, const QColor& color,
                      std::optional<chart::ScenePen> stroke) {
    QPainterPath path;
    path.addRect(r);
    fill(tag, path, color, std::move(stroke));
}

void SceneMaker::stroke(SceneTag tag, const QPainterPath& path, const QColor& color, double width) {
    ScenePrimitive item;
    item.tag = tag;
    item.path = path;
    item.stroke = chart::ScenePen{color, width, {}, Qt::FlatCap, Qt::RoundJoin};
    m_scene.items.push_back(std::move(item));
}

void SceneMaker::line(SceneTag tag, QPointF from, QPointF to, const QColor& color, double width) {
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    stroke(tag, path, color, width);
}

QSizeF SceneMaker::measure(const QString& text, double size, bool bold) const {
    QFont font(QStringLiteral("Carlito"));
    font.setPointSizeF(size);
    font.setBold(bold);
    const QFontMetricsF metrics(font);
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void SceneMaker::text(SceneTag tag, const QString& line, double size, QPointF anchor,
                      Qt::Alignment align, const QColor& color, bool bold, double angle) {
    ScenePrimitive item;
    item.kind = ScenePrimitive::Kind::Text;
    item.tag = tag;
    item.text = line;
    item.family = QStringLiteral("Carlito");
    item.size = size;
    item.bold = bold;
    item.color = color;
    item.box = measure(line, size, bold);
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
    item.origin = angle == 0 ? at : anchor;
    item.angle = angle;
    m_scene.items.push_back(std::move(item));
}

QString number(double value) { return QLocale().toString(value, 'g', 12); }

QString percent(double fraction) {
    return QLocale().toString(fraction * 100, 'g', 12) + QLocale().percent();
}

double title(SceneMaker& maker, const ChartexChart& chart, double width) {
    if (!chart.hasTitle) return 8;
    // An automatic title shows the placeholder text the application shows.
    const QString text = chart.title.isEmpty() ? QStringLiteral("Chart Title") : chart.title;
    maker.text(SceneTag{SceneTag::Element::Title}, text, 14, QPointF(width / 2, 6),
               Qt::AlignHCenter | Qt::AlignTop);
    return 6 + maker.measure(text, 14).height() + 6;
}

double legendRow(SceneMaker& maker, double top,
                 const std::vector<std::pair<QString, QColor>>& entries) {
    if (entries.empty()) return top;
    const double key = 6;
    const double gap = 12;
    double width = 0;
    for (const auto& [label, color] : entries) width += key + 4 + maker.measure(label, 9).width();
    width += gap * double(entries.size() - 1);
    const double height = maker.measure(QStringLiteral("Xg"), 9).height();
    double x = (maker.size().width() - width) / 2;
    const double middle = top + height / 2;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto& [label, color] = entries[i];
        maker.rect(SceneTag{SceneTag::Element::LegendKey, int(i)},
                   QRectF(x, middle - key / 2, key, key), color);
        maker.text(SceneTag{SceneTag::Element::LegendEntry, int(i)}, label, 9,
                   QPointF(x + key + 4, middle), Qt::AlignLeft | Qt::AlignVCenter);
        x += key + 4 + maker.measure(label, 9).width() + gap;
    }
    return top + height + 4;
}

double ValuePlot::yOf(double value) const {
    return plot.bottom() -
           (value - scale.minimum) / (scale.maximum - scale.minimum) * plot.height();
}

double ValuePlot::rightYOf(double value) const {
    const Scale& s = right ? *right : scale;
    return plot.bottom() - (value - s.minimum) / (s.maximum - s.minimum) * plot.height();
}

namespace {

// The tick values of a scale, from its minimum up (bounded, for a degenerate step).
std::vector<double> chartexTicks(const Scale& scale) {
    std::vector<double> ticks;
    for (int i = 0; i <= 1000; ++i) {
        const double v = scale.minimum + scale.step * i;
        if (v > scale.maximum + scale.step / 2) break;
        ticks.push_back(std::abs(v) < scale.step * 1e-9 ? 0 : v);
    }
    return ticks;
}

}  // namespace

ValuePlot valuePlot(SceneMaker& maker, double top, double low, double high, bool percentRight) {
    const QSizeF size = maker.size();
    const double lineHeight = maker.measure(QStringLiteral("Xg"), 9).height();
    const double plotTop = top + 12;
    const double plotHeight = size.height() - plotTop - lineHeight - 10;
    // As many intervals as fit at the spacing the application keeps between its value labels.
    const int cap = std::clamp(int(plotHeight / std::max(1.0, lineHeight * 1.15)), 2, 10);
    ValueAxisInput input;
    input.dataMin = low;
    input.dataMax = high;
    input.maxIntervals = cap;
    const AxisScale axis = std::isfinite(high - low) ? autoValueScale(input)
                                                     : AxisScale{low, high, high / 2 - low / 2, 0};
    const Scale scale{axis.min, axis.max, axis.majorUnit};
    std::optional<Scale> right;
    if (percentRight) {
        const AxisScale percentAxis = percentStackedScale(false, cap);
        right = Scale{percentAxis.min, percentAxis.max, percentAxis.majorUnit};
    }
    const std::vector<double> ticks = chartexTicks(scale);
    double labelWidth = 0;
    for (const double v : ticks)
        labelWidth = std::max(labelWidth, maker.measure(number(v), 9).width());
    double rightWidth = 10;
    std::vector<double> rightTicks;
    if (right) {
        rightTicks = chartexTicks(*right);
        double widest = 0;
        for (const double v : rightTicks)
            widest = std::max(widest, maker.measure(percent(v), 9).width());
        rightWidth = 8 + widest + 4;
    }
    const double left = 8 + labelWidth + 4;
    ValuePlot out{QRectF(left, plotTop, size.width() - left - rightWidth, plotHeight), scale,
                  right};
    if (out.plot.width() <= 0 || out.plot.height() <= 0) {
        out.plot = QRectF();
        return out;
    }
    for (size_t i = 0; i < ticks.size(); ++i) {
        const double y = out.yOf(ticks[i]);
        maker.line(SceneTag{SceneTag::Element::MajorGridline, -1, int(i), 1},
                   QPointF(out.plot.left(), y), QPointF(out.plot.right(), y), kGrid, 0.75);
        maker.text(SceneTag{SceneTag::Element::AxisLabel, -1, int(i), 1}, number(ticks[i]), 9,
                   QPointF(out.plot.left() - 4, y), Qt::AlignRight | Qt::AlignVCenter);
    }
    for (size_t i = 0; i < rightTicks.size(); ++i) {
        maker.text(SceneTag{SceneTag::Element::AxisLabel, -1, int(i), 2}, percent(rightTicks[i]), 9,
                   QPointF(out.plot.right() + 4, out.rightYOf(rightTicks[i])),
                   Qt::AlignLeft | Qt::AlignVCenter);
    }
    return out;
}

void categoryLabels(SceneMaker& maker, const QRectF& plot, const std::vector<QString>& labels) {
    if (labels.empty()) return;
    const double slot = plot.width() / double(labels.size());
    maker.line(SceneTag{SceneTag::Element::AxisLine, -1, -1, 0}, plot.bottomLeft(),
               plot.bottomRight(), kAxisLine, 0.75);
    for (size_t i = 0; i < labels.size(); ++i) {
        maker.text(SceneTag{SceneTag::Element::AxisLabel, -1, int(i), 0}, labels[i], 9,
                   QPointF(plot.left() + slot * (double(i) + 0.5), plot.bottom() + 3),
                   Qt::AlignHCenter | Qt::AlignTop);
    }
}

std::optional<Points> pointsOf(const ChartexChart& chart, const ChartexChart::Series& series) {
    const ChartexChart::Dimension* values = chart.dimension(series, QStringLiteral("val"));
    if (!values || values->numbers.empty()) return std::nullopt;
    Points points;
    points.values = values->numbers;
    const ChartexChart::Dimension* categories = chart.dimension(series, QStringLiteral("cat"));
    for (size_t i = 0; i < points.values.size(); ++i) {
        QString label = QString::number(i + 1);
        if (categories && i < categories->texts.size()) label = categories->texts[i];
        points.categories.push_back(label);
    }
    return points;
}

bool drawWaterfall(SceneMaker& maker, const ChartexChart& chart) {
    const QSizeF size = maker.size();
    const ChartexChart::Series& series = chart.series.front();
    const std::optional<Points> points = pointsOf(chart, series);
    if (!points) return false;
    const size_t n = points->values.size();
    const auto isTotal = [&](size_t i) {
        return std::find(series.subtotals.begin(), series.subtotals.end(), int(i)) !=
               series.subtotals.end();
    };
    // Each column from its start to its end on the running total.
    std::vector<std::pair<double, double>> columns(n);
    double running = 0;
    for (size_t i = 0; i < n; ++i) {
        const double value = points->values[i].value_or(0);
        columns[i] =
            isTotal(i) ? std::make_pair(0.0, value) : std::make_pair(running, running + value);
        running = columns[i].second;
    }
    double low = 0, high = 0;
    for (const auto& [from, to] : columns) {
        low = std::min({low, from, to});
        high = std::max({high, from, to});
    }
    double top = title(maker, chart, size.width());
    if (chart.hasLegend) {
        top = legendRow(maker, top,
                        {{QStringLiteral("Increase"), accent(0)},
                         {QStringLiteral("Decrease"), accent(1)},
                         {QStringLiteral("Total"), accent(2)}});
    }
    const ValuePlot plot = valuePlot(maker, top, std::min(low, 0.0), high);
    if (plot.plot.isEmpty()) return true;
    categoryLabels(maker, plot.plot, points->categories);
    const double slot = plot.plot.width() / double(n);
    const double width = slot / (1 + chart.gapWidth.value_or(0.5));
    for (size_t i = 0; i < n; ++i) {
        const auto [from, to] = columns[i];
        const QColor color = isTotal(i) ? accent(2) : to >= from ? accent(0) : accent(1);
        const double left = plot.plot.left() + slot * double(i) + (slot - width) / 2;
        const QRectF column(QPointF(left, plot.yOf(std::max(from, to))),
                            QPointF(left + width, plot.yOf(std::min(from, to))));
        maker.rect(SceneTag{SceneTag::Element::DataPoint, 0, int(i)}, column, color);
        // A decrease has its value below it, where the column ends.
        const double value = points->values[i].value_or(0);
        if (to < from && !isTotal(i))
            maker.text(SceneTag{SceneTag::Element::DataLabel, 0, int(i)}, number(value), 9,
                       QPointF(left + width / 2, column.bottom() + 2),
                       Qt::AlignHCenter | Qt::AlignTop);
        else
            maker.text(SceneTag{SceneTag::Element::DataLabel, 0, int(i)}, number(value), 9,
                       QPointF(left + width / 2, column.top() - 2),
                       Qt::AlignHCenter | Qt::AlignBottom);
        if (i + 1 < n) {
            const double y = plot.yOf(to);
            maker.line(SceneTag{SceneTag::Element::SeriesConnector, 0, int(i)},
                       QPointF(left + width, y), QPointF(left + slot, y), QColor(0x7f, 0x7f, 0x7f),
                       0.75);
        }
    }
    return true;
}

bool drawFunnel(SceneMaker& maker, const ChartexChart& chart) {
    const QSizeF size = maker.size();
    const std::optional<Points> points = pointsOf(chart, chart.series.front());
    if (!points) return false;
    const size_t n = points->values.size();
    double largest = 0;
    double labelWidth = 0;
    for (size_t i = 0; i < n; ++i) {
        largest = std::max(largest, std::abs(points->values[i].value_or(0)));
        labelWidth = std::max(labelWidth, maker.measure(points->categories[i], 9).width());
    }
    const double top = title(maker, chart, size.width());
    const QRectF plot(8 + labelWidth + 6, top + 8, size.width() - (8 + labelWidth + 6) - 10,
                      size.height() - top - 16);
    if (plot.width() <= 0 || plot.height() <= 0) return true;
    const double slot = plot.height() / double(n);
    const double height = slot / (1 + chart.gapWidth.value_or(0.06));
    for (size_t i = 0; i < n; ++i) {
        const double value = points->values[i].value_or(0);
        const double width = largest > 0 ? std::abs(value) / largest * plot.width() : 0;
        const double y = plot.top() + slot * double(i) + (slot - height) / 2;
        const QRectF bar(plot.center().x() - width / 2, y, width, height);
        maker.rect(SceneTag{SceneTag::Element::DataPoint, 0, int(i)}, bar, accent(0));
        maker.text(SceneTag{SceneTag::Element::AxisLabel, -1, int(i), 0}, points->categories[i], 9,
                   QPointF(plot.left() - 6, bar.center().y()), Qt::AlignRight | Qt::AlignVCenter);
        maker.text(SceneTag{SceneTag::Element::DataLabel, 0, int(i)}, number(value), 9,
                   bar.center(), Qt::AlignCenter, Qt::white);
    }
    return true;
}

}  // namespace chartexdraw

chart::ChartScene chartexScene(const ChartexChart& chart, QSizeF sizeInPoints) {
    using chart::SceneTag;
    chartexdraw::SceneMaker maker(sizeInPoints);
    maker.area();
    QString layout;
    for (const ChartexChart::Series& series : chart.series) {
        if (!series.owned) {
            layout = series.layout;
            break;
        }
    }
    bool drawn = false;
    if (layout == QLatin1String("waterfall"))
        drawn = chartexdraw::drawWaterfall(maker, chart);
    else if (layout == QLatin1String("funnel"))
        drawn = chartexdraw::drawFunnel(maker, chart);
    else if (layout == QLatin1String("clusteredColumn"))
        drawn = chartexdraw::drawHistogram(maker, chart);
    else if (layout == QLatin1String("boxWhisker"))
        drawn = chartexdraw::drawBoxWhisker(maker, chart);
    else if (layout == QLatin1String("treemap"))
        drawn = chartexdraw::drawTreemap(maker, chart);
    else if (layout == QLatin1String("sunburst"))
        drawn = chartexdraw::drawSunburst(maker, chart);
    if (drawn) return maker.take();
    // What could not be drawn leaves only the area beneath its outline.
    chartexdraw::SceneMaker outline(sizeInPoints);
    outline.area();
    const QString kind = chart.kindName();
    outline.text(SceneTag{SceneTag::Element::Title}, chart.title.isEmpty() ? kind : chart.title, 14,
                 QPointF(sizeInPoints.width() / 2, 8), Qt::AlignHCenter | Qt::AlignTop);
    outline.text(SceneTag{SceneTag::Element::Note}, QStringLiteral("%1 chart").arg(kind), 9,
                 QPointF(sizeInPoints.width() / 2, sizeInPoints.height() / 2), Qt::AlignCenter);
    return outline.take();
}

QImage chartexPicture(const ChartexChart& chart, QSize pixels) {
    const QSizeF points(std::max(1, pixels.width()) * 72.0 / 96.0,
                        std::max(1, pixels.height()) * 72.0 / 96.0);
    return chart::renderSceneImage(points, 1, [&](double) { return chartexScene(chart, points); });
}

}  // namespace engine
