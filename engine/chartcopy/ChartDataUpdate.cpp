#include "engine/chartcopy/ChartDataUpdate.h"

#include "engine/chartmodel/ChartSchema.h"
#include "engine/package/Package.h"
#include "engine/package/Xml.h"

#include <QStringList>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace engine {

namespace {

using xml::Ns;

// What a refresh reads of one series: its node and what it is matched by.
struct RefreshedSeries {
    pugi::xml_node node;
    QString nameFormula;
    QString name;
    QString valueFormula;
    int order = 0;
    int match = -1;  // the series of the other chart it is paired with
};

QString refreshFormulaOf(const pugi::xml_node& data) {
    for (auto ref : data.children()) {
        if (auto f = xml::child(ref, Ns::C, "f")) return QString::fromUtf8(f.text().get()).trimmed();
    }
    return {};
}

// The text of every point under an element (a cache, a literal, the levels of a multi-level
// cache), by level and index.
std::map<std::pair<int, qint64>, QString> refreshPointsOf(const pugi::xml_node& data) {
    std::map<std::pair<int, qint64>, QString> points;
    int level = 0;
    std::vector<pugi::xml_node> stack{data};
    while (!stack.empty()) {
        const pugi::xml_node node = stack.back();
        stack.pop_back();
        for (auto c = node.last_child(); c; c = c.previous_sibling()) {
            if (c.type() != pugi::node_element) continue;
            if (xml::is(c, Ns::C, "pt")) {
                points[{level, c.attribute("idx").as_llong(-1)}] = QString::fromUtf8(xml::child(c, Ns::C, "v").text().get());
            } else if (xml::is(c, Ns::C, "lvl")) {
                ++level;
                stack.push_back(c);
            } else if (!xml::is(c, Ns::C, "f") && !xml::is(c, Ns::C, "extLst")) {
                stack.push_back(c);
            }
        }
    }
    return points;
}

int refreshPointDifferences(const pugi::xml_node& before, const pugi::xml_node& after) {
    const auto a = refreshPointsOf(before);
    const auto b = refreshPointsOf(after);
    int differences = 0;
    for (const auto& [key, text] : a) {
        const auto other = b.find(key);
        if (other == b.end() || other->second != text) ++differences;
    }
    for (const auto& [key, text] : b) differences += a.count(key) ? 0 : 1;
    return differences;
}

QStringList refreshFormatsOf(const pugi::xml_node& data) {
    QStringList formats;
    std::vector<pugi::xml_node> stack{data};
    while (!stack.empty()) {
        const pugi::xml_node node = stack.back();
        stack.pop_back();
        for (auto c = node.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element) continue;
            if (xml::is(c, Ns::C, "formatCode")) formats << QString::fromUtf8(c.text().get());
            if (xml::is(c, Ns::C, "pt") && c.attribute("formatCode"))
                formats << QString::fromUtf8(c.attribute("formatCode").value());
            else stack.push_back(c);
        }
    }
    return formats;
}

std::vector<RefreshedSeries> refreshSeriesOf(const pugi::xml_node& group) {
    std::vector<RefreshedSeries> list;
    for (pugi::xml_node ser : xml::children(group, Ns::C, "ser")) {
        RefreshedSeries s;
        s.node = ser;
        const pugi::xml_node tx = xml::child(ser, Ns::C, "tx");
        s.nameFormula = refreshFormulaOf(tx);
        const auto names = refreshPointsOf(tx);
        s.name = names.empty() ? QString::fromUtf8(xml::child(tx, Ns::C, "v").text().get()) : names.begin()->second;
        pugi::xml_node values = xml::child(ser, Ns::C, "val");
        if (!values) values = xml::child(ser, Ns::C, "yVal");
        s.valueFormula = refreshFormulaOf(values);
        s.order = xml::child(ser, Ns::C, "order").attribute("val").as_int(int(list.size()));
        list.push_back(std::move(s));
    }
    return list;
}

// Pairs the series of both lists that agree by `same`, in order, among those not yet paired.
template <typename Same>
void pairRefreshedSeries(std::vector<RefreshedSeries>& deck, std::vector<RefreshedSeries>& fresh, Same same) {
    for (size_t f = 0; f < fresh.size(); ++f) {
        if (fresh[f].match >= 0) continue;
        for (size_t d = 0; d < deck.size(); ++d) {
            if (deck[d].match >= 0 || !same(deck[d], fresh[f])) continue;
            deck[d].match = int(f);
            fresh[f].match = int(d);
            break;
        }
    }
}

bool isRefreshedChartGroup(const pugi::xml_node& node) {
    if (xml::namespaceOf(node) != Ns::C) return false;
    const std::string_view local = xml::localName(node);
    return local.size() > 5 && local.substr(local.size() - 5) == "Chart";
}

std::vector<pugi::xml_node> refreshGroupsOf(const pugi::xml_node& plotArea) {
    std::vector<pugi::xml_node> groups;
    for (auto c : plotArea.children()) {
        if (c.type() == pugi::node_element && isRefreshedChartGroup(c)) groups.push_back(c);
    }
    return groups;
}

bool refreshSamePrefix(const pugi::xml_node& a, const pugi::xml_node& b, Ns ns) {
    std::string pa, pb;
    const bool hasA = xml::prefixInScope(a, ns, &pa);
    const bool hasB = xml::prefixInScope(b, ns, &pb);
    return !hasB || (hasA && pa == pb);
}

// Puts a copy of `from` in place of the child of the same name of `series` (or where the
// schema puts it), or takes that child away when from is null.
void replaceSeriesData(pugi::xml_node series, const char* local, const pugi::xml_node& from) {
    pugi::xml_node old = xml::child(series, Ns::C, local);
    if (!from) {
        if (old) series.remove_child(old);
        return;
    }
    if (!old) old = xml::insertChild(series, chart::schema::kSeries, Ns::C, local);
    series.insert_copy_before(from, old);
    series.remove_child(old);
}

constexpr const char* kRefreshedValueData[] = {"val", "xVal", "yVal", "bubbleSize"};

}  // namespace

QString ChartDataChange::text() const {
    if (!any()) return QStringLiteral("unchanged");
    QStringList parts;
    const auto count = [&](int n, const char* one, const char* many) {
        if (n) parts << QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    count(values, "value", "values");
    count(categories, "category", "categories");
    count(seriesNames, "series name", "series names");
    if (seriesAdded) parts << QStringLiteral("%1 series added").arg(seriesAdded);
    if (seriesRemoved) parts << QStringLiteral("%1 series removed").arg(seriesRemoved);
    count(numberFormats, "number format", "number formats");
    if (titles) parts << QStringLiteral("title");
    return parts.join(QStringLiteral(", "));
}

QByteArray updateChartData(const QByteArray& deckXml, const QByteArray& freshXml, const QString& file,
                           const QString& part, ChartDataChange* change) {
    ChartDataChange result;
    pugi::xml_document deck, fresh;
    parseXml(deck, deckXml, file, part);
    parseXml(fresh, freshXml, file, part + QStringLiteral(" (from the workbook)"));
    const auto plotAreaOf = [&](const pugi::xml_document& doc, const QString& which) {
        const pugi::xml_node root = doc.document_element();
        const pugi::xml_node area = xml::child(xml::child(root, Ns::C, "chart"), Ns::C, "plotArea");
        if (!xml::is(root, Ns::C, "chartSpace") || !area)
            throw DocumentError(DocumentError::Kind::Unsupported, file, which, QStringLiteral("not a chart (no c:chartSpace/c:chart/c:plotArea)"));
        return area;
    };
    const pugi::xml_node deckArea = plotAreaOf(deck, part);
    const pugi::xml_node freshArea = plotAreaOf(fresh, part + QStringLiteral(" (from the workbook)"));
    const std::vector<pugi::xml_node> deckGroups = refreshGroupsOf(deckArea);
    const std::vector<pugi::xml_node> freshGroups = refreshGroupsOf(freshArea);
    bool same = deckGroups.size() == freshGroups.size();
    for (size_t i = 0; same && i < deckGroups.size(); ++i)
        same = std::strcmp(xml::localName(deckGroups[i]), xml::localName(freshGroups[i])) == 0;
    // Nodes are copied from one document into the other by their qualified names.
    for (Ns ns : {Ns::C, Ns::A, Ns::R, Ns::C14, Ns::C16}) same = same && refreshSamePrefix(deck.document_element(), fresh.document_element(), ns);
    if (!same) {
        result.structureChanged = true;
        if (change) *change = result;
        return deckXml;
    }

    // Indexes that stay with the deck's series; new series take the workbook's when free.
    std::set<int> usedIdx;
    std::vector<std::vector<RefreshedSeries>> deckLists, freshLists;
    for (size_t g = 0; g < deckGroups.size(); ++g) {
        deckLists.push_back(refreshSeriesOf(deckGroups[g]));
        freshLists.push_back(refreshSeriesOf(freshGroups[g]));
        auto& d = deckLists.back();
        auto& f = freshLists.back();
        pairRefreshedSeries(d, f, [](const RefreshedSeries& a, const RefreshedSeries& b) {
            return !a.nameFormula.isEmpty() && a.nameFormula == b.nameFormula && a.name == b.name;
        });
        pairRefreshedSeries(d, f, [](const RefreshedSeries& a, const RefreshedSeries& b) {
            return !a.name.isEmpty() && a.name == b.name;
        });
        pairRefreshedSeries(d, f, [](const RefreshedSeries& a, const RefreshedSeries& b) {
            return !a.nameFormula.isEmpty() && a.nameFormula == b.nameFormula;
        });
        pairRefreshedSeries(d, f, [](const RefreshedSeries& a, const RefreshedSeries& b) {
            return !a.valueFormula.isEmpty() && a.valueFormula == b.valueFormula;
        });
        pairRefreshedSeries(d, f, [](const RefreshedSeries&, const RefreshedSeries&) { return true; });
        for (const RefreshedSeries& s : d) {
            if (s.match >= 0) usedIdx.insert(xml::child(s.node, Ns::C, "idx").attribute("val").as_int());
        }
    }

    for (size_t g = 0; g < deckGroups.size(); ++g) {
        pugi::xml_node group = deckGroups[g];
        auto& d = deckLists[g];
        auto& f = freshLists[g];
        for (RefreshedSeries& s : d) {
            if (s.match >= 0) continue;
            group.remove_child(s.node);
            ++result.seriesRemoved;
        }
        // The series go where the group keeps them, in the workbook's order.
        pugi::xml_node after;
        for (auto c : group.children()) {
            if (c.type() == pugi::node_element && chart::schema::kGroup.slotOf(c) > chart::schema::kGroup.slotOf(Ns::C, "ser")) {
                after = c;
                break;
            }
        }
        const auto place = [&](const pugi::xml_node& node, bool copy) {
            if (copy) return after ? group.insert_copy_before(node, after) : group.append_copy(node);
            return after ? group.insert_move_before(node, after) : group.append_move(node);
        };
        for (const RefreshedSeries& s : f) {
            pugi::xml_node placed;
            if (s.match < 0) {
                placed = place(s.node, true);
                int idx = xml::child(placed, Ns::C, "idx").attribute("val").as_int();
                while (usedIdx.count(idx)) ++idx;
                usedIdx.insert(idx);
                xml::child(placed, Ns::C, "idx").attribute("val") = idx;
                ++result.seriesAdded;
            } else {
                placed = place(d[size_t(s.match)].node, false);
                const pugi::xml_node tx = xml::child(s.node, Ns::C, "tx");
                const pugi::xml_node oldTx = xml::child(placed, Ns::C, "tx");
                if (refreshPointsOf(oldTx) != refreshPointsOf(tx) ||
                    QString::fromUtf8(xml::child(oldTx, Ns::C, "v").text().get()) != QString::fromUtf8(xml::child(tx, Ns::C, "v").text().get())) {
                    ++result.seriesNames;
                }
                replaceSeriesData(placed, "tx", tx);
                const pugi::xml_node cat = xml::child(s.node, Ns::C, "cat");
                result.categories += refreshPointDifferences(xml::child(placed, Ns::C, "cat"), cat);
                replaceSeriesData(placed, "cat", cat);
                for (const char* local : kRefreshedValueData) {
                    const pugi::xml_node data = xml::child(s.node, Ns::C, local);
                    const pugi::xml_node old = xml::child(placed, Ns::C, local);
                    result.values += refreshPointDifferences(old, data);
                    if (refreshFormatsOf(old) != refreshFormatsOf(data)) ++result.numberFormats;
                    replaceSeriesData(placed, local, data);
                }
            }
            if (auto order = xml::child(placed, Ns::C, "order")) order.attribute("val") = s.order;
        }
    }

    // A title that reads a cell shows the cell as it is now.
    const auto titleRef = [](const pugi::xml_document& doc) {
        const pugi::xml_node chart = xml::child(doc.document_element(), Ns::C, "chart");
        return xml::child(xml::child(xml::child(chart, Ns::C, "title"), Ns::C, "tx"), Ns::C, "strRef");
    };
    const pugi::xml_node deckTitle = titleRef(deck);
    const pugi::xml_node freshTitle = titleRef(fresh);
    if (deckTitle && freshTitle) {
        if (refreshPointsOf(deckTitle) != refreshPointsOf(freshTitle)) ++result.titles;
        deckTitle.parent().insert_copy_before(freshTitle, deckTitle);
        deckTitle.parent().remove_child(deckTitle);
    }
    if (change) *change = result;
    return xmlBytes(deck, deckXml.size() + deckXml.size() / 4 + 4096);
}

}  // namespace engine
