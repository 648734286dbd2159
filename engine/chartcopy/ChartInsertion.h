#pragma once

#include "engine/chartmodel/ChartModel.h"
#include "engine/chartcopy/ChartPackage.h"
#include "engine/package/Package.h"

namespace engine {

// Copies a chart package into a presentation's package as a native chart, ready for a slide to
// relate to: the chart part at a new /ppt/charts/chartN.xml (chartExN.xml for the newer kinds,
// which keep their own data caches and take no theme override) and every related part (style,
// colours, user-shape drawings, their images and charts) at new names that clash with nothing,
// relationship targets rewritten to the new names with their ids kept, content types added,
// the source theme as the chart's theme override (unless the chart brings one of its own), and
// an embedded workbook with the chart's data that c:externalData points to.
//
// Returns the new chart part's name; `written`, when given, receives the model of the chart part
// as placed. Throws DocumentError naming the clipboard when the
// package is inconsistent (a relationship to a part it does not carry, malformed XML); the
// target package is then left as it was.
QString insertChartParts(Package& package, const ChartPackage& chart, chart::ChartSpace* written = nullptr);

// The same in two steps, for a caller that must check first whether the package can take the
// parts: made without changing the package (its part names only are read; the names chosen
// are free in it as it is now), then added, which cannot fail.
struct ChartParts {
    QString chartPart;
    std::vector<std::pair<QString, QByteArray>> parts;  // name, bytes; relationships parts too
    std::vector<std::pair<QString, QString>> types;     // name, content type
};
// With rewriteCaches, every cache is written again from the package's cells (a refresh).
ChartParts makeChartParts(const Package& package, const ChartPackage& chart, chart::ChartSpace* written = nullptr,
                          bool rewriteCaches = false);
void addChartParts(Package& package, const ChartParts& parts);

}  // namespace engine
