#include "engine/chartcopy/ChartLook.h"

#include <functional>

#include "engine/package/Namespaces.h"

namespace engine::chart {

namespace {

// The chart part's theme override in a package of either kind, read through `read`.
template <class AnyPackage>
QByteArray lookOverrideIn(const AnyPackage& package, const QString& chartPart,
                          const std::function<QByteArray(const QString&)>& read) {
    const Relationships rels = package.relationships(chartPart);
    const Relationship* r = rels.firstOfType(QString::fromLatin1(xml::rel::kThemeOverride));
    if (!r || r->external || !package.hasPart(r->targetPart)) return {};
    return read(r->targetPart);
}

template <class AnyPackage>
Producer lookProducerIn(const AnyPackage& package,
                        const std::function<QByteArray(const QString&)>& read) {
    try {
        const Relationships rels = package.relationships(QString());
        const Relationship* properties =
            rels.firstOfType(QString::fromLatin1(xml::rel::kExtendedProperties));
        QString part = QStringLiteral("/docProps/app.xml");
        if (properties && !properties->external) part = properties->targetPart;
        return package.hasPart(part) ? producerFromAppXml(read(part)) : Producer::unknown();
    } catch (const DocumentError&) {
        return Producer::unknown();
    }
}

const QString kLookClipboard = QStringLiteral("clipboard");

}  // namespace

QByteArray themeOverrideOf(const PackageReader& package, const QString& chartPart) {
    return lookOverrideIn(package, chartPart,
                          [&](const QString& part) { return package.read(part); });
}

QByteArray themeOverrideOf(const Package& package, const QString& chartPart) {
    return lookOverrideIn(package, chartPart,
                          [&](const QString& part) { return package.part(part); });
}

QByteArray themeOverrideOf(const ChartPackage& package, const Relationships& chartRels) {
    const Relationship* r = chartRels.firstOfType(QString::fromLatin1(xml::rel::kThemeOverride));
    if (!r || r->external) return {};
    for (const ChartPackage::Part& part : package.parts) {
        if (part.name.compare(r->targetPart, Qt::CaseInsensitive) == 0) return part.data;
    }
    return {};
}

Producer producerOf(const PackageReader& package) {
    return lookProducerIn(package, [&](const QString& part) { return package.read(part); });
}

Producer producerOf(const Package& package) {
    return lookProducerIn(package, [&](const QString& part) { return package.part(part); });
}

RenderContext workbookChartLook(const Workbook& workbook, const QString& chartPart,
                                const ChartSpace& chart) {
    const PackageReader& package = workbook.package();
    return makeRenderContext(chart, workbook.theme(), themeOverrideOf(package, chartPart),
                             ChartHost::Workbook, producerOf(package),
                             drawingml::ColorMap::standard(), workbook.displayName());
}

RenderContext themelessChartLook(const ChartSpace& chart, const QString& file) {
    return makeRenderContext(chart, QByteArray(), QByteArray(), ChartHost::Workbook,
                             Producer::unknown(), drawingml::ColorMap::standard(), file);
}

RenderContext packagedChartLook(const ChartPackage& package, const ChartSpace& chart) {
    const ChartPackage::Part& part = package.chartPart();
    const Relationships rels = part.rels.isEmpty()
                                   ? Relationships()
                                   : Relationships::parse(part.rels, part.name, package.sourceFile);
    return makeRenderContext(chart, package.theme, themeOverrideOf(package, rels),
                             ChartHost::Workbook,
                             Producer{package.producerApplication, package.producerVersion},
                             drawingml::ColorMap::standard(), package.sourceFile);
}

RenderContext pastedChartLook(const ChartPackage& package, const Relationships& chartRels,
                              const PasteLook& look) {
    RenderContext context;
    if (look.formatting == PasteFormatting::KeepSource) {
        if (!package.theme.isEmpty())
            context.theme =
                drawingml::readTheme(package.theme, kLookClipboard, QStringLiteral("theme"));
    } else if (!look.deckTheme.isEmpty()) {
        try {
            context.theme = drawingml::readTheme(look.deckTheme, QStringLiteral("presentation"),
                                                 QStringLiteral("theme"));
        } catch (const DocumentError&) {
            // A deck theme that cannot be read leaves the office defaults, as its slides show.
        }
    }
    const QByteArray override_ = themeOverrideOf(package, chartRels);
    if (!override_.isEmpty()) {
        context.theme = drawingml::withOverride(
            std::move(context.theme),
            drawingml::readTheme(override_, kLookClipboard, QStringLiteral("theme override")));
    }
    context.host = ChartHost::Workbook;
    context.producer = {package.producerApplication, package.producerVersion};
    return context;
}

RenderContext slideChartLook(const Package& deck, const QString& deckName, const QString& chartPart,
                             const ChartSpace& chart, const QByteArray& slideTheme,
                             const drawingml::ColorMap& slideColorMap) {
    return makeRenderContext(chart, slideTheme, themeOverrideOf(deck, chartPart), ChartHost::Slide,
                             producerOf(deck), slideColorMap, deckName);
}

}  // namespace engine::chart
