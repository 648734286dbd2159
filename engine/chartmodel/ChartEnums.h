#pragma once

#include <optional>
#include <string_view>

// The enumerated simple types of the chart schema (the val of c:grouping, c:axPos, c:dLblPos...)
// as C++ enumerations, one per schema type and named after it. Each type's tokens are declared
// once, in its SchemaEnum row beside it: readers parse an attribute's text with
// schemaEnum<E>(text), writers write schemaToken(value), which is always the schema's exact
// token.
//
// The schema's value sets are closed. A token outside one (a damaged file, a misspelling)
// parses as nullopt, and the chart model keeps such a value as absent: whatever the producer's
// rule makes of a missing element then applies, as it did when the model compared strings and
// no comparison matched. A part passed through untouched keeps its text whatever it says; only
// what the program writes itself comes from these tables.

namespace engine::chart {

template <typename E>
struct SchemaToken {
    E value;
    const char* token;
};

// Specialised for each enumeration below: its schema type's name (for messages and tests) and
// every token of its value set, in the schema's order.
template <typename E>
struct SchemaEnum;

// The value a token stands for; nullopt for any text outside the type's value set.
template <typename E>
constexpr std::optional<E> schemaEnum(std::string_view token) {
    for (const auto& t : SchemaEnum<E>::tokens) {
        if (token == t.token) return t.value;
    }
    return std::nullopt;
}

// The token of a value, as the schema spells it.
template <typename E>
constexpr const char* schemaToken(E value) {
    for (const auto& t : SchemaEnum<E>::tokens) {
        if (t.value == value) return t.token;
    }
    return "";  // unreachable for a value of the enumeration
}

// c:layoutTarget: the plot area's inner box (without tick labels) or outer box.
enum class LayoutTarget { Inner, Outer };
template <>
struct SchemaEnum<LayoutTarget> {
    static constexpr const char* type = "ST_LayoutTarget";
    static constexpr SchemaToken<LayoutTarget> tokens[] = {{LayoutTarget::Inner, "inner"},
                                                           {LayoutTarget::Outer, "outer"}};
};

// c:xMode, c:yMode, c:wMode, c:hMode.
enum class LayoutMode { Edge, Factor };
template <>
struct SchemaEnum<LayoutMode> {
    static constexpr const char* type = "ST_LayoutMode";
    static constexpr SchemaToken<LayoutMode> tokens[] = {{LayoutMode::Edge, "edge"},
                                                         {LayoutMode::Factor, "factor"}};
};

// c:splitType of a pie of pie or bar of pie.
enum class SplitType { Auto, Custom, Percent, Position, Value };
template <>
struct SchemaEnum<SplitType> {
    static constexpr const char* type = "ST_SplitType";
    static constexpr SchemaToken<SplitType> tokens[] = {{SplitType::Auto, "auto"},
                                                        {SplitType::Custom, "cust"},
                                                        {SplitType::Percent, "percent"},
                                                        {SplitType::Position, "pos"},
                                                        {SplitType::Value, "val"}};
};

// c:lblAlgn of a category axis.
enum class LabelAlignment { Center, Left, Right };
template <>
struct SchemaEnum<LabelAlignment> {
    static constexpr const char* type = "ST_LblAlgn";
    static constexpr SchemaToken<LabelAlignment> tokens[] = {
        {LabelAlignment::Center, "ctr"}, {LabelAlignment::Left, "l"}, {LabelAlignment::Right, "r"}};
};

// c:dLblPos.
enum class DataLabelPosition {
    BestFit,
    Bottom,
    Center,
    InsideBase,
    InsideEnd,
    Left,
    OutsideEnd,
    Right,
    Top
};
template <>
struct SchemaEnum<DataLabelPosition> {
    static constexpr const char* type = "ST_DLblPos";
    static constexpr SchemaToken<DataLabelPosition> tokens[] = {
        {DataLabelPosition::BestFit, "bestFit"},
        {DataLabelPosition::Bottom, "b"},
        {DataLabelPosition::Center, "ctr"},
        {DataLabelPosition::InsideBase, "inBase"},
        {DataLabelPosition::InsideEnd, "inEnd"},
        {DataLabelPosition::Left, "l"},
        {DataLabelPosition::OutsideEnd, "outEnd"},
        {DataLabelPosition::Right, "r"},
        {DataLabelPosition::Top, "t"}};
};

// c:marker/c:symbol (ST_MarkerStyle; named for its element, since a drawn marker's look is the
// drawing's MarkerStyle).
enum class MarkerSymbol {
    Circle,
    Dash,
    Diamond,
    Dot,
    None,
    Picture,
    Plus,
    Square,
    Star,
    Triangle,
    X,
    Auto
};
template <>
struct SchemaEnum<MarkerSymbol> {
    static constexpr const char* type = "ST_MarkerStyle";
    static constexpr SchemaToken<MarkerSymbol> tokens[] = {{MarkerSymbol::Circle, "circle"},
                                                           {MarkerSymbol::Dash, "dash"},
                                                           {MarkerSymbol::Diamond, "diamond"},
                                                           {MarkerSymbol::Dot, "dot"},
                                                           {MarkerSymbol::None, "none"},
                                                           {MarkerSymbol::Picture, "picture"},
                                                           {MarkerSymbol::Plus, "plus"},
                                                           {MarkerSymbol::Square, "square"},
                                                           {MarkerSymbol::Star, "star"},
                                                           {MarkerSymbol::Triangle, "triangle"},
                                                           {MarkerSymbol::X, "x"},
                                                           {MarkerSymbol::Auto, "auto"}};
};

// c:trendlineType.
enum class TrendlineType { Exponential, Linear, Logarithmic, MovingAverage, Polynomial, Power };
template <>
struct SchemaEnum<TrendlineType> {
    static constexpr const char* type = "ST_TrendlineType";
    static constexpr SchemaToken<TrendlineType> tokens[] = {
        {TrendlineType::Exponential, "exp"}, {TrendlineType::Linear, "linear"},
        {TrendlineType::Logarithmic, "log"}, {TrendlineType::MovingAverage, "movingAvg"},
        {TrendlineType::Polynomial, "poly"}, {TrendlineType::Power, "power"}};
};

// c:errDir: along x or y.
enum class ErrorBarDirection { X, Y };
template <>
struct SchemaEnum<ErrorBarDirection> {
    static constexpr const char* type = "ST_ErrDir";
    static constexpr SchemaToken<ErrorBarDirection> tokens[] = {{ErrorBarDirection::X, "x"},
                                                                {ErrorBarDirection::Y, "y"}};
};

// c:errBarType: which side of the point the bar goes.
enum class ErrorBarType { Both, Minus, Plus };
template <>
struct SchemaEnum<ErrorBarType> {
    static constexpr const char* type = "ST_ErrBarType";
    static constexpr SchemaToken<ErrorBarType> tokens[] = {
        {ErrorBarType::Both, "both"}, {ErrorBarType::Minus, "minus"}, {ErrorBarType::Plus, "plus"}};
};

// c:errValType: how long the bars are.
enum class ErrorValueType { Custom, FixedValue, Percentage, StandardDeviation, StandardError };
template <>
struct SchemaEnum<ErrorValueType> {
    static constexpr const char* type = "ST_ErrValType";
    static constexpr SchemaToken<ErrorValueType> tokens[] = {
        {ErrorValueType::Custom, "cust"},
        {ErrorValueType::FixedValue, "fixedVal"},
        {ErrorValueType::Percentage, "percentage"},
        {ErrorValueType::StandardDeviation, "stdDev"},
        {ErrorValueType::StandardError, "stdErr"}};
};

// c:grouping. One enumeration for both of the schema's types: a bar group's (ST_BarGrouping)
// and the line and area groups' (ST_Grouping), which is the same set without "clustered".
enum class Grouping { PercentStacked, Clustered, Standard, Stacked };
template <>
struct SchemaEnum<Grouping> {
    static constexpr const char* type = "ST_BarGrouping";
    static constexpr SchemaToken<Grouping> tokens[] = {{Grouping::PercentStacked, "percentStacked"},
                                                       {Grouping::Clustered, "clustered"},
                                                       {Grouping::Standard, "standard"},
                                                       {Grouping::Stacked, "stacked"}};
};

// c:scatterStyle.
enum class ScatterStyle { None, Line, LineMarker, Marker, Smooth, SmoothMarker };
template <>
struct SchemaEnum<ScatterStyle> {
    static constexpr const char* type = "ST_ScatterStyle";
    static constexpr SchemaToken<ScatterStyle> tokens[] = {
        {ScatterStyle::None, "none"},
        {ScatterStyle::Line, "line"},
        {ScatterStyle::LineMarker, "lineMarker"},
        {ScatterStyle::Marker, "marker"},
        {ScatterStyle::Smooth, "smooth"},
        {ScatterStyle::SmoothMarker, "smoothMarker"}};
};

// c:radarStyle.
enum class RadarStyle { Standard, Marker, Filled };
template <>
struct SchemaEnum<RadarStyle> {
    static constexpr const char* type = "ST_RadarStyle";
    static constexpr SchemaToken<RadarStyle> tokens[] = {{RadarStyle::Standard, "standard"},
                                                         {RadarStyle::Marker, "marker"},
                                                         {RadarStyle::Filled, "filled"}};
};

// c:barDir: horizontal bars or upright columns.
enum class BarDirection { Bar, Column };
template <>
struct SchemaEnum<BarDirection> {
    static constexpr const char* type = "ST_BarDir";
    static constexpr SchemaToken<BarDirection> tokens[] = {{BarDirection::Bar, "bar"},
                                                           {BarDirection::Column, "col"}};
};

// c:shape of a 3-D bar group or series.
enum class BarShape { Cone, ConeToMax, Box, Cylinder, Pyramid, PyramidToMax };
template <>
struct SchemaEnum<BarShape> {
    static constexpr const char* type = "ST_Shape";
    static constexpr SchemaToken<BarShape> tokens[] = {
        {BarShape::Cone, "cone"},       {BarShape::ConeToMax, "coneToMax"},
        {BarShape::Box, "box"},         {BarShape::Cylinder, "cylinder"},
        {BarShape::Pyramid, "pyramid"}, {BarShape::PyramidToMax, "pyramidToMax"}};
};

// c:ofPieType: what the split-off points are drawn as.
enum class OfPieType { Pie, Bar };
template <>
struct SchemaEnum<OfPieType> {
    static constexpr const char* type = "ST_OfPieType";
    static constexpr SchemaToken<OfPieType> tokens[] = {{OfPieType::Pie, "pie"},
                                                        {OfPieType::Bar, "bar"}};
};

// c:axPos.
enum class AxisPosition { Bottom, Left, Right, Top };
template <>
struct SchemaEnum<AxisPosition> {
    static constexpr const char* type = "ST_AxPos";
    static constexpr SchemaToken<AxisPosition> tokens[] = {{AxisPosition::Bottom, "b"},
                                                           {AxisPosition::Left, "l"},
                                                           {AxisPosition::Right, "r"},
                                                           {AxisPosition::Top, "t"}};
};

// c:crosses: where on its partner an axis crosses.
enum class Crosses { AutoZero, Max, Min };
template <>
struct SchemaEnum<Crosses> {
    static constexpr const char* type = "ST_Crosses";
    static constexpr SchemaToken<Crosses> tokens[] = {
        {Crosses::AutoZero, "autoZero"}, {Crosses::Max, "max"}, {Crosses::Min, "min"}};
};

// c:crossBetween: a value axis crossing between categories or at their middles.
enum class CrossBetween { Between, MidCategory };
template <>
struct SchemaEnum<CrossBetween> {
    static constexpr const char* type = "ST_CrossBetween";
    static constexpr SchemaToken<CrossBetween> tokens[] = {{CrossBetween::Between, "between"},
                                                           {CrossBetween::MidCategory, "midCat"}};
};

// c:majorTickMark, c:minorTickMark.
enum class TickMark { Cross, In, None, Out };
template <>
struct SchemaEnum<TickMark> {
    static constexpr const char* type = "ST_TickMark";
    static constexpr SchemaToken<TickMark> tokens[] = {{TickMark::Cross, "cross"},
                                                       {TickMark::In, "in"},
                                                       {TickMark::None, "none"},
                                                       {TickMark::Out, "out"}};
};

// c:tickLblPos.
enum class TickLabelPosition { High, Low, NextTo, None };
template <>
struct SchemaEnum<TickLabelPosition> {
    static constexpr const char* type = "ST_TickLblPos";
    static constexpr SchemaToken<TickLabelPosition> tokens[] = {
        {TickLabelPosition::High, "high"},
        {TickLabelPosition::Low, "low"},
        {TickLabelPosition::NextTo, "nextTo"},
        {TickLabelPosition::None, "none"}};
};

// c:baseTimeUnit, c:majorTimeUnit, c:minorTimeUnit of a date axis.
enum class TimeUnit { Days, Months, Years };
template <>
struct SchemaEnum<TimeUnit> {
    static constexpr const char* type = "ST_TimeUnit";
    static constexpr SchemaToken<TimeUnit> tokens[] = {
        {TimeUnit::Days, "days"}, {TimeUnit::Months, "months"}, {TimeUnit::Years, "years"}};
};

// c:dispUnits/c:builtInUnit.
enum class BuiltInUnit {
    Hundreds,
    Thousands,
    TenThousands,
    HundredThousands,
    Millions,
    TenMillions,
    HundredMillions,
    Billions,
    Trillions
};
template <>
struct SchemaEnum<BuiltInUnit> {
    static constexpr const char* type = "ST_BuiltInUnit";
    static constexpr SchemaToken<BuiltInUnit> tokens[] = {
        {BuiltInUnit::Hundreds, "hundreds"},
        {BuiltInUnit::Thousands, "thousands"},
        {BuiltInUnit::TenThousands, "tenThousands"},
        {BuiltInUnit::HundredThousands, "hundredThousands"},
        {BuiltInUnit::Millions, "millions"},
        {BuiltInUnit::TenMillions, "tenMillions"},
        {BuiltInUnit::HundredMillions, "hundredMillions"},
        {BuiltInUnit::Billions, "billions"},
        {BuiltInUnit::Trillions, "trillions"}};
};

// c:scaling/c:orientation: minMax runs from the axis's start, maxMin reverses it.
enum class Orientation { MaxMin, MinMax };
template <>
struct SchemaEnum<Orientation> {
    static constexpr const char* type = "ST_Orientation";
    static constexpr SchemaToken<Orientation> tokens[] = {{Orientation::MaxMin, "maxMin"},
                                                          {Orientation::MinMax, "minMax"}};
};

// c:legendPos.
enum class LegendPosition { Bottom, TopRight, Left, Right, Top };
template <>
struct SchemaEnum<LegendPosition> {
    static constexpr const char* type = "ST_LegendPos";
    static constexpr SchemaToken<LegendPosition> tokens[] = {{LegendPosition::Bottom, "b"},
                                                             {LegendPosition::TopRight, "tr"},
                                                             {LegendPosition::Left, "l"},
                                                             {LegendPosition::Right, "r"},
                                                             {LegendPosition::Top, "t"}};
};

// c:dispBlanksAs: what a missing value is drawn as.
enum class DisplayBlanksAs { Span, Gap, Zero };
template <>
struct SchemaEnum<DisplayBlanksAs> {
    static constexpr const char* type = "ST_DispBlanksAs";
    static constexpr SchemaToken<DisplayBlanksAs> tokens[] = {{DisplayBlanksAs::Span, "span"},
                                                              {DisplayBlanksAs::Gap, "gap"},
                                                              {DisplayBlanksAs::Zero, "zero"}};
};

}  // namespace engine::chart
