#include "engine/drawingml/ShapeProperties.h"

#include "engine/drawingml/Units.h"
#include "engine/package/Xml.h"
#include "engine/package/XmlValues.h"

#include <algorithm>
#include <cstring>

namespace engine::drawingml {

using xml::Ns;

namespace {

using xml::text;



std::optional<double> optionalNumber(const pugi::xml_attribute& attribute, double scale) {
    if (!attribute) return std::nullopt;
    return xml::toDouble(attribute, 0) / scale;
}

LineEnd readLineEnd(const pugi::xml_node& node) {
    return {text(node.attribute("type")), text(node.attribute("w")), text(node.attribute("len"))};
}

}  // namespace

std::optional<bool> optionalBool(const pugi::xml_attribute& attribute) {
    if (!attribute) return std::nullopt;
    return xml::xsdBooleanOr(attribute.value(), false);
}

std::optional<Fill> readFillElement(const pugi::xml_node& element) {
    if (element.type() != pugi::node_element || xml::namespaceOf(element) != Ns::A) return std::nullopt;
    const std::string_view local = xml::localName(element);
    Fill fill;
    if (local == "noFill") {
        fill.kind = Fill::Kind::None;
    } else if (local == "solidFill") {
        fill.kind = Fill::Kind::Solid;
        fill.color = readColor(element);
    } else if (local == "gradFill") {
        fill.kind = Fill::Kind::Gradient;
        for (const auto gs : xml::children(xml::child(element, Ns::A, "gsLst"), Ns::A, "gs")) {
            fill.stops.push_back({xml::toDouble(gs.attribute("pos"), 0) / 100000.0, readColor(gs)});
        }
        if (const auto lin = xml::child(element, Ns::A, "lin")) {
            fill.linearAngle = optionalNumber(lin.attribute("ang"), 60000.0);
            fill.linearScaled = optionalBool(lin.attribute("scaled"));
        }
        if (const auto path = xml::child(element, Ns::A, "path")) fill.path = text(path.attribute("path"));
        fill.rotateWithShape = optionalBool(element.attribute("rotWithShape"));
        fill.flip = text(element.attribute("flip"));
    } else if (local == "pattFill") {
        fill.kind = Fill::Kind::Pattern;
        fill.pattern = text(element.attribute("prst"));
        fill.foreground = readColor(xml::child(element, Ns::A, "fgClr"));
        fill.background = readColor(xml::child(element, Ns::A, "bgClr"));
    } else if (local == "blipFill") {
        fill.kind = Fill::Kind::Picture;
        const auto blip = xml::child(element, Ns::A, "blip");
        fill.blipRelId = xml::relationshipId(blip, "embed");
        if (const auto duotone = xml::child(blip, Ns::A, "duotone")) {
            for (auto c = duotone.first_child(); c; c = c.next_sibling()) {
                if (const Color color = readColorElement(c); color.isSet()) fill.duotone.push_back(color);
            }
            if (fill.duotone.size() != 2) fill.duotone.clear();
        }
        fill.stretch = bool(xml::child(element, Ns::A, "stretch"));
        if (const auto tile = xml::child(element, Ns::A, "tile")) {
            fill.tile = true;
            // A scale of zero or less would make no tile at all: the picture's own size.
            auto scale = [&](const char* name) {
                const double v = xml::toDouble(tile.attribute(name), 100000) / 100000.0;
                return v > 0 ? v : 1.0;
            };
            fill.tileScaleX = scale("sx");
            fill.tileScaleY = scale("sy");
            fill.tileOffsetX = xml::toDouble(tile.attribute("tx"), 0) / kEmuPerPoint;
            fill.tileOffsetY = xml::toDouble(tile.attribute("ty"), 0) / kEmuPerPoint;
        }
        fill.rotateWithShape = optionalBool(element.attribute("rotWithShape"));
    } else if (local == "grpFill") {
        fill.kind = Fill::Kind::Group;
    } else {
        return std::nullopt;
    }
    return fill;
}

std::optional<Fill> readFill(const pugi::xml_node& node) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (auto fill = readFillElement(c)) return fill;
    }
    return std::nullopt;
}

Line readLine(const pugi::xml_node& ln) {
    Line line;
    // A width outside the schema's range (0 to 20116800 EMU, 1584 pt) is no width a reader can
    // draw: it counts as absent, and the line keeps the width it would have without it.
    line.width = optionalNumber(ln.attribute("w"), kEmuPerPoint);
    if (line.width && !(*line.width >= 0 && *line.width <= 20116800 / kEmuPerPoint)) line.width.reset();
    line.compound = text(ln.attribute("cmpd"));
    line.cap = text(ln.attribute("cap"));
    line.alignment = text(ln.attribute("algn"));
    line.fill = readFill(ln);
    if (const auto dash = xml::child(ln, Ns::A, "prstDash")) line.dash = text(dash.attribute("val"));
    for (const auto ds : xml::children(xml::child(ln, Ns::A, "custDash"), Ns::A, "ds")) {
        // Dash and space lengths are positive percentages; a negative one is taken as none.
        line.customDash.emplace_back(std::max(0, ds.attribute("d").as_int(0)), std::max(0, ds.attribute("sp").as_int(0)));
    }
    if (xml::child(ln, Ns::A, "round")) line.join = QStringLiteral("round");
    else if (xml::child(ln, Ns::A, "bevel")) line.join = QStringLiteral("bevel");
    else if (const auto miter = xml::child(ln, Ns::A, "miter")) {
        line.join = QStringLiteral("miter");
        if (miter.attribute("lim")) line.miterLimit = miter.attribute("lim").as_int(0);
    }
    if (const auto head = xml::child(ln, Ns::A, "headEnd")) line.head = readLineEnd(head);
    if (const auto tail = xml::child(ln, Ns::A, "tailEnd")) line.tail = readLineEnd(tail);
    return line;
}

Effects readEffects(const pugi::xml_node& effectLst) {
    Effects effects;
    for (pugi::xml_node e = effectLst.first_child(); e; e = e.next_sibling()) {
        if (e.type() != pugi::node_element) continue;
        effects.empty = false;
        if (xml::is(e, Ns::A, "outerShdw")) {
            Effects::Shadow shadow;
            shadow.blurRadius = optionalNumber(e.attribute("blurRad"), kEmuPerPoint);
            shadow.distance = optionalNumber(e.attribute("dist"), kEmuPerPoint);
            shadow.direction = optionalNumber(e.attribute("dir"), 60000.0);
            shadow.alignment = text(e.attribute("algn"));
            shadow.color = readColor(e);
            effects.outerShadow = shadow;
        } else {
            effects.hasOther = true;
        }
    }
    return effects;
}

std::optional<double> readBevelWidth(const pugi::xml_node& sp3d) {
    const auto bevel = xml::child(sp3d, Ns::A, "bevelT");
    if (!bevel) return std::nullopt;
    return optionalNumber(bevel.attribute("w"), kEmuPerPoint).value_or(6.0);
}

ShapeProperties readShapeProperties(const pugi::xml_node& spPr) {
    ShapeProperties properties;
    properties.fill = readFill(spPr);
    if (const auto ln = xml::child(spPr, Ns::A, "ln")) properties.line = readLine(ln);
    if (const auto effects = xml::child(spPr, Ns::A, "effectLst")) properties.effects = readEffects(effects);
    if (const auto geometry = xml::child(spPr, Ns::A, "prstGeom")) {
        properties.presetGeometry = text(geometry.attribute("prst"));
    }
    properties.has3D = xml::child(spPr, Ns::A, "scene3d") || xml::child(spPr, Ns::A, "sp3d");
    properties.bevelWidth = readBevelWidth(xml::child(spPr, Ns::A, "sp3d"));
    return properties;
}

ShapeStyle readShapeStyle(const pugi::xml_node& style) {
    ShapeStyle result;
    auto reference = [&](const char* local) -> std::optional<StyleReference> {
        const auto node = xml::child(style, Ns::A, local);
        if (!node) return std::nullopt;
        return StyleReference{node.attribute("idx").as_int(0), readColor(node)};
    };
    result.line = reference("lnRef");
    result.fill = reference("fillRef");
    result.effect = reference("effectRef");
    if (const auto font = xml::child(style, Ns::A, "fontRef")) {
        result.font = FontReference{text(font.attribute("idx")), readColor(font)};
    }
    return result;
}

}  // namespace engine::drawingml
