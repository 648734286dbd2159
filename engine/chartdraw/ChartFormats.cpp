#include "engine/chartdraw/ChartFormats.h"

#include <algorithm>

namespace engine::chart {

namespace {

// Reading the installed faces takes a while; one list serves every chart.
const FontResolver& sharedFonts() {
    static const FontResolver fonts;
    return fonts;
}

QVector<qreal> dashPattern(const QString& dash) {
    // Preset dashes in multiples of the line width, as the presets define them.
    if (dash == QLatin1String("dash")) return {4, 3};
    if (dash == QLatin1String("dashDot")) return {4, 3, 1, 3};
    if (dash == QLatin1String("lgDash")) return {8, 3};
    if (dash == QLatin1String("lgDashDot")) return {8, 3, 1, 3};
    if (dash == QLatin1String("lgDashDotDot")) return {8, 3, 1, 3, 1, 3};
    if (dash == QLatin1String("sysDash")) return {3, 1};
    if (dash == QLatin1String("sysDot")) return {1, 1};
    if (dash == QLatin1String("sysDashDot")) return {3, 1, 1, 1};
    if (dash == QLatin1String("sysDashDotDot")) return {3, 1, 1, 1, 1, 1};
    if (dash == QLatin1String("dot")) return {1, 3};
    return {};
}

}  // namespace

ChartFormats::ChartFormats(const ChartSpace& chart, const RenderContext& context)
    : m_resolver(chart, context), m_fonts(sharedFonts()) {}

std::optional<SceneBrush> ChartFormats::brush(const ResolvedFill& fill) {
    using K = ResolvedFill::Kind;
    SceneBrush b;
    switch (fill.kind) {
    case K::None: return std::nullopt;
    case K::Solid: b.color = color(fill.color); break;
    case K::Gradient:
        for (const auto& stop : fill.stops) b.stops.emplace_back(stop.position, color(stop.color));
        if (b.stops.empty()) return std::nullopt;
        b.color = b.stops.front().second;
        b.angle = fill.angle;
        b.radial = !fill.path.isEmpty();
        break;
    case K::Pattern:
        b.color = color(fill.color);
        b.background = color(fill.background);
        b.pattern = fill.pattern.isEmpty() ? QStringLiteral("pct50") : fill.pattern;
        break;
    case K::Picture: b.color = QColor(Qt::lightGray); break;
    }
    return b;
}

std::optional<ScenePen> ChartFormats::pen(const ResolvedLine& line) {
    if (!line.visible) return std::nullopt;
    ScenePen p;
    p.color = color(line.color);
    p.width = line.width;
    if (!line.customDash.empty()) {
        for (const auto& [dash, space] : line.customDash) p.dash << std::max(0.01, dash) << std::max(0.01, space);
    } else {
        p.dash = dashPattern(line.dash);
    }
    p.cap = line.cap == QLatin1String("rnd") ? Qt::RoundCap : (line.cap == QLatin1String("sq") ? Qt::SquareCap : Qt::FlatCap);
    p.join = line.join == QLatin1String("miter") ? Qt::MiterJoin : (line.join == QLatin1String("bevel") ? Qt::BevelJoin : Qt::RoundJoin);
    return p;
}

TextStyle ChartFormats::text(const ResolvedText& text) const {
    TextStyle t;
    t.family = m_fonts.family(text.typeface);
    t.size = text.size > 0 ? text.size : 10;
    t.bold = text.bold;
    t.italic = text.italic;
    t.underline = !text.underline.isEmpty() && text.underline != QLatin1String("none");
    t.color = color(text.color);
    t.rotation = text.rotation;
    return t;
}

MarkerStyle ChartFormats::marker(const ResolvedMarker& marker) {
    MarkerStyle m;
    m.visible = marker.visible && marker.symbol != MarkerSymbol::None;
    m.symbol = marker.symbol;
    m.size = std::clamp(marker.size, 2, 72);
    m.fill = brush(marker.shape.fill);
    m.line = pen(marker.shape.line);
    return m;
}

}  // namespace engine::chart
