#include "engine/chartmodel/ChartKind.h"

#include <iterator>

namespace engine::chart {

namespace {

using GK = ChartGroup::Kind;
using Vary = ChartKind::VaryByPoint;
using Key = ChartKind::LegendKey;
using Ax = ChartKind::Axes;
using Pos = DataLabelPosition;

// In the order of ChartGroup::Kind.
constexpr ChartKind kChartKinds[] = {
    // kind, element, name, 3-D, pie-like, x values, vary, filled, legend key, smoothable, label position, axes,
    // varyColors element, series markers, invertIfNegative
    {GK::Bar, "barChart", "Column", false, false, false, Vary::LoneSeries, true, Key::Square, false, Pos::OutsideEnd, Ax::CategoryValue, true, false, true},
    {GK::Bar3D, "bar3DChart", "Column", true, false, false, Vary::LoneSeries, true, Key::Square, false, Pos::OutsideEnd, Ax::CategoryValue, true, false, true},
    {GK::Line, "lineChart", "Line", false, false, false, Vary::Never, false, Key::Line, true, Pos::Right, Ax::CategoryValue, true, true, false},
    {GK::Line3D, "line3DChart", "Line", true, false, false, Vary::Never, false, Key::Line, true, Pos::Right, Ax::CategoryValue, true, false, false},
    {GK::Area, "areaChart", "Area", false, false, false, Vary::Never, true, Key::Square, false, Pos::Center, Ax::CategoryValue, true, false, false},
    {GK::Area3D, "area3DChart", "Area", true, false, false, Vary::Never, true, Key::Square, false, Pos::Center, Ax::CategoryValue, true, false, false},
    {GK::Pie, "pieChart", "Pie", false, true, false, Vary::Always, true, Key::Square, false, Pos::BestFit, Ax::None, true, false, false},
    {GK::Pie3D, "pie3DChart", "Pie", true, true, false, Vary::Always, true, Key::Square, false, Pos::BestFit, Ax::None, true, false, false},
    {GK::Doughnut, "doughnutChart", "Doughnut", false, true, false, Vary::Always, true, Key::Square, false, Pos::Center, Ax::None, true, false, false},
    {GK::OfPie, "ofPieChart", "Pie", false, true, false, Vary::Always, true, Key::Square, false, Pos::BestFit, Ax::None, true, false, false},
    {GK::Scatter, "scatterChart", "Scatter", false, false, true, Vary::Never, false, Key::Line, true, Pos::Right, Ax::ValueValue, true, true, false},
    {GK::Bubble, "bubbleChart", "Bubble", false, false, true, Vary::LoneSeries, true, Key::Square, false, Pos::Right, Ax::ValueValue, true, false, true},
    {GK::Radar, "radarChart", "Radar", false, false, false, Vary::Never, false, Key::Line, false, Pos::Center, Ax::Radial, true, true, false},
    {GK::Stock, "stockChart", "Stock", false, false, false, Vary::Never, false, Key::Line, false, Pos::Right, Ax::CategoryValue, false, true, false},
    {GK::Surface, "surfaceChart", "Surface", false, false, false, Vary::Never, true, Key::Square, false, Pos::Center, Ax::CategoryValue, false, false, false},
    {GK::Surface3D, "surface3DChart", "Surface", true, false, false, Vary::Never, true, Key::Square, false, Pos::Center, Ax::CategoryValue, false, false, false},
};

constexpr bool kindsInOrder() {
    int i = 0;
    for (const ChartKind& k : kChartKinds)
        if (int(k.kind) != i++) return false;
    return i == int(GK::Surface3D) + 1;
}
static_assert(kindsInOrder(), "one row per ChartGroup::Kind, in its order");

}  // namespace

const ChartKind& chartKind(ChartGroup::Kind kind) {
    return kChartKinds[size_t(kind)];
}

const ChartKind* chartKindOfElement(std::string_view local) {
    for (const ChartKind& k : kChartKinds)
        if (local == k.element) return &k;
    return nullptr;
}

bool drawsFilled(const ChartGroup& group) {
    if (group.kind == GK::Radar) return group.radarStyle == RadarStyle::Filled;
    return chartKind(group).filled;
}

ChartKind::LegendKey legendKeyOf(const ChartGroup& group) {
    if (group.kind == GK::Radar) return drawsFilled(group) ? Key::Square : Key::Line;
    return chartKind(group).legendKey;
}

bool isPieLike(const ChartGroup& group) {
    return chartKind(group).pieLike;
}

bool isScatterLike(const ChartGroup& group) {
    return chartKind(group).xValues;
}

}  // namespace engine::chart
