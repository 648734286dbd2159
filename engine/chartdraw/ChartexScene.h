#pragma once

#include <QImage>
#include <QSize>
#include <QSizeF>

#include "engine/chartdraw/ChartScene.h"
#include "engine/chartmodel/ChartexPart.h"

namespace engine {

// The chart drawn at sizeInPoints in the look of the application's default style (Office theme
// colours, Calibri's metric twin): a waterfall as floating columns from one running total,
// increases in accent 1, decreases in accent 2, totals from the axis in accent 3, joined by
// connector lines, with value labels above; a funnel as bars centred on one axis, as wide as
// their values, with their categories beside and values inside. The other kinds, and a
// waterfall or funnel without values, are drawn as a named outline: a white area with a thin
// grey border holding the chart's title (or kind) at the top and a note naming its kind in the
// middle. Needs a QGuiApplication (text is measured).
chart::ChartScene chartexScene(const ChartexChart& chart, QSizeF sizeInPoints);
// That scene as a picture of pixels on a 96 dpi screen (at least 1 x 1), for readers that do not
// know the kind.
QImage chartexPicture(const ChartexChart& chart, QSize pixels);

}  // namespace engine
