#pragma once

#include "engine/chart/ChartModel.h"
#include "engine/chart/ChartScene.h"
#include "engine/chart/FormatResolver.h"
#include "engine/text/FontResolver.h"

#include <initializer_list>
#include <optional>

// The renderer's view of how each chart element looks: fills and strokes as scene brushes and
// pens, text as a resolved face, size and colour. It takes what the chart states (an element's
// c:spPr and c:txPr, through the theme and colour map) and, where the chart states nothing, the
// look the office applications give the element by default.

namespace engine::chart {

// What an element is, for its default look.
enum class ElementRole {
    ChartArea, PlotArea, SeriesFill, SeriesLine, Marker, Axis, MajorGridline, MinorGridline,
    OtherLine, UpBar, DownBar, TextBox
};
enum class TextRole { Title, AxisTitle, AxisLabel, Legend, DataLabel, TrendlineLabel };

struct TextStyle {
    QString family;  // installed face
    double size = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QColor color;
    std::optional<double> rotation;  // degrees, when the text says (not the automatic sentinel)
};

struct MarkerStyle {
    QString symbol;  // "none", "circle", "square", "diamond", "triangle", "x", "star", "plus", "dot", "dash"
    double size = 5;  // points
    std::optional<SceneBrush> fill;
    std::optional<ScenePen> line;
};

class ChartFormats {
  public:
    ChartFormats(const ChartSpace& chart, const RenderContext& context);

    // The fill and stroke of an element with its own shape properties. colorIndex picks the
    // automatic colour of series and points (c:idx, or the point for varied colours).
    std::optional<SceneBrush> fill(const std::optional<ShapeProperties>& own, ElementRole role,
                                   int colorIndex = 0) const;
    std::optional<ScenePen> line(const std::optional<ShapeProperties>& own, ElementRole role,
                                 int colorIndex = 0) const;
    // A series' marker; `own` is the point's marker, then the series'.
    MarkerStyle marker(std::initializer_list<const std::optional<Marker>*> own, int colorIndex,
                       bool lineChart) const;

    // Text of one role: the chart's c:txPr, then each of `own` in turn (outer to inner).
    TextStyle text(TextRole role, std::initializer_list<const TextBody*> own = {}) const;

    // The colour of a scheme colour name ("accent1", "tx1"...) through the context.
    QColor schemeColor(const QString& name) const;
    QColor resolve(const drawingml::Color& color) const;
    const FontResolver& fonts() const { return m_fonts; }

  private:
    std::optional<SceneBrush> brushOf(const drawingml::Fill& fill) const;
    std::optional<ScenePen> penOf(const drawingml::Line& line, ElementRole role, int colorIndex) const;

    const ChartSpace& m_chart;
    const RenderContext& m_context;
    drawingml::ColorScheme m_scheme;
    int m_colorCount = 1;  // highest series c:idx + 1, for the fading of colour cycles
    const FontResolver& m_fonts;
    QString m_minorFont;
    QString m_majorFont;
};

}  // namespace engine::chart
