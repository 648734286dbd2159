#include "engine/drawingml/Color.h"

#include "engine/package/Xml.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine::drawingml {

using xml::Ns;

namespace {

double clamp01(double v) {
    return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0;
}

int channel(double v) {
    return static_cast<int>(std::lround(clamp01(v) * 255.0));
}

// IEC 61966-2-1 transfer functions between sRGB and linear light.
double toLinear(double c) {
    c = clamp01(c);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double toSrgb(double c) {
    c = clamp01(c);
    return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
}

struct Hsl {
    double h = 0, s = 0, l = 0;  // h in degrees 0..360, s and l 0..1
};

Hsl toHsl(const Rgba& c) {
    const double r = clamp01(c.r), g = clamp01(c.g), b = clamp01(c.b);
    const double high = std::max({r, g, b}), low = std::min({r, g, b});
    Hsl hsl;
    hsl.l = (high + low) / 2;
    const double d = high - low;
    if (d <= 0) return hsl;
    hsl.s = hsl.l > 0.5 ? d / (2 - high - low) : d / (high + low);
    if (high == r) hsl.h = std::fmod((g - b) / d + 6, 6.0);
    else if (high == g) hsl.h = (b - r) / d + 2;
    else hsl.h = (r - g) / d + 4;
    hsl.h *= 60;
    return hsl;
}

double hueChannel(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

void fromHsl(const Hsl& hsl, Rgba* c) {
    const double s = clamp01(hsl.s), l = clamp01(hsl.l);
    if (s <= 0) {
        c->r = c->g = c->b = l;
        return;
    }
    const double h = std::fmod(std::fmod(hsl.h, 360.0) + 360.0, 360.0) / 360.0;
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    c->r = hueChannel(p, q, h + 1.0 / 3);
    c->g = hueChannel(p, q, h);
    c->b = hueChannel(p, q, h - 1.0 / 3);
}

struct TransformName {
    const char* name;
    ColorTransform::Kind kind;
};

constexpr TransformName kTransforms[] = {
    {"tint", ColorTransform::Kind::Tint},         {"shade", ColorTransform::Kind::Shade},
    {"comp", ColorTransform::Kind::Comp},         {"inv", ColorTransform::Kind::Inv},
    {"gray", ColorTransform::Kind::Gray},         {"alpha", ColorTransform::Kind::Alpha},
    {"alphaOff", ColorTransform::Kind::AlphaOff}, {"alphaMod", ColorTransform::Kind::AlphaMod},
    {"hue", ColorTransform::Kind::Hue},           {"hueOff", ColorTransform::Kind::HueOff},
    {"hueMod", ColorTransform::Kind::HueMod},     {"sat", ColorTransform::Kind::Sat},
    {"satOff", ColorTransform::Kind::SatOff},     {"satMod", ColorTransform::Kind::SatMod},
    {"lum", ColorTransform::Kind::Lum},           {"lumOff", ColorTransform::Kind::LumOff},
    {"lumMod", ColorTransform::Kind::LumMod},     {"red", ColorTransform::Kind::Red},
    {"redOff", ColorTransform::Kind::RedOff},     {"redMod", ColorTransform::Kind::RedMod},
    {"green", ColorTransform::Kind::Green},       {"greenOff", ColorTransform::Kind::GreenOff},
    {"greenMod", ColorTransform::Kind::GreenMod}, {"blue", ColorTransform::Kind::Blue},
    {"blueOff", ColorTransform::Kind::BlueOff},   {"blueMod", ColorTransform::Kind::BlueMod},
    {"gamma", ColorTransform::Kind::Gamma},       {"invGamma", ColorTransform::Kind::InvGamma},
};

// Usual values of the system colours, for a:sysClr without lastClr.
unsigned systemColor(const QString& name) {
    static const QHash<QString, unsigned> colors{
        {"window", 0xFFFFFF},      {"windowText", 0x000000}, {"btnFace", 0xF0F0F0},
        {"btnText", 0x000000},     {"btnHighlight", 0xFFFFFF}, {"btnShadow", 0xA0A0A0},
        {"highlight", 0x0078D7},   {"highlightText", 0xFFFFFF}, {"grayText", 0x6D6D6D},
        {"menu", 0xF0F0F0},        {"menuText", 0x000000},   {"windowFrame", 0x646464},
        {"captionText", 0x000000}, {"infoBk", 0xFFFFE1},     {"infoText", 0x000000},
        {"3dLight", 0xE3E3E3},     {"3dDkShadow", 0x696969}, {"background", 0x000000}};
    return colors.value(name, 0x000000);
}

double percent(const pugi::xml_node& node, const char* name) {
    return xml::toDouble(node.attribute(name), 0) / 100000.0;
}

const char* const kSlotNames[kSchemeSlots] = {"dk1",     "lt1",     "dk2",     "lt2",
                                              "accent1", "accent2", "accent3", "accent4",
                                              "accent5", "accent6", "hlink",   "folHlink"};
// The colour map's attribute names, indexed like kSlotNames.
const char* const kMapNames[kSchemeSlots] = {"tx1",     "bg1",     "tx2",     "bg2",
                                             "accent1", "accent2", "accent3", "accent4",
                                             "accent5", "accent6", "hlink",   "folHlink"};

std::optional<SchemeSlot> slotNamed(const char* name) {
    for (int i = 0; i < kSchemeSlots; ++i) {
        if (std::strcmp(kSlotNames[i], name) == 0) return static_cast<SchemeSlot>(i);
    }
    return std::nullopt;
}

}  // namespace

Rgba Rgba::fromRgb(unsigned rgb) {
    Rgba c;
    c.r = ((rgb >> 16) & 0xFF) / 255.0;
    c.g = ((rgb >> 8) & 0xFF) / 255.0;
    c.b = (rgb & 0xFF) / 255.0;
    return c;
}

// Scheme values by SchemeReference::name: the colour map's names, then the slots' own names of
// the four a map can move.
QString SchemeReference::schemeValue() const {
    if (name < 0) return {};
    if (name < kSchemeSlots) return QString::fromLatin1(kMapNames[name]);
    if (name < kSchemeSlots + 4) return QString::fromLatin1(kSlotNames[name - kSchemeSlots]);
    return {};
}

SchemeReference SchemeReference::named(const QString& schemeValue) {
    SchemeReference reference;
    const QByteArray value = schemeValue.toLatin1();
    for (int i = 0; i < kSchemeSlots; ++i) {
        if (value == kMapNames[i]) reference.name = static_cast<signed char>(i);
    }
    for (int i = 0; i < 4; ++i) {
        if (value == kSlotNames[i]) reference.name = static_cast<signed char>(kSchemeSlots + i);
    }
    return reference;
}

void SchemeReference::append(const ColorTransform& transform) {
    if (name < 0) return;
    if (count >= kMaxTransforms) {
        *this = SchemeReference();
        return;
    }
    transforms[count++] = transform;
}

SchemeReference referenceTo(SchemeSlot slot, const ColorMap& map) {
    SchemeReference reference;
    for (int i = 0; i < kSchemeSlots; ++i) {
        if (map.map[static_cast<size_t>(i)] == slot) {
            reference.name = static_cast<signed char>(i);
            return reference;
        }
    }
    const int index = static_cast<int>(slot);
    if (index < 4) reference.name = static_cast<signed char>(kSchemeSlots + index);
    return reference;
}

const char* transformName(ColorTransform::Kind kind) {
    for (const TransformName& known : kTransforms) {
        if (known.kind == kind) return known.name;
    }
    return "";
}

int Rgba::red() const { return channel(r); }
int Rgba::green() const { return channel(g); }
int Rgba::blue() const { return channel(b); }
int Rgba::alpha() const { return channel(a); }

QColor Rgba::toQColor() const {
    return QColor(red(), green(), blue(), alpha());
}

QString Rgba::hex() const {
    return QStringLiteral("%1%2%3")
        .arg(red(), 2, 16, QLatin1Char('0'))
        .arg(green(), 2, 16, QLatin1Char('0'))
        .arg(blue(), 2, 16, QLatin1Char('0'))
        .toUpper();
}

std::optional<unsigned> presetColor(const QString& name) {
    // CSS names, by which the preset colours are defined; DrawingML also spells the dark,
    // light and medium variants dk, lt and med.
    static const QHash<QString, unsigned> table{
        {"aliceblue", 0xF0F8FF}, {"antiquewhite", 0xFAEBD7}, {"aqua", 0x00FFFF},
        {"aquamarine", 0x7FFFD4}, {"azure", 0xF0FFFF}, {"beige", 0xF5F5DC}, {"bisque", 0xFFE4C4},
        {"black", 0x000000}, {"blanchedalmond", 0xFFEBCD}, {"blue", 0x0000FF},
        {"blueviolet", 0x8A2BE2}, {"brown", 0xA52A2A}, {"burlywood", 0xDEB887},
        {"cadetblue", 0x5F9EA0}, {"chartreuse", 0x7FFF00}, {"chocolate", 0xD2691E},
        {"coral", 0xFF7F50}, {"cornflowerblue", 0x6495ED}, {"cornsilk", 0xFFF8DC},
        {"crimson", 0xDC143C}, {"cyan", 0x00FFFF}, {"darkblue", 0x00008B}, {"darkcyan", 0x008B8B},
        {"darkgoldenrod", 0xB8860B}, {"darkgray", 0xA9A9A9}, {"darkgrey", 0xA9A9A9},
        {"darkgreen", 0x006400}, {"darkkhaki", 0xBDB76B}, {"darkmagenta", 0x8B008B},
        {"darkolivegreen", 0x556B2F}, {"darkorange", 0xFF8C00}, {"darkorchid", 0x9932CC},
        {"darkred", 0x8B0000}, {"darksalmon", 0xE9967A}, {"darkseagreen", 0x8FBC8F},
        {"darkslateblue", 0x483D8B}, {"darkslategray", 0x2F4F4F}, {"darkslategrey", 0x2F4F4F},
        {"darkturquoise", 0x00CED1}, {"darkviolet", 0x9400D3}, {"deeppink", 0xFF1493},
        {"deepskyblue", 0x00BFFF}, {"dimgray", 0x696969}, {"dimgrey", 0x696969},
        {"dodgerblue", 0x1E90FF}, {"firebrick", 0xB22222}, {"floralwhite", 0xFFFAF0},
        {"forestgreen", 0x228B22}, {"fuchsia", 0xFF00FF}, {"gainsboro", 0xDCDCDC},
        {"ghostwhite", 0xF8F8FF}, {"gold", 0xFFD700}, {"goldenrod", 0xDAA520}, {"gray", 0x808080},
        {"grey", 0x808080}, {"green", 0x008000}, {"greenyellow", 0xADFF2F},
        {"honeydew", 0xF0FFF0}, {"hotpink", 0xFF69B4}, {"indianred", 0xCD5C5C},
        {"indigo", 0x4B0082}, {"ivory", 0xFFFFF0}, {"khaki", 0xF0E68C}, {"lavender", 0xE6E6FA},
        {"lavenderblush", 0xFFF0F5}, {"lawngreen", 0x7CFC00}, {"lemonchiffon", 0xFFFACD},
        {"lightblue", 0xADD8E6}, {"lightcoral", 0xF08080}, {"lightcyan", 0xE0FFFF},
        {"lightgoldenrodyellow", 0xFAFAD2}, {"lightgray", 0xD3D3D3}, {"lightgrey", 0xD3D3D3},
        {"lightgreen", 0x90EE90}, {"lightpink", 0xFFB6C1}, {"lightsalmon", 0xFFA07A},
        {"lightseagreen", 0x20B2AA}, {"lightskyblue", 0x87CEFA}, {"lightslategray", 0x778899},
        {"lightslategrey", 0x778899}, {"lightsteelblue", 0xB0C4DE}, {"lightyellow", 0xFFFFE0},
        {"lime", 0x00FF00}, {"limegreen", 0x32CD32}, {"linen", 0xFAF0E6}, {"magenta", 0xFF00FF},
        {"maroon", 0x800000}, {"mediumaquamarine", 0x66CDAA}, {"mediumblue", 0x0000CD},
        {"mediumorchid", 0xBA55D3}, {"mediumpurple", 0x9370DB}, {"mediumseagreen", 0x3CB371},
        {"mediumslateblue", 0x7B68EE}, {"mediumspringgreen", 0x00FA9A},
        {"mediumturquoise", 0x48D1CC}, {"mediumvioletred", 0xC71585},
        {"midnightblue", 0x191970}, {"mintcream", 0xF5FFFA}, {"mistyrose", 0xFFE4E1},
        {"moccasin", 0xFFE4B5}, {"navajowhite", 0xFFDEAD}, {"navy", 0x000080},
        {"oldlace", 0xFDF5E6}, {"olive", 0x808000}, {"olivedrab", 0x6B8E23},
        {"orange", 0xFFA500}, {"orangered", 0xFF4500}, {"orchid", 0xDA70D6},
        {"palegoldenrod", 0xEEE8AA}, {"palegreen", 0x98FB98}, {"paleturquoise", 0xAFEEEE},
        {"palevioletred", 0xDB7093}, {"papayawhip", 0xFFEFD5}, {"peachpuff", 0xFFDAB9},
        {"peru", 0xCD853F}, {"pink", 0xFFC0CB}, {"plum", 0xDDA0DD}, {"powderblue", 0xB0E0E6},
        {"purple", 0x800080}, {"red", 0xFF0000}, {"rosybrown", 0xBC8F8F},
        {"royalblue", 0x4169E1}, {"saddlebrown", 0x8B4513}, {"salmon", 0xFA8072},
        {"sandybrown", 0xF4A460}, {"seagreen", 0x2E8B57}, {"seashell", 0xFFF5EE},
        {"sienna", 0xA0522D}, {"silver", 0xC0C0C0}, {"skyblue", 0x87CEEB},
        {"slateblue", 0x6A5ACD}, {"slategray", 0x708090}, {"slategrey", 0x708090},
        {"snow", 0xFFFAFA}, {"springgreen", 0x00FF7F}, {"steelblue", 0x4682B4}, {"tan", 0xD2B48C},
        {"teal", 0x008080}, {"thistle", 0xD8BFD8}, {"tomato", 0xFF6347},
        {"turquoise", 0x40E0D0}, {"violet", 0xEE82EE}, {"wheat", 0xF5DEB3}, {"white", 0xFFFFFF},
        {"whitesmoke", 0xF5F5F5}, {"yellow", 0xFFFF00}, {"yellowgreen", 0x9ACD32}};
    QString key = name.toLower();
    if (key.startsWith(QLatin1String("dk"))) key = QStringLiteral("dark") + key.mid(2);
    else if (key.startsWith(QLatin1String("lt"))) key = QStringLiteral("light") + key.mid(2);
    else if (key.startsWith(QLatin1String("med")) && !key.startsWith(QLatin1String("medium")))
        key = QStringLiteral("medium") + key.mid(3);
    const auto it = table.constFind(key);
    if (it == table.constEnd()) return std::nullopt;
    return *it;
}

Color readColorElement(const pugi::xml_node& element) {
    Color color;
    if (element.type() != pugi::node_element || xml::namespaceOf(element) != Ns::A) return color;
    const std::string_view local = xml::localName(element);
    if (local == "srgbClr") {
        color.kind = Color::Kind::Rgb;
        bool ok = false;
        const unsigned rgb = QString::fromUtf8(element.attribute("val").value()).toUInt(&ok, 16);
        color.rgb = Rgba::fromRgb(ok ? rgb : 0);
    } else if (local == "scrgbClr") {
        color.kind = Color::Kind::Rgb;
        color.rgb.r = toSrgb(percent(element, "r"));
        color.rgb.g = toSrgb(percent(element, "g"));
        color.rgb.b = toSrgb(percent(element, "b"));
    } else if (local == "hslClr") {
        color.kind = Color::Kind::Rgb;
        fromHsl({xml::toDouble(element.attribute("hue"), 0) / 60000.0, percent(element, "sat"),
                 percent(element, "lum")},
                &color.rgb);
    } else if (local == "schemeClr") {
        color.kind = Color::Kind::Scheme;
        color.name = QString::fromUtf8(element.attribute("val").value());
    } else if (local == "sysClr") {
        color.kind = Color::Kind::System;
        color.name = QString::fromUtf8(element.attribute("val").value());
        bool ok = false;
        const unsigned last = QString::fromUtf8(element.attribute("lastClr").value()).toUInt(&ok, 16);
        color.rgb = Rgba::fromRgb(ok ? last : systemColor(color.name));
    } else if (local == "prstClr") {
        color.kind = Color::Kind::Preset;
        color.name = QString::fromUtf8(element.attribute("val").value());
        color.rgb = Rgba::fromRgb(presetColor(color.name).value_or(0));
    } else {
        return color;
    }
    for (pugi::xml_node t = element.first_child(); t; t = t.next_sibling()) {
        if (t.type() != pugi::node_element || xml::namespaceOf(t) != Ns::A) continue;
        for (const TransformName& known : kTransforms) {
            if (std::strcmp(known.name, xml::localName(t)) == 0) {
                color.transforms.push_back({known.kind, t.attribute("val").as_int(0)});
                break;
            }
        }
    }
    return color;
}

Color readColor(const pugi::xml_node& container) {
    for (pugi::xml_node c = container.first_child(); c; c = c.next_sibling()) {
        Color color = readColorElement(c);
        if (color.isSet()) return color;
    }
    return {};
}

ColorScheme readColorScheme(const pugi::xml_node& clrScheme) {
    ColorScheme scheme;
    scheme.name = QString::fromUtf8(clrScheme.attribute("name").value());
    for (pugi::xml_node c = clrScheme.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element || xml::namespaceOf(c) != Ns::A) continue;
        if (const auto slot = slotNamed(xml::localName(c))) {
            scheme.colors[static_cast<size_t>(*slot)] = readColor(c);
        }
    }
    return scheme;
}

ColorScheme defaultColorScheme() {
    static const unsigned values[kSchemeSlots] = {0x000000, 0xFFFFFF, 0x44546A, 0xE7E6E6,
                                                  0x4472C4, 0xED7D31, 0xA5A5A5, 0xFFC000,
                                                  0x5B9BD5, 0x70AD47, 0x0563C1, 0x954F72};
    ColorScheme scheme;
    scheme.name = QStringLiteral("Office");
    for (int i = 0; i < kSchemeSlots; ++i) {
        scheme.colors[static_cast<size_t>(i)].kind = Color::Kind::Rgb;
        scheme.colors[static_cast<size_t>(i)].rgb = Rgba::fromRgb(values[i]);
    }
    return scheme;
}

ColorMap ColorMap::standard() {
    ColorMap m;
    for (int i = 0; i < kSchemeSlots; ++i) m.map[static_cast<size_t>(i)] = static_cast<SchemeSlot>(i);
    return m;
}

SchemeSlot ColorMap::slotOf(const QString& schemeValue, bool* known) const {
    const QByteArray name = schemeValue.toLatin1();
    if (known) *known = true;
    for (int i = 0; i < kSchemeSlots; ++i) {
        if (name == kMapNames[i]) return map[static_cast<size_t>(i)];
    }
    // dk1, lt1, dk2 and lt2 name the scheme slots directly, past the map.
    if (const auto slot = slotNamed(name.constData())) return *slot;
    if (known) *known = false;
    return SchemeSlot::Dk1;
}

ColorMap readColorMap(const pugi::xml_node& element) {
    ColorMap m = ColorMap::standard();
    for (int i = 0; i < kSchemeSlots; ++i) {
        const pugi::xml_attribute a = xml::attribute(element, Ns::None, kMapNames[i]);
        if (!a) continue;
        if (const auto slot = slotNamed(a.value())) m.map[static_cast<size_t>(i)] = *slot;
    }
    return m;
}

Rgba applyTransforms(Rgba c, const std::vector<ColorTransform>& transforms) {
    using K = ColorTransform::Kind;
    for (const ColorTransform& t : transforms) {
        c.reference.append(t);
        const double v = t.value / 100000.0;
        switch (t.kind) {
        case K::Tint:
        case K::Shade: {
            double* channels[] = {&c.r, &c.g, &c.b};
            for (double* ch : channels) {
                const double linear = toLinear(*ch);
                *ch = toSrgb(t.kind == K::Shade ? linear * clamp01(v) : 1 - (1 - linear) * clamp01(v));
            }
            break;
        }
        case K::Comp: {
            Hsl hsl = toHsl(c);
            hsl.h += 180;
            fromHsl(hsl, &c);
            break;
        }
        case K::Inv: {
            double* channels[] = {&c.r, &c.g, &c.b};
            for (double* ch : channels) *ch = toSrgb(1 - toLinear(*ch));
            break;
        }
        case K::Gray:
            c.r = c.g = c.b = clamp01(0.22 * c.r + 0.72 * c.g + 0.06 * c.b);
            break;
        case K::Alpha: c.a = clamp01(v); break;
        case K::AlphaOff: c.a = clamp01(c.a + v); break;
        case K::AlphaMod: c.a = clamp01(c.a * v); break;
        case K::Hue:
        case K::HueOff:
        case K::HueMod:
        case K::Sat:
        case K::SatOff:
        case K::SatMod:
        case K::Lum:
        case K::LumOff:
        case K::LumMod: {
            Hsl hsl = toHsl(c);
            const double degrees = t.value / 60000.0;
            switch (t.kind) {
            case K::Hue: hsl.h = degrees; break;
            case K::HueOff: hsl.h += degrees; break;
            case K::HueMod: hsl.h *= v; break;
            case K::Sat: hsl.s = v; break;
            case K::SatOff: hsl.s += v; break;
            case K::SatMod: hsl.s *= v; break;
            case K::Lum: hsl.l = v; break;
            case K::LumOff: hsl.l += v; break;
            default: hsl.l *= v; break;
            }
            hsl.s = clamp01(hsl.s);
            hsl.l = clamp01(hsl.l);
            fromHsl(hsl, &c);
            break;
        }
        case K::Red:
        case K::RedOff:
        case K::RedMod:
        case K::Green:
        case K::GreenOff:
        case K::GreenMod:
        case K::Blue:
        case K::BlueOff:
        case K::BlueMod: {
            const int group = (static_cast<int>(t.kind) - static_cast<int>(K::Red)) / 3;
            const int op = (static_cast<int>(t.kind) - static_cast<int>(K::Red)) % 3;
            double* ch = group == 0 ? &c.r : group == 1 ? &c.g : &c.b;
            const double linear = toLinear(*ch);
            *ch = toSrgb(op == 0 ? v : op == 1 ? linear + v : linear * v);
            break;
        }
        case K::Gamma: {
            double* channels[] = {&c.r, &c.g, &c.b};
            for (double* ch : channels) *ch = toSrgb(*ch);
            break;
        }
        case K::InvGamma: {
            double* channels[] = {&c.r, &c.g, &c.b};
            for (double* ch : channels) *ch = toLinear(*ch);
            break;
        }
        }
    }
    return c;
}

std::optional<Rgba> resolve(const Color& color, const ColorScheme& scheme, const ColorMap& map,
                            const std::optional<Rgba>& placeholder) {
    Rgba base;
    switch (color.kind) {
    case Color::Kind::None:
        return std::nullopt;
    case Color::Kind::Rgb:
    case Color::Kind::System:
    case Color::Kind::Preset:
        base = color.rgb;
        break;
    case Color::Kind::Scheme: {
        if (color.name == QLatin1String("phClr")) {
            base = placeholder.value_or(Rgba{});
            break;
        }
        bool known = false;
        const SchemeSlot slot = map.slotOf(color.name, &known);
        const Color& entry = scheme[slot];
        // A scheme entry is itself a colour (srgbClr or sysClr, possibly transformed); an
        // entry that names the scheme again would never end, so it counts as unset.
        if (!known || !entry.isSet() || entry.kind == Color::Kind::Scheme) return std::nullopt;
        base = applyTransforms(entry.rgb, entry.transforms);
        // The entry's own transforms are the theme's; the reference starts past them.
        base.reference = SchemeReference::named(color.name);
        break;
    }
    }
    return applyTransforms(base, color.transforms);
}

}  // namespace engine::drawingml
