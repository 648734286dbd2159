#include "DrawingPart.h"

#include "engine/package/Xml.h"

#include <QFileInfo>
#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

namespace engine {

namespace {

using xml::Ns;

// The range of a drawing coordinate (ST_Coordinate) and of an extent (ST_PositiveCoordinate),
// in EMU. Offsets and sizes are held to them, so sums and differences of a few stay far from
// the ends of qint64.
constexpr qint64 kMinCoordinate = -27273042329600LL;
constexpr qint64 kMaxCoordinate = 27273042316900LL;

qint64 coordinateOf(const pugi::xml_node& node) {
    return std::clamp<qint64>(node.text().as_llong(0), kMinCoordinate, kMaxCoordinate);
}

// node is an xdr: element (from or to), found by namespace.
AnchorMarker markerOf(const pugi::xml_node& node) {
    AnchorMarker marker;
    // The first of each name counts, as a look-up by name would find it.
    bool column = false, columnOffset = false, row = false, rowOffset = false;
    xml::forEachChild(node, Ns::Xdr, Ns::Xdr, [&](const pugi::xml_node& c, std::string_view local) {
        if (local == "col" && !std::exchange(column, true)) {
            marker.column = std::clamp(c.text().as_int(0), 0, 16383);
        } else if (local == "colOff" && !std::exchange(columnOffset, true)) {
            marker.columnOffset = coordinateOf(c);
        } else if (local == "row" && !std::exchange(row, true)) {
            marker.row = std::clamp(c.text().as_int(0), 0, 1048575);
        } else if (local == "rowOff" && !std::exchange(rowOffset, true)) {
            marker.rowOffset = coordinateOf(c);
        }
    });
    return marker;
}

// The prefixes a chartex frame's mc:Choice may require: the namespaces the spreadsheet
// application declares for its newer chart kinds (cx1 waterfall, histogram, pareto, box and
// whisker, treemap, sunburst; cx2 funnel; cx4 region map; the others for later revisions).
bool isChartexRequirement(std::string_view uri) {
    static constexpr std::string_view kUris[] = {
        "http://schemas.microsoft.com/office/drawing/2015/9/8/chartex",
        "http://schemas.microsoft.com/office/drawing/2015/10/21/chartex",
        "http://schemas.microsoft.com/office/drawing/2016/5/9/chartex",
        "http://schemas.microsoft.com/office/drawing/2016/5/10/chartex",
        "http://schemas.microsoft.com/office/drawing/2016/5/11/chartex",
        "http://schemas.microsoft.com/office/drawing/2016/5/12/chartex",
        "http://schemas.microsoft.com/office/drawing/2016/5/13/chartex",
        "http://schemas.microsoft.com/office/drawing/2016/5/14/chartex",
    };
    return std::find(std::begin(kUris), std::end(kUris), uri) != std::end(kUris);
}

// The namespace URI bound to prefix where node is; empty when none is.
std::string_view drawingPrefixUri(pugi::xml_node node, std::string_view prefix) {
    const std::string name = "xmlns:" + std::string(prefix);
    for (; node && node.type() == pugi::node_element; node = node.parent()) {
        if (const pugi::xml_attribute declared = node.attribute(name.c_str())) return declared.value();
    }
    return {};
}

// The branch of an mc:AlternateContent a reader that knows the chartex kinds takes: the first
// mc:Choice whose every required prefix is bound to a namespace it knows, else mc:Fallback
// (an empty node when there is none).
pugi::xml_node chosenBranch(const pugi::xml_node& alternate) {
    pugi::xml_node fallback;
    for (pugi::xml_node branch = alternate.first_child(); branch; branch = branch.next_sibling()) {
        if (branch.type() != pugi::node_element || xml::namespaceOf(branch) != Ns::Mc) continue;
        const std::string_view local = xml::localName(branch);
        if (local == "Fallback" && !fallback) fallback = branch;
        if (local != "Choice") continue;
        const std::string_view required = branch.attribute("Requires").value();
        bool known = !required.empty();
        size_t at = 0;
        while (known && at < required.size()) {
            const size_t end = std::min(required.find(' ', at), required.size());
            const std::string_view prefix = required.substr(at, end - at);
            if (!prefix.empty() && !isChartexRequirement(drawingPrefixUri(branch, prefix))) known = false;
            at = end + 1;
        }
        if (known) return branch;
    }
    return fallback;
}

// The elements in namespace ns that stand at node's place: node itself, or, for an
// mc:AlternateContent, the elements of the branch taken (not nested further).
std::vector<pugi::xml_node> elementsInPlace(const pugi::xml_node& node) {
    if (node.type() != pugi::node_element) return {};
    if (!xml::is(node, Ns::Mc, "AlternateContent")) return {node};
    std::vector<pugi::xml_node> elements;
    const pugi::xml_node branch = chosenBranch(node);
    for (pugi::xml_node c = branch.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) elements.push_back(c);
    }
    return elements;
}

}  // namespace

std::vector<ChartFrame> readDrawingChartFrames(const PackageReader& package, const QString& part) {
    const QString file = package.fileName();
    pugi::xml_document doc;
    parseXml(doc, package.read(part), file, part, package.limits());
    const pugi::xml_node root = doc.document_element();
    if (!xml::is(root, Ns::Xdr, "wsDr")) {
        throw DocumentError(
            DocumentError::Kind::Corrupt, file, part,
            QStringLiteral("not a drawing part (root <%1>)").arg(QString::fromUtf8(root.name())));
    }
    const Relationships relationships = package.relationships(part);
    std::vector<ChartFrame> frames;
    const auto readAnchor = [&](const pugi::xml_node& anchor) {
        if (xml::namespaceOf(anchor) != Ns::Xdr) return;
        const std::string_view kind = xml::localName(anchor);
        ChartFrame frame;
        if (kind == "twoCellAnchor") {
            frame.anchor = ChartFrame::Anchor::TwoCell;
        } else if (kind == "oneCellAnchor" || kind == "absoluteAnchor") {
            frame.anchor = kind == "oneCellAnchor" ? ChartFrame::Anchor::OneCell : ChartFrame::Anchor::Absolute;
        } else {
            return;
        }
        // The anchor's parts, the first of each name, read in one pass over its children; the
        // object may stand in an mc:AlternateContent of its own, as the newer chart kinds do.
        pugi::xml_node from, to, ext, graphicFrame;
        for (pugi::xml_node child = anchor.first_child(); child; child = child.next_sibling()) {
            for (const pugi::xml_node& c : elementsInPlace(child)) {
                if (xml::namespaceOf(c) != Ns::Xdr) continue;
                const std::string_view local = xml::localName(c);
                pugi::xml_node* slot = local == "from"           ? &from
                                       : local == "to"           ? &to
                                       : local == "ext"          ? &ext
                                       : local == "graphicFrame" ? &graphicFrame
                                                                 : nullptr;
                if (slot && !*slot) *slot = c;
            }
        }
        frame.from = markerOf(from);
        if (frame.anchor == ChartFrame::Anchor::TwoCell) {
            frame.to = markerOf(to);
        } else {
            frame.cx = std::clamp<qint64>(ext.attribute("cx").as_llong(0), 0, kMaxCoordinate);
            frame.cy = std::clamp<qint64>(ext.attribute("cy").as_llong(0), 0, kMaxCoordinate);
        }
        if (!graphicFrame) return;
        const pugi::xml_node graphicData =
            xml::child(xml::child(graphicFrame, Ns::Xdr, Ns::A, "graphic"), Ns::A, Ns::A, "graphicData");
        const char* uri = graphicData.attribute("uri").value();
        pugi::xml_node chart;
        if (xml::isChartGraphicUri(uri)) {
            chart = xml::child(graphicData, Ns::A, Ns::C, "chart");
        } else if (xml::isChartexGraphicUri(uri)) {
            chart = xml::child(graphicData, Ns::A, Ns::Cx, "chart");
            frame.extended = true;
        }
        if (!chart) return;
        frame.name = QString::fromUtf8(
            xml::child(xml::child(graphicFrame, Ns::Xdr, Ns::Xdr, "nvGraphicFramePr"), Ns::Xdr, Ns::Xdr, "cNvPr")
                .attribute("name")
                .value());
        frame.relationshipId = xml::relationshipId(chart);
        const Relationship* rel = relationships.byId(frame.relationshipId);
        if (!rel || rel->external) {
            throw DocumentError(DocumentError::Kind::Missing, file, part,
                                QStringLiteral("chart \"%1\" refers to relationship \"%2\", which is missing")
                                    .arg(frame.name, frame.relationshipId));
        }
        if (!package.hasPart(rel->targetPart)) {
            throw DocumentError(DocumentError::Kind::Missing, file, part,
                                QStringLiteral("chart \"%1\" refers to %2, which is missing")
                                    .arg(frame.name, zipEntryFromPartName(rel->targetPart)));
        }
        frame.chartPart = rel->targetPart;
        frames.push_back(frame);
    };
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        for (const pugi::xml_node& anchor : elementsInPlace(child)) readAnchor(anchor);
    }
    return frames;
}

}  // namespace engine
