#pragma once

#include "engine/chartcopy/ChartPart.h"
#include "engine/slide/SlideScene.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace servers {

class PresentationDocument;
struct DrawnSlide;

// Draws one slide of a presentation into a rectangle of a painter, for the window's large view
// and its strip of thumbnails: the slide's scene as the document keeps it (background, shapes,
// text, pictures, tables), fitted and centred, and each chart through paintSlideChart. Reads
// the presentation, never changes it; a slide that cannot be read is drawn as an empty page
// with its message.
void renderSlide(QPainter& painter, const QRectF& target, const PresentationDocument& document, int index);

// Draws the chart of a chart frame of a drawn slide, painter in slide points: the one place
// where the window's slides meet charts. A chart that cannot be read is a framed box with its
// name and the failure.
void paintSlideChart(QPainter& painter, const engine::slide::ScenePrimitive& chart,
                     const PresentationDocument& document, const DrawnSlide& slide);

// The rectangle a slide of this presentation fills when fitted into bounds, centred.
QRectF fittedSlideRect(const QRectF& bounds, const PresentationDocument& document);

// What a chart frame says when its chart cannot be drawn: its name and the failure.
QString chartFailureText(const QString& name, const QString& failure);

}  // namespace servers
