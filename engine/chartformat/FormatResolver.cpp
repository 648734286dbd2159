#include "engine/chartformat/FormatResolver.h"
#include "engine/chartmodel/ChartKind.h"

#include "engine/package/Xml.h"

#include <algorithm>
#include <cmath>

namespace engine::chart {

using drawingml::Color;
using drawingml::ColorTransform;
using drawingml::Fill;
using drawingml::SchemeSlot;

// ---------------------------------------------------------------------------------------------
// Producer

bool Producer::isMicrosoft() const {
    return application.startsWith(QLatin1String("Microsoft"), Qt::CaseInsensitive);
}

bool Producer::isLibreOffice() const {
    return application.contains(QLatin1String("LibreOffice"), Qt::CaseInsensitive);
}

bool Producer::is2007() const {
    return isMicrosoft() && version.trimmed().startsWith(QLatin1String("12."));
}

Producer producerFromAppXml(const QByteArray& appXml) {
    Producer producer;
    if (appXml.isEmpty()) return producer;
    pugi::xml_document doc;
    if (!doc.load_buffer(appXml.constData(), static_cast<size_t>(appXml.size()), pugi::parse_default,
                         pugi::encoding_auto)) {
        return producer;
    }
    // The extended properties are matched by local name: writers disagree on their namespace
    // (transitional, strict, none), and nothing else in the part shares these names.
    for (pugi::xml_node node = doc.document_element().first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element) continue;
        const std::string_view local = xml::localName(node);
        if (local == "Application") producer.application = QString::fromUtf8(node.text().get()).trimmed();
        else if (local == "AppVersion") producer.version = QString::fromUtf8(node.text().get()).trimmed();
    }
    return producer;
}

// ---------------------------------------------------------------------------------------------
// Themes

namespace {

Color rgbColor(unsigned rgb) {
    Color c;
    c.kind = Color::Kind::Rgb;
    c.rgb = Rgba::fromRgb(rgb);
    return c;
}

Color placeholderColor(std::vector<ColorTransform> transforms = {}) {
    Color c;
    c.kind = Color::Kind::Scheme;
    c.name = QStringLiteral("phClr");
    c.transforms = std::move(transforms);
    return c;
}

Fill solidPlaceholder() {
    Fill fill;
    fill.kind = Fill::Kind::Solid;
    fill.color = placeholderColor();
    return fill;
}

// A linear gradient of the placeholder colour from lighter to darker, the shape of the format
// scheme's moderate and intense fills.
Fill gradientPlaceholder(int lightTint, int darkShade) {
    Fill fill;
    fill.kind = Fill::Kind::Gradient;
    fill.stops.push_back({0.0, placeholderColor({{ColorTransform::Kind::Tint, lightTint}})});
    fill.stops.push_back({0.8, placeholderColor({{ColorTransform::Kind::Tint, (lightTint + 100000) / 2}})});
    fill.stops.push_back({1.0, placeholderColor({{ColorTransform::Kind::Shade, darkShade}})});
    fill.linearAngle = 90;
    fill.linearScaled = true;
    return fill;
}

drawingml::Line placeholderLine(double width) {
    drawingml::Line line;
    line.width = width;
    line.fill = solidPlaceholder();
    line.dash = QStringLiteral("solid");
    line.cap = QStringLiteral("flat");
    line.compound = QStringLiteral("sng");
    return line;
}

drawingml::Theme makeFallbackTheme() {
    drawingml::Theme theme;
    theme.name = QStringLiteral("Office Theme");
    drawingml::ColorScheme colors;
    colors.name = QStringLiteral("Office");
    const unsigned values[drawingml::kSchemeSlots] = {0x000000, 0xFFFFFF, 0x1F497D, 0xEEECE1,
                                                      0x4F81BD, 0xC0504D, 0x9BBB59, 0x8064A2,
                                                      0x4BACC6, 0xF79646, 0x0000FF, 0x800080};
    for (int i = 0; i < drawingml::kSchemeSlots; ++i) colors.colors[static_cast<size_t>(i)] = rgbColor(values[i]);
    theme.colors = colors;
    drawingml::FontScheme fonts;
    fonts.name = QStringLiteral("Office");
    fonts.major.latin = QStringLiteral("Cambria");
    fonts.minor.latin = QStringLiteral("Calibri");
    theme.fonts = fonts;
    drawingml::FormatScheme formats;
    formats.name = QStringLiteral("Office");
    formats.fills = {solidPlaceholder(), gradientPlaceholder(50000, 94000), gradientPlaceholder(40000, 90000)};
    formats.lines = {placeholderLine(0.75), placeholderLine(2.0), placeholderLine(3.0)};
    formats.effects = {drawingml::Effects{}, drawingml::Effects{}, drawingml::Effects{}};
    formats.backgroundFills = {solidPlaceholder(), gradientPlaceholder(40000, 99000), gradientPlaceholder(80000, 30000)};
    theme.formats = formats;
    return theme;
}

}  // namespace

const drawingml::Theme& fallbackTheme() {
    static const drawingml::Theme theme = makeFallbackTheme();
    return theme;
}

RenderContext makeRenderContext(const ChartSpace& chart, const QByteArray& hostTheme,
                                const QByteArray& themeOverride, ChartHost host, Producer producer,
                                const drawingml::ColorMap& hostColorMap, const QString& file) {
    RenderContext context;
    if (!hostTheme.isEmpty()) context.theme = drawingml::readTheme(hostTheme, file, QStringLiteral("theme"));
    if (!themeOverride.isEmpty()) {
        context.theme = drawingml::withOverride(
            std::move(context.theme), drawingml::readTheme(themeOverride, file, QStringLiteral("theme override")));
    }
    context.colorMap = chart.colorMapOverride ? *chart.colorMapOverride : hostColorMap;
    context.host = host;
    context.producer = std::move(producer);
    return context;
}

// ---------------------------------------------------------------------------------------------
// The resolver

namespace {

int percent(double fraction) {
    return static_cast<int>(std::lround(fraction * 100000.0));
}

// The greys of styles 1, 9, 17, 25 and 33 (and of 41, darker first and fourth), as tints of dk1.
constexpr double kGreyTints[6] = {0.885, 0.55, 0.78, 0.925, 0.70, 0.30};
constexpr double kDarkGreyTints[6] = {0.05, 0.55, 0.78, 0.15, 0.70, 0.30};

}  // namespace

FormatResolver::FormatResolver(const ChartSpace& chart, const RenderContext& context)
    : m_chart(chart), m_context(context), m_theme(context.theme) {
    const drawingml::Theme& fallback = fallbackTheme();
    if (!m_theme.colors) m_theme.colors = fallback.colors;
    if (!m_theme.fonts) m_theme.fonts = fallback.fonts;
    if (!m_theme.formats || m_theme.formats->lines.empty() || m_theme.formats->fills.empty())
        m_theme.formats = fallback.formats;

    if (chart.office2010Style && *chart.office2010Style >= 101 && *chart.office2010Style <= 148) {
        m_style = *chart.office2010Style - 100;
        m_office2010 = true;
    } else if (chart.style && *chart.style >= 1 && *chart.style <= 48) {
        m_style = *chart.style;
    }
    for (const Series* series : chart.allSeries()) m_maxSeriesIndex = std::max(m_maxSeriesIndex, series->index);
}

Rgba FormatResolver::color(const Color& c, const std::optional<Rgba>& placeholder) const {
    return drawingml::resolve(c, *m_theme.colors, m_context.colorMap, placeholder).value_or(Rgba{});
}

ResolvedFill FormatResolver::fill(const Fill& f, const std::optional<Rgba>& placeholder) const {
    ResolvedFill out;
    switch (f.kind) {
    case Fill::Kind::None:
    case Fill::Kind::Group:  // a chart element belongs to no group: nothing to inherit
        out.kind = ResolvedFill::Kind::None;
        break;
    case Fill::Kind::Solid:
        out.kind = ResolvedFill::Kind::Solid;
        out.color = color(f.color, placeholder);
        break;
    case Fill::Kind::Gradient: {
        out.kind = ResolvedFill::Kind::Gradient;
        for (const auto& stop : f.stops) out.stops.push_back({std::clamp(stop.position, 0.0, 1.0), color(stop.color, placeholder)});
        std::stable_sort(out.stops.begin(), out.stops.end(),
                         [](const auto& a, const auto& b) { return a.position < b.position; });
        if (out.stops.empty()) {
            out.kind = ResolvedFill::Kind::Solid;
            out.color = placeholder.value_or(Rgba{});
            break;
        }
        out.color = out.stops.front().color;
        out.angle = f.linearAngle.value_or(0);
        out.scaled = f.linearScaled.value_or(false);
        out.path = f.path;
        break;
    }
    case Fill::Kind::Pattern:
        out.kind = ResolvedFill::Kind::Pattern;
        out.pattern = f.pattern.isEmpty() ? QStringLiteral("pct5") : f.pattern;
        out.color = f.foreground.isSet() ? color(f.foreground, placeholder) : Rgba::fromRgb(0x000000);
        out.background = f.background.isSet() ? color(f.background, placeholder) : Rgba::fromRgb(0xFFFFFF);
        break;
    case Fill::Kind::Picture:
        out.kind = ResolvedFill::Kind::Picture;
        out.blipRelId = f.blipRelId;
        break;
    }
    return out;
}

Rgba FormatResolver::scheme(SchemeSlot slot) const {
    const auto& colors = *m_theme.colors;
    const Color& c = colors[slot].isSet() ? colors[slot] : (*fallbackTheme().colors)[slot];
    Rgba out = drawingml::resolve(c, colors, drawingml::ColorMap::standard()).value_or(Rgba{});
    // Named as the chart names it, so that it follows the theme it is shown in; a colour the
    // context's theme does not give (the fallback's) is not the theme's to follow.
    const auto& own = m_context.theme.colors;
    out.reference = own && (*own)[slot].isSet() ? drawingml::referenceTo(slot, m_context.colorMap)
                                                : drawingml::SchemeReference();
    return out;
}

// A scheme slot through the colour map when it is one of the mapped names (bg1, tx1...), with an
// optional tint (> 0) or shade (< 0) applied as DrawingML applies them.
Rgba FormatResolver::tinted(SchemeSlot slot, double tint) const {
    Rgba base = scheme(slot);
    if (tint > 0) base = drawingml::applyTransforms(base, {{ColorTransform::Kind::Tint, percent(tint)}});
    else if (tint < 0) base = drawingml::applyTransforms(base, {{ColorTransform::Kind::Shade, percent(-tint)}});
    return base;
}

namespace {
SchemeSlot mapped(const drawingml::ColorMap& map, const QString& name) {
    return map.slotOf(name);
}
SchemeSlot mapped(const drawingml::ColorMap& map, const char* name) {
    return map.slotOf(QString::fromLatin1(name));
}
QString accentName(int n) {  // 1..6, wrapping
    return QStringLiteral("accent%1").arg((n - 1) % 6 + 1);
}
}  // namespace

// The style's colour for the index-th series (or point) when the largest index is maxIndex:
// the style's pattern entry, faded by cycle so that a seventh series differs from the first.
Rgba FormatResolver::styleColorForIndex(int index, int maxIndex) const {
    index = std::max(index, 0);
    maxIndex = std::max(maxIndex, index);
    const int column = (m_style - 1) % 8;  // 0 greys, 1 the six accents, 2..7 one accent each
    Rgba base;
    int cycle = index / 6, maxCycle = maxIndex / 6;
    if (column == 0) {
        const double* tints = m_style == 41 ? kDarkGreyTints : kGreyTints;
        base = tinted(SchemeSlot::Dk1, tints[index % 6]);
    } else if (column == 1) {
        base = scheme(mapped(m_context.colorMap, accentName(index % 6 + 1)));
    } else {
        base = scheme(mapped(m_context.colorMap, accentName(column - 1)));
        cycle = index;
        maxCycle = maxIndex;
    }
    const double v = (cycle + 1.0) / (maxCycle + 2.0) * 1.4 - 0.7;
    if (v < -1e-9) base = drawingml::applyTransforms(base, {{ColorTransform::Kind::Shade, percent(1 + v)}});
    else if (v > 1e-9) base = drawingml::applyTransforms(base, {{ColorTransform::Kind::Tint, percent(1 - v)}});
    return base;
}

Rgba FormatResolver::axisColor() const {
    return tinted(m_style <= 32 ? mapped(m_context.colorMap, "tx1") : SchemeSlot::Dk1, 0.75);
}

Rgba FormatResolver::otherLinesColor() const {
    if (m_style <= 32) return scheme(mapped(m_context.colorMap, "tx1"));
    if (m_style <= 34) return scheme(SchemeSlot::Dk1);
    if (m_style <= 40) return tinted(SchemeSlot::Dk1, -0.25);
    return scheme(SchemeSlot::Lt1);
}

Rgba FormatResolver::textColor() const {
    return m_style <= 40 ? scheme(mapped(m_context.colorMap, "tx1")) : scheme(SchemeSlot::Lt1);
}

int FormatResolver::markerSizeDefault() const {
    // The spreadsheet application draws the automatic markers of styles 11 and 12 (diamonds,
    // squares, and their legend keys) 7 pt across, as it does those of the first eight styles.
    if (m_style >= 25 && m_style <= 32) return 13;
    return 7;
}

bool FormatResolver::drawsFilled(const ChartGroup& group) const {
    return engine::chart::drawsFilled(group);
}

ResolvedLine FormatResolver::themedLine(int index, Rgba c, double widthFactor) const {
    ResolvedLine line;
    line.visible = true;
    line.color = c;
    line.fill.kind = ResolvedFill::Kind::Solid;
    line.fill.color = c;
    if (const drawingml::Line* themed = m_theme.lineOf(index)) {
        line = applyLine(*themed, line);
        // The scheme's line may carry its own fill (a phClr with transforms): resolved against the
        // style colour. A themed line without any fill still takes the style colour.
        if (themed->fill) {
            line.fill = fill(*themed->fill, c);
            line.visible = line.fill.visible();
            line.color = line.fill.color;
        }
    }
    line.width *= widthFactor;
    return line;
}

ResolvedFill FormatResolver::themedFill(int index, Rgba c) const {
    if (const Fill* themed = m_theme.fillOf(index)) return fill(*themed, c);
    ResolvedFill out;
    out.kind = ResolvedFill::Kind::Solid;
    out.color = c;
    return out;
}

ResolvedLine FormatResolver::applyLine(const drawingml::Line& own, ResolvedLine base) const {
    if (own.fill) {
        base.fill = fill(*own.fill, base.color);
        base.visible = base.fill.visible();
        if (base.visible) base.color = base.fill.color;
    }
    if (own.width) base.width = *own.width;
    if (!own.dash.isEmpty()) {
        base.dash = own.dash;
        base.customDash.clear();
    }
    if (!own.customDash.empty()) {
        base.dash = QStringLiteral("custom");
        base.customDash.clear();
        for (const auto& [dash, space] : own.customDash) base.customDash.emplace_back(dash / 100000.0, space / 100000.0);
    }
    if (!own.cap.isEmpty()) base.cap = own.cap;
    if (!own.join.isEmpty()) base.join = own.join;
    if (!own.compound.isEmpty()) base.compound = own.compound;
    if (own.head && !own.head->type.isEmpty()) base.headEnd = own.head->type;
    if (own.tail && !own.tail->type.isEmpty()) base.tailEnd = own.tail->type;
    return base;
}

ResolvedShape FormatResolver::applyShape(const std::optional<ShapeProperties>& own,
                                         const ResolvedShape& base,
                                         const std::optional<Rgba>& placeholder) const {
    ResolvedShape out = base;
    if (!own) return out;
    if (own->fill) out.fill = fill(*own->fill, placeholder ? placeholder : std::optional<Rgba>(base.fill.color));
    if (own->line) out.line = applyLine(*own->line, out.line);
    if (own->effects) applyEffects(*own->effects, out, placeholder);
    // Effects or a 3-D description of its own state the whole look: no bevel unless named.
    if (own->effects || own->has3D) out.bevel = own->bevelWidth;
    return out;
}

void FormatResolver::applyEffects(const drawingml::Effects& effects, ResolvedShape& out,
                                  const std::optional<Rgba>& placeholder) const {
    out.shadow.reset();
    if (const auto& shadow = effects.outerShadow) {
        ResolvedShadow s;
        s.color = shadow->color.isSet() ? color(shadow->color, placeholder) : Rgba::fromRgb(0);
        s.blurRadius = shadow->blurRadius.value_or(0);
        s.distance = shadow->distance.value_or(0);
        s.direction = shadow->direction.value_or(0);
        out.shadow = s;
    }
}

// --- booleans and choices --------------------------------------------------------------------

bool FormatResolver::varyColors(const ChartGroup& group) const {
    return group.varyColors.value_or(!producer2007());
}

bool FormatResolver::variesByPoint(const ChartGroup& group) const {
    if (!varyColors(group)) return false;
    switch (chartKind(group).vary) {
    case ChartKind::VaryByPoint::Always: return true;
    // Bars and bubbles take one colour each only where the chart holds one series in all: beside
    // another group's series (a combination chart) they keep their series' colour.
    case ChartKind::VaryByPoint::LoneSeries: {
        if (group.series.size() != 1) return false;
        size_t inAll = 0;  // counted, not listed: asked once per point
        for (const ChartGroup& g : m_chart.chart.plotArea.groups) inAll += g.series.size();
        return inAll == 1;
    }
    case ChartKind::VaryByPoint::Never: return false;
    }
    return false;
}

bool FormatResolver::legendListsPoints(const ChartGroup& group) const {
    return !group.series.empty() && (chartKind(group).pieLike || variesByPoint(group));
}

bool FormatResolver::smooth(const ChartGroup& group, const Series& series) const {
    if (!chartKind(group).smoothable) return false;
    return series.smooth.value_or(!producer2007());
}

bool FormatResolver::groupShowsMarkers(const ChartGroup& group) const {
    switch (group.kind) {
    case ChartGroup::Kind::Line:
    case ChartGroup::Kind::Stock:
        return group.marker.value_or(!producer2007());
    case ChartGroup::Kind::Scatter:
        return true;  // decided per series by its marker symbol
    case ChartGroup::Kind::Radar:
        return group.radarStyle == RadarStyle::Marker;
    default:
        return false;
    }
}

Grouping FormatResolver::grouping(const ChartGroup& group) const {
    if (group.grouping) return *group.grouping;
    const bool bar = group.kind == ChartGroup::Kind::Bar || group.kind == ChartGroup::Kind::Bar3D;
    return bar && !producer2007() ? Grouping::Clustered : Grouping::Standard;
}

bool FormatResolver::axisDeleted(const Axis& axis) const {
    return axis.deleted.value_or(false);
}

TickMark FormatResolver::majorTickMark(const Axis& axis) const {
    const TickMark absent = producer2007() ? TickMark::Out : TickMark::Cross;
    return axis.majorTickMark.value_or(absent);
}

TickMark FormatResolver::minorTickMark(const Axis& axis) const {
    const TickMark absent = producer2007() ? TickMark::None : TickMark::Cross;
    return axis.minorTickMark.value_or(absent);
}

DisplayBlanksAs FormatResolver::displayBlanksAs() const {
    // The schema says zero; every office suite has drawn a gap where the file says nothing.
    return m_chart.chart.displayBlanksAs.value_or(DisplayBlanksAs::Gap);
}

bool FormatResolver::invertIfNegative(const Series& series) const {
    return series.invertIfNegative.value_or(false);
}

// --- titles -------------------------------------------------------------------------------------

const Series* FormatResolver::automaticTitleSeries() const {
    if (m_chart.chart.title) return nullptr;
    if (m_chart.chart.autoTitleDeleted) {
        if (*m_chart.chart.autoTitleDeleted) return nullptr;
    } else if (m_context.producer.isLibreOffice()) {
        return nullptr;  // its own files mean "no automatic title" by leaving the element out
    }
    const auto all = m_chart.allSeries();
    if (all.size() != 1 || !all.front()->text || all.front()->text->text().isEmpty()) return nullptr;
    return all.front();
}

bool FormatResolver::automaticTitle() const {
    return automaticTitleSeries() != nullptr;
}

bool FormatResolver::titleShown() const {
    return m_chart.chart.title.has_value() || automaticTitle();
}

bool FormatResolver::titleOverlay() const {
    return m_chart.chart.title && m_chart.chart.title->overlay.value_or(false);
}

bool FormatResolver::legendOverlay() const {
    return m_chart.chart.legend && m_chart.chart.legend->overlay.value_or(false);
}

// --- shapes -------------------------------------------------------------------------------------

ResolvedShape FormatResolver::chartArea() const {
    ResolvedShape base;
    base.fill.kind = ResolvedFill::Kind::Solid;
    base.fill.color = m_style <= 40 ? scheme(mapped(m_context.colorMap, "bg1")) : scheme(SchemeSlot::Dk1);
    if (m_context.host == ChartHost::Workbook) {
        base.line = themedLine(1, axisColor());
    }
    return applyShape(m_chart.shape, base);
}

ResolvedShape FormatResolver::plotArea() const {
    ResolvedShape base;
    base.fill.kind = ResolvedFill::Kind::Solid;
    if (m_style <= 32) base.fill.color = scheme(mapped(m_context.colorMap, "bg1"));
    else if (m_style <= 34) base.fill.color = tinted(SchemeSlot::Dk1, 0.20);
    else if (m_style <= 40) base.fill.color = tinted(mapped(m_context.colorMap, accentName((m_style - 1) % 8 - 1)), 0.20);
    else base.fill.color = tinted(SchemeSlot::Dk1, 0.95);
    // A 3-D plot area is drawn by its walls and floor.
    bool threeD = false;
    for (const auto& group : m_chart.chart.plotArea.groups) {
        threeD = threeD || chartKind(group).threeD;
    }
    if (threeD) base.fill.kind = ResolvedFill::Kind::None;
    return applyShape(m_chart.chart.plotArea.shape, base);
}

ResolvedShape FormatResolver::titleShape() const {
    return applyShape(m_chart.chart.title ? m_chart.chart.title->shape : std::nullopt, {});
}

ResolvedShape FormatResolver::legendShape() const {
    return applyShape(m_chart.chart.legend ? m_chart.chart.legend->shape : std::nullopt, {});
}

ResolvedShape FormatResolver::axisTitleShape(const Axis& axis) const {
    return applyShape(axis.title ? axis.title->shape : std::nullopt, {});
}

Rgba FormatResolver::automaticSeriesColor(const ChartGroup&, const Series& series) const {
    return styleColorForIndex(series.index, m_maxSeriesIndex);
}

Rgba FormatResolver::automaticPointColor(const ChartGroup&, const Series& series, int pointIndex) const {
    int maxPoint = pointIndex;
    if (const DataSource* values = series.valueData()) {
        if (values->numbers) {
            if (values->numbers->pointCount) maxPoint = std::max(maxPoint, *values->numbers->pointCount - 1);
            for (const auto& p : values->numbers->points) maxPoint = std::max(maxPoint, p.index);
        }
    }
    return styleColorForIndex(pointIndex, maxPoint);
}

// The look the style gives a series (or a point) of colour c, before its own c:spPr.
ResolvedShape FormatResolver::styledShape(const ChartGroup& group, Rgba c) const {
    ResolvedShape base;
    const int band = (m_style - 1) / 8;  // 0: 1-8, 1: 9-16, ... 5: 41-48
    if (drawsFilled(group)) {
        const bool intense = band == 2 || band == 3 || band == 5;
        base.fill = themedFill(intense ? 3 : 1, c);
        // The styles of intense fills take the theme's intense effect with them: the soft
        // shadow, and the bevel where the theme gives one (Office 2007's theme does).
        if (const drawingml::Effects* effects = intense ? m_theme.effectOf(3) : nullptr) {
            applyEffects(*effects, base, c);
            base.bevel = effects->bevelWidth;
        }
        if (band == 1) {
            base.line = themedLine(1, scheme(SchemeSlot::Lt1));
        } else if (m_style == 33) {
            base.line = themedLine(1, tinted(SchemeSlot::Dk1, -0.5));
        } else if (band == 4) {
            base.line = themedLine(1, drawingml::applyTransforms(c, {{ColorTransform::Kind::Shade, 50000}}));
        }
    } else if (group.kind != ChartGroup::Kind::Stock) {
        // Stock series draw no line of their own: their hi-low lines and markers show them.
        const double factor = band == 0 ? 3 : band == 3 ? 7 : 5;
        base.line = themedLine(1, c, factor);
        base.line.cap = QStringLiteral("rnd");
        base.line.join = QStringLiteral("round");
    }
    return base;
}

ResolvedShape FormatResolver::series(const ChartGroup& group, const Series& s) const {
    const Rgba c = automaticSeriesColor(group, s);
    return applyShape(s.shape, styledShape(group, c), c);
}

ResolvedShape FormatResolver::dataPoint(const ChartGroup& group, const Series& s, int pointIndex) const {
    ResolvedShape shape;
    if (variesByPoint(group)) {
        const Rgba c = automaticPointColor(group, s, pointIndex);
        shape = applyShape(s.shape, styledShape(group, c), c);
    } else {
        shape = series(group, s);
    }
    for (const DataPoint& point : s.points) {
        if (point.index == pointIndex) return applyShape(point.shape, shape);
    }
    return shape;
}

SeriesPointShapes::SeriesPointShapes(const FormatResolver& resolver, const ChartGroup& group, const Series& series)
    : m_resolver(resolver), m_group(group), m_series(series) {
    if (!resolver.variesByPoint(group)) m_seriesShape = resolver.series(group, series);
}

ResolvedShape SeriesPointShapes::at(int pointIndex) const {
    if (!m_seriesShape) return m_resolver.dataPoint(m_group, m_series, pointIndex);
    for (const DataPoint& point : m_series.points) {
        if (point.index == pointIndex) return m_resolver.dataPoint(m_group, m_series, pointIndex);
    }
    return *m_seriesShape;
}

ResolvedMarker FormatResolver::marker(const ChartGroup& group, const Series& s, int pointIndex) const {
    using M = MarkerSymbol;
    static const MarkerSymbol kCycle[] = {M::Diamond, M::Square, M::Triangle, M::X, M::Star, M::Circle, M::Plus, M::Dot, M::Dash};
    const Marker* own = s.marker ? &*s.marker : nullptr;
    const Marker* pointOwn = nullptr;
    if (pointIndex >= 0) {
        for (const DataPoint& point : s.points) {
            if (point.index == pointIndex && point.marker) pointOwn = &*point.marker;
        }
    }
    ResolvedMarker out;
    std::optional<MarkerSymbol> symbol = pointOwn && pointOwn->symbol ? pointOwn->symbol : own ? own->symbol : std::nullopt;
    if (!symbol || symbol == M::Auto) symbol = kCycle[std::max(s.index, 0) % 9];
    out.symbol = *symbol;
    out.visible = groupShowsMarkers(group) && symbol != M::None;
    out.size = std::clamp(pointOwn && pointOwn->size ? *pointOwn->size : own && own->size ? *own->size : markerSizeDefault(), 2, 72);
    const Rgba c = pointIndex >= 0 && variesByPoint(group) ? automaticPointColor(group, s, pointIndex)
                                                            : automaticSeriesColor(group, s);
    ResolvedShape base;
    base.fill.kind = ResolvedFill::Kind::Solid;
    base.fill.color = c;
    base.line = themedLine(1, c);
    out.shape = applyShape(own ? own->shape : std::nullopt, base, c);
    if (pointOwn) out.shape = applyShape(pointOwn->shape, out.shape, c);
    return out;
}

ResolvedLine FormatResolver::axisLine(const Axis& axis) const {
    ResolvedLine base = themedLine(1, axisColor());
    if (axis.shape && axis.shape->line) base = applyLine(*axis.shape->line, base);
    return base;
}

ResolvedLine FormatResolver::gridlines(const Axis& axis, bool major) const {
    const auto& lines = major ? axis.majorGridlines : axis.minorGridlines;
    if (!lines) return {};
    Rgba c = axisColor();
    if (!major) c = tinted(mapped(m_context.colorMap, "tx1"), m_style <= 40 ? 0.50 : 0.90);
    ResolvedLine base = themedLine(1, c);
    if (lines->shape && lines->shape->line) base = applyLine(*lines->shape->line, base);
    return base;
}

ResolvedLine FormatResolver::trendline(const Series&, const Trendline& t) const {
    ResolvedLine base = themedLine(1, otherLinesColor());
    if (t.shape && t.shape->line) base = applyLine(*t.shape->line, base);
    return base;
}

ResolvedLine FormatResolver::errorBars(const ErrorBars& bars) const {
    ResolvedLine base = themedLine(1, otherLinesColor());
    if (bars.shape && bars.shape->line) base = applyLine(*bars.shape->line, base);
    return base;
}

ResolvedLine FormatResolver::groupLines(const ChartLines& lines) const {
    ResolvedLine base = themedLine(1, otherLinesColor());
    if (lines.shape && lines.shape->line) base = applyLine(*lines.shape->line, base);
    return base;
}

ResolvedShape FormatResolver::upDownBar(const UpDownBars& bars, bool up) const {
    ResolvedShape base;
    base.fill.kind = ResolvedFill::Kind::Solid;
    base.fill.color = up ? scheme(SchemeSlot::Lt1) : scheme(SchemeSlot::Dk1);
    if (m_style > 40) base.fill.color = up ? tinted(SchemeSlot::Dk1, 0.25) : tinted(SchemeSlot::Dk1, 0.85);
    base.line = themedLine(1, otherLinesColor());
    return applyShape(up ? bars.upBars : bars.downBars, base);
}

ResolvedShape FormatResolver::floorOrWall(const std::optional<Surface>& surface) const {
    ResolvedShape base;
    if (m_style > 32) base.fill = plotArea().fill;
    return applyShape(surface ? surface->shape : std::nullopt, base);
}

bool FormatResolver::trendlineShowsEquation(const Trendline& t) const {
    return t.displayEquation.value_or(!producer2007());
}

bool FormatResolver::trendlineShowsRSquared(const Trendline& t) const {
    return t.displayRSquared.value_or(!producer2007());
}

// --- text ---------------------------------------------------------------------------------------

double FormatResolver::baseTextSize() const {
    if (m_chart.textProperties) {
        if (const auto* defaults = m_chart.textProperties->firstDefaults(); defaults && defaults->size)
            return *defaults->size;
    }
    return m_context.host == ChartHost::Workbook ? 10.0 : 18.0;
}

namespace {
void layerRun(ResolvedText& text, const drawingml::RunProperties& run, const FormatResolver& r,
              const drawingml::FontScheme& fonts, double sizeFactor) {
    if (run.size) text.size = *run.size * sizeFactor;
    if (run.bold) text.bold = *run.bold;
    if (run.italic) text.italic = *run.italic;
    if (!run.underline.isEmpty()) text.underline = run.underline;
    if (!run.strike.isEmpty()) text.strike = run.strike != QLatin1String("noStrike");
    if (run.fill && run.fill->kind != Fill::Kind::None) text.color = r.fill(*run.fill).color;
    if (run.latin && !run.latin->isEmpty()) {
        const QString face = drawingml::resolveTypeface(*run.latin, fonts);
        if (!face.isEmpty()) {
            text.typeface = face;
            text.typefaceReference = run.latin->startsWith(u'+') ? *run.latin : QString();
        }
    }
}

void layerBody(ResolvedText& text, const drawingml::TextBody& body, const FormatResolver& r,
               const drawingml::FontScheme& fonts, double sizeFactor) {
    if (body.body) {
        if (body.body->automaticRotation) text.rotation.reset();
        else if (body.body->rotation) text.rotation = *body.body->rotation;
    }
    if (body.listLevel1 && body.listLevel1->defaults) layerRun(text, *body.listLevel1->defaults, r, fonts, sizeFactor);
    if (const auto* defaults = body.firstDefaults()) layerRun(text, *defaults, r, fonts, sizeFactor);
}
}  // namespace

ResolvedText FormatResolver::textFor(const std::optional<drawingml::TextBody>& own, bool title, bool bold,
                                     const drawingml::TextBody* rich) const {
    const drawingml::FontScheme& fonts = *m_theme.fonts;
    ResolvedText text;
    text.typeface = fonts.minor.latin.isEmpty() ? QStringLiteral("Calibri") : fonts.minor.latin;
    // Charts set their text in the theme's body font; the fallback's is no theme's to follow.
    if (m_context.theme.fonts && !fonts.minor.latin.isEmpty()) text.typefaceReference = QStringLiteral("+mn-lt");
    text.bold = bold;
    text.color = textColor();
    const bool workbook = m_context.host == ChartHost::Workbook;
    text.size = title ? (workbook ? 18.0 : 18.0 * 1.2) : (workbook ? 10.0 : 18.0);
    // The chart's own text properties: every element's base, the chart title at 120 % of it.
    if (m_chart.textProperties) layerBody(text, *m_chart.textProperties, *this, fonts, title ? 1.2 : 1.0);
    text.rotation.reset();
    if (own) layerBody(text, *own, *this, fonts, 1.0);
    if (rich) {
        layerBody(text, *rich, *this, fonts, 1.0);
        if (!rich->paragraphs.empty()) {
            const auto& paragraph = rich->paragraphs.front();
            for (const auto& run : paragraph.runs) {
                if (run.properties) {
                    layerRun(text, *run.properties, *this, fonts, 1.0);
                    break;
                }
            }
        }
    }
    return text;
}

ResolvedText FormatResolver::chartText() const {
    return textFor(std::nullopt, false, false);
}

ResolvedText FormatResolver::titleText() const {
    const auto& title = m_chart.chart.title;
    const drawingml::TextBody* rich = title && title->text && title->text->rich ? &*title->text->rich : nullptr;
    return textFor(title ? title->textProperties : std::nullopt, true, true, rich);
}

ResolvedText FormatResolver::axisTitleText(const Axis& axis) const {
    const auto& title = axis.title;
    const drawingml::TextBody* rich = title && title->text && title->text->rich ? &*title->text->rich : nullptr;
    return textFor(title ? title->textProperties : std::nullopt, false, true, rich);
}

ResolvedText FormatResolver::axisLabelText(const Axis& axis) const {
    return textFor(axis.textProperties, false, false);
}

ResolvedText FormatResolver::legendText(int entryIndex) const {
    const auto& legend = m_chart.chart.legend;
    ResolvedText text = textFor(legend ? legend->textProperties : std::nullopt, false, false);
    if (legend && entryIndex >= 0) {
        for (const auto& entry : legend->entries) {
            if (entry.index == entryIndex && entry.textProperties)
                layerBody(text, *entry.textProperties, *this, *m_theme.fonts, 1.0);
        }
    }
    return text;
}

ResolvedText FormatResolver::trendlineLabelText(const Trendline& t) const {
    return textFor(t.label ? t.label->textProperties : std::nullopt, false, false);
}

ResolvedText FormatResolver::displayUnitsText(const Axis& axis) const {
    const Title* label = axis.displayUnits && axis.displayUnits->label ? &*axis.displayUnits->label : nullptr;
    const drawingml::TextBody* rich = label && label->text && label->text->rich ? &*label->text->rich : nullptr;
    return textFor(label ? label->textProperties : std::nullopt, false, true, rich);
}

DataLabelPosition FormatResolver::defaultLabelPosition(const ChartGroup& group) const {
    if (group.kind == ChartGroup::Kind::Bar || group.kind == ChartGroup::Kind::Bar3D) {
        const Grouping g = grouping(group);
        if (g == Grouping::Stacked || g == Grouping::PercentStacked) return DataLabelPosition::Center;
    }
    return chartKind(group).defaultLabelPosition;
}

ResolvedDataLabel FormatResolver::resolveLabels(const ChartGroup& group, const DataLabels& labels,
                                                const DataLabel* point) const {
    const bool absent = !producer2007();
    auto flag = [&](std::optional<bool> DataLabelContent::*member) {
        if (point && (point->*member)) return *(point->*member);
        return (labels.*member).value_or(absent);
    };
    ResolvedDataLabel out;
    out.showValue = flag(&DataLabelContent::showValue);
    out.showCategoryName = flag(&DataLabelContent::showCategoryName);
    out.showSeriesName = flag(&DataLabelContent::showSeriesName);
    out.showPercent = flag(&DataLabelContent::showPercent) && chartKind(group).pieLike;
    out.showBubbleSize = flag(&DataLabelContent::showBubbleSize) && group.kind == ChartGroup::Kind::Bubble;
    out.showLegendKey = flag(&DataLabelContent::showLegendKey);
    out.separator = point && point->separator ? *point->separator : labels.separator.value_or(QStringLiteral(", "));
    out.position = point && point->position ? *point->position
                                            : labels.position.value_or(defaultLabelPosition(group));
    out.text = textFor(labels.textProperties, false, false);
    if (point && point->textProperties) layerBody(out.text, *point->textProperties, *this, *m_theme.fonts, 1.0);
    out.shape = applyShape(labels.shape, {});
    if (point) out.shape = applyShape(point->shape, out.shape);
    return out;
}

std::optional<ResolvedDataLabel> FormatResolver::dataLabel(const ChartGroup& group, const Series& s,
                                                           int pointIndex) const {
    const DataLabels* labels = s.labels ? &*s.labels : group.labels ? &*group.labels : nullptr;
    if (!labels) return std::nullopt;
    const DataLabel* point = nullptr;
    if (pointIndex >= 0) {
        for (const DataLabel& label : labels->labels) {
            if (label.index == pointIndex) point = &label;
        }
        if (point && point->deleted) return std::nullopt;
    }
    if (!point && labels->deleted.value_or(false)) return std::nullopt;
    return resolveLabels(group, *labels, point);
}

}  // namespace engine::chart
