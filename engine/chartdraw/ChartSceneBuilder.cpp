// The scene stage of drawing a chart: the builder's primitives, gridlines, axes, data table and titles.

#include "engine/chartdraw/ChartLayout.h"
#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartdraw/ChartSceneBuilder.h"
#include "engine/chartdraw/ShapeEffects.h"

#include <QRegularExpression>
#include <QTransform>
#include <numeric>

namespace engine::chart {

SceneTag ChartSceneBuilder::tagOf(E element, int series, int point, int axis) {
    SceneTag t;
    t.element = element;
    t.series = series;
    t.point = point;
    t.axis = axis;
    return t;
}

// A smooth curve through the points, as the office applications draw smoothed lines: cubic
// pieces whose tangents follow the neighbouring points.
QPainterPath ChartSceneBuilder::smoothPath(const std::vector<QPointF>& pts) {
    QPainterPath path;
    if (pts.empty()) return path;
    path.moveTo(pts[0]);
    const double k = 1.0 / 6;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
        const QPointF p0 = i > 0 ? pts[i - 1] : pts[i];
        const QPointF p1 = pts[i], p2 = pts[i + 1];
        const QPointF p3 = i + 2 < pts.size() ? pts[i + 2] : pts[i + 1];
        path.cubicTo(p1 + (p2 - p0) * k, p2 - (p3 - p1) * k, p2);
    }
    return path;
}

QPainterPath ChartSceneBuilder::polyline(const std::vector<QPointF>& pts) {
    QPainterPath path;
    if (pts.empty()) return path;
    path.moveTo(pts[0]);
    for (size_t i = 1; i < pts.size(); ++i) path.lineTo(pts[i]);
    return path;
}

QPainterPath ChartSceneBuilder::markerPath(MarkerSymbol symbol, QPointF c, double size) {
    QPainterPath p;
    const double r = size / 2;
    if (symbol == MarkerSymbol::Circle || symbol == MarkerSymbol::Dot) {
        const double rr = symbol == MarkerSymbol::Dot ? r / 2 : r;
        p.addEllipse(c, rr, rr);
    } else if (symbol == MarkerSymbol::Square) {
        p.addRect(QRectF(c.x() - r, c.y() - r, size, size));
    } else if (symbol == MarkerSymbol::Triangle) {
        p.moveTo(c.x(), c.y() - r);
        p.lineTo(c.x() + r, c.y() + r);
        p.lineTo(c.x() - r, c.y() + r);
        p.closeSubpath();
    } else if (symbol == MarkerSymbol::X) {
        p.moveTo(c.x() - r, c.y() - r); p.lineTo(c.x() + r, c.y() + r);
        p.moveTo(c.x() - r, c.y() + r); p.lineTo(c.x() + r, c.y() - r);
    } else if (symbol == MarkerSymbol::Plus) {
        p.moveTo(c.x() - r, c.y()); p.lineTo(c.x() + r, c.y());
        p.moveTo(c.x(), c.y() - r); p.lineTo(c.x(), c.y() + r);
    } else if (symbol == MarkerSymbol::Star) {
        p.moveTo(c.x() - r, c.y() - r); p.lineTo(c.x() + r, c.y() + r);
        p.moveTo(c.x() - r, c.y() + r); p.lineTo(c.x() + r, c.y() - r);
        p.moveTo(c.x(), c.y() - r); p.lineTo(c.x(), c.y() + r);
    } else if (symbol == MarkerSymbol::Dash) {
        p.addRect(QRectF(c.x() - r, c.y() - size / 10, size, size / 5));
    } else {  // diamond, and any symbol not known
        p.moveTo(c.x(), c.y() - r);
        p.lineTo(c.x() + r, c.y());
        p.lineTo(c.x(), c.y() + r);
        p.lineTo(c.x() - r, c.y());
        p.closeSubpath();
    }
    return p;
}

bool ChartSceneBuilder::isOpenSymbol(MarkerSymbol symbol) {
    return symbol == MarkerSymbol::X || symbol == MarkerSymbol::Plus || symbol == MarkerSymbol::Star;
}

ChartScene ChartSceneBuilder::build() {
    m_scene.size = m_size;
    const QRectF box(QPointF(0, 0), m_size);
    const ResolvedShape area = R().chartArea();
    addShape(tagOf(E::ChartArea), rectPath(box, area, m_chart.roundedCorners.value_or(false)), area);
    if (m_size.width() < 2 || m_size.height() < 2) return std::move(m_scene);
    m_layout = layoutChart(m_chart, m_formats, m_size);
    const bool cartesian = std::any_of(m_layout.groups.begin(), m_layout.groups.end(),
                                       [](const GroupData& g) { return !g.polar && g.valueAxis; });
    if (cartesian)
        addShape(tagOf(E::PlotArea), rectPath(m_layout.plot, R().plotArea(), false), R().plotArea());
    if (cartesian) drawGridlines();
    bool drewAny = m_layout.groups.empty();
    for (const GroupData& g : m_layout.groups) drewAny = drawGroup(g) || drewAny;
    if (cartesian) drawAxes();
    if (cartesian) drawDataTable();
    for (const GroupData& g : m_layout.groups) drawDecorations(g);
    drawTitles();
    drawLegend();
    if (!drewAny && !m_layout.groups.empty()) drawNote(m_layout.groups.front().group->kindName() + QStringLiteral(" chart"));
    return std::move(m_scene);
}

QPainterPath ChartSceneBuilder::rectPath(const QRectF& r, const ResolvedShape& shape, bool rounded) {
    QPainterPath p;
    // Inset by half the border so that the whole border stays inside the box.
    const double inset = shape.line.visible ? shape.line.width / 2 : 0;
    const QRectF rr = r.adjusted(inset, inset, -inset, -inset);
    if (rounded)
        p.addRoundedRect(rr, 8, 8);
    else
        p.addRect(rr);
    return p;
}

void ChartSceneBuilder::addPath(const SceneTag& tag, const QPainterPath& path, std::optional<SceneBrush> fill, std::optional<ScenePen> stroke) {
    if (!fill && !stroke) return;
    ScenePrimitive p;
    p.kind = ScenePrimitive::Kind::Path;
    p.tag = tag;
    p.path = path;
    p.fill = std::move(fill);
    p.stroke = std::move(stroke);
    m_scene.items.push_back(std::move(p));
}

void ChartSceneBuilder::addShape(const SceneTag& tag, const QPainterPath& path, const ResolvedShape& shape) {
    addPath(tag, path, m_formats.fill(shape), m_formats.line(shape));
}

void ChartSceneBuilder::addLine(const SceneTag& tag, QPointF a, QPointF b, const std::optional<ScenePen>& pen) {
    if (!pen) return;
    QPainterPath p;
    p.moveTo(a);
    p.lineTo(b);
    addPath(tag, p, std::nullopt, pen);
}

// One line of text with its box's top-left at `topLeft`, turned by angle about `origin`.
void ChartSceneBuilder::addText(const SceneTag& tag, const QString& text, const TextStyle& style, QPointF topLeft, double angle, std::optional<QPointF> origin) {
    if (text.isEmpty()) return;
    ScenePrimitive p;
    p.kind = ScenePrimitive::Kind::Text;
    p.tag = tag;
    p.text = text;
    p.family = style.family;
    p.size = style.size;
    p.bold = style.bold;
    p.italic = style.italic;
    p.underline = style.underline;
    p.color = style.color;
    p.box = measureText(text, style);
    p.position = topLeft;
    p.angle = angle;
    p.origin = origin.value_or(topLeft);
    m_scene.items.push_back(std::move(p));
}

// Text centred on a point.
void ChartSceneBuilder::addCenteredText(const SceneTag& tag, const QString& text, const TextStyle& style, QPointF center, double angle) {
    const QSizeF s = measureText(text, style);
    addText(tag, text, style, center - QPointF(s.width() / 2, s.height() / 2), angle, center);
}

void ChartSceneBuilder::addBlock(const SceneTag& tag, const TextBlock& block) {
    const QPointF c = block.rect.center();
    const double total = block.lineHeight * block.lines.size();
    for (int i = 0; i < block.lines.size(); ++i) {
        const QSizeF s = measureText(block.lines[i], block.style);
        const QPointF topLeft(c.x() - s.width() / 2, c.y() - total / 2 + i * block.lineHeight);
        addText(tag, block.lines[i], block.style, topLeft, block.angle, c);
    }
}

void ChartSceneBuilder::drawNote(const QString& text) {
    const TextStyle style = m_formats.text(R().legendText());
    const QRectF area = m_layout.plot.isValid() ? m_layout.plot : QRectF(QPointF(0, 0), m_size);
    addCenteredText(tagOf(E::Note), text, style, area.center());
}

double ChartSceneBuilder::blankValue(double v) const {
    if (std::isfinite(v)) return v;
    return R().displayBlanksAs() == DisplayBlanksAs::Zero ? 0 : kNaN;
}

bool ChartSceneBuilder::showsSeriesLine(const GroupData& g, const Series& s) const {
    switch (g.group->kind) {
    case K::Stock: return s.shape && s.shape->line;  // stock series show no line unless they say so
    case K::Scatter: {
        const ScatterStyle style = g.group->scatterStyle.value_or(ScatterStyle::LineMarker);
        if (style == ScatterStyle::Marker || style == ScatterStyle::None) return false;
        return !(s.shape && s.shape->line && s.shape->line->fill && s.shape->line->fill->kind == drawingml::Fill::Kind::None);
    }
    default: return true;
    }
}

bool ChartSceneBuilder::automaticMarkers(const GroupData& g) const {
    switch (g.group->kind) {
    case K::Stock: return false;
    case K::Scatter: {
        const ScatterStyle style = g.group->scatterStyle.value_or(ScatterStyle::LineMarker);
        return style != ScatterStyle::Line && style != ScatterStyle::Smooth;
    }
    case K::Radar: return g.group->radarStyle == RadarStyle::Marker;
    default: return true;
    }
}

QPointF ChartSceneBuilder::at(const GroupData& g, double category, double value) const {
    const bool whole = std::floor(category) == category && std::abs(category) < 2e9;
    const double c = g.categoryAxis->categoryCenter(whole ? g.categoryAxis->slot(int(category)) : category);
    const double v = g.valueAxis->map(value);
    return g.horizontal ? QPointF(v, c) : QPointF(c, v);
}

// Per category: the value each series stands at once stacked (and made percent).
std::vector<std::vector<double>> ChartSceneBuilder::stackedTops(const GroupData& g, std::vector<std::vector<double>>* bottoms) const {
    size_t n = 1;
    for (const SeriesData& s : g.series) n = std::max(n, s.values.size());
    std::vector<double> pos(n, 0), neg(n, 0), total(n, 0);
    if (g.percent)
        for (const SeriesData& s : g.series)
            for (size_t i = 0; i < std::min(n, s.values.size()); ++i)
                if (std::isfinite(s.values[i])) total[i] += std::abs(s.values[i]);
    std::vector<std::vector<double>> tops;
    for (const SeriesData& s : g.series) {
        std::vector<double> top(n, kNaN), bottom(n, kNaN);
        for (size_t i = 0; i < n; ++i) {
            double v = i < s.values.size() ? blankValue(s.values[i]) : kNaN;
            const bool missing = !std::isfinite(v);
            if (missing) v = 0;
            if (g.percent) v = total[i] > 0 ? v / total[i] : 0;
            if (!g.stacked) {
                top[i] = missing ? kNaN : v;
                continue;
            }
            double& base = v >= 0 ? pos[i] : neg[i];
            bottom[i] = base;
            base += v;
            top[i] = missing && g.group->kind != K::Area && g.group->kind != K::Area3D ? kNaN : base;
        }
        tops.push_back(top);
        if (bottoms) bottoms->push_back(bottom);
    }
    return tops;
}

void ChartSceneBuilder::drawGridlines() {
    for (const auto& ap : m_layout.axes) {
        const AxisLayout& a = *ap;
        if (!a.cross && !a.numeric) continue;
        const QRectF& plot = m_layout.plot;
        auto across = [&](double pos, E element, bool major) {
            const auto pen = m_formats.pen(R().gridlines(*a.axis, major));
            if (a.horizontal) addLine(tagOf(element, -1, -1, a.index), QPointF(pos, plot.top()), QPointF(pos, plot.bottom()), pen);
            else addLine(tagOf(element, -1, -1, a.index), QPointF(plot.left(), pos), QPointF(plot.right(), pos), pen);
        };
        if (a.axis->minorGridlines)
            for (double pos : a.minorTicks) across(pos, E::MinorGridline, false);
        if (a.axis->majorGridlines) {
            if (a.numeric) {
                for (const AxisTick& t : a.majorTicks) across(t.position, E::MajorGridline, true);
            } else {
                for (double p : categoryBoundaries(a)) across(p, E::MajorGridline, true);
            }
        }
    }
}

std::vector<double> ChartSceneBuilder::categoryBoundaries(const AxisLayout& a) const {
    std::vector<double> out;
    const int n = std::max(1, a.categoryCount);
    if (a.date) {  // a date axis marks its major unit, not every day
        for (const AxisTick& t : a.majorTicks) out.push_back(t.position);
        return out;
    }
    const int skip = std::max(a.stride, a.axis->tickMarkSkip.value_or(1));
    if (a.between)
        for (int i = 0; i <= n; i += skip) out.push_back(a.lo + i * (a.hi - a.lo) / n);
    else
        for (int i = 0; i < n; i += skip) out.push_back(a.categoryCenter(i));
    return out;
}

void ChartSceneBuilder::drawAxes() {
    for (const auto& ap : m_layout.axes) {
        const AxisLayout& a = *ap;
        if (!a.visible || (!a.cross && !a.numeric)) continue;
        const QRectF& plot = m_layout.plot;
        const auto pen = m_formats.pen(R().axisLine(*a.axis));
        const QPointF from = a.horizontal ? QPointF(plot.left(), a.line) : QPointF(a.line, plot.top());
        const QPointF to = a.horizontal ? QPointF(plot.right(), a.line) : QPointF(a.line, plot.bottom());
        addLine(tagOf(E::AxisLine, -1, -1, a.index), from, to, pen);
        // Tick marks point away from the labels' side when "out".
        const double outward = a.horizontal ? (a.labelsLowSide ? 1 : -1) : (a.labelsLowSide ? -1 : 1);
        auto ticks = [&](const std::vector<double>& positions, TickMark mark, double length, E element) {
            double a0 = 0, a1 = 0;
            if (mark == TickMark::Out) a1 = length;
            else if (mark == TickMark::In) a0 = -length;
            else if (mark == TickMark::Cross) a0 = -length, a1 = length;
            else return;
            for (double p : positions) {
                if (a.horizontal) addLine(tagOf(element, -1, -1, a.index), QPointF(p, a.line + a0 * outward), QPointF(p, a.line + a1 * outward), pen);
                else addLine(tagOf(element, -1, -1, a.index), QPointF(a.line + a0 * outward, p), QPointF(a.line + a1 * outward, p), pen);
            }
        };
        std::vector<double> major;
        if (a.numeric) for (const AxisTick& t : a.majorTicks) major.push_back(t.position);
        else major = categoryBoundaries(a);
        ticks(major, R().majorTickMark(*a.axis), 3.75, E::MajorTick);
        ticks(a.minorTicks, R().minorTickMark(*a.axis), 2, E::MinorTick);
        drawAxisLabels(a);
        if (a.title) addBlock(tagOf(E::AxisTitle, -1, -1, a.index), *a.title);
        if (a.unitTitle) addBlock(tagOf(E::DisplayUnitsLabel, -1, -1, a.index), *a.unitTitle);
    }
}

void ChartSceneBuilder::drawAxisLabels(const AxisLayout& a) {
    if (a.labelExtent <= 0 || a.axis->tickLabelPosition == TickLabelPosition::None) return;
    const TickMark mark = R().majorTickMark(*a.axis);
    const double tick = mark == TickMark::Out || mark == TickMark::Cross ? 3.75 : 0;
    const double gap = tick + 2.5;
    // Labels reach out of the plot area into the chart area as far as they need, but not out
    // of the chart: a plot placed by hand close to the frame leaves them less room than they
    // take, and the application still draws them whole. They move in together, keeping their
    // alignment, by as much as the one reaching farthest out needs.
    double inward = 0;
    for (const AxisTick& t : a.majorTicks) {
        const QSizeF s = measureText(t.text, a.labelStyle);
        if (a.horizontal && a.labelAngle == 0) {
            const double depth = s.height() * (t.text.count(QLatin1Char('\n')) + 1);
            inward = a.labelsLowSide ? std::max(inward, a.labelLine + gap + depth - m_size.height())
                                     : std::max(inward, depth - (a.labelLine - gap));
        } else if (!a.horizontal) {
            inward = a.labelsLowSide ? std::max(inward, s.width() - (a.labelLine - gap))
                                     : std::max(inward, a.labelLine + gap + s.width() - m_size.width());
        }
    }
    const double shift = a.labelsLowSide ? inward : -inward;
    int index = 0;
    for (size_t i = 0; i < a.majorTicks.size(); ++i) {
        const AxisTick& t = a.majorTicks[i];
        // Category labels are skipped by their number (date labels count by label); a value
        // axis's ticks, of any size, are all labelled.
        if (!a.numeric) {
            const double order = a.date ? double(i) : std::trunc(t.value);
            if (std::fmod(order, double(std::max(1, a.labelSkip))) != 0) continue;
        }
        const QSizeF s = measureText(t.text, a.labelStyle);
        const SceneTag tag = tagOf(E::AxisLabel, -1, index++, a.index);
        if (a.horizontal) {
            const double y = a.labelsLowSide ? a.labelLine + gap : a.labelLine - gap;
            if (a.labelAngle != 0) {
                // Turned labels end at their tick: the text's end sits under the tick.
                const QPointF anchor(t.position, y);
                const double right = a.labelAngle < 0;
                const QPointF topLeft = right ? anchor - QPointF(s.width(), a.labelsLowSide ? 0 : s.height())
                                              : anchor - QPointF(0, a.labelsLowSide ? 0 : s.height());
                const QPointF origin = right ? anchor + QPointF(0, a.labelsLowSide ? s.height() / 2 : -s.height() / 2)
                                             : anchor + QPointF(0, a.labelsLowSide ? s.height() / 2 : -s.height() / 2);
                addText(tag, t.text, a.labelStyle, topLeft + QPointF(0, 0), a.labelAngle,
                        QPointF(right ? anchor.x() : anchor.x(), origin.y()));
            } else {
                // A label broken into lines is drawn line under line, each centred; a label
                // centred on the plot's end that would cross the frame stays inside it.
                const QStringList lines = t.text.split(QLatin1Char('\n'));
                double lineTop = (a.labelsLowSide ? y : y - s.height() * lines.size()) - shift;
                for (const QString& line : lines) {
                    const QSizeF ls = measureText(line, a.labelStyle);
                    const double left = std::clamp(t.position - ls.width() / 2, 0.0, std::max(0.0, m_size.width() - ls.width()));
                    addText(tag, line, a.labelStyle, QPointF(left, lineTop));
                    lineTop += s.height();
                }
            }
        } else {
            const double x = (a.labelsLowSide ? a.labelLine - gap - s.width() : a.labelLine + gap) + shift;
            addText(tag, t.text, a.labelStyle, QPointF(x, t.position - s.height() / 2));
        }
    }
    if (!a.horizontal || a.outerLevels.empty()) return;
    // Outer levels: each group's label centred under its categories, the groups parted by
    // lines from the axis down through the levels.
    const double lh = measureText(QString(), a.labelStyle).height();
    const double side = a.labelsLowSide ? 1 : -1;
    const double bottom = a.labelLine + side * (gap + a.innerLabelDepth + a.outerLevels.size() * lh);
    const auto pen = m_formats.pen(R().axisLine(*a.axis));
    const double half = a.categoryWidth() / 2;
    for (size_t level = 0; level < a.outerLevels.size(); ++level) {
        const double y = a.labelLine + side * (gap + a.innerLabelDepth + level * lh);
        for (const CategoryGroup& group : a.outerLevels[level]) {
            const double x0 = a.categoryCenter(group.first) - half, x1 = a.categoryCenter(group.last) + half;
            const QSizeF s = measureText(group.text, a.labelStyle);
            addText(tagOf(E::AxisLabel, -1, index++, a.index), group.text, a.labelStyle,
                    QPointF((x0 + x1) / 2 - s.width() / 2, a.labelsLowSide ? y : y - s.height()));
            if (group.first > 0) addLine(tagOf(E::MajorTick, -1, -1, a.index), QPointF(x0, a.line), QPointF(x0, bottom), pen);
        }
    }
}

// The data table: borders as it asks for them, in the category axis' line colour; each
// series' name (after its key when asked) and its values, formatted as its cache says.
void ChartSceneBuilder::drawDataTable() {
    if (!m_layout.dataTable) return;
    const DataTableLayout& t = *m_layout.dataTable;
    const AxisLayout& a = *t.axis;
    const QRectF& rows = t.rows;
    const auto pen = m_formats.pen(R().axisLine(*a.axis));
    const SceneTag border = tagOf(E::DataTable);
    const double plotLeft = rows.left() + t.nameWidth;
    if (t.horizontalBorders) {
        for (size_t r = 0; r < t.series.size(); ++r)
            addLine(border, QPointF(r == 0 ? plotLeft : rows.left(), rows.top() + r * t.rowHeight),
                    QPointF(rows.right(), rows.top() + r * t.rowHeight), pen);
        addLine(border, QPointF(plotLeft, rows.top()), QPointF(rows.left(), rows.top()), pen);
    }
    if (t.verticalBorders) {
        for (double x : categoryBoundaries(a))
            if (x > std::min(a.lo, a.hi) + 0.01 && x < std::max(a.lo, a.hi) - 0.01)
                addLine(border, QPointF(x, a.line), QPointF(x, rows.bottom()), pen);
    }
    if (t.outline) {
        addLine(border, QPointF(plotLeft, a.line), QPointF(plotLeft, rows.bottom()), pen);
        addLine(border, QPointF(rows.right(), a.line), QPointF(rows.right(), rows.bottom()), pen);
        addLine(border, QPointF(rows.left(), rows.top()), QPointF(rows.left(), rows.bottom()), pen);
        addLine(border, QPointF(rows.left(), rows.bottom()), QPointF(rows.right(), rows.bottom()), pen);
        addLine(border, QPointF(rows.left(), rows.top()), QPointF(plotLeft, rows.top()), pen);
    }
    for (size_t r = 0; r < t.series.size(); ++r) {
        const auto& [g, s] = t.series[r];
        const double top = rows.top() + r * t.rowHeight;
        double x = rows.left() + t.padding;
        if (t.keys) {
            QPainterPath key;
            key.addRect(QRectF(x, top + (t.rowHeight - t.keySide) / 2, t.keySide, t.keySide));
            addShape(tagOf(E::DataTable, int(r), -2), key, R().series(*g->group, *s->series));
            x += t.keySide + t.padding;
        }
        addText(tagOf(E::DataTable, int(r), -1), s->name, t.style, QPointF(x, top + t.padding));
        const Format format(s->formatCode.isEmpty() ? QStringLiteral("General") : s->formatCode);
        for (size_t i = 0; i < s->values.size() && i < 1000; ++i) {
            if (!std::isfinite(s->values[i])) continue;
            const QString text = format.format(s->values[i], m_layout.dates, m_layout.numbers);
            const double cx = a.categoryCenter(a.slot(int(i)));
            addCenteredText(tagOf(E::DataTable, int(r), int(i)), text, t.style, QPointF(cx, top + t.rowHeight / 2));
        }
    }
}

bool ChartSceneBuilder::drawGroup(const GroupData& g) {
    switch (g.group->kind) {
    case K::Bar:
    case K::Bar3D: return g.categoryAxis && g.valueAxis && (drawBars(g), true);
    case K::Line:
    case K::Line3D:
    case K::Stock: return g.categoryAxis && g.valueAxis && (drawLines(g), true);
    case K::Area:
    case K::Area3D: return g.categoryAxis && g.valueAxis && (drawAreas(g), true);
    case K::Scatter: return g.categoryAxis && g.valueAxis && (drawScatter(g), true);
    case K::Bubble: return g.categoryAxis && g.valueAxis && (drawBubbles(g), true);
    case K::Pie:
    case K::Pie3D:
    case K::Doughnut: drawPie(g); return true;
    case K::OfPie: drawOfPie(g); return true;
    case K::Radar: return g.valueAxis && (drawRadar(g), true);
    case K::Surface:
    case K::Surface3D: return g.categoryAxis && g.valueAxis && (drawSurface(g), true);
    }
    return false;
}

void ChartSceneBuilder::drawTitles() {
    if (m_layout.title) {
        const Title* t = m_chart.chart.title ? &*m_chart.chart.title : nullptr;
        if (t && t->shape) {
            QPainterPath box;
            box.addRect(m_layout.title->rect.adjusted(-3, -2, 3, 2));
            addShape(tagOf(E::Title), box, R().titleShape());
        }
        addBlock(tagOf(E::Title), *m_layout.title);
    }
}


ChartScene buildChartScene(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints) {
    // Fine enough for a picture at twice the screen's density.
    return buildChartScene(chart, context, sizeInPoints, 2 * 96.0 / 72.0);
}

ChartScene buildChartScene(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints,
                           double pixelsPerPoint) {
    ChartScene scene = ChartSceneBuilder(chart, context, sizeInPoints, pixelsPerPoint).build();
    addShapeEffects(scene, chart, FormatResolver(chart, context));
    return scene;
}

}  // namespace engine::chart
