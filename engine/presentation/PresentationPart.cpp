#include "engine/presentation/PresentationPart.h"

#include "engine/package/Xml.h"
#include "engine/presentation/Ids.h"
#include "engine/presentation/OoxmlNames.h"

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

}  // namespace

PresentationPart PresentationPart::parse(const QByteArray& xml, const QString& file,
                                         const QString& part) {
    PresentationPart result;
    result.m_doc = std::make_unique<pugi::xml_document>();
    parseXml(*result.m_doc, xml, file, part);
    const auto root = result.m_doc->document_element();
    if (!xml::is(root, Ns::P, "presentation")) {
        throw DocumentError(file, part, QStringLiteral("root element is not p:presentation"));
    }
    for (const auto m : xml::children(xml::child(root, Ns::P, "sldMasterIdLst"), Ns::P, "sldMasterId")) {
        result.m_masters.push_back({m.attribute("id").as_uint(), xml::relationshipId(m)});
    }
    for (const auto s : xml::children(xml::child(root, Ns::P, "sldIdLst"), Ns::P, "sldId")) {
        const qint64 id = s.attribute("id").as_llong(-1);
        const QString relId = xml::relationshipId(s);
        if (id < 256 || id >= 2147483648LL) {
            throw DocumentError(file, part,
                                QStringLiteral("slide id %1 is out of range").arg(id));
        }
        if (relId.isEmpty()) {
            throw DocumentError(file, part, QStringLiteral("slide %1 has no r:id").arg(id));
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
    if (!id) throw DocumentError(QStringLiteral("no slide id is left for another slide"));
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

QByteArray PresentationPart::bytes() const {
    return xmlBytes(*m_doc);
}

}  // namespace engine
