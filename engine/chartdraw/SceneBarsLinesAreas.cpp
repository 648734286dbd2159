// The scene of bar, line, area, scatter and bubble groups.

#include "engine/chartdraw/ChartSceneBuilder.h"

namespace engine::chart {

void ChartSceneBuilder::drawBars(const GroupData& g) {
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
        const SeriesPointShapes shapes(R(), *g.group, *s.series);
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
            const ResolvedShape shape = shapes.at(int(i));
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

void ChartSceneBuilder::drawLines(const GroupData& g) {
    const auto tops = stackedTops(g, nullptr);
    const bool span = R().displayBlanksAs() == DisplayBlanksAs::Span;
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
        std::optional<ScenePen> pen;
        if (showsSeriesLine(g, *s.series)) pen = m_formats.line(R().series(*g.group, *s.series));
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
        drawMarkers(g, s, points, automaticMarkers(g));
    }
}

// A run of many more points than the picture has pixel columns, drawn as what it covers:
// per column, the span from its lowest to its highest point (the first, last, lowest and
// highest point of each column decide it), widened by the line's width; the columns joined
// into outlines of 64 columns each (one outline of thousands of columns costs the painter
// many times more), cut on pixel edges so that no seam shows. At the picture's
// resolution this is the stroked line itself, at a fraction of the work. Nothing when the
// run is short enough to stroke.
std::optional<std::vector<QPainterPath>> ChartSceneBuilder::columnBand(const std::vector<QPointF>& run, double width) const {
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

void ChartSceneBuilder::drawMarkers(const GroupData& g, const SeriesData& s, const std::vector<std::pair<int, QPointF>>& points, bool automatic) {
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

void ChartSceneBuilder::drawAreas(const GroupData& g) {
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

void ChartSceneBuilder::drawScatter(const GroupData& g) {
    const AxisLayout& x = *g.categoryAxis;
    const AxisLayout& y = *g.valueAxis;
    const bool span = R().displayBlanksAs() == DisplayBlanksAs::Span;
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
        if (showsSeriesLine(g, *s.series)) {
            const auto pen = m_formats.line(R().series(*g.group, *s.series));
            const bool smooth = R().smooth(*g.group, *s.series);
            for (const auto& run : runs)
                if (run.size() >= 2) addPath(tagOf(E::SeriesLine, s.position), smooth ? smoothPath(run) : polyline(run), std::nullopt, pen);
        }
        m_linePoints[s.position] = points;
        drawMarkers(g, s, points, automaticMarkers(g));
    }
}

void ChartSceneBuilder::drawBubbles(const GroupData& g) {
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
        const SeriesPointShapes shapes(R(), *g.group, *s.series);
        for (size_t i = 0; i < s.values.size() && i < s.xs.size(); ++i) {
            const double size = i < s.sizes.size() ? s.sizes[i] : 1;
            if (!std::isfinite(s.values[i]) || !std::isfinite(size) || (size < 0 && !negatives) || maxSize <= 0) continue;
            const QPointF c(x.map(s.xs[i]), y.map(s.values[i]));
            const double d = largest * std::sqrt(std::abs(size) / maxSize);
            QPainterPath path;
            path.addEllipse(c, d / 2, d / 2);
            const ResolvedShape shape = shapes.at(int(i));
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

}  // namespace engine::chart
