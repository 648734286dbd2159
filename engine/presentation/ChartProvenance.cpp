#include "engine/presentation/ChartProvenance.h"

#include "engine/package/Package.h"
#include "engine/package/Xml.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <cstring>
#include <pugixml.hpp>

namespace engine {

namespace {

using xml::Ns;

constexpr const char* kProvenanceVersionTag = "QM_SOURCE_VERSION";
constexpr const char* kProvenanceWorkbookTag = "QM_WORKBOOK";
constexpr const char* kProvenanceRelativeTag = "QM_WORKBOOK_REL";
constexpr const char* kProvenanceSheetTag = "QM_SHEET";
constexpr const char* kProvenanceChartTag = "QM_CHART";
constexpr const char* kProvenanceIndexTag = "QM_CHART_INDEX";
constexpr const char* kProvenanceSeriesTag = "QM_SERIES";
constexpr const char* kProvenanceCopiedTag = "QM_COPIED";

// Tag names are unique within a list regardless of case, as the presentation application reads them.
pugi::xml_node provenanceTagNode(const pugi::xml_node& list, const char* name) {
    for (auto tag : list.children()) {
        if (xml::is(tag, Ns::P, "tag") && qstricmp(tag.attribute("name").value(), name) == 0) return tag;
    }
    return {};
}

void setProvenanceTag(pugi::xml_node list, const char* name, const QString& value) {
    pugi::xml_node tag = provenanceTagNode(list, name);
    if (!tag) {
        tag = list.append_child(xml::qualifiedName(list, Ns::P, "tag").c_str());
        tag.append_attribute("name") = name;
        tag.append_attribute("val");
    }
    tag.attribute("val") = value.toUtf8().constData();
}

QString provenanceTagValue(const pugi::xml_node& list, const char* name) {
    return QString::fromUtf8(provenanceTagNode(list, name).attribute("val").value());
}

}  // namespace

QByteArray provenanceTagsXml(const ChartProvenance& provenance, const QByteArray& existing) {
    pugi::xml_document doc;
    if (!existing.isEmpty()) parseXml(doc, existing, QStringLiteral("tags"), QString());
    pugi::xml_node list = doc.document_element();
    if (!xml::is(list, Ns::P, "tagLst")) {
        doc.reset();
        doc.append_child(pugi::node_declaration).append_attribute("version") = "1.0";
        auto declaration = doc.first_child();
        declaration.append_attribute("encoding") = "UTF-8";
        declaration.append_attribute("standalone") = "yes";
        list = doc.append_child("p:tagLst");
        list.append_attribute("xmlns:p") = xml::uriOf(Ns::P);
    }
    setProvenanceTag(list, kProvenanceVersionTag, QStringLiteral("1"));
    setProvenanceTag(list, kProvenanceWorkbookTag, provenance.workbook);
    setProvenanceTag(list, kProvenanceRelativeTag, provenance.workbookRelative);
    setProvenanceTag(list, kProvenanceSheetTag, provenance.sheet);
    setProvenanceTag(list, kProvenanceChartTag, provenance.chart);
    setProvenanceTag(list, kProvenanceIndexTag,
                     provenance.chartIndex > 0 ? QString::number(provenance.chartIndex) : QString());
    setProvenanceTag(list, kProvenanceSeriesTag, provenance.seriesRanges.join(u'\n'));
    setProvenanceTag(list, kProvenanceCopiedTag,
                     provenance.copiedAt.isValid() ? provenance.copiedAt.toUTC().toString(Qt::ISODate) : QString());
    return xmlBytes(doc);
}

std::optional<ChartProvenance> readProvenanceTags(const QByteArray& tagsXml, const QString& file, const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, tagsXml, file, part);
    const pugi::xml_node list = doc.document_element();
    if (!xml::is(list, Ns::P, "tagLst") || !provenanceTagNode(list, kProvenanceWorkbookTag)) return std::nullopt;
    ChartProvenance p;
    p.workbook = provenanceTagValue(list, kProvenanceWorkbookTag);
    if (p.workbook.isEmpty()) return std::nullopt;
    p.workbookRelative = provenanceTagValue(list, kProvenanceRelativeTag);
    p.sheet = provenanceTagValue(list, kProvenanceSheetTag);
    p.chart = provenanceTagValue(list, kProvenanceChartTag);
    bool ok = false;
    const int index = provenanceTagValue(list, kProvenanceIndexTag).toInt(&ok);
    p.chartIndex = ok && index > 0 ? index : 0;
    const QString series = provenanceTagValue(list, kProvenanceSeriesTag);
    if (!series.isEmpty()) p.seriesRanges = series.split(u'\n');
    p.copiedAt = QDateTime::fromString(provenanceTagValue(list, kProvenanceCopiedTag), Qt::ISODate);
    return p;
}

std::optional<QByteArray> withRelativeWorkbook(const QByteArray& tagsXml, const QString& deckFolder) {
    pugi::xml_document doc;
    if (!doc.load_buffer(tagsXml.constData(), size_t(tagsXml.size()), pugi::parse_default | pugi::parse_declaration)) {
        return std::nullopt;  // not ours to mend; the deck is saved as it is
    }
    pugi::xml_node list = doc.document_element();
    if (!xml::is(list, Ns::P, "tagLst")) return std::nullopt;
    const QString workbook = provenanceTagValue(list, kProvenanceWorkbookTag);
    if (workbook.isEmpty()) return std::nullopt;
    const QString relative = QDir(deckFolder).relativeFilePath(workbook);
    if (provenanceTagNode(list, kProvenanceRelativeTag) && provenanceTagValue(list, kProvenanceRelativeTag) == relative)
        return std::nullopt;
    setProvenanceTag(list, kProvenanceRelativeTag, relative);
    return xmlBytes(doc);
}

QStringList chartSeriesRanges(const QByteArray& chartXml, const QString& file, const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, chartXml, file, part);
    QStringList ranges;
    QSet<QString> seen;
    static const char* const kDataElements[] = {"tx", "cat", "val", "xVal", "yVal", "bubbleSize"};
    for (const pugi::xpath_node& found : doc.select_nodes("//*[local-name()='ser']")) {
        const pugi::xml_node series = found.node();
        if (!xml::is(series, Ns::C, "ser")) continue;
        for (const char* local : kDataElements) {
            const pugi::xml_node data = xml::child(series, Ns::C, local);
            if (!data) continue;
            for (auto ref : data.children()) {
                const QString formula = QString::fromUtf8(xml::child(ref, Ns::C, "f").text().get()).trimmed();
                if (formula.isEmpty() || seen.contains(formula)) continue;
                seen.insert(formula);
                ranges << formula;
            }
        }
    }
    return ranges;
}

}  // namespace engine
