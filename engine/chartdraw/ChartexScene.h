#pragma once

#include <QImage>
#include <QSize>
#include <QSizeF>

#include "engine/chartdraw/ChartScene.h"
#include "engine/chartmodel/ChartexPart.h"

namespace engine {

// The chart drawn at sizeInPoints in the look of the application's default style (Office theme
// colours, Calibri's metric twin), from what the chart holds:
// - waterfall: floating columns from one running total, increases in accent 1, decreases in
//   accent 2, totals from the axis in accent 3, joined by connector lines, values above;
// - funnel: bars centred on one axis, as wide as their values, categories beside, values inside;
// - histogram: the values in bins (or summed per category), columns side by side;
// - pareto: the same sorted from the largest down, with the cumulative share as a line on a
//   second axis from 0 to 100 % at the right;
// - box and whisker: per category and series a box from the first to the third quartile with
//   its median, whiskers to the furthest values within 1.5 box lengths, the outliers beyond as
//   circles, the mean as a cross and, when asked, the inner points and a line through the means;
// - treemap: the leaves as squarified rectangles grouped by their parents, each branch of the
//   top level in its accent colour, the parents' names over their areas or in banners;
// - sunburst: one ring per level from the top level in the middle, each node's angle its share.
// Region maps, the kinds not known, and a chart without the data its kind needs, are drawn as a
// named outline: a white area with a thin grey border holding the chart's title (or kind) at
// the top and a note naming its kind in the middle. Needs a QGuiApplication (text is measured).
chart::ChartScene chartexScene(const ChartexChart& chart, QSizeF sizeInPoints);
// That scene as a picture of pixels on a 96 dpi screen (at least 1 x 1), for readers that do not
// know the kind.
QImage chartexPicture(const ChartexChart& chart, QSize pixels);

}  // namespace engine
