#pragma once

#include "engine/chartmodel/ChartEnums.h"
#include "engine/drawingml/Color.h"
#include "engine/drawingml/ShapeProperties.h"
#include "engine/drawingml/TextProperties.h"
#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <string_view>
#include <vector>

// A chart part (c:chartSpace) as a read-only model: what the file says, element by element, with
// what it leaves out marked as absent (an absent element or attribute is a nullopt or an empty
// string, never its default: what absence means is for the format resolver to decide, by
// producer and element). Elements the model does not know stay in the part untouched; nothing
// here ever writes a part.
//
// Boolean, number and enumerated elements written without their val attribute
// (<c:autoTitleDeleted/>) are present with the schema's default value ("true", 150...), as the
// schema says. Enumerated values are parsed once, here (ChartEnums.h): an element whose val is
// no token of its schema type is kept as absent.
//
// Data caches hold the points the file holds, nothing more: c:ptCount is recorded, never used to
// size anything, so a part claiming two billion points costs what its points cost.

namespace engine::chart {

using drawingml::Color;
using drawingml::ShapeProperties;
using drawingml::TextBody;

// c:manualLayout.
struct ManualLayout {
    std::optional<LayoutTarget> layoutTarget;
    std::optional<LayoutMode> xMode;
    std::optional<LayoutMode> yMode;
    std::optional<LayoutMode> wMode;
    std::optional<LayoutMode> hMode;
    std::optional<double> x;
    std::optional<double> y;
    std::optional<double> w;
    std::optional<double> h;
};
// c:layout: present and empty means "laid out automatically".
struct Layout {
    std::optional<ManualLayout> manual;
};

struct NumberFormat {
    QString formatCode;
    std::optional<bool> sourceLinked;
};

struct NumericPoint {
    int index = 0;
    double value = 0;
    QString formatCode;  // the point's own format code, rarely written; empty otherwise
};
struct NumericCache {  // c:numCache or c:numLit
    QString formatCode;
    std::optional<int> pointCount;  // c:ptCount as written; never an allocation size
    std::vector<NumericPoint> points;  // in document order

    // The values by point index, NaN where a point is missing; as long as the last point
    // present (and no longer than pointCount says), and never longer than twice the points
    // present plus 1024, so a sparse or lying cache cannot blow it up.
    std::vector<double> dense() const;
};

struct StringPoint {
    int index = 0;
    QString text;
};
struct StringCache {  // c:strCache, c:strLit, one c:lvl of a multi-level cache
    std::optional<int> pointCount;
    std::vector<StringPoint> points;

    // The texts by point index, bounded like NumericCache::dense; "" where a point is missing.
    std::vector<QString> dense() const;
    // The text of the first point (a series name's cache); "" when there is none.
    QString first() const;
};

struct MultiLevelCache {  // c:multiLvlStrCache
    std::optional<int> pointCount;
    std::vector<StringCache> levels;  // as written: the first is the innermost (the leaves)
};

// A data source: c:cat, c:val, c:xVal, c:yVal, c:bubbleSize, c:plus, c:minus.
struct DataSource {
    enum class Kind { NumberReference, StringReference, MultiLevelReference, NumberLiteral, StringLiteral };
    Kind kind = Kind::NumberReference;
    QString formula;  // c:f of a reference; "" for literals
    std::optional<NumericCache> numbers;
    std::optional<StringCache> strings;
    std::optional<MultiLevelCache> multiLevel;
    std::optional<bool> noMultiLevelLabels;  // c:multiLvlStrRef's extension, as written
};

// A text that is literal or taken from a cell (c:tx of a series, a title, a data label).
struct TextSource {
    QString formula;                   // c:strRef/c:f
    std::optional<StringCache> cache;  // c:strRef/c:strCache
    std::optional<QString> literal;    // c:v
    std::optional<TextBody> rich;      // c:rich
    QString text() const;              // the rich text, the literal, or the cached text
};

struct Title {
    std::optional<TextSource> text;  // c:tx; absent for an automatic title
    std::optional<Layout> layout;
    std::optional<bool> overlay;
    std::optional<ShapeProperties> shape;
    std::optional<TextBody> textProperties;  // c:txPr
};

struct Marker {
    std::optional<MarkerSymbol> symbol;
    std::optional<int> size;
    std::optional<ShapeProperties> shape;
};

struct DataPoint {
    int index = 0;
    std::optional<bool> invertIfNegative;
    std::optional<Marker> marker;
    std::optional<bool> bubble3D;
    std::optional<int> explosion;
    std::optional<ShapeProperties> shape;
};

// What data labels show and how; shared by the group, series and point levels.
struct DataLabelContent {
    std::optional<NumberFormat> numberFormat;
    std::optional<ShapeProperties> shape;
    std::optional<TextBody> textProperties;
    std::optional<DataLabelPosition> position;  // c:dLblPos
    std::optional<bool> showLegendKey;
    std::optional<bool> showValue;
    std::optional<bool> showCategoryName;
    std::optional<bool> showSeriesName;
    std::optional<bool> showPercent;
    std::optional<bool> showBubbleSize;
    std::optional<QString> separator;
};
struct DataLabel : DataLabelContent {
    int index = 0;
    bool deleted = false;  // c:delete val="1": this point has no label
    std::optional<Layout> layout;
    std::optional<TextSource> text;  // c:tx: a label with its own text
};
struct DataLabels : DataLabelContent {
    std::vector<DataLabel> labels;
    std::optional<bool> deleted;
    std::optional<bool> showLeaderLines;
    std::optional<ShapeProperties> leaderLines;  // c:leaderLines/c:spPr
    bool hasLeaderLines = false;                 // c:leaderLines present
};

struct TrendlineLabel {
    std::optional<Layout> layout;
    std::optional<TextSource> text;
    std::optional<NumberFormat> numberFormat;
    std::optional<ShapeProperties> shape;
    std::optional<TextBody> textProperties;
};
struct Trendline {
    QString name;
    std::optional<ShapeProperties> shape;
    std::optional<TrendlineType> type;
    std::optional<int> order;
    std::optional<int> period;
    std::optional<double> forward;
    std::optional<double> backward;
    std::optional<double> intercept;
    std::optional<bool> displayRSquared;
    std::optional<bool> displayEquation;
    std::optional<TrendlineLabel> label;
};

struct ErrorBars {
    std::optional<ErrorBarDirection> direction;
    std::optional<ErrorBarType> barType;
    std::optional<ErrorValueType> valueType;
    std::optional<bool> noEndCap;
    std::optional<DataSource> plus;
    std::optional<DataSource> minus;
    std::optional<double> value;
    std::optional<ShapeProperties> shape;
};

struct Series {
    int index = 0;  // c:idx
    int order = 0;  // c:order
    std::optional<TextSource> text;  // c:tx
    std::optional<ShapeProperties> shape;
    std::optional<bool> invertIfNegative;
    std::optional<BarShape> shape3D;  // c:shape of bar3D series
    std::optional<Marker> marker;
    std::vector<DataPoint> points;
    std::optional<DataLabels> labels;
    std::vector<Trendline> trendlines;
    std::vector<ErrorBars> errorBars;
    std::optional<DataSource> categories;  // c:cat
    std::optional<DataSource> values;      // c:val
    std::optional<DataSource> xValues;     // c:xVal
    std::optional<DataSource> yValues;     // c:yVal
    std::optional<DataSource> bubbleSizes;
    std::optional<bool> smooth;
    std::optional<int> explosion;
    std::optional<bool> bubble3D;

    // The category-like and value-like sources whatever the chart kind: cat or xVal, val or yVal.
    const DataSource* categoryData() const;
    const DataSource* valueData() const;
};

// Lines a chart group may draw (hiLowLines, dropLines, serLines): present, with their look.
struct ChartLines {
    std::optional<ShapeProperties> shape;
};
struct UpDownBars {
    std::optional<int> gapWidth;
    std::optional<ShapeProperties> upBars;
    std::optional<ShapeProperties> downBars;
    bool hasUpBars = false;
    bool hasDownBars = false;
};

// One chart group of the plot area (c:barChart, c:pieChart...).
struct ChartGroup {
    enum class Kind {
        Bar, Bar3D, Line, Line3D, Area, Area3D, Pie, Pie3D, Doughnut, OfPie, Scatter, Bubble,
        Radar, Stock, Surface, Surface3D
    };
    Kind kind = Kind::Bar;
    std::optional<BarDirection> barDirection;
    std::optional<Grouping> grouping;
    std::optional<bool> varyColors;
    std::optional<int> gapWidth;
    std::optional<int> gapDepth;
    std::optional<int> overlap;
    std::optional<BarShape> shape;  // bar3D
    std::optional<int> holeSize;
    std::optional<int> firstSliceAngle;
    std::optional<OfPieType> ofPieType;
    std::optional<SplitType> splitType;
    std::optional<double> splitPosition;
    std::optional<int> secondPieSize;
    std::optional<ScatterStyle> scatterStyle;
    std::optional<RadarStyle> radarStyle;
    std::optional<int> bubbleScale;
    std::optional<bool> showNegativeBubbles;
    std::optional<bool> bubble3D;
    std::optional<bool> wireframe;
    std::optional<bool> marker;  // c:marker of line charts: markers shown at all
    std::optional<ChartLines> hiLowLines;
    std::optional<ChartLines> dropLines;
    std::vector<ChartLines> seriesLines;
    std::optional<UpDownBars> upDownBars;
    std::optional<DataLabels> labels;
    std::vector<Series> series;
    std::vector<unsigned> axisIds;

    // The name office suites give the kind ("Column", "Bar", "Line", "Pie", "3-D Pie"...).
    QString kindName() const;
};

// The kind of chart group a plot area's child of this local name (in the chart namespace) is:
// "barChart" is Bar, "pie3DChart" Pie3D...; nullopt for every other child.
std::optional<ChartGroup::Kind> chartGroupKindOf(std::string_view local);

struct DisplayUnits {
    std::optional<BuiltInUnit> builtIn;
    std::optional<double> custom;
    std::optional<Title> label;     // c:dispUnitsLbl
    bool hasLabel = false;
};

struct Axis {
    enum class Kind { Category, Value, Date, Series };
    Kind kind = Kind::Value;
    unsigned id = 0;
    std::optional<Orientation> orientation;  // c:scaling/c:orientation
    std::optional<double> minimum;
    std::optional<double> maximum;
    std::optional<double> logBase;
    std::optional<bool> deleted;
    std::optional<AxisPosition> position;  // c:axPos
    std::optional<ChartLines> majorGridlines;
    std::optional<ChartLines> minorGridlines;
    std::optional<Title> title;
    std::optional<NumberFormat> numberFormat;
    std::optional<TickMark> majorTickMark;
    std::optional<TickMark> minorTickMark;
    std::optional<TickLabelPosition> tickLabelPosition;
    std::optional<ShapeProperties> shape;
    std::optional<TextBody> textProperties;
    std::optional<unsigned> crossAxis;
    std::optional<Crosses> crosses;
    std::optional<double> crossesAt;
    std::optional<CrossBetween> crossBetween;
    std::optional<double> majorUnit;
    std::optional<double> minorUnit;
    std::optional<TimeUnit> baseTimeUnit;
    std::optional<TimeUnit> majorTimeUnit;
    std::optional<TimeUnit> minorTimeUnit;
    std::optional<DisplayUnits> displayUnits;
    std::optional<bool> automatic;  // c:auto
    std::optional<LabelAlignment> labelAlignment;  // c:lblAlgn
    std::optional<int> labelOffset;
    std::optional<int> tickLabelSkip;
    std::optional<int> tickMarkSkip;
    std::optional<bool> noMultiLevelLabels;
};

struct LegendEntry {
    int index = 0;
    std::optional<bool> deleted;
    std::optional<TextBody> textProperties;
};
struct Legend {
    std::optional<LegendPosition> position;
    std::vector<LegendEntry> entries;
    std::optional<Layout> layout;
    std::optional<bool> overlay;
    std::optional<ShapeProperties> shape;
    std::optional<TextBody> textProperties;
};

struct View3D {
    std::optional<int> rotateX;
    std::optional<int> rotateY;
    std::optional<int> heightPercent;
    std::optional<int> depthPercent;
    std::optional<bool> rightAngleAxes;
    std::optional<int> perspective;
};

// A floor or wall of a 3-D chart.
struct Surface {
    std::optional<int> thickness;
    std::optional<ShapeProperties> shape;
};

// c:dTable: a table of the series' values under the plot area. An absent switch is off.
struct DataTable {
    std::optional<bool> horizontalBorders;  // c:showHorzBorder
    std::optional<bool> verticalBorders;    // c:showVertBorder
    std::optional<bool> outline;            // c:showOutline
    std::optional<bool> keys;               // c:showKeys: legend keys beside the series' names
};

struct PlotArea {
    std::optional<Layout> layout;
    std::vector<ChartGroup> groups;
    std::vector<Axis> axes;
    std::optional<ShapeProperties> shape;
    bool hasDataTable = false;  // c:dTable present
    std::optional<DataTable> dataTable;

    const Axis* axisById(unsigned id) const;
};

struct Chart {
    std::optional<Title> title;
    std::optional<bool> autoTitleDeleted;
    std::optional<View3D> view3D;
    std::optional<Surface> floor;
    std::optional<Surface> sideWall;
    std::optional<Surface> backWall;
    PlotArea plotArea;
    std::optional<Legend> legend;
    std::optional<bool> plotVisibleOnly;
    std::optional<DisplayBlanksAs> displayBlanksAs;
};

struct ChartSpace {
    std::optional<bool> date1904;
    std::optional<QString> language;
    std::optional<bool> roundedCorners;
    std::optional<int> style;             // c:style (the fallback, when in alternate content)
    std::optional<int> office2010Style;   // c14:style of the alternate content's choice
    std::optional<drawingml::ColorMap> colorMapOverride;
    std::optional<ShapeProperties> shape;
    std::optional<TextBody> textProperties;
    QString externalDataRelId;  // c:externalData r:id; "" when absent
    std::optional<bool> autoUpdate;
    QString userShapesRelId;    // c:userShapes r:id; "" when absent
    Chart chart;

    // Every series of every group, in plot-area order.
    std::vector<const Series*> allSeries() const;
};

// Reads a chart part. Throws DocumentError naming file and part: malformed XML (corrupt, or over
// a limit when nested too deep) or a root that is not c:chartSpace with a c:chart (unsupported;
// a chartEx part, cx:chartSpace, is one).
// What a read may leave out: a reader that needs a chart's structure and formulas but not the
// numbers its caches hold (they come from the sheets) is spared the cost of every point. Number
// caches then keep their format code and point count, and no points.
struct ReadOptions {
    bool numberCachePoints = true;
};
ChartSpace readChartSpace(const QByteArray& xml, const QString& file, const QString& part,
                          const Limits& limits = {}, ReadOptions options = {});
// The same from a part already parsed (parseXml), for an editor that reads the model and then
// changes the document without parsing it twice.
ChartSpace readChartSpace(const pugi::xml_document& doc, const QString& file, const QString& part,
                          ReadOptions options = {});

}  // namespace engine::chart
