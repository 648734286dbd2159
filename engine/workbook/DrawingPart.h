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

// One chart object of a worksheet's drawing: a top-level xdr:graphicFrame of a classic chart.
struct ChartFrame {
    enum class Anchor { TwoCell, OneCell, Absolute };

    QString name;            // xdr:cNvPr/@name ("Chart 1")
    QString relationshipId;  // c:chart/@r:id in the drawing's relationships
    QString chartPart;       // the chart part it resolves to ("/xl/charts/chart1.xml")
    Anchor anchor = Anchor::TwoCell;
    AnchorMarker from;       // two-cell and one-cell anchors
    AnchorMarker to;         // two-cell anchors
    qint64 cx = 0;           // xdr:ext of one-cell and absolute anchors, EMU
    qint64 cy = 0;
};

// The chart frames of a drawing part (xdr:wsDr) in document order. Only anchors that are direct
// children of the drawing count, and of them only a graphic frame whose graphic data is a
// classic chart (c:chart): pictures, shapes, connectors, groups (and charts inside them) and
// anything wrapped in mc:AlternateContent (the newer chartex kinds) are not chart objects.
// Throws DocumentError naming the file and part for malformed XML and for a chart frame whose
// relationship is missing or points at no part of the package.
std::vector<ChartFrame> readDrawingChartFrames(const PackageReader& package, const QString& part);

}  // namespace engine
