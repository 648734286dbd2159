// The second stage of drawing a chart: from the layout to a scene of tagged primitives.

#include "engine/chart/ChartLayout.h"
#include "engine/chart/ChartRenderer.h"
#include "engine/chartdraw/ShapeEffects.h"

#include <QRegularExpression>
#include <QTransform>
#include <functional>
#include <map>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace engine::chart {

namespace {

using E = SceneTag::Element;
using K = ChartGroup::Kind;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

SceneTag tagOf(E element, int series = -1, int point = -1, int axis = -1) {
    SceneTag t;
    t.element = element;
    t.series = series;
    t.point = point;
    t.axis = axis;
    return t;
}

template <class T>
const T* byIndex(const std::vector<T>& items, int index) {
    for (const T& item : items)
        if (item.index == index) return &item;
    return nullptr;
}

// A smooth curve through the points, as the office applications draw smoothed lines: cubic
// pieces whose tangents follow the neighbouring points.
QPainterPath smoothPath(const std::vector<QPointF>& pts) {
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

QPainterPath polyline(const std::vector<QPointF>& pts) {
    QPainterPath path;
    if (pts.empty()) return path;
    path.moveTo(pts[0]);
    for (size_t i = 1; i < pts.size(); ++i) path.lineTo(pts[i]);
    return path;
}

QPainterPath markerPath(const QString& symbol, QPointF c, double size) {
    QPainterPath p;
    const double r = size / 2;
    if (symbol == QLatin1String("circle") || symbol == QLatin1String("dot")) {
        const double rr = symbol == QLatin1String("dot") ? r / 2 : r;
        p.addEllipse(c, rr, rr);
    } else if (symbol == QLatin1String("square")) {
        p.addRect(QRectF(c.x() - r, c.y() - r, size, size));
    } else if (symbol == QLatin1String("triangle")) {
        p.moveTo(c.x(), c.y() - r);
        p.lineTo(c.x() + r, c.y() + r);
        p.lineTo(c.x() - r, c.y() + r);
        p.closeSubpath();
    } else if (symbol == QLatin1String("x")) {
        p.moveTo(c.x() - r, c.y() - r); p.lineTo(c.x() + r, c.y() + r);
        p.moveTo(c.x() - r, c.y() + r); p.lineTo(c.x() + r, c.y() - r);
    } else if (symbol == QLatin1String("plus")) {
        p.moveTo(c.x() - r, c.y()); p.lineTo(c.x() + r, c.y());
        p.moveTo(c.x(), c.y() - r); p.lineTo(c.x(), c.y() + r);
    } else if (symbol == QLatin1String("star")) {
        p.moveTo(c.x() - r, c.y() - r); p.lineTo(c.x() + r, c.y() + r);
        p.moveTo(c.x() - r, c.y() + r); p.lineTo(c.x() + r, c.y() - r);
        p.moveTo(c.x(), c.y() - r); p.lineTo(c.x(), c.y() + r);
    } else if (symbol == QLatin1String("dash")) {
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

bool isOpenSymbol(const QString& symbol) {
    return symbol == QLatin1String("x") || symbol == QLatin1String("plus") || symbol == QLatin1String("star");
}

// Least-squares polynomial coefficients (c0 + c1 x + ...), or empty when the system is singular.
std::vector<double> polyFit(const std::vector<double>& xs, const std::vector<double>& ys, int order,
                            std::optional<double> intercept) {
    const int n = order + 1;
    const int off = intercept ? 1 : 0;
    const int m = n - off;
    std::vector<std::vector<double>> a(m, std::vector<double>(m + 1, 0));
    for (size_t i = 0; i < xs.size(); ++i) {
        const double y = ys[i] - (intercept ? *intercept : 0);
        for (int r = 0; r < m; ++r) {
            const double xr = std::pow(xs[i], r + off);
            for (int c = 0; c < m; ++c) a[r][c] += xr * std::pow(xs[i], c + off);
            a[r][m] += xr * y;
        }
    }
    for (int c = 0; c < m; ++c) {
        int pivot = c;
        for (int r = c + 1; r < m; ++r)
            if (std::abs(a[r][c]) > std::abs(a[pivot][c])) pivot = r;
        if (std::abs(a[pivot][c]) < 1e-12) return {};
        std::swap(a[c], a[pivot]);
        for (int r = 0; r < m; ++r) {
            if (r == c) continue;
            const double f = a[r][c] / a[c][c];
            for (int k = c; k <= m; ++k) a[r][k] -= f * a[c][k];
        }
    }
    std::vector<double> coeffs(n, 0);
    if (intercept) coeffs[0] = *intercept;
    for (int r = 0; r < m; ++r) coeffs[r + off] = a[r][m] / a[r][r];
    return coeffs;
}

// A number as a trendline label shows it: up to five significant digits.
QString shortNumber(double v, const NumberSymbols& numbers) {
    return formatGeneral(QString::number(v, 'g', 5).toDouble(), numbers);
}

class SceneBuilder {
  public:
    SceneBuilder(const ChartSpace& chart, const RenderContext& context, QSizeF size, double pixelsPerPoint)
        : m_chart(chart), m_formats(chart, context), m_size(size),
          m_pixelsPerPoint(std::max(0.01, pixelsPerPoint)) {}

    ChartScene build() {
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

  private:
    // ---- primitives

    const FormatResolver& R() const { return m_formats.resolver(); }

    QPainterPath rectPath(const QRectF& r, const ResolvedShape& shape, bool rounded) {
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

    void addPath(const SceneTag& tag, const QPainterPath& path, std::optional<SceneBrush> fill,
                 std::optional<ScenePen> stroke) {
        if (!fill && !stroke) return;
        ScenePrimitive p;
        p.kind = ScenePrimitive::Kind::Path;
        p.tag = tag;
        p.path = path;
        p.fill = std::move(fill);
        p.stroke = std::move(stroke);
        m_scene.items.push_back(std::move(p));
    }

    void addShape(const SceneTag& tag, const QPainterPath& path, const ResolvedShape& shape) {
        addPath(tag, path, m_formats.fill(shape), m_formats.line(shape));
    }

    void addLine(const SceneTag& tag, QPointF a, QPointF b, const std::optional<ScenePen>& pen) {
        if (!pen) return;
        QPainterPath p;
        p.moveTo(a);
        p.lineTo(b);
        addPath(tag, p, std::nullopt, pen);
    }

    // One line of text with its box's top-left at `topLeft`, turned by angle about `origin`.
    void addText(const SceneTag& tag, const QString& text, const TextStyle& style, QPointF topLeft,
                 double angle = 0, std::optional<QPointF> origin = std::nullopt) {
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
    void addCenteredText(const SceneTag& tag, const QString& text, const TextStyle& style, QPointF center,
                         double angle = 0) {
        const QSizeF s = measureText(text, style);
        addText(tag, text, style, center - QPointF(s.width() / 2, s.height() / 2), angle, center);
    }

    void addBlock(const SceneTag& tag, const TextBlock& block) {
        const QPointF c = block.rect.center();
        const double total = block.lineHeight * block.lines.size();
        for (int i = 0; i < block.lines.size(); ++i) {
            const QSizeF s = measureText(block.lines[i], block.style);
            const QPointF topLeft(c.x() - s.width() / 2, c.y() - total / 2 + i * block.lineHeight);
            addText(tag, block.lines[i], block.style, topLeft, block.angle, c);
        }
    }

    void drawNote(const QString& text) {
        const TextStyle style = m_formats.text(R().legendText());
        const QRectF area = m_layout.plot.isValid() ? m_layout.plot : QRectF(QPointF(0, 0), m_size);
        addCenteredText(tagOf(E::Note), text, style, area.center());
    }

    // ---- data helpers

    // The colour of band b of a surface's contour view: the style's colour cycle.
    ResolvedFill bandFill(const GroupData& g, int band) const {
        ResolvedFill fill;
        if (g.series.empty()) return fill;
        fill.kind = ResolvedFill::Kind::Solid;
        fill.color = R().automaticPointColor(*g.group, *g.series.front().series, band);
        return fill;
    }

    double blankValue(double v) const {
        if (std::isfinite(v)) return v;
        return R().displayBlanksAs() == QLatin1String("zero") ? 0 : kNaN;
    }

    QPointF at(const GroupData& g, double category, double value) const {
        const bool whole = std::floor(category) == category && std::abs(category) < 2e9;
        const double c = g.categoryAxis->categoryCenter(whole ? g.categoryAxis->slot(int(category)) : category);
        const double v = g.valueAxis->map(value);
        return g.horizontal ? QPointF(v, c) : QPointF(c, v);
    }

    // Per category: the value each series stands at once stacked (and made percent).
    std::vector<std::vector<double>> stackedTops(const GroupData& g, std::vector<std::vector<double>>* bottoms) const {
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

    // ---- gridlines and axes

    void drawGridlines() {
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

    std::vector<double> categoryBoundaries(const AxisLayout& a) const {
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

    void drawAxes() {
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

    void drawAxisLabels(const AxisLayout& a) {
        if (a.labelExtent <= 0 || a.axis->tickLabelPosition.value_or(QString()) == QLatin1String("none")) return;
        const TickMark mark = R().majorTickMark(*a.axis);
        const double tick = mark == TickMark::Out || mark == TickMark::Cross ? 3.75 : 0;
        const double gap = tick + 2.5;
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
                    // A label broken into lines is drawn line under line, each centred.
                    const QStringList lines = t.text.split(QLatin1Char('\n'));
                    double lineTop = a.labelsLowSide ? y : y - s.height() * lines.size();
                    for (const QString& line : lines) {
                        const QSizeF ls = measureText(line, a.labelStyle);
                        addText(tag, line, a.labelStyle, QPointF(t.position - ls.width() / 2, lineTop));
                        lineTop += s.height();
                    }
                }
            } else {
                const double x = a.labelsLowSide ? a.labelLine - gap - s.width() : a.labelLine + gap;
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
    void drawDataTable() {
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

    // ---- chart groups

    bool drawGroup(const GroupData& g) {
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

    void drawBars(const GroupData& g) {
        const AxisLayout& cat = *g.categoryAxis;
        const AxisLayout& val = *g.valueAxis;
        const double gap = g.group->gapWidth.value_or(150) / 100.0;
        const int count = g.stacked ? 1 : int(g.series.size());
        const double overlap = g.stacked ? 1 : std::clamp(g.group->overlap.value_or(0) / 100.0, -1.0, 1.0);
        const double slot = cat.categoryWidth();
        const double barWidth = slot / (count - (count - 1) * overlap + gap);
        const double step = barWidth * (1 - overlap);
        const double groupWidth = barWidth + (count - 1) * step;
        const double base = cat.crossValueOn(val);
        std::vector<std::vector<double>> bottoms;
        const auto tops = stackedTops(g, &bottoms);
        for (size_t si = 0; si < g.series.size(); ++si) {
            const SeriesData& s = g.series[si];
            const int slotIndex = g.stacked ? 0 : int(si);
            for (size_t i = 0; i < tops[si].size(); ++i) {
                const double top = tops[si][i];
                if (!std::isfinite(top)) continue;
                const double bottom = g.stacked ? bottoms[si][i] : base;
                const double c0 = cat.categoryCenter(cat.slot(int(i))) - groupWidth / 2 + slotIndex * step;
                const double v0 = val.map(val.logarithmic ? std::max(bottom, val.scale.min) : bottom);
                const double v1 = val.map(top);
                QRectF r = g.horizontal ? QRectF(QPointF(v0, c0), QPointF(v1, c0 + barWidth))
                                        : QRectF(QPointF(c0, v0), QPointF(c0 + barWidth, v1));
                r = r.normalized().intersected(m_layout.plot);
                if (r.isEmpty() && r.width() <= 0 && r.height() <= 0) continue;
                QPainterPath path;
                path.addRect(r);
                const ResolvedShape shape = R().dataPoint(*g.group, *s.series, int(i));
                auto fill = m_formats.fill(shape);
                const DataPoint* dp = byIndex(s.series->points, int(i));
                const bool invert = dp && dp->invertIfNegative ? *dp->invertIfNegative : R().invertIfNegative(*s.series);
                if (invert && s.values[i] < 0) {
                    // Negative bars of a series that inverts them are white inside their border.
                    SceneBrush white;
                    white.color = Qt::white;
                    fill = white;
                }
                addPath(tagOf(E::DataPoint, s.position, int(i)), path, fill, m_formats.line(shape));
                m_barRects[{s.position, int(i)}] = r;
            }
        }
    }

    void drawLines(const GroupData& g) {
        const bool stock = g.group->kind == K::Stock;
        const auto tops = stackedTops(g, nullptr);
        const bool span = R().displayBlanksAs() == QLatin1String("span");
        for (size_t si = 0; si < g.series.size(); ++si) {
            const SeriesData& s = g.series[si];
            std::vector<std::vector<QPointF>> runs(1);
            std::vector<std::pair<int, QPointF>> points;
            runs.back().reserve(tops[si].size());
            points.reserve(tops[si].size());
            for (size_t i = 0; i < tops[si].size(); ++i) {
                const double v = tops[si][i];
                if (!std::isfinite(v)) {
                    if (!span && !runs.back().empty()) runs.emplace_back();
                    continue;
                }
                const QPointF p = at(g, double(i), v);
                runs.back().push_back(p);
                points.push_back({int(i), p});
            }
            // Stock series show no line unless they say so.
            std::optional<ScenePen> pen;
            if (!stock || (s.series->shape && s.series->shape->line))
                pen = m_formats.line(R().series(*g.group, *s.series));
            if (pen) {
                const bool smooth = R().smooth(*g.group, *s.series);
                for (const auto& run : runs) {
                    if (run.size() < 2) continue;
                    if (const auto band = columnBand(run, pen->width)) {
                        SceneBrush ink;
                        ink.color = pen->color;
                        for (const QPainterPath& piece : *band) addPath(tagOf(E::SeriesLine, s.position), piece, ink, std::nullopt);
                        continue;
                    }
                    addPath(tagOf(E::SeriesLine, s.position), smooth ? smoothPath(run) : polyline(run), std::nullopt, pen);
                }
            }
            m_linePoints[s.position] = points;
            const bool groupMarkers = R().groupShowsMarkers(*g.group);
            if (!groupMarkers) continue;
            drawMarkers(g, s, points, /*automatic=*/!stock);
        }
    }

    // A run of many more points than the picture has pixel columns, drawn as what it covers:
    // per column, the span from its lowest to its highest point (the first, last, lowest and
    // highest point of each column decide it), widened by the line's width; the columns joined
    // into outlines of 64 columns each (one outline of thousands of columns costs the painter
    // many times more), cut on pixel edges so that no seam shows. At the picture's
    // resolution this is the stroked line itself, at a fraction of the work. Nothing when the
    // run is short enough to stroke.
    std::optional<std::vector<QPainterPath>> columnBand(const std::vector<QPointF>& run, double width) const {
        const double k = m_pixelsPerPoint;
        if (double(run.size()) < m_layout.plot.width() * k * 4) return std::nullopt;
        struct Column { double x, top, bottom; };
        std::vector<Column> columns;
        long current = std::numeric_limits<long>::min();
        for (const QPointF& p : run) {
            const long column = long(std::floor(p.x() * k));
            if (column != current) {
                // The step from the previous column counts in both.
                if (!columns.empty()) {
                    columns.back().top = std::min(columns.back().top, p.y());
                    columns.back().bottom = std::max(columns.back().bottom, p.y());
                }
                columns.push_back({(column + 0.5) / k, p.y(), p.y()});
                current = column;
            } else {
                columns.back().top = std::min(columns.back().top, p.y());
                columns.back().bottom = std::max(columns.back().bottom, p.y());
            }
        }
        const double half = std::max(width, 1 / k) / 2;
        columns.front().x = run.front().x();
        columns.back().x = run.back().x();
        // Where two pieces meet: the left edge of column i, halfway between its neighbours.
        auto cut = [&](size_t i, bool top) {
            const double y = top ? (columns[i - 1].top + columns[i].top) / 2 - half
                                 : (columns[i - 1].bottom + columns[i].bottom) / 2 + half;
            return QPointF(std::floor(columns[i].x * k) / k, y);
        };
        std::vector<QPainterPath> pieces;
        constexpr size_t kPiece = 64;
        for (size_t from = 0; from < columns.size(); from += kPiece) {
            // Each piece also covers the first columns of the next (the same band, so nothing
            // shows twice): where the picture is painted smaller than it was cut for, the cuts
            // fall inside pixels, and pieces meeting edge to edge would let the background show
            // through their shared edge. Eight columns are four points, a pixel at a quarter of
            // a screen's size.
            constexpr size_t kOverlap = 8;
            const size_t to = std::min(columns.size(), from + kPiece + kOverlap);
            QPolygonF outline;
            outline.reserve(int(to - from) * 2 + 4);
            if (from > 0) outline << cut(from, true);
            for (size_t i = from; i < to; ++i) outline << QPointF(columns[i].x, columns[i].top - half);
            if (to < columns.size()) outline << cut(to, true) << cut(to, false);
            for (size_t i = to; i-- > from;) outline << QPointF(columns[i].x, columns[i].bottom + half);
            if (from > 0) outline << cut(from, false);
            QPainterPath path;
            path.addPolygon(outline);
            path.closeSubpath();
            pieces.push_back(path);
        }
        return pieces;
    }

    void drawMarkers(const GroupData& g, const SeriesData& s, const std::vector<std::pair<int, QPointF>>& points,
                     bool automatic) {
        if (points.size() > 5000) return;  // too dense to tell markers apart
        for (const auto& [i, p] : points) {
            const DataPoint* dp = byIndex(s.series->points, i);
            const MarkerStyle m = ChartFormats::marker(R().marker(*g.group, *s.series, i));
            const bool explicitSymbol = (dp && dp->marker && dp->marker->symbol) || (s.series->marker && s.series->marker->symbol);
            if ((!automatic && !explicitSymbol) || !m.visible) continue;
            const QPainterPath path = markerPath(m.symbol, p, m.size);
            addPath(tagOf(E::Marker, s.position, i), path, isOpenSymbol(m.symbol) ? std::nullopt : m.fill, m.line ? m.line : std::optional<ScenePen>());
        }
    }

    void drawAreas(const GroupData& g) {
        std::vector<std::vector<double>> bottoms;
        const auto tops = stackedTops(g, &bottoms);
        const double base = g.categoryAxis->crossValueOn(*g.valueAxis);
        for (size_t si = 0; si < g.series.size(); ++si) {
            const SeriesData& s = g.series[si];
            std::vector<QPointF> upper, lower;
            for (size_t i = 0; i < tops[si].size(); ++i) {
                double v = tops[si][i];
                if (!std::isfinite(v)) v = g.stacked ? bottoms[si][i] : base;
                upper.push_back(at(g, double(i), v));
                lower.push_back(at(g, double(i), g.stacked && std::isfinite(bottoms[si][i]) ? bottoms[si][i] : base));
            }
            if (upper.empty()) continue;
            QPainterPath path = polyline(upper);
            for (auto it = lower.rbegin(); it != lower.rend(); ++it) path.lineTo(*it);
            path.closeSubpath();
            addShape(tagOf(E::DataPoint, s.position), path, R().series(*g.group, *s.series));
            std::vector<std::pair<int, QPointF>> points;
            for (size_t i = 0; i < upper.size(); ++i) points.push_back({int(i), upper[i]});
            m_linePoints[s.position] = points;
        }
    }

    void drawScatter(const GroupData& g) {
        const QString style = g.group->scatterStyle.value_or(QStringLiteral("lineMarker"));
        const AxisLayout& x = *g.categoryAxis;
        const AxisLayout& y = *g.valueAxis;
        const bool span = R().displayBlanksAs() == QLatin1String("span");
        for (const SeriesData& s : g.series) {
            std::vector<std::vector<QPointF>> runs(1);
            std::vector<std::pair<int, QPointF>> points;
            for (size_t i = 0; i < s.values.size() && i < s.xs.size(); ++i) {
                const double v = blankValue(s.values[i]);
                if (!std::isfinite(v) || !std::isfinite(s.xs[i]) || (y.logarithmic && v <= 0) || (x.logarithmic && s.xs[i] <= 0)) {
                    if (!span && !runs.back().empty()) runs.emplace_back();
                    continue;
                }
                const QPointF p(x.map(s.xs[i]), y.map(v));
                runs.back().push_back(p);
                points.push_back({int(i), p});
            }
            const bool noLine = style == QLatin1String("marker") || style == QLatin1String("none") ||
                                (s.series->shape && s.series->shape->line && s.series->shape->line->fill &&
                                 s.series->shape->line->fill->kind == drawingml::Fill::Kind::None);
            if (!noLine) {
                const auto pen = m_formats.line(R().series(*g.group, *s.series));
                const bool smooth = R().smooth(*g.group, *s.series);
                for (const auto& run : runs)
                    if (run.size() >= 2) addPath(tagOf(E::SeriesLine, s.position), smooth ? smoothPath(run) : polyline(run), std::nullopt, pen);
            }
            m_linePoints[s.position] = points;
            const bool lineOnly = style == QLatin1String("line") || style == QLatin1String("smooth");
            drawMarkers(g, s, points, !lineOnly);
        }
    }

    void drawBubbles(const GroupData& g) {
        const AxisLayout& x = *g.categoryAxis;
        const AxisLayout& y = *g.valueAxis;
        double maxSize = 0;
        for (const SeriesData& s : g.series)
            for (double v : s.sizes)
                if (std::isfinite(v)) maxSize = std::max(maxSize, std::abs(v));
        const double scale = g.group->bubbleScale.value_or(100) / 100.0;
        const double largest = 0.25 * std::min(m_layout.plot.width(), m_layout.plot.height()) * scale;
        const bool negatives = g.group->showNegativeBubbles.value_or(false);
        for (const SeriesData& s : g.series) {
            std::vector<std::pair<int, QPointF>> points;
            for (size_t i = 0; i < s.values.size() && i < s.xs.size(); ++i) {
                const double size = i < s.sizes.size() ? s.sizes[i] : 1;
                if (!std::isfinite(s.values[i]) || !std::isfinite(size) || (size < 0 && !negatives) || maxSize <= 0) continue;
                const QPointF c(x.map(s.xs[i]), y.map(s.values[i]));
                const double d = largest * std::sqrt(std::abs(size) / maxSize);
                QPainterPath path;
                path.addEllipse(c, d / 2, d / 2);
                const ResolvedShape shape = R().dataPoint(*g.group, *s.series, int(i));
                auto fill = size < 0 ? std::optional<SceneBrush>() : m_formats.fill(shape);
                auto pen = m_formats.line(shape);
                if (!pen && fill) {
                    ScenePen p;
                    p.color = fill->color.darker(130);
                    p.width = 0.75;
                    pen = p;
                }
                addPath(tagOf(E::DataPoint, s.position, int(i)), path, fill, pen);
                points.push_back({int(i), c});
            }
            m_linePoints[s.position] = points;
        }
    }

    struct Slice {
        double start = 0;  // degrees clockwise from 12 o'clock
        double sweep = 0;
        double value = 0;
        double share = 0;
        QPointF center;
        double inner = 0, outer = 0;

        // The slice of a value in a circle of `total`, starting at `angle`, which it moves on.
        static Slice next(double value, double total, double& angle) {
            Slice slice;
            slice.value = std::isfinite(value) ? value : 0;
            slice.share = total > 0 ? std::abs(slice.value) / total : 0;
            slice.start = angle;
            slice.sweep = slice.share * 360;
            angle += slice.sweep;
            return slice;
        }
    };

    QPainterPath slicePath(const Slice& s) const {
        // Qt's angles run counter-clockwise from 3 o'clock.
        const double qStart = 90 - s.start;
        QPainterPath path;
        const QRectF outerRect(s.center.x() - s.outer, s.center.y() - s.outer, 2 * s.outer, 2 * s.outer);
        if (s.inner > 0) {
            const QRectF innerRect(s.center.x() - s.inner, s.center.y() - s.inner, 2 * s.inner, 2 * s.inner);
            path.arcMoveTo(outerRect, qStart);
            path.arcTo(outerRect, qStart, -s.sweep);
            path.arcTo(innerRect, qStart - s.sweep, s.sweep);
            path.closeSubpath();
        } else {
            path.moveTo(s.center);
            path.arcTo(outerRect, qStart, -s.sweep);
            path.closeSubpath();
        }
        return path;
    }

    static QPointF polar(QPointF c, double r, double degreesFromTop) {
        const double a = (degreesFromTop - 90) * M_PI / 180;
        return {c.x() + r * std::cos(a), c.y() + r * std::sin(a)};
    }

    void drawPie(const GroupData& g) {
        const QRectF plot = m_layout.plot;
        const bool doughnut = g.group->kind == K::Doughnut;
        const std::vector<SeriesData> rings = doughnut ? g.series
                                                       : std::vector<SeriesData>(g.series.begin(), g.series.begin() + std::min<size_t>(1, g.series.size()));
        int maxExplosion = 0;
        for (const SeriesData& s : rings) {
            maxExplosion = std::max(maxExplosion, s.series->explosion.value_or(0));
            for (const DataPoint& p : s.series->points) maxExplosion = std::max(maxExplosion, p.explosion.value_or(0));
        }
        const bool labelsOutside = hasOutsidePieLabels(g);
        double radius = std::min(plot.width(), plot.height()) / 2 * (labelsOutside ? 0.75 : 0.95);
        radius /= 1 + std::min(maxExplosion, 400) / 100.0;
        const QPointF center = plot.center();
        const double hole = doughnut ? std::clamp(g.group->holeSize.value_or(10), 1, 90) / 100.0 * radius : 0;
        const double ringWidth = rings.empty() ? 0 : (radius - hole) / rings.size();
        const double first = g.group->firstSliceAngle.value_or(0);
        for (size_t ri = 0; ri < rings.size(); ++ri) {
            const SeriesData& s = rings[ri];
            double total = 0;
            for (double v : s.values)
                if (std::isfinite(v)) total += std::abs(v);
            double angle = first;
            std::vector<Slice> slices;
            for (size_t i = 0; i < s.values.size(); ++i) {
                Slice slice = Slice::next(s.values[i], total, angle);
                slice.outer = doughnut ? hole + (ri + 1) * ringWidth : radius;
                slice.inner = doughnut ? hole + ri * ringWidth : 0;
                const DataPoint* dp = byIndex(s.series->points, int(i));
                const int explosion = dp && dp->explosion ? *dp->explosion : s.series->explosion.value_or(0);
                slice.center = explosion > 0 && !doughnut ? polar(center, radius * explosion / 100.0, slice.start + slice.sweep / 2) : center;
                slices.push_back(slice);
                if (slice.sweep <= 0) continue;
                addShape(tagOf(E::DataPoint, s.position, int(i)), slicePath(slice), R().dataPoint(*g.group, *s.series, int(i)));
            }
            m_slices[s.position] = slices;
        }
    }

    bool hasOutsidePieLabels(const GroupData& g) const {
        for (const SeriesData& s : g.series) {
            const auto label = R().dataLabel(*g.group, *s.series);
            if (label && label->visible() && label->position == QLatin1String("outEnd")) return true;
        }
        return false;
    }

    void drawOfPie(const GroupData& g) {
        if (g.series.empty()) return;
        const SeriesData& s = g.series.front();
        const QRectF plot = m_layout.plot;
        const size_t n = s.values.size();
        // Which points go to the second plot.
        std::vector<bool> second(n, false);
        const QString split = g.group->splitType.value_or(QStringLiteral("auto"));
        if (split == QLatin1String("val") || split == QLatin1String("percent")) {
            double total = 0;
            for (double v : s.values) if (std::isfinite(v)) total += std::abs(v);
            const double limit = g.group->splitPosition.value_or(split == QLatin1String("val") ? 0 : 10);
            for (size_t i = 0; i < n; ++i) {
                const double v = std::isfinite(s.values[i]) ? std::abs(s.values[i]) : 0;
                second[i] = split == QLatin1String("val") ? v < limit : (total > 0 && v / total * 100 < limit);
            }
        } else {
            const int last = std::clamp(int(g.group->splitPosition.value_or(2)), 0, int(n));
            for (size_t i = n - last; i < n; ++i) second[i] = true;
        }
        double mainTotal = 0, otherTotal = 0;
        for (size_t i = 0; i < n; ++i) {
            const double v = std::isfinite(s.values[i]) ? std::abs(s.values[i]) : 0;
            (second[i] ? otherTotal : mainTotal) += v;
        }
        const double total = mainTotal + otherTotal;
        const double radius = std::min(plot.width() * 0.27, plot.height() * 0.45);
        const QPointF mainCenter(plot.left() + plot.width() * 0.3, plot.center().y());
        const double secondRadius = radius * g.group->secondPieSize.value_or(75) / 100.0;
        const QPointF secondCenter(plot.left() + plot.width() * 0.78, plot.center().y());
        // The main pie: its own points, then one slice for the others, centred at 3 o'clock.
        const double otherSweep = total > 0 ? otherTotal / total * 360 : 0;
        double angle = 90 + otherSweep / 2;
        std::vector<Slice> slices(n);
        for (size_t i = 0; i < n; ++i) {
            if (second[i]) continue;
            Slice sl = Slice::next(s.values[i], total, angle);
            sl.center = mainCenter;
            sl.outer = radius;
            slices[i] = sl;
            if (sl.sweep > 0)
                addShape(tagOf(E::DataPoint, s.position, int(i)), slicePath(sl), R().dataPoint(*g.group, *s.series, int(i)));
        }
        Slice other;
        other.start = 90 - otherSweep / 2;
        other.sweep = otherSweep;
        other.center = mainCenter;
        other.outer = radius;
        if (otherSweep > 0)
        {
            // The slice standing for the second plot takes the colour of the next point.
            ResolvedShape shape = R().dataPoint(*g.group, *s.series, int(n) - 1);
            shape.fill.kind = ResolvedFill::Kind::Solid;
            shape.fill.color = R().automaticPointColor(*g.group, *s.series, int(n));
            addShape(tagOf(E::DataPoint, s.position, int(n)), slicePath(other), shape);
        }
        // The second plot.
        const bool bar = g.group->ofPieType.value_or(QStringLiteral("pie")) == QLatin1String("bar");
        const std::optional<ScenePen> connector = m_formats.pen(R().groupLines(g.group->seriesLines.empty() ? ChartLines{} : g.group->seriesLines.front()));
        if (bar) {
            const double h = secondRadius * 2, w = secondRadius * 0.7;
            double y = secondCenter.y() + h / 2;
            for (size_t i = 0; i < n; ++i) {
                if (!second[i]) continue;
                const double v = std::isfinite(s.values[i]) ? std::abs(s.values[i]) : 0;
                const double bh = otherTotal > 0 ? v / otherTotal * h : 0;
                const QRectF r(secondCenter.x() - w / 2, y - bh, w, bh);
                y -= bh;
                QPainterPath path;
                path.addRect(r);
                addShape(tagOf(E::DataPoint, s.position, int(i)), path, R().dataPoint(*g.group, *s.series, int(i)));
                m_barRects[{s.position, int(i)}] = r;
            }
            if (otherSweep > 0) {
                addLine(tagOf(E::SeriesConnector, s.position), polar(mainCenter, radius, other.start), QPointF(secondCenter.x() - w / 2, secondCenter.y() - h / 2), connector);
                addLine(tagOf(E::SeriesConnector, s.position), polar(mainCenter, radius, other.start + other.sweep), QPointF(secondCenter.x() - w / 2, secondCenter.y() + h / 2), connector);
            }
        } else {
            double a2 = 270 - 0;
            double secondAngle = 90 + 180 - 180;  // slices run clockwise from 9 o'clock's opposite
            secondAngle = 270 - (otherTotal > 0 ? 0 : 0);
            a2 = 270;
            double start = 270 - 180 * 0;  // centred on 9 o'clock
            double sweepSum = 0;
            for (size_t i = 0; i < n; ++i) if (second[i]) sweepSum += otherTotal > 0 ? (std::isfinite(s.values[i]) ? std::abs(s.values[i]) : 0) / otherTotal * 360 : 0;
            start = a2 - sweepSum / 2 + 180;
            (void)secondAngle;
            for (size_t i = 0; i < n; ++i) {
                if (!second[i]) continue;
                Slice sl;
                sl.value = std::isfinite(s.values[i]) ? s.values[i] : 0;
                sl.share = total > 0 ? std::abs(sl.value) / total : 0;
                sl.start = start;
                sl.sweep = otherTotal > 0 ? std::abs(sl.value) / otherTotal * 360 : 0;
                start += sl.sweep;
                sl.center = secondCenter;
                sl.outer = secondRadius;
                slices[i] = sl;
                if (sl.sweep > 0)
                    addShape(tagOf(E::DataPoint, s.position, int(i)), slicePath(sl), R().dataPoint(*g.group, *s.series, int(i)));
            }
            if (otherSweep > 0) {
                addLine(tagOf(E::SeriesConnector, s.position), polar(mainCenter, radius, other.start), polar(secondCenter, secondRadius, 0), connector);
                addLine(tagOf(E::SeriesConnector, s.position), polar(mainCenter, radius, other.start + other.sweep), polar(secondCenter, secondRadius, 180), connector);
            }
        }
        m_slices[s.position] = slices;
    }

    void drawRadar(const GroupData& g) {
        const AxisLayout& v = *g.valueAxis;
        const QPointF c = m_layout.plot.center();
        const double radius = m_layout.plot.width() / 2;
        const int n = std::max(1, m_layout.categoryCount);
        auto spoke = [&](double i) { return i * 360.0 / n; };
        auto point = [&](double i, double value) {
            const double r = std::max(0.0, (value - v.scale.min) / (v.scale.max - v.scale.min)) * radius;
            return polar(c, r, spoke(i));
        };
        // The web: one polygon per major tick of the value axis, and the spokes.
        if (v.axis->majorGridlines) {
            const auto pen = m_formats.pen(R().gridlines(*v.axis, true));
            for (const AxisTick& t : v.majorTicks) {
                std::vector<QPointF> ring;
                for (int i = 0; i <= n; ++i) ring.push_back(point(i % n, t.value));
                addPath(tagOf(E::MajorGridline, -1, -1, v.index), polyline(ring), std::nullopt, pen);
            }
        }
        const AxisLayout* cat = g.categoryAxis;
        const bool catVisible = cat && cat->visible;
        const auto spokePen = cat ? m_formats.pen(cat->axis->majorGridlines ? R().gridlines(*cat->axis, true) : R().axisLine(*cat->axis))
                                  : std::nullopt;
        for (int i = 0; i < n; ++i) {
            if (catVisible || (cat && cat->axis->majorGridlines)) addLine(tagOf(E::MajorGridline, -1, i, cat ? cat->index : -1), c, polar(c, radius, spoke(i)), spokePen);
            if (catVisible) {
                const QString text = categoryLabel(m_layout.categories, i);
                const QSizeF s = measureText(text, cat->labelStyle);
                const QPointF p = polar(c, radius + 4, spoke(i));
                const double a = spoke(i) * M_PI / 180;
                const QPointF center = p + QPointF(std::sin(a) * s.width() / 2, -std::cos(a) * s.height() / 2);
                addCenteredText(tagOf(E::AxisLabel, -1, i, cat->index), text, cat->labelStyle, center);
            }
        }
        const QString style = g.group->radarStyle.value_or(QStringLiteral("standard"));
        for (const SeriesData& s : g.series) {
            std::vector<QPointF> pts;
            std::vector<std::pair<int, QPointF>> points;
            for (int i = 0; i < n && i < int(s.values.size()); ++i) {
                const double value = std::isfinite(s.values[i]) ? s.values[i] : v.scale.min;
                pts.push_back(point(i, value));
                if (std::isfinite(s.values[i])) points.push_back({i, pts.back()});
            }
            if (pts.empty()) continue;
            QPainterPath path = polyline(pts);
            path.closeSubpath();
            if (style == QLatin1String("filled")) {
                addShape(tagOf(E::DataPoint, s.position), path, R().series(*g.group, *s.series));
            } else {
                addPath(tagOf(E::SeriesLine, s.position), path, std::nullopt, m_formats.line(R().series(*g.group, *s.series)));
                if (style == QLatin1String("marker")) drawMarkers(g, s, points, true);
            }
            m_linePoints[s.position] = points;
        }
        // The value axis over the series, so that filled series do not hide its labels.
        if (v.visible) {
            addLine(tagOf(E::AxisLine, -1, -1, v.index), c, polar(c, radius, 0), m_formats.pen(R().axisLine(*v.axis)));
            int index = 0;
            for (const AxisTick& t : v.majorTicks) {
                const QSizeF s = measureText(t.text, v.labelStyle);
                const QPointF p = point(0, t.value);
                addText(tagOf(E::AxisLabel, -1, index++, v.index), t.text, v.labelStyle, QPointF(p.x() - s.width() - 4, p.y() - s.height() / 2));
            }
        }
    }

    void drawSurface(const GroupData& g) {
        // The contour view: the grid of categories by series, each cell coloured by the band of
        // the value axis its mean value falls in.
        const AxisLayout& val = *g.valueAxis;
        const QRectF plot = m_layout.plot;
        const int rows = int(g.series.size());
        const int cols = std::max(1, g.categoryAxis->categoryCount);
        if (rows == 0) return;
        const double cw = plot.width() / std::max(1, cols - 1), rh = plot.height() / std::max(1, rows - 1);
        auto band = [&](double v) {
            // Any band past the int range draws as the last one there is room to count.
            const double b = std::floor((v - val.scale.min) / val.scale.majorUnit);
            return std::isfinite(b) ? int(std::clamp(b, -1e9, 1e9)) : 0;
        };
        for (int r = 0; r + 1 < std::max(2, rows); ++r) {
            for (int c = 0; c + 1 < std::max(2, cols); ++c) {
                double sum = 0;
                int k = 0;
                for (int dr = 0; dr < 2; ++dr)
                    for (int dc = 0; dc < 2; ++dc) {
                        const int rr = std::min(rows - 1, r + dr), cc = std::min(cols - 1, c + dc);
                        const auto& vals = g.series[rr].values;
                        if (cc < int(vals.size()) && std::isfinite(vals[cc])) sum += vals[cc], ++k;
                    }
                if (k == 0) continue;
                const int b = std::max(0, band(sum / k));
                QPainterPath path;
                path.addRect(QRectF(plot.left() + c * cw, plot.bottom() - (r + 1) * rh, cw, rh));
                addPath(tagOf(E::DataPoint, -1, b), path, ChartFormats::brush(bandFill(g, b)), std::nullopt);
            }
        }
    }

    // ---- labels, trendlines, error bars, group lines

    void drawDecorations(const GroupData& g) {
        if (!g.categoryAxis || !g.valueAxis || g.polar) {
            if (isPieLike(*g.group) || g.group->kind == K::Radar)
                for (const SeriesData& s : g.series) drawDataLabels(g, s);
            return;
        }
        drawGroupLines(g);
        for (const SeriesData& s : g.series) {
            drawErrorBars(g, s);
            drawTrendlines(g, s);
            drawDataLabels(g, s);
        }
    }

    void drawGroupLines(const GroupData& g) {
        const auto& series = g.series;
        if (series.empty()) return;
        int n = 1;
        for (const SeriesData& s : series) n = std::max(n, int(s.values.size()));
        if (g.group->dropLines) {
            const auto pen = m_formats.pen(R().groupLines(*g.group->dropLines));
            const double base = g.categoryAxis->crossValueOn(*g.valueAxis);
            for (const SeriesData& s : series)
                for (const auto& [i, p] : m_linePoints[s.position])
                    addLine(tagOf(E::DropLine, s.position, i), p, at(g, i, base), pen);
        }
        if (g.group->hiLowLines || g.group->upDownBars) {
            const auto tops = stackedTops(g, nullptr);
            for (int i = 0; i < n; ++i) {
                double lo = std::numeric_limits<double>::infinity(), hi = -lo;
                for (const auto& t : tops)
                    if (i < int(t.size()) && std::isfinite(t[i])) lo = std::min(lo, t[i]), hi = std::max(hi, t[i]);
                if (!std::isfinite(lo)) continue;
                if (g.group->hiLowLines)
                    addLine(tagOf(E::HighLowLine, -1, i), at(g, i, lo), at(g, i, hi), m_formats.pen(R().groupLines(*g.group->hiLowLines)));
                if (g.group->upDownBars && tops.size() >= 2) {
                    const double open = i < int(tops.front().size()) ? tops.front()[i] : kNaN;
                    const double close = i < int(tops.back().size()) ? tops.back()[i] : kNaN;
                    if (!std::isfinite(open) || !std::isfinite(close)) continue;
                    const UpDownBars& ud = *g.group->upDownBars;
                    const double gap = ud.gapWidth.value_or(150) / 100.0;
                    const double w = g.categoryAxis->categoryWidth() / (1 + gap);
                    const double c = g.categoryAxis->categoryCenter(g.categoryAxis->slot(i));
                    const double v0 = g.valueAxis->map(open), v1 = g.valueAxis->map(close);
                    const QRectF r = g.horizontal ? QRectF(QPointF(v0, c - w / 2), QPointF(v1, c + w / 2)).normalized()
                                                  : QRectF(QPointF(c - w / 2, v0), QPointF(c + w / 2, v1)).normalized();
                    QPainterPath path;
                    path.addRect(r);
                    const bool up = close >= open;
                    addShape(tagOf(up ? E::UpBar : E::DownBar, -1, i), path, R().upDownBar(ud, up));
                }
            }
        }
    }

    // The x and y of each point of a series as a fit sees them: categories count 1, 2, 3...
    void seriesXY(const GroupData& g, const SeriesData& s, std::vector<double>& xs, std::vector<double>& ys) const {
        for (size_t i = 0; i < s.values.size(); ++i) {
            const double x = isScatterLike(*g.group) ? (i < s.xs.size() ? s.xs[i] : kNaN) : double(i + 1);
            if (!std::isfinite(x) || !std::isfinite(s.values[i])) continue;
            xs.push_back(x);
            ys.push_back(s.values[i]);
        }
    }

    QPointF dataPoint(const GroupData& g, double x, double y) const {
        if (isScatterLike(*g.group)) return {g.categoryAxis->map(x), g.valueAxis->map(y)};
        return at(g, x - 1, y);
    }

    void drawTrendlines(const GroupData& g, const SeriesData& s) {
        if (s.series->trendlines.empty()) return;
        std::vector<double> xs, ys;
        seriesXY(g, s, xs, ys);
        if (xs.size() < 2) return;
        int index = 0;
        for (const Trendline& t : s.series->trendlines) {
            const int ti = index++;
            const QString type = t.type.value_or(QStringLiteral("linear"));
            const auto pen = m_formats.pen(R().trendline(*s.series, t));
            const double xmin = *std::min_element(xs.begin(), xs.end()) - t.backward.value_or(0);
            const double xmax = *std::max_element(xs.begin(), xs.end()) + t.forward.value_or(0);
            std::function<double(double)> f;
            QString equation;
            if (type == QLatin1String("movingAvg")) {
                const int period = std::max(2, t.period.value_or(2));
                std::vector<QPointF> pts;
                for (size_t i = size_t(period) - 1; i < ys.size(); ++i) {
                    double sum = 0;
                    for (int k = 0; k < period; ++k) sum += ys[i - k];
                    pts.push_back(dataPoint(g, xs[i], sum / period));
                }
                if (pts.size() >= 2) addPath(tagOf(E::Trendline, s.position, ti), polyline(pts), std::nullopt, pen);
                continue;
            }
            std::vector<double> fx, fy;
            const bool logX = type == QLatin1String("log") || type == QLatin1String("power");
            const bool logY = type == QLatin1String("exp") || type == QLatin1String("power");
            for (size_t i = 0; i < xs.size(); ++i) {
                if ((logX && xs[i] <= 0) || (logY && ys[i] <= 0)) continue;
                fx.push_back(logX ? std::log(xs[i]) : xs[i]);
                fy.push_back(logY ? std::log(ys[i]) : ys[i]);
            }
            const int order = type == QLatin1String("poly") ? std::clamp(t.order.value_or(2), 2, 6) : 1;
            std::optional<double> intercept;
            if (t.intercept && type != QLatin1String("log") && type != QLatin1String("power"))
                intercept = type == QLatin1String("exp") ? (*t.intercept > 0 ? std::optional<double>(std::log(*t.intercept)) : std::nullopt) : t.intercept;
            const auto c = fx.size() > size_t(order) ? polyFit(fx, fy, order, intercept) : std::vector<double>{};
            if (c.empty()) continue;
            f = [=](double x) {
                const double u = logX ? std::log(x) : x;
                double v = 0;
                for (size_t k = c.size(); k-- > 0;) v = v * u + c[k];
                return logY ? std::exp(v) : v;
            };
            // Equation and R² as the label shows them.
            const NumberSymbols& numbers = m_layout.numbers;
            auto term = [&numbers](double coefficient, const QString& rest, bool first) {
                QString s = shortNumber(std::abs(coefficient), numbers);
                if (rest.size() && s == QLatin1String("1")) s.clear();
                const QString sign = coefficient < 0 ? (first ? QStringLiteral("-") : QStringLiteral(" - ")) : (first ? QString() : QStringLiteral(" + "));
                return sign + s + rest;
            };
            if (type == QLatin1String("linear") || type == QLatin1String("poly")) {
                QString eq;
                bool first = true;
                for (size_t k = c.size(); k-- > 0;) {
                    if (c[k] == 0 && k != 0) continue;
                    const QString rest = k == 0 ? QString() : (k == 1 ? QStringLiteral("x") : QStringLiteral("x%1").arg(QChar(k == 2 ? 0x00B2 : (k == 3 ? 0x00B3 : 0x2070 + int(k)))));
                    if (k == 0 && c[0] == 0) continue;
                    eq += term(c[k], rest, first);
                    first = false;
                }
                equation = QStringLiteral("y = ") + eq;
            } else if (type == QLatin1String("exp")) {
                equation = QStringLiteral("y = %1e%2x").arg(shortNumber(std::exp(c[0]), numbers), shortNumber(c[1], numbers));
            } else if (type == QLatin1String("log")) {
                equation = QStringLiteral("y = %1ln(x)%2").arg(shortNumber(c[1], numbers), term(c[0], QString(), false));
            } else if (type == QLatin1String("power")) {
                equation = QStringLiteral("y = %1x%2").arg(shortNumber(std::exp(c[0]), numbers), shortNumber(c[1], numbers));
            }
            std::vector<QPointF> pts;
            const int steps = 100;
            for (int k = 0; k <= steps; ++k) {
                const double x = xmin + (xmax - xmin) * k / steps;
                if (logX && x <= 0) continue;
                const double y = f(x);
                if (!std::isfinite(y)) continue;
                pts.push_back(dataPoint(g, x, y));
            }
            // Clip to the plot area, as the application does.
            QPainterPath path = polyline(pts);
            QPainterPath clip;
            clip.addRect(m_layout.plot);
            if (pts.size() >= 2) {
                QPainterPathStroker unused;
                (void)unused;
                addPath(tagOf(E::Trendline, s.position, ti), clipPolyline(pts), std::nullopt, pen);
            }
            const bool showEq = R().trendlineShowsEquation(t), showR2 = R().trendlineShowsRSquared(t);
            if (showEq || showR2) {
                QStringList lines;
                if (t.label && t.label->text) lines << t.label->text->text();
                else {
                    if (showEq) lines << equation;
                    if (showR2) {
                        double ssRes = 0, ssTot = 0;
                        for (size_t i = 0; i < xs.size(); ++i) {
                            if ((logX && xs[i] <= 0) || (logY && ys[i] <= 0)) continue;
                            const double fi = logY ? std::log(f(xs[i])) : f(xs[i]);
                            const double yi = logY ? std::log(ys[i]) : ys[i];
                            ssRes += (yi - fi) * (yi - fi);
                        }
                        double fmean = 0;
                        for (double y : fy) fmean += y;
                        fmean /= std::max<size_t>(1, fy.size());
                        for (double y : fy) ssTot += (y - fmean) * (y - fmean);
                        const double r2 = ssTot > 0 ? 1 - ssRes / ssTot : 1;
                        QString r2Text = Format(QStringLiteral("0.####")).format(r2, m_layout.dates, numbers);
                        if (r2Text.endsWith(numbers.decimal)) r2Text.chop(numbers.decimal.size());
                        lines << QStringLiteral("R\u00B2 = %1").arg(r2Text);
                    }
                }
                const TextStyle style = m_formats.text(R().trendlineLabelText(t));
                const QPointF end = pts.empty() ? m_layout.plot.center() : pts.back();
                double y = std::clamp(end.y() - 6 - lines.size() * measureText(QStringLiteral("X"), style).height(), m_layout.plot.top(), m_layout.plot.bottom());
                for (const QString& line : lines) {
                    const QSizeF sz = measureText(line, style);
                    const double x = std::clamp(end.x() - sz.width(), m_layout.plot.left(), m_layout.plot.right() - sz.width());
                    addText(tagOf(E::TrendlineLabel, s.position, ti), line, style, QPointF(x, y));
                    y += sz.height();
                }
            }
        }
    }

    QPainterPath clipPolyline(const std::vector<QPointF>& pts) const {
        QPainterPath path;
        const QRectF r = m_layout.plot;
        bool drawing = false;
        for (size_t i = 0; i < pts.size(); ++i) {
            if (r.adjusted(-0.01, -0.01, 0.01, 0.01).contains(pts[i])) {
                if (!drawing) path.moveTo(pts[i]);
                else path.lineTo(pts[i]);
                drawing = true;
            } else {
                drawing = false;
            }
        }
        return path;
    }

    void drawErrorBars(const GroupData& g, const SeriesData& s) {
        for (const ErrorBars& e : s.series->errorBars) {
            const bool xDirection = e.direction.value_or(QString()) == QLatin1String("x") ||
                                    (!isScatterLike(*g.group) && g.horizontal && !e.direction);
            std::vector<double> xs, ys;
            seriesXY(g, s, xs, ys);
            if (ys.empty()) continue;
            const QString type = e.valueType.value_or(QStringLiteral("fixedVal"));
            const double k = e.value.value_or(type == QLatin1String("percentage") ? 5 : 1);
            const std::vector<double>& along = xDirection && isScatterLike(*g.group) ? xs : ys;
            double mean = 0;
            for (double v : along) mean += v;
            mean /= along.size();
            double variance = 0;
            for (double v : along) variance += (v - mean) * (v - mean);
            const double sd = along.size() > 1 ? std::sqrt(variance / (along.size() - 1)) : 0;
            const double se = along.size() > 1 ? std::sqrt(variance / (along.size() * (along.size() - 1))) : 0;
            const std::vector<double> plus = e.plus ? numbersOf(&*e.plus) : std::vector<double>{};
            const std::vector<double> minus = e.minus ? numbersOf(&*e.minus) : std::vector<double>{};
            const QString barType = e.barType.value_or(QStringLiteral("both"));
            const auto pen = m_formats.pen(R().errorBars(e));
            for (size_t i = 0; i < ys.size(); ++i) {
                const double x = xs[i], y = ys[i];
                const double v = xDirection && isScatterLike(*g.group) ? x : y;
                double centre = v, up = 0, down = 0;
                if (type == QLatin1String("fixedVal")) up = down = k;
                else if (type == QLatin1String("percentage")) up = down = std::abs(v) * k / 100;
                else if (type == QLatin1String("stdDev")) centre = mean, up = down = k * sd;
                else if (type == QLatin1String("stdErr")) up = down = se;
                else if (type == QLatin1String("cust")) {
                    up = i < plus.size() && std::isfinite(plus[i]) ? plus[i] : 0;
                    down = i < minus.size() && std::isfinite(minus[i]) ? minus[i] : 0;
                }
                const double hi = barType == QLatin1String("minus") ? centre : centre + up;
                const double lo = barType == QLatin1String("plus") ? centre : centre - down;
                QPointF a, b;
                if (xDirection && isScatterLike(*g.group)) a = dataPoint(g, lo, y), b = dataPoint(g, hi, y);
                else a = dataPoint(g, x, lo), b = dataPoint(g, x, hi);
                const int point = int(i);
                addLine(tagOf(E::ErrorBar, s.position, point), a, b, pen);
                if (!e.noEndCap.value_or(false)) {
                    const bool vertical = std::abs(a.x() - b.x()) < std::abs(a.y() - b.y());
                    const QPointF cap = vertical ? QPointF(3, 0) : QPointF(0, 3);
                    if (barType != QLatin1String("plus")) addLine(tagOf(E::ErrorBar, s.position, point), a - cap, a + cap, pen);
                    if (barType != QLatin1String("minus")) addLine(tagOf(E::ErrorBar, s.position, point), b - cap, b + cap, pen);
                }
            }
        }
    }

    // The model's own label of point i (custom text, number format), else the series' or the
    // group's labels; what they show and how comes from the resolver.
    const DataLabelContent* labelContent(const GroupData& g, const SeriesData& s, int i, const DataLabel** own) const {
        *own = nullptr;
        if (s.series->labels) {
            *own = byIndex(s.series->labels->labels, i);
            return &*s.series->labels;
        }
        return g.group->labels ? &*g.group->labels : nullptr;
    }

    void drawDataLabels(const GroupData& g, const SeriesData& s) {
        if (!s.series->labels && !g.group->labels) return;
        const size_t n = s.values.size();
        const bool pie = isPieLike(*g.group);
        double total = 0;
        for (double v : s.values) if (std::isfinite(v)) total += std::abs(v);
        for (size_t i = 0; i < n; ++i) {
            const double value = s.values[i];
            if (!std::isfinite(value)) continue;
            const auto label = R().dataLabel(*g.group, *s.series, int(i));
            if (!label) continue;
            const DataLabel* own = nullptr;
            const DataLabelContent* content = labelContent(g, s, int(i), &own);
            if (own && own->deleted) continue;
            QString text;
            if (own && own->text) {
                text = own->text->text();
            } else {
                if (!label->visible()) continue;
                QStringList parts;
                const auto numFmt = own && own->numberFormat ? own->numberFormat : (content ? content->numberFormat : std::nullopt);
                Format format(!s.formatCode.isEmpty() ? s.formatCode : QStringLiteral("General"));
                if (numFmt && !numFmt->sourceLinked.value_or(false) && !numFmt->formatCode.isEmpty()) format = Format(numFmt->formatCode);
                if (label->showSeriesName) parts << s.name;
                if (label->showCategoryName)
                    parts << (isScatterLike(*g.group) ? formatGeneral(i < s.xs.size() ? s.xs[i] : 0, m_layout.numbers)
                                                      : categoryLabel(m_layout.categories, int(i)));
                if (label->showValue) parts << format.format(value, m_layout.dates, m_layout.numbers);
                if (label->showPercent && pie) {
                    const bool percentCode = numFmt && !numFmt->sourceLinked.value_or(false) && numFmt->formatCode.contains(QLatin1Char('%'));
                    parts << Format(percentCode ? numFmt->formatCode : QStringLiteral("0%")).format(total > 0 ? std::abs(value) / total : 0, m_layout.dates, m_layout.numbers);
                }
                if (label->showBubbleSize && i < s.sizes.size()) parts << format.format(s.sizes[i], m_layout.dates, m_layout.numbers);
                // Where the comma is the decimal separator, the applications part the pieces
                // of a label with a semicolon, as their list separator.
                const QString defaultSeparator = m_layout.numbers.decimal == QLatin1String(",") ? QStringLiteral("; ") : QStringLiteral(", ");
                text = parts.join(label->separator.isEmpty() ? defaultSeparator : label->separator);
            }
            if (text.isEmpty()) continue;
            const TextStyle style = m_formats.text(label->text);
            const QStringList lines = text.split(QLatin1Char('\n'));
            double w = 0, h = 0;
            for (const QString& l : lines) {
                const QSizeF sz = measureText(l, style);
                w = std::max(w, sz.width());
                h += sz.height();
            }
            // A label its text properties turn (a:bodyPr rot) is placed by the room its turned
            // box takes, and turned about its centre.
            const double angle = style.rotation.value_or(0);
            const double turn = angle * M_PI / 180;
            const QSizeF room(std::abs(w * std::cos(turn)) + std::abs(h * std::sin(turn)),
                              std::abs(w * std::sin(turn)) + std::abs(h * std::cos(turn)));
            const std::optional<QPointF> center = labelCenter(g, s, int(i), label->position, room);
            if (!center) continue;
            // Labels stay inside the chart.
            const QPointF c(std::clamp(center->x(), room.width() / 2, std::max(room.width() / 2, m_size.width() - room.width() / 2)),
                            std::clamp(center->y(), room.height() / 2, std::max(room.height() / 2, m_size.height() - room.height() / 2)));
            const QRectF box(c.x() - w / 2, c.y() - h / 2, w, h);
            QPainterPath bg;
            if (angle == 0) {
                bg.addRect(box.adjusted(-2, -1, 2, 1).intersected(QRectF(QPointF(0, 0), m_size)));
            } else {
                bg.addRect(box.adjusted(-2, -1, 2, 1));
                bg = QTransform().translate(c.x(), c.y()).rotate(angle).translate(-c.x(), -c.y()).map(bg);
            }
            addShape(tagOf(E::DataLabel, s.position, int(i)), bg, label->shape);
            double y = box.top();
            for (const QString& l : lines) {
                const QSizeF sz = measureText(l, style);
                addText(tagOf(E::DataLabel, s.position, int(i)), l, style, QPointF(box.center().x() - sz.width() / 2, y), angle, c);
                y += sz.height();
            }
        }
    }

    std::optional<QPointF> labelCenter(const GroupData& g, const SeriesData& s, int i, const QString& position, QSizeF size) {
        const double gap = 3;
        if (isPieLike(*g.group)) {
            const auto it = m_slices.find(s.position);
            if (it == m_slices.end() || i >= int(it->second.size())) return std::nullopt;
            const Slice& sl = it->second[i];
            if (sl.sweep <= 0 && sl.outer <= 0) return std::nullopt;
            const double mid = sl.start + sl.sweep / 2;
            double r;
            if (position == QLatin1String("outEnd")) {
                const double a = (mid - 90) * M_PI / 180;
                const double extra = std::abs(std::cos(a)) * size.width() / 2 + std::abs(std::sin(a)) * size.height() / 2;
                r = sl.outer + gap + extra;
            } else if (position == QLatin1String("inEnd")) {
                r = sl.outer * 0.8;
            } else if (position == QLatin1String("ctr")) {
                r = (sl.inner + sl.outer) / 2;
            } else {
                r = sl.inner > 0 ? (sl.inner + sl.outer) / 2 : sl.outer * 0.65;
            }
            return polar(sl.center, r, mid);
        }
        if (g.group->kind == K::Bar || g.group->kind == K::Bar3D) {
            const auto it = m_barRects.find({s.position, i});
            if (it == m_barRects.end()) return std::nullopt;
            const QRectF r = it->second;
            const QString pos = position.isEmpty() ? (g.stacked ? QStringLiteral("ctr") : QStringLiteral("outEnd")) : position;
            const bool negative = s.values[i] < 0;
            const bool reversed = g.valueAxis->reversed;
            const bool towardsHigh = negative == reversed;  // the bar's end lies at the high side
            if (g.horizontal) {
                const double endX = towardsHigh ? r.right() : r.left();
                const double baseX = towardsHigh ? r.left() : r.right();
                const double dir = towardsHigh ? 1 : -1;
                if (pos == QLatin1String("ctr")) return r.center();
                if (pos == QLatin1String("inEnd")) return QPointF(endX - dir * (gap + size.width() / 2), r.center().y());
                if (pos == QLatin1String("inBase")) return QPointF(baseX + dir * (gap + size.width() / 2), r.center().y());
                return QPointF(endX + dir * (gap + size.width() / 2), r.center().y());
            }
            const double endY = towardsHigh ? r.top() : r.bottom();
            const double baseY = towardsHigh ? r.bottom() : r.top();
            const double dir = towardsHigh ? -1 : 1;
            if (pos == QLatin1String("ctr")) return r.center();
            if (pos == QLatin1String("inEnd")) return QPointF(r.center().x(), endY - dir * (gap + size.height() / 2));
            if (pos == QLatin1String("inBase")) return QPointF(r.center().x(), baseY + dir * (gap + size.height() / 2));
            return QPointF(r.center().x(), endY + dir * (gap + size.height() / 2));
        }
        const auto it = m_linePoints.find(s.position);
        if (it == m_linePoints.end()) return std::nullopt;
        for (const auto& [index, p] : it->second) {
            if (index != i) continue;
            const bool area = g.group->kind == K::Area || g.group->kind == K::Area3D;
            const QString pos = position.isEmpty() ? (area ? QStringLiteral("ctr") : QStringLiteral("r")) : position;
            if (area && pos == QLatin1String("ctr")) {
                const double base = g.valueAxis->map(g.categoryAxis->crossValueOn(*g.valueAxis));
                return g.horizontal ? QPointF((p.x() + base) / 2, p.y()) : QPointF(p.x(), (p.y() + base) / 2);
            }
            if (pos == QLatin1String("t")) return p - QPointF(0, gap + 2 + size.height() / 2);
            if (pos == QLatin1String("b")) return p + QPointF(0, gap + 2 + size.height() / 2);
            if (pos == QLatin1String("l")) return p - QPointF(gap + 2 + size.width() / 2, 0);
            if (pos == QLatin1String("ctr")) return p;
            return p + QPointF(gap + 2 + size.width() / 2, 0);
        }
        return std::nullopt;
    }

    // ---- titles and legend

    void drawTitles() {
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

    void drawLegend() {
        if (!m_layout.legend) return;
        const LegendLayout& legend = *m_layout.legend;
        QPainterPath box;
        box.addRect(legend.rect);
        addShape(tagOf(E::Legend), box, R().legendShape());
        int entry = 0;
        for (const LegendItem& item : legend.items) {
            const int e = entry++;
            const GroupData& g = *item.group;
            const SeriesData& s = *item.data;
            const K kind = g.group->kind;
            const QRectF key = item.keyRect;
            const SceneTag keyTag = tagOf(E::LegendKey, e, item.point >= 0 ? item.point : -1);
            if (item.point == -2) {
                // A trendline's key: its line.
                const Trendline* t = nullptr;
                int seen = 0;
                for (const LegendItem& other : legend.items) {
                    if (&other == &item) break;
                    if (other.point == -2 && other.data == item.data) ++seen;
                }
                if (seen < int(s.series->trendlines.size())) t = &s.series->trendlines[seen];
                const double y = item.textRect.top() + legend.lineHeight / 2;
                addLine(keyTag, QPointF(key.left(), y), QPointF(key.right(), y), t ? m_formats.pen(R().trendline(*s.series, *t)) : std::nullopt);
            } else if (item.point >= 0) {
                QPainterPath p;
                p.addRect(key);
                addShape(keyTag, p, R().dataPoint(*g.group, *s.series, item.point));
            } else if (kind == K::Line || kind == K::Line3D || kind == K::Scatter || kind == K::Stock ||
                       (kind == K::Radar && g.group->radarStyle.value_or(QString()) != QLatin1String("filled"))) {
                const double y = item.textRect.top() + legend.lineHeight / 2;
                const bool scatterNoLine = kind == K::Scatter && s.series->shape && s.series->shape->line && s.series->shape->line->fill &&
                                           s.series->shape->line->fill->kind == drawingml::Fill::Kind::None;
                if (!scatterNoLine && !(kind == K::Stock && !(s.series->shape && s.series->shape->line)))
                    addLine(keyTag, QPointF(key.left(), y), QPointF(key.right(), y), m_formats.line(R().series(*g.group, *s.series)));
                const MarkerStyle m = ChartFormats::marker(R().marker(*g.group, *s.series));
                const bool automatic = kind != K::Stock && !(kind == K::Radar && g.group->radarStyle.value_or(QString()) != QLatin1String("marker"));
                const bool explicitSymbol = s.series->marker && s.series->marker->symbol;
                if (m.visible && (automatic || explicitSymbol) && R().groupShowsMarkers(*g.group))
                    addPath(keyTag, markerPath(m.symbol, QPointF(key.center().x(), y), m.size), isOpenSymbol(m.symbol) ? std::nullopt : m.fill, m.line);
            } else {
                QPainterPath p;
                p.addRect(key);
                addShape(keyTag, p, R().series(*g.group, *s.series));
            }
            double y = item.textRect.top();
            for (const QString& line : item.lines) {
                addText(tagOf(E::LegendEntry, e, item.point >= 0 ? item.point : -1), line, legend.style, QPointF(item.textRect.left(), y));
                y += legend.lineHeight;
            }
        }
    }

    const ChartSpace& m_chart;
    ChartFormats m_formats;
    QSizeF m_size;
    double m_pixelsPerPoint;
    ChartLayout m_layout;
    ChartScene m_scene;
    std::map<std::pair<int, int>, QRectF> m_barRects;
    std::map<int, std::vector<std::pair<int, QPointF>>> m_linePoints;
    std::map<int, std::vector<Slice>> m_slices;
};

}  // namespace

ChartScene buildChartScene(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints) {
    // Fine enough for a picture at twice the screen's density.
    return buildChartScene(chart, context, sizeInPoints, 2 * 96.0 / 72.0);
}

ChartScene buildChartScene(const ChartSpace& chart, const RenderContext& context, QSizeF sizeInPoints,
                           double pixelsPerPoint) {
    ChartScene scene = SceneBuilder(chart, context, sizeInPoints, pixelsPerPoint).build();
    addShapeEffects(scene, chart, FormatResolver(chart, context));
    return scene;
}

}  // namespace engine::chart
