#include "engine/chart/WorkbookChart.h"

#include "engine/drawingml/Theme.h"

#include <pugixml.hpp>

namespace engine::chart {

Producer producerOfAppXml(const QByteArray& appXml) {
    Producer producer;
    pugi::xml_document doc;
    if (!doc.load_buffer(appXml.constData(), size_t(appXml.size()))) return producer;
    for (pugi::xml_node n = doc.document_element().first_child(); n; n = n.next_sibling()) {
        const QString name = QString::fromUtf8(n.name()).section(QLatin1Char(':'), -1);
        if (name == QLatin1String("Application")) producer.application = QString::fromUtf8(n.text().get()).trimmed();
        if (name == QLatin1String("AppVersion")) producer.version = QString::fromUtf8(n.text().get()).trimmed();
    }
    return producer;
}

WorkbookChart workbookChart(const Workbook& workbook, const Workbook::Sheet& sheet,
                            const Workbook::ChartObject& object) {
    WorkbookChart out;
    const PackageReader& package = workbook.package();
    out.chart = readChartSpace(package.read(object.chartPart), workbook.displayName(), object.chartPart);
    const QByteArray theme = workbook.theme();
    if (!theme.isEmpty()) out.context.theme = drawingml::readTheme(theme, workbook.displayName(), workbook.themePart());
    if (out.chart.colorMapOverride) out.context.colorMap = *out.chart.colorMapOverride;
    out.context.host = ChartHost::Workbook;
    if (package.hasPart(QStringLiteral("/docProps/app.xml")))
        out.context.producer = producerOfAppXml(package.read(QStringLiteral("/docProps/app.xml")));
    const auto [cx, cy] = workbook.chartSize(sheet, object);
    out.sizeInPoints = QSizeF(cx / 12700.0, cy / 12700.0);
    return out;
}

}  // namespace engine::chart
