#pragma once

#include "engine/drawingml/Color.h"

#include <QString>
#include <optional>
#include <pugixml.hpp>
#include <vector>

// Shape properties (a:spPr and the fills, lines and effects of a theme's format scheme) and style
// references, as the document states them. Every attribute the document may leave out is an
// optional: absent is not the same as present with the default value, because what an absent
// value means depends on the producer and the element, which the format resolver decides.

namespace engine::drawingml {

struct GradientStop {
    double position = 0;  // 0..1 (a:gs pos in thousandths of a percent)
    Color color;
};

struct Fill {
    enum class Kind { None, Solid, Gradient, Pattern, Picture, Group };
    Kind kind = Kind::None;  // None is a:noFill, an explicit "no fill"
    Color color;             // Solid

    // Gradient
    std::vector<GradientStop> stops;
    std::optional<double> linearAngle;  // degrees (a:lin ang in 60000ths)
    std::optional<bool> linearScaled;
    QString path;                       // a:path: "circle", "rect" or "shape"; "" for linear
    std::optional<bool> rotateWithShape;
    QString flip;                       // a:gradFill flip

    // Pattern
    QString pattern;  // a:pattFill prst ("pct5", "dkDnDiag"...)
    Color foreground;
    Color background;

    // Picture
    QString blipRelId;  // a:blip r:embed
    // a:blip a:duotone: the picture recoloured from the first colour (its darkest) to the
    // second (its lightest); empty when the blip has none (or not the two it needs).
    std::vector<Color> duotone;
    bool stretch = false;
    bool tile = false;
    // a:tile: each tile the picture at its own size times these scales, the tiling moved by the
    // offset (points) from the filled box's top-left corner.
    double tileScaleX = 1;
    double tileScaleY = 1;
    double tileOffsetX = 0;
    double tileOffsetY = 0;
};

// Reads the fill choice among node's children (a:noFill, a:solidFill, a:gradFill, a:pattFill,
// a:blipFill, a:grpFill); nullopt when node has none.
std::optional<Fill> readFill(const pugi::xml_node& node);
// Reads one fill element; nullopt when it is not one.
std::optional<Fill> readFillElement(const pugi::xml_node& element);

struct LineEnd {
    QString type;    // "none", "triangle", "stealth", "diamond", "oval", "arrow"
    QString width;   // "sm", "med", "lg"; "" when absent
    QString length;
};

struct Line {
    std::optional<double> width;  // points (a:ln w in EMU)
    QString compound;             // cmpd: "sng", "dbl", "thickThin", "thinThick", "tri"; "" absent
    QString cap;                  // "rnd", "sq", "flat"; "" absent
    QString alignment;            // algn: "ctr", "in"; "" absent
    std::optional<Fill> fill;
    QString dash;                 // a:prstDash val; "" when absent
    std::vector<std::pair<int, int>> customDash;  // a:custDash: dash and space, thousandths of %
    QString join;                 // "round", "bevel", "miter"; "" absent
    std::optional<int> miterLimit;
    std::optional<LineEnd> head;
    std::optional<LineEnd> tail;
};
Line readLine(const pugi::xml_node& ln);

// An effect list: kept as whether there is one, and its outer shadow when it has one, which is
// what charts use; the elements stay in the part.
struct Effects {
    bool empty = true;  // a:effectLst with no effect (an explicit "no effects")
    struct Shadow {
        std::optional<double> blurRadius;  // points
        std::optional<double> distance;    // points
        std::optional<double> direction;   // degrees
        QString alignment;
        Color color;
    };
    std::optional<Shadow> outerShadow;
    bool hasOther = false;  // glow, soft edge, reflection, inner shadow...
    // The width of the bevel on the shape's top face (a:sp3d/a:bevelT w, points), from the
    // a:sp3d beside the list in a shape's properties or a theme's effect style; nullopt for none.
    std::optional<double> bevelWidth;
};
Effects readEffects(const pugi::xml_node& effectLst);
// The top bevel's width an a:sp3d gives (6 pt when a:bevelT names none); nullopt without one.
std::optional<double> readBevelWidth(const pugi::xml_node& sp3d);

struct ShapeProperties {
    std::optional<Fill> fill;
    std::optional<Line> line;
    std::optional<Effects> effects;  // a:effectLst (a:effectDag is not modelled)
    QString presetGeometry;          // a:prstGeom prst
    bool has3D = false;              // a:scene3d or a:sp3d present
    std::optional<double> bevelWidth;  // a:sp3d's top bevel, points
};
ShapeProperties readShapeProperties(const pugi::xml_node& spPr);

// A reference into the theme's format scheme with a colour (a:lnRef, a:fillRef, a:effectRef):
// index 0 is "none", 1..3 the scheme's lists, 1001.. the background fills.
struct StyleReference {
    int index = 0;
    Color color;
};
// A reference to a theme font (a:fontRef): idx "major", "minor" or "none".
struct FontReference {
    QString index;
    Color color;
};
struct ShapeStyle {
    std::optional<StyleReference> line;
    std::optional<StyleReference> fill;
    std::optional<StyleReference> effect;
    std::optional<FontReference> font;
};
// Reads a style (p:style, cs:* entries...) whose children are a:lnRef, a:fillRef, a:effectRef
// and a:fontRef, whatever the container's namespace.
ShapeStyle readShapeStyle(const pugi::xml_node& style);

// Reads an optional boolean attribute as the schema spells it ("1", "true", "0", "false").
std::optional<bool> optionalBool(const pugi::xml_attribute& attribute);

}  // namespace engine::drawingml
