#include "engine/chart/ChartFormats.h"

#include <algorithm>
#include <cmath>

namespace engine::chart {

using drawingml::ColorTransform;
using drawingml::Rgba;

namespace {

// The look an element has when the chart says nothing of it: the defaults of chart style 2
// (a chart without c:style), which is what the office applications give charts made with
// default settings. Text defaults are in ChartFormats::text.
struct DefaultLook {
    std::optional<SceneBrush> fill;
    std::optional<ScenePen> line;
};

const FontResolver& sharedFonts() {
    static const FontResolver fonts;
    return fonts;
}

QColor toQColor(const Rgba& c) { return c.toQColor(); }

}  // namespace

// Accent colours cycle by index; past the sixth series each round is shaded (earlier rounds)
// or tinted (later ones) so the rounds stay apart.
static QColor cycleColor(const drawingml::ColorScheme& scheme, const drawingml::ColorMap& map,
                         int index, int count) {
    static const char* const kAccents[] = {"accent1", "accent2", "accent3", "accent4", "accent5", "accent6"};
    drawingml::Color c;
    c.kind = drawingml::Color::Kind::Scheme;
    c.name = QLatin1String(kAccents[((index % 6) + 6) % 6]);
    const int cycle = index / 6;
    const int maxCycle = std::max(0, count - 1) / 6;
    const double v = (cycle + 1.0) / (maxCycle + 2.0) * 1.4 - 0.7;
    if (v < -1e-9) c.transforms.push_back({ColorTransform::Kind::Shade, int(std::lround((1 + v) * 100000))});
    if (v > 1e-9) c.transforms.push_back({ColorTransform::Kind::Tint, int(std::lround((1 - v) * 100000))});
    const auto rgba = drawingml::resolve(c, scheme, map);
    return rgba ? toQColor(*rgba) : QColor(Qt::gray);
}

static DefaultLook defaultLook(ElementRole role, const QColor& series, const QColor& text,
                               const QColor& background, const QColor& axis, ChartHost host) {
    auto pen = [](QColor c, double w) { ScenePen p; p.color = c; p.width = w; return p; };
    auto brush = [](QColor c) { SceneBrush b; b.color = c; return b; };
    switch (role) {
    case ElementRole::ChartArea:
        // The spreadsheet frames its charts; the presentation application does not.
        if (host == ChartHost::Workbook) return {brush(background), pen(axis, 0.75)};
        return {brush(background), std::nullopt};
    case ElementRole::PlotArea: return {};
    case ElementRole::SeriesFill: return {brush(series), std::nullopt};
    case ElementRole::SeriesLine: {
        ScenePen p = pen(series, 2.25);
        p.cap = Qt::RoundCap;
        return {std::nullopt, p};
    }
    case ElementRole::Marker: return {brush(series), pen(series, 0.75)};
    case ElementRole::Axis:
    case ElementRole::MajorGridline: return {std::nullopt, pen(axis, 0.75)};
    case ElementRole::MinorGridline: return {std::nullopt, pen(axis.lighter(125), 0.75)};
    case ElementRole::OtherLine: return {std::nullopt, pen(text, 0.75)};
    case ElementRole::UpBar: return {brush(background), pen(text, 0.75)};
    case ElementRole::DownBar: return {brush(text), pen(text, 0.75)};
    case ElementRole::TextBox: return {};
    }
    return {};
}

ChartFormats::ChartFormats(const ChartSpace& chart, const RenderContext& context)
    : m_chart(chart), m_context(context),
      m_scheme(context.theme.colors ? *context.theme.colors : drawingml::defaultColorScheme()),
      m_fonts(sharedFonts()) {
    for (const Series* s : chart.allSeries()) m_colorCount = std::max(m_colorCount, s->index + 1);
    if (context.theme.fonts) {
        m_minorFont = context.theme.fonts->minor.latin;
        m_majorFont = context.theme.fonts->major.latin;
    }
    if (m_minorFont.isEmpty()) m_minorFont = QStringLiteral("Calibri");
    if (m_majorFont.isEmpty()) m_majorFont = m_minorFont;
}

QColor ChartFormats::resolve(const drawingml::Color& color) const {
    const auto rgba = drawingml::resolve(color, m_scheme, m_context.colorMap);
    return rgba ? toQColor(*rgba) : QColor();
}

QColor ChartFormats::schemeColor(const QString& name) const {
    drawingml::Color c;
    c.kind = drawingml::Color::Kind::Scheme;
    c.name = name;
    return resolve(c);
}

std::optional<SceneBrush> ChartFormats::brushOf(const drawingml::Fill& fill) const {
    using K = drawingml::Fill::Kind;
    SceneBrush b;
    switch (fill.kind) {
    case K::None: return std::nullopt;
    case K::Solid: b.color = resolve(fill.color); break;
    case K::Gradient:
        for (const auto& stop : fill.stops) b.stops.emplace_back(stop.position, resolve(stop.color));
        std::sort(b.stops.begin(), b.stops.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        if (b.stops.empty()) return std::nullopt;
        b.color = b.stops.front().second;
        b.angle = fill.linearAngle.value_or(90);
        b.radial = !fill.path.isEmpty();
        break;
    case K::Pattern: {
        // A pattern reads from afar as the mix of its two colours.
        const QColor fg = resolve(fill.foreground), bg = resolve(fill.background);
        b.color = fg.isValid() && bg.isValid()
                      ? QColor((fg.red() + bg.red()) / 2, (fg.green() + bg.green()) / 2,
                               (fg.blue() + bg.blue()) / 2)
                      : (fg.isValid() ? fg : bg);
        break;
    }
    case K::Picture:
    case K::Group: b.color = QColor(Qt::lightGray); break;
    }
    if (!b.color.isValid()) return std::nullopt;
    return b;
}

static QVector<qreal> dashPattern(const QString& dash) {
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

std::optional<ScenePen> ChartFormats::penOf(const drawingml::Line& line, ElementRole role,
                                            int colorIndex) const {
    const auto fallback = line.fill ? std::optional<ScenePen>() : this->line(std::nullopt, role, colorIndex);
    ScenePen p;
    if (line.fill) {
        const auto brush = brushOf(*line.fill);
        if (!brush) return std::nullopt;
        p.color = brush->color;
    } else if (fallback) {
        p = *fallback;
    } else {
        return std::nullopt;
    }
    if (line.width) p.width = *line.width;
    p.dash = dashPattern(line.dash);
    if (line.cap == QLatin1String("rnd")) p.cap = Qt::RoundCap;
    else if (line.cap == QLatin1String("sq")) p.cap = Qt::SquareCap;
    else if (!line.cap.isEmpty()) p.cap = Qt::FlatCap;
    if (line.join == QLatin1String("miter")) p.join = Qt::MiterJoin;
    else if (line.join == QLatin1String("bevel")) p.join = Qt::BevelJoin;
    return p;
}

std::optional<SceneBrush> ChartFormats::fill(const std::optional<ShapeProperties>& own,
                                             ElementRole role, int colorIndex) const {
    if (own && own->fill) return brushOf(*own->fill);
    const QColor series = cycleColor(m_scheme, m_context.colorMap, colorIndex, m_colorCount);
    return defaultLook(role, series, schemeColor("tx1"), schemeColor("bg1"),
                       schemeColor("tx1").lighter(100), m_context.host).fill;
}

std::optional<ScenePen> ChartFormats::line(const std::optional<ShapeProperties>& own,
                                           ElementRole role, int colorIndex) const {
    if (own && own->line) return penOf(*own->line, role, colorIndex);
    const QColor series = cycleColor(m_scheme, m_context.colorMap, colorIndex, m_colorCount);
    drawingml::Color axis;
    axis.kind = drawingml::Color::Kind::Scheme;
    axis.name = QStringLiteral("tx1");
    axis.transforms.push_back({ColorTransform::Kind::Tint, 75000});
    return defaultLook(role, series, schemeColor("tx1"), schemeColor("bg1"), resolve(axis),
                       m_context.host).line;
}

MarkerStyle ChartFormats::marker(std::initializer_list<const std::optional<Marker>*> own,
                                 int colorIndex, bool lineChart) const {
    // Without a symbol of their own, line series take symbols in turn; other kinds a diamond.
    static const char* const kAutoSymbols[] = {"diamond", "square", "triangle", "x", "star",
                                               "circle", "plus", "dot", "dash"};
    MarkerStyle m;
    m.symbol = QLatin1String(lineChart ? kAutoSymbols[colorIndex % 9] : "diamond");
    bool symbolSet = false, sizeSet = false;
    std::optional<ShapeProperties> shape;
    for (const auto* marker : own) {  // innermost (the point's) first
        if (!*marker) continue;
        const Marker& mk = **marker;
        if (!symbolSet && mk.symbol && *mk.symbol != QLatin1String("auto")) m.symbol = *mk.symbol, symbolSet = true;
        if (!sizeSet && mk.size) m.size = std::clamp(*mk.size, 2, 72), sizeSet = true;
        if (!shape && mk.shape) shape = mk.shape;
    }
    m.fill = fill(shape, ElementRole::Marker, colorIndex);
    m.line = line(shape, ElementRole::Marker, colorIndex);
    return m;
}

TextStyle ChartFormats::text(TextRole role, std::initializer_list<const TextBody*> own) const {
    TextStyle t;
    const bool slide = m_context.host == ChartHost::Slide;
    double base = slide ? 18 : 10;
    QString face = m_minorFont;
    std::optional<double> size;
    std::optional<bool> bold, italic;
    QColor color = schemeColor(QStringLiteral("tx1"));
    auto apply = [&](const TextBody* body, bool chartLevel) {
        if (!body) return;
        const drawingml::RunProperties* run = body->firstDefaults();
        if (!run && !body->paragraphs.empty()) {
            for (const auto& r : body->paragraphs.front().runs)
                if (r.properties) { run = &*r.properties; break; }
        }
        if (body->body && body->body->rotation && !body->body->automaticRotation)
            t.rotation = body->body->rotation;
        if (!run) return;
        if (run->size) {
            if (chartLevel) base = *run->size;
            else size = *run->size;
        }
        if (run->bold) bold = run->bold;
        if (run->italic) italic = run->italic;
        if (run->underline.size() && run->underline != QLatin1String("none")) t.underline = true;
        if (run->latin && !run->latin->isEmpty()) {
            face = *run->latin;
            if (face.startsWith(QLatin1String("+mj"))) face = m_majorFont;
            else if (face.startsWith(QLatin1String("+mn"))) face = m_minorFont;
        }
        if (run->fill && run->fill->kind == drawingml::Fill::Kind::Solid) {
            const QColor c = resolve(run->fill->color);
            if (c.isValid()) color = c;
        }
    };
    const bool chartSized = m_chart.textProperties && m_chart.textProperties->firstDefaults() &&
                            m_chart.textProperties->firstDefaults()->size;
    apply(m_chart.textProperties ? &*m_chart.textProperties : nullptr, true);
    for (const TextBody* body : own) apply(body, false);
    double byRole = base;
    if (role == TextRole::Title)
        byRole = chartSized || slide ? std::round(base * 1.2) : 18;
    t.size = size.value_or(byRole);
    t.bold = bold.value_or(role == TextRole::Title || role == TextRole::AxisTitle);
    t.italic = italic.value_or(false);
    t.family = m_fonts.family(face);
    t.color = color;
    return t;
}

}  // namespace engine::chart
