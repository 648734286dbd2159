#include "engine/chartcopy/ChartLook.h"

#include "engine/package/Namespaces.h"

namespace engine::chart {

QByteArray themeOverrideOf(const PackageReader& package, const QString& chartPart) {
    const Relationships rels = package.relationships(chartPart);
    const Relationship* r = rels.firstOfType(QString::fromLatin1(xml::rel::kThemeOverride));
    if (!r || r->external || !package.hasPart(r->targetPart)) return {};
    return package.read(r->targetPart);
}

Producer producerOf(const PackageReader& package) {
    const QString app = QStringLiteral("/docProps/app.xml");
    return package.hasPart(app) ? producerFromAppXml(package.read(app)) : Producer::unknown();
}

RenderContext workbookChartLook(const Workbook& workbook, const QString& chartPart, const ChartSpace& chart) {
    const PackageReader& package = workbook.package();
    return makeRenderContext(chart, workbook.theme(), themeOverrideOf(package, chartPart), ChartHost::Workbook,
                             producerOf(package), drawingml::ColorMap::standard(), workbook.displayName());
}

}  // namespace engine::chart
