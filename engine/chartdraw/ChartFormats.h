#pragma once

#include "engine/chartdraw/ChartScene.h"
#include "engine/chartformat/FormatResolver.h"
#include "engine/text/FontResolver.h"

#include <optional>

// The renderer's side of the effective-format resolver: its answers (fills, lines, text,
// markers) turned into scene brushes, pens and text styles with installed faces.

namespace engine::chart {

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
    bool visible = false;
    MarkerSymbol symbol = MarkerSymbol::None;
    double size = 5;  // points
    std::optional<SceneBrush> fill;
    std::optional<ScenePen> line;
};

class ChartFormats {
  public:
    ChartFormats(const ChartSpace& chart, const RenderContext& context);

    const FormatResolver& resolver() const { return m_resolver; }

    static QColor color(const Rgba& rgba) { return rgba.toQColor(); }
    static std::optional<SceneBrush> brush(const ResolvedFill& fill);
    static std::optional<ScenePen> pen(const ResolvedLine& line);
    std::optional<SceneBrush> fill(const ResolvedShape& shape) const { return brush(shape.fill); }
    std::optional<ScenePen> line(const ResolvedShape& shape) const { return pen(shape.line); }
    TextStyle text(const ResolvedText& text) const;
    static MarkerStyle marker(const ResolvedMarker& marker);

  private:
    FormatResolver m_resolver;
    const FontResolver& m_fonts;
};

}  // namespace engine::chart
