#include "engine/presentation/PresentationPart.h"

#include "engine/package/Xml.h"
#include "engine/presentation/Ids.h"
#include "engine/package/OoxmlNames.h"

#include <QHash>
#include <algorithm>
#include <cstring>

namespace engine {

namespace {

using xml::Ns;

const xml::ChildSequence kPresentationChildren{
    {{Ns::P, "sldMasterIdLst"}}, {{Ns::P, "notesMasterIdLst"}}, {{Ns::P, "handoutMasterIdLst"}},
    {{Ns::P, "sldIdLst"}},       {{Ns::P, "sldSz"}},            {{Ns::P, "notesSz"}},
    {{Ns::P, "smartTags"}},      {{Ns::P, "embeddedFontLst"}},  {{Ns::P, "custShowLst"}},
    {{Ns::P, "photoAlbum"}},     {{Ns::P, "custDataLst"}},      {{Ns::P, "kinsoku"}},
    {{Ns::P, "defaultTextStyle"}}, {{Ns::P, "modifyVerifier"}}, {{Ns::P, "extLst"}}};

const xml::ChildSequence kSlideIdListChildren{{{Ns::P, "sldId"}}, {{Ns::P, "extLst"}}};

bool hasLocalName(const pugi::xml_node& node, const char* local) {
    return node.type() == pugi::node_element && std::strcmp(xml::localName(node), local) == 0;
}

pugi::xml_node firstChildNamed(const pugi::xml_node& parent, const char* local) {
    for (auto c = parent.first_child(); c; c = c.next_sibling())
        if (hasLocalName(c, local)) return c;
    return {};
}

// The sections of the deck (the 2010 section list in the presentation's extension list), in
// order; empty when it has none.
std::vector<pugi::xml_node> presentationSections(const pugi::xml_node& root) {
    std::vector<pugi::xml_node> sections;
    for (auto ext = xml::child(root, Ns::P, "extLst").first_child(); ext; ext = ext.next_sibling()) {
        const auto list = firstChildNamed(ext, "sectionLst");
        for (auto s = list.first_child(); s; s = s.next_sibling())
            if (hasLocalName(s, "section")) sections.push_back(s);
    }
    return sections;
}

// The slide ids a section lists, as elements.
std::vector<pugi::xml_node> sectionSlideIds(const pugi::xml_node& section) {
    std::vector<pugi::xml_node> ids;
    for (auto s = firstChildNamed(section, "sldIdLst").first_child(); s; s = s.next_sibling())
        if (hasLocalName(s, "sldId")) ids.push_back(s);
    return ids;
}

// The qualified name of an element in the namespace of `like`: "p14:sldId" beside "p14:section".
std::string namedLike(const pugi::xml_node& like, const char* local) {
    const std::string name = like.name();
    const auto colon = name.find(':');
    return colon == std::string::npos ? std::string(local) : name.substr(0, colon + 1) + local;
}

}  // namespace

PresentationPart PresentationPart::parse(const QByteArray& xml, const QString& file,
                                         const QString& part) {
    PresentationPart result;
    result.m_doc = std::make_unique<pugi::xml_document>();
    parseXml(*result.m_doc, xml, file, part);
    const auto root = result.m_doc->document_element();
    if (!xml::is(root, Ns::P, "presentation")) {
        throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                            QStringLiteral("root element is not p:presentation"));
    }
    for (const auto m : xml::children(xml::child(root, Ns::P, "sldMasterIdLst"), Ns::P, "sldMasterId")) {
        result.m_masters.push_back({m.attribute("id").as_uint(), xml::relationshipId(m)});
    }
    for (const auto s : xml::children(xml::child(root, Ns::P, "sldIdLst"), Ns::P, "sldId")) {
        const qint64 id = s.attribute("id").as_llong(-1);
        const QString relId = xml::relationshipId(s);
        if (id < 256 || id >= 2147483648LL) {
            throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                                QStringLiteral("slide id %1 is out of range").arg(id));
        }
        if (relId.isEmpty()) {
            throw DocumentError(DocumentError::Kind::Corrupt, file, part,
                                QStringLiteral("slide %1 has no r:id").arg(id));
        }
        result.m_slides.push_back({static_cast<quint32>(id), relId});
        result.m_highestSlideId = std::max(result.m_highestSlideId, static_cast<quint32>(id));
    }
    if (auto size = xml::child(root, Ns::P, "sldSz")) {
        const qint64 cx = size.attribute("cx").as_llong(0);
        const qint64 cy = size.attribute("cy").as_llong(0);
        if (cx > 0 && cy > 0) {
            result.m_width = cx;
            result.m_height = cy;
        }
    }
    return result;
}

PresentationPart PresentationPart::clone() const {
    PresentationPart copy;
    copy.m_doc = std::make_unique<pugi::xml_document>();
    copy.m_doc->reset(*m_doc);
    copy.m_slides = m_slides;
    copy.m_masters = m_masters;
    copy.m_width = m_width;
    copy.m_height = m_height;
    copy.m_highestSlideId = m_highestSlideId;
    return copy;
}

quint32 PresentationPart::nextSlideId() const {
    // Slide ids run from 256 to 2147483647.
    if (m_slides.empty()) return 256;
    if (m_highestSlideId < 2147483647u) return m_highestSlideId + 1;
    std::vector<quint64> used;
    for (const auto& s : m_slides) used.push_back(s.id);
    const auto id = nextFreeId(std::move(used), 256, 2147483647);
    if (!id)
        throw DocumentError(DocumentError::Kind::OverLimit,
                            QStringLiteral("no slide id is left for another slide"));
    return static_cast<quint32>(*id);
}

void PresentationPart::insertSlide(int index, quint32 id, const QString& relId) {
    auto root = m_doc->document_element();
    auto list = xml::child(root, Ns::P, "sldIdLst");
    if (!list) list = xml::insertChild(root, kPresentationChildren, Ns::P, "sldIdLst");
    const std::string relName = xml::qualifiedAttributeName(root, Ns::R, "id");
    // Insert before the slide that now holds position index, if any.
    pugi::xml_node before;
    pugi::xml_node after;
    if (index >= 0 && static_cast<size_t>(index) < m_slides.size()) {
        int position = 0;
        for (const auto s : xml::children(list, Ns::P, "sldId")) {
            if (position++ == index) {
                before = s;
                break;
            }
        }
    } else {
        // At the end: after the last element of the list unless that is its extension list,
        // found from the end so that a long list is not walked.
        pugi::xml_node last = list.last_child();
        while (last && last.type() != pugi::node_element) last = last.previous_sibling();
        if (last && xml::is(last, Ns::P, "extLst")) before = last;
        else if (last && xml::is(last, Ns::P, "sldId")) after = last;
    }
    const std::string sldId = xml::qualifiedName(root, Ns::P, "sldId");
    auto element = before ? list.insert_child_before(sldId.c_str(), before)
                   : after ? list.insert_child_after(sldId.c_str(), after)
                           : xml::insertChild(list, kSlideIdListChildren, Ns::P, "sldId");
    element.append_attribute("id") = static_cast<unsigned int>(id);
    element.append_attribute(relName.c_str()) = relId.toUtf8().constData();
    index = std::clamp(index, 0, static_cast<int>(m_slides.size()));
    m_slides.insert(m_slides.begin() + index, SlideId{id, relId});
    m_highestSlideId = std::max(m_highestSlideId, id);
}

void PresentationPart::removeSlide(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_slides.size()) return;
    const SlideId gone = m_slides[static_cast<size_t>(index)];
    auto root = m_doc->document_element();
    auto list = xml::child(root, Ns::P, "sldIdLst");
    int position = 0;
    for (const auto s : xml::children(list, Ns::P, "sldId")) {
        if (position++ == index) {
            list.remove_child(s);
            break;
        }
    }
    for (const auto& section : presentationSections(root)) {
        for (auto& id : sectionSlideIds(section))
            if (id.attribute("id").as_uint() == gone.id) id.parent().remove_child(id);
    }
    for (const auto show : xml::children(xml::child(root, Ns::P, "custShowLst"), Ns::P, "custShow")) {
        auto shown = xml::child(show, Ns::P, "sldLst");
        std::vector<pugi::xml_node> drop;
        for (const auto s : xml::children(shown, Ns::P, "sld"))
            if (xml::relationshipId(s) == gone.relId) drop.push_back(s);
        for (auto& s : drop) shown.remove_child(s);
    }
    m_slides.erase(m_slides.begin() + index);
}

void PresentationPart::reorderSlides(const std::vector<int>& order, const std::vector<bool>& moved) {
    auto root = m_doc->document_element();
    auto list = xml::child(root, Ns::P, "sldIdLst");
    std::vector<pugi::xml_node> nodes;
    for (const auto s : xml::children(list, Ns::P, "sldId")) nodes.push_back(s);
    if (nodes.size() != m_slides.size() || order.size() != m_slides.size()) return;
    const pugi::xml_node extension = xml::child(list, Ns::P, "extLst");
    std::vector<SlideId> slides;
    slides.reserve(order.size());
    for (int from : order) {
        if (extension) list.insert_move_before(nodes[static_cast<size_t>(from)], extension);
        else list.append_move(nodes[static_cast<size_t>(from)]);
        slides.push_back(m_slides[static_cast<size_t>(from)]);
    }
    m_slides = std::move(slides);

    const auto sections = presentationSections(root);
    if (sections.empty()) return;
    QHash<quint32, size_t> sectionOf;
    for (size_t i = 0; i < sections.size(); ++i)
        for (const auto& id : sectionSlideIds(sections[i])) sectionOf.insert(id.attribute("id").as_uint(), i);
    std::vector<std::vector<quint32>> members(sections.size());
    size_t current = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        const quint32 id = m_slides[i].id;
        const bool wasMoved = static_cast<size_t>(order[i]) < moved.size() && moved[static_cast<size_t>(order[i])];
        if (!wasMoved && sectionOf.contains(id)) current = std::max(current, sectionOf.value(id));
        members[current].push_back(id);
    }
    for (size_t i = 0; i < sections.size(); ++i) {
        auto section = sections[i];
        auto ids = firstChildNamed(section, "sldIdLst");
        const auto old = sectionSlideIds(section);
        if (!ids && members[i].empty()) continue;
        if (!ids) ids = section.prepend_child(namedLike(section, "sldIdLst").c_str());
        const std::string name = namedLike(section, "sldId");
        for (const auto& o : old) ids.remove_child(o);
        for (quint32 id : members[i]) {
            auto element = ids.append_child(name.c_str());
            element.append_attribute("id") = static_cast<unsigned int>(id);
        }
    }
}

void PresentationPart::addToSectionAfter(quint32 existingId, quint32 newId) {
    for (const auto& section : presentationSections(m_doc->document_element())) {
        for (const auto& id : sectionSlideIds(section)) {
            if (id.attribute("id").as_uint() != existingId) continue;
            auto element = id.parent().insert_child_after(id.name(), id);
            element.append_attribute("id") = static_cast<unsigned int>(newId);
            return;
        }
    }
}

QByteArray PresentationPart::bytes() const {
    return xmlBytes(*m_doc);
}

}  // namespace engine
