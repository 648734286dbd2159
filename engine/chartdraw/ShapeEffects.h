#pragma once

#include <QPainter>
#include <QPainterPath>

#include "engine/chartdraw/ChartScene.h"
#include "engine/chartformat/FormatResolver.h"

// The style effects of a chart's filled shapes (bars, slices, areas, bubbles): the outer shadow
// and the top bevel the shape's own properties or its chart style (through the theme's effect
// styles) give it. The scene carries them as attributes of the primitives; the painter draws a
// shadow as the shape's blurred silhouette under it and a bevel as light and dark edges inside it.
// Both are approximations of the office applications' drawing, close enough to read as the same
// look.

namespace engine::chart {

// Sets the shadow and bevel of every data point of the scene (tagged DataPoint with a series
// position and a fill) from what the resolver answers for that point, or for its series when
// the primitive stands for a whole series. The scene must have been built from `chart`.
void addShapeEffects(ChartScene& scene, const ChartSpace& chart, const FormatResolver& resolver);
// Sets the shadow and bevel `shape` gives on the primitive that draws it (a legend key takes
// those of the series or point it stands for). A shape without them leaves the primitive as it is.
void setShapeEffects(ScenePrimitive& primitive, const ResolvedShape& shape);

// The shadow of a shape: its silhouette moved by the offset, in the shadow's colour, with a
// softened edge as wide as the blur.
void paintShapeShadow(QPainter& painter, const QPainterPath& path, const SceneShadow& shadow);
// A bevel of this width inside a shape: its upper-left edges lightened, its lower-right ones
// darkened.
void paintShapeBevel(QPainter& painter, const QPainterPath& path, double width);

}  // namespace engine::chart
