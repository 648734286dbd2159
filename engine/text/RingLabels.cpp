#include "engine/text/RingLabels.h"

#include <QLineF>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <deque>

namespace engine {

namespace {

QPointF ringDirection(double degreesFromTop) {
    const double a = (degreesFromTop - 90) * M_PI / 180;
    return {std::cos(a), std::sin(a)};
}

// How far a box reaches towards -direction from its centre.
double ringBoxReach(QSizeF size, QPointF direction) {
    return std::abs(direction.x()) * size.width() / 2 + std::abs(direction.y()) * size.height() / 2;
}

// Whether a label's slice's arc has its middle on the right half (12 to 6 o'clock).
bool ringRightHalf(double mid) {
    const double a = std::fmod(std::fmod(mid, 360) + 360, 360);
    return a < 180;
}

}  // namespace

double ringLabelScale(const std::vector<RingLabel>& labels, QPointF center, const QRectF& bounds,
                      double smallest) {
    double scale = 1;
    for (const RingLabel& l : labels) {
        const QPointF u = ringDirection(l.mid);
        // The label's centre lies at (scale * reach + fixed) along u from the circle's centre.
        const double reach = QPointF::dotProduct(l.sliceCenter - center, u) + l.outer;
        const double fixed = kRingLabelGap + ringBoxReach(l.size, u);
        if (reach <= 0) continue;
        const auto limit = [&](double component, double room) {
            // component * (scale * reach + fixed) <= room
            if (component <= 1e-6) return;
            scale = std::min(scale, (room / component - fixed) / reach);
        };
        limit(u.x(), bounds.right() - l.size.width() / 2 - center.x());
        limit(-u.x(), center.x() - bounds.left() - l.size.width() / 2);
        limit(u.y(), bounds.bottom() - l.size.height() / 2 - center.y());
        limit(-u.y(), center.y() - bounds.top() - l.size.height() / 2);
    }
    return std::clamp(scale, std::min(smallest, 1.0), 1.0);
}

std::vector<PlacedRingLabel> placeRingLabels(const std::vector<RingLabel>& labels,
                                             const QRectF& bounds, double spacing) {
    std::vector<PlacedRingLabel> out(labels.size());
    std::vector<double> tops(labels.size());
    for (size_t i = 0; i < labels.size(); ++i) {
        const RingLabel& l = labels[i];
        const QPointF u = ringDirection(l.mid);
        out[i].edge = l.sliceCenter + u * l.outer;
        const QPointF at = l.sliceCenter + u * (l.outer + kRingLabelGap + ringBoxReach(l.size, u));
        tops[i] = at.y() - l.size.height() / 2;
    }
    // Each half top down, by the angle (clockwise down the right, anticlockwise down the left),
    // not by height: boxes beside the circle's bottom or top do not rise and fall in its order.
    std::vector<bool> onRight(labels.size());
    std::deque<size_t> halves[2];  // left, right
    double needs[2] = {-spacing, -spacing};
    for (size_t i = 0; i < labels.size(); ++i) {
        onRight[i] = ringRightHalf(labels[i].mid);
        halves[onRight[i]].push_back(i);
        needs[onRight[i]] += labels[i].size.height() + spacing;
    }
    const auto angle = [&](size_t i) {
        return std::fmod(std::fmod(labels[i].mid, 360) + 360, 360);
    };
    for (const bool right : {false, true})
        std::stable_sort(halves[right].begin(), halves[right].end(), [&](size_t a, size_t b) {
            return right ? angle(a) < angle(b) : angle(a) > angle(b);
        });
    // A half with more labels than its height holds hands those nearest the other half over
    // the top or the bottom of the circle (to the other half's top or bottom), while the other
    // half has room for them.
    for (const bool right : {true, false}) {
        std::deque<size_t>& half = halves[right];
        std::deque<size_t>& other = halves[!right];
        while (half.size() >= 2 && needs[right] > bounds.height()) {
            const double a = angle(half.front()), b = angle(half.back());
            // How far the first (nearest 12) and the last (nearest 6) are from crossing.
            const double toTop = right ? a : 360 - a, toBottom = right ? 180 - b : b - 180;
            const bool overTop = toTop <= toBottom;
            const size_t moving = overTop ? half.front() : half.back();
            const double room = labels[moving].size.height() + spacing;
            if (needs[!right] + room > bounds.height()) break;
            if (overTop) {
                half.pop_front();
                other.push_front(moving);
            } else {
                half.pop_back();
                other.push_back(moving);
            }
            onRight[moving] = !right;
            needs[right] -= room;
            needs[!right] += room;
        }
    }
    for (const bool right : {true, false}) {
        const std::deque<size_t>& half = halves[right];
        const auto height = [&](size_t i) { return labels[i].size.height(); };
        // Down: each below the one above it.
        for (size_t k = 1; k < half.size(); ++k)
            tops[half[k]] =
                std::max(tops[half[k]], tops[half[k - 1]] + height(half[k - 1]) + spacing);
        // Up: the lowest inside the bottom, each above the one below it.
        for (size_t k = half.size(); k-- > 0;) {
            double limit = bounds.bottom() - height(half[k]);
            if (k + 1 < half.size())
                limit = std::min(limit, tops[half[k + 1]] - spacing - height(half[k]));
            tops[half[k]] = std::min(tops[half[k]], limit);
        }
        // Down once more from the top, should they not fit between top and bottom: then the
        // lowest ones are the ones that leave the bounds, not the highest.
        for (size_t k = 0; k < half.size(); ++k) {
            double limit = bounds.top();
            if (k > 0) limit = std::max(limit, tops[half[k - 1]] + height(half[k - 1]) + spacing);
            tops[half[k]] = std::max(tops[half[k]], limit);
        }
    }
    for (size_t i = 0; i < labels.size(); ++i) {
        const RingLabel& l = labels[i];
        const double clear = l.outer + kRingLabelGap;
        // The circle is widest, over the box's rows, at the row nearest its centre's height.
        const double top = tops[i], bottom = top + l.size.height();
        const double dy = l.sliceCenter.y() < top      ? top - l.sliceCenter.y()
                          : l.sliceCenter.y() > bottom ? l.sliceCenter.y() - bottom
                                                       : 0;
        // Boxes above or below the circle keep the gap from the line through its centre too,
        // so that the two halves' labels do not touch.
        const double halfWidth =
            std::max(kRingLabelGap, std::sqrt(std::max(0.0, clear * clear - dy * dy)));
        const double left = onRight[i] ? l.sliceCenter.x() + halfWidth
                                       : l.sliceCenter.x() - halfWidth - l.size.width();
        out[i].box = QRectF(left, top, l.size.width(), l.size.height());
        out[i].right = onRight[i];
    }
    return out;
}

std::optional<std::pair<QPointF, QPointF>> ringLeaderLine(QPointF edge, const QRectF& box,
                                                          bool right, double within) {
    const QPointF nearest(std::clamp(edge.x(), box.left(), box.right()),
                          std::clamp(edge.y(), box.top(), box.bottom()));
    if (QLineF(edge, nearest).length() <= within) return std::nullopt;
    return std::make_pair(edge, QPointF(right ? box.left() : box.right(), box.center().y()));
}

SliceLabelLayout placeSliceLabels(const std::vector<SliceLabel>& labels, QPointF center,
                                  double radius, double innerFraction, double insideFraction,
                                  const QRectF& bounds) {
    using Place = SliceLabel::Place;
    SliceLabelLayout out;
    out.radius = radius;
    out.centers.resize(labels.size());
    out.edges.resize(labels.size());
    out.rightHalf.resize(labels.size());
    if (!(radius > 0)) return out;
    const double full = radius, smallest = 0.5 * radius;
    std::vector<RingLabel> outside;
    std::vector<size_t> outsideIndex;
    // Which labels go outside at radius r; the centres of those inside.
    const auto sort = [&](double r) {
        outside.clear();
        outsideIndex.clear();
        std::vector<QRectF> boxes(labels.size());
        std::vector<QPointF> sliceCenters(labels.size());
        for (size_t i = 0; i < labels.size(); ++i) {
            const SliceLabel& l = labels[i];
            const QPointF u = ringDirection(l.start + l.sweep / 2);
            sliceCenters[i] = center + u * (r * l.explosion);
            out.centers[i] = sliceCenters[i] + u * (r * insideFraction);
            boxes[i] =
                QRectF(out.centers[i] - QPointF(l.size.width() / 2, l.size.height() / 2), l.size);
        }
        // Which inside boxes overlap another: swept left to right.
        std::vector<bool> crowded(labels.size(), false);
        std::vector<size_t> byLeft(labels.size());
        for (size_t i = 0; i < byLeft.size(); ++i) byLeft[i] = i;
        std::sort(byLeft.begin(), byLeft.end(),
                  [&](size_t a, size_t b) { return boxes[a].left() < boxes[b].left(); });
        for (size_t k = 0; k < byLeft.size(); ++k) {
            const size_t i = byLeft[k];
            for (size_t m = k + 1; m < byLeft.size() && boxes[byLeft[m]].left() < boxes[i].right();
                 ++m)
                if (boxes[byLeft[m]].intersects(boxes[i])) crowded[i] = crowded[byLeft[m]] = true;
        }
        for (size_t i = 0; i < labels.size(); ++i) {
            const SliceLabel& l = labels[i];
            bool goesOut = l.place == Place::OutsideEnd;
            if (!goesOut) {
                // The slice, as its outline: Qt's angles run anticlockwise from 3 o'clock.
                const QPointF c = sliceCenters[i];
                const QRectF outerRect(c.x() - r, c.y() - r, 2 * r, 2 * r);
                const double inner = r * innerFraction;
                QPainterPath slice;
                slice.arcMoveTo(outerRect, 90 - l.start);
                slice.arcTo(outerRect, 90 - l.start, -l.sweep);
                if (inner > 0)
                    slice.arcTo(QRectF(c.x() - inner, c.y() - inner, 2 * inner, 2 * inner),
                                90 - l.start - l.sweep, l.sweep);
                else
                    slice.lineTo(c);
                slice.closeSubpath();
                if (l.sweep <= 0 || !slice.contains(boxes[i]))
                    goesOut = l.place == Place::BestFit || crowded[i];
            }
            if (!goesOut) continue;
            outside.push_back(RingLabel{sliceCenters[i], r, l.start + l.sweep / 2, l.size});
            outsideIndex.push_back(i);
        }
    };
    // A smaller circle may send more labels outside, and labels moved apart may still leave
    // the bounds: a few rounds settle it.
    for (int round = 0; round < 6; ++round) {
        sort(radius);
        const double scale = ringLabelScale(outside, center, bounds, smallest / radius);
        if (scale < 0.999) {
            radius *= scale;
            continue;
        }
        double overflow = 0;
        for (const PlacedRingLabel& p : placeRingLabels(outside, bounds, 2))
            overflow =
                std::max({overflow, bounds.top() - p.box.top(), p.box.bottom() - bounds.bottom(),
                          bounds.left() - p.box.left(), p.box.right() - bounds.right()});
        if (overflow < 0.5 || radius <= smallest + 0.01) break;
        radius = std::max(smallest, radius - overflow);
    }
    sort(radius);
    out.radius = std::min(radius, full);
    const std::vector<PlacedRingLabel> placed = placeRingLabels(outside, bounds, 2);
    for (size_t k = 0; k < placed.size(); ++k) {
        out.centers[outsideIndex[k]] = placed[k].box.center();
        out.edges[outsideIndex[k]] = placed[k].edge;
        out.rightHalf[outsideIndex[k]] = placed[k].right;
    }
    return out;
}

}  // namespace engine
