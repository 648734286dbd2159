#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPixmap>
#include <QRectF>
#include <functional>
#include <memory>
#include <vector>

namespace engine {
struct EmuRect;
}

namespace platform {
class Dialogs;
enum class DesktopOpenResult;
}

class QAction;
class QListWidget;
class QScrollArea;
class QTimer;

namespace servers {

class PresentationApplication;
class PresentationDocument;

// The window of one open presentation: a strip of slide thumbnails on the left, the selected
// slide large on the right, and File > Save (Ctrl+S), Save As (Ctrl+Shift+S), Open in Office
// Suite, Close (Ctrl+W); Edit > Undo (Ctrl+Z), Redo (Ctrl+Shift+Z, Ctrl+Y), Duplicate Slide
// (Ctrl+D), Delete Slide (Delete), Move Slide Up (Ctrl+Up), Move Slide Down (Ctrl+Down);
// Chart > Fit to Slide (Ctrl+Shift+F: the chart selected on the large slide, else every chart
// of the slide), Fit All Charts to Slide, Original Size (the size the chart had in its
// workbook; likewise the selected chart or the slide's), All Charts to Original Size, Delete Chart (also the Delete key while the large
// slide has the focus and a chart selected);
// View > Zoom to Fit, Actual Size (100 %: a point of the slide is a point of the screen),
// Zoom In (Ctrl+plus) and Zoom Out (Ctrl+minus); Charts > Update Charts From Workbooks
// (Ctrl+Shift+U) and Redraw Charts From Workbooks. Titled with the presentation's name
// ("Presentation1" or the file name), marked "*" while it has unsaved changes.
//
// The strip takes several slides at once (Shift and Ctrl with the mouse) and moves them by
// drag and drop; the Edit menu's slide commands act on every selected slide. The window only
// asks the document for its edits, and lays the strip out again when the document says the
// slides changed.
//
// Drawing stays off the copy run's way: the document keeps each slide laid out until it
// changes; a thumbnail is drawn when its row is first painted and kept until its slide changes;
// the large slide is drawn at the view's size and kept until the size, zoom or slide changes;
// while edits follow each other closely, drawing waits until they pause.
//
// Top-level and owned by no other window: it deletes itself when closed, and holds the
// application while it is open. Closing with unsaved changes asks Save / Don't Save / Cancel
// through the application's dialogs; a cancelled or failed save keeps the window open.
class PresentationWindow : public QMainWindow {
    Q_OBJECT
public:
    PresentationWindow(std::shared_ptr<PresentationApplication> application,
                       std::shared_ptr<PresentationDocument> document);
    ~PresentationWindow() override;

    PresentationDocument& document() const { return *m_document; }
    QListWidget* slideStrip() const { return m_strip; }
    QWidget* slideView() const { return m_view; }
    QAction* saveAction() const { return m_save; }
    QAction* saveAsAction() const { return m_saveAs; }
    QAction* closeAction() const { return m_close; }
    QAction* zoomFitAction() const { return m_zoomFit; }
    QAction* zoomActualAction() const { return m_zoomActual; }
    QAction* zoomInAction() const { return m_zoomIn; }
    QAction* zoomOutAction() const { return m_zoomOut; }
    QAction* aboutAction() const { return m_about; }
    QAction* updateChartsAction() const { return m_updateCharts; }
    QAction* redrawChartsAction() const { return m_redrawCharts; }
    // Charts > Link Pasted Charts to Their Workbooks: checked when pasted charts (a copy run's
    // too) link to their workbooks instead of embedding them; kept in the settings.
    QAction* linkPastedChartsAction() const { return m_linkPastedCharts; }
    QAction* openInOfficeSuiteAction() const { return m_openInSuite; }
    QAction* undoAction() const { return m_undo; }
    QAction* redoAction() const { return m_redo; }
    QAction* duplicateSlideAction() const { return m_duplicate; }
    QAction* deleteSlideAction() const { return m_delete; }
    QAction* moveSlideUpAction() const { return m_moveUp; }
    QAction* moveSlideDownAction() const { return m_moveDown; }
    // Checked when pasted charts keep their workbook's look instead of taking the deck's theme;
    // toggling it changes the setting every presentation's paste follows.
    QAction* keepSourceFormattingAction() const { return m_keepSourceFormatting; }
    QAction* fitToSlideAction() const { return m_fitToSlide; }
    QAction* fitAllToSlideAction() const { return m_fitAllToSlide; }
    QAction* deleteChartAction() const { return m_deleteChart; }
    QAction* originalSizeAction() const { return m_originalSize; }
    QAction* allOriginalSizeAction() const { return m_allOriginalSize; }

    // The chart selected on the large slide (its shape id), 0 when none; selecting 0 clears.
    int selectedChart() const;
    void selectChart(int shapeId);
    // Where a frame of the selected slide (EMU) shows in the large view's coordinates.
    QRectF chartRectInView(const engine::EmuRect& frame) const;

    // The selected slides of the strip, in order (the current one when nothing else is).
    std::vector<int> selectedSlides() const;
    void selectSlides(const std::vector<int>& indices);
    // Moves the selected slides to stand before the slide now at position row (the strip's
    // count: to the end), as a drop in the strip does.
    void moveSelectedSlidesTo(int row);

    // How Open in Office Suite hands the saved file to the desktop; tests put their own.
    using DesktopOpener = std::function<platform::DesktopOpenResult(const QString& path)>;
    void setDesktopOpener(DesktopOpener opener) { m_opener = std::move(opener); }

    // Puts a window about to be shown where it leaves the program's main window's controls
    // uncovered (see platform::placeNewWindow): beside it at the size last used, else narrowed
    // to the room beside it, else where it hides the least of them. A size the placement chose
    // is not remembered as the user's.
    void placeOnScreen();

    // The zoom of the large view: 0 when fitted to the window, else the scale (1 = 100 %).
    double zoom() const { return m_zoom; }
    // The scale the large view draws at now (the fitted one when fitted).
    double effectiveZoom() const;
    void setZoom(double zoom);
    // The thumbnail of slide index as the strip shows it, drawn now if not kept yet.
    QPixmap thumbnail(int index);
    bool hasThumbnail(int index) const;
    // How many thumbnails have been drawn since the window opened (kept ones are not redrawn).
    int thumbnailsDrawn() const { return m_thumbnailsDrawn; }
    // True while edits come in quick succession: the strip and the large view then show empty
    // pages for slides not drawn yet, and draw them once the edits have paused for a moment.
    bool isDrawingDeferred() const { return m_deferred; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void save();
    void saveAs();
    // Runs one save with both save actions off, so that it cannot be started twice; false
    // when refused (one is under way), cancelled or failed.
    bool runSave(bool (PresentationDocument::*how)(platform::Dialogs&));
    void insertThumbnail(int index);
    void refreshThumbnail(int index);
    void showSelection(int index);
    void zoomBy(int steps);
    // Charts > Update Charts From Workbooks (replace: Redraw...): the refresh runs, a missing
    // workbook is asked for once, and the results are shown in a ChartRefreshDialog.
    void updateCharts(bool replace);
    void layoutView();
    void openInOfficeSuite();
    void deleteSelectedSlides();
    void deleteSelectedChart();
    void duplicateSelectedSlides();
    void moveSelectedSlides(int by);
    // Moves the slides at rows to stand from position `to` of the deck without them.
    void moveSlidesTo(const std::vector<int>& rows, int to);
    void setChartFrame(int shapeId, const engine::EmuRect& frame, const QString& text);
    // Fits charts to the slide: see PresentationDocument::fitChartsToSlide.
    void fitCharts(int index, int shapeId);
    // Gives charts their size in the workbook: see PresentationDocument::chartsToOriginalSize.
    void chartsToOriginalSize(int index, int shapeId);
    // Lays the strip out again from the document's slides; drops every thumbnail when the
    // slides' content changed.
    void resetStrip(bool contentChanged);
    void updateEditActions();
    void rememberSize();

    std::shared_ptr<PresentationApplication> m_application;
    std::shared_ptr<PresentationDocument> m_document;
    QListWidget* m_strip = nullptr;
    QWidget* m_view = nullptr;
    QAction* m_save = nullptr;
    QAction* m_saveAs = nullptr;
    QAction* m_close = nullptr;
    QAction* m_zoomFit = nullptr;
    QAction* m_zoomActual = nullptr;
    QAction* m_zoomIn = nullptr;
    QAction* m_zoomOut = nullptr;
    QAction* m_about = nullptr;
    QAction* m_openInSuite = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QAction* m_duplicate = nullptr;
    QAction* m_delete = nullptr;
    QAction* m_moveUp = nullptr;
    QAction* m_moveDown = nullptr;
    QAction* m_keepSourceFormatting = nullptr;
    QAction* m_fitToSlide = nullptr;
    QAction* m_fitAllToSlide = nullptr;
    QAction* m_deleteChart = nullptr;
    QAction* m_originalSize = nullptr;
    QAction* m_allOriginalSize = nullptr;
    DesktopOpener m_opener;
    QAction* m_updateCharts = nullptr;
    QAction* m_redrawCharts = nullptr;
    QAction* m_linkPastedCharts = nullptr;
    QScrollArea* m_scroll = nullptr;
    double m_zoom = 0;
    QHash<QString, QPixmap> m_thumbnails;  // by slide part
    int m_thumbnailsDrawn = 0;
    bool m_deferred = false;
    QTimer* m_settle = nullptr;
    QSize m_placedSmaller;  // the size placeOnScreen narrowed the window to, if it did
    bool m_closed = false;
    bool m_saving = false;  // a save is under way; another, or closing, is refused until it ends
};

}  // namespace servers
