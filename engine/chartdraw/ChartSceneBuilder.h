// The scene stage of drawing a chart: from the layout to a scene of tagged primitives. One builder
// walks the layout; its work is spread by family over the files of this folder (bars, lines and
// areas; pies; radar and surface; decorations; the legend), which all build into the same scene.
// Owned by buildChartScene for one call; it keeps references to the chart, which must outlive it.

#pragma once

#include "engine/chartdraw/ChartLayout.h"
#include "engine/chartdraw/ChartRenderer.h"
#include "engine/text/RingLabels.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace engine::chart {

class ChartSceneBuilder {
  public:
    ChartSceneBuilder(const ChartSpace& chart, const RenderContext& context, QSizeF size, double pixelsPerPoint)
        : m_chart(chart), m_formats(chart, context), m_size(size),
          m_pixelsPerPoint(std::max(0.01, pixelsPerPoint)) {}

    ChartScene build();

  private:
    using E = SceneTag::Element;
    using K = ChartGroup::Kind;
    static constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

    // ---- shapes and numbers shared by the families

    static SceneTag tagOf(E element, int series = -1, int point = -1, int axis = -1);

    template <class T>
    static const T* byIndex(const std::vector<T>& items, int index) {
        for (const T& item : items)
            if (item.index == index) return &item;
        return nullptr;
    }

    // A smooth curve through the points, as the office applications draw smoothed lines: cubic
    // pieces whose tangents follow the neighbouring points.
    static QPainterPath smoothPath(const std::vector<QPointF>& pts);

    static QPainterPath polyline(const std::vector<QPointF>& pts);

    static QPainterPath markerPath(MarkerSymbol symbol, QPointF c, double size);

    static bool isOpenSymbol(MarkerSymbol symbol);

    // Least-squares polynomial coefficients (c0 + c1 x + ...), or empty when the system is singular.
    static std::vector<double> polyFit(const std::vector<double>& xs, const std::vector<double>& ys, int order,
                                       std::optional<double> intercept);

    // A number as a trendline label shows it: up to five significant digits.
    static QString shortNumber(double v, const NumberSymbols& numbers);

    struct Slice {
        double start = 0;  // degrees clockwise from 12 o'clock
        double sweep = 0;
        double value = 0;
        double share = 0;
        QPointF center;
        double inner = 0, outer = 0;

        // The slice of a value in a circle of `total`, starting at `angle`, which it moves on.
        static Slice next(double value, double total, double& angle) {
            Slice slice;
            slice.value = std::isfinite(value) ? value : 0;
            slice.share = total > 0 ? std::abs(slice.value) / total : 0;
            slice.start = angle;
            slice.sweep = slice.share * 360;
            angle += slice.sweep;
            return slice;
        }
    };

    // ---- primitives

    const FormatResolver& R() const { return m_formats.resolver(); }

    QPainterPath rectPath(const QRectF& r, const ResolvedShape& shape, bool rounded);

    void addPath(const SceneTag& tag, const QPainterPath& path, std::optional<SceneBrush> fill,
                 std::optional<ScenePen> stroke);

    void addShape(const SceneTag& tag, const QPainterPath& path, const ResolvedShape& shape);

    void addLine(const SceneTag& tag, QPointF a, QPointF b, const std::optional<ScenePen>& pen);

    // One line of text with its box's top-left at `topLeft`, turned by angle about `origin`.
    void addText(const SceneTag& tag, const QString& text, const TextStyle& style, QPointF topLeft,
                 double angle = 0, std::optional<QPointF> origin = std::nullopt);

    // Text centred on a point.
    void addCenteredText(const SceneTag& tag, const QString& text, const TextStyle& style, QPointF center,
                         double angle = 0);

    void addBlock(const SceneTag& tag, const TextBlock& block);

    void drawNote(const QString& text);

    // ---- data helpers

    // The colour of band b of a surface's contour view: the style's colour cycle.
    ResolvedFill bandFill(const GroupData& g, int band) const;

    double blankValue(double v) const;

    // Whether a series of a line kind is drawn with its line, in the plot as in its legend key:
    // not a stock series without a line of its own, nor a scatter series of a style without
    // lines or whose line is none.
    bool showsSeriesLine(const GroupData& g, const Series& s) const;

    // Whether the group's series show markers their file does not name: not stock series, not
    // scatter series of a line-only style, radar series only in the marker style.
    bool automaticMarkers(const GroupData& g) const;

    QPointF at(const GroupData& g, double category, double value) const;

    // Per category: the value each series stands at once stacked (and made percent).
    std::vector<std::vector<double>> stackedTops(const GroupData& g, std::vector<std::vector<double>>* bottoms) const;

    // ---- gridlines and axes

    void drawGridlines();

    std::vector<double> categoryBoundaries(const AxisLayout& a) const;

    void drawAxes();

    void drawAxisLabels(const AxisLayout& a);

    // The data table: borders as it asks for them, in the category axis' line colour; each
    // series' name (after its key when asked) and its values, formatted as its cache says.
    void drawDataTable();

    // ---- chart groups

    bool drawGroup(const GroupData& g);

    void drawBars(const GroupData& g);

    void drawLines(const GroupData& g);

    // A run of many more points than the picture has pixel columns, drawn as what it covers:
    // per column, the span from its lowest to its highest point (the first, last, lowest and
    // highest point of each column decide it), widened by the line's width; the columns joined
    // into outlines of 64 columns each (one outline of thousands of columns costs the painter
    // many times more), cut on pixel edges so that no seam shows. At the picture's
    // resolution this is the stroked line itself, at a fraction of the work. Nothing when the
    // run is short enough to stroke.
    std::optional<std::vector<QPainterPath>> columnBand(const std::vector<QPointF>& run, double width) const;

    void drawMarkers(const GroupData& g, const SeriesData& s, const std::vector<std::pair<int, QPointF>>& points,
                     bool automatic);

    void drawAreas(const GroupData& g);

    void drawScatter(const GroupData& g);

    void drawBubbles(const GroupData& g);

    QPainterPath slicePath(const Slice& s) const;

    static QPointF polar(QPointF c, double r, double degreesFromTop);

    void drawPie(const GroupData& g);

    // The slices of ring `ring` of `rings` (a pie has one) about `center` at `radius`.
    std::vector<Slice> ringSlices(const GroupData& g, const SeriesData& s, size_t ring, size_t rings,
                                  QPointF center, double radius) const;

    // Where the labels of a pie, or of a doughnut's outer ring, go at best fit or outside end
    // (into m_pieLabels), and the radius that leaves room for those outside (placeSliceLabels).
    double placePieLabels(const GroupData& g, const std::vector<SeriesData>& rings, QPointF center, double radius);

    void drawOfPie(const GroupData& g);

    void drawRadar(const GroupData& g);

    void drawSurface(const GroupData& g);

    // ---- labels, trendlines, error bars, group lines

    void drawDecorations(const GroupData& g);

    void drawGroupLines(const GroupData& g);

    // The x and y of each point of a series as a fit sees them: categories count 1, 2, 3...
    void seriesXY(const GroupData& g, const SeriesData& s, std::vector<double>& xs, std::vector<double>& ys) const;

    QPointF dataPoint(const GroupData& g, double x, double y) const;

    void drawTrendlines(const GroupData& g, const SeriesData& s);

    QPainterPath clipPolyline(const std::vector<QPointF>& pts) const;

    void drawErrorBars(const GroupData& g, const SeriesData& s);

    // The model's own label of point i (custom text, number format), else the series' or the
    // group's labels; what they show and how comes from the resolver.
    const DataLabelContent* labelContent(const GroupData& g, const SeriesData& s, int i, const DataLabel** own) const;

    void drawDataLabels(const GroupData& g, const SeriesData& s);

    std::optional<QPointF> labelCenter(const GroupData& g, const SeriesData& s, int i, DataLabelPosition position, QSizeF size);

    // A point's data label as it is drawn: what it shows, in which lines and style, and the
    // box it takes (`room`: once turned by its text's rotation). None for a point without one.
    struct PointLabel {
        ResolvedDataLabel label;
        QStringList lines;
        TextStyle style;
        QSizeF size;
        QSizeF room;
        double angle = 0;
    };
    std::optional<PointLabel> pointLabel(const GroupData& g, const SeriesData& s, int i, double total) const;

    // A pie label placed by placePieLabels: its centre, and for one outside its slice the
    // middle of the slice's arc that a leader line starts from.
    struct PiePlacedLabel {
        QPointF center;
        std::optional<QPointF> edge;
        bool right = true;  // beside the right half of the circle
    };
    // A label no farther than this from its slice's arc needs no leader line (points): twice
    // the gap it keeps from the arc at its own place.
    static constexpr double kPieLeaderWithin = 2 * kRingLabelGap;

    // ---- titles and legend

    void drawTitles();

    void drawLegend();
    void addLegendKeyShape(const SceneTag& tag, const QPainterPath& path, const ResolvedShape& shape);

    const ChartSpace& m_chart;
    ChartFormats m_formats;
    QSizeF m_size;
    double m_pixelsPerPoint;
    ChartLayout m_layout;
    ChartScene m_scene;
    std::map<std::pair<int, int>, QRectF> m_barRects;
    std::map<int, std::vector<std::pair<int, QPointF>>> m_linePoints;
    std::map<int, std::vector<Slice>> m_slices;
    std::map<std::pair<int, int>, PiePlacedLabel> m_pieLabels;  // by series position and point
};

}  // namespace engine::chart
