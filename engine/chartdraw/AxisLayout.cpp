// Where values and categories fall along a placed axis, and where it crosses its partner.

#include "engine/chartdraw/ChartLayout.h"

#include <algorithm>
#include <cmath>

namespace engine::chart {

double AxisLayout::map(double value) const {
    double t;
    if (logarithmic) {
        const double lmin = std::log(scale.min), lmax = std::log(scale.max);
        t = value > 0 ? (std::log(value) - lmin) / (lmax - lmin) : -1;
    } else {
        t = (value - scale.min) / (scale.max - scale.min);
    }
    return lo + t * (hi - lo);
}

double AxisLayout::categoryWidth() const {
    const int n = std::max(1, categoryCount);
    return between ? (hi - lo) / n : (n > 1 ? (hi - lo) / (n - 1) : (hi - lo));
}

double AxisLayout::slot(int point) const {
    return point >= 0 && size_t(point) < dateSlots.size() && dateSlots[size_t(point)] >= 0 ? dateSlots[size_t(point)] : point;
}

double AxisLayout::categoryCenter(double index) const {
    const int n = std::max(1, categoryCount);
    if (between) return lo + (index + 0.5) * (hi - lo) / n;
    return n > 1 ? lo + index * (hi - lo) / (n - 1) : (lo + hi) / 2;
}

double AxisLayout::crossValueOn(const AxisLayout& partner) const {
    const Crosses crosses = axis && axis->crosses ? *axis->crosses : Crosses::AutoZero;
    if (partner.numeric) {
        const double lo = partner.scale.min, hi = partner.scale.max;
        if (axis && axis->crossesAt) return std::clamp(*axis->crossesAt, lo, hi);
        if (crosses == Crosses::Max) return hi;
        if (crosses == Crosses::Min) return lo;
        if (partner.logarithmic) return lo;
        return lo > 0 ? lo : (hi < 0 ? hi : 0);
    }
    // On a category axis: the edge of the first or last category, or category n (1-based).
    const int n = std::max(1, partner.categoryCount);
    const double last = partner.between ? n : n - 1;
    if (axis && axis->crossesAt) {
        const double at = *axis->crossesAt - 1;
        return std::clamp(at, 0.0, last);
    }
    if (crosses == Crosses::Max) return last;
    return 0;
}

QString AxisLayout::labelFor(double value) const {
    return format.format(value / unitDivisor, dates, numbers);
}

}  // namespace engine::chart
