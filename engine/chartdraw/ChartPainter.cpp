// The third stage of drawing a chart: painting a scene with QPainter.

#include "engine/chartdraw/ChartRenderer.h"
#include "engine/chartdraw/PatternFill.h"
#include "engine/chartdraw/ShapeEffects.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPaintDevice>
#include <QRadialGradient>
#include <cmath>
#include <optional>

namespace engine::chart {

namespace {

QBrush brushFor(const SceneBrush& b, const QRectF& bounds) {
    if (!b.pattern.isEmpty()) return presetPatternBrush(b.pattern, b.color, b.background);
    if (b.stops.empty()) return QBrush(b.color);
    QGradientStops stops;
    for (const auto& [position, color] : b.stops) stops.append({std::clamp(position, 0.0, 1.0), color});
    if (b.radial) {
        QRadialGradient g(bounds.center(), std::max(bounds.width(), bounds.height()) / 2);
        g.setStops(stops);
        return QBrush(g);
    }
    // The angle runs clockwise from the left-to-right direction, across the shape's box.
    const double a = b.angle * M_PI / 180;
    const QPointF d(std::cos(a), std::sin(a));
    const QPointF c = bounds.center();
    const double half = (std::abs(d.x()) * bounds.width() + std::abs(d.y()) * bounds.height()) / 2;
    QLinearGradient g(c - d * half, c + d * half);
    g.setStops(stops);
    return QBrush(g);
}

QPen penFor(const ScenePen& p) {
    QPen pen(p.color);
    pen.setWidthF(p.width);
    pen.setCapStyle(p.cap);
    pen.setJoinStyle(p.join);
    if (!p.dash.isEmpty()) pen.setDashPattern(p.dash);
    return pen;
}

// The rectangle a path outlines when it is exactly one closed, axis-aligned rectangle (as
// QPainterPath::addRect makes it), so that it can be drawn as one.
std::optional<QRectF> asRectangle(const QPainterPath& path) {
    if (path.elementCount() != 5 || !path.elementAt(0).isMoveTo()) return std::nullopt;
    for (int i = 1; i < 5; ++i) {
        if (!path.elementAt(i).isLineTo()) return std::nullopt;
    }
    const QPointF a = path.elementAt(0), b = path.elementAt(1), c = path.elementAt(2), d = path.elementAt(3);
    if (QPointF(path.elementAt(4)) != a) return std::nullopt;
    const bool alongFirst = a.y() == b.y() && b.x() == c.x() && c.y() == d.y() && d.x() == a.x();
    const bool downFirst = a.x() == b.x() && b.y() == c.y() && c.x() == d.x() && d.y() == a.y();
    if (!alongFirst && !downFirst) return std::nullopt;
    return QRectF(a, c).normalized();
}

}  // namespace

void paintChartScene(const ChartScene& scene, QPainter& painter, const QRectF& target) {
    if (scene.size.width() <= 0 || scene.size.height() <= 0 || target.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(target.topLeft());
    painter.scale(target.width() / scene.size.width(), target.height() / scene.size.height());
    painter.setClipRect(QRectF(QPointF(0, 0), scene.size), Qt::IntersectClip);
    // Fonts are sized in device pixels; the painter's scale turns points into those.
    const double dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
    for (const ScenePrimitive& p : scene.items) {
        switch (p.kind) {
        case ScenePrimitive::Kind::Path: {
            const std::optional<QRectF> rectangle = asRectangle(p.path);
            // QPainter stores its converted form of a path inside the path's shared data, where
            // it lives as long as the scene does: a kept scene of thousands of bars would hold
            // one per bar. Rectangles are drawn as rectangles, other paths from a transient copy.
            QPainterPath transient;
            if (!rectangle) transient.addPath(p.path);
            const QPainterPath& path = rectangle ? p.path : transient;
            QPainterPath effectPath;
            if ((p.shadow || p.bevel > 0) && p.fill) effectPath.addPath(p.path);
            if (p.shadow && p.fill) paintShapeShadow(painter, effectPath, *p.shadow);
            painter.setPen(p.stroke ? penFor(*p.stroke) : QPen(Qt::NoPen));
            painter.setBrush(p.fill ? brushFor(*p.fill, p.path.boundingRect()) : QBrush(Qt::NoBrush));
            if (rectangle) painter.drawRect(*rectangle);
            else painter.drawPath(path);
            if (p.bevel > 0 && p.fill) paintShapeBevel(painter, effectPath, p.bevel);
            break;
        }
        case ScenePrimitive::Kind::Text: {
            QFont font(p.family);
            font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferMatch | QFont::PreferAntialias));
            font.setHintingPreference(QFont::PreferNoHinting);
            font.setPointSizeF(p.size * 72.0 / dpi);
            font.setBold(p.bold);
            font.setItalic(p.italic);
            font.setUnderline(p.underline);
            painter.setFont(font);
            painter.setPen(p.color);
            const QFontMetricsF metrics(font, painter.device());
            const double ascent = metrics.ascent() * (p.box.height() / std::max(1e-6, metrics.height()));
            if (p.angle != 0) {
                painter.save();
                painter.translate(p.origin);
                painter.rotate(p.angle);
                painter.translate(-p.origin);
                painter.drawText(QPointF(p.position.x(), p.position.y() + ascent), p.text);
                painter.restore();
            } else {
                painter.drawText(QPointF(p.position.x(), p.position.y() + ascent), p.text);
            }
            break;
        }
        case ScenePrimitive::Kind::Image: painter.drawImage(p.target, p.image); break;
        }
    }
    painter.restore();
}

}  // namespace engine::chart
