#pragma once

#include "engine/chart/ChartPart.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace servers {

class PresentationDocument;

// Draws one slide of a presentation into a rectangle of a painter, for the window's large view
// and its strip of thumbnails: the white page, text, pictures, and each chart as a framed box
// that names the chart and its kind and says plainly that it is a placeholder (charts are not
// drawn yet). Shapes it cannot draw get a thin outline. Reads the presentation, never changes
// it; a slide that cannot be read is drawn as an empty page with a note.
void renderSlide(QPainter& painter, const QRectF& target, const PresentationDocument& document, int index);

// The rectangle a slide of this presentation fills when fitted into bounds, centred.
QRectF fittedSlideRect(const QRectF& bounds, const PresentationDocument& document);

// The text in a chart's placeholder box: "Chart 1\nColumn chart: \"Sales\"\n(placeholder ...)".
QString chartPlaceholderText(const QString& name, const engine::ChartSummary& summary);

}  // namespace servers
