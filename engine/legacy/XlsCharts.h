#pragma once

#include "engine/chartcopy/ChartPackage.h"
#include "engine/chartcopy/WorkbookChart.h"
#include "engine/legacy/XlsStructure.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <vector>

namespace engine {

// The embedded charts of a legacy Excel 97-2003 workbook (.xls, BIFF8), read from the workbook's
// own records into what the rest of the engine takes of a chart: a chart part (c:chartSpace),
// written from the chart's substream, and the cells its series refer to, read from the sheets'
// cell records. The chart model, the renderer and the paste then treat it as they treat a chart
// of an Open XML workbook; no other program is involved.
//
// open() reads the Workbook stream once and keeps it: the structure (XlsStructure), the workbook
// globals a chart needs (shared strings, sheet references of formulas, palette, number formats,
// date system) and every chart's records, parsed into their chart groups, series, axes, titles,
// legend and formats. A chart part is written on demand. The cells of a sheet are read in one pass
// over its substream, the first time a chart needs them, for the ranges of every chart that
// refers to that sheet, and kept. What the records leave automatic is written as the 97-2003
// application drew it (the palette's chart colours by series, markers by series, black hairline
// axes, a silver plot area, 10 pt text in the workbook's standard font), so that every reader
// of the part draws the chart as its source did; what the records set is written as they set it.
//
// A chart that cannot be read in full (a kind of chart group not read here, a series whose data
// formula cannot be resolved) is refused with DocumentError (kind Unsupported) naming the file,
// the sheet and the chart, rather than copied or drawn half. One thread at a time; nothing is
// ever written to the workbook.
class XlsWorkbook {
public:
    // Throws DocumentError as XlsStructure::read does, and for damaged global records.
    static std::unique_ptr<XlsWorkbook> open(const QString& path);
    // From the bytes of a Workbook stream (tests, fuzzing); displayName names it in errors.
    static std::unique_ptr<XlsWorkbook> fromWorkbookStream(const QByteArray& stream,
                                                           const QString& displayName);
    ~XlsWorkbook();

    const XlsStructure& structure() const;
    const QString& displayName() const;
    bool date1904() const;

    // The chart part of chart object `chart` (0-based, ChartObjects order) of worksheet `sheet`
    // (one of structure().sheets()), its caches filled from the cells.
    QByteArray chartPart(const XlsStructure::Sheet& sheet, int chart) const;
    // The chart package a copy puts on the clipboard: that chart part, the cells its formulas
    // name, its size from the anchor, the workbook's path and names.
    ChartPackage chartPackage(const XlsStructure::Sheet& sheet, int chart) const;
    // The chart's model and what drawing it needs (the standard theme, the workbook host).
    chart::WorkbookChart workbookChart(const XlsStructure::Sheet& sheet, int chart) const;

    // How many sheets' cells have been read so far (a sheet is read once for all its charts).
    int cellPasses() const;

    struct Impl;

private:
    XlsWorkbook();
    std::unique_ptr<Impl> m;
};

}  // namespace engine
