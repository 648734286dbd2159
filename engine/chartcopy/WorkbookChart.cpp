#include "engine/chartcopy/WorkbookChart.h"

namespace engine::chart {

WorkbookChart workbookChart(const Workbook& workbook, const Workbook::Sheet& sheet,
                            const Workbook::ChartObject& object) {
    WorkbookChart out;
    const PackageReader& package = workbook.package();
    out.chart = readChartSpace(package.read(object.chartPart), workbook.displayName(), object.chartPart);
    const QString app = QStringLiteral("/docProps/app.xml");
    const Producer producer = package.hasPart(app) ? producerFromAppXml(package.read(app)) : Producer::unknown();
    out.context = makeRenderContext(out.chart, workbook.theme(), QByteArray(), ChartHost::Workbook, producer,
                                    drawingml::ColorMap::standard(), workbook.displayName());
    const auto [cx, cy] = workbook.chartSize(sheet, object);
    out.sizeInPoints = QSizeF(cx / 12700.0, cy / 12700.0);
    return out;
}

}  // namespace engine::chart
