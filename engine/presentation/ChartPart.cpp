#include "engine/presentation/ChartPart.h"

#include "engine/package/Xml.h"
#include "engine/presentation/OoxmlNames.h"
#include "engine/presentation/XmlEdit.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace engine {

namespace {

bool is(const pugi::xml_node& node, const char* local) {
    return node.type() == pugi::node_element && std::strcmp(localName(node), local) == 0;
}

QString relIdOf(const pugi::xml_node& element) {
    for (auto attribute : element.attributes()) {
        const char* colon = std::strchr(attribute.name(), ':');
        if (colon && std::strcmp(colon + 1, "id") == 0) return QString::fromUtf8(attribute.value());
    }
    return {};
}

// c:chartSpace children in schema order. The style may come wrapped in mc:AlternateContent,
// which sits where c:style sits.
const char* const kChartSpaceOrder[] = {"date1904", "lang", "roundedCorners", "AlternateContent",
                                        "style", "clrMapOvr", "pivotSource", "protection",
                                        "chart", "spPr", "txPr", "externalData",
                                        "printSettings", "userShapes", "extLst"};

int orderOf(const pugi::xml_node& node) {
    int i = 0;
    for (const char* name : kChartSpaceOrder) {
        if (is(node, name)) return i;
        ++i;
    }
    return -1;
}

// Inserts a new child named `name` (local `local`) where the schema order puts it.
pugi::xml_node insertInOrder(pugi::xml_node root, const std::string& name, const char* local) {
    int wanted = 0;
    for (const char* n : kChartSpaceOrder) {
        if (std::strcmp(n, local) == 0) break;
        ++wanted;
    }
    for (auto c : root.children()) {
        const int o = orderOf(c);
        if (o > wanted) return root.insert_child_before(name.c_str(), c);
    }
    return root.append_child(name.c_str());
}

QString cachedText(const pugi::xml_node& cache, std::vector<QString>* byIndex) {
    QString first;
    const int count = childByLocalName(cache, "ptCount").attribute("val").as_int(0);
    if (byIndex) byIndex->assign(static_cast<size_t>(std::max(count, 0)), QString());
    for (auto pt : cache.children()) {
        if (!is(pt, "pt")) continue;
        const QString v = QString::fromUtf8(childByLocalName(pt, "v").text().get());
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
        *formula = QString::fromUtf8(childByLocalName(ref, "f").text().get());
        pugi::xml_node cache;
        for (auto c : ref.children()) {
            if (is(c, "numCache") || is(c, "strCache") || is(c, "multiLvlStrCache")) cache = c;
        }
        // Literal data (c:numLit, c:strLit) is its own cache.
        if (!cache && (is(ref, "numLit") || is(ref, "strLit"))) cache = ref;
        if (is(cache, "multiLvlStrCache")) {
            // The innermost level holds the category labels.
            cache = childByLocalName(cache, "lvl");
            const int count = childByLocalName(cache.parent(), "ptCount").attribute("val").as_int();
            points->assign(static_cast<size_t>(std::max(count, 0)), QString());
            for (auto pt : cache.children()) {
                const int idx = pt.attribute("idx").as_int(-1);
                if (is(pt, "pt") && idx >= 0 && idx < count)
                    (*points)[static_cast<size_t>(idx)] =
                        QString::fromUtf8(childByLocalName(pt, "v").text().get());
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
        if (c.type() != pugi::node_element) continue;
        const QString local = QString::fromUtf8(localName(c));
        if (!local.endsWith("Chart")) continue;
        QString kind;
        const bool bar = local == "barChart" || local == "bar3DChart";
        if (bar) {
            kind = QString::fromUtf8(childByLocalName(c, "barDir").attribute("val").value()) == "bar"
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
    const auto title = childByLocalName(chart, "title");
    if (!title) return {};
    const auto tx = childByLocalName(title, "tx");
    if (const auto rich = childByLocalName(tx, "rich")) {
        QStringList paragraphs;
        for (auto p : rich.children()) {
            if (!is(p, "p")) continue;
            QString text;
            for (auto r : p.children())
                if (is(r, "r") || is(r, "fld")) text += QString::fromUtf8(childByLocalName(r, "t").text().get());
            paragraphs << text;
        }
        return paragraphs.join(u' ');
    }
    if (const auto ref = childByLocalName(tx, "strRef")) {
        return cachedText(childByLocalName(ref, "strCache"), nullptr);
    }
    return {};
}

}  // namespace

QByteArray chartForSlide(const QByteArray& chartXml, const QString& packageRelId,
                         const QString& file, const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, chartXml, file, part);
    auto root = doc.document_element();
    if (!is(root, "chartSpace") || !childByLocalName(root, "chart")) {
        throw DocumentError(file, part, QStringLiteral("not a chart (no c:chartSpace/c:chart)"));
    }
    const std::string c = xmledit::qualifiedName(root, ooxml::ns::kC, "c", "x");
    const std::string prefix = c.substr(0, c.size() - 1);  // "c:" or ""
    const std::string relId = xmledit::qualifiedName(root, ooxml::ns::kR, "r", "id");

    while (auto old = childByLocalName(root, "externalData")) root.remove_child(old);
    while (auto old = childByLocalName(root, "printSettings")) root.remove_child(old);

    auto data = insertInOrder(root, prefix + "externalData", "externalData");
    data.append_attribute(relId.c_str()) = packageRelId.toUtf8().constData();
    data.append_child((prefix + "autoUpdate").c_str()).append_attribute("val") = "0";

    if (!childByLocalName(root, "clrMapOvr")) {
        auto map = insertInOrder(root, prefix + "clrMapOvr", "clrMapOvr");
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
    const auto chart = childByLocalName(root, "chart");
    if (!is(root, "chartSpace") || !chart) {
        throw DocumentError(file, part, QStringLiteral("not a chart (no c:chartSpace/c:chart)"));
    }
    ChartSummary summary;
    const auto plot = childByLocalName(chart, "plotArea");
    summary.kind = kindOf(plot);
    summary.title = titleOf(chart);
    for (auto group : plot.children()) {
        if (group.type() != pugi::node_element || !QString::fromUtf8(localName(group)).endsWith("Chart"))
            continue;
        for (auto ser : group.children()) {
            if (!is(ser, "ser")) continue;
            ChartSeriesSummary s;
            const auto tx = childByLocalName(ser, "tx");
            if (const auto ref = childByLocalName(tx, "strRef")) {
                s.nameFormula = QString::fromUtf8(childByLocalName(ref, "f").text().get());
                s.name = cachedText(childByLocalName(ref, "strCache"), nullptr);
            } else if (const auto v = childByLocalName(tx, "v")) {
                s.name = QString::fromUtf8(v.text().get());
            }
            std::vector<QString> categories, values;
            auto cat = childByLocalName(ser, "cat");
            if (!cat) cat = childByLocalName(ser, "xVal");
            auto val = childByLocalName(ser, "val");
            if (!val) val = childByLocalName(ser, "yVal");
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
    if (const auto data = childByLocalName(root, "externalData")) {
        summary.externalDataRelId = relIdOf(data);
        const auto au = childByLocalName(data, "autoUpdate");
        summary.autoUpdateOff = au && std::strcmp(au.attribute("val").value(), "0") == 0;
    }
    if (const auto shapes = childByLocalName(root, "userShapes")) summary.userShapesRelId = relIdOf(shapes);
    return summary;
}

}  // namespace engine
