#pragma once

#include "engine/chartmodel/ChartModel.h"
#include "engine/drawingml/Theme.h"
#include "engine/numfmt/NumberFormat.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// The effective format of every element of a chart: what the application that wrote the source
// shows, resolved from the element's own properties (c:spPr, c:txPr), the chart's style (c:style
// 1 to 48, or the c14 form 101 to 148), the theme's format scheme (subtle, moderate and intense
// lines, fills and effects, picked as a:lnRef, a:fillRef and a:effectRef pick them), the colour
// cycle of the style, varyColors, and the producer's meaning of elements the file leaves out.
//
// Everything a resolver answers is resolved: colours are sRGB with opacity, widths are points,
// typefaces are real family names (never "+mn-lt"), sizes are points. Both the renderer and the
// paste (which writes these answers into the pasted chart) ask the same resolver, so what the
// program draws and what other readers draw agree.

namespace engine::chart {

using drawingml::Rgba;

// The application that wrote a document, from its docProps/app.xml. What an absent chart
// element means depends on it: Office 2007 (a Microsoft application at version 12) gave many
// absent elements a meaning other than the schema's default (no minor tick marks, no smoothing,
// data labels showing nothing they do not name, no trendline equation...), and readers still
// switch on it. Any other producer, and an unknown one, means the schema's defaults.
struct Producer {
    QString application;  // Application, as written ("Microsoft Excel"); "" when unknown
    QString version;      // AppVersion, as written ("12.0000")

    static Producer unknown() { return {}; }
    bool isUnknown() const { return application.isEmpty(); }
    bool isMicrosoft() const;
    bool isLibreOffice() const;
    // Office 2007: a Microsoft application whose version is 12.x.
    bool is2007() const;
};
// Reads Application and AppVersion from docProps/app.xml. Never throws: missing, empty or
// malformed properties give the unknown producer.
Producer producerFromAppXml(const QByteArray& appXml);

// Where a chart is shown. The hosts differ in what they give a chart that says nothing: the
// workbook's text is 10 pt with an 18 pt title and its chart area has a border; a slide's text is
// 18 pt and its chart area has none.
enum class ChartHost { Workbook, Slide };

struct RenderContext {
    drawingml::Theme theme;  // the host's theme already merged with the chart's theme override
    drawingml::ColorMap colorMap = drawingml::ColorMap::standard();  // c:clrMapOvr or the host's
    ChartHost host = ChartHost::Workbook;
    Producer producer;
    // What the decimal point and thousands separator of number formats show as: the user's
    // region unless a caller (a reproducible picture, a test) names another.
    NumberSymbols numbers = NumberSymbols::of(QLocale());
};

// The context a chart is drawn in: the host theme (bytes of an a:theme part; empty for none)
// with the chart's theme override (bytes of an a:themeOverride; empty for none) put over it, and
// the chart's c:clrMapOvr, else the host's colour map. Throws DocumentError naming file and part
// when a theme part is malformed.
RenderContext makeRenderContext(const ChartSpace& chart, const QByteArray& hostTheme,
                                const QByteArray& themeOverride, ChartHost host, Producer producer,
                                const drawingml::ColorMap& hostColorMap = drawingml::ColorMap::standard(),
                                const QString& file = QString());

// Office's default theme of 2007-2010 (colours, Calibri/Cambria, and its format scheme), used for
// whatever scheme a context's theme leaves out.
const drawingml::Theme& fallbackTheme();

struct ResolvedGradientStop {
    double position = 0;  // 0..1
    Rgba color;
};

struct ResolvedFill {
    enum class Kind { None, Solid, Gradient, Pattern, Picture };
    Kind kind = Kind::None;
    Rgba color;       // Solid; the foreground of a pattern; the first stop of a gradient
    Rgba background;  // Pattern
    QString pattern;  // Pattern: a:pattFill prst
    std::vector<ResolvedGradientStop> stops;  // Gradient, ascending positions
    double angle = 0;       // linear gradient: degrees clockwise from left-to-right
    bool scaled = false;    // a:lin scaled
    QString path;           // "" for linear, else "circle", "rect" or "shape"
    QString blipRelId;      // Picture: the relationship of the chart part naming the picture
    bool visible() const { return kind != Kind::None; }
};

struct ResolvedLine {
    bool visible = false;
    double width = 0.75;  // points
    ResolvedFill fill;    // Solid (or Gradient, drawn in its first colour by simple painters)
    Rgba color;           // the line's colour: the solid fill, or the first gradient stop
    QString dash = QStringLiteral("solid");  // a:prstDash value, "solid" when none applies
    std::vector<std::pair<double, double>> customDash;  // dash and space, in line widths
    QString cap = QStringLiteral("flat");     // "flat", "rnd", "sq"
    QString join = QStringLiteral("round");   // "round", "bevel", "miter"
    QString compound = QStringLiteral("sng");
    QString headEnd = QStringLiteral("none");  // a:headEnd type
    QString tailEnd = QStringLiteral("none");
};

struct ResolvedShadow {
    Rgba color;
    double blurRadius = 0;  // points
    double distance = 0;    // points
    double direction = 0;   // degrees
};

struct ResolvedShape {
    ResolvedFill fill;
    ResolvedLine line;
    std::optional<ResolvedShadow> shadow;
    std::optional<double> bevel;  // the top bevel's width in points, when the shape has one
};

struct ResolvedText {
    QString typeface;  // a family name, theme references resolved
    // The theme font the face is ("+mn-lt", "+mj-lt"), when the theme gave it; empty for a face
    // named outright.
    QString typefaceReference;
    double size = 10;  // points
    bool bold = false;
    bool italic = false;
    QString underline = QStringLiteral("none");
    bool strike = false;
    Rgba color;
    // Degrees, clockwise; nullopt when the element rotates automatically (or not at all).
    std::optional<double> rotation;
};

struct ResolvedMarker {
    bool visible = false;
    MarkerSymbol symbol = MarkerSymbol::None;  // never Auto: the automatic symbol is resolved
    int size = 5;                            // points, 2..72
    ResolvedShape shape;
};

struct ResolvedDataLabel {
    bool showValue = false;
    bool showCategoryName = false;
    bool showSeriesName = false;
    bool showPercent = false;
    bool showBubbleSize = false;
    bool showLegendKey = false;
    QString separator;  // between the shown parts; ", " unless the chart says
    DataLabelPosition position = DataLabelPosition::BestFit;  // the kind's default when the chart names none
    ResolvedText text;
    ResolvedShape shape;
    bool visible() const {
        return showValue || showCategoryName || showSeriesName || showPercent || showBubbleSize;
    }
};

// Answers how each element of one chart looks in one context. Holds a reference to the chart:
// the chart must outlive the resolver. Groups, series, axes and trendlines passed to it must be
// the chart's own (elements of another chart give answers for an element of that kind, not
// an error). Cheap to construct (no per-point work); every answer is computed on request.
class FormatResolver {
public:
    FormatResolver(const ChartSpace& chart, const RenderContext& context);

    const ChartSpace& chart() const { return m_chart; }
    const RenderContext& context() const { return m_context; }
    const drawingml::Theme& theme() const { return m_theme; }

    // The style number 1..48 (c14's 101..148 counted as 1..48, an absent style as 2).
    int style() const { return m_style; }
    // Whether the style came in the c14 form (Office 2010 meaning: 18 pt title, 75 % tinted axes).
    bool office2010Style() const { return m_office2010; }

    // Colours and schemes.
    Rgba color(const drawingml::Color& color, const std::optional<Rgba>& placeholder = std::nullopt) const;
    ResolvedFill fill(const drawingml::Fill& fill, const std::optional<Rgba>& placeholder = std::nullopt) const;

    // Booleans and choices the file may leave out, with the producer's meaning.
    bool varyColors(const ChartGroup& group) const;
    // Whether the points of this group's series take their own colours (varyColors on any pie,
    // or on the lone series of a bar or bubble chart).
    bool variesByPoint(const ChartGroup& group) const;
    // Whether the legend lists the group's points (categories) rather than its series: a pie's
    // always, any other group's where its colours vary by point.
    bool legendListsPoints(const ChartGroup& group) const;
    bool smooth(const ChartGroup& group, const Series& series) const;
    bool groupShowsMarkers(const ChartGroup& group) const;  // c:marker of line groups
    Grouping grouping(const ChartGroup& group) const;
    bool axisDeleted(const Axis& axis) const;
    TickMark majorTickMark(const Axis& axis) const;
    TickMark minorTickMark(const Axis& axis) const;
    DisplayBlanksAs displayBlanksAs() const;
    bool invertIfNegative(const Series& series) const;
    // Whether the group's series are filled shapes (bars, areas, pies, bubbles, filled radar)
    // rather than lines.
    bool drawsFilled(const ChartGroup& group) const;

    // The title: explicit, automatic (one named series, no c:title, not deleted; the producer
    // shows the series' name), or none.
    bool titleShown() const;
    bool automaticTitle() const;
    // The series whose name the automatic title shows; nullptr when there is no automatic title.
    const Series* automaticTitleSeries() const;
    bool titleOverlay() const;
    bool legendOverlay() const;

    // Shapes.
    ResolvedShape chartArea() const;
    ResolvedShape plotArea() const;
    ResolvedShape titleShape() const;
    ResolvedShape legendShape() const;
    ResolvedShape axisTitleShape(const Axis& axis) const;
    // The automatic colour of a series (what the style gives it, before its own c:spPr).
    Rgba automaticSeriesColor(const ChartGroup& group, const Series& series) const;
    // The automatic colour of one point of a series whose points vary.
    Rgba automaticPointColor(const ChartGroup& group, const Series& series, int pointIndex) const;
    ResolvedShape series(const ChartGroup& group, const Series& series) const;
    ResolvedShape dataPoint(const ChartGroup& group, const Series& series, int pointIndex) const;
    ResolvedMarker marker(const ChartGroup& group, const Series& series, int pointIndex = -1) const;
    ResolvedLine axisLine(const Axis& axis) const;
    ResolvedLine gridlines(const Axis& axis, bool major) const;
    ResolvedLine trendline(const Series& series, const Trendline& trendline) const;
    ResolvedLine errorBars(const ErrorBars& bars) const;
    // Hi-low, drop, series and leader lines.
    ResolvedLine groupLines(const ChartLines& lines) const;
    ResolvedShape upDownBar(const UpDownBars& bars, bool up) const;
    ResolvedShape floorOrWall(const std::optional<Surface>& surface) const;

    // Trendline labels.
    bool trendlineShowsEquation(const Trendline& trendline) const;
    bool trendlineShowsRSquared(const Trendline& trendline) const;

    // Text.
    double baseTextSize() const;  // the chart's text size: c:txPr, else the host's
    ResolvedText chartText() const;  // the chart-wide text (c:chartSpace/c:txPr over the style)
    ResolvedText titleText() const;
    ResolvedText axisTitleText(const Axis& axis) const;
    ResolvedText axisLabelText(const Axis& axis) const;
    ResolvedText legendText(int entryIndex = -1) const;
    ResolvedText trendlineLabelText(const Trendline& trendline) const;
    ResolvedText displayUnitsText(const Axis& axis) const;

    // Data labels of a point (pointIndex >= 0) or of the series (-1): the point's c:dLbl over
    // the series' c:dLbls, else the group's, with the producer's meaning of absent flags.
    std::optional<ResolvedDataLabel> dataLabel(const ChartGroup& group, const Series& series,
                                               int pointIndex = -1) const;
    // One data-label element resolved on its own: a group's or series' c:dLbls, or one point's
    // c:dLbl within it (point, else nullptr).
    ResolvedDataLabel resolveLabels(const ChartGroup& group, const DataLabels& labels,
                                    const DataLabel* point) const;
    // The data-label position a kind uses when the chart names none.
    DataLabelPosition defaultLabelPosition(const ChartGroup& group) const;

private:
    struct StyleRef {
        int index = 0;  // into the format scheme: 1 subtle, 2 moderate, 3 intense; 0 none
        Rgba color;
    };
    ResolvedShape applyShape(const std::optional<ShapeProperties>& own, const ResolvedShape& base,
                             const std::optional<Rgba>& placeholder = std::nullopt) const;
    ResolvedLine applyLine(const drawingml::Line& own, ResolvedLine base) const;
    // The shadow an effect list gives (none when it has none), its colours resolved with the
    // placeholder colour for phClr.
    void applyEffects(const drawingml::Effects& effects, ResolvedShape& out, const std::optional<Rgba>& placeholder) const;
    ResolvedLine themedLine(int index, Rgba color, double widthFactor = 1) const;
    ResolvedFill themedFill(int index, Rgba color) const;
    ResolvedText textFor(const std::optional<drawingml::TextBody>& own, bool title, bool bold,
                         const drawingml::TextBody* rich = nullptr) const;
    Rgba scheme(drawingml::SchemeSlot slot) const;
    Rgba tinted(drawingml::SchemeSlot slot, double tint) const;
    Rgba styleColorForIndex(int index, int maxIndex) const;
    ResolvedShape styledShape(const ChartGroup& group, Rgba color) const;
    Rgba axisColor() const;
    Rgba otherLinesColor() const;
    Rgba textColor() const;
    int markerSizeDefault() const;
    bool producer2007() const { return m_context.producer.is2007(); }

    const ChartSpace& m_chart;
    RenderContext m_context;
    drawingml::Theme m_theme;  // the context's theme with the fallback's schemes where it has none
    int m_style = 2;
    bool m_office2010 = false;
    int m_maxSeriesIndex = 0;
};

// FormatResolver::dataPoint for the points of one series in turn, for drawing many of them: the
// series' shape is resolved once and given to every point that takes it as it is (no format of
// its own, in a group whose colours do not vary by point), where dataPoint resolves it again
// for each of 200,000 points. The resolver, group and series must outlive it.
class SeriesPointShapes {
public:
    SeriesPointShapes(const FormatResolver& resolver, const ChartGroup& group, const Series& series);
    ResolvedShape at(int pointIndex) const;

private:
    const FormatResolver& m_resolver;
    const ChartGroup& m_group;
    const Series& m_series;
    std::optional<ResolvedShape> m_seriesShape;  // none where the colours vary by point
};

}  // namespace engine::chart
