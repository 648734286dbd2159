#include "engine/presentation/ChartProvenance.h"

#include "engine/package/Package.h"
#include "engine/package/Xml.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <QUrl>
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
constexpr const char* kProvenanceSizeTag = "QM_SOURCE_SIZE";

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

// "CX CY" in EMU, each a positive whole number; anything else is no size.
bool readProvenanceSize(const QString& text, ChartProvenance& into) {
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 2) return false;
    bool okCx = false, okCy = false;
    const qint64 cx = parts[0].toLongLong(&okCx);
    const qint64 cy = parts[1].toLongLong(&okCy);
    if (!okCx || !okCy || cx <= 0 || cy <= 0) return false;
    into.sourceCx = cx;
    into.sourceCy = cy;
    return true;
}

QString provenanceSizeText(const ChartProvenance& provenance) {
    return QString::number(provenance.sourceCx) + u' ' + QString::number(provenance.sourceCy);
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
    if (provenance.hasSourceSize()) setProvenanceTag(list, kProvenanceSizeTag, provenanceSizeText(provenance));
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
    readProvenanceSize(provenanceTagValue(list, kProvenanceSizeTag), p);
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

namespace {

constexpr const char* kProvenanceProperty = "QM_CHART_SOURCES";
constexpr const char* kCustomPropertiesNs = "http://schemas.openxmlformats.org/officeDocument/2006/custom-properties";
constexpr const char* kPropertyTypesNs = "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes";
// The format id every user-defined property carries.
constexpr const char* kUserPropertyFormatId = "{D5CDD505-2E9C-101B-9397-08002B2CF9AE}";

}  // namespace

QByteArray provenanceCustomPropertiesXml(const std::vector<FrameProvenance>& frames, const QByteArray& existing) {
    QJsonArray records;
    for (const FrameProvenance& f : frames) {
        const ChartProvenance& p = f.provenance;
        QJsonObject record;
        record[QStringLiteral("slide")] = f.slide;
        record[QStringLiteral("frame")] = f.frame;
        record[QStringLiteral("nth")] = f.nth;
        record[QStringLiteral("workbook")] = p.workbook;
        record[QStringLiteral("relative")] = p.workbookRelative;
        record[QStringLiteral("sheet")] = p.sheet;
        record[QStringLiteral("chart")] = p.chart;
        record[QStringLiteral("index")] = p.chartIndex;
        record[QStringLiteral("series")] = QJsonArray::fromStringList(p.seriesRanges);
        record[QStringLiteral("copied")] = p.copiedAt.isValid() ? p.copiedAt.toUTC().toString(Qt::ISODate) : QString();
        if (p.hasSourceSize()) record[QStringLiteral("size")] = provenanceSizeText(p);
        records.append(record);
    }
    const QByteArray json = QJsonDocument(records).toJson(QJsonDocument::Compact);

    pugi::xml_document doc;
    if (!existing.isEmpty()) parseXml(doc, existing, QStringLiteral("docProps/custom.xml"), QString());
    pugi::xml_node root = doc.document_element();
    if (!root || std::strcmp(root.name(), "Properties") != 0) {
        doc.reset();
        auto declaration = doc.append_child(pugi::node_declaration);
        declaration.append_attribute("version") = "1.0";
        declaration.append_attribute("encoding") = "UTF-8";
        declaration.append_attribute("standalone") = "yes";
        root = doc.append_child("Properties");
        root.append_attribute("xmlns") = kCustomPropertiesNs;
        root.append_attribute("xmlns:vt") = kPropertyTypesNs;
    }
    pugi::xml_node property;
    int pid = 1;  // identifiers start at 2
    for (auto p : root.children()) {
        pid = std::max(pid, p.attribute("pid").as_int());
        if (QString::fromUtf8(p.attribute("name").value()) == QLatin1String(kProvenanceProperty)) property = p;
    }
    if (!property) {
        property = root.append_child("property");
        property.append_attribute("fmtid") = kUserPropertyFormatId;
        property.append_attribute("pid") = pid + 1;
        property.append_attribute("name") = kProvenanceProperty;
    }
    property.remove_children();
    // The value types' namespace, under the prefix the part binds it to.
    std::string prefix;
    for (auto a : root.attributes()) {
        if (std::strcmp(a.value(), kPropertyTypesNs) == 0 && std::strncmp(a.name(), "xmlns:", 6) == 0) prefix = a.name() + 6;
    }
    if (prefix.empty()) {
        prefix = root.attribute("xmlns:vt") ? "qmvt" : "vt";
        root.append_attribute(("xmlns:" + prefix).c_str()) = kPropertyTypesNs;
    }
    property.append_child((prefix + ":lpwstr").c_str()).text() = json.constData();
    return xmlBytes(doc);
}

std::vector<FrameProvenance> readProvenanceCustomProperties(const QByteArray& xml) {
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.constData(), size_t(xml.size()))) return {};
    std::vector<FrameProvenance> frames;
    for (auto p : doc.document_element().children()) {
        if (QString::fromUtf8(p.attribute("name").value()) != QLatin1String(kProvenanceProperty)) continue;
        const QJsonDocument json = QJsonDocument::fromJson(QByteArray(p.first_child().text().get()));
        for (const QJsonValue& value : json.array()) {
            const QJsonObject record = value.toObject();
            FrameProvenance f;
            f.slide = record.value(QStringLiteral("slide")).toInt();
            f.frame = record.value(QStringLiteral("frame")).toString();
            f.nth = record.value(QStringLiteral("nth")).toInt(1);
            ChartProvenance& c = f.provenance;
            c.workbook = record.value(QStringLiteral("workbook")).toString();
            c.workbookRelative = record.value(QStringLiteral("relative")).toString();
            c.sheet = record.value(QStringLiteral("sheet")).toString();
            c.chart = record.value(QStringLiteral("chart")).toString();
            c.chartIndex = std::max(0, record.value(QStringLiteral("index")).toInt());
            for (const QJsonValue& range : record.value(QStringLiteral("series")).toArray()) c.seriesRanges << range.toString();
            c.copiedAt = QDateTime::fromString(record.value(QStringLiteral("copied")).toString(), Qt::ISODate);
            readProvenanceSize(record.value(QStringLiteral("size")).toString(), c);
            if (f.slide > 0 && !c.workbook.isEmpty()) frames.push_back(std::move(f));
        }
    }
    return frames;
}

QString workbookLinkTarget(const QString& workbook, const QString& deckFolder) {
    const QFileInfo file(workbook);
    if (!deckFolder.isEmpty() && file.absolutePath() == QFileInfo(deckFolder).absoluteFilePath()) return file.fileName();
    return QUrl::fromLocalFile(file.absoluteFilePath()).toString();
}

QStringList chartSeriesRanges(const QByteArray& chartXml, const QString& file, const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, chartXml, file, part);
    QStringList ranges;
    QSet<QString> seen;
    if (xml::is(doc.document_element(), Ns::Cx, "chartSpace")) {
        // The newer kinds name their cells in the data they share among their series.
        for (const pugi::xpath_node& found : doc.select_nodes("//*[local-name()='f']")) {
            if (!xml::is(found.node(), Ns::Cx, "f")) continue;
            const QString formula = QString::fromUtf8(found.node().text().get()).trimmed();
            if (formula.isEmpty() || seen.contains(formula)) continue;
            seen.insert(formula);
            ranges << formula;
        }
        return ranges;
    }
    static const char* const kDataElements[] = {"tx", "cat", "val", "xVal", "yVal", "bubbleSize"};
    // Every c:ser in document order. A series is never inside another, nor inside a cache or a
    // literal, so those (a large chart's thousands of points) are not walked.
    std::vector<pugi::xml_node> allSeries;
    std::vector<pugi::xml_node> pending{doc.document_element()};
    while (!pending.empty()) {
        const pugi::xml_node node = pending.back();
        pending.pop_back();
        if (xml::is(node, Ns::C, "ser")) {
            allSeries.push_back(node);
            continue;
        }
        if (xml::is(node, Ns::C, "numCache") || xml::is(node, Ns::C, "strCache") || xml::is(node, Ns::C, "numLit") ||
            xml::is(node, Ns::C, "strLit") || xml::is(node, Ns::C, "multiLvlStrCache")) {
            continue;
        }
        const size_t at = pending.size();
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_element) pending.push_back(child);
        }
        std::reverse(pending.begin() + std::ptrdiff_t(at), pending.end());
    }
    for (const pugi::xml_node& series : allSeries) {
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
