#include "engine/presentation/SlidePart.h"

#include "engine/package/Xml.h"
#include "engine/presentation/Ids.h"
#include "engine/package/OoxmlNames.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine {

namespace {

using xml::Ns;

// Shapes of a shape tree may be PresentationML or DrawingML elements, as groups nest.
bool isP(const pugi::xml_node& node, const char* local) {
    return xml::is(node, Ns::P, local);
}

// The transform of a group's children onto the slide: child = off + (x - chOff) * ext / chExt.
// Results are held to the range of a drawing coordinate: a group may scale its children by any
// factor, and a double beyond qint64 has no integer value.
qint64 toEmu(double value) {
    constexpr double kLimit = 27273042316900.0;
    if (std::isnan(value)) return 0;
    return static_cast<qint64>(std::clamp(value, -kLimit, kLimit));
}

struct GroupMap {
    double sx = 1, sy = 1, dx = 0, dy = 0;
    EmuRect apply(const EmuRect& r) const {
        return {toEmu(r.x * sx + dx), toEmu(r.y * sy + dy), toEmu(r.cx * sx), toEmu(r.cy * sy)};
    }
};

bool readXfrm(const pugi::xml_node& xfrm, EmuRect* rect) {
    const auto off = xml::child(xfrm, Ns::A, "off");
    const auto ext = xml::child(xfrm, Ns::A, "ext");
    if (!off || !ext) return false;
    rect->x = off.attribute("x").as_llong();
    rect->y = off.attribute("y").as_llong();
    rect->cx = ext.attribute("cx").as_llong();
    rect->cy = ext.attribute("cy").as_llong();
    return true;
}

QStringList paragraphsOf(const pugi::xml_node& txBody) {
    QStringList result;
    for (auto para : txBody.children()) {
        if (!xml::is(para, Ns::A, "p")) continue;
        QString text;
        for (auto run : para.children()) {
            if (xml::is(run, Ns::A, "r") || xml::is(run, Ns::A, "fld")) {
                text += QString::fromUtf8(xml::child(run, Ns::A, "t").text().get());
            } else if (xml::is(run, Ns::A, "br")) {
                text += u'\n';
            }
        }
        result << text;
    }
    return result;
}

void readTree(const pugi::xml_node& tree, const GroupMap& map, std::vector<SlideShape>* out);

void readShape(const pugi::xml_node& node, const GroupMap& map, std::vector<SlideShape>* out) {
    if (xml::is(node, Ns::Mc, "AlternateContent")) {
        // A reader that knows none of the choices takes the fallback.
        auto fallback = xml::child(node, Ns::Mc, "Fallback");
        auto branch = fallback ? fallback : xml::child(node, Ns::Mc, "Choice");
        const size_t first = out->size();
        for (auto c : branch.children()) readShape(c, map, out);
        // A frame of the newer chart kinds: its fallback picture stands for the chart.
        if (!fallback || out->size() != first + 1) return;
        for (auto choice : node.children()) {
            if (!xml::is(choice, Ns::Mc, "Choice")) continue;
            const auto gf = xml::child(choice, Ns::P, "graphicFrame");
            const auto data = xml::child(xml::child(gf, Ns::A, "graphic"), Ns::A, "graphicData");
            const QString relId = xml::relationshipId(xml::child(data, Ns::Cx, "chart"));
            if (relId.isEmpty()) continue;
            SlideShape& shape = out->back();
            shape.chartexRelId = relId;
            if (shape.tagsRelId.isEmpty()) {
                const auto nvPr = xml::child(xml::child(gf, Ns::P, "nvGraphicFramePr"), Ns::P, "nvPr");
                shape.tagsRelId = xml::relationshipId(xml::child(xml::child(nvPr, Ns::P, "custDataLst"), Ns::P, "tags"));
            }
            break;
        }
        return;
    }
    if (isP(node, "grpSp")) {
        EmuRect off, ch;
        const auto xfrm = xml::child(xml::child(node, Ns::P, "grpSpPr"), Ns::A, "xfrm");
        GroupMap inner = map;
        if (readXfrm(xfrm, &off)) {
            const auto chOff = xml::child(xfrm, Ns::A, "chOff");
            const auto chExt = xml::child(xfrm, Ns::A, "chExt");
            ch.x = chOff.attribute("x").as_llong();
            ch.y = chOff.attribute("y").as_llong();
            ch.cx = chExt.attribute("cx").as_llong();
            ch.cy = chExt.attribute("cy").as_llong();
            const double sx = ch.cx > 0 ? double(off.cx) / ch.cx : 1.0;
            const double sy = ch.cy > 0 ? double(off.cy) / ch.cy : 1.0;
            inner.sx = map.sx * sx;
            inner.sy = map.sy * sy;
            inner.dx = map.dx + map.sx * (off.x - ch.x * sx);
            inner.dy = map.dy + map.sy * (off.y - ch.y * sy);
        }
        readTree(node, inner, out);
        return;
    }
    const bool sp = isP(node, "sp"), pic = isP(node, "pic"), frame = isP(node, "graphicFrame");
    if (!sp && !pic && !frame && !isP(node, "cxnSp")) return;

    SlideShape shape;
    pugi::xml_node nv;
    for (auto c : node.children()) {
        if (c.type() == pugi::node_element && std::strncmp(xml::localName(c), "nv", 2) == 0) nv = c;
        if (nv) break;
    }
    const auto cNvPr = xml::child(nv, Ns::P, "cNvPr");
    shape.id = cNvPr.attribute("id").as_int();
    shape.name = QString::fromUtf8(cNvPr.attribute("name").value());
    shape.tagsRelId =
        xml::relationshipId(xml::child(xml::child(xml::child(nv, Ns::P, "nvPr"), Ns::P, "custDataLst"), Ns::P, "tags"));
    if (const auto ph = xml::child(xml::child(nv, Ns::P, "nvPr"), Ns::P, "ph")) {
        shape.placeholderType = ph.attribute("type") ? QString::fromUtf8(ph.attribute("type").value())
                                                      : QStringLiteral("body");
    }
    EmuRect rect;
    const auto xfrm = frame ? xml::child(node, Ns::P, "xfrm")
                            : xml::child(xml::child(node, Ns::P, "spPr"), Ns::A, "xfrm");
    if (readXfrm(xfrm, &rect)) {
        shape.hasFrame = true;
        shape.frame = map.apply(rect);
    }
    if (sp) {
        const auto txBody = xml::child(node, Ns::P, "txBody");
        shape.kind = txBody ? SlideShape::Kind::Text : SlideShape::Kind::Other;
        if (txBody) shape.paragraphs = paragraphsOf(txBody);
    } else if (pic) {
        shape.kind = SlideShape::Kind::Picture;
        shape.relId = xml::relationshipId(
            xml::child(xml::child(node, Ns::P, "blipFill"), Ns::A, "blip"), "embed");
    } else if (frame) {
        const auto data = xml::child(xml::child(node, Ns::A, "graphic"), Ns::A, "graphicData");
        if (xml::isChartGraphicUri(data.attribute("uri").value())) {
            shape.kind = SlideShape::Kind::Chart;
            shape.relId = xml::relationshipId(xml::child(data, Ns::C, "chart"));
        }
    }
    out->push_back(shape);
}

void readTree(const pugi::xml_node& tree, const GroupMap& map, std::vector<SlideShape>* out) {
    for (auto c : tree.children()) readShape(c, map, out);
}

void setFrame(pugi::xml_node xfrm, const std::string& prefixA, const EmuRect& r) {
    auto off = xfrm.append_child((prefixA + "off").c_str());
    off.append_attribute("x") = static_cast<long long>(r.x);
    off.append_attribute("y") = static_cast<long long>(r.y);
    auto ext = xfrm.append_child((prefixA + "ext").c_str());
    ext.append_attribute("cx") = static_cast<long long>(r.cx);
    ext.append_attribute("cy") = static_cast<long long>(r.cy);
}

std::string prefixPart(const std::string& qualified) {
    auto colon = qualified.find(':');
    return colon == std::string::npos ? std::string() : qualified.substr(0, colon + 1);
}

}  // namespace

SlidePart SlidePart::parse(const QByteArray& xml, const QString& file, const QString& part) {
    SlidePart slide;
    slide.m_doc = std::make_unique<pugi::xml_document>();
    parseXml(*slide.m_doc, xml, file, part);
    const auto root = slide.m_doc->document_element();
    if (!isP(root, "sld"))
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("root element is not p:sld"));
    slide.m_tree = xml::child(xml::child(root, Ns::P, "cSld"), Ns::P, "spTree");
    if (!slide.m_tree)
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("slide has no shape tree"));
    return slide;
}

std::vector<SlideShape> SlidePart::shapes() const {
    std::vector<SlideShape> result;
    readTree(m_tree, GroupMap{}, &result);
    return result;
}

int SlidePart::nextShapeId() const {
    std::vector<quint64> used;
    // Every non-visual properties element of the slide counts, whatever its nesting (groups,
    // alternate content), so that no new id repeats one anywhere in the slide.
    std::vector<pugi::xml_node> stack{m_doc->document_element()};
    while (!stack.empty()) {
        auto node = stack.back();
        stack.pop_back();
        if (xml::localName(node) == std::string_view("cNvPr")) used.push_back(node.attribute("id").as_ullong());
        for (auto c = node.first_child(); c; c = c.next_sibling())
            if (c.type() == pugi::node_element) stack.push_back(c);
    }
    // Shape ids are unsigned in the schema, but readers hold them as int: new ones stay below
    // 2^31, and id 1 is the shape tree's own.
    const auto id = nextFreeId(std::move(used), 2, 2147483647);
    if (!id)
        throw DocumentError(DocumentError::Kind::OverLimit,
                            QStringLiteral("no shape id is left on the slide"));
    return static_cast<int>(*id);
}

std::string SlidePart::p(const char* local) {
    return xml::qualifiedName(m_doc->document_element(), Ns::P, local);
}

std::string SlidePart::a(const char* local) {
    return xml::qualifiedName(m_doc->document_element(), Ns::A, local);
}

namespace {
// The shape tree: its group properties, then the shapes in drawing order, then extensions.
const xml::ChildSequence kShapeTreeChildren{
    {{Ns::P, "nvGrpSpPr"}},
    {{Ns::P, "grpSpPr"}},
    {{Ns::P, "sp"}, {Ns::P, "grpSp"}, {Ns::P, "graphicFrame"}, {Ns::P, "cxnSp"}, {Ns::P, "pic"},
     {Ns::P, "contentPart"}, {Ns::Mc, "AlternateContent"}},
    {{Ns::P, "extLst"}}};

// A new shape after every shape, before a closing extension list.
pugi::xml_node appendShapeNode(pugi::xml_node tree, const char* local) {
    return xml::insertChild(tree, kShapeTreeChildren, Ns::P, local);
}
}  // namespace

QByteArray SlidePart::newSlideXml(const std::vector<LayoutPlaceholder>& placeholders) {
    pugi::xml_document doc;
    auto declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    declaration.append_attribute("standalone") = "yes";
    auto root = doc.append_child("p:sld");
    root.append_attribute("xmlns:a") = xml::uriOf(Ns::A);
    root.append_attribute("xmlns:r") = xml::uriOf(Ns::R);
    root.append_attribute("xmlns:p") = xml::uriOf(Ns::P);
    auto tree = root.append_child("p:cSld").append_child("p:spTree");

    // The tree's own group: id 1, at the origin, no size.
    auto group = tree.append_child("p:nvGrpSpPr");
    auto groupId = group.append_child("p:cNvPr");
    groupId.append_attribute("id") = 1;
    groupId.append_attribute("name") = "";
    group.append_child("p:cNvGrpSpPr");
    group.append_child("p:nvPr");
    auto xfrm = tree.append_child("p:grpSpPr").append_child("a:xfrm");
    const auto point = [&](const char* name, const char* x, const char* y) {
        auto node = xfrm.append_child(name);
        node.append_attribute(x) = 0;
        node.append_attribute(y) = 0;
    };
    point("a:off", "x", "y");
    point("a:ext", "cx", "cy");
    point("a:chOff", "x", "y");
    point("a:chExt", "cx", "cy");

    // One empty shape per placeholder of the layout, as the presentation application makes them.
    int id = 2;
    for (const auto& ph : placeholders) {
        auto sp = appendShapeNode(tree, "sp");
        auto nv = sp.append_child("p:nvSpPr");
        auto c = nv.append_child("p:cNvPr");
        c.append_attribute("id") = id++;
        c.append_attribute("name") = ph.name.toUtf8().constData();
        nv.append_child("p:cNvSpPr").append_child("a:spLocks").append_attribute("noGrp") = "1";
        auto phNode = nv.append_child("p:nvPr").append_child("p:ph");
        if (!ph.type.isEmpty()) phNode.append_attribute("type") = ph.type.toUtf8().constData();
        if (!ph.idx.isEmpty()) phNode.append_attribute("idx") = ph.idx.toUtf8().constData();
        sp.append_child("p:spPr");
        if (ph.hasText) {
            auto body = sp.append_child("p:txBody");
            body.append_child("a:bodyPr");
            body.append_child("a:lstStyle");
            body.append_child("a:p").append_child("a:endParaRPr").append_attribute("lang") =
                "en-US";
        }
    }
    root.append_child("p:clrMapOvr").append_child("a:masterClrMapping");
    return xmlBytes(doc);
}

void SlidePart::setChartFrame(int shapeId, const EmuRect& frame) {
    for (auto node : m_tree.children()) {
        if (!isP(node, "graphicFrame")) continue;
        const auto cNvPr = xml::child(xml::child(node, Ns::P, "nvGraphicFramePr"), Ns::P, "cNvPr");
        if (cNvPr.attribute("id").as_int() != shapeId) continue;
        const auto data = xml::child(xml::child(node, Ns::A, "graphic"), Ns::A, "graphicData");
        if (!xml::isChartGraphicUri(data.attribute("uri").value())) break;
        auto xfrm = xml::child(node, Ns::P, "xfrm");
        if (!xfrm) break;
        auto off = xml::child(xfrm, Ns::A, "off");
        auto ext = xml::child(xfrm, Ns::A, "ext");
        if (!off || !ext) break;
        const auto set = [](pugi::xml_node element, const char* name, qint64 value) {
            auto attribute = element.attribute(name);
            if (!attribute) attribute = element.append_attribute(name);
            attribute = static_cast<long long>(value);
        };
        set(off, "x", frame.x);
        set(off, "y", frame.y);
        set(ext, "cx", frame.cx);
        set(ext, "cy", frame.cy);
        return;
    }
    throw DocumentError(DocumentError::Kind::Missing,
                        QStringLiteral("the slide has no chart with shape id %1").arg(shapeId));
}

bool SlidePart::removeChartFrame(int shapeId) {
    for (auto node : m_tree.children()) {
        if (!isP(node, "graphicFrame")) continue;
        const auto cNvPr = xml::child(xml::child(node, Ns::P, "nvGraphicFramePr"), Ns::P, "cNvPr");
        if (cNvPr.attribute("id").as_int() != shapeId) continue;
        const auto data = xml::child(xml::child(node, Ns::A, "graphic"), Ns::A, "graphicData");
        if (!xml::isChartGraphicUri(data.attribute("uri").value())) return false;
        return m_tree.remove_child(node);
    }
    return false;
}

void SlidePart::appendChartFrame(const QString& name, const EmuRect& frame,
                                 const QString& chartRelId, const QString& tagsRelId) {
    auto [data, nvPr] =
        fillGraphicFrame(appendShapeNode(m_tree, "graphicFrame"), nextShapeId(), name, frame, xml::uriOf(Ns::C));
    if (!tagsRelId.isEmpty()) {
        nvPr.append_child(p("custDataLst").c_str()).append_child(p("tags").c_str())
            .append_attribute(xml::qualifiedName(m_doc->document_element(), Ns::R, "id").c_str()) =
            tagsRelId.toUtf8().constData();
    }
    // The chart element declares its own namespaces, as office suites write it.
    auto chart = data.append_child("c:chart");
    chart.append_attribute("xmlns:c") = xml::uriOf(Ns::C);
    chart.append_attribute("xmlns:r") = xml::uriOf(Ns::R);
    chart.append_attribute("r:id") = chartRelId.toUtf8().constData();
}

std::pair<pugi::xml_node, pugi::xml_node> SlidePart::fillGraphicFrame(pugi::xml_node gf, int id, const QString& name,
                                                                      const EmuRect& frame, const char* uri) {
    const std::string pa = prefixPart(a("x"));
    auto nv = gf.append_child(p("nvGraphicFramePr").c_str());
    auto c = nv.append_child(p("cNvPr").c_str());
    c.append_attribute("id") = id;
    c.append_attribute("name") = name.toUtf8().constData();
    nv.append_child(p("cNvGraphicFramePr").c_str());
    auto nvPr = nv.append_child(p("nvPr").c_str());
    setFrame(gf.append_child(p("xfrm").c_str()), pa, frame);
    auto data = gf.append_child((pa + "graphic").c_str()).append_child((pa + "graphicData").c_str());
    data.append_attribute("uri") = uri;
    return {data, nvPr};
}

void SlidePart::appendChartexFrame(const QString& name, const EmuRect& frame, const QString& chartRelId,
                                   const QString& pictureRelId, const char* requiredPrefix, const char* requiredUri,
                                   const QString& tagsRelId) {
    const auto addTags = [&](pugi::xml_node nvPr) {
        if (tagsRelId.isEmpty()) return;
        nvPr.append_child(p("custDataLst").c_str()).append_child(p("tags").c_str())
            .append_attribute(xml::qualifiedName(m_doc->document_element(), Ns::R, "id").c_str()) =
            tagsRelId.toUtf8().constData();
    };
    const int id = nextShapeId();
    const std::string pa = prefixPart(a("x"));
    auto alternate = xml::insertChild(m_tree, kShapeTreeChildren, Ns::Mc, "AlternateContent");
    // Declared where used, as the presentation application writes it, whatever the slide's root
    // declares.
    alternate.set_name("mc:AlternateContent");
    alternate.append_attribute("xmlns:mc") = xml::uriOf(Ns::Mc);
    auto choice = alternate.append_child("mc:Choice");
    choice.append_attribute((std::string("xmlns:") + requiredPrefix).c_str()) = requiredUri;
    choice.append_attribute("Requires") = requiredPrefix;
    auto [data, frameNvPr] = fillGraphicFrame(choice.append_child(p("graphicFrame").c_str()), id, name, frame, xml::uriOf(Ns::Cx));
    addTags(frameNvPr);
    auto chart = data.append_child("cx:chart");
    chart.append_attribute("xmlns:cx") = xml::uriOf(Ns::Cx);
    chart.append_attribute("xmlns:r") = xml::uriOf(Ns::R);
    chart.append_attribute("r:id") = chartRelId.toUtf8().constData();

    const std::string embed = xml::qualifiedName(m_doc->document_element(), Ns::R, "embed");
    auto pic = alternate.append_child("mc:Fallback").append_child(p("pic").c_str());
    auto nvPic = pic.append_child(p("nvPicPr").c_str());
    auto cPic = nvPic.append_child(p("cNvPr").c_str());
    cPic.append_attribute("id") = id;
    cPic.append_attribute("name") = name.toUtf8().constData();
    nvPic.append_child(p("cNvPicPr").c_str()).append_child((pa + "picLocks").c_str()).append_attribute("noGrp") = "1";
    addTags(nvPic.append_child(p("nvPr").c_str()));
    auto fill = pic.append_child(p("blipFill").c_str());
    fill.append_child((pa + "blip").c_str()).append_attribute(embed.c_str()) = pictureRelId.toUtf8().constData();
    fill.append_child((pa + "stretch").c_str()).append_child((pa + "fillRect").c_str());
    auto spPr = pic.append_child(p("spPr").c_str());
    setFrame(spPr.append_child((pa + "xfrm").c_str()), pa, frame);
    auto geom = spPr.append_child((pa + "prstGeom").c_str());
    geom.append_attribute("prst") = "rect";
    geom.append_child((pa + "avLst").c_str());
}

namespace {
// The non-visual application properties: a placeholder, media, then custom data, then extensions.
const xml::ChildSequence kFrameNvPrChildren{
    {{Ns::P, "ph"}},
    {{Ns::A, "audioCd"}, {Ns::A, "wavAudioFile"}, {Ns::A, "audioFile"}, {Ns::A, "videoFile"}, {Ns::A, "quickTimeFile"}},
    {{Ns::P, "custDataLst"}},
    {{Ns::P, "extLst"}}};

pugi::xml_node chartFrameWithId(const pugi::xml_node& tree, int shapeId) {
    for (auto node : tree.children()) {
        if (xml::is(node, Ns::P, "grpSp")) {
            if (auto inner = chartFrameWithId(node, shapeId)) return inner;
            continue;
        }
        if (!xml::is(node, Ns::P, "graphicFrame")) continue;
        const auto nv = xml::child(node, Ns::P, "nvGraphicFramePr");
        if (xml::child(nv, Ns::P, "cNvPr").attribute("id").as_int() == shapeId) return node;
    }
    return {};
}
}  // namespace

namespace {
// The mc:AlternateContent of the chartex frame with this shape id, in the tree or its groups.
pugi::xml_node chartexFrameWithId(const pugi::xml_node& tree, int shapeId) {
    for (auto node : tree.children()) {
        if (xml::is(node, Ns::P, "grpSp")) {
            if (auto inner = chartexFrameWithId(node, shapeId)) return inner;
            continue;
        }
        if (!xml::is(node, Ns::Mc, "AlternateContent")) continue;
        const auto gf = xml::child(xml::child(node, Ns::Mc, "Choice"), Ns::P, "graphicFrame");
        const auto data = xml::child(xml::child(gf, Ns::A, "graphic"), Ns::A, "graphicData");
        const auto nv = xml::child(gf, Ns::P, "nvGraphicFramePr");
        if (xml::child(data, Ns::Cx, "chart") && xml::child(nv, Ns::P, "cNvPr").attribute("id").as_int() == shapeId) return node;
    }
    return {};
}
}  // namespace

bool SlidePart::relinkChartexFrame(int shapeId, const QString& chartRelId, const QString& pictureRelId,
                                   const char* requiredPrefix, const char* requiredUri) {
    const pugi::xml_node alternate = chartexFrameWithId(m_tree, shapeId);
    pugi::xml_node choice = xml::child(alternate, Ns::Mc, "Choice");
    const auto data = xml::child(xml::child(xml::child(choice, Ns::P, "graphicFrame"), Ns::A, "graphic"), Ns::A, "graphicData");
    pugi::xml_attribute chart = xml::attribute(xml::child(data, Ns::Cx, "chart"), Ns::R, "id");
    const auto blip = xml::child(xml::child(xml::child(xml::child(alternate, Ns::Mc, "Fallback"), Ns::P, "pic"), Ns::P, "blipFill"),
                                 Ns::A, "blip");
    pugi::xml_attribute embed = xml::attribute(blip, Ns::R, "embed");
    if (!chart || !embed) return false;
    chart = chartRelId.toUtf8().constData();
    embed = pictureRelId.toUtf8().constData();
    const std::string declaration = std::string("xmlns:") + requiredPrefix;
    if (!choice.attribute(declaration.c_str())) choice.append_attribute(declaration.c_str());
    choice.attribute(declaration.c_str()) = requiredUri;
    choice.attribute("Requires") = requiredPrefix;
    return true;
}

bool SlidePart::relinkChartFrame(int shapeId, const QString& chartRelId, const QString& tagsRelId) {
    const pugi::xml_node frame = chartFrameWithId(m_tree, shapeId);
    const auto data = xml::child(xml::child(frame, Ns::A, "graphic"), Ns::A, "graphicData");
    pugi::xml_node chart = xml::child(data, Ns::C, "chart");
    if (!frame || !chart) return false;
    const std::string rId = xml::qualifiedName(chart, Ns::R, "id");
    if (auto old = xml::attribute(chart, Ns::R, "id")) chart.remove_attribute(old);
    chart.append_attribute(rId.c_str()) = chartRelId.toUtf8().constData();
    if (tagsRelId.isEmpty()) return true;
    pugi::xml_node nv = xml::child(frame, Ns::P, "nvGraphicFramePr");
    pugi::xml_node nvPr = xml::child(nv, Ns::P, "nvPr");
    if (!nvPr) nvPr = nv.append_child(p("nvPr").c_str());
    pugi::xml_node list = xml::child(nvPr, Ns::P, "custDataLst");
    if (!list) list = xml::insertChild(nvPr, kFrameNvPrChildren, Ns::P, "custDataLst");
    if (xml::child(list, Ns::P, "tags")) return true;
    list.append_child(p("tags").c_str())
        .append_attribute(xml::qualifiedName(m_doc->document_element(), Ns::R, "id").c_str()) =
        tagsRelId.toUtf8().constData();
    return true;
}

void SlidePart::appendPicture(const QString& name, const EmuRect& frame, const QString& imageRelId) {
    const int id = nextShapeId();
    const std::string pa = prefixPart(a("x"));
    const std::string embed = xml::qualifiedAttributeName(m_doc->document_element(), Ns::R, "embed");
    auto pic = appendShapeNode(m_tree, "pic");
    auto nv = pic.append_child(p("nvPicPr").c_str());
    auto c = nv.append_child(p("cNvPr").c_str());
    c.append_attribute("id") = id;
    c.append_attribute("name") = name.toUtf8().constData();
    nv.append_child(p("cNvPicPr").c_str()).append_child((pa + "picLocks").c_str())
        .append_attribute("noChangeAspect") = "1";
    nv.append_child(p("nvPr").c_str());
    auto fill = pic.append_child(p("blipFill").c_str());
    fill.append_child((pa + "blip").c_str()).append_attribute(embed.c_str()) =
        imageRelId.toUtf8().constData();
    fill.append_child((pa + "stretch").c_str()).append_child((pa + "fillRect").c_str());
    auto spPr = pic.append_child(p("spPr").c_str());
    setFrame(spPr.append_child((pa + "xfrm").c_str()), pa, frame);
    auto geom = spPr.append_child((pa + "prstGeom").c_str());
    geom.append_attribute("prst") = "rect";
    geom.append_child((pa + "avLst").c_str());
}

void SlidePart::appendTextBox(const QString& name, const EmuRect& frame, const QStringList& lines) {
    const int id = nextShapeId();
    const std::string pa = prefixPart(a("x"));
    auto sp = appendShapeNode(m_tree, "sp");
    auto nv = sp.append_child(p("nvSpPr").c_str());
    auto c = nv.append_child(p("cNvPr").c_str());
    c.append_attribute("id") = id;
    c.append_attribute("name") = name.toUtf8().constData();
    nv.append_child(p("cNvSpPr").c_str()).append_attribute("txBox") = "1";
    nv.append_child(p("nvPr").c_str());
    auto spPr = sp.append_child(p("spPr").c_str());
    setFrame(spPr.append_child((pa + "xfrm").c_str()), pa, frame);
    auto geom = spPr.append_child((pa + "prstGeom").c_str());
    geom.append_attribute("prst") = "rect";
    geom.append_child((pa + "avLst").c_str());
    spPr.append_child((pa + "noFill").c_str());
    auto body = sp.append_child(p("txBody").c_str());
    auto bodyPr = body.append_child((pa + "bodyPr").c_str());
    bodyPr.append_attribute("wrap") = "square";
    bodyPr.append_attribute("rtlCol") = "0";
    bodyPr.append_child((pa + "spAutoFit").c_str());
    body.append_child((pa + "lstStyle").c_str());
    for (const QString& line : lines) {
        auto para = body.append_child((pa + "p").c_str());
        if (line.isEmpty()) {
            para.append_child((pa + "endParaRPr").c_str()).append_attribute("lang") = "en-US";
            continue;
        }
        auto run = para.append_child((pa + "r").c_str());
        run.append_child((pa + "rPr").c_str()).append_attribute("lang") = "en-US";
        run.append_child((pa + "t").c_str()).text() = line.toUtf8().constData();
    }
}

QByteArray SlidePart::bytes() const {
    return xmlBytes(*m_doc);
}

}  // namespace engine
