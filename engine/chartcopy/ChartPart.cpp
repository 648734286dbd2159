#include "engine/chartcopy/ChartPart.h"

#include "engine/chartcopy/ChartCaches.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartformat/ExplicitFormat.h"
#include "engine/chartmodel/ChartSchema.h"
#include "engine/package/Xml.h"

#include <cstring>
#include <optional>

namespace engine {

namespace {

using xml::Ns;

bool isC(const pugi::xml_node& node, const char* local) {
    return xml::is(node, Ns::C, local);
}

pugi::xml_node childC(const pugi::xml_node& node, const char* local) {
    return xml::child(node, Ns::C, local);
}

// The number caches of one data source read twice from the same part, once with their points
// (from) and once without (to): the same kind, formula, format and count.
bool sameNumberSource(const std::optional<chart::DataSource>& from, const std::optional<chart::DataSource>& to) {
    if (from.has_value() != to.has_value()) return false;
    if (!from) return true;
    if (from->kind != to->kind || from->formula != to->formula || from->numbers.has_value() != to->numbers.has_value())
        return false;
    if (!from->numbers) return true;
    return from->numbers->formatCode == to->numbers->formatCode && from->numbers->pointCount == to->numbers->pointCount &&
           (from->kind != chart::DataSource::Kind::NumberReference || to->numbers->points.empty());
}

void moveNumberPoints(std::optional<chart::DataSource>& from, std::optional<chart::DataSource>& to) {
    if (from && from->kind == chart::DataSource::Kind::NumberReference && from->numbers)
        to->numbers->points = std::move(from->numbers->points);
}

// Gives to, the model of a part read without the points of its number caches, the points of
// from, the model of the same part read whole before a change that leaves every number cache
// as it was (the look written explicitly): the points of a long series are read once, not
// twice. False, and nothing moved, when the two do not hold the same series with the same
// sources.
bool adoptNumberCachePoints(chart::ChartSpace& from, chart::ChartSpace& to) {
    auto& fromGroups = from.chart.plotArea.groups;
    auto& toGroups = to.chart.plotArea.groups;
    if (fromGroups.size() != toGroups.size()) return false;
    const auto forEachSource = [&](auto&& visit) {
        for (size_t g = 0; g < fromGroups.size(); ++g) {
            for (size_t i = 0; i < fromGroups[g].series.size(); ++i) {
                chart::Series& a = fromGroups[g].series[i];
                chart::Series& b = toGroups[g].series[i];
                for (size_t e = 0; e < a.errorBars.size(); ++e) {
                    visit(a.errorBars[e].plus, b.errorBars[e].plus);
                    visit(a.errorBars[e].minus, b.errorBars[e].minus);
                }
                visit(a.categories, b.categories);
                visit(a.values, b.values);
                visit(a.xValues, b.xValues);
                visit(a.yValues, b.yValues);
                visit(a.bubbleSizes, b.bubbleSizes);
            }
        }
    };
    for (size_t g = 0; g < fromGroups.size(); ++g) {
        if (fromGroups[g].series.size() != toGroups[g].series.size()) return false;
        for (size_t i = 0; i < fromGroups[g].series.size(); ++i) {
            if (fromGroups[g].series[i].errorBars.size() != toGroups[g].series[i].errorBars.size()) return false;
        }
    }
    bool same = true;
    forEachSource([&](const auto& a, const auto& b) { same = same && sameNumberSource(a, b); });
    if (!same) return false;
    forEachSource([](auto& a, auto& b) { moveNumberPoints(a, b); });
    return true;
}

}  // namespace

QByteArray chartForSlide(const QByteArray& chartXml, const QString& packageRelId,
                         const QString& file, const QString& part) {
    SlideChartOptions options;
    options.packageRelId = packageRelId;
    return chartForSlide(chartXml, options, file, part);
}

QByteArray chartForSlide(const QByteArray& chartXml, const SlideChartOptions& options,
                         const QString& file, const QString& part) {
    const QString& packageRelId = options.packageRelId;
    pugi::xml_document doc;
    parseXml(doc, chartXml, file, part);
    // Unknown elements go to the deck as they are, so one with an undeclared prefix would make
    // the deck's chart part unreadable to the office applications: the chart is refused here.
    if (!options.prefixesChecked) requireDeclaredPrefixes(doc, file, part);
    auto root = doc.document_element();
    if (!isC(root, "chartSpace") || !childC(root, "chart")) {
        throw DocumentError(DocumentError::Kind::Unsupported, file, part,
                            QStringLiteral("not a chart (no c:chartSpace/c:chart)"));
    }
    if (options.cells) fillChartCaches(doc, *options.cells, options.date1904, options.rewriteCaches);
    std::optional<chart::ChartSpace> model;
    if (options.look) {
        // The model is read from the document as it stands, before the look changes it.
        model = chart::readChartSpace(doc, file, part);
        chart::RenderContext context = *options.look;
        if (model->colorMapOverride) context.colorMap = *model->colorMapOverride;
        const chart::FormatResolver resolver(*model, context);
        chart::writeExplicitFormat(doc, *model, resolver, options.themeReferences);
    }
    const std::string relId = xml::qualifiedAttributeName(root, Ns::R, "id");

    while (auto old = childC(root, "externalData")) root.remove_child(old);
    while (auto old = childC(root, "printSettings")) root.remove_child(old);

    auto data = xml::insertChild(root, chart::schema::kChartSpace, Ns::C, "externalData");
    data.append_attribute(relId.c_str()) = packageRelId.toUtf8().constData();
    data.append_child(xml::qualifiedName(root, Ns::C, "autoUpdate").c_str()).append_attribute("val") = "0";

    if (!childC(root, "clrMapOvr")) {
        auto map = xml::insertChild(root, chart::schema::kChartSpace, Ns::C, "clrMapOvr");
        const char* const identity[][2] = {
            {"bg1", "lt1"},          {"tx1", "dk1"},          {"bg2", "lt2"},
            {"tx2", "dk2"},          {"accent1", "accent1"}, {"accent2", "accent2"},
            {"accent3", "accent3"}, {"accent4", "accent4"}, {"accent5", "accent5"},
            {"accent6", "accent6"}, {"hlink", "hlink"},     {"folHlink", "folHlink"}};
        for (const auto& [name, value] : identity) map.append_attribute(name) = value;
    }
    if (options.written) {
        // The look leaves every number cache as it was: their points are taken from the model
        // read before it rather than read again.
        bool adopted = false;
        if (model) {
            chart::ChartSpace written = chart::readChartSpace(doc, file, part, {.numberCachePoints = false});
            adopted = adoptNumberCachePoints(*model, written);
            if (adopted) *options.written = std::move(written);
        }
        if (!adopted) *options.written = chart::readChartSpace(doc, file, part);
    }
    // The look and the link add little to a part: a tenth more than it came with is room enough.
    return xmlBytes(doc, chartXml.size() + chartXml.size() / 10 + 4096);
}

QString summaryKindOf(const QStringList& groupKindNames) {
    if (groupKindNames.isEmpty()) return QStringLiteral("Chart");
    for (const QString& name : groupKindNames) {
        if (name != groupKindNames.front()) return QStringLiteral("Combination");
    }
    return groupKindNames.front();
}

ChartSummary summarizeChart(const chart::ChartSpace& space) {
    ChartSummary summary;
    QStringList kinds;
    for (const chart::ChartGroup& group : space.chart.plotArea.groups) kinds << group.kindName();
    summary.kind = summaryKindOf(kinds);
    if (space.chart.title && space.chart.title->text) {
        summary.title = space.chart.title->text->text().replace(u'\n', u' ');
    }
    for (const chart::Series* series : space.allSeries()) {
        ChartSeriesSummary s;
        if (series->text) {
            s.nameFormula = series->text->formula;
            s.name = series->text->text();
        }
        if (const chart::DataSource* categories = series->categoryData()) s.categoryFormula = categories->formula;
        if (const chart::DataSource* values = series->valueData()) {
            s.valueFormula = values->formula;
            if (values->numbers) s.pointCount = static_cast<int>(values->numbers->points.size());
        }
        summary.series.push_back(s);
    }
    summary.externalDataRelId = space.externalDataRelId;
    summary.autoUpdateOff = space.autoUpdate.has_value() && !*space.autoUpdate;
    summary.userShapesRelId = space.userShapesRelId;
    return summary;
}

ChartSummary readChartSummary(const QByteArray& chartXml, const QString& file,
                              const QString& part) {
    return summarizeChart(chart::readChartSpace(chartXml, file, part));
}

}  // namespace engine
