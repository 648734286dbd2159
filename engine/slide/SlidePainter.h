#pragma once

#include "engine/slide/SlideScene.h"

#include <QRectF>
#include <functional>

class QPainter;

// The last stage of drawing a slide: a scene painted into a rectangle of any QPainter (a
// widget, an image, a PDF). Charts are not the slide's to draw: each chart frame goes to the
// chart painter given, with the painter already in slide points and clipped to nothing.

namespace engine::slide {

// Draws the chart of `chart` (its chartPart, name and rect, in slide points) with painter.
using ChartPainter = std::function<void(QPainter& painter, const ScenePrimitive& chart)>;

// Paints scene scaled to fill target (its aspect ratio is the caller's to keep). Charts go to
// drawChart; without one they are drawn as framed boxes with their name.
void paintSlideScene(const SlideScene& scene, QPainter& painter, const QRectF& target,
                     const ChartPainter& drawChart = {});

// A framed box with a caption, what a chart frame shows when its chart cannot be drawn.
void paintChartBox(QPainter& painter, const QRectF& rect, const QString& caption);

// The size of a font for painter's device, such that sizeInPoints is its height in the
// painter's logical units (a scene's points).
QFont fontForDevice(const QFont& font, const QPainter& painter);

}  // namespace engine::slide
