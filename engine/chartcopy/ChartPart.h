#pragma once

#include "engine/chartcopy/ChartPackage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace engine {

namespace chart {
struct RenderContext;
struct ChartSpace;
enum class ThemeReferences;
}

// The chart part (c:chartSpace): what changes when a chart moves from a workbook onto a slide,
// and what the presentation reads back of it.

// What a chart part gets on its way onto a slide, beside the link to its embedded workbook.
struct SlideChartOptions {
    QString packageRelId;  // the chart part's relationship to its embedded workbook
    // The cells the chart's references name: caches missing or shorter than their ranges are
    // written from them (nullptr: caches stay as they are).
    const std::vector<ChartPackage::Cell>* cells = nullptr;
    bool date1904 = false;  // the date system the cells' dates count in
    // Every cache of a sheet among the cells written again from them, not only missing or short
    // ones (a refresh from the workbook as it is now).
    bool rewriteCaches = false;
    // The context the chart was shown in (source theme and producer, workbook host): its look is
    // written into the part explicitly (nullptr: the part's formatting stays as it is).
    const chart::RenderContext* look = nullptr;
    // Whether the look keeps its theme references (the look's theme being the deck's) or states
    // every colour and face (see chart::writeExplicitFormat).
    chart::ThemeReferences themeReferences{};  // Resolve
    // Receives the model of the part as written, read from the edited document rather than
    // parsed again (nullptr: not wanted).
    chart::ChartSpace* written = nullptr;
    // The caller found every prefix of these very bytes declared (ChartPackage::prefixesChecked):
    // the part is not walked for them again.
    bool prefixesChecked = false;
};

// The chart XML as a slide's chart needs it, parsed once and written once: caches filled from
// the cells and the look written explicitly as the options ask (see fillChartCaches and
// chart::writeExplicitFormat); c:externalData pointing at the embedded workbook through
// packageRelId (with c:autoUpdate val="0"), in schema order, replacing any link the source had;
// c:clrMapOvr with the identity mapping when the chart has none, so that a master that swaps
// light and dark (bg1 = dk1) does not recolour the chart; c:printSettings dropped, as a slide's
// chart is never printed on its own. Everything else is kept as it was.
// Throws DocumentError naming file and part when the XML is malformed (a prefix that no
// declaration binds included: the part is written out again) or is no chart.
QByteArray chartForSlide(const QByteArray& chartXml, const SlideChartOptions& options,
                         const QString& file, const QString& part);
QByteArray chartForSlide(const QByteArray& chartXml, const QString& packageRelId,
                         const QString& file, const QString& part);

// What the presentation window says of a chart: its kind, title and series, read through the
// chart model. The series carry their names and formulas and how many points their data has,
// never the points themselves (the model has them).
struct ChartSeriesSummary {
    QString nameFormula;       // c:tx/c:strRef/c:f, "" when the name is literal or absent
    QString name;              // the cached (or literal) name
    QString categoryFormula;   // c:cat (or c:xVal) reference
    QString valueFormula;      // c:val (or c:yVal) reference
    int pointCount = 0;        // points present in the value cache
};

struct ChartSummary {
    QString kind;    // "Column", "Bar", "Line", "Pie", ... or "Combination"
    QString title;   // the title's text, "" when none or automatic
    std::vector<ChartSeriesSummary> series;
    QString externalDataRelId;  // c:externalData/@r:id, "" when absent
    bool autoUpdateOff = false; // c:externalData/c:autoUpdate val="0"
    QString userShapesRelId;
};

namespace chart {
struct ChartSpace;
}
// The kind a summary gives a chart whose plot area holds groups of these kind names, in order:
// the one name they share, "Combination" for several, "Chart" for none.
QString summaryKindOf(const QStringList& groupKindNames);
ChartSummary summarizeChart(const chart::ChartSpace& chart);
// The summary of a chart part. Throws DocumentError like chart::readChartSpace.
ChartSummary readChartSummary(const QByteArray& chartXml, const QString& file, const QString& part);

}  // namespace engine
