#include "DrawingPart.h"

#include "engine/package/Xml.h"

#include <QFileInfo>
#include <algorithm>
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

}  // namespace

std::vector<ChartFrame> readDrawingChartFrames(const PackageReader& package, const QString& part) {
    const QString file = package.fileName();
    pugi::xml_document doc;
    parseXml(doc, package.read(part), file, part, package.limits());
    const pugi::xml_node root = doc.document_element();
    if (!xml::is(root, Ns::Xdr, "wsDr")) {
        throw DocumentError(file, part, QStringLiteral("not a drawing part (root <%1>)")
                                            .arg(QString::fromUtf8(root.name())));
    }
    const Relationships relationships = package.relationships(part);
    std::vector<ChartFrame> frames;
    xml::ChildScope anchors(root, Ns::Xdr);
    for (pugi::xml_node anchor = root.first_child(); anchor; anchor = anchor.next_sibling()) {
        if (anchor.type() != pugi::node_element || anchors.namespaceOf(anchor) != Ns::Xdr) continue;
        const std::string_view kind = xml::localName(anchor);
        ChartFrame frame;
        if (kind == "twoCellAnchor") {
            frame.anchor = ChartFrame::Anchor::TwoCell;
        } else if (kind == "oneCellAnchor" || kind == "absoluteAnchor") {
            frame.anchor = kind == "oneCellAnchor" ? ChartFrame::Anchor::OneCell : ChartFrame::Anchor::Absolute;
        } else {
            continue;
        }
        // The anchor's parts, the first of each name, read in one pass over its children.
        pugi::xml_node from, to, ext, graphicFrame;
        xml::forEachChild(anchor, Ns::Xdr, Ns::Xdr, [&](const pugi::xml_node& c, std::string_view local) {
            pugi::xml_node* slot = local == "from"           ? &from
                                   : local == "to"           ? &to
                                   : local == "ext"          ? &ext
                                   : local == "graphicFrame" ? &graphicFrame
                                                             : nullptr;
            if (slot && !*slot) *slot = c;
        });
        frame.from = markerOf(from);
        if (frame.anchor == ChartFrame::Anchor::TwoCell) {
            frame.to = markerOf(to);
        } else {
            frame.cx = std::clamp<qint64>(ext.attribute("cx").as_llong(0), 0, kMaxCoordinate);
            frame.cy = std::clamp<qint64>(ext.attribute("cy").as_llong(0), 0, kMaxCoordinate);
        }
        if (!graphicFrame) continue;
        const pugi::xml_node graphicData =
            xml::child(xml::child(graphicFrame, Ns::Xdr, Ns::A, "graphic"), Ns::A, Ns::A, "graphicData");
        if (!xml::isChartGraphicUri(graphicData.attribute("uri").value())) continue;
        const pugi::xml_node chart = xml::child(graphicData, Ns::A, Ns::C, "chart");
        if (!chart) continue;
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
    }
    return frames;
}

}  // namespace engine
