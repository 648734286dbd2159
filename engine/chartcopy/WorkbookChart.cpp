#include "engine/chartcopy/WorkbookChart.h"

#include "engine/chartcopy/ChartLook.h"

namespace engine::chart {

WorkbookChart workbookChart(const Workbook& workbook, const Workbook::Sheet& sheet,
                            const Workbook::ChartObject& object) {
    WorkbookChart out;
    const PackageReader& package = workbook.package();
    out.chart = readChartSpace(package.read(object.chartPart), workbook.displayName(), object.chartPart);
    out.context = workbookChartLook(workbook, object.chartPart, out.chart);
    const auto [cx, cy] = workbook.chartSize(sheet, object);
    out.sizeInPoints = QSizeF(cx / 12700.0, cy / 12700.0);
    return out;
}

}  // namespace engine::chart
