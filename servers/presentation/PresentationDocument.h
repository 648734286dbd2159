#pragma once

#include "engine/presentation/Presentation.h"
#include "refresh/DeckRefresh.h"
#include "engine/chartdraw/ChartScene.h"
#include "servers/presentation/ChartDrawings.h"
#include "engine/slide/SlideModel.h"
#include "engine/slide/SlideScene.h"
#include "servers/presentation/PresentationWindow.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <memory>
#include <vector>

class QMimeData;

namespace platform {
class Dialogs;
}

namespace servers {

class DeckStep;

// A slide as the window draws it: laid out once, kept until the slide changes. failure says
// why a slide could not be read (its scene is then empty); theme and colour map are what its
// charts draw with.
struct DrawnSlide {
    engine::slide::SlideScene scene;
    engine::drawingml::Theme theme;
    engine::drawingml::ColorMap colorMap = engine::drawingml::ColorMap::standard();
    QString themePart;  // the master's theme, "" when it has none
    QString failure;
    // Pictures still being decoded on another thread (drawn as their empty frames meanwhile);
    // the document announces the finished slide with slideRedrawn.
    int picturesToCome = 0;
    // The position whose number the slide shows, -1 when it shows none: a slide moved
    // elsewhere is drawn again.
    int numberedAt = -1;
};

// One open presentation of the presentation application: the engine's presentation, its
// name and file, whether it has unsaved changes, and the slide its window has selected.
// Owned by the application (shared with the automation objects that name it and with its
// window); the window is watched, not owned.
//
// Edits throw engine::DocumentError and leave the presentation as it was. Save and Save As
// report their failures in a message box through the dialogs and answer false; the file on
// disk is then unchanged.
//
// Every edit is a step of the undo stack, holding the presentation before and after it (copies
// share their parts, so a step costs little). The edits the automation makes (slides added,
// pastes) one after the other are one step together, "Paste Charts", until the user does
// something else with the presentation (an edit, an undo, a save) or it is opened again: a
// whole copy run is undone at once. The document is modified exactly when the stack is not at
// the state last saved (or opened).
class PresentationDocument : public QObject {
    Q_OBJECT
public:
    // name: "Presentation1" or the file name; path: the file it saves to, "" when it has none
    // yet (new, untitled or converted from a legacy format); proposedPath: what the Save
    // dialog offers first when there is no path.
    PresentationDocument(engine::Presentation presentation, QString name, QString path,
                         QString proposedPath, bool readOnly);
    ~PresentationDocument() override;

    const engine::Presentation& presentation() const { return m_presentation; }
    QString name() const { return m_name; }
    QString path() const { return m_path; }
    // The full path, or the name when it was never saved.
    QString fullName() const { return m_path.isEmpty() ? m_name : m_path; }
    bool isModified() const { return m_modified; }
    bool isReadOnly() const { return m_readOnly; }

    int slideCount() const { return m_presentation.slideCount(); }
    // The selected slide (0-based), -1 when the presentation has no slide.
    int selectedSlide() const { return m_selected; }
    void selectSlide(int index);

    void addSlide(int index, int layoutNumber);
    // Pastes onto the selected slide; a chart is formatted as the user's setting says, or as
    // `formatting` says. A chart that remembers its workbook is linked to it the office
    // applications' way instead of embedding it when linkPastedCharts() says so (the link's
    // target: the workbook's file name when it lies beside the presentation's file, else its
    // file URI).
    void paste(const QMimeData& data);
    void paste(const QMimeData& data, engine::PasteFormatting formatting);
    // How a plain paste formats a chart: the "Keep Source Formatting" setting, the deck's theme
    // unless it is set. A setting that is no truth value counts as unset.
    static engine::PasteFormatting pasteFormattingSetting();
    static void setPasteFormattingSetting(engine::PasteFormatting formatting);

    // Whether charts pasted into presentations link to their workbooks instead of embedding
    // them: the setting LinkPastedCharts, which the presentation windows' Charts menu sets and
    // every paste of a chart reads (so a copy run follows it).
    static bool linkPastedCharts();
    static void setLinkPastedCharts(bool link);

    // The window's slide edits, each one step of the undo stack. Positions as the engine's
    // (0-based). Afterwards the selected slide is: the one now at the first deleted position
    // (the last slide when none is), the first copy, the first slide moved.
    void deleteSlides(const std::vector<int>& indices);
    // Each slide gets its copy right after it; answers the copies' positions.
    std::vector<int> duplicateSlides(const std::vector<int>& indices);
    void moveSlides(const std::vector<int>& indices, int to);

    // Moves or sizes the chart with shapeId on slide index, one step named text ("Move Chart").
    void setChartFrame(int index, int shapeId, const engine::EmuRect& frame, const QString& text);
    // Moves the chart with shapeId on slide index by a key press: one step "Move Chart", joined
    // with the nudges of the same chart right before it, until endNudging(), another step, an
    // undo or redo, a save or another slide selected ends the run.
    void nudgeChart(int index, int shapeId, const engine::EmuRect& frame);
    void endNudging() { m_nudgeStep = nullptr; }
    // Removes the chart with shapeId from slide index, one step.
    void deleteChart(int index, int shapeId);
    // Fits charts to the slide (the largest size inside the margins, centred), one step: the
    // chart with shapeId on slide index; every chart of slide index when shapeId is 0; every
    // chart of every slide when index is -1. False when there was no chart to fit.
    bool fitChartsToSlide(int index, int shapeId);
    // Gives charts their size in the workbook (see Presentation::atOriginalSize), one step, for
    // the same choice of charts as fitChartsToSlide. False when no chart changed.
    bool chartsToOriginalSize(int index, int shapeId);

    QUndoStack* undoStack() { return &m_undo; }
    // Ends the step that gathers the automation's edits: the next one starts a new step.
    void endAutomationStep();
    // True while a paste or a refresh of the charts is under way (the window stays live
    // meanwhile); undo, redo and the window's edits wait until it is done.
    bool isBusy() const { return m_pasting || m_refreshing; }

    // Slide `index` read, resolved and laid out on first use, then kept until the slide
    // changes (a paste onto it). Never throws: a slide that cannot be read comes back with its
    // failure. Null for an index out of range. Large pictures are decoded on a thread of the
    // application's pool, so that the window's thread never waits for them: until they are,
    // the slide comes back with picturesToCome set, and slideRedrawn says when the slide with
    // its pictures is kept instead (through the event loop).
    std::shared_ptr<const DrawnSlide> drawnSlide(int index) const;
    // A chart of a drawn slide at sizeInPoints, drawn by the chart renderer in the slide's
    // context: the slide's theme with the chart's theme override over it, the chart's colour
    // map override else the slide's, the slide host's text defaults. Built on first use and kept
    // across edits, undo and redo: given again whenever the chart's parts, the slide's theme and
    // colour map and the size are what it was drawn from (see ChartDrawings). Never throws: a
    // chart that cannot be read comes back with its failure.
    DrawnChart drawnChart(const QString& chartPart, const DrawnSlide& slide, QSizeF sizeInPoints) const;
    // How many charts this document has drawn (not given from those kept), for tests and
    // measurements.
    int chartsDrawn() const { return m_chartsDrawn; }

    // Brings every chart that remembers its workbook up to date (see refresh::refreshPresentation),
    // one step of the undo stack ("Update Charts"). The presentation changes in memory only: it
    // is modified, and written when saved. Workbooks are looked for beside the saved file first.
    // Workbooks found nowhere are asked for first through options.locate, on this thread, once
    // each; the workbooks are then read and the charts updated on a thread of their own while
    // this one services its events (the window stays live, its edits wait: isBusy()). Should the
    // automation edit the presentation meanwhile, the refresh runs again over the edited one.
    // Throws DocumentError when it cannot finish.
    std::vector<refresh::ChartResult> refreshCharts(const refresh::RefreshOptions& options);

    // Saves to its file, asking for one first when it has none (or is read-only). False when
    // the user cancelled or the save failed (reported).
    bool save(platform::Dialogs& dialogs);
    // Asks for a file name, then saves there. False when cancelled or failed.
    bool saveAs(platform::Dialogs& dialogs);
    // Saves to path without asking, which the presentation then names. Throws DocumentError
    // naming the file when the extension does not suit the presentation (.pptx, or .pptm for
    // one with macros) or the save fails; the file on disk is then unchanged.
    void saveAs(const QString& path);

    // Closed for good: its window is gone and the application has let it go; automation
    // objects that still name it refuse every call.
    bool isClosed() const { return m_closed; }
    void markClosed() { m_closed = true; }

    PresentationWindow* window() const { return m_window; }
    void setWindow(PresentationWindow* window) { m_window = window; }

signals:
    void slideInserted(int index);
    void slideChanged(int index);
    void selectionChanged(int index);
    // The slide looks different, not its content: its large pictures have been decoded.
    void slideRedrawn(int index);
    void nameChanged(const QString& name);
    void modifiedChanged(bool modified);
    // The slides were deleted, moved or copied, or an undo or redo put back another state:
    // whoever shows them lays them out again. contentChanged is false when only their order
    // or number changed (what each slide part holds is as it was).
    void slidesReset(bool contentChanged);
    // Charts of slide index were moved or sized: the slide is drawn again at once.
    void chartFramesChanged(int index);

private:
    // What drawnSlide() and drawnChart() build, from any thread: they read only the
    // presentation given.
    static std::shared_ptr<const DrawnSlide> drawSlide(const engine::Presentation& presentation, int index,
                                                       const engine::slide::SlideReadOptions& options = {});
    // Draws slide `index` again with all its pictures on a pool thread, from a copy of the
    // presentation, and keeps the result unless the slide changed meanwhile.
    void decodePicturesAside(int index, const std::shared_ptr<const DrawnSlide>& pending) const;
    void picturesDecoded(const QString& slidePart, const std::shared_ptr<const DrawnSlide>& pending,
                         std::shared_ptr<const DrawnSlide> complete);
    // model: the chart's model when the caller has it already, else it is read from the part.
    static DrawnChart drawChart(const engine::Presentation& presentation, const QString& chartPart,
                                const DrawnSlide& slide, QSizeF sizeInPoints,
                                const engine::chart::ChartSpace* model = nullptr);

    // After a paste onto the selected slide: redrawn (or given as drawn already), modified,
    // announced.
    void pasted(std::shared_ptr<const DrawnSlide> drawn = nullptr);
    // Writes the presentation to path, the window live meanwhile; throws like save().
    void writeAside(const QString& path);
    bool saveTo(const QString& path, platform::Dialogs& dialogs);
    // After a save: the presentation now names path, unmodified.
    void rename(const QString& path);
    void setModified(bool modified);
    // An automation edit: runs edit, then opens the automation step unless one is open.
    void automationEdit(const std::function<void()>& edit);
    // Pushes the window's edit as one step, from the state before to the present one.
    void pushEdit(const QString& text, engine::Presentation before, int selectedBefore, bool contentChanged);
    // Puts back a state of the undo stack.
    void restore(const engine::Presentation& state, int selected, bool contentChanged);
    friend class DeckStep;

    engine::Presentation m_presentation;
    QString m_name;
    QString m_path;
    QString m_proposedPath;
    bool m_readOnly = false;
    bool m_modified = false;
    bool m_closed = false;
    bool m_pasting = false;
    bool m_refreshing = false;
    // Counts the changes of the presentation (edits, undo and redo), so that work done aside on
    // a copy knows whether the presentation is still the one it copied.
    quint64 m_changes = 0;
    int m_selected = -1;
    QUndoStack m_undo;
    DeckStep* m_automationStep = nullptr;  // the step gathering automation edits, if open
    DeckStep* m_nudgeStep = nullptr;       // the step later nudges of its chart join, if open
    QPointer<PresentationWindow> m_window;
    mutable QHash<QString, std::shared_ptr<const DrawnSlide>> m_drawn;  // by slide part
    mutable ChartDrawings m_drawnCharts;
    mutable int m_chartsDrawn = 0;
};

}  // namespace servers
