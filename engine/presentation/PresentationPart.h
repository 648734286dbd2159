#pragma once

#include "engine/package/Package.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <pugixml.hpp>
#include <vector>

namespace engine {

// The presentation part (p:presentation): the ordered slide list, the masters and the slide
// size. Holds the parsed part; bytes() writes it back with only what was changed different,
// namespace declarations and unknown children kept, children in schema order.
//
// parse() throws DocumentError naming file and part when the XML is malformed or the slide
// list is not what the format allows (an id out of range, a missing r:id).
class PresentationPart {
public:
    struct SlideId {
        quint32 id = 0;
        QString relId;
    };
    struct MasterId {
        quint32 id = 0;
        QString relId;
    };

    static PresentationPart parse(const QByteArray& xml, const QString& file, const QString& part);

    PresentationPart(PresentationPart&&) noexcept = default;
    PresentationPart& operator=(PresentationPart&&) noexcept = default;
    // An independent copy of the parsed part (costs in proportion to its size).
    PresentationPart clone() const;

    const std::vector<SlideId>& slides() const { return m_slides; }
    const std::vector<MasterId>& masters() const { return m_masters; }
    // The slide size in EMU; the format's default 4:3 size when the part gives none.
    qint64 slideWidth() const { return m_width; }
    qint64 slideHeight() const { return m_height; }

    // A slide id not yet used: one more than the highest (at least 256); the lowest free one
    // once the highest is the last the format allows.
    quint32 nextSlideId() const;
    // Inserts a p:sldId at index (0 to slides().size()), creating the slide list when absent.
    // Adding at the end costs the same however many slides there are.
    void insertSlide(int index, quint32 id, const QString& relId);
    // Removes the p:sldId at index, and the slide's entries in the section list and the custom
    // shows, which must not name a slide the deck no longer has.
    void removeSlide(int index);
    // Puts the slides in a new order: order[i] is the present position of the slide that goes
    // to position i (a permutation of 0 to slides().size() - 1). Slides keep their ids and
    // relationships. Sections keep their order and their slides; a slide marked in moved
    // joins the section of the slide it now follows (the first section at the very start),
    // so that every section stays one run of slides.
    void reorderSlides(const std::vector<int>& order, const std::vector<bool>& moved);
    // Puts slide id newId into the section of slide existingId, right after it (no change when
    // the deck has no sections).
    void addToSectionAfter(quint32 existingId, quint32 newId);

    QByteArray bytes() const;

private:
    PresentationPart() = default;
    std::unique_ptr<pugi::xml_document> m_doc;
    std::vector<SlideId> m_slides;
    std::vector<MasterId> m_masters;
    qint64 m_width = 9144000;
    qint64 m_height = 6858000;
    quint32 m_highestSlideId = 0;  // 0 while there is no slide
};

}  // namespace engine
