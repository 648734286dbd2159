#include "engine/chart/ChartPart.h"

#include "engine/package/Xml.h"
#include "engine/presentation/OoxmlNames.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace engine {

namespace {

using xml::Ns;

bool isC(const pugi::xml_node& node, const char* local) {
    return xml::is(node, Ns::C, local);
}

pugi::xml_node childC(const pugi::xml_node& node, const char* local) {
    return xml::child(node, Ns::C, local);
}

// c:chartSpace children in schema order. The style may come wrapped in mc:AlternateContent,
// which sits where c:style sits.
const xml::ChildSequence kChartSpaceChildren{
    {{Ns::C, "date1904"}}, {{Ns::C, "lang"}}, {{Ns::C, "roundedCorners"}},
    {{Ns::Mc, "AlternateContent"}, {Ns::C, "style"}}, {{Ns::C, "clrMapOvr"}},
    {{Ns::C, "pivotSource"}}, {{Ns::C, "protection"}}, {{Ns::C, "chart"}}, {{Ns::C, "spPr"}},
    {{Ns::C, "txPr"}}, {{Ns::C, "externalData"}}, {{Ns::C, "printSettings"}},
    {{Ns::C, "userShapes"}}, {{Ns::C, "extLst"}}};

QString cachedText(const pugi::xml_node& cache, std::vector<QString>* byIndex) {
    QString first;
    const int count = childC(cache, "ptCount").attribute("val").as_int(0);
    if (byIndex) byIndex->assign(static_cast<size_t>(std::max(count, 0)), QString());
    for (auto pt : cache.children()) {
        if (!isC(pt, "pt")) continue;
        const QString v = QString::fromUtf8(childC(pt, "v").text().get());
        const int idx = pt.attribute("idx").as_int(-1);
        if (first.isEmpty()) first = v;
        if (byIndex && idx >= 0 && idx < count) (*byIndex)[static_cast<size_t>(idx)] = v;
    }
    return first;
}

// Reads a data source (c:cat, c:val, c:xVal, c:yVal): its formula and cached points.
void readSource(const pugi::xml_node& source, QString* formula, std::vector<QString>* points) {
    for (auto ref : source.children()) {
        if (ref.type() != pugi::node_element) continue;
        *formula = QString::fromUtf8(childC(ref, "f").text().get());
        pugi::xml_node cache;
        for (auto c : ref.children()) {
            if (isC(c, "numCache") || isC(c, "strCache") || isC(c, "multiLvlStrCache")) cache = c;
        }
        // Literal data (c:numLit, c:strLit) is its own cache.
        if (!cache && (isC(ref, "numLit") || isC(ref, "strLit"))) cache = ref;
        if (isC(cache, "multiLvlStrCache")) {
            // The innermost level holds the category labels.
            cache = childC(cache, "lvl");
            const int count = childC(cache.parent(), "ptCount").attribute("val").as_int();
            points->assign(static_cast<size_t>(std::max(count, 0)), QString());
            for (auto pt : cache.children()) {
                const int idx = pt.attribute("idx").as_int(-1);
                if (isC(pt, "pt") && idx >= 0 && idx < count)
                    (*points)[static_cast<size_t>(idx)] =
                        QString::fromUtf8(childC(pt, "v").text().get());
            }
        } else if (cache) {
            cachedText(cache, points);
        }
        return;
    }
}

QString kindOf(const pugi::xml_node& plot) {
    QStringList kinds;
    for (auto c : plot.children()) {
        if (c.type() != pugi::node_element || xml::namespaceOf(c) != Ns::C) continue;
        const QString local = QString::fromUtf8(xml::localName(c));
        if (!local.endsWith("Chart")) continue;
        QString kind;
        const bool bar = local == "barChart" || local == "bar3DChart";
        if (bar) {
            kind = QString::fromUtf8(childC(c, "barDir").attribute("val").value()) == "bar"
                       ? QStringLiteral("Bar")
                       : QStringLiteral("Column");
        } else {
            static const std::pair<const char*, const char*> names[] = {
                {"lineChart", "Line"},       {"line3DChart", "Line"},
                {"pieChart", "Pie"},         {"pie3DChart", "Pie"},
                {"ofPieChart", "Pie"},       {"doughnutChart", "Doughnut"},
                {"areaChart", "Area"},       {"area3DChart", "Area"},
                {"scatterChart", "Scatter"}, {"bubbleChart", "Bubble"},
                {"radarChart", "Radar"},     {"stockChart", "Stock"},
                {"surfaceChart", "Surface"}, {"surface3DChart", "Surface"}};
            kind = local.chopped(5);
            for (const auto& [element, name] : names)
                if (local == element) kind = name;
        }
        if (local.contains("3D")) kind = "3-D " + kind;
        if (!kinds.contains(kind)) kinds << kind;
    }
    if (kinds.isEmpty()) return QStringLiteral("Chart");
    return kinds.size() == 1 ? kinds.front() : QStringLiteral("Combination");
}

QString titleOf(const pugi::xml_node& chart) {
    const auto title = childC(chart, "title");
    if (!title) return {};
    const auto tx = childC(title, "tx");
    if (const auto rich = childC(tx, "rich")) {
        QStringList paragraphs;
        for (auto p : rich.children()) {
            if (!xml::is(p, Ns::A, "p")) continue;
            QString text;
            for (auto r : p.children())
                if (xml::is(r, Ns::A, "r") || xml::is(r, Ns::A, "fld")) text += QString::fromUtf8(xml::child(r, Ns::A, "t").text().get());
            paragraphs << text;
        }
        return paragraphs.join(u' ');
    }
    if (const auto ref = childC(tx, "strRef")) {
        return cachedText(childC(ref, "strCache"), nullptr);
    }
    return {};
}

}  // namespace

QByteArray chartForSlide(const QByteArray& chartXml, const QString& packageRelId,
                         const QString& file, const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, chartXml, file, part);
    auto root = doc.document_element();
    if (!isC(root, "chartSpace") || !childC(root, "chart")) {
        throw DocumentError(DocumentError::Kind::Unsupported, file, part,
                            QStringLiteral("not a chart (no c:chartSpace/c:chart)"));
    }
    const std::string relId = xml::qualifiedName(root, Ns::R, "id");

    while (auto old = childC(root, "externalData")) root.remove_child(old);
    while (auto old = childC(root, "printSettings")) root.remove_child(old);

    auto data = xml::insertChild(root, kChartSpaceChildren, Ns::C, "externalData");
    data.append_attribute(relId.c_str()) = packageRelId.toUtf8().constData();
    data.append_child(xml::qualifiedName(root, Ns::C, "autoUpdate").c_str()).append_attribute("val") = "0";

    if (!childC(root, "clrMapOvr")) {
        auto map = xml::insertChild(root, kChartSpaceChildren, Ns::C, "clrMapOvr");
        const char* const identity[][2] = {
            {"bg1", "lt1"},          {"tx1", "dk1"},          {"bg2", "lt2"},
            {"tx2", "dk2"},          {"accent1", "accent1"}, {"accent2", "accent2"},
            {"accent3", "accent3"}, {"accent4", "accent4"}, {"accent5", "accent5"},
            {"accent6", "accent6"}, {"hlink", "hlink"},     {"folHlink", "folHlink"}};
        for (const auto& [name, value] : identity) map.append_attribute(name) = value;
    }
    return xmlBytes(doc);
}

ChartSummary readChartSummary(const QByteArray& chartXml, const QString& file,
                              const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, chartXml, file, part);
    const auto root = doc.document_element();
    const auto chart = childC(root, "chart");
    if (!isC(root, "chartSpace") || !chart) {
        throw DocumentError(DocumentError::Kind::Unsupported, file, part,
                            QStringLiteral("not a chart (no c:chartSpace/c:chart)"));
    }
    ChartSummary summary;
    const auto plot = childC(chart, "plotArea");
    summary.kind = kindOf(plot);
    summary.title = titleOf(chart);
    for (auto group : plot.children()) {
        if (group.type() != pugi::node_element || xml::namespaceOf(group) != Ns::C ||
            !QString::fromUtf8(xml::localName(group)).endsWith("Chart"))
            continue;
        for (auto ser : group.children()) {
            if (!isC(ser, "ser")) continue;
            ChartSeriesSummary s;
            const auto tx = childC(ser, "tx");
            if (const auto ref = childC(tx, "strRef")) {
                s.nameFormula = QString::fromUtf8(childC(ref, "f").text().get());
                s.name = cachedText(childC(ref, "strCache"), nullptr);
            } else if (const auto v = childC(tx, "v")) {
                s.name = QString::fromUtf8(v.text().get());
            }
            std::vector<QString> categories, values;
            auto cat = childC(ser, "cat");
            if (!cat) cat = childC(ser, "xVal");
            auto val = childC(ser, "val");
            if (!val) val = childC(ser, "yVal");
            readSource(cat, &s.categoryFormula, &categories);
            readSource(val, &s.valueFormula, &values);
            for (const auto& c : categories) s.categories << c;
            for (const auto& v : values) {
                bool ok = false;
                const double d = v.toDouble(&ok);
                s.values.push_back(ok ? d : std::numeric_limits<double>::quiet_NaN());
            }
            summary.series.push_back(s);
        }
    }
    if (const auto data = childC(root, "externalData")) {
        summary.externalDataRelId = xml::relationshipId(data);
        const auto au = childC(data, "autoUpdate");
        summary.autoUpdateOff = au && std::strcmp(au.attribute("val").value(), "0") == 0;
    }
    if (const auto shapes = childC(root, "userShapes")) summary.userShapesRelId = xml::relationshipId(shapes);
    return summary;
}

}  // namespace engine
