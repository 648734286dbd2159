#pragma once

#include "engine/presentation/SlideLayoutPart.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <pugixml.hpp>
#include <vector>

namespace engine {

// A rectangle on a slide, in EMU.
struct EmuRect {
    qint64 x = 0;
    qint64 y = 0;
    qint64 cx = 0;
    qint64 cy = 0;
    bool operator==(const EmuRect&) const = default;
};

// One shape of a slide as the presentation window and the checks read it.
struct SlideShape {
    enum class Kind { Text, Picture, Chart, Other };
    Kind kind = Kind::Other;
    int id = 0;
    QString name;
    bool hasFrame = false;  // false for placeholders that take their place from the layout
    EmuRect frame;
    QString placeholderType;  // "" when the shape is no placeholder, "body" for the default one
    QStringList paragraphs;   // text shapes
    QString relId;            // the picture's blip or the chart's part, through the slide rels
    QString tagsRelId;        // the shape's tags part (p:nvPr/p:custDataLst/p:tags), "" when none
    // A chart of the newer kinds: the shape read is the picture of its mc:Fallback, and this
    // is the chartex part of the graphic frame of its mc:Choice (whose tags it takes when the
    // picture has none). "" for every other shape.
    QString chartexRelId;
};

// A slide part (p:sld). Holds the parsed part for editing; bytes() writes it back with only the
// additions different. Shapes are appended at the end of the shape tree, after every shape
// already there, with an id one more than the highest in the slide.
//
// parse() throws DocumentError naming file and part when the XML is malformed or is no slide.
class SlidePart {
public:
    static SlidePart parse(const QByteArray& xml, const QString& file, const QString& part);
    // A new slide's XML: an empty shape tree, plus an empty shape for each placeholder given.
    static QByteArray newSlideXml(const std::vector<LayoutPlaceholder>& placeholders);

    SlidePart(SlidePart&&) noexcept = default;
    SlidePart& operator=(SlidePart&&) noexcept = default;

    // The shapes, groups flattened, in drawing order.
    std::vector<SlideShape> shapes() const;
    int nextShapeId() const;

    // Sets the frame of the chart with this shape id (a p:graphicFrame of the shape tree, not
    // of a group) to frame. Throws DocumentError, changing nothing, when the slide has no such
    // chart.
    void setChartFrame(int shapeId, const EmuRect& frame);
    // Removes the chart frame with this shape id from the shape tree; false when there is none.
    bool removeChartFrame(int shapeId);

    // Appends a chart frame (p:graphicFrame holding c:chart r:id=chartRelId), with its tags part
    // when tagsRelId is not "".
    void appendChartFrame(const QString& name, const EmuRect& frame, const QString& chartRelId,
                          const QString& tagsRelId = {});
    // Points the chart frame with this shape id at another chart part, and gives it a tags part
    // when tagsRelId is not "" and it has none. False when the slide has no such chart frame.
    bool relinkChartFrame(int shapeId, const QString& chartRelId, const QString& tagsRelId);
    // A frame of one of the newer chart kinds as the presentation application writes it: an
    // mc:AlternateContent whose mc:Choice (requiring the prefix bound to requiredUri) holds the
    // graphic frame of the chartex part and whose mc:Fallback holds a picture of the chart for
    // readers that do not know the kind, both with the same shape id and name.
    // Both carry the tags part when tagsRelId is not "".
    void appendChartexFrame(const QString& name, const EmuRect& frame, const QString& chartRelId,
                            const QString& pictureRelId, const char* requiredPrefix, const char* requiredUri,
                            const QString& tagsRelId = {});
    // Points such a frame (by the shape id of its choice) at another chartex part and fallback
    // picture, requiring the namespace the new chart needs. False when the slide has no such
    // frame; nothing changes then.
    bool relinkChartexFrame(int shapeId, const QString& chartRelId, const QString& pictureRelId,
                            const char* requiredPrefix, const char* requiredUri);
    // Appends a picture (p:pic filled from the image part of imageRelId).
    void appendPicture(const QString& name, const EmuRect& frame, const QString& imageRelId);
    // Appends a text box, one paragraph per line.
    void appendTextBox(const QString& name, const EmuRect& frame, const QStringList& lines);

    QByteArray bytes() const;

private:
    SlidePart() = default;
    std::string p(const char* local);
    std::string a(const char* local);
    // Fills gf (an empty p:graphicFrame) with its non-visual properties, frame and a
    // graphicData of the given uri, and returns that graphicData and the frame's p:nvPr.
    std::pair<pugi::xml_node, pugi::xml_node> fillGraphicFrame(pugi::xml_node gf, int id, const QString& name,
                                                               const EmuRect& frame, const char* uri);

    std::unique_ptr<pugi::xml_document> m_doc;
    pugi::xml_node m_tree;
};

}  // namespace engine
