#include "engine/chartdraw/ShapeEffects.h"

#include <QLinearGradient>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace engine::chart {

void addShapeEffects(ChartScene& scene, const ChartSpace& chart, const FormatResolver& resolver) {
    // Series positions count through the plot area's groups in order, as the scene tags them.
    std::vector<std::pair<const ChartGroup*, const Series*>> byPosition;
    for (const ChartGroup& group : chart.chart.plotArea.groups) {
        for (const Series& series : group.series) byPosition.emplace_back(&group, &series);
    }
    // Each series' points resolved through one SeriesPointShapes, made when first needed.
    std::vector<std::optional<SeriesPointShapes>> shapes(byPosition.size());
    for (ScenePrimitive& p : scene.items) {
        if (p.kind != ScenePrimitive::Kind::Path || p.tag.element != SceneTag::Element::DataPoint ||
            !p.fill)
            continue;
        if (p.tag.series < 0 || size_t(p.tag.series) >= byPosition.size()) continue;
        const auto [group, series] = byPosition[size_t(p.tag.series)];
        if (p.tag.point < 0) {
            setShapeEffects(p, resolver.series(*group, *series));
            continue;
        }
        std::optional<SeriesPointShapes>& points = shapes[size_t(p.tag.series)];
        if (!points) points.emplace(resolver, *group, *series);
        setShapeEffects(p, points->at(p.tag.point));
    }
}

void setShapeEffects(ScenePrimitive& p, const ResolvedShape& shape) {
    if (shape.shadow && shape.shadow->color.a > 0) {
        const double angle = shape.shadow->direction * M_PI / 180;
        SceneShadow shadow;
        shadow.color = shape.shadow->color.toQColor();
        shadow.offset = QPointF(std::cos(angle), std::sin(angle)) * shape.shadow->distance;
        shadow.blur = std::max(0.0, shape.shadow->blurRadius);
        p.shadow = shadow;
    }
    if (shape.bevel && *shape.bevel > 0) p.bevel = *shape.bevel;
}

void paintShapeShadow(QPainter& painter, const QPainterPath& path, const SceneShadow& shadow) {
    const QPainterPath moved = path.translated(shadow.offset);
    painter.save();
    painter.setPen(Qt::NoPen);
    // A Gaussian blur approximated by rings: the silhouette shrunk by half the blur at full
    // strength, then widening strokes of falling strength out to half the blur beyond it.
    constexpr int kRings = 4;
    const double alpha = shadow.color.alphaF();
    QColor core = shadow.color;
    core.setAlphaF(alpha * 0.5);
    painter.fillPath(moved, core);
    if (shadow.blur > 0) {
        for (int i = kRings; i >= 1; --i) {
            QColor ring = shadow.color;
            ring.setAlphaF(alpha * 0.5 / kRings);
            QPen pen(ring, shadow.blur * i / kRings);
            pen.setJoinStyle(Qt::RoundJoin);
            painter.strokePath(moved, pen);
        }
    }
    painter.restore();
}

void paintShapeBevel(QPainter& painter, const QPainterPath& path, double width) {
    if (width <= 0) return;
    const QRectF box = path.boundingRect();
    if (box.isEmpty()) return;
    painter.save();
    painter.setClipPath(path, Qt::IntersectClip);
    // Lit from the upper left: the edges facing it lighter, those away from it darker.
    QLinearGradient light(box.topLeft(), box.bottomRight());
    light.setColorAt(0, QColor(255, 255, 255, 115));
    light.setColorAt(0.5, QColor(255, 255, 255, 0));
    light.setColorAt(0.5001, QColor(0, 0, 0, 0));
    light.setColorAt(1, QColor(0, 0, 0, 90));
    // The stroke is centred on the outline: twice the width leaves the bevel's width inside.
    QPen pen(QBrush(light), 2 * std::min(width, std::min(box.width(), box.height()) / 2));
    pen.setJoinStyle(Qt::MiterJoin);
    painter.strokePath(path, pen);
    painter.restore();
}

}  // namespace engine::chart
