#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QVector>
#include <optional>
#include <vector>

// A drawn chart as a display list: filled and stroked paths, text runs and images, in the order
// they are painted, each tagged with the chart element it draws. Coordinates are points from the
// chart's top-left corner; the scene is independent of any device, so the same scene paints a
// PNG, an SVG, a PDF or a window. Tests read it to check what a chart shows.

namespace engine::chart {

// What a primitive draws. Indices are 0-based; -1 where they do not apply.
struct SceneTag {
    enum class Element {
        ChartArea, PlotArea, Title, AxisTitle, AxisLine, AxisLabel, MajorGridline,
        MinorGridline, MajorTick, MinorTick, Legend, LegendEntry, LegendKey, DataPoint,
        SeriesLine, Marker, DataLabel, LeaderLine, Trendline, TrendlineLabel, ErrorBar, DropLine,
        HighLowLine, SeriesConnector, UpBar, DownBar, DisplayUnitsLabel, Note,
        DataTable,  // a data table's borders and texts (series: row, point: column, -1 for the name)
        // The newer kinds' own parts: a box's whiskers with their caps, its median line, its
        // mean marker, a series' line through its means, and a treemap parent's label or banner.
        Whisker, Median, MeanMarker, MeanLine, ParentLabel
    };
    Element element = Element::ChartArea;
    int series = -1;  // series position in the plot area (all groups, in order), or legend entry
    int point = -1;   // point (category) index, or label index along an axis
    int axis = -1;    // axis position in the plot area's axis list
};

struct ScenePen {
    QColor color;
    double width = 0.75;  // points; 0 draws a hairline
    QVector<qreal> dash;  // in multiples of the width, as QPen takes them; empty for solid
    Qt::PenCapStyle cap = Qt::FlatCap;
    Qt::PenJoinStyle join = Qt::RoundJoin;
};

struct SceneBrush {
    QColor color;                                   // solid, or the gradient's first stop
    std::vector<std::pair<double, QColor>> stops;   // a gradient when not empty
    double angle = 90;                              // linear gradient angle, degrees clockwise
    bool radial = false;
    // A pattern (a:pattFill prst: "pct50", "dkDnDiag"...): `color` draws the pattern over
    // `background`. Empty for solid and gradient brushes.
    QString pattern;
    QColor background;
};

// A soft shadow under a filled shape: the shape moved by `offset` (points), in `color`, its
// edge blurred over `blur` points.
struct SceneShadow {
    QColor color;
    QPointF offset;
    double blur = 0;
};

struct ScenePrimitive {
    enum class Kind { Path, Text, Image };
    Kind kind = Kind::Path;
    SceneTag tag;

    // Path
    QPainterPath path;
    std::optional<SceneBrush> fill;
    std::optional<ScenePen> stroke;
    // The shape's style effects: a shadow drawn under it, and a bevel (its width in points, 0
    // for none) drawn as a light upper-left and a dark lower-right edge inside it.
    std::optional<SceneShadow> shadow;
    double bevel = 0;

    // Text: one line, drawn with its box's top-left at `position` before rotating the box by
    // `angle` degrees (clockwise) about `origin`.
    QString text;
    QString family;     // the installed face that draws it (already resolved)
    double size = 10;   // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QColor color;
    double angle = 0;
    QPointF position;
    QPointF origin;
    QSizeF box;         // the measured text box (advance width x line height), unrotated

    // Image
    QImage image;
    QRectF target;

    // The area the primitive covers in scene points (stroke and rotation included).
    QRectF bounds() const;
};

struct ChartScene {
    QSizeF size;  // points
    std::vector<ScenePrimitive> items;

    // Primitives with this element (and series / point / axis when not -1).
    std::vector<const ScenePrimitive*> find(SceneTag::Element element, int series = -1,
                                            int point = -1, int axis = -1) const;
    int count(SceneTag::Element element, int series = -1) const;
    // The texts of the text runs with this element (and axis when not -1), in scene order.
    QStringList texts(SceneTag::Element element, int axis = -1) const;
    // The union of every primitive's bounds.
    QRectF bounds() const;
};

}  // namespace engine::chart
