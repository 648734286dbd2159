#include "engine/chartdraw/AxisScale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace engine {

namespace {

// A step of 1, 2 or 5 times 10^exponent, kept apart so that multiples of it come out as the
// nearest doubles of their decimal values (3 x 0.1 as 0.3, not 0.30000000000000004).
struct Step {
    int mantissa = 1;  // 1, 2 or 5
    int exponent = 0;

    double times(double n) const {
        return exponent >= 0 ? n * mantissa * std::pow(10.0, exponent)
                             : n * mantissa / std::pow(10.0, -exponent);
    }
    double value() const { return times(1); }
    Step next() const {
        if (mantissa == 1) return {2, exponent};
        if (mantissa == 2) return {5, exponent};
        return {1, exponent + 1};
    }
};

// The step for a span from its leading digits: 0.2, 0.5 or 1 times its power of ten.
Step stepForSpan(double span) {
    if (!(span > 0) || !std::isfinite(span)) return {2, -1};
    int k = int(std::floor(std::log10(span)));
    double m = span / std::pow(10.0, k);
    if (m >= 10) m /= 10, ++k;  // log10 rounding just below a power of ten
    if (m < 1) m *= 10, --k;
    if (m < 2) return {2, k - 1};
    if (m < 5) return {5, k - 1};
    return {1, k};
}

// Multiples of the step at or below / at or above x, forgiving the last bits of rounding.
double floorTo(double x, const Step& s) { return s.times(std::floor(x / s.value() + 1e-9)); }
double ceilTo(double x, const Step& s) { return s.times(std::ceil(x / s.value() - 1e-9)); }

double intervals(double min, double max, const Step& s) { return (max - min) / s.value(); }

// The auto scale of data that is >= 0 throughout.
AxisScale positiveScale(double lo, double hi, const ValueAxisInput& in) {
    const double range = hi - lo;
    const double pad = in.padEnds ? range / 20 : 0;
    // Zero is the minimum unless the data sits within the top sixth of its maximum.
    const bool fromZero = lo == hi || range > hi / 6;
    const double lower = fromZero ? 0 : lo - pad;
    const double upper = hi == 0 ? 1 : hi + pad;
    Step step = stepForSpan(upper - lower);
    double min = fromZero ? 0 : floorTo(lower, step);
    double max = ceilTo(upper, step);
    while (intervals(min, max, step) > in.maxIntervals + 1e-9) {
        step = step.next();
        min = fromZero ? 0 : floorTo(lower, step);
        max = ceilTo(upper, step);
    }
    if (max <= min) max = min + step.value();
    return {min, max, step.value(), step.value() / 5};
}

}  // namespace

AxisScale autoValueScale(const ValueAxisInput& in) {
    double lo = std::min(in.dataMin, in.dataMax);
    double hi = std::max(in.dataMin, in.dataMax);
    if (!std::isfinite(lo) || !std::isfinite(hi)) lo = hi = 0;

    AxisScale scale;
    if (lo >= 0) {
        scale = positiveScale(lo, hi, in);
    } else if (hi <= 0) {
        // All negative: the positive rules, mirrored.
        const AxisScale mirrored = positiveScale(-hi, -lo, in);
        scale = {-mirrored.max, -mirrored.min, mirrored.majorUnit, mirrored.minorUnit};
    } else {
        const double pad = in.padEnds ? (hi - lo) / 20 : 0;
        const double lower = lo - pad, upper = hi + pad;
        Step step = stepForSpan(upper - lower);
        while (intervals(floorTo(lower, step), ceilTo(upper, step), step) > in.maxIntervals + 1e-9)
            step = step.next();
        scale = {floorTo(lower, step), ceilTo(upper, step), step.value(), step.value() / 5};
    }

    if (!in.fixedMin && !in.fixedMax && !in.fixedMajorUnit) return scale;

    // What the chart fixes wins; the rest is worked out again over the fixed span.
    double min = in.fixedMin.value_or(scale.min);
    double max = in.fixedMax.value_or(scale.max);
    if (in.fixedMin && !in.fixedMax && max <= min) max = min + std::max(std::fabs(min), 1.0);
    if (in.fixedMax && !in.fixedMin && min >= max) min = max - std::max(std::fabs(max), 1.0);
    double major = 0;
    if (in.fixedMajorUnit && *in.fixedMajorUnit > 0) {
        major = *in.fixedMajorUnit;
    } else {
        Step step = stepForSpan(max - min);
        while (intervals(min, max, step) > in.maxIntervals + 1e-9) step = step.next();
        major = step.value();
    }
    // An end left automatic moves out to a whole number of steps from the fixed one, clearing
    // the data as it would have.
    const double pad = in.padEnds ? (hi - lo) / 20 : 0;
    if (in.fixedMin && !in.fixedMax) max = min + std::ceil((hi + pad - min) / major - 1e-9) * major;
    if (in.fixedMax && !in.fixedMin && scale.min != 0)
        min = max - std::ceil((max - (lo - pad)) / major - 1e-9) * major;
    if (max <= min) max = min + major;
    return {min, max, major, major / 5};
}

Extent stackedExtent(const std::vector<std::vector<double>>& series) {
    Extent e;
    size_t categories = 0;
    for (const auto& s : series) categories = std::max(categories, s.size());
    for (size_t c = 0; c < categories; ++c) {
        double positive = 0, negative = 0;
        for (const auto& s : series) {
            if (c >= s.size() || !std::isfinite(s[c])) continue;
            (s[c] >= 0 ? positive : negative) += s[c];
        }
        e.max = std::max(e.max, positive);
        e.min = std::min(e.min, negative);
    }
    return e;
}

AxisScale percentStackedScale(bool hasNegative, int maxIntervals) {
    const double min = hasNegative ? -1 : 0;
    Step step = stepForSpan(1 - min);
    while (intervals(min, 1, step) > maxIntervals + 1e-9) step = step.next();
    return {min, 1, step.value(), step.value() / 5};
}

AxisScale logarithmicScale(double dataMin, double dataMax, double base) {
    if (!(base >= 2)) base = 10;
    AxisScale s;
    s.majorUnit = base;
    s.minorUnit = base;  // minor ticks at each multiple within a decade are the caller's to draw
    if (!(dataMax > 0) || !std::isfinite(dataMax)) {
        s.min = 1;
        s.max = base;
        return s;
    }
    if (!(dataMin > 0) || !std::isfinite(dataMin)) dataMin = dataMax;
    auto logOf = [&](double v) { return std::log(v) / std::log(base); };
    const double low = std::floor(logOf(dataMin) + 1e-9);
    const double high = std::ceil(logOf(dataMax) - 1e-9);
    s.min = std::min(1.0, std::pow(base, low));
    s.max = std::pow(base, high);
    if (s.max <= s.min) s.max = s.min * base;
    return s;
}

int presentationIntervalCap(double labelPointSize, double plotLengthPoints) {
    const int byText = labelPointSize < 11.94   ? 10
                       : labelPointSize < 20.13 ? 5
                       : labelPointSize < 41.5  ? 2
                                                : 1;
    const int byLength = plotLengthPoints >= 363   ? 10
                         : plotLengthPoints >= 270 ? 5
                         : plotLengthPoints >= 65  ? 2
                                                   : 1;
    return std::min(byText, byLength);
}

TimeUnit dateBaseUnit(const std::vector<double>& serials) {
    std::vector<double> days;
    days.reserve(serials.size());
    for (double s : serials)
        if (std::isfinite(s)) days.push_back(std::floor(s));
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    double gap = std::numeric_limits<double>::infinity();
    for (size_t i = 1; i < days.size(); ++i) gap = std::min(gap, days[i] - days[i - 1]);
    if (gap < 28) return TimeUnit::Days;
    if (gap < 365) return days.size() < 2 ? TimeUnit::Days : TimeUnit::Months;
    return days.size() < 2 ? TimeUnit::Days : TimeUnit::Years;
}

DateStep dateMajorUnit(double spanDays, TimeUnit baseUnit, int maxIntervals) {
    const double perInterval = std::max(spanDays, 0.0) / std::max(1, maxIntervals - 1);
    // At least one; at most any count an int holds (a span of 1e300 days still gives a unit).
    auto count = [](double v) {
        return int(std::clamp(std::ceil(v - 1e-9), 1.0, double(std::numeric_limits<int>::max())));
    };
    if (baseUnit == TimeUnit::Years || perInterval > 365)
        return {count(perInterval / 365), TimeUnit::Years};
    if (baseUnit == TimeUnit::Months || perInterval > 31)
        return {count(perInterval / 31), TimeUnit::Months};
    int days = count(perInterval);
    if (days >= 3 && days <= 6) days = 7;
    if (days > 7) return {count(perInterval / 31), TimeUnit::Months};
    return {days, TimeUnit::Days};
}

}  // namespace engine
