#pragma once

#include "engine/chartmodel/ChartEnums.h"

#include <optional>
#include <vector>

namespace engine {

// Automatic scaling of chart axes the way the spreadsheet application chooses it when a chart
// leaves c:min, c:max and c:majorUnit out. Pure functions over numbers: the renderer's layout
// gives them the data extent and, once labels are measured, how many intervals fit.
//
// The rules for the ends are Microsoft's published ones for value axes: a minimum of zero
// unless the data spans less than a sixth of its maximum, and (for 2-D area, column, bar, line
// and scatter charts) a maximum that clears the data by a twentieth of its range. The major
// unit is not documented; the rule here (a step of 2, 5 or 10 times a power of ten picked from
// the leading digits of the span, 4 to 10 intervals) reproduces the application's axes where
// they were measured. All-negative data mirrors the positive rules; data of both signs pads
// both ends by a twentieth of the range.

struct ValueAxisInput {
    // The extent of what the axis shows: the values, or for stacked groups the per-category
    // sums (see stackedExtent). NaN values must be left out by the caller.
    double dataMin = 0;
    double dataMax = 0;
    // 2-D area, column, bar, line and scatter charts clear the data; 3-D kinds and stacked
    // groups do not.
    bool padEnds = true;
    // What the chart fixes itself (c:scaling/c:min, c:max, c:majorUnit).
    std::optional<double> fixedMin;
    std::optional<double> fixedMax;
    std::optional<double> fixedMajorUnit;
    // The most intervals the axis may have: 10 unless the labels' size says fewer fit.
    int maxIntervals = 10;
};

struct AxisScale {
    double min = 0;
    double max = 1;
    double majorUnit = 0.2;
    double minorUnit = 0.04;  // a fifth of the major unit unless fixed
};

AxisScale autoValueScale(const ValueAxisInput& input);

// The extent of a stacked group: the largest sum of the positive values of one category and
// the smallest sum of its negative values (0 when there are none). series[s][c] is the value
// of series s in category c; missing points are NaN and count as nothing.
struct Extent {
    double min = 0;
    double max = 0;
};
Extent stackedExtent(const std::vector<std::vector<double>>& series);

// 100% stacked groups: 0 to 100% (or -100% to 100% when some values are negative).
AxisScale percentStackedScale(bool hasNegative, int maxIntervals = 10);

// A logarithmic axis (c:logBase): from the power of the base at or below the smallest value
// (but never above 1) to the power at or above the largest, one power of the base per major
// step. majorUnit is that factor (the base). Values <= 0 cannot be shown and are ignored by
// the caller; with no positive value the axis is 1 to base.
AxisScale logarithmicScale(double dataMin, double dataMax, double base = 10);

// How many intervals a presentation chart's value axis may have, by the text size of its
// labels and the length of the plot along the axis (both in points), as measured in the
// presentation application: the smaller of the two caps.
int presentationIntervalCap(double labelPointSize, double plotLengthPoints);

// Date axes (c:dateAx), in the schema's time units.
using chart::TimeUnit;

// The base unit the spreadsheet application picks: from the smallest gap between two
// different dates of the data (serials, whole days). Under 28 days gives days, under a year
// months, else years.
TimeUnit dateBaseUnit(const std::vector<double>& serials);

struct DateStep {
    int count = 1;
    TimeUnit unit = TimeUnit::Days;
};

// The major step of a date axis spanning spanDays with at most maxIntervals intervals: days
// while an interval is under a month (3 to 6 days round up to a week), then months, then
// years; never finer than the base unit.
DateStep dateMajorUnit(double spanDays, TimeUnit baseUnit, int maxIntervals = 10);

}  // namespace engine
