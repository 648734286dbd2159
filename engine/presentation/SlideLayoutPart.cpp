#include "engine/presentation/SlideLayoutPart.h"

#include "engine/package/Xml.h"
#include "engine/package/OoxmlNames.h"

#include <cstring>

namespace engine {

namespace {

// ST_SlideLayoutType in schema order; PowerPoint's layout number n is entry n - 1.
const char* const kLayoutTypes[] = {
    "title",        "tx",           "twoColTx",    "tbl",        "txAndChart",
    "chartAndTx",   "dgm",          "chart",       "txAndClipArt", "clipArtAndTx",
    "titleOnly",    "blank",        "txAndObj",    "objAndTx",   "objOnly",
    "obj",          "txAndMedia",   "mediaAndTx",  "objOverTx",  "txOverObj",
    "txAndTwoObj",  "twoObjAndTx",  "twoObjOverTx", "fourObj",   "vertTx",
    "clipArtAndVertTx", "vertTitleAndTx", "vertTitleAndTxOverChart", "twoObj", "objAndTwoObj",
    "twoObjAndObj", "cust",         "secHead",     "twoTxTwoObj", "objTx",
    "picTx"};

using xml::Ns;

const xml::ChildSequence kMasterChildren{
    {{Ns::P, "cSld"}},   {{Ns::P, "clrMap"}},   {{Ns::P, "sldLayoutIdLst"}}, {{Ns::P, "transition"}},
    {{Ns::P, "timing"}}, {{Ns::P, "hf"}},       {{Ns::P, "txStyles"}},       {{Ns::P, "extLst"}}};

const xml::ChildSequence kLayoutIdListChildren{{{Ns::P, "sldLayoutId"}}, {{Ns::P, "extLst"}}};

xml::Children layoutIdsIn(const pugi::xml_document& master) {
    return xml::children(xml::child(master.document_element(), Ns::P, "sldLayoutIdLst"), Ns::P,
                         "sldLayoutId");
}

const char* const kOwnBlankLayout = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<p:sldLayout xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main" type="blank" preserve="1"><p:cSld name="Blank"><p:spTree><p:nvGrpSpPr><p:cNvPr id="1" name=""/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="0" cy="0"/><a:chOff x="0" y="0"/><a:chExt cx="0" cy="0"/></a:xfrm></p:grpSpPr></p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>
)";

}  // namespace

QString layoutTypeOfNumber(int layoutNumber) {
    constexpr int count = static_cast<int>(sizeof kLayoutTypes / sizeof *kLayoutTypes);
    if (layoutNumber < 1 || layoutNumber > count) return {};
    return QString::fromLatin1(kLayoutTypes[layoutNumber - 1]);
}

QString layoutTypeOf(const QByteArray& layoutXml, const QString& file, const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, layoutXml, file, part);
    const auto type = doc.document_element().attribute("type");
    return type ? QString::fromUtf8(type.value()) : QStringLiteral("cust");
}

QByteArray blankLayoutXml() {
    return QByteArray(kOwnBlankLayout);
}

std::vector<LayoutPlaceholder> layoutPlaceholders(const QByteArray& layoutXml, const QString& file,
                                                  const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, layoutXml, file, part);
    std::vector<LayoutPlaceholder> result;
    const auto tree = xml::child(xml::child(doc.document_element(), Ns::P, "cSld"), Ns::P, "spTree");
    for (const auto shape : xml::children(tree, Ns::P, "sp")) {
        const auto nv = xml::child(shape, Ns::P, "nvSpPr");
        const auto ph = xml::child(xml::child(nv, Ns::P, "nvPr"), Ns::P, "ph");
        if (!ph) continue;
        const QString type = QString::fromUtf8(ph.attribute("type").value());
        if (type == "dt" || type == "ftr" || type == "sldNum") continue;
        LayoutPlaceholder p;
        p.type = type;
        p.idx = QString::fromUtf8(ph.attribute("idx").value());
        p.name = QString::fromUtf8(xml::child(nv, Ns::P, "cNvPr").attribute("name").value());
        p.hasText = bool(xml::child(shape, Ns::P, "txBody"));
        result.push_back(p);
    }
    return result;
}

QByteArray masterWithLayout(const QByteArray& masterXml, quint32 layoutId, const QString& relId,
                            const QString& file, const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, masterXml, file, part);
    auto root = doc.document_element();
    auto list = xml::child(root, Ns::P, "sldLayoutIdLst");
    if (!list) list = xml::insertChild(root, kMasterChildren, Ns::P, "sldLayoutIdLst");
    const std::string relName = xml::qualifiedAttributeName(root, Ns::R, "id");
    // The list may end with an extension list, which must stay last.
    auto element = xml::insertChild(list, kLayoutIdListChildren, Ns::P, "sldLayoutId");
    element.append_attribute("id") = static_cast<unsigned int>(layoutId);
    element.append_attribute(relName.c_str()) = relId.toUtf8().constData();
    return xmlBytes(doc);
}

std::vector<quint32> layoutIdsOfMaster(const QByteArray& masterXml, const QString& file,
                                       const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, masterXml, file, part);
    std::vector<quint32> ids;
    for (const auto l : layoutIdsIn(doc)) ids.push_back(l.attribute("id").as_uint());
    return ids;
}

std::vector<QString> layoutRelIdsOfMaster(const QByteArray& masterXml, const QString& file,
                                          const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, masterXml, file, part);
    std::vector<QString> ids;
    for (const auto l : layoutIdsIn(doc)) ids.push_back(xml::relationshipId(l));
    return ids;
}

}  // namespace engine
