#pragma once

#include "engine/chartdraw/AxisScale.h"
#include "engine/chartdraw/ChartFormats.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartmodel/ChartKind.h"
#include "engine/numfmt/NumberFormat.h"

#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

// The first stage of drawing a chart: the data each series shows, the scale of each axis and
// where every element of the chart goes for a given size (title, legend and its entries, plot
// area, axes with their labels and titles). Positions are points from the chart's top-left.
// The scene stage (ChartSceneBuilder.cpp) draws from this.

namespace engine::chart {

// The numbers of a data source by point index, NaN where a point is missing or not a number.
std::vector<double> numbersOf(const DataSource* source);

// Measures text in points with the font that draws it.
QSizeF measureText(const QString& text, const TextStyle& style);
// Breaks text into lines no wider than maxWidth (at spaces; a word wider than that stands alone).
QStringList wrapText(const QString& text, const TextStyle& style, double maxWidth);

// A block of text placed in the chart: lines centred in `rect` (unrotated), drawn rotated by
// `angle` degrees about the rect's centre.
struct TextBlock {
    QStringList lines;
    TextStyle style;
    QRectF rect;
    double angle = 0;
    double lineHeight = 0;
};

// Number formats as the spreadsheet shows them (the model has its own NumberFormat, c:numFmt).
using Format = engine::NumberFormat;

struct SeriesData {
    const Series* series = nullptr;
    int position = 0;    // among all series of the plot area
    int colorIndex = 0;  // c:idx
    QString name;
    std::vector<double> values;  // by point index; NaN where a point is missing
    std::vector<double> xs;      // scatter and bubble: x values (1, 2, 3... when not numbers)
    std::vector<double> sizes;   // bubble sizes
    QString formatCode;          // the value cache's format code
};

struct AxisLayout;

struct GroupData {
    const ChartGroup* group = nullptr;
    std::vector<SeriesData> series;
    AxisLayout* categoryAxis = nullptr;  // x axis of scatter and bubble charts
    AxisLayout* valueAxis = nullptr;
    bool horizontal = false;  // bars along x (c:barDir bar)
    bool stacked = false;
    bool percent = false;
    bool polar = false;       // pie, doughnut, of-pie, radar
};

struct AxisTick {
    double position = 0;  // coordinate along the axis
    double value = 0;     // value, or category index
    QString text;
};

// A group of categories under one label of an outer level of a multi-level category axis.
struct CategoryGroup {
    int first = 0, last = 0;  // category indices
    QString text;
};

struct AxisLayout {
    const Axis* axis = nullptr;
    int index = 0;  // in the plot area's axis list
    bool horizontal = true;
    bool numeric = false;  // a value scale (value axes, scatter x axes, date axes as dates)
    bool date = false;
    bool visible = true;   // not deleted
    bool reversed = false;
    bool secondary = false;
    bool logarithmic = false;
    double logBase = 10;
    AxisScale scale;
    // Categories: count, whether points sit between tick marks, and the texts.
    int categoryCount = 0;
    bool between = true;
    QStringList categories;  // see categoryLabel
    double unitDivisor = 1;
    QString unitLabel;
    Format format;
    DateSystem dates = DateSystem::Date1900;
    NumberSymbols numbers;
    // Where it is: the coordinates along the axis of its two ends (lo for the minimum or the
    // first category edge), and the perpendicular coordinate of its line.
    double lo = 0, hi = 1;
    double line = 0;
    bool labelsLowSide = true;  // labels left of a vertical axis / below a horizontal one
    double labelLine = 0;       // perpendicular coordinate the labels hang from
    TextStyle labelStyle;
    double labelAngle = 0;
    int labelSkip = 1;          // label every labelSkip-th category
    int stride = 1;             // categories between candidate ticks (many categories)
    // Date axes: the slot of each point (-1 for a point without a date) and the labelled slots.
    std::vector<double> dateSlots;
    std::vector<std::pair<double, QString>> dateTicks;
    // The outer levels of a multi-level category axis, from the inner one out; a horizontal
    // axis shows each as a row under its labels.
    std::vector<std::vector<CategoryGroup>> outerLevels;
    double innerLabelDepth = 0; // the depth of the labels proper, without outer levels
    double labelWrapWidth = 0;  // category labels broken into lines this wide; 0: whole
    double labelExtent = 0;     // the labels' depth away from the axis
    std::vector<AxisTick> majorTicks;
    std::vector<double> minorTicks;
    std::optional<TextBlock> title;
    std::optional<TextBlock> unitTitle;
    AxisLayout* cross = nullptr;

    // The coordinate of a value (numeric axes) or of category i's centre (category axes).
    double map(double value) const;
    double categoryCenter(double index) const;
    // The category slot of point `point`: its own index, or on a date axis its date's slot.
    double slot(int point) const;
    double categoryWidth() const;
    // The value this axis crosses its partner at, in the partner's terms.
    double crossValueOn(const AxisLayout& partner) const;
    QString labelFor(double value) const;
};

struct LegendItem {
    // What the entry stands for: a series, one point of a series whose colours vary by point, or
    // one of a series' trendlines.
    enum class Kind { Series, Point, Trendline };
    Kind kind = Kind::Series;
    QStringList lines;
    QRectF keyRect;
    QRectF textRect;
    int series = -1;     // series position
    int point = -1;      // the point's index (Kind::Point)
    int trendline = -1;  // the index in the series' trendlines (Kind::Trendline)
    const SeriesData* data = nullptr;
    const GroupData* group = nullptr;
};

struct LegendLayout {
    QRectF rect;
    TextStyle style;
    double lineHeight = 0;
    std::vector<LegendItem> items;
};

// A data table under the plot area: below the category labels of a horizontal category axis,
// a row per series of its values, a column per category, the series' names in a column left of
// the plot area.
struct DataTableLayout {
    const AxisLayout* axis = nullptr;  // the category axis it hangs from
    QRectF rows;                       // the series' rows, name column included
    double nameWidth = 0;              // the name column, left of the plot area
    double rowHeight = 0;
    double padding = 0;                // between a cell's edges and its text
    double keySide = 0;                // a key's side, when keys are shown
    TextStyle style;
    bool horizontalBorders = false, verticalBorders = false, outline = false, keys = false;
    std::vector<std::pair<const GroupData*, const SeriesData*>> series;  // a row each, top down
};

struct ChartLayout {
    QSizeF size;
    QRectF plotOuter;  // with axis labels and titles
    QRectF plot;       // the data rectangle
    std::optional<TextBlock> title;
    std::optional<LegendLayout> legend;
    std::optional<DataTableLayout> dataTable;
    std::vector<GroupData> groups;
    std::vector<std::unique_ptr<AxisLayout>> axes;
    QStringList categories;  // the chart's category texts (fewer than the categories when some have none)
    int categoryCount = 0;
    DateSystem dates = DateSystem::Date1900;
    NumberSymbols numbers;  // the separators labels show numbers with
};

ChartLayout layoutChart(const ChartSpace& chart, const ChartFormats& formats, QSizeF size);

// Places the chart's legend (into layout.legend) within `free`, the room left after the title,
// and takes the room it needs from `free` unless it overlays the plot or is placed by hand.
// Reads layout.groups, layout.categories, layout.title and layout.size. (ChartLegend.cpp)
void placeLegend(const ChartSpace& chart, const ChartFormats& formats, ChartLayout& layout, QRectF& free);

// A square legend key's side per point of its font (legends and data tables).
inline constexpr double kLegendKeyPerPoint = 0.5;

// The height of a line of text in `style`, in points.
double lineHeightOf(const TextStyle& style);
// Where a manual layout puts an element whose automatic place is `automatic`.
QRectF placeManually(const ManualLayout& m, const QRectF& automatic, QSizeF chart);
// The manual layout of an element, null when it has none.
const ManualLayout* manualOf(const std::optional<Layout>& layout);

// The text an automatic title shows, "" when the chart shows none.
QString titleText(const FormatResolver& resolver, bool* shown);

// The text of category `index`: its own, else its number (1-based), as the applications show it.
QString categoryLabel(const QStringList& texts, int index);

}  // namespace engine::chart
