#pragma once

#include "engine/chartcopy/ChartPackage.h"
#include "engine/workbook/Workbook.h"

namespace engine {

// Builds the self-contained chart package of one chart object of a workbook: the chart part and
// every part it reaches through its relationships, transitively (style, colours, user shapes and
// their pictures...), each with its content type and relationships bytes; the workbook's theme;
// the cells the chart's series formulas (c:f under c:tx, c:cat, c:val, c:xVal, c:yVal,
// c:bubbleSize) refer to, read from the sheets and bounded, or taken from the chart's own caches
// when a range cannot be read (another workbook, a defined name, a missing or corrupt sheet, a
// range too large); and the size in EMU from the anchor. The workbook is only read.
//
// Throws DocumentError naming the file and part: a relationship of a collected part pointing at
// a missing part, more parts than the package may carry, malformed chart XML (a prefix that no
// declaration binds included: no deck could take the part).
ChartPackage collectChart(const Workbook& workbook, const Workbook::Sheet& sheet,
                          const Workbook::ChartObject& chart);

}  // namespace engine
