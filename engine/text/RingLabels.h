#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>
#include <utility>
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
    QPointF edge;       // the middle of the slice's arc, where a leader line starts
    bool right = true;  // set on the circle's right half (labels may cross over to the other)
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
std::vector<PlacedRingLabel> placeRingLabels(const std::vector<RingLabel>& labels,
                                             const QRectF& bounds, double spacing);

// The leader line of a label whose box lies `box` (on the circle's right half or not) and whose
// slice's arc has its middle at `edge`: from there to the middle of the box's side that faces
// the circle, so that lines to labels stacked beside or below the circle run between them, not
// through them; none when the box lies no farther from `edge` than `within` (the label sits by
// its slice).
std::optional<std::pair<QPointF, QPointF>> ringLeaderLine(QPointF edge, const QRectF& box,
                                                          bool right, double within);

// The data labels of a pie's slices, or of a doughnut's outer ring, as the spreadsheet
// application places them at best fit and outside end:
// - Best fit puts a label inside its slice, centred where a centred label goes, when its box
//   fits there whole; otherwise it goes outside, like a label at outside end.
// - Outside labels stand beside the middle of their slice's arc, kRingLabelGap (3 pt) off it;
//   those of one half of the circle that would overlap are moved apart up and down, 2 pt apart
//   (a label's background reaches 1 pt over its text), and set against the circle
//   (placeRingLabels).
// - The circle shrinks until its outside labels, once placed, stay inside the bounds (the
//   plot area), to no less than half the radius it has without them: the application keeps
//   the circle and its labels inside the plot area, and gives a pie with outside labels a
//   smaller circle (this engine drew outside-end pies at a fixed three quarters before, which
//   left long labels over the frame or the legend).
// - A label that ends up farther from its slice's arc than twice that gap has a leader line
//   back to it (ringLeaderLine), when the labels show leader lines.
// Where the numbers come from: the reference pictures of the application's pie and doughnut
// examples show no labels, so the positions follow what the application's label options
// describe (best fit: inside when the label fits; leader lines only for labels moved away from
// their place); the 3 pt gap is the one our outside-end labels of bars keep; half the radius,
// the 2 pt between labels and twice the gap for a leader line are this engine's own choices.
// The application centres doughnut labels in their ring (it offers no other position) and
// lets those too big for their slice overlap their neighbours, which leaves thin slices
// unreadable: such a label of the outer ring, which neither fits its slice nor stays clear of
// the other centred labels, goes outside as at best fit; a label overlapping nothing stays
// where the application draws it (Place::CentredUnlessCrowded).
struct SliceLabel {
    enum class Place { BestFit, OutsideEnd, CentredUnlessCrowded };
    Place place = Place::BestFit;
    QSizeF size;                  // the label's box
    double start = 0, sweep = 0;  // the slice, in degrees clockwise from 12 o'clock
    double explosion = 0;         // how far the slice stands out along its middle, in radii
};

struct SliceLabelLayout {
    double radius = 0;                          // the circle's radius, shrunk for the labels
    std::vector<QPointF> centers;               // each label's box's centre, in the order given
    std::vector<std::optional<QPointF>> edges;  // for a label outside: its leader line's start
    std::vector<bool> rightHalf;                // for a label outside: on the right half
};

// The ring about `center` runs from `innerFraction` of `radius` (0 for a pie) to `radius`; a
// label inside its slice centres at `insideFraction` of the radius along the slice's middle.
SliceLabelLayout placeSliceLabels(const std::vector<SliceLabel>& labels, QPointF center,
                                  double radius, double innerFraction, double insideFraction,
                                  const QRectF& bounds);

}  // namespace engine
