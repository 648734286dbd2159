#include "engine/slide/SlideModel.h"

#include "engine/drawingml/TextProperties.h"
#include "engine/drawingml/Units.h"
#include "engine/package/Xml.h"
#include "engine/presentation/Presentation.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QSet>
#include <QtMath>
#include <array>
#include <cmath>
#include <memory>

namespace engine::slide {

using drawingml::Color;
using drawingml::Fill;
using drawingml::Line;
using drawingml::RunProperties;
using xml::Ns;

namespace {

using drawingml::kEmuPerPoint;
using xml::text;

constexpr int kLevels = 9;
// Pictures larger than this are decoded scaled down: the window never shows them larger, and a
// full-size decode of a camera photo costs tens of megabytes per slide kept.
constexpr int kMaxPictureSide = 2400;
constexpr const char* kTableUri = "http://schemas.openxmlformats.org/drawingml/2006/table";
// The table style PowerPoint gives a new table ("Medium Style 2 - Accent 1").
constexpr const char* kDefaultTableStyle = "{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}";

double points(const pugi::xml_attribute& emu, double fallback = 0) {
    return emu ? xml::toDouble(emu, 0) / kEmuPerPoint : fallback;
}

// A picture recoloured as a duotone: each pixel takes the colour between dark and light that its
// luminance gives, keeping its own opacity.
QImage duotoneOfPicture(const QImage& source, const QColor& dark, const QColor& light) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const double dr = dark.redF(), dg = dark.greenF(), db = dark.blueF();
    const double lr = light.redF(), lg = light.greenF(), lb = light.blueF();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = line[x];
            const double t = (0.299 * qRed(px) + 0.587 * qGreen(px) + 0.114 * qBlue(px)) / 255.0;
            auto mix = [t](double a, double b) { return int(std::lround((a + (b - a) * t) * 255)); };
            line[x] = qRgba(mix(dr, lr), mix(dg, lg), mix(db, lb), qAlpha(px));
        }
    }
    return image;
}


bool isA(const pugi::xml_node& node, const char* local) {
    return xml::is(node, Ns::A, local);
}
bool isP(const pugi::xml_node& node, const char* local) {
    return xml::is(node, Ns::P, local);
}

// ---------------------------------------------------------------------------------------
// Parsed parts

struct PartDoc {
    QString part;
    std::shared_ptr<pugi::xml_document> doc;
    pugi::xml_node root;
    Relationships rels;

    QString target(const QString& relId) const {
        const Relationship* r = rels.byId(relId);
        return r && !r->external ? r->targetPart : QString();
    }
};

PartDoc loadPart(const Package& package, const QString& file, const QString& part) {
    PartDoc d;
    d.part = part;
    d.doc = std::make_shared<pugi::xml_document>();
    parseXml(*d.doc, package.part(part), file, part);
    d.root = d.doc->document_element();
    d.rels = package.relationships(part);
    return d;
}

// ---------------------------------------------------------------------------------------
// Text styles: one level of a list style, merged from the master's text styles down to the
// paragraph's own properties. Every field is optional so that a later level overrides only
// what it states.

struct LevelStyle {
    QString alignment;
    std::optional<double> marginLeft;
    std::optional<double> indent;
    std::optional<double> lineSpacingPercent;
    std::optional<double> lineSpacingPoints;
    std::optional<double> spaceBeforePoints;
    std::optional<double> spaceBeforePercent;
    std::optional<double> spaceAfterPoints;
    std::optional<double> spaceAfterPercent;
    std::optional<Bullet::Kind> bulletKind;
    QString bulletCharacter;
    QString bulletScheme;
    int bulletStart = 1;
    std::optional<QString> bulletFont;
    std::optional<double> bulletSize;
    std::optional<Color> bulletColor;
    RunProperties run;
};
using ListStyle = std::array<LevelStyle, kLevels>;

template <typename T>
void take(std::optional<T>& into, const std::optional<T>& from) {
    if (from) into = from;
}
void take(QString& into, const QString& from) {
    if (!from.isEmpty()) into = from;
}

void mergeRun(RunProperties& into, const RunProperties& from) {
    take(into.size, from.size);
    take(into.bold, from.bold);
    take(into.italic, from.italic);
    take(into.underline, from.underline);
    take(into.strike, from.strike);
    take(into.baseline, from.baseline);
    take(into.capitals, from.capitals);
    take(into.fill, from.fill);
    take(into.latin, from.latin);
    take(into.eastAsian, from.eastAsian);
}

void mergeLevel(LevelStyle& into, const LevelStyle& from) {
    take(into.alignment, from.alignment);
    take(into.marginLeft, from.marginLeft);
    take(into.indent, from.indent);
    if (from.lineSpacingPercent || from.lineSpacingPoints) {
        into.lineSpacingPercent = from.lineSpacingPercent;
        into.lineSpacingPoints = from.lineSpacingPoints;
    }
    if (from.spaceBeforePoints || from.spaceBeforePercent) {
        into.spaceBeforePoints = from.spaceBeforePoints;
        into.spaceBeforePercent = from.spaceBeforePercent;
    }
    if (from.spaceAfterPoints || from.spaceAfterPercent) {
        into.spaceAfterPoints = from.spaceAfterPoints;
        into.spaceAfterPercent = from.spaceAfterPercent;
    }
    if (from.bulletKind) {
        into.bulletKind = from.bulletKind;
        into.bulletCharacter = from.bulletCharacter;
        into.bulletScheme = from.bulletScheme;
        into.bulletStart = from.bulletStart;
    }
    take(into.bulletFont, from.bulletFont);
    take(into.bulletSize, from.bulletSize);
    take(into.bulletColor, from.bulletColor);
    mergeRun(into.run, from.run);
}

void readSpacing(const pugi::xml_node& node, std::optional<double>* pointsOut, std::optional<double>* percentOut) {
    if (!node) return;
    if (const auto pts = xml::child(node, Ns::A, "spcPts")) *pointsOut = xml::toDouble(pts.attribute("val"), 0) / 100.0;
    if (const auto pct = xml::child(node, Ns::A, "spcPct")) *percentOut = xml::toDouble(pct.attribute("val"), 0) / 100000.0;
}

LevelStyle readLevel(const pugi::xml_node& pPr) {
    LevelStyle level;
    if (!pPr) return level;
    level.alignment = text(pPr.attribute("algn"));
    if (const auto a = pPr.attribute("marL")) level.marginLeft = points(a);
    if (const auto a = pPr.attribute("indent")) level.indent = points(a);
    readSpacing(xml::child(pPr, Ns::A, "lnSpc"), &level.lineSpacingPoints, &level.lineSpacingPercent);
    readSpacing(xml::child(pPr, Ns::A, "spcBef"), &level.spaceBeforePoints, &level.spaceBeforePercent);
    readSpacing(xml::child(pPr, Ns::A, "spcAft"), &level.spaceAfterPoints, &level.spaceAfterPercent);
    for (auto c = pPr.first_child(); c; c = c.next_sibling()) {
        if (isA(c, "buNone")) {
            level.bulletKind = Bullet::Kind::None;
        } else if (isA(c, "buChar")) {
            level.bulletKind = Bullet::Kind::Character;
            level.bulletCharacter = text(c.attribute("char"));
        } else if (isA(c, "buAutoNum")) {
            level.bulletKind = Bullet::Kind::Number;
            level.bulletScheme = text(c.attribute("type"));
            level.bulletStart = std::max(1, c.attribute("startAt").as_int(1));
        } else if (isA(c, "buFont")) {
            level.bulletFont = text(c.attribute("typeface"));
        } else if (isA(c, "buSzPct")) {
            level.bulletSize = xml::toDouble(c.attribute("val"), 100000) / 100000.0;
        } else if (isA(c, "buClr")) {
            level.bulletColor = drawingml::readColor(c);
        }
    }
    if (const auto defaults = xml::child(pPr, Ns::A, "defRPr")) level.run = drawingml::readRunProperties(defaults);
    return level;
}

// a:lstStyle, p:titleStyle, p:bodyStyle, p:otherStyle, p:defaultTextStyle: a:lvl1pPr..a:lvl9pPr.
ListStyle readListStyle(const pugi::xml_node& node) {
    ListStyle list;
    if (!node) return list;
    for (int i = 0; i < kLevels; ++i) {
        const std::string local = "lvl" + std::to_string(i + 1) + "pPr";
        list[size_t(i)] = readLevel(xml::child(node, Ns::A, local.c_str()));
    }
    return list;
}

void mergeList(ListStyle& into, const ListStyle& from) {
    for (int i = 0; i < kLevels; ++i) mergeLevel(into[size_t(i)], from[size_t(i)]);
}

// Body properties merged the same way; the autofit scale belongs to the shape alone.
struct BodyStyle {
    drawingml::BodyProperties body;
    double fontScale = 1;
    double lineSpacingReduction = 0;
};

void mergeBody(BodyStyle& into, const pugi::xml_node& bodyPr, bool own) {
    if (!bodyPr) return;
    const auto from = drawingml::readBodyProperties(bodyPr);
    auto& b = into.body;
    take(b.leftInset, from.leftInset);
    take(b.topInset, from.topInset);
    take(b.rightInset, from.rightInset);
    take(b.bottomInset, from.bottomInset);
    take(b.anchor, from.anchor);
    take(b.anchorCentered, from.anchorCentered);
    take(b.wrap, from.wrap);
    take(b.vertical, from.vertical);
    take(b.autoFit, from.autoFit);
    if (own) {
        if (const auto fit = xml::child(bodyPr, Ns::A, "normAutofit")) {
            if (const auto a = fit.attribute("fontScale")) into.fontScale = std::clamp(xml::toDouble(a, 100000) / 100000.0, 0.01, 1.0);
            if (const auto a = fit.attribute("lnSpcReduction")) into.lineSpacingReduction = std::clamp(xml::toDouble(a, 0) / 100000.0, 0.0, 0.9);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Placeholders of a layout or master, which the slide's placeholders take their place, text
// styles and body properties from.

struct PlaceholderTemplate {
    QString type;  // as written, "obj" when absent
    QString idx;
    pugi::xml_node shape;
};

QString placeholderCategory(const QString& type) {
    if (type == QLatin1String("title") || type == QLatin1String("ctrTitle")) return QStringLiteral("title");
    if (type == QLatin1String("dt") || type == QLatin1String("ftr") || type == QLatin1String("sldNum") ||
        type == QLatin1String("hdr"))
        return type;
    return QStringLiteral("body");
}

pugi::xml_node nonVisualProperties(const pugi::xml_node& shape) {
    for (auto c = shape.first_child(); c; c = c.next_sibling()) {
        const std::string_view local = xml::localName(c);
        if (local.substr(0, 2) == "nv" && xml::namespaceOf(c) == Ns::P) return c;
    }
    return {};
}

pugi::xml_node placeholderOf(const pugi::xml_node& shape) {
    return xml::child(xml::child(nonVisualProperties(shape), Ns::P, "nvPr"), Ns::P, "ph");
}

std::vector<PlaceholderTemplate> placeholdersOf(const PartDoc& part) {
    std::vector<PlaceholderTemplate> list;
    const auto tree = xml::child(xml::child(part.root, Ns::P, "cSld"), Ns::P, "spTree");
    for (auto c = tree.first_child(); c; c = c.next_sibling()) {
        const auto ph = placeholderOf(c);
        if (!ph) continue;
        PlaceholderTemplate t;
        t.type = ph.attribute("type") ? text(ph.attribute("type")) : QStringLiteral("obj");
        t.idx = text(ph.attribute("idx"));
        t.shape = c;
        list.push_back(t);
    }
    return list;
}

// The layout's placeholder for a slide's: the one with the same index, else the same type,
// else the same kind (a title for a centred title).
const PlaceholderTemplate* matchInLayout(const std::vector<PlaceholderTemplate>& list, const QString& type,
                                         const QString& idx) {
    if (!idx.isEmpty()) {
        for (const auto& t : list)
            if (t.idx == idx) return &t;
    }
    for (const auto& t : list)
        if (t.type == type) return &t;
    const QString category = placeholderCategory(type);
    if (category != QLatin1String("body")) {
        for (const auto& t : list)
            if (placeholderCategory(t.type) == category) return &t;
    }
    return nullptr;
}

// The master's placeholder: by kind only, the body standing for every kind of content.
const PlaceholderTemplate* matchInMaster(const std::vector<PlaceholderTemplate>& list, const QString& type) {
    const QString category = placeholderCategory(type);
    for (const auto& t : list)
        if (placeholderCategory(t.type) == category) return &t;
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// Reading one slide

struct GroupMap {
    double sx = 1, sy = 1, dx = 0, dy = 0;
    QRectF apply(const QRectF& r) const {
        return {r.x() * sx + dx, r.y() * sy + dy, r.width() * sx, r.height() * sy};
    }
};

// Where an element and its parts come from: the part whose relationships its r:ids use, and
// the templates its placeholders inherit from (none for a master's own shapes).
struct Source {
    const PartDoc* part = nullptr;
    const std::vector<PlaceholderTemplate>* layout = nullptr;
    const std::vector<PlaceholderTemplate>* master = nullptr;
};

class SlideReader {
public:
    SlideReader(const Presentation& presentation, int index, const SlideReadOptions& options)
        : m_presentation(presentation), m_index(index), m_options(options) {}

    SlideModel read();

private:
    const Package& package() const { return m_presentation.package(); }
    const QString& file() const { return m_presentation.name(); }

    QColor color(const Color& c, const std::optional<drawingml::Rgba>& placeholder = std::nullopt) const;
    Paint paint(const Fill& fill, const PartDoc& source, const std::optional<drawingml::Rgba>& placeholder,
                const Paint* groupFill) const;
    Stroke stroke(const Line& line, const std::optional<drawingml::Rgba>& placeholder) const;
    QImage picture(const PartDoc& source, const QString& relId) const;
    std::optional<drawingml::Rgba> rgba(const Color& c) const;

    void readTree(const pugi::xml_node& tree, const Source& source, const GroupMap& map, const Paint* groupFill,
                  bool placeholdersToo, std::vector<SlideElement>* out);
    void readElement(const pugi::xml_node& node, const Source& source, const GroupMap& map, const Paint* groupFill,
                     bool placeholdersToo, std::vector<SlideElement>* out);
    void readShapeLike(const pugi::xml_node& node, const Source& source, const GroupMap& map, const Paint* groupFill,
                       SlideElement& element);
    void readGraphicFrame(const pugi::xml_node& node, const Source& source, SlideElement& element);
    void readTable(const pugi::xml_node& tbl, const PartDoc& source, SlideElement& element);
    Paint themePaint(const Fill& fill, const std::optional<drawingml::Rgba>& placeholder, const Paint* groupFill) const;
    TextFrame readText(const pugi::xml_node& txBody, const ListStyle& base, const BodyStyle& body,
                       const std::optional<drawingml::Rgba>& fontColor) const;
    Paint background(const PartDoc& part, bool* found) const;

    const Presentation& m_presentation;
    int m_index;
    SlideReadOptions m_options;
    drawingml::Theme m_theme;
    PartDoc m_themeSource;  // the theme's part and relationships (its fills' pictures); no XML
    drawingml::ColorScheme m_scheme = drawingml::defaultColorScheme();
    drawingml::ColorMap m_map = drawingml::ColorMap::standard();
    drawingml::FontScheme m_fonts;
    ListStyle m_titleStyle, m_bodyStyle, m_otherStyle, m_defaultStyle;
    mutable QHash<QString, QImage> m_pictures;  // by part name
    mutable QSet<QString> m_undecoded;           // parts left for a reading without limit
    mutable bool m_numbered = false;              // a slide number field was read
};

std::optional<drawingml::Rgba> SlideReader::rgba(const Color& c) const {
    return drawingml::resolve(c, m_scheme, m_map);
}

QColor SlideReader::color(const Color& c, const std::optional<drawingml::Rgba>& placeholder) const {
    const auto resolved = drawingml::resolve(c, m_scheme, m_map, placeholder);
    return resolved ? resolved->toQColor() : QColor(Qt::black);
}

QImage SlideReader::picture(const PartDoc& source, const QString& relId) const {
    const QString part = source.target(relId);
    if (part.isEmpty() || !package().hasPart(part)) return {};
    auto it = m_pictures.find(part);
    if (it != m_pictures.end()) return *it;
    QImage image;
    try {
        QByteArray bytes = package().part(part);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize size = reader.size();  // from the header alone
        const qint64 pixels = size.isValid() ? qint64(size.width()) * size.height() : -1;
        const bool slow = pixels < 0 ? bytes.size() > kQuickPictureBytes : pixels > kQuickPicturePixels;
        if (m_options.onlyQuickPictures && slow && pixels <= kMaxPicturePixels) {
            m_undecoded.insert(part);
        } else {
            if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide))
                reader.setScaledSize(size.scaled(kMaxPictureSide, kMaxPictureSide, Qt::KeepAspectRatio));
            if (pixels <= kMaxPicturePixels) image = reader.read();
        }
    } catch (const DocumentError&) {
        // A picture part that cannot be read is drawn as an empty frame, like one that does not decode.
    }
    m_pictures.insert(part, image);
    return image;
}

Paint SlideReader::paint(const Fill& fill, const PartDoc& source, const std::optional<drawingml::Rgba>& placeholder,
                         const Paint* groupFill) const {
    Paint p;
    switch (fill.kind) {
    case Fill::Kind::None:
        break;
    case Fill::Kind::Solid:
        p.kind = Paint::Kind::Solid;
        p.color = color(fill.color, placeholder);
        break;
    case Fill::Kind::Gradient:
        p.kind = fill.path.isEmpty() ? Paint::Kind::LinearGradient : Paint::Kind::RadialGradient;
        for (const auto& stop : fill.stops) p.stops.emplace_back(stop.position, color(stop.color, placeholder));
        std::sort(p.stops.begin(), p.stops.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        p.angle = fill.linearAngle.value_or(90);
        if (p.stops.empty()) p.kind = Paint::Kind::None;
        else p.color = p.stops.front().second;
        break;
    case Fill::Kind::Pattern: {
        // Drawn as the blend of its two colours, which is how a pattern reads at a glance.
        const QColor fg = color(fill.foreground, placeholder);
        const QColor bg = fill.background.isSet() ? color(fill.background, placeholder) : QColor(Qt::white);
        p.kind = Paint::Kind::Solid;
        p.color = QColor((fg.red() + bg.red()) / 2, (fg.green() + bg.green()) / 2, (fg.blue() + bg.blue()) / 2,
                         (fg.alpha() + bg.alpha()) / 2);
        break;
    }
    case Fill::Kind::Picture:
        p.kind = Paint::Kind::Picture;
        p.image = picture(source, fill.blipRelId);
        p.tile = fill.tile;
        if (p.image.isNull()) p.kind = Paint::Kind::None;
        if (p.tile && !p.image.isNull()) {
            // A tile is the picture at its own resolution (96 dpi when it states none).
            const double dpiX = p.image.dotsPerMeterX() > 0 ? p.image.dotsPerMeterX() * 0.0254 : 96;
            const double dpiY = p.image.dotsPerMeterY() > 0 ? p.image.dotsPerMeterY() * 0.0254 : 96;
            p.tileSize = QSizeF(p.image.width() * 72 / dpiX * fill.tileScaleX,
                                p.image.height() * 72 / dpiY * fill.tileScaleY);
            p.tileOffset = QPointF(fill.tileOffsetX, fill.tileOffsetY);
        }
        else if (fill.duotone.size() == 2)
            p.image = duotoneOfPicture(p.image, color(fill.duotone[0], placeholder),
                                       color(fill.duotone[1], placeholder));
        break;
    case Fill::Kind::Group:
        if (groupFill) p = *groupFill;
        break;
    }
    return p;
}

Stroke SlideReader::stroke(const Line& line, const std::optional<drawingml::Rgba>& placeholder) const {
    Stroke s;
    if (line.fill) {
        switch (line.fill->kind) {
        case Fill::Kind::Solid:
            s.visible = true;
            s.color = color(line.fill->color, placeholder);
            break;
        case Fill::Kind::Gradient:
            s.visible = !line.fill->stops.empty();
            if (s.visible) s.color = color(line.fill->stops.front().color, placeholder);
            break;
        case Fill::Kind::Pattern:
            s.visible = true;
            s.color = color(line.fill->foreground, placeholder);
            break;
        default:
            break;
        }
    }
    s.width = line.width.value_or(0.75);
    s.dash = line.dash;
    if (line.head) s.head = line.head->type;
    if (line.tail) s.tail = line.tail->type;
    return s;
}

// A fill of the theme's format scheme: its pictures are the theme part's relationships.
Paint SlideReader::themePaint(const Fill& fill, const std::optional<drawingml::Rgba>& placeholder,
                              const Paint* groupFill) const {
    return paint(fill, m_themeSource, placeholder, groupFill);
}

Paint SlideReader::background(const PartDoc& part, bool* found) const {
    *found = false;
    const auto bg = xml::child(xml::child(part.root, Ns::P, "cSld"), Ns::P, "bg");
    if (!bg) return {};
    if (const auto bgPr = xml::child(bg, Ns::P, "bgPr")) {
        if (const auto fill = drawingml::readFill(bgPr)) {
            *found = true;
            return paint(*fill, part, std::nullopt, nullptr);
        }
    }
    if (const auto bgRef = xml::child(bg, Ns::P, "bgRef")) {
        const int idx = bgRef.attribute("idx").as_int(0);
        const auto phClr = rgba(drawingml::readColor(bgRef));
        *found = true;
        if (const Fill* fill = m_theme.fillOf(idx)) {
            Paint p = themePaint(*fill, phClr, nullptr);
            if (p.isVisible() || fill->kind == Fill::Kind::None) return p;
        }
        Paint p;  // a reference the theme cannot answer (or a picture it lacks): the reference's own colour
        p.kind = Paint::Kind::Solid;
        p.color = phClr ? phClr->toQColor() : QColor(Qt::white);
        return p;
    }
    return {};
}

TextFrame SlideReader::readText(const pugi::xml_node& txBody, const ListStyle& base, const BodyStyle& bodyStyle,
                                const std::optional<drawingml::Rgba>& fontColor) const {
    TextFrame frame;
    const auto& body = bodyStyle.body;
    frame.left = body.leftInset.value_or(frame.left);
    frame.top = body.topInset.value_or(frame.top);
    frame.right = body.rightInset.value_or(frame.right);
    frame.bottom = body.bottomInset.value_or(frame.bottom);
    if (!body.anchor.isEmpty()) frame.anchor = body.anchor;
    frame.anchorCentered = body.anchorCentered.value_or(false);
    frame.wrap = body.wrap != QLatin1String("none");
    frame.autoFit = body.autoFit;
    frame.vertical = body.vertical;
    frame.fontScale = bodyStyle.fontScale;
    frame.lineSpacingReduction = bodyStyle.lineSpacingReduction;

    ListStyle styles = base;
    mergeList(styles, readListStyle(xml::child(txBody, Ns::A, "lstStyle")));

    auto makeRun = [&](const RunProperties& props, const QString& text) {
        TextRun run;
        run.text = text;
        run.size = props.size.value_or(18.0);
        run.bold = props.bold.value_or(false);
        run.italic = props.italic.value_or(false);
        run.underline = !props.underline.isEmpty() && props.underline != QLatin1String("none");
        run.strike = !props.strike.isEmpty() && props.strike != QLatin1String("noStrike");
        run.baseline = props.baseline.value_or(0);
        if (props.capitals != QLatin1String("none")) run.capitals = props.capitals;
        const QString face = props.latin && !props.latin->isEmpty() ? *props.latin : QStringLiteral("+mn-lt");
        run.family = drawingml::resolveTypeface(face, m_fonts);
        if (run.family.isEmpty()) run.family = QStringLiteral("Calibri");
        if (props.fill && props.fill->kind == Fill::Kind::Solid) {
            run.color = color(props.fill->color);
        } else if (props.fill && props.fill->kind == Fill::Kind::Gradient && !props.fill->stops.empty()) {
            run.color = color(props.fill->stops.front().color);
        } else if (fontColor) {
            run.color = fontColor->toQColor();
        } else {
            Color tx1;
            tx1.kind = Color::Kind::Scheme;
            tx1.name = QStringLiteral("tx1");
            run.color = color(tx1);
        }
        return run;
    };

    for (const auto p : xml::children(txBody, Ns::A, "p")) {
        const auto pPr = xml::child(p, Ns::A, "pPr");
        const int level = std::clamp(pPr.attribute("lvl").as_int(0), 0, kLevels - 1);
        LevelStyle style = styles[size_t(level)];
        mergeLevel(style, readLevel(pPr));

        TextParagraph paragraph;
        paragraph.level = level;
        if (!style.alignment.isEmpty()) paragraph.alignment = style.alignment;
        paragraph.marginLeft = style.marginLeft.value_or(0);
        paragraph.indent = style.indent.value_or(0);
        if (style.lineSpacingPoints) paragraph.lineSpacingPoints = *style.lineSpacingPoints;
        else paragraph.lineSpacing = style.lineSpacingPercent.value_or(1.0);
        paragraph.lineSpacing = std::max(0.1, paragraph.lineSpacing - frame.lineSpacingReduction);
        const double defaultSize = style.run.size.value_or(18.0);
        paragraph.spaceBefore = style.spaceBeforePoints.value_or(style.spaceBeforePercent.value_or(0) * defaultSize);
        paragraph.spaceAfter = style.spaceAfterPoints.value_or(style.spaceAfterPercent.value_or(0) * defaultSize);

        for (auto c = p.first_child(); c; c = c.next_sibling()) {
            if (xml::namespaceOf(c) != Ns::A) continue;
            const std::string_view local = xml::localName(c);
            if (local != "r" && local != "fld" && local != "br") continue;
            RunProperties props = style.run;
            if (const auto rPr = xml::child(c, Ns::A, "rPr")) mergeRun(props, drawingml::readRunProperties(rPr));
            QString t = local == "br" ? QStringLiteral("\n") : QString::fromUtf8(xml::child(c, Ns::A, "t").text().get());
            // A slide number field shows the slide's own number, whatever text it was saved with.
            if (local == "fld" && QString::fromUtf8(c.attribute("type").value()) == QLatin1String("slidenum")) {
                t = QString::number(m_index + 1);
                m_numbered = true;
            }
            paragraph.runs.push_back(makeRun(props, t));
        }
        RunProperties endProps = style.run;
        if (const auto end = xml::child(p, Ns::A, "endParaRPr")) mergeRun(endProps, drawingml::readRunProperties(end));
        paragraph.end = makeRun(endProps, QString());

        if (style.bulletKind && *style.bulletKind != Bullet::Kind::None) {
            paragraph.bullet.kind = *style.bulletKind;
            paragraph.bullet.character = style.bulletCharacter;
            paragraph.bullet.scheme = style.bulletScheme;
            paragraph.bullet.startAt = style.bulletStart;
            if (style.bulletFont) paragraph.bullet.family = drawingml::resolveTypeface(*style.bulletFont, m_fonts);
            paragraph.bullet.sizeScale = style.bulletSize.value_or(1.0);
            if (style.bulletColor) paragraph.bullet.color = color(*style.bulletColor);
        }
        frame.paragraphs.push_back(std::move(paragraph));
    }
    return frame;
}

void SlideReader::readTree(const pugi::xml_node& tree, const Source& source, const GroupMap& map,
                           const Paint* groupFill, bool placeholdersToo, std::vector<SlideElement>* out) {
    for (auto c = tree.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        readElement(c, source, map, groupFill, placeholdersToo, out);
    }
}

bool readOffsetAndExtent(const pugi::xml_node& xfrm, QRectF* rect) {
    const auto off = xml::child(xfrm, Ns::A, "off");
    const auto ext = xml::child(xfrm, Ns::A, "ext");
    if (!off || !ext) return false;
    *rect = QRectF(points(off.attribute("x")), points(off.attribute("y")), points(ext.attribute("cx")),
                   points(ext.attribute("cy")));
    return true;
}

void readTransform(const pugi::xml_node& xfrm, const GroupMap& map, SlideElement& element) {
    QRectF r;
    if (readOffsetAndExtent(xfrm, &r)) element.frame = map.apply(r);
    element.rotation = xml::toDouble(xfrm.attribute("rot"), 0) / 60000.0;
    element.flipH = drawingml::optionalBool(xfrm.attribute("flipH")).value_or(false);
    element.flipV = drawingml::optionalBool(xfrm.attribute("flipV")).value_or(false);
}

// The adjust values and paths of a geometry. Guide references other than the shape's
// width and height and "val" guides read as 0: the producers' custom shapes write numbers.
void readGeometry(const pugi::xml_node& spPr, SlideElement& element) {
    if (const auto prst = xml::child(spPr, Ns::A, "prstGeom")) {
        element.geometry = text(prst.attribute("prst"));
        for (const auto gd : xml::children(xml::child(prst, Ns::A, "avLst"), Ns::A, "gd")) {
            const QString formula = text(gd.attribute("fmla")).simplified();
            if (formula.startsWith(QLatin1String("val "))) element.adjustments[text(gd.attribute("name"))] = formula.mid(4).toDouble();
        }
        return;
    }
    const auto cust = xml::child(spPr, Ns::A, "custGeom");
    if (!cust) return;
    element.geometry = QStringLiteral("custom");
    std::map<QString, double> guides;
    for (const char* list : {"avLst", "gdLst"}) {
        for (const auto gd : xml::children(xml::child(cust, Ns::A, list), Ns::A, "gd")) {
            const QString formula = text(gd.attribute("fmla")).simplified();
            if (formula.startsWith(QLatin1String("val "))) guides[text(gd.attribute("name"))] = formula.mid(4).toDouble();
        }
    }
    for (const auto pathNode : xml::children(xml::child(cust, Ns::A, "pathLst"), Ns::A, "path")) {
        CustomPath path;
        path.width = xml::toDouble(pathNode.attribute("w"), 0);
        path.height = xml::toDouble(pathNode.attribute("h"), 0);
        path.filled = text(pathNode.attribute("fill")) != QLatin1String("none");
        path.stroked = drawingml::optionalBool(pathNode.attribute("stroke")).value_or(true);
        auto value = [&](const pugi::xml_attribute& a) {
            bool ok = false;
            const QString s = text(a);
            const double v = s.toDouble(&ok);
            if (ok) return v;
            if (s == QLatin1String("w") || s == QLatin1String("r")) return path.width;
            if (s == QLatin1String("h") || s == QLatin1String("b")) return path.height;
            if (s == QLatin1String("hc")) return path.width / 2;
            if (s == QLatin1String("vc")) return path.height / 2;
            const auto it = guides.find(s);
            return it != guides.end() ? it->second : 0.0;
        };
        auto point = [&](const pugi::xml_node& pt) { return QPointF(value(pt.attribute("x")), value(pt.attribute("y"))); };
        for (auto cmd = pathNode.first_child(); cmd; cmd = cmd.next_sibling()) {
            if (isA(cmd, "moveTo")) {
                path.path.moveTo(point(xml::child(cmd, Ns::A, "pt")));
            } else if (isA(cmd, "lnTo")) {
                path.path.lineTo(point(xml::child(cmd, Ns::A, "pt")));
            } else if (isA(cmd, "cubicBezTo") || isA(cmd, "quadBezTo")) {
                std::vector<QPointF> pts;
                for (const auto pt : xml::children(cmd, Ns::A, "pt")) pts.push_back(point(pt));
                if (pts.size() == 3) path.path.cubicTo(pts[0], pts[1], pts[2]);
                else if (pts.size() == 2) path.path.quadTo(pts[0], pts[1]);
            } else if (isA(cmd, "arcTo")) {
                // An arc of the ellipse with radii wR, hR that passes through the current point at
                // angle stAng, swept by swAng (60000ths of a degree, clockwise on screen).
                const double wr = value(cmd.attribute("wR"));
                const double hr = value(cmd.attribute("hR"));
                const double start = value(cmd.attribute("stAng")) / 60000.0;
                const double sweep = value(cmd.attribute("swAng")) / 60000.0;
                const QPointF current = path.path.currentPosition();
                const double rad = qDegreesToRadians(start);
                const QPointF centre(current.x() - wr * std::cos(rad), current.y() - hr * std::sin(rad));
                path.path.arcTo(QRectF(centre.x() - wr, centre.y() - hr, 2 * wr, 2 * hr), -start, -sweep);
            } else if (isA(cmd, "close")) {
                path.path.closeSubpath();
            }
        }
        if (path.width <= 0 || path.height <= 0) {
            const QRectF bounds = path.path.boundingRect();
            path.width = std::max(1.0, bounds.right());
            path.height = std::max(1.0, bounds.bottom());
        }
        element.customPaths.push_back(std::move(path));
    }
}

void SlideReader::readShapeLike(const pugi::xml_node& node, const Source& source, const GroupMap& map,
                                const Paint* groupFill, SlideElement& element) {
    const bool isPicture = isP(node, "pic");
    const auto spPr = xml::child(node, Ns::P, "spPr");
    const auto ph = placeholderOf(node);
    const PlaceholderTemplate* fromLayout = nullptr;
    const PlaceholderTemplate* fromMaster = nullptr;
    if (ph) {
        element.placeholder = ph.attribute("type") ? text(ph.attribute("type")) : QStringLiteral("obj");
        const QString idx = text(ph.attribute("idx"));
        if (source.layout) fromLayout = matchInLayout(*source.layout, element.placeholder, idx);
        if (source.master) fromMaster = matchInMaster(*source.master, element.placeholder);
    }

    // Place: the shape's own, else its layout placeholder's, else its master placeholder's.
    std::vector<pugi::xml_node> chain;  // spPr from the outermost template to the shape's own
    if (fromMaster) chain.push_back(xml::child(fromMaster->shape, Ns::P, "spPr"));
    if (fromLayout) chain.push_back(xml::child(fromLayout->shape, Ns::P, "spPr"));
    chain.push_back(spPr);
    for (const auto& s : chain) {
        const auto xfrm = xml::child(s, Ns::A, "xfrm");
        if (xml::child(xfrm, Ns::A, "off")) readTransform(xfrm, s == spPr ? map : GroupMap{}, element);
    }
    for (const auto& s : chain) {
        if (xml::child(s, Ns::A, "prstGeom") || xml::child(s, Ns::A, "custGeom")) {
            element.adjustments.clear();
            element.customPaths.clear();
            readGeometry(s, element);
        }
    }

    // Fill and line: stated in spPr (the shape's own or a template's), else the style's
    // references into the theme.
    const auto style = drawingml::readShapeStyle(xml::child(node, Ns::P, "style"));
    std::optional<Fill> fill;
    std::optional<Line> line;
    for (const auto& s : chain) {
        if (auto f = drawingml::readFill(s)) fill = f;
        if (const auto ln = xml::child(s, Ns::A, "ln")) line = drawingml::readLine(ln);
    }
    const PartDoc& part = *source.part;
    if (!isPicture) {
        if (fill) {
            element.fill = paint(*fill, part, std::nullopt, groupFill);
        } else if (style.fill) {
            if (const Fill* themed = m_theme.fillOf(style.fill->index))
                element.fill = themePaint(*themed, rgba(style.fill->color), groupFill);
        }
    }
    std::optional<Line> styled;
    std::optional<drawingml::Rgba> lineColor;
    if (style.line) {
        if (const Line* themed = m_theme.lineOf(style.line->index)) styled = *themed;
        lineColor = rgba(style.line->color);
    }
    if (line || styled) {
        Line merged = styled.value_or(Line{});
        if (line) {
            if (line->width) merged.width = line->width;
            if (line->fill) merged.fill = line->fill;
            if (!line->dash.isEmpty()) merged.dash = line->dash;
            if (line->head) merged.head = line->head;
            if (line->tail) merged.tail = line->tail;
        }
        element.line = stroke(merged, lineColor);
    }

    if (isPicture) {
        const auto blipFill = xml::child(node, Ns::P, "blipFill");
        const auto blip = xml::child(blipFill, Ns::A, "blip");
        element.image = picture(part, xml::relationshipId(blip, "embed"));
        const auto asFill = drawingml::readFillElement(blipFill);
        if (asFill && asFill->duotone.size() == 2 && !element.image.isNull())
            element.image = duotoneOfPicture(element.image, color(asFill->duotone[0]), color(asFill->duotone[1]));
        if (const auto src = xml::child(blipFill, Ns::A, "srcRect")) {
            const double l = xml::toDouble(src.attribute("l"), 0) / 100000.0;
            const double t = xml::toDouble(src.attribute("t"), 0) / 100000.0;
            const double r = xml::toDouble(src.attribute("r"), 0) / 100000.0;
            const double b = xml::toDouble(src.attribute("b"), 0) / 100000.0;
            if (1 - l - r > 0 && 1 - t - b > 0) element.sourceRect = QRectF(l, t, 1 - l - r, 1 - t - b);
        }
    }

    // Text: the master's text style for the kind of shape, then the templates' list styles and
    // body properties, then the shape's own.
    const auto txBody = xml::child(node, Ns::P, "txBody");
    if (!txBody) return;
    ListStyle base;
    if (!ph) {
        base = m_defaultStyle;
    } else {
        const QString category = placeholderCategory(element.placeholder);
        base = category == QLatin1String("title") ? m_titleStyle
               : category == QLatin1String("body") ? m_bodyStyle
                                                   : m_otherStyle;
    }
    BodyStyle body;
    for (const PlaceholderTemplate* t : {fromMaster, fromLayout}) {
        if (!t) continue;
        const auto templateBody = xml::child(t->shape, Ns::P, "txBody");
        mergeList(base, readListStyle(xml::child(templateBody, Ns::A, "lstStyle")));
        mergeBody(body, xml::child(templateBody, Ns::A, "bodyPr"), false);
    }
    mergeBody(body, xml::child(txBody, Ns::A, "bodyPr"), true);
    std::optional<drawingml::Rgba> fontColor;
    if (style.font) fontColor = rgba(style.font->color);
    // The style's font colour stands above the inherited text styles (the presentation's
    // defaults name tx1 for every level, which would otherwise draw white shape text black);
    // the shape's own list style and runs still override it.
    if (fontColor) {
        for (LevelStyle& level : base) level.run.fill.reset();
    }
    element.text = readText(txBody, base, body, fontColor);
}

void SlideReader::readTable(const pugi::xml_node& tbl, const PartDoc& source, SlideElement& element) {
    Table& table = element.table;
    for (const auto col : xml::children(xml::child(tbl, Ns::A, "tblGrid"), Ns::A, "gridCol"))
        table.columnWidths.push_back(points(col.attribute("w")));
    const auto tblPr = xml::child(tbl, Ns::A, "tblPr");
    const QString styleId = QString::fromUtf8(xml::child(tblPr, Ns::A, "tableStyleId").text().get()).trimmed();
    const bool firstRow = drawingml::optionalBool(tblPr.attribute("firstRow")).value_or(false);
    const bool bandRow = drawingml::optionalBool(tblPr.attribute("bandRow")).value_or(false);
    const bool styled = styleId.isEmpty() || styleId == QLatin1String(kDefaultTableStyle);
    auto scheme = [&](const char* slot, std::optional<std::pair<drawingml::ColorTransform::Kind, int>> t = std::nullopt) {
        Color c;
        c.kind = Color::Kind::Scheme;
        c.name = QString::fromLatin1(slot);
        if (t) c.transforms.push_back({t->first, t->second});
        return color(c);
    };
    Stroke grid;
    grid.visible = true;
    grid.width = 1;
    grid.color = styled ? scheme("lt1") : QColor(0x80, 0x80, 0x80);

    ListStyle base = m_otherStyle;
    int r = 0;
    for (const auto tr : xml::children(tbl, Ns::A, "tr")) {
        table.rowHeights.push_back(points(tr.attribute("h")));
        std::vector<TableCell> cells;
        for (const auto tc : xml::children(tr, Ns::A, "tc")) {
            TableCell cell;
            cell.columnSpan = std::max(1, tc.attribute("gridSpan").as_int(1));
            cell.rowSpan = std::max(1, tc.attribute("rowSpan").as_int(1));
            cell.merged = drawingml::optionalBool(tc.attribute("hMerge")).value_or(false) ||
                          drawingml::optionalBool(tc.attribute("vMerge")).value_or(false);
            const auto tcPr = xml::child(tc, Ns::A, "tcPr");
            BodyStyle body;
            body.body.leftInset = points(tcPr.attribute("marL"), 7.2);
            body.body.rightInset = points(tcPr.attribute("marR"), 7.2);
            body.body.topInset = points(tcPr.attribute("marT"), 3.6);
            body.body.bottomInset = points(tcPr.attribute("marB"), 3.6);
            body.body.anchor = text(tcPr.attribute("anchor"));
            const bool header = firstRow && r == 0;
            std::optional<drawingml::Rgba> fontColor;
            if (styled && header) fontColor = drawingml::Rgba::fromRgb(scheme("lt1").rgb() & 0xFFFFFFu);
            ListStyle cellBase = base;
            if (styled && header) cellBase[0].run.bold = true;
            cell.text = readText(xml::child(tc, Ns::A, "txBody"), cellBase, body, fontColor);
            if (const auto f = drawingml::readFill(tcPr)) {
                cell.fill = paint(*f, source, std::nullopt, nullptr);
            } else if (styled) {
                // The default table style: an accent header, rows banded in tints of the accent.
                cell.fill.kind = Paint::Kind::Solid;
                const int band = firstRow ? r - 1 : r;
                cell.fill.color = header ? scheme("accent1")
                                  : (bandRow && band % 2 == 0)
                                      ? scheme("accent1", std::make_pair(drawingml::ColorTransform::Kind::Tint, 40000))
                                      : scheme("accent1", std::make_pair(drawingml::ColorTransform::Kind::Tint, 20000));
            }
            Stroke* sides[] = {&cell.left, &cell.right, &cell.top, &cell.bottom};
            const char* names[] = {"lnL", "lnR", "lnT", "lnB"};
            for (int i = 0; i < 4; ++i) {
                if (const auto ln = xml::child(tcPr, Ns::A, names[i])) *sides[i] = stroke(drawingml::readLine(ln), std::nullopt);
                else *sides[i] = grid;
            }
            cells.push_back(std::move(cell));
        }
        table.rows.push_back(std::move(cells));
        ++r;
    }
}

void SlideReader::readGraphicFrame(const pugi::xml_node& node, const Source& source, SlideElement& element) {
    const auto graphicData = xml::child(xml::child(node, Ns::A, "graphic"), Ns::A, "graphicData");
    const std::string_view uri = graphicData.attribute("uri").value();
    if (xml::isChartGraphicUri(uri)) {
        element.kind = SlideElement::Kind::Chart;
        element.chartPart = source.part->target(xml::relationshipId(xml::child(graphicData, Ns::C, "chart")));
        return;
    }
    if (uri == kTableUri) {
        if (const auto tbl = xml::child(graphicData, Ns::A, "tbl")) {
            element.kind = SlideElement::Kind::Table;
            readTable(tbl, *source.part, element);
            return;
        }
    }
    element.kind = SlideElement::Kind::Unknown;
    const QString u = QString::fromUtf8(uri.data(), qsizetype(uri.size()));
    element.what = u.isEmpty() ? QStringLiteral("graphic frame") : u.section(u'/', -1);
}

void SlideReader::readElement(const pugi::xml_node& node, const Source& source, const GroupMap& map,
                              const Paint* groupFill, bool placeholdersToo, std::vector<SlideElement>* out) {
    if (xml::is(node, Ns::Mc, "AlternateContent")) {
        // The choices name extensions this reader does not know; the fallback is what older
        // readers draw.
        const auto fallback = xml::child(node, Ns::Mc, "Fallback");
        readTree(fallback ? fallback : xml::child(node, Ns::Mc, "Choice"), source, map, groupFill, placeholdersToo, out);
        return;
    }
    const Ns ns = xml::namespaceOf(node);
    const std::string_view local = xml::localName(node);
    if (ns == Ns::P && (local == "nvGrpSpPr" || local == "grpSpPr" || local == "extLst")) return;

    const auto nv = nonVisualProperties(node);
    const auto cNvPr = xml::child(nv, Ns::P, "cNvPr");
    if (drawingml::optionalBool(cNvPr.attribute("hidden")).value_or(false)) return;
    if (!placeholdersToo && placeholderOf(node)) return;

    SlideElement element;
    element.id = cNvPr.attribute("id").as_int(0);
    element.name = text(cNvPr.attribute("name"));

    if (ns == Ns::P && (local == "sp" || local == "cxnSp" || local == "pic")) {
        element.kind = local == "pic" ? SlideElement::Kind::Picture : SlideElement::Kind::Shape;
        readShapeLike(node, source, map, groupFill, element);
    } else if (ns == Ns::P && local == "grpSp") {
        element.kind = SlideElement::Kind::Group;
        const auto grpSpPr = xml::child(node, Ns::P, "grpSpPr");
        const auto xfrm = xml::child(grpSpPr, Ns::A, "xfrm");
        readTransform(xfrm, map, element);
        GroupMap inner = map;
        QRectF children;
        const auto chOff = xml::child(xfrm, Ns::A, "chOff");
        const auto chExt = xml::child(xfrm, Ns::A, "chExt");
        if (chOff && chExt) {
            children = QRectF(points(chOff.attribute("x")), points(chOff.attribute("y")),
                              points(chExt.attribute("cx")), points(chExt.attribute("cy")));
            const QRectF own = element.frame;
            inner.sx = children.width() > 0 ? own.width() / children.width() : 1;
            inner.sy = children.height() > 0 ? own.height() / children.height() : 1;
            inner.dx = own.x() - children.x() * inner.sx;
            inner.dy = own.y() - children.y() * inner.sy;
        }
        Paint ownFill;
        if (auto f = drawingml::readFill(grpSpPr)) ownFill = paint(*f, *source.part, std::nullopt, groupFill);
        readTree(node, source, inner, &ownFill, placeholdersToo, &element.children);
    } else if (ns == Ns::P && local == "graphicFrame") {
        readTransform(xml::child(node, Ns::P, "xfrm"), map, element);
        readGraphicFrame(node, source, element);
    } else {
        element.kind = SlideElement::Kind::Unknown;
        element.what = QString::fromUtf8(node.name());
        // Whatever it is, its place is the first transform it holds, if any.
        pugi::xml_node xfrm = node.find_node([](const pugi::xml_node& n) {
            return xml::localName(n) == std::string_view("xfrm");
        });
        if (xfrm) readTransform(xfrm, map, element);
    }
    out->push_back(std::move(element));
}

SlideModel SlideReader::read() {
    SlideModel model;
    model.size = QSizeF(m_presentation.slideWidth() / kEmuPerPoint, m_presentation.slideHeight() / kEmuPerPoint);
    model.slidePart = m_presentation.slidePartName(m_index);
    if (model.slidePart.isEmpty()) {
        throw DocumentError(DocumentError::Kind::Missing, file(), QString(),
                            QStringLiteral("there is no slide %1").arg(m_index + 1));
    }
    const PartDoc slide = loadPart(package(), file(), model.slidePart);
    const Relationship* layoutRel = slide.rels.firstOfType(QString::fromLatin1(xml::rel::kSlideLayout));
    if (!layoutRel || layoutRel->targetPart.isEmpty() || !package().hasPart(layoutRel->targetPart))
        throw DocumentError(DocumentError::Kind::Corrupt, file(), model.slidePart,
                            QStringLiteral("slide has no layout"));
    model.layoutPart = layoutRel->targetPart;
    const PartDoc layout = loadPart(package(), file(), model.layoutPart);
    const Relationship* masterRel = layout.rels.firstOfType(QString::fromLatin1(xml::rel::kSlideMaster));
    if (!masterRel || masterRel->targetPart.isEmpty() || !package().hasPart(masterRel->targetPart))
        throw DocumentError(DocumentError::Kind::Corrupt, file(), model.layoutPart,
                            QStringLiteral("layout has no slide master"));
    model.masterPart = masterRel->targetPart;
    const PartDoc master = loadPart(package(), file(), model.masterPart);

    if (const Relationship* themeRel = master.rels.firstOfType(QString::fromLatin1(xml::rel::kTheme))) {
        if (!themeRel->targetPart.isEmpty() && package().hasPart(themeRel->targetPart)) {
            try {
                m_theme = drawingml::readTheme(package().part(themeRel->targetPart), file(), themeRel->targetPart);
                model.themePart = themeRel->targetPart;
                m_themeSource.part = themeRel->targetPart;
                m_themeSource.rels = package().relationships(themeRel->targetPart);
            } catch (const DocumentError&) {
                // A theme that cannot be read leaves the office defaults.
            }
        }
    }
    if (m_theme.colors) m_scheme = *m_theme.colors;
    if (m_theme.fonts) m_fonts = *m_theme.fonts;
    if (m_fonts.minor.latin.isEmpty()) m_fonts.minor.latin = QStringLiteral("Calibri");
    if (m_fonts.major.latin.isEmpty()) m_fonts.major.latin = QStringLiteral("Calibri Light");

    // The colour map: the master's, unless the layout or the slide override it.
    m_map = drawingml::readColorMap(xml::child(master.root, Ns::P, "clrMap"));
    for (const PartDoc* part : {&layout, &slide}) {
        const auto over = xml::child(xml::child(part->root, Ns::P, "clrMapOvr"), Ns::A, "overrideClrMapping");
        if (over) m_map = drawingml::readColorMap(over);
    }
    model.theme = m_theme;
    model.colorMap = m_map;

    // Text styles: the presentation's defaults for plain text, the master's for placeholders.
    const auto txStyles = xml::child(master.root, Ns::P, "txStyles");
    m_titleStyle = readListStyle(xml::child(txStyles, Ns::P, "titleStyle"));
    m_bodyStyle = readListStyle(xml::child(txStyles, Ns::P, "bodyStyle"));
    m_otherStyle = readListStyle(xml::child(txStyles, Ns::P, "otherStyle"));
    const Relationships packageRels = package().relationships(QString());
    if (const Relationship* main = packageRels.firstOfType(QString::fromLatin1(xml::rel::kOfficeDocument))) {
        try {
            const PartDoc presentation = loadPart(package(), file(), main->targetPart);
            m_defaultStyle = readListStyle(xml::child(presentation.root, Ns::P, "defaultTextStyle"));
        } catch (const DocumentError&) {
            m_defaultStyle = m_otherStyle;
        }
    }

    bool found = false;
    for (const PartDoc* part : {&slide, &layout, &master}) {
        model.background = background(*part, &found);
        if (found) break;
    }
    if (!found) {
        model.background.kind = Paint::Kind::Solid;
        model.background.color = Qt::white;
    }

    const auto masterPlaceholders = placeholdersOf(master);
    const auto layoutPlaceholders = placeholdersOf(layout);
    auto tree = [](const PartDoc& part) { return xml::child(xml::child(part.root, Ns::P, "cSld"), Ns::P, "spTree"); };
    auto showsMaster = [](const PartDoc& part) {
        return drawingml::optionalBool(part.root.attribute("showMasterSp")).value_or(true);
    };
    // The master's and the layout's own shapes lie under the slide's; their placeholders are
    // templates, not content.
    if (showsMaster(slide) && showsMaster(layout))
        readTree(tree(master), Source{&master, nullptr, nullptr}, {}, nullptr, false, &model.elements);
    if (showsMaster(slide))
        readTree(tree(layout), Source{&layout, nullptr, &masterPlaceholders}, {}, nullptr, false, &model.elements);
    readTree(tree(slide), Source{&slide, &layoutPlaceholders, &masterPlaceholders}, {}, nullptr, true, &model.elements);
    model.undecodedPictures = int(m_undecoded.size());
    model.showsNumber = m_numbered;
    return model;
}

}  // namespace

bool TextFrame::hasText() const {
    for (const auto& p : paragraphs)
        for (const auto& r : p.runs)
            if (!r.text.trimmed().isEmpty()) return true;
    return false;
}

SlideModel readSlideModel(const Presentation& presentation, int index, const SlideReadOptions& options) {
    return SlideReader(presentation, index, options).read();
}

}  // namespace engine::slide
