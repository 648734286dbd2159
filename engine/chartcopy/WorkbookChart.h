#pragma once

#include "engine/chartmodel/ChartModel.h"
#include "engine/chartformat/FormatResolver.h"
#include "engine/workbook/Workbook.h"

#include <QSizeF>

namespace engine::chart {

// One chart of a workbook with what drawing it needs: the model of its part, the context (the
// workbook's theme under the chart's own theme override, the chart's colour map override or the
// standard map, the workbook host, the producer named in docProps/app.xml) and the size of its
// frame in points.
struct WorkbookChart {
    ChartSpace chart;
    RenderContext context;
    QSizeF sizeInPoints;
};

// Throws DocumentError naming the file and part when the chart or theme part is malformed.
WorkbookChart workbookChart(const Workbook& workbook, const Workbook::Sheet& sheet,
                            const Workbook::ChartObject& object);

}  // namespace engine::chart
