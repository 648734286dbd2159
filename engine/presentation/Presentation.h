#pragma once

#include "engine/chartcopy/ChartPackage.h"
#include "engine/package/Package.h"
#include "engine/chartmodel/ChartModel.h"
#include "engine/chartcopy/ChartPart.h"
#include "engine/chartcopy/ChartInsertion.h"
#include "engine/presentation/ChartProvenance.h"
#include "engine/presentation/PresentationPart.h"
#include "engine/presentation/SlidePart.h"

#include <QImage>
#include <QMimeData>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace engine {

// What a paste fails with when the clipboard holds nothing a slide can take.
inline constexpr const char* kNothingToPaste =
    "Clipboard is empty or contains data which may not be pasted here.";

// A presentation held in memory over its package: new from the built-in template, or opened
// from a .pptx/.pptm. It owns the package; parts it does not change are saved byte for byte as
// they were read. Slides are addressed by 0-based position.
//
// open() checks the structure before anything else can happen (the presentation part, every
// slide, layout and master, their relationships) and throws DocumentError naming the file and
// the part at fault. Edits throw DocumentError too, and leave the presentation as it was: each
// checks what it is given and makes what can fail before it changes anything, so that no copy
// of the package is needed to undo it, and an edit costs the same in a deck of thousands of
// slides as in an empty one. The presentation part and its relationships are held parsed and
// written into the package only when package() is asked for or the deck is saved.
//
// A deck may hold no more zip entries than limits.maxEntries (what reading it back allows): an
// addition that would make more is refused before anything is done, naming the deck.
// Nothing is ever written except by save().
class Presentation {
public:
    static Presentation createNew(const Limits& limits = {});
    static Presentation open(const QString& path, const Limits& limits = {});
    // A package already in memory (a converted legacy file); name is used in errors.
    static Presentation fromPackage(Package package, const QString& name, const Limits& limits = {});

    // A copy shares the parts of this one (it costs little) and is independent of it from
    // then on; the two may be used on different threads. The first edit of either after the
    // copy costs in proportion to the deck, once.
    Presentation(const Presentation& other);
    Presentation& operator=(const Presentation& other);
    Presentation(Presentation&&) = default;
    Presentation& operator=(Presentation&&) = default;
    ~Presentation();

    const QString& name() const { return m_name; }
    const Package& package() const;
    // True when the presentation part is of the macro-enabled kind (.pptm).
    bool isMacroEnabled() const;

    int slideCount() const { return static_cast<int>(m_slides.size()); }
    qint64 slideWidth() const { return m_main->part->slideWidth(); }
    qint64 slideHeight() const { return m_main->part->slideHeight(); }
    QString slidePartName(int index) const;

    // Inserts a slide at index (0 to slideCount()) on the layout with this PowerPoint number
    // (12: blank). A presentation without a blank layout gets one in its first master.
    void addSlide(int index, int layoutNumber);

    // Removes the slides at these positions (in any order; a repeated one counts once), and
    // every part that only they reached: their notes, their charts with each chart's workbook
    // and theme override, and so on. Parts something left in the deck still reaches (layouts,
    // a picture another slide shows, a slide another one links to) stay as they are.
    void deleteSlides(std::vector<int> indices);
    // Inserts a copy of slide index right after it, and answers the copy's position. The copy
    // has its own parts for what belongs to one slide alone (charts with their workbooks, theme
    // overrides and drawings; notes; comments; embedded objects; tags, so its charts' provenance
    // too) and shares the rest with the original (layout, pictures, media). A deck with
    // sections has the copy in the original's.
    int duplicateSlide(int index);
    // Moves the slides at these positions, keeping their order among themselves, so that they
    // stand together from position `to` of the deck without them (0 to slideCount() minus
    // their number). Slides keep their parts, ids and relationships; only the order changes.
    void moveSlides(std::vector<int> indices, int to);
    // Moves or sizes the chart with this shape id on slide index. The frame must have a size
    // (at least one EMU each way) and may reach past the slide's edges, as in the office
    // applications; nothing else of the slide changes, the chart's part neither.
    void setChartFrame(int index, int shapeId, const EmuRect& frame);
    // Removes the chart with this shape id from slide index, with the parts only it used (its
    // part, embedded workbook, theme override...). Throws DocumentError, changing nothing,
    // when the slide has no such chart.
    void deleteChart(int index, int shapeId);
    // The largest frame of a chart of this frame's proportions inside the slide less a margin
    // of 5 % of the slide on each side, centred.
    EmuRect fittedToSlide(const EmuRect& frame) const;

    // The id of slide index, as the presentation part lists it.
    quint32 slideId(int index) const;

    // Pastes onto slide `index`: a chart package becomes a native chart, a PNG or other image a
    // picture, text a text box, in that order of preference. Throws DocumentError with
    // kNothingToPaste when the data holds none of them. A chart is formatted as `formatting`
    // says, in the theme of the slide's master for DeckTheme.
    void paste(int index, const QMimeData& data, PasteFormatting formatting = PasteFormatting::DeckTheme);
    // A pasted chart's part and the model of that part as written, for a caller that shows the
    // chart at once (reading the part again would cost a chart of many points dearly).
    struct PastedChart {
        QString part;
        chart::ChartSpace model;
    };
    void pasteChart(int index, const ChartPackage& chart, PastedChart* pasted = nullptr,
                    PasteFormatting formatting = PasteFormatting::DeckTheme);
    // pasteChart in two steps, for a caller that makes the chart's parts on another thread while
    // this presentation is read (not edited) meanwhile: makeChart reads only slide positions and
    // part names, and throws like pasteChart; placeChart then adds what was made. It throws
    // DocumentError, changing nothing, when the presentation was edited in between so that the
    // names made no longer fit.
    struct MadeChart {
        int index = 0;
        QString slidePart;
        QString name;  // the frame's name, "" for the default
        EmuRect rect;
        ChartParts parts;  // the chart's parts, and its provenance tags part when it has one
        QString tagsPart;  // "" when the chart's package named no workbook
        // The newer kinds: the picture readers that do not know the kind show (PNG), and the
        // namespace the frame's choice requires.
        QByteArray fallbackPicture;
        const char* requiredPrefix = nullptr;
        const char* requiredUri = nullptr;
    };
    MadeChart makeChart(int index, const ChartPackage& chart, PastedChart* pasted = nullptr,
                        PasteFormatting formatting = PasteFormatting::DeckTheme) const;
    // The theme part (a:theme bytes) of the master of slide index's layout; empty when the
    // chain from the slide to a theme is broken somewhere.
    QByteArray slideTheme(int index) const;
    void placeChart(const MadeChart& made);
    void pastePicture(int index, const QImage& image);
    void pasteText(int index, const QString& text);

    // The shapes of a slide, and what their relationships point to.
    std::vector<SlideShape> slideShapes(int index) const;
    // The part a slide's relationship points to; "" when none.
    QString slideTarget(int index, const QString& relId) const;
    ChartSummary chartSummary(const QString& chartPart) const;
    // The model of a chart part of this presentation (throws like chart::readChartSpace).
    chart::ChartSpace chartModel(const QString& chartPart) const;

    // A chart frame of a slide, and where its chart came from when the frame remembers it (see
    // ChartProvenance). Frames inside groups are listed too.
    struct ChartFrame {
        int slide = 0;  // 0-based
        int shapeId = 0;
        QString name;
        EmuRect frame;
        QString chartPart;
        QString tagsPart;  // "" when the frame has no tags part
        std::optional<ChartProvenance> provenance;
        // A chart of the newer kinds: chartPart is a chartex part, shown behind a fallback
        // picture; its data is not updated in place (replaceChart redraws it whole).
        bool chartex = false;
    };
    // Every chart frame, slide by slide in drawing order. A frame without tags takes its
    // provenance from the deck's copy (see FrameProvenance) when that has one for it. Throws
    // DocumentError naming the part when a slide or a frame's tags part is malformed.
    std::vector<ChartFrame> chartFrames() const;
    // The embedded workbook a chart part's c:externalData points to inside the package; "" when
    // it has none or the link leads outside.
    QString embeddedWorkbookOf(const QString& chartPart) const;
    // The target, as written, of a chart part's c:externalData when it links to a file outside
    // the package (a chart pasted with its data linked); "" otherwise.
    QString externalWorkbookOf(const QString& chartPart) const;
    const QByteArray& partBytes(const QString& partName) const { return m_package.part(partName); }

    // Rewrites the chart of a frame in place: its part's bytes, its embedded workbook's (when
    // given and the chart has one) and its provenance (when given). Nothing else of the deck
    // changes.
    void updateChart(const ChartFrame& frame, const QByteArray& chartXml, const QByteArray& embeddedWorkbook,
                     const std::optional<ChartProvenance>& provenance);
    // Links the chart of a frame to its workbook the office applications' way instead of
    // embedding the workbook: c:externalData then names an external oleObject relationship to
    // target (a path relative to the deck, or a file URI), and the embedded workbook goes. A
    // chart that embeds no workbook is left as it is.
    void linkChart(const ChartFrame& frame, const QString& target);
    // Puts the chart a package makes in the frame's place instead of the one there, at the same
    // position and size, with the provenance given; the old chart's parts go (a chart of the
    // newer kinds takes a new fallback picture too). The chart keeps the formatting choice the
    // old one was pasted with (a theme override: the source's formatting; none: the deck's
    // theme). Throws DocumentError, changing nothing, when the chart cannot be made, or when it
    // is of the newer kinds and the frame's is not, or the other way round.
    void replaceChart(const ChartFrame& frame, const ChartPackage& chart, const ChartProvenance& provenance);
    // The frame at the chart's size in its workbook, as its provenance recorded it when pasted;
    // a chart without that record (pasted from elsewhere, or before it was kept) takes the
    // spreadsheet application's default chart size, 5 x 3 in. Centred where the frame was, then
    // moved onto the slide as far as it fits there (centred on it when larger).
    EmuRect atOriginalSize(const ChartFrame& frame) const;

    // Writes the presentation to path atomically (a temporary file beside it, checked, then
    // renamed over it). Throws DocumentError naming the file; the target is then unchanged.
    // Each chart's provenance is given the workbook's path relative to path's folder first, and
    // the deck's copy of all of them is written anew (see FrameProvenance).
    void save(const QString& path) const;

private:
    Presentation() = default;
    // The presentation part and its relationships, shared by copies until one edits them.
    struct Main {
        std::optional<PresentationPart> part;
        Relationships rels;
    };
    Main& editableMain();
    // Writes the presentation part and its relationships into the package when edited since.
    void writeMain() const;
    // Refuses, naming the deck, an addition of `added` entries that would make more than the
    // limits allow.
    void checkRoomFor(qsizetype added, const QString& what) const;
    // The layout of that number when the presentation has one, else "".
    QString findLayout(const QString& wanted) const;
    void load();
    void checkSlide(const QString& slidePart);
    QString addBlankLayout();
    EmuRect placed(qint64 cx, qint64 cy) const;
    // Where a pasted chart goes: centred, at its own size when that fits inside the slide less a
    // margin of 5 % of the slide on each side, else scaled down to fit there, keeping its
    // proportions.
    EmuRect placedChart(qint64 cx, qint64 cy) const;
    // Parses the slide, then hands it to edit, which must make whatever can fail before it
    // changes the package; the slide's bytes are set after.
    void editSlide(int index, const std::function<void(SlidePart&, Package&, const QString&)>& edit);
    void checkIndex(int index) const;
    // Positions given by a caller, sorted, each once, each checked.
    std::vector<int> checkedPositions(std::vector<int> indices) const;
    // The parts reached from the package's relationships, through every relationship of
    // every part reached, passing over the relationships in skipped ("source part in lower
    // case|id").
    QSet<QString> reachableParts(const QSet<QString>& skipped) const;
    // The parts reached from pending that nothing reaches once the relationships in skipped
    // are gone: what goes with them.
    QStringList partsLeftUnused(const QSet<QString>& skipped, std::vector<QString> pending) const;
    // The package's custom properties part, "" when none.
    QString customPropertiesPart() const;
    // Writes the deck's copy of every chart's provenance (see FrameProvenance).
    void writeProvenanceRecords() const;
    // Gives a frame the tags part holding provenance, made or rewritten.
    void setFrameProvenance(const ChartFrame& frame, const ChartProvenance& provenance);

    mutable Package m_package;
    QString m_name;
    Limits m_limits;
    QString m_presentationPart;
    std::shared_ptr<Main> m_main;
    mutable bool m_mainUnwritten = false;
    std::vector<QString> m_slides;  // slide part names in slide order
};

}  // namespace engine
