#pragma once

#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>

namespace engine {

// What a list of charts says of a chart part: its kind, its title and how many series it has,
// with the same values as summarizeChart gives from the whole chart model (ChartPart.h), read in
// one forward pass over the part without building a document tree. Only the elements those
// three need are looked at, in the chart namespace as the model matches it (both spellings, any
// prefix): c:chartSpace/c:chart, its c:title's c:tx, the plot area's chart groups with their
// c:barDir and the number of their c:ser. Everything else (series with their data caches, axes,
// legend, formatting, extension lists) is passed over unparsed, and the reading stops at the end
// of c:chart, so a part whose size is its caches costs little more than inflating it.
//
// The title is the text of the title's own c:tx, whichever form it takes: a cell's cached text
// (the first point of c:strCache), a literal (c:v) or rich text (paragraphs joined by a line
// break, a:br a line break), with every line break made a blank, as the summary gives it; ""
// when the chart has no title or an automatic one. One difference remains, in texts no office
// application writes: a text broken by a comment or a CDATA section is taken whole, where the
// model takes only its first piece.
//
// A part in UTF-16 (rare; the office applications write UTF-8) is read through the whole model.
//
// Errors: throws DocumentError naming the file and part: malformed XML before the end of
// c:chart (a document type declaration, which no package part may hold, included), nesting
// deeper than the limits allow, or a root that is not c:chartSpace holding a
// c:chart (unsupported, as the model says: a chartEx part is one). What follows c:chart is not
// read, so a part broken only after it is outlined where the model would refuse it.
struct ChartOutline {
    QString kind;  // "Column", "Bar", "Line", "3-D Pie", ... "Combination"; "Chart" without groups
    QString title;
    int seriesCount = 0;
};

// The outline of a chart part held in memory.
ChartOutline readChartOutline(const QByteArray& chartXml, const QString& file, const QString& part,
                              const Limits& limits = {});
// The outline of a part of a package, inflated piece by piece and read only as far as needed.
ChartOutline readChartOutline(const PackageReader& package, const QString& part);

// The outline of a chartex part (ChartexPart.h): its kind, title and own series. The part is
// read whole, through the chartex model; throws like readChartex.
ChartOutline readChartexOutline(const PackageReader& package, const QString& part);

}  // namespace engine
