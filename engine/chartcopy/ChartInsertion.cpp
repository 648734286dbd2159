#include "engine/chartcopy/ChartInsertion.h"

#include "engine/package/Xml.h"
#include "engine/chartcopy/ChartLook.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/chartmodel/ChartexPart.h"
#include "engine/chartformat/ExplicitFormat.h"
#include "engine/chartformat/FormatResolver.h"
#include "engine/chartcopy/EmbeddedWorkbook.h"
#include "engine/package/OoxmlNames.h"
#include "engine/chartcopy/ThemeOverridePart.h"
#include "engine/chartcopy/PivotChartData.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QRegularExpression>
#include <future>
#include <optional>

namespace engine {

namespace {

const QString kClipboard = QStringLiteral("clipboard");

// The pattern a copied part is named from: its folder below the workbook's main folder moved
// under /ppt, and its file name with the number taken out ("/xl/charts/style3.xml" ->
// "/ppt/charts/style%1.xml").
QString patternFor(const QString& sourceName) {
    // A "%" in the source name would read as a placeholder of the pattern.
    QString source = sourceName;
    source.remove(u'%');
    QStringList folders = partFolder(source).split(u'/', Qt::SkipEmptyParts);
    if (!folders.isEmpty()) folders.removeFirst();
    if (folders.isEmpty()) folders << QStringLiteral("charts");
    const QFileInfo info(source.section(u'/', -1));
    QString stem = info.completeBaseName();
    static const QRegularExpression trailingDigits(QStringLiteral("\\d+$"));
    stem.remove(trailingDigits);
    if (stem.isEmpty()) stem = QStringLiteral("part");
    const QString suffix = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    return QStringLiteral("/ppt/") + folders.join(u'/') + u'/' + stem + QStringLiteral("%1") + suffix;
}

// The relationships of a copied part with every internal target moved to the new names and
// links to source-side embedded packages dropped (the chart gets its own).
Relationships rewrittenRels(const Relationships& rels, const QString& sourceName,
                            const QString& sourceType, const QString& newName,
                            const QHash<QString, QString>& renamed) {
    Relationships out = rels;
    for (const Relationship& rel : rels.all()) {
        if (rel.external) continue;
        // Embedded packages of the source (the chart gets its own) and parts of kinds a chart
        // package does not carry stay behind, with the relationships that name them.
        if (!chartPackageCarriesRelationship(rel.type)) {
            out.remove(rel.id);
            continue;
        }
        auto it = renamed.constFind(rel.targetPart.toLower());
        if (it == renamed.constEnd() && !chartPackageNamesPartById(sourceType, rel.type)) {
            // Not the chart's by the package rule (chartPackageCarriesPart), and named by
            // nothing in the chart: it stays behind like the rest.
            out.remove(rel.id);
            continue;
        }
        if (it == renamed.constEnd()) {
            throw DocumentError(DocumentError::Kind::Corrupt, kClipboard, sourceName,
                                QStringLiteral("relationship %1 points to %2, which the chart "
                                               "package does not carry")
                                    .arg(rel.id, rel.target));
        }
        out.retarget(rel.id, newName, *it);
    }
    return out;
}

}  // namespace

ChartParts makeChartParts(const Package& package, const ChartPackage& source, chart::ChartSpace* written,
                          bool rewriteCaches, const PasteLook& look) {
    if (source.parts.empty())
        throw DocumentError(DocumentError::Kind::Corrupt, kClipboard, QString(),
                            QStringLiteral("chart package has no chart part"));
    // A pivot chart goes as an ordinary chart over the values it shows (see PivotChartData.h).
    std::optional<ChartPackage> plain;
    if (!source.isChartex()) {
        if (auto data = pivotChartAsPlainChart(source.chartPart().data, kClipboard, source.chartPart().name)) {
            plain = source;
            plain->parts.front().data = std::move(data->chartXml);
            plain->cells = std::move(data->cells);
        }
    }
    const ChartPackage& chart = plain ? *plain : source;

    // Only parts the chart reaches through relationships of the kinds a chart package carries
    // are placed; anything else on the clipboard is left behind.
    QHash<QString, const ChartPackage::Part*> byName;
    for (const auto& part : chart.parts) byName.insert(part.name.toLower(), &part);
    // Each part's relationships are read here, once, and used from here on.
    QHash<QString, Relationships> relsOf;  // lower-case part name -> its relationships as carried
    QSet<QString> reached{chart.parts.front().name.toLower()};
    std::vector<const ChartPackage::Part*> queue{&chart.parts.front()};
    while (!queue.empty()) {
        const ChartPackage::Part* part = queue.back();
        queue.pop_back();
        if (part->rels.isEmpty()) continue;
        const Relationships& rels = *relsOf.insert(
            part->name.toLower(), Relationships::parse(part->rels, part->name, kClipboard));
        for (const Relationship& r : rels.all()) {
            if (r.external) continue;
            const QString target = r.targetPart.toLower();
            const auto* next = byName.value(target);
            if (!next || !chartPackageCarriesPart(r.type, next->contentType) || reached.contains(target)) continue;
            reached.insert(target);
            queue.push_back(next);
        }
    }

    // The embedded workbook of a chart of many points is written beside the rest of the work,
    // which it costs as much as; a small one is written in turn, where a thread would cost more
    // than it saves. Its failure is reported when it is placed.
    constexpr size_t kCellsWorthAThread = 20000;
    auto embedded = std::async(chart.cells.size() >= kCellsWorthAThread ? std::launch::async : std::launch::deferred,
                               [&chart] { return buildEmbeddedWorkbook(chart); });
    struct Joined {
        std::future<QByteArray>& future;
        ~Joined() {
            if (future.valid()) future.wait();  // never leave it reading the chart behind us
        }
    } joined{embedded};

    // Nothing is added until everything is made, so a failure half-way leaves the package as
    // it was without a copy of it: names are reserved here, bytes gathered in result.
    ChartParts result;
    QSet<QString> reserved;  // lower-case names chosen so far
    const auto freeName = [&](const QString& pattern) {
        const QString name = package.freePartName(pattern, reserved);
        reserved.insert(name.toLower());
        return name;
    };
    QHash<QString, QString> renamed;  // lower-case source name -> new name
    std::vector<std::pair<const ChartPackage::Part*, QString>> placed;
    for (size_t i = 0; i < chart.parts.size(); ++i) {
        const auto& part = chart.parts[i];
        if (!reached.contains(part.name.toLower())) continue;
        if (renamed.contains(part.name.toLower())) {
            throw DocumentError(DocumentError::Kind::Corrupt, kClipboard, part.name,
                                QStringLiteral("part carried twice"));
        }
        const QString pattern = i > 0              ? patternFor(part.name)
                                : chart.isChartex() ? QStringLiteral("/ppt/charts/chartEx%1.xml")
                                                    : QStringLiteral("/ppt/charts/chart%1.xml");
        const QString name = freeName(pattern);
        renamed.insert(part.name.toLower(), name);
        placed.emplace_back(&part, name);
    }

    // Parts in the order the package took them before: the parts, their relationships, the
    // theme override, the workbook; the chart's own bytes and relationships are filled in last.
    const QString chartName = placed.front().second;
    for (const auto& [part, name] : placed) result.parts.emplace_back(name, part->data);
    Relationships chartRels;
    std::optional<size_t> chartRelsSlot;
    for (const auto& [part, name] : placed) {
        result.types.emplace_back(name, part->contentType);
        const auto carried = relsOf.constFind(part->name.toLower());
        if (carried == relsOf.constEnd()) continue;
        Relationships rels = rewrittenRels(*carried, part->name, part->contentType, name, renamed);
        if (name == chartName) {
            chartRels = std::move(rels);
            chartRelsSlot = result.parts.size();
            result.parts.emplace_back(relationshipsPartName(name), QByteArray());
            continue;
        }
        result.parts.emplace_back(relationshipsPartName(name), rels.serialize());
    }
    // The newer kinds take the presentation's theme: no override is known to be read with them.
    // In the deck's theme the chart needs none either: its look is stated in the deck's terms.
    if (!chart.isChartex() && look.formatting == PasteFormatting::KeepSource &&
        !chartRels.firstOfType(ooxml::rel::kThemeOverride) && !chart.theme.isEmpty()) {
        const QString overrideName = freeName(QStringLiteral("/ppt/theme/themeOverride%1.xml"));
        result.parts.emplace_back(overrideName, themeOverrideFromTheme(chart.theme, kClipboard, QStringLiteral("/xl/theme/theme1.xml")));
        result.types.emplace_back(overrideName, ooxml::ct::kThemeOverride);
        chartRels.add(ooxml::rel::kThemeOverride, chartName, overrideName);
    }

    const QString workbookName = freeName(QStringLiteral("/ppt/embeddings/Microsoft_Excel_Worksheet%1.xlsx"));
    result.types.emplace_back(workbookName, ooxml::ct::kXlsx);
    const QString packageRel = chartRels.add(ooxml::rel::kPackage, chartName, workbookName);

    result.chartPart = chartName;
    if (chart.isChartex()) {
        result.parts.front().second =
            chartexForSlide(chart.chartPart().data, packageRel, kClipboard, chart.chartPart().name);
    } else {
        const chart::RenderContext context =
            chart::pastedChartLook(chart, relsOf.value(chart.chartPart().name.toLower()), look);
        SlideChartOptions options;
        options.packageRelId = packageRel;
        options.cells = &chart.cells;
        options.date1904 = chart.date1904;
        options.rewriteCaches = rewriteCaches;
        options.look = &context;
        // In the deck's theme the chart keeps naming it, as the presentation application's
        // paste does, so that it follows a later change of the deck's theme; a deck whose theme
        // could not be read leaves nothing to name, and the office defaults are stated instead.
        if (look.formatting == PasteFormatting::DeckTheme && context.theme.colors && context.theme.fonts)
            options.themeReferences = chart::ThemeReferences::Keep;
        options.written = written;
        options.prefixesChecked = chart.prefixesChecked;
        result.parts.front().second = chartForSlide(chart.chartPart().data, options, kClipboard, chart.chartPart().name);
    }
    result.parts.emplace_back(workbookName, embedded.get());
    if (chartRelsSlot) result.parts[*chartRelsSlot].second = chartRels.serialize();
    else result.parts.emplace_back(relationshipsPartName(chartName), chartRels.serialize());
    return result;
}

void addChartParts(Package& package, const ChartParts& parts) {
    for (const auto& [name, bytes] : parts.parts) package.setPart(name, bytes);
    for (const auto& [name, type] : parts.types) package.setContentType(name, type);
}

QString insertChartParts(Package& package, const ChartPackage& chart, chart::ChartSpace* written,
                         const PasteLook& look) {
    const ChartParts parts = makeChartParts(package, chart, written, false, look);
    addChartParts(package, parts);
    return parts.chartPart;
}

}  // namespace engine
