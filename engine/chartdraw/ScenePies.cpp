// The scene of pie, doughnut and of-pie groups.

#include "engine/chartdraw/ChartSceneBuilder.h"

#include <QLineF>

namespace engine::chart {

QPainterPath ChartSceneBuilder::slicePath(const Slice& s) const {
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

QPointF ChartSceneBuilder::polar(QPointF c, double r, double degreesFromTop) {
    const double a = (degreesFromTop - 90) * M_PI / 180;
    return {c.x() + r * std::cos(a), c.y() + r * std::sin(a)};
}

std::vector<ChartSceneBuilder::Slice> ChartSceneBuilder::ringSlices(const GroupData& g, const SeriesData& s, size_t ring,
                                                                     size_t rings, QPointF center, double radius) const {
    const bool doughnut = g.group->kind == K::Doughnut;
    const double hole = doughnut ? std::clamp(g.group->holeSize.value_or(10), 1, 90) / 100.0 * radius : 0;
    const double ringWidth = rings == 0 ? 0 : (radius - hole) / rings;
    double total = 0;
    for (double v : s.values)
        if (std::isfinite(v)) total += std::abs(v);
    double angle = g.group->firstSliceAngle.value_or(0);
    std::vector<Slice> slices;
    for (size_t i = 0; i < s.values.size(); ++i) {
        Slice slice = Slice::next(s.values[i], total, angle);
        slice.outer = doughnut ? hole + (ring + 1) * ringWidth : radius;
        slice.inner = doughnut ? hole + ring * ringWidth : 0;
        const DataPoint* dp = byIndex(s.series->points, int(i));
        const int explosion = dp && dp->explosion ? *dp->explosion : s.series->explosion.value_or(0);
        slice.center = explosion > 0 && !doughnut ? polar(center, radius * explosion / 100.0, slice.start + slice.sweep / 2) : center;
        slices.push_back(slice);
    }
    return slices;
}

void ChartSceneBuilder::drawPie(const GroupData& g) {
    const QRectF plot = m_layout.plot;
    const bool doughnut = g.group->kind == K::Doughnut;
    const std::vector<SeriesData> rings = doughnut ? g.series
                                                   : std::vector<SeriesData>(g.series.begin(), g.series.begin() + std::min<size_t>(1, g.series.size()));
    int maxExplosion = 0;
    for (const SeriesData& s : rings) {
        maxExplosion = std::max(maxExplosion, s.series->explosion.value_or(0));
        for (const DataPoint& p : s.series->points) maxExplosion = std::max(maxExplosion, p.explosion.value_or(0));
    }
    double radius = std::min(plot.width(), plot.height()) / 2 * 0.95;
    radius /= 1 + std::min(maxExplosion, 400) / 100.0;
    const QPointF center = plot.center();
    radius = placePieLabels(g, rings, center, radius);
    for (size_t ri = 0; ri < rings.size(); ++ri) {
        const SeriesData& s = rings[ri];
        const std::vector<Slice> slices = ringSlices(g, s, ri, rings.size(), center, radius);
        for (size_t i = 0; i < slices.size(); ++i)
            if (slices[i].sweep > 0)
                addShape(tagOf(E::DataPoint, s.position, int(i)), slicePath(slices[i]), R().dataPoint(*g.group, *s.series, int(i)));
        m_slices[s.position] = slices;
    }
}

// The labels of the outer ring at best fit and outside end, and a doughnut's centred ones,
// placed by the rules of placeSliceLabels (RingLabels.h).
double ChartSceneBuilder::placePieLabels(const GroupData& g, const std::vector<SeriesData>& rings, QPointF center,
                                         double radius) {
    if (rings.empty() || !(radius > 0)) return radius;
    const SeriesData& s = rings.back();
    if (!s.series->labels && !g.group->labels) return radius;
    const bool doughnut = g.group->kind == K::Doughnut;
    double total = 0;
    for (double v : s.values)
        if (std::isfinite(v)) total += std::abs(v);
    const std::vector<Slice> slices = ringSlices(g, s, rings.size() - 1, rings.size(), center, radius);
    std::vector<SliceLabel> labels;
    std::vector<int> points;
    for (size_t i = 0; i < slices.size(); ++i) {
        const std::optional<PointLabel> label = pointLabel(g, s, int(i), total);
        if (!label) continue;
        SliceLabel l;
        const DataLabelPosition position = label->label.position;
        if (position == DataLabelPosition::BestFit) l.place = SliceLabel::Place::BestFit;
        else if (position == DataLabelPosition::OutsideEnd) l.place = SliceLabel::Place::OutsideEnd;
        else if (doughnut && position == DataLabelPosition::Center) l.place = SliceLabel::Place::CentredUnlessCrowded;
        else continue;
        l.size = label->room;
        l.start = slices[i].start;
        l.sweep = slices[i].sweep;
        l.explosion = QLineF(center, slices[i].center).length() / radius;
        labels.push_back(l);
        points.push_back(int(i));
    }
    if (labels.empty()) return radius;
    const double inner = slices.front().inner / radius;
    const SliceLabelLayout placed = placeSliceLabels(labels, center, radius, inner, doughnut ? (1 + inner) / 2 : 0.65, m_layout.plot);
    for (size_t k = 0; k < points.size(); ++k)
        m_pieLabels[{s.position, points[k]}] = PiePlacedLabel{placed.centers[k], placed.edges[k], placed.rightHalf[k]};
    return placed.radius;
}

void ChartSceneBuilder::drawOfPie(const GroupData& g) {
    if (g.series.empty()) return;
    const SeriesData& s = g.series.front();
    const QRectF plot = m_layout.plot;
    const size_t n = s.values.size();
    // Which points go to the second plot.
    std::vector<bool> second(n, false);
    const SplitType split = g.group->splitType.value_or(SplitType::Auto);
    if (split == SplitType::Value || split == SplitType::Percent) {
        double total = 0;
        for (double v : s.values) if (std::isfinite(v)) total += std::abs(v);
        const double limit = g.group->splitPosition.value_or(split == SplitType::Value ? 0 : 10);
        for (size_t i = 0; i < n; ++i) {
            const double v = std::isfinite(s.values[i]) ? std::abs(s.values[i]) : 0;
            second[i] = split == SplitType::Value ? v < limit : (total > 0 && v / total * 100 < limit);
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
    const bool bar = g.group->ofPieType.value_or(OfPieType::Pie) == OfPieType::Bar;
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
        double sweepSum = 0;
        for (size_t i = 0; i < n; ++i) if (second[i]) sweepSum += otherTotal > 0 ? (std::isfinite(s.values[i]) ? std::abs(s.values[i]) : 0) / otherTotal * 360 : 0;
        // The second pie's slices run clockwise, centred on 3 o'clock (a turn past 90 degrees).
        double start = 450 - sweepSum / 2;
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

}  // namespace engine::chart
