#include "servers/presentation/SlideRenderer.h"

#include "engine/chartdraw/ChartRenderer.h"
#include "engine/slide/SlidePainter.h"
#include "servers/presentation/PresentationDocument.h"

#include <QPainter>

namespace servers {

QRectF fittedSlideRect(const QRectF& bounds, const PresentationDocument& document) {
    const double w = double(document.presentation().slideWidth());
    const double h = double(document.presentation().slideHeight());
    const double scale = std::min(bounds.width() / w, bounds.height() / h);
    const QSizeF size(w * scale, h * scale);
    return {bounds.center() - QPointF(size.width() / 2, size.height() / 2), size};
}

QString chartFailureText(const QString& name, const QString& failure) {
    return name + QStringLiteral("\nThis chart cannot be drawn:\n") + failure;
}

void paintSlideChart(QPainter& painter, const engine::slide::ScenePrimitive& chart,
                     const PresentationDocument& document, const DrawnSlide& slide) {
    const DrawnChart drawn = document.drawnChart(chart.chartPart, slide, chart.rect.size());
    if (drawn.scene) {
        engine::chart::paintChartScene(*drawn.scene, painter, chart.rect);
        return;
    }
    engine::slide::paintChartBox(painter, chart.rect, chartFailureText(chart.name, drawn.failure));
}

void renderSlide(QPainter& painter, const QRectF& target, const PresentationDocument& document, int index) {
    const QRectF page = fittedSlideRect(target, document);
    const auto drawn = document.drawnSlide(index);
    painter.save();
    painter.setPen(QColor(0xB0, 0xB0, 0xB0));
    painter.setBrush(Qt::white);
    painter.drawRect(page);
    if (!drawn || !drawn->failure.isEmpty()) {
        painter.setPen(Qt::darkRed);
        painter.drawText(page, Qt::AlignCenter | Qt::TextWordWrap,
                         drawn ? drawn->failure : QStringLiteral("There is no such slide."));
        painter.restore();
        return;
    }
    engine::slide::paintSlideScene(drawn->scene, painter, page,
                                   [&](QPainter& p, const engine::slide::ScenePrimitive& chart) {
                                       paintSlideChart(p, chart, document, *drawn);
                                   });
    painter.restore();
}

}  // namespace servers
