#pragma once

#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace engine {

// A cell position in a drawing anchor (xdr:from, xdr:to): 0-based column and row, offsets in EMU.
struct AnchorMarker {
    int column = 0;
    qint64 columnOffset = 0;
    int row = 0;
    qint64 rowOffset = 0;
};

// One chart object of a worksheet's drawing: a top-level xdr:graphicFrame of a classic chart
// (c:chart) or of one of the newer kinds (cx:chart, a chartex part).
struct ChartFrame {
    enum class Anchor { TwoCell, OneCell, Absolute };

    QString name;            // xdr:cNvPr/@name ("Chart 1")
    QString relationshipId;  // c:chart/@r:id in the drawing's relationships
    QString chartPart;       // the chart part it resolves to ("/xl/charts/chart1.xml")
    bool extended = false;   // a chartex part (cx:chartSpace) rather than a classic chart
    Anchor anchor = Anchor::TwoCell;
    AnchorMarker from;       // two-cell and one-cell anchors
    AnchorMarker to;         // two-cell anchors
    qint64 cx = 0;           // xdr:ext of one-cell and absolute anchors, EMU
    qint64 cy = 0;
};

// The chart frames of a drawing part (xdr:wsDr) in document order, as the spreadsheet
// application's collection of chart objects counts them: of the anchors that are direct
// children of the drawing, a graphic frame whose graphic data is a classic chart (c:chart) or
// one of the newer kinds (cx:chart). Markup compatibility is read as a reader that knows the
// newer kinds reads it: an mc:AlternateContent, around an anchor or around the object inside
// one, stands for its first mc:Choice that requires only the chartex namespaces, else its
// mc:Fallback. Pictures, shapes, connectors and groups (and charts inside them) are not chart
// objects. Throws DocumentError naming the file and part for malformed XML and for a chart
// frame whose relationship is missing or points at no part of the package.
std::vector<ChartFrame> readDrawingChartFrames(const PackageReader& package, const QString& part);

}  // namespace engine
