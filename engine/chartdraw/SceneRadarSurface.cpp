// The scene of radar and surface groups.

#include "engine/chartdraw/ChartSceneBuilder.h"

namespace engine::chart {

// The colour of band b of a surface's contour view: the style's colour cycle.
ResolvedFill ChartSceneBuilder::bandFill(const GroupData& g, int band) const {
    ResolvedFill fill;
    if (g.series.empty()) return fill;
    fill.kind = ResolvedFill::Kind::Solid;
    fill.color = R().automaticPointColor(*g.group, *g.series.front().series, band);
    return fill;
}

void ChartSceneBuilder::drawRadar(const GroupData& g) {
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
    const RadarStyle style = g.group->radarStyle.value_or(RadarStyle::Standard);
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
        if (style == RadarStyle::Filled) {
            addShape(tagOf(E::DataPoint, s.position), path, R().series(*g.group, *s.series));
        } else {
            addPath(tagOf(E::SeriesLine, s.position), path, std::nullopt, m_formats.line(R().series(*g.group, *s.series)));
            if (style == RadarStyle::Marker) drawMarkers(g, s, points, true);
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

void ChartSceneBuilder::drawSurface(const GroupData& g) {
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

}  // namespace engine::chart
