#include "engine/presentation/SlideLayoutPart.h"

#include "engine/package/Xml.h"
#include "engine/presentation/OoxmlNames.h"
#include "engine/presentation/XmlEdit.h"

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

// Children of p:sldMaster that come before p:sldLayoutIdLst.
const char* const kBeforeLayoutList[] = {"cSld", "clrMap"};

QString relIdOf(const pugi::xml_node& element) {
    for (auto attribute : element.attributes()) {
        const char* colon = std::strchr(attribute.name(), ':');
        if (colon && std::strcmp(colon + 1, "id") == 0) return QString::fromUtf8(attribute.value());
    }
    return {};
}

const char* const kBlankLayout = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
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
    return QByteArray(kBlankLayout);
}

std::vector<LayoutPlaceholder> layoutPlaceholders(const QByteArray& layoutXml, const QString& file,
                                                  const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, layoutXml, file, part);
    std::vector<LayoutPlaceholder> result;
    const auto tree = childByLocalName(childByLocalName(doc.document_element(), "cSld"), "spTree");
    for (auto shape : tree.children()) {
        if (shape.type() != pugi::node_element || std::strcmp(localName(shape), "sp") != 0) continue;
        const auto nv = childByLocalName(shape, "nvSpPr");
        const auto ph = childByLocalName(childByLocalName(nv, "nvPr"), "ph");
        if (!ph) continue;
        const QString type = QString::fromUtf8(ph.attribute("type").value());
        if (type == "dt" || type == "ftr" || type == "sldNum") continue;
        LayoutPlaceholder p;
        p.type = type;
        p.idx = QString::fromUtf8(ph.attribute("idx").value());
        p.name = QString::fromUtf8(childByLocalName(nv, "cNvPr").attribute("name").value());
        p.hasText = bool(childByLocalName(shape, "txBody"));
        result.push_back(p);
    }
    return result;
}

QByteArray masterWithLayout(const QByteArray& masterXml, quint32 layoutId, const QString& relId,
                            const QString& file, const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, masterXml, file, part);
    auto root = doc.document_element();
    auto list = childByLocalName(root, "sldLayoutIdLst");
    if (!list) {
        pugi::xml_node after;
        for (const char* name : kBeforeLayoutList) {
            if (auto n = childByLocalName(root, name)) after = n;
        }
        const std::string name = xmledit::qualifiedName(root, ooxml::ns::kP, "p", "sldLayoutIdLst");
        list = after ? root.insert_child_after(name.c_str(), after)
                     : root.prepend_child(name.c_str());
    }
    const std::string idName = xmledit::qualifiedName(root, ooxml::ns::kP, "p", "sldLayoutId");
    const std::string relName = xmledit::qualifiedName(root, ooxml::ns::kR, "r", "id");
    // The list may end with an extension list, which must stay last.
    auto ext = childByLocalName(list, "extLst");
    auto element = ext ? list.insert_child_before(idName.c_str(), ext)
                       : list.append_child(idName.c_str());
    element.append_attribute("id") = static_cast<unsigned int>(layoutId);
    element.append_attribute(relName.c_str()) = relId.toUtf8().constData();
    return xmlBytes(doc);
}

std::vector<quint32> layoutIdsOfMaster(const QByteArray& masterXml, const QString& file,
                                       const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, masterXml, file, part);
    std::vector<quint32> ids;
    for (auto l : childByLocalName(doc.document_element(), "sldLayoutIdLst").children()) {
        if (l.type() == pugi::node_element && std::strcmp(localName(l), "sldLayoutId") == 0)
            ids.push_back(l.attribute("id").as_uint());
    }
    return ids;
}

std::vector<QString> layoutRelIdsOfMaster(const QByteArray& masterXml, const QString& file,
                                          const QString& part) {
    pugi::xml_document doc;
    parseXml(doc, masterXml, file, part);
    std::vector<QString> ids;
    for (auto l : childByLocalName(doc.document_element(), "sldLayoutIdLst").children()) {
        if (l.type() == pugi::node_element && std::strcmp(localName(l), "sldLayoutId") == 0)
            ids.push_back(relIdOf(l));
    }
    return ids;
}

}  // namespace engine
