#pragma once

#include "engine/chartformat/FormatResolver.h"
#include "engine/package/Package.h"
#include "engine/workbook/Workbook.h"

// A chart's look (theme, theme override, colour map, producer) as it is where the chart lives.
// Everything that draws a workbook's chart (pictures, the preview, the spreadsheet server) gets
// its context here, so that one chart cannot be drawn in two colourings.

namespace engine::chart {

// The theme override part the chart part names through its relationships, "" when it names
// none (or one outside the package, or missing from it).
QByteArray themeOverrideOf(const PackageReader& package, const QString& chartPart);

// The producer docProps/app.xml names, unknown without one.
Producer producerOf(const PackageReader& package);

// The look of a workbook's chart: the workbook's theme under the chart's own theme override, the
// standard colour map (a workbook has no other), the workbook host and the workbook's producer.
// Throws DocumentError naming the workbook and part when a theme part is malformed.
RenderContext workbookChartLook(const Workbook& workbook, const QString& chartPart, const ChartSpace& chart);

}  // namespace engine::chart
