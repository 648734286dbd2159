#pragma once

#include "engine/chartmodel/ChartModel.h"

#include <string_view>

// What each kind of chart group is, in one table: the element that holds it, the name the office
// suites give it, and the traits drawing, formatting and layout ask of it (pie-like, x values,
// whether its colours vary by point, filled or drawn as lines, the legend key, where data labels
// go by default, the axes it plots against). A new kind is a row here, its drawing in its
// family's scene file and its reading in the model.

namespace engine::chart {

struct ChartKind {
    // When varyColors makes the points of a series take a colour each.
    enum class VaryByPoint {
        Always,      // pies and doughnuts: whenever varyColors is on
        LoneSeries,  // bars and bubbles: when the chart holds one series in all
        Never        // lines, areas, scatter, radar, stock and surface keep the series' colour
    };
    enum class LegendKey { Square, Line };
    enum class Axes {
        None,           // pies and doughnuts
        CategoryValue,  // categories along one axis, values along the other
        ValueValue,     // x and y values (scatter, bubble)
        Radial          // radar: one value axis from the centre out
    };

    ChartGroup::Kind kind;
    const char* element;  // the plot area's child in the chart namespace, "barChart"...
    const char* name;     // the office suites' name, without "3-D " ("Line", "Pie"...)
    bool threeD;
    bool pieLike;         // drawn as slices of a circle, a legend entry per point
    bool xValues;         // plots x values (scatter, bubble) instead of categories
    VaryByPoint vary;
    bool filled;          // drawn as filled shapes (a radar's filled style decides for itself)
    LegendKey legendKey;  // the key of a series entry (a radar's filled style decides for itself)
    bool smoothable;      // its series may be smoothed
    DataLabelPosition defaultLabelPosition;  // c:dLblPos where the file sets none (stacked bars: ctr)
    Axes axes;
    // Elements its part may hold: c:varyColors in the group, c:marker and c:invertIfNegative in
    // its series.
    bool varyColorsElement;
    bool seriesMarkers;
    bool invertIfNegative;
};

// The row of a kind.
const ChartKind& chartKind(ChartGroup::Kind kind);
inline const ChartKind& chartKind(const ChartGroup& group) { return chartKind(group.kind); }

// The row whose element has this local name, null for any other.
const ChartKind* chartKindOfElement(std::string_view local);

// Whether the group is drawn as filled shapes; a radar group by its style.
bool drawsFilled(const ChartGroup& group);

// The key a series' legend entry shows; a filled radar group's is a square.
ChartKind::LegendKey legendKeyOf(const ChartGroup& group);

bool isPieLike(const ChartGroup& group);
bool isScatterLike(const ChartGroup& group);

}  // namespace engine::chart
