#include "DrawingPart.h"

#include "engine/package/Xml.h"

#include <QFileInfo>
#include <algorithm>

namespace engine {

namespace {

const char* const kChartUri = "http://schemas.openxmlformats.org/drawingml/2006/chart";

// The range of a drawing coordinate (ST_Coordinate) and of an extent (ST_PositiveCoordinate),
// in EMU. Offsets and sizes are held to them, so sums and differences of a few stay far from
// the ends of qint64.
constexpr qint64 kMinCoordinate = -27273042329600LL;
constexpr qint64 kMaxCoordinate = 27273042316900LL;

qint64 coordinateOf(const pugi::xml_node& node) {
    return std::clamp<qint64>(node.text().as_llong(0), kMinCoordinate, kMaxCoordinate);
}

AnchorMarker markerOf(const pugi::xml_node& node) {
    AnchorMarker marker;
    marker.column = std::clamp(childByLocalName(node, "col").text().as_int(0), 0, 16383);
    marker.columnOffset = coordinateOf(childByLocalName(node, "colOff"));
    marker.row = std::clamp(childByLocalName(node, "row").text().as_int(0), 0, 1048575);
    marker.rowOffset = coordinateOf(childByLocalName(node, "rowOff"));
    return marker;
}

// The r:id of c:chart; the attribute's prefix is whatever the document declared.
QString chartRelationshipId(const pugi::xml_node& chart) {
    for (pugi::xml_attribute a = chart.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view name = a.name();
        if (name.size() > 3 && name.substr(name.size() - 3) == ":id") return QString::fromUtf8(a.value());
    }
    return {};
}

}  // namespace

std::vector<ChartFrame> readDrawingChartFrames(const PackageReader& package, const QString& part) {
    const QString file = QFileInfo(package.path()).fileName();
    pugi::xml_document doc;
    parseXml(doc, package.read(part), file, part, package.limits());
    const pugi::xml_node root = doc.document_element();
    if (std::string_view(localName(root)) != "wsDr") {
        throw DocumentError(file, part, QStringLiteral("not a drawing part (root <%1>)")
                                            .arg(QString::fromUtf8(root.name())));
    }
    const Relationships relationships = package.relationships(part);
    std::vector<ChartFrame> frames;
    for (pugi::xml_node anchor = root.first_child(); anchor; anchor = anchor.next_sibling()) {
        if (anchor.type() != pugi::node_element) continue;
        const std::string_view kind = localName(anchor);
        ChartFrame frame;
        if (kind == "twoCellAnchor") {
            frame.anchor = ChartFrame::Anchor::TwoCell;
            frame.from = markerOf(childByLocalName(anchor, "from"));
            frame.to = markerOf(childByLocalName(anchor, "to"));
        } else if (kind == "oneCellAnchor" || kind == "absoluteAnchor") {
            frame.anchor = kind == "oneCellAnchor" ? ChartFrame::Anchor::OneCell : ChartFrame::Anchor::Absolute;
            frame.from = markerOf(childByLocalName(anchor, "from"));
            const pugi::xml_node ext = childByLocalName(anchor, "ext");
            frame.cx = std::clamp<qint64>(ext.attribute("cx").as_llong(0), 0, kMaxCoordinate);
            frame.cy = std::clamp<qint64>(ext.attribute("cy").as_llong(0), 0, kMaxCoordinate);
        } else {
            continue;
        }
        const pugi::xml_node graphicFrame = childByLocalName(anchor, "graphicFrame");
        if (!graphicFrame) continue;
        const pugi::xml_node graphicData =
            childByLocalName(childByLocalName(graphicFrame, "graphic"), "graphicData");
        if (std::string_view(graphicData.attribute("uri").value()) != kChartUri) continue;
        const pugi::xml_node chart = childByLocalName(graphicData, "chart");
        if (!chart) continue;
        frame.name = QString::fromUtf8(
            childByLocalName(childByLocalName(graphicFrame, "nvGraphicFramePr"), "cNvPr")
                .attribute("name")
                .value());
        frame.relationshipId = chartRelationshipId(chart);
        const Relationship* rel = relationships.byId(frame.relationshipId);
        if (!rel || rel->external) {
            throw DocumentError(file, part,
                                QStringLiteral("chart \"%1\" refers to relationship \"%2\", which is missing")
                                    .arg(frame.name, frame.relationshipId));
        }
        if (!package.hasPart(rel->targetPart)) {
            throw DocumentError(file, part,
                                QStringLiteral("chart \"%1\" refers to %2, which is missing")
                                    .arg(frame.name, zipEntryFromPartName(rel->targetPart)));
        }
        frame.chartPart = rel->targetPart;
        frames.push_back(frame);
    }
    return frames;
}

}  // namespace engine
