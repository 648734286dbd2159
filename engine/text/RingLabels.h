#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>
#include <vector>

// Labels set outside a circle cut into slices (the data labels of a pie or of a doughnut's
// outer ring), as the spreadsheet application sets them when they do not fit inside their
// slice: each beside the middle of its slice's arc, those on one half that would overlap moved
// apart up and down, every box kept clear of the circle, and a leader line back to the slice
// for a label moved away from it. Pure geometry in points (y down, angles in degrees clockwise
// from 12 o'clock); the caller decides which labels go outside and how big the circle is.

namespace engine {

struct RingLabel {
    QPointF sliceCenter;  // the centre of the label's slice (off the circle's when exploded)
    double outer = 0;     // the slice's outer radius
    double mid = 0;       // the angle of the middle of the slice's arc
    QSizeF size;          // the label's box
};

struct PlacedRingLabel {
    QRectF box;
    QPointF edge;  // the middle of the slice's arc, where a leader line starts
};

// The gap between a slice's arc and a label set beside it; the same as the gap of labels
// outside the ends of bars.
inline constexpr double kRingLabelGap = 3;

// The scale (at most 1, at least `smallest`) by which the circle about `center` must shrink
// so that every label, at its own place beside its slice, lies inside `bounds`. A slice's
// distance from the centre and its radius shrink together; the gap and the labels do not.
double ringLabelScale(const std::vector<RingLabel>& labels, QPointF center, const QRectF& bounds,
                      double smallest);

// The boxes of the labels, in the order given: each half of the circle's labels (right: arcs
// whose middle lies from 12 to 6 o'clock) in their order round the circle from the top (a
// half with more than its height holds hands those nearest the other half over to it), moved
// down, then up, as
// little as keeps them one `spacing` apart and inside the top and bottom of `bounds` (when they
// fit there at all), then set against the circle: the box's side towards the centre as near as
// the gap about its slice's arc allows.
std::vector<PlacedRingLabel> placeRingLabels(const std::vector<RingLabel>& labels, const QRectF& bounds,
                                             double spacing);

// The leader line of a label whose box lies `box` and whose slice's arc has its middle at
// `edge`: from there to the nearest point of the box, when the box lies farther from it than
// `within`; none when the label sits by its slice.
std::optional<std::pair<QPointF, QPointF>> ringLeaderLine(QPointF edge, const QRectF& box, double within);

}  // namespace engine
