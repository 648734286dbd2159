#pragma once

#include "engine/chartformat/FormatResolver.h"

#include <pugixml.hpp>

// Writing a chart's look into its part, so that no reader has to guess it: everything whose
// meaning rests on a default, the chart style or the theme's format scheme gets explicit
// properties, as the resolver answers them. What the part already states is kept as it is; only
// what it leaves out is added:
//
//  - booleans and choices whose absence readers take differently: tick marks, smoothing,
//    varyColors, line-group markers, data-label show flags, trendline equation and R-squared,
//    title and legend overlays, invertIfNegative, dispBlanksAs, autoTitleDeleted;
//  - fills and lines (c:spPr) of the chart area (with the border the workbook draws), plot area,
//    series, varied data points, markers, axes, gridlines, trendlines, error bars, hi-low, drop
//    and series lines and up/down bars, with resolved sRGB colours, widths and gradients;
//  - text properties (size, boldness, colour, typeface) of the chart, its title, axis labels and
//    titles, legend, data labels and trendline labels, so that a slide never draws them at its
//    own 18 pt;
//  - the automatic title (one named series, no title, not deleted) as an explicit title linked
//    to the series' name;
//  - theme references, with ThemeReferences::Resolve, made concrete: scheme colours become the
//    sRGB colours they stand for in the resolver's theme and colour map, theme fonts (+mn-lt) the
//    faces they name, since readers resolve them against the receiving deck's theme and its
//    master's colour map. With ThemeReferences::Keep, what the theme gives is written as the
//    theme reference it stands for (a:schemeClr with its transforms, +mn-lt) and references the
//    part states stay: the chart then follows the theme of the document it is in, which must be
//    the resolver's theme for the chart to look as resolved. Colours and faces stated outright
//    are written as they are either way.
//
// The model must have been read from doc before any change (readChartSpace(doc, ...)); the
// resolver must have been built on that model. Linear in the size of the part: a point gets a
// c:dPt only when its colour varies by point.

namespace engine::chart {

// Resolve comes first: a value-initialised choice resolves.
enum class ThemeReferences { Resolve, Keep };

void writeExplicitFormat(pugi::xml_document& doc, const ChartSpace& model, const FormatResolver& resolver,
                         ThemeReferences references = ThemeReferences::Resolve);

}  // namespace engine::chart
