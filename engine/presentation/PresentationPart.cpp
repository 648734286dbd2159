#include "engine/presentation/PresentationPart.h"

#include "engine/package/Xml.h"
#include "engine/presentation/Ids.h"
#include "engine/presentation/OoxmlNames.h"
#include "engine/presentation/XmlEdit.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

// The children of p:presentation that come before the slide list, in schema order.
const char* const kBeforeSlideList[] = {"sldMasterIdLst", "notesMasterIdLst",
                                        "handoutMasterIdLst"};

QString relIdOf(const pugi::xml_node& element) {
    for (auto attribute : element.attributes()) {
        const char* name = attribute.name();
        const char* colon = std::strchr(name, ':');
        if (colon && std::strcmp(colon + 1, "id") == 0) return QString::fromUtf8(attribute.value());
    }
    return {};
}

}  // namespace

PresentationPart PresentationPart::parse(const QByteArray& xml, const QString& file,
                                         const QString& part) {
    PresentationPart result;
    result.m_doc = std::make_unique<pugi::xml_document>();
    parseXml(*result.m_doc, xml, file, part);
    const auto root = result.m_doc->document_element();
    if (std::strcmp(localName(root), "presentation") != 0) {
        throw DocumentError(file, part, QStringLiteral("root element is not p:presentation"));
    }
    if (auto masters = childByLocalName(root, "sldMasterIdLst")) {
        for (auto m : masters.children()) {
            if (m.type() != pugi::node_element) continue;
            result.m_masters.push_back({m.attribute("id").as_uint(), relIdOf(m)});
        }
    }
    if (auto list = childByLocalName(root, "sldIdLst")) {
        for (auto s : list.children()) {
            if (s.type() != pugi::node_element) continue;
            const qint64 id = s.attribute("id").as_llong(-1);
            const QString relId = relIdOf(s);
            if (id < 256 || id >= 2147483648LL) {
                throw DocumentError(file, part,
                                    QStringLiteral("slide id %1 is out of range").arg(id));
            }
            if (relId.isEmpty()) {
                throw DocumentError(file, part, QStringLiteral("slide %1 has no r:id").arg(id));
            }
            result.m_slides.push_back({static_cast<quint32>(id), relId});
        }
    }
    if (auto size = childByLocalName(root, "sldSz")) {
        const qint64 cx = size.attribute("cx").as_llong(0);
        const qint64 cy = size.attribute("cy").as_llong(0);
        if (cx > 0 && cy > 0) {
            result.m_width = cx;
            result.m_height = cy;
        }
    }
    return result;
}

quint32 PresentationPart::nextSlideId() const {
    std::vector<quint64> used;
    for (const auto& s : m_slides) used.push_back(s.id);
    // Slide ids run from 256 to 2147483647.
    const auto id = nextFreeId(std::move(used), 256, 2147483647);
    if (!id) throw DocumentError(QStringLiteral("no slide id is left for another slide"));
    return static_cast<quint32>(*id);
}

void PresentationPart::insertSlide(int index, quint32 id, const QString& relId) {
    auto root = m_doc->document_element();
    auto list = childByLocalName(root, "sldIdLst");
    if (!list) {
        pugi::xml_node after;
        for (const char* name : kBeforeSlideList) {
            if (auto n = childByLocalName(root, name)) after = n;
        }
        const std::string name = xmledit::qualifiedName(root, ooxml::ns::kP, "p", "sldIdLst");
        list = after ? root.insert_child_after(name.c_str(), after)
                     : root.prepend_child(name.c_str());
    }
    const std::string slideName = xmledit::qualifiedName(root, ooxml::ns::kP, "p", "sldId");
    const std::string relName = xmledit::qualifiedName(root, ooxml::ns::kR, "r", "id");
    // Insert before the element that now holds position index, if any.
    pugi::xml_node before;
    int position = 0;
    for (auto s : list.children()) {
        if (s.type() != pugi::node_element) continue;
        if (position++ == index) {
            before = s;
            break;
        }
    }
    auto element = before ? list.insert_child_before(slideName.c_str(), before)
                          : list.append_child(slideName.c_str());
    element.append_attribute("id") = static_cast<unsigned int>(id);
    element.append_attribute(relName.c_str()) = relId.toUtf8().constData();
    index = std::clamp(index, 0, static_cast<int>(m_slides.size()));
    m_slides.insert(m_slides.begin() + index, SlideId{id, relId});
}

QByteArray PresentationPart::bytes() const {
    return xmlBytes(*m_doc);
}

}  // namespace engine
