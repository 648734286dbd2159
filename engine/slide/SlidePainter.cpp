#include "engine/slide/SlidePainter.h"

#include <QPaintDevice>
#include <QPainter>

namespace engine::slide {

QFont fontForDevice(const QFont& font, const QPainter& painter) {
    // Point sizes are turned into pixels at the device's resolution; asking for size * 72 / dpi
    // points gives `size` logical units, which the painter's transform then scales.
    QFont f = font;
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
    f.setPointSizeF(std::max(0.01, font.pointSizeF() * 72.0 / std::max(1, dpi)));
    return f;
}

void paintChartBox(QPainter& painter, const QRectF& rect, const QString& caption) {
    painter.save();
    painter.setPen(QPen(QColor(0x2E, 0x6D, 0xB4), 1.5, Qt::DashLine));
    painter.setBrush(QColor(0xE8, 0xEC, 0xF1));
    painter.drawRect(rect);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(14);
    painter.setFont(fontForDevice(font, painter));
    painter.setPen(QColor(0x1F, 0x2A, 0x44));
    painter.drawText(rect.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, caption);
    painter.restore();
}

void paintSlideScene(const SlideScene& scene, QPainter& painter, const QRectF& target, const ChartPainter& drawChart) {
    if (scene.size.isEmpty() || target.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setClipRect(target, Qt::IntersectClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / scene.size.width(), target.height() / scene.size.height());
    const QTransform base = painter.worldTransform();
    for (const auto& p : scene.items) {
        painter.setWorldTransform(p.transform * base);
        switch (p.kind) {
        case ScenePrimitive::Kind::Path:
            painter.setRenderHint(QPainter::Antialiasing, p.antialias);
            painter.setPen(p.pen);
            painter.setBrush(p.brush);
            painter.drawPath(p.path);
            painter.setRenderHint(QPainter::Antialiasing, true);
            break;
        case ScenePrimitive::Kind::Text:
            painter.setFont(fontForDevice(p.font, painter));
            painter.setPen(p.color);
            painter.drawText(p.origin, p.text);
            break;
        case ScenePrimitive::Kind::Image:
            if (!p.clip.isEmpty()) {
                painter.save();
                painter.setClipPath(p.clip, Qt::IntersectClip);
                painter.drawImage(p.rect, p.image, p.source);
                painter.restore();
            } else {
                painter.drawImage(p.rect, p.image, p.source);
            }
            break;
        case ScenePrimitive::Kind::Chart:
            painter.save();
            if (drawChart) drawChart(painter, p);
            else paintChartBox(painter, p.rect, p.name);
            painter.restore();
            break;
        }
    }
    painter.restore();
}

}  // namespace engine::slide
