#pragma once

#include <QColor>
#include <QString>
#include <array>
#include <optional>
#include <pugixml.hpp>
#include <vector>

// DrawingML colours as a document states them (a base colour plus transforms, unresolved), the
// colour scheme and colour map they resolve through, and their resolution as Office does it.

namespace engine::drawingml {

// The slots of a theme's colour scheme, in the order of a:clrScheme.
enum class SchemeSlot { Dk1, Lt1, Dk2, Lt2, Accent1, Accent2, Accent3, Accent4, Accent5, Accent6, Hlink, FolHlink };
inline constexpr int kSchemeSlots = 12;

// One colour transform (a:lumMod, a:tint...) with its value as written: percentages in
// thousandths of a percent (100000 = 100 %), angles in 60000ths of a degree; 0 for the
// transforms that take none (comp, inv, gray, gamma, invGamma).
struct ColorTransform {
    enum class Kind {
        Tint, Shade, Comp, Inv, Gray, Alpha, AlphaOff, AlphaMod, Hue, HueOff, HueMod, Sat, SatOff,
        SatMod, Lum, LumOff, LumMod, Red, RedOff, RedMod, Green, GreenOff, GreenMod, Blue, BlueOff,
        BlueMod, Gamma, InvGamma
    };
    Kind kind;
    int value = 0;
};

// The theme colour a resolved colour stands for, when the theme gave it: the scheme value it is
// named by (as a part names it: "tx1", "accent2", "dk1") and the transforms applied to it since,
// in order. A colour stated outright (srgbClr, a system or preset colour) has none. A writer can
// put the reference back in place of the value, so that the colour follows a later theme.
struct SchemeReference {
    static constexpr int kMaxTransforms = 8;
    signed char name = -1;  // index of the scheme value, see schemeValue(); -1 for none
    unsigned char count = 0;
    std::array<ColorTransform, kMaxTransforms> transforms{};

    bool isSet() const { return name >= 0; }
    // "tx1", "bg1", "tx2", "bg2", "accent1".."accent6", "hlink", "folHlink", "dk1", "lt1",
    // "dk2", "lt2"; empty when unset.
    QString schemeValue() const;
    // The reference named by a scheme value, unset for phClr and names no scheme has.
    static SchemeReference named(const QString& schemeValue);
    // Appends a transform; a reference with no room for it is dropped, its colour then counting
    // as stated (still right, only no longer following the theme).
    void append(const ColorTransform& transform);
};

// A colour after resolution: sRGB channels and opacity, each 0..1, and the theme colour it
// stands for, when it came from one.
struct Rgba {
    double r = 0, g = 0, b = 0, a = 1;
    SchemeReference reference;

    static Rgba fromRgb(unsigned rgb);  // 0xRRGGBB, opaque
    // Channels rounded to 0..255.
    int red() const;
    int green() const;
    int blue() const;
    int alpha() const;
    QColor toQColor() const;
    QString hex() const;  // "RRGGBB", upper case, opacity left out
};

// A colour as written: which kind of base colour, its value, and its transforms in document
// order. Nothing is resolved here; a scheme colour names its slot ("accent1", "tx1", "phClr").
struct Color {
    enum class Kind { None, Rgb, Scheme, System, Preset };
    Kind kind = Kind::None;
    Rgba rgb;         // Rgb (srgbClr, scrgbClr, hslClr converted), Preset (its table value),
                      // System (lastClr, else the usual value of the system colour)
    QString name;     // Scheme: the scheme value; System: the system colour; Preset: the name
    std::vector<ColorTransform> transforms;

    bool isSet() const { return kind != Kind::None; }
};

// Reads a colour element (a:srgbClr, a:schemeClr, a:sysClr, a:prstClr, a:hslClr, a:scrgbClr);
// an element of another name gives an unset colour.
Color readColorElement(const pugi::xml_node& element);
// The colour held by a container (a:solidFill, a:gs, a:fgClr, a:dk1...): its first colour child.
Color readColor(const pugi::xml_node& container);

// A theme's colour scheme; a slot the theme leaves out is unset.
struct ColorScheme {
    QString name;
    std::array<Color, kSchemeSlots> colors;
    const Color& operator[](SchemeSlot slot) const { return colors[static_cast<size_t>(slot)]; }
};
ColorScheme readColorScheme(const pugi::xml_node& clrScheme);
// Office's default scheme of 2013-2022 ("Office"), for a chart with no theme at all.
ColorScheme defaultColorScheme();

// The colour map: which scheme slot bg1, tx1, bg2, tx2, accent1..6, hlink and folHlink stand
// for. A slide master carries one (p:clrMap); a chart may override it (c:clrMapOvr); a workbook
// has none and uses the standard one.
struct ColorMap {
    // Indexed like SchemeSlot, with Dk1/Lt1/Dk2/Lt2 standing for tx1/bg1/tx2/bg2.
    std::array<SchemeSlot, kSchemeSlots> map;
    static ColorMap standard();  // bg1=lt1, tx1=dk1, bg2=lt2, tx2=dk2, the rest to themselves
    SchemeSlot slotOf(const QString& schemeValue, bool* known = nullptr) const;
};
// The reference to a scheme slot as a part under the colour map names it: the map's name for
// the slot ("tx1" for dk1 under the standard map), else the slot's own name for dk1, lt1, dk2 and
// lt2; unset when no name reaches the slot.
SchemeReference referenceTo(SchemeSlot slot, const ColorMap& map);

// Reads the mapping attributes of p:clrMap, c:clrMapOvr or a:overrideClrMapping; attributes
// missing or unknown keep their standard meaning.
ColorMap readColorMap(const pugi::xml_node& element);

// Resolves a colour: its base through the map and scheme (phClr is the style colour given,
// black when none), then every transform in document order, as Office computes them:
// lum, sat and hue in HSL; tint and shade in linear RGB; red, green, blue, their offsets and
// modulations and inv in linear RGB; gray weighted in sRGB; alpha, alphaMod and alphaOff on the
// opacity, clamped to 0..1. An unset colour resolves to nullopt.
std::optional<Rgba> resolve(const Color& color, const ColorScheme& scheme, const ColorMap& map,
                            const std::optional<Rgba>& placeholder = std::nullopt);
// Applies transforms to a resolved colour (what resolve() does after the base).
Rgba applyTransforms(Rgba color, const std::vector<ColorTransform>& transforms);

// The element name of a colour transform ("lumMod", "tint"...).
const char* transformName(ColorTransform::Kind kind);

// The value of a preset colour name (a:prstClr val: "red", "dkBlue", "ltGray", "medSeaGreen"...).
std::optional<unsigned> presetColor(const QString& name);

}  // namespace engine::drawingml
