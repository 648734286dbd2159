#include "servers/presentation/PresentationWindow.h"

#include "servers/presentation/ChartRefreshDialog.h"

#include "office/PowerPoint.h"
#include "platform/About.h"
#include "platform/ColourScheme.h"
#include "platform/DesktopOpen.h"
#include "platform/Dialogs.h"
#include "platform/Settings.h"
#include "platform/WindowPlacement.h"
#include "servers/presentation/PresentationApplication.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/SlideRenderer.h"

#include <QAction>
#include <QFileInfo>
#include <QApplication>
#include <QScrollArea>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QUndoStack>
#include <algorithm>
#include <optional>

namespace servers {

namespace {

constexpr int kThumbnailWidth = 176;
constexpr int kMargin = 16;  // around the large slide
// How long edits must pause before the window draws the slides they changed.
constexpr int kSettleMilliseconds = 60;
// The zoom steps of Zoom In and Zoom Out.
constexpr double kZoomSteps[] = {0.1, 0.25, 0.33, 0.5, 0.67, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};
constexpr QSize kDefaultWindowSize(1100, 640);
// The smallest a new window is made to stand beside the main window: the strip and a slide
// drawn 200 pixels wide.
constexpr QSize kSmallestPlacedWindow(480, 360);
// The large view's smallest size when fitted to the window.
constexpr QSize kSmallestView(200, 120);

const char* const kPptxMimeType = "application/vnd.openxmlformats-officedocument.presentationml.presentation";
const char* const kPptmMimeType = "application/vnd.ms-powerpoint.presentation.macroEnabled.12";

// The presentation window placed last, from which the next one cascades.
QPointer<QWidget> g_lastPlaced;

// The size of the last presentation window closed, kept in the settings.
QSize rememberedWindowSize() {
    const QStringList parts =
        platform::Settings::read(platform::Settings::Key::PresentationWindowSize).split(u'x');
    if (parts.size() != 2) return kDefaultWindowSize;
    bool okWidth = false, okHeight = false;
    const int width = parts[0].toInt(&okWidth);
    const int height = parts[1].toInt(&okHeight);
    if (!okWidth || !okHeight || width < 320 || height < 240 || width > 20000 || height > 20000) return kDefaultWindowSize;
    return {width, height};
}

// The slide strip: several slides selected at once, moved by dragging them. A drop moves
// nothing itself; it hands the row the slides go before to the window, which asks the
// document, whose answer lays the strip out again.
class SlideStrip : public QListWidget {
public:
    SlideStrip(std::function<void(int)> dropped, QWidget* parent) : QListWidget(parent), m_dropped(std::move(dropped)) {
        setSelectionMode(QAbstractItemView::ExtendedSelection);
        setDragDropMode(QAbstractItemView::InternalMove);
        setDefaultDropAction(Qt::MoveAction);
        setDropIndicatorShown(true);
    }

    // The row dropped slides go before, for a drop at point of the viewport.
    int dropRow(QPoint point) const {
        const QModelIndex index = indexAt(point);
        if (!index.isValid()) return count();
        const QRect r = visualRect(index);
        return point.y() < r.center().y() ? index.row() : index.row() + 1;
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        QListWidget::dragEnterEvent(event);
        takeOwnRows(event);
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        QListWidget::dragMoveEvent(event);
        takeOwnRows(event);
    }
    void dropEvent(QDropEvent* event) override {
        if (!takeOwnRows(event)) return;
        const int row = dropRow(event->position().toPoint());
        // Not a move as the view knows it: the items are laid out again from the document.
        event->setDropAction(Qt::CopyAction);
        event->accept();
        m_dropped(row);
    }

private:
    // Only the strip's own rows are taken, never another window's (a drag from elsewhere in
    // this program names its source; one from outside it names none and carries no rows).
    bool takeOwnRows(QDropEvent* event) {
        const bool own = (event->source() == this || event->source() == nullptr) &&
                         event->mimeData()->hasFormat(model()->mimeTypes().value(0));
        if (!own) {
            event->ignore();
            return false;
        }
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return true;
    }

    std::function<void(int)> m_dropped;
};

double slideAspect(const PresentationDocument& document) {
    return double(document.presentation().slideHeight()) / double(document.presentation().slideWidth());
}

// The size of the slide at 100 %: a point of the slide is a point of the screen.
QSizeF actualSize(const PresentationDocument& document, const QWidget* widget) {
    const double dpi = widget->logicalDpiX();
    return {document.presentation().slideWidth() / 12700.0 * dpi / 72.0,
            document.presentation().slideHeight() / 12700.0 * dpi / 72.0};
}

// The selected slide, drawn at the size the view gives it and kept as a picture until the size
// or the slide changes. A chart on it is selected with the mouse, then moved by dragging it or
// with the arrow keys (a grid step, Shift for a point), and sized by its handles: the corners
// keep its proportions (Shift frees them), the sides stretch it one way. While the mouse moves
// only the frame's outline follows; the chart is laid out again at its new size once it is let go.
class SlideView : public QWidget {
public:
    // A frame set by the mouse (text names the step) or by a key (a nudge: text is empty).
    using Commit = std::function<void(int shapeId, const engine::EmuRect& frame, const QString& text)>;

    // selected: told whenever the chart selected may have changed (a click, Escape, a call).
    explicit SlideView(const PresentationDocument& document, const bool& deferred, Commit commit,
                       std::function<void()> selected, QWidget* parent)
        : QWidget(parent),
          m_document(document),
          m_deferred(deferred),
          m_commit(std::move(commit)),
          m_selected(std::move(selected)) {
        setObjectName(QStringLiteral("slideView"));
        setMinimumSize(kSmallestView);
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
    }

    void forget() {
        m_cache = QPixmap();
        update();
    }
    // How many times the large slide has been drawn (not counting repaints from the kept picture).
    int draws() const { return m_draws; }

    // The selected chart's shape id, 0 when none.
    int selectedChart() const { return m_selectedId; }
    void selectChart(int shapeId) {
        m_selectedId = shapeId;
        m_drag = Drag::None;
        m_selected();
        update();
    }
    // Where the slide is drawn in the view, in view coordinates.
    QRectF pageRect() const {
        return fittedSlideRect(QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin), m_document);
    }
    // A frame of the slide (EMU) in view coordinates.
    QRectF toView(const engine::EmuRect& r) const {
        const QRectF page = pageRect();
        const double scale = page.width() / double(m_document.presentation().slideWidth());
        return {page.left() + r.x * scale, page.top() + r.y * scale, r.cx * scale, r.cy * scale};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        // The ground follows the colour scheme; the slides keep their own colours.
        painter.fillRect(rect(), platform::pageBackdrop(palette(), QColor(0xD8, 0xDC, 0xE2)));
        const int index = m_document.selectedSlide();
        if (index < 0) {
            painter.setPen(Qt::darkGray);
            painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No slides"));
            return;
        }
        const auto drawn = m_deferred ? m_cachedSlide : m_document.drawnSlide(index);
        const QRectF page = pageRect();
        const qreal ratio = devicePixelRatioF();
        const QSize pixels = (page.size() * ratio).toSize();
        if (m_deferred && (m_cache.isNull() || m_cachedSlide != drawn)) {
            // Slides are changing fast (a copy run): an empty page until they settle.
            painter.fillRect(page, Qt::white);
            paintSelection(painter);
            return;
        }
        if (m_cache.isNull() || m_cache.size() != pixels || m_cachedSlide != drawn) {
            m_cache = QPixmap(pixels);
            m_cache.setDevicePixelRatio(ratio);
            m_cache.fill(Qt::white);
            QPainter cache(&m_cache);
            renderSlide(cache, QRectF(QPointF(0, 0), page.size()), m_document, index);
            m_cachedSlide = drawn;
            ++m_draws;
        }
        painter.drawPixmap(page.topLeft(), m_cache);
        paintSelection(painter);
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
        setFocus(Qt::MouseFocusReason);
        const QPointF at = event->position();
        const auto selected = selectedShape();
        m_handle = selected ? handleAt(toView(selected->frame), at) : -1;
        if (selected && m_handle >= 0) {
            startDrag(Drag::Resize, *selected, at);
            return;
        }
        const auto hit = chartAt(at);
        m_selectedId = hit ? hit->id : 0;
        m_selected();
        if (hit) startDrag(Drag::Move, *hit, at);
        update();
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (m_drag == Drag::None) {
            const auto selected = selectedShape();
            const int handle = selected ? handleAt(toView(selected->frame), event->position()) : -1;
            setCursor(handle >= 0 ? handleCursor(handle) : chartAt(event->position()) ? Qt::SizeAllCursor : Qt::ArrowCursor);
            return;
        }
        const QRectF page = pageRect();
        const double emuPerPixel = double(m_document.presentation().slideWidth()) / page.width();
        const QPointF delta = (event->position() - m_pressAt) * emuPerPixel;
        m_live = m_drag == Drag::Move ? moved(m_start, qint64(std::lround(delta.x())), qint64(std::lround(delta.y())))
                                      : resized(m_start, m_handle, delta, !(event->modifiers() & Qt::ShiftModifier));
        m_changed = true;
        update();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton || m_drag == Drag::None) return QWidget::mouseReleaseEvent(event);
        const Drag drag = m_drag;
        m_drag = Drag::None;
        if (m_changed) m_commit(m_selectedId, m_live, drag == Drag::Move ? QStringLiteral("Move Chart") : QStringLiteral("Size Chart"));
        update();
    }

    void keyPressEvent(QKeyEvent* event) override {
        const auto selected = selectedShape();
        if (!selected) return QWidget::keyPressEvent(event);
        const qint64 step = (event->modifiers() & Qt::ShiftModifier) ? kFineStepEmu : kGridStepEmu;
        qint64 dx = 0, dy = 0;
        switch (event->key()) {
        case Qt::Key_Left: dx = -step; break;
        case Qt::Key_Right: dx = step; break;
        case Qt::Key_Up: dy = -step; break;
        case Qt::Key_Down: dy = step; break;
        case Qt::Key_Escape:
            selectChart(0);
            return;
        default:
            return QWidget::keyPressEvent(event);
        }
        m_commit(selected->id, moved(selected->frame, dx, dy), QString());
    }

private:
    enum class Drag { None, Move, Resize };
    static constexpr double kHandle = 7;             // the side of a handle, in pixels
    static constexpr qint64 kGridStepEmu = 76200;    // a twelfth of an inch
    static constexpr qint64 kFineStepEmu = 12700;    // a point
    static constexpr qint64 kSmallestEmu = 127000;   // ten points: a frame is never smaller

    // The slide's chart frames, read once per drawn state of the slide.
    const std::vector<engine::SlideShape>& charts() const {
        const int index = m_document.selectedSlide();
        const auto drawn = index >= 0 ? m_document.drawnSlide(index) : nullptr;
        if (drawn != m_shapesOf) {
            m_charts.clear();
            if (index >= 0) {
                for (const auto& shape : m_document.presentation().slideShapes(index))
                    if (shape.kind == engine::SlideShape::Kind::Chart && shape.hasFrame) m_charts.push_back(shape);
            }
            m_shapesOf = drawn;
        }
        return m_charts;
    }
    std::optional<engine::SlideShape> selectedShape() const {
        for (const auto& c : charts())
            if (c.id == m_selectedId && m_selectedId != 0) return c;
        return std::nullopt;
    }
    // The topmost chart under a point of the view.
    std::optional<engine::SlideShape> chartAt(QPointF at) const {
        const auto& all = charts();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (toView(it->frame).contains(at)) return *it;
        return std::nullopt;
    }
    // The handles of a frame: corners 0-3 (top left, top right, bottom right, bottom left),
    // then the middles of the sides 4-7 (top, right, bottom, left).
    static QPointF handlePoint(const QRectF& r, int handle) {
        switch (handle) {
        case 0: return r.topLeft();
        case 1: return r.topRight();
        case 2: return r.bottomRight();
        case 3: return r.bottomLeft();
        case 4: return {r.center().x(), r.top()};
        case 5: return {r.right(), r.center().y()};
        case 6: return {r.center().x(), r.bottom()};
        default: return {r.left(), r.center().y()};
        }
    }
    static int handleAt(const QRectF& frame, QPointF at) {
        for (int h = 0; h < 8; ++h) {
            const QPointF p = handlePoint(frame, h);
            if (std::abs(p.x() - at.x()) <= kHandle && std::abs(p.y() - at.y()) <= kHandle) return h;
        }
        return -1;
    }
    static Qt::CursorShape handleCursor(int handle) {
        switch (handle) {
        case 0: case 2: return Qt::SizeFDiagCursor;
        case 1: case 3: return Qt::SizeBDiagCursor;
        case 4: case 6: return Qt::SizeVerCursor;
        default: return Qt::SizeHorCursor;
        }
    }
    static engine::EmuRect moved(engine::EmuRect r, qint64 dx, qint64 dy) {
        r.x += dx;
        r.y += dy;
        return r;
    }
    // The frame with a handle dragged by delta (EMU). A corner keeps the proportions when asked
    // to, the edge opposite the handle stays where it was.
    static engine::EmuRect resized(const engine::EmuRect& r, int handle, QPointF delta, bool keepProportions) {
        const bool left = handle == 0 || handle == 3 || handle == 7;
        const bool right = handle == 1 || handle == 2 || handle == 5;
        const bool top = handle == 0 || handle == 1 || handle == 4;
        const bool bottom = handle == 2 || handle == 3 || handle == 6;
        double cx = double(r.cx) + (right ? delta.x() : left ? -delta.x() : 0);
        double cy = double(r.cy) + (bottom ? delta.y() : top ? -delta.y() : 0);
        cx = std::max<double>(cx, kSmallestEmu);
        cy = std::max<double>(cy, kSmallestEmu);
        if (keepProportions && handle < 4) {
            const double scale = std::max(cx / double(r.cx), cy / double(r.cy));
            cx = std::max<double>(r.cx * scale, kSmallestEmu);
            cy = std::max<double>(r.cy * scale, kSmallestEmu);
        }
        engine::EmuRect out;
        out.cx = qint64(std::lround(cx));
        out.cy = qint64(std::lround(cy));
        out.x = left ? r.x + r.cx - out.cx : r.x;
        out.y = top ? r.y + r.cy - out.cy : r.y;
        return out;
    }
    void startDrag(Drag drag, const engine::SlideShape& shape, QPointF at) {
        m_drag = drag;
        m_selectedId = shape.id;
        m_start = shape.frame;
        m_live = shape.frame;
        m_pressAt = at;
        m_changed = false;
        update();
    }
    void paintSelection(QPainter& painter) const {
        const auto selected = selectedShape();
        if (!selected) return;
        const QRectF frame = toView(m_drag != Drag::None && m_changed ? m_live : selected->frame);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
        painter.drawRect(frame);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        painter.setBrush(Qt::white);
        for (int h = 0; h < 8; ++h) {
            const QPointF p = handlePoint(frame, h);
            painter.drawRect(QRectF(p.x() - kHandle / 2, p.y() - kHandle / 2, kHandle, kHandle));
        }
        painter.restore();
    }

    const PresentationDocument& m_document;
    const bool& m_deferred;
    Commit m_commit;
    std::function<void()> m_selected;
    QPixmap m_cache;
    std::shared_ptr<const DrawnSlide> m_cachedSlide;  // what m_cache shows
    int m_draws = 0;
    mutable std::vector<engine::SlideShape> m_charts;
    mutable std::shared_ptr<const DrawnSlide> m_shapesOf;  // the drawn state m_charts was read for
    int m_selectedId = 0;
    Drag m_drag = Drag::None;
    int m_handle = -1;
    engine::EmuRect m_start;
    engine::EmuRect m_live;
    QPointF m_pressAt;
    bool m_changed = false;
};

// The strip's rows: the slide's number and its thumbnail, drawn when the row is first painted.
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    explicit ThumbnailDelegate(PresentationWindow* window, int height)
        : QStyledItemDelegate(window), m_window(window), m_height(height) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {kThumbnailWidth + 40, m_height + 8};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        background.icon = QIcon();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);
        const QRect r = option.rect;
        painter->save();
        painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                   : QPalette::Text));
        painter->drawText(QRect(r.left(), r.top() + 4, 28, 20), Qt::AlignRight | Qt::AlignTop, index.data().toString());
        if (m_window->isDrawingDeferred() && !m_window->hasThumbnail(index.row())) {
            painter->fillRect(QRect(r.left() + 34, r.top() + 4, kThumbnailWidth, m_height), Qt::white);
        } else {
            painter->drawPixmap(r.left() + 34, r.top() + 4, m_window->thumbnail(index.row()));
        }
        painter->setPen(QColor(0xA0, 0xA0, 0xA0));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRect(r.left() + 34, r.top() + 4, kThumbnailWidth, m_height).adjusted(0, 0, -1, -1));
        painter->restore();
    }

private:
    PresentationWindow* m_window;
    int m_height;
};

}  // namespace

PresentationWindow::PresentationWindow(std::shared_ptr<PresentationApplication> application,
                                       std::shared_ptr<PresentationDocument> document)
    : m_application(std::move(application)), m_document(std::move(document)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(m_document->name() + QStringLiteral("[*]"));
    setWindowModified(m_document->isModified());
    resize(rememberedWindowSize());

    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    m_save = file->addAction(QStringLiteral("&Save"), this, &PresentationWindow::save);
    m_save->setObjectName(QStringLiteral("actionSave"));
    m_save->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    m_saveAs = file->addAction(QStringLiteral("Save &As..."), this, &PresentationWindow::saveAs);
    m_saveAs->setObjectName(QStringLiteral("actionSaveAs"));
    m_saveAs->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    m_openInSuite = file->addAction(QStringLiteral("Open in Office Suite"), this, &PresentationWindow::openInOfficeSuite);
    m_openInSuite->setObjectName(QStringLiteral("actionOpenInOfficeSuite"));
    file->addSeparator();
    m_close = file->addAction(QStringLiteral("&Close"), this, &QWidget::close);
    m_close->setObjectName(QStringLiteral("actionClose"));
    m_close->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));

    auto* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QUndoStack* steps = m_document->undoStack();
    m_undo = edit->addAction(QStringLiteral("&Undo"), this, [this] {
        if (!m_saving && !m_document->isBusy()) m_document->undoStack()->undo();
    });
    m_undo->setObjectName(QStringLiteral("actionUndo"));
    m_undo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    m_redo = edit->addAction(QStringLiteral("&Redo"), this, [this] {
        if (!m_saving && !m_document->isBusy()) m_document->undoStack()->redo();
    });
    m_redo->setObjectName(QStringLiteral("actionRedo"));
    m_redo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    edit->addSeparator();
    m_duplicate = edit->addAction(QStringLiteral("D&uplicate Slide"), this, &PresentationWindow::duplicateSelectedSlides);
    m_duplicate->setObjectName(QStringLiteral("actionDuplicateSlide"));
    m_duplicate->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    m_delete = edit->addAction(QStringLiteral("&Delete Slide"), this, &PresentationWindow::deleteSelectedSlides);
    m_delete->setObjectName(QStringLiteral("actionDeleteSlide"));
    m_delete->setShortcut(QKeySequence(QKeySequence::Delete));
    edit->addSeparator();
    m_moveUp = edit->addAction(QStringLiteral("Move Slide &Up"), this, [this] { moveSelectedSlides(-1); });
    m_moveUp->setObjectName(QStringLiteral("actionMoveSlideUp"));
    m_moveUp->setShortcut(QKeySequence(QStringLiteral("Ctrl+Up")));
    m_moveDown = edit->addAction(QStringLiteral("Move Slide Dow&n"), this, [this] { moveSelectedSlides(1); });
    m_moveDown->setObjectName(QStringLiteral("actionMoveSlideDown"));
    m_moveDown->setShortcut(QKeySequence(QStringLiteral("Ctrl+Down")));
    edit->addSeparator();
    m_keepSourceFormatting = edit->addAction(QStringLiteral("&Keep Source Formatting When Pasting"));
    m_keepSourceFormatting->setObjectName(QStringLiteral("actionKeepSourceFormatting"));
    m_keepSourceFormatting->setCheckable(true);
    // Each window shows the setting as it is when its menu opens: another window may have
    // changed it.
    connect(edit, &QMenu::aboutToShow, this, [this] {
        m_keepSourceFormatting->setChecked(PresentationDocument::pasteFormattingSetting() ==
                                           engine::PasteFormatting::KeepSource);
    });
    m_keepSourceFormatting->setChecked(PresentationDocument::pasteFormattingSetting() ==
                                       engine::PasteFormatting::KeepSource);
    connect(m_keepSourceFormatting, &QAction::triggered, this, [](bool keep) {
        PresentationDocument::setPasteFormattingSetting(keep ? engine::PasteFormatting::KeepSource
                                                             : engine::PasteFormatting::DeckTheme);
    });
    connect(steps, &QUndoStack::canUndoChanged, this, &PresentationWindow::updateEditActions);
    connect(steps, &QUndoStack::canRedoChanged, this, &PresentationWindow::updateEditActions);
    connect(steps, &QUndoStack::undoTextChanged, this, &PresentationWindow::updateEditActions);
    connect(steps, &QUndoStack::redoTextChanged, this, &PresentationWindow::updateEditActions);

    auto* chart = menuBar()->addMenu(QStringLiteral("&Chart"));
    m_fitToSlide = chart->addAction(QStringLiteral("&Fit to Slide"), this, [this] {
        const int chosen = static_cast<SlideView*>(m_view)->selectedChart();
        fitCharts(m_document->selectedSlide(), chosen);
    });
    m_fitToSlide->setObjectName(QStringLiteral("actionFitToSlide"));
    m_fitToSlide->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F")));
    m_fitAllToSlide = chart->addAction(QStringLiteral("Fit &All Charts to Slide"), this, [this] { fitCharts(-1, 0); });
    m_fitAllToSlide->setObjectName(QStringLiteral("actionFitAllToSlide"));
    m_originalSize = chart->addAction(QStringLiteral("&Original Size"), this, [this] {
        const int chosen = static_cast<SlideView*>(m_view)->selectedChart();
        chartsToOriginalSize(m_document->selectedSlide(), chosen);
    });
    m_originalSize->setObjectName(QStringLiteral("actionOriginalSize"));
    m_allOriginalSize =
        chart->addAction(QStringLiteral("All Charts to O&riginal Size"), this, [this] { chartsToOriginalSize(-1, 0); });
    m_allOriginalSize->setObjectName(QStringLiteral("actionAllOriginalSize"));
    chart->addSeparator();
    m_deleteChart = chart->addAction(QStringLiteral("&Delete Chart"), this, &PresentationWindow::deleteSelectedChart);
    m_deleteChart->setObjectName(QStringLiteral("actionDeleteChart"));

    auto* view = menuBar()->addMenu(QStringLiteral("&View"));
    m_zoomFit = view->addAction(QStringLiteral("Zoom to &Fit"), this, [this] { setZoom(0); });
    m_zoomFit->setObjectName(QStringLiteral("actionZoomFit"));
    m_zoomFit->setShortcut(QKeySequence(QStringLiteral("Ctrl+0")));
    m_zoomActual = view->addAction(QStringLiteral("&Actual Size (100%)"), this, [this] { setZoom(1); });
    m_zoomActual->setObjectName(QStringLiteral("actionZoomActual"));
    m_zoomIn = view->addAction(QStringLiteral("Zoom &In"), this, [this] { zoomBy(1); });
    m_zoomIn->setObjectName(QStringLiteral("actionZoomIn"));
    // Ctrl+plus is Ctrl+= on most keyboards, and Ctrl++ on a keypad.
    m_zoomIn->setShortcuts({QKeySequence(QStringLiteral("Ctrl++")), QKeySequence(QStringLiteral("Ctrl+="))});
    m_zoomOut = view->addAction(QStringLiteral("Zoom &Out"), this, [this] { zoomBy(-1); });
    m_zoomOut->setObjectName(QStringLiteral("actionZoomOut"));
    m_zoomOut->setShortcut(QKeySequence(QStringLiteral("Ctrl+-")));

    auto* charts = menuBar()->addMenu(QStringLiteral("&Charts"));
    m_updateCharts = charts->addAction(QStringLiteral("&Update Charts From Workbooks"), this, [this] { updateCharts(false); });
    m_updateCharts->setObjectName(QStringLiteral("actionUpdateCharts"));
    m_updateCharts->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+U")));
    m_redrawCharts = charts->addAction(QStringLiteral("&Redraw Charts From Workbooks"), this, [this] { updateCharts(true); });
    m_redrawCharts->setObjectName(QStringLiteral("actionRedrawCharts"));
    charts->addSeparator();
    m_linkPastedCharts = charts->addAction(QStringLiteral("&Link Pasted Charts to Their Workbooks"));
    m_linkPastedCharts->setObjectName(QStringLiteral("actionLinkPastedCharts"));
    m_linkPastedCharts->setCheckable(true);
    // Every window shows the setting as it is when its menu opens: another window may have changed it.
    connect(charts, &QMenu::aboutToShow, this,
            [this] { m_linkPastedCharts->setChecked(PresentationDocument::linkPastedCharts()); });
    m_linkPastedCharts->setChecked(PresentationDocument::linkPastedCharts());
    connect(m_linkPastedCharts, &QAction::triggered, this, [](bool on) { PresentationDocument::setLinkPastedCharts(on); });

    auto* help = menuBar()->addMenu(QStringLiteral("&Help"));
    m_about = help->addAction(QStringLiteral("&About Quillmere"), this,
                              [this] { platform::showAbout(m_application->dialogs()); });
    m_about->setObjectName(QStringLiteral("actionAbout"));

    auto* splitter = new QSplitter(this);
    m_strip = new SlideStrip([this](int row) { moveSelectedSlidesTo(row); }, splitter);
    m_strip->setObjectName(QStringLiteral("slideStrip"));
    m_strip->setViewMode(QListView::ListMode);
    m_strip->setFlow(QListView::TopToBottom);
    m_strip->setUniformItemSizes(true);
    m_strip->setItemDelegate(new ThumbnailDelegate(this, std::max(1, int(kThumbnailWidth * slideAspect(*m_document)))));
    m_strip->setMinimumWidth(kThumbnailWidth + 64);
    m_scroll = new QScrollArea(splitter);
    m_scroll->setObjectName(QStringLiteral("slideScroll"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setWidgetResizable(true);
    m_view = new SlideView(
        *m_document, m_deferred,
        [this](int shapeId, const engine::EmuRect& frame, const QString& text) { setChartFrame(shapeId, frame, text); },
        [this] { m_document->endNudging(); }, m_scroll);
    m_scroll->setWidget(m_view);
    splitter->addWidget(m_strip);
    splitter->addWidget(m_scroll);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    for (int i = 0; i < m_document->slideCount(); ++i) insertThumbnail(i);
    if (m_document->selectedSlide() >= 0)
        m_strip->setCurrentRow(m_document->selectedSlide(), QItemSelectionModel::ClearAndSelect);

    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(kSettleMilliseconds);
    connect(m_settle, &QTimer::timeout, this, [this] {
        m_deferred = false;
        m_strip->viewport()->update();
        m_view->update();
    });
    connect(m_document.get(), &PresentationDocument::slideInserted, this, &PresentationWindow::insertThumbnail);
    connect(m_document.get(), &PresentationDocument::slideChanged, this, &PresentationWindow::refreshThumbnail);
    connect(m_document.get(), &PresentationDocument::slideRedrawn, this, &PresentationWindow::refreshThumbnail);
    // Edits in quick succession (a copy run adds and fills a slide per chart) put drawing off
    // until they pause, so that the run is not kept waiting for pictures about to change.
    auto deferDrawing = [this] {
        m_deferred = true;
        m_settle->start();
    };
    connect(m_document.get(), &PresentationDocument::slideInserted, this, deferDrawing);
    connect(m_document.get(), &PresentationDocument::slideChanged, this, deferDrawing);
    connect(m_document.get(), &PresentationDocument::selectionChanged, this, &PresentationWindow::showSelection);
    connect(m_document.get(), &PresentationDocument::nameChanged, this,
            [this](const QString& name) { setWindowTitle(name + QStringLiteral("[*]")); });
    connect(m_document.get(), &PresentationDocument::modifiedChanged, this, &QWidget::setWindowModified);
    connect(m_document.get(), &PresentationDocument::slidesReset, this, &PresentationWindow::resetStrip);
    connect(m_document.get(), &PresentationDocument::chartFramesChanged, this, [this](int index) {
        m_thumbnails.remove(m_document->presentation().slidePartName(index));
        if (auto* item = m_strip->item(index)) m_strip->update(m_strip->indexFromItem(item));
        m_view->update();
    });
    connect(m_document.get(), &PresentationDocument::slideInserted, this, &PresentationWindow::updateEditActions);
    connect(m_strip, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) m_document->selectSlide(row);
    });
    m_opener = [this](const QString& path) {
        return platform::openWithDesktop(
            path, QString::fromLatin1(m_document->presentation().isMacroEnabled() ? kPptmMimeType : kPptxMimeType));
    };
    updateEditActions();
}

PresentationWindow::~PresentationWindow() {
    // A window destroyed without a close (the program ending) still lets its presentation go.
    if (!m_closed) m_application->windowClosed(m_document.get());
}

bool PresentationWindow::hasThumbnail(int index) const {
    return m_thumbnails.contains(m_document->presentation().slidePartName(index));
}

QPixmap PresentationWindow::thumbnail(int index) {
    const QString part = m_document->presentation().slidePartName(index);
    if (auto it = m_thumbnails.constFind(part); it != m_thumbnails.constEnd()) return *it;
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap((QSizeF(kThumbnailWidth, std::max(1.0, kThumbnailWidth * slideAspect(*m_document))) * ratio).toSize());
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderSlide(painter, QRectF(QPointF(0, 0), pixmap.deviceIndependentSize()), *m_document, index);
    painter.end();
    ++m_thumbnailsDrawn;
    m_thumbnails.insert(part, pixmap);
    return pixmap;
}

void PresentationWindow::insertThumbnail(int index) {
    auto* item = new QListWidgetItem(QString::number(index + 1));
    m_strip->insertItem(index, item);
    for (int i = index + 1; i < m_strip->count(); ++i) m_strip->item(i)->setText(QString::number(i + 1));
}

void PresentationWindow::refreshThumbnail(int index) {
    m_thumbnails.remove(m_document->presentation().slidePartName(index));
    if (auto* item = m_strip->item(index)) m_strip->update(m_strip->indexFromItem(item));
    if (index == m_document->selectedSlide()) static_cast<SlideView*>(m_view)->forget();
}

std::vector<int> PresentationWindow::selectedSlides() const {
    std::vector<int> rows;
    for (const QModelIndex& index : m_strip->selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty() && m_strip->currentRow() >= 0) rows.push_back(m_strip->currentRow());
    return rows;
}

void PresentationWindow::selectSlides(const std::vector<int>& indices) {
    if (indices.empty()) return;
    m_strip->setCurrentRow(indices.front(), QItemSelectionModel::ClearAndSelect);
    for (int row : indices)
        if (auto* item = m_strip->item(row)) item->setSelected(true);
    updateEditActions();
}

void PresentationWindow::resetStrip(bool contentChanged) {
    if (contentChanged) {
        m_thumbnails.clear();
        static_cast<SlideView*>(m_view)->forget();
    }
    const QSignalBlocker block(m_strip);
    const int count = m_document->slideCount();
    while (m_strip->count() > count) delete m_strip->takeItem(m_strip->count() - 1);
    while (m_strip->count() < count) m_strip->addItem(QString::number(m_strip->count() + 1));
    m_strip->clearSelection();
    if (m_document->selectedSlide() >= 0)
        m_strip->setCurrentRow(m_document->selectedSlide(), QItemSelectionModel::ClearAndSelect);
    m_strip->viewport()->update();
    m_view->update();
    updateEditActions();
}

void PresentationWindow::updateEditActions() {
    QUndoStack* steps = m_document->undoStack();
    m_undo->setEnabled(steps->canUndo());
    m_undo->setText(steps->canUndo() ? QStringLiteral("&Undo %1").arg(steps->undoText()) : QStringLiteral("&Undo"));
    m_redo->setEnabled(steps->canRedo());
    m_redo->setText(steps->canRedo() ? QStringLiteral("&Redo %1").arg(steps->redoText()) : QStringLiteral("&Redo"));
    const bool any = m_document->slideCount() > 0;
    m_duplicate->setEnabled(any);
    m_delete->setEnabled(any);
    m_moveUp->setEnabled(any);
    m_moveDown->setEnabled(any);
}

void PresentationWindow::deleteSelectedChart() {
    const int chart = selectedChart();
    if (chart == 0 || m_saving || m_document->isBusy()) return;
    selectChart(0);
    try {
        m_document->deleteChart(m_document->selectedSlide(), chart);
    } catch (const engine::DocumentError& e) {
        m_application->dialogs().messageBox(e.message(), platform::box::kOkOnly + platform::box::kExclamation,
                                            QString::fromLatin1(office::kPowerPointName));
    }
}

void PresentationWindow::deleteSelectedSlides() {
    // The Delete key acts on what has the focus: a chart selected on the large slide goes
    // alone, as in the office suites; otherwise the slides selected in the strip.
    if (m_view->hasFocus() && selectedChart() != 0) {
        deleteSelectedChart();
        return;
    }
    const auto rows = selectedSlides();
    if (rows.empty() || m_saving || m_document->isBusy()) return;
    try {
        m_document->deleteSlides(rows);
    } catch (const engine::DocumentError& e) {
        m_application->dialogs().messageBox(e.message(), platform::box::kOkOnly + platform::box::kExclamation,
                                            QString::fromLatin1(office::kPowerPointName));
    }
}

void PresentationWindow::duplicateSelectedSlides() {
    const auto rows = selectedSlides();
    if (rows.empty() || m_saving || m_document->isBusy()) return;
    try {
        selectSlides(m_document->duplicateSlides(rows));
    } catch (const engine::DocumentError& e) {
        m_application->dialogs().messageBox(e.message(), platform::box::kOkOnly + platform::box::kExclamation,
                                            QString::fromLatin1(office::kPowerPointName));
    }
}

void PresentationWindow::moveSelectedSlides(int by) {
    const auto rows = selectedSlides();
    if (rows.empty()) return;
    const int count = static_cast<int>(rows.size());
    // A run of slides steps by one; a scattered selection gathers next to its first slide.
    const int to = std::clamp(rows.front() + by, 0, m_document->slideCount() - count);
    if (rows.back() - rows.front() + 1 == count && to == rows.front()) return;
    moveSlidesTo(rows, to);
}

void PresentationWindow::moveSelectedSlidesTo(int row) {
    const auto rows = selectedSlides();
    if (rows.empty()) return;
    const int before = static_cast<int>(std::count_if(rows.begin(), rows.end(), [row](int r) { return r < row; }));
    moveSlidesTo(rows, std::clamp(row - before, 0, m_document->slideCount() - static_cast<int>(rows.size())));
}

void PresentationWindow::moveSlidesTo(const std::vector<int>& rows, int to) {
    if (m_saving || m_document->isBusy()) return;
    try {
        m_document->moveSlides(rows, to);
    } catch (const engine::DocumentError& e) {
        m_application->dialogs().messageBox(e.message(), platform::box::kOkOnly + platform::box::kExclamation,
                                            QString::fromLatin1(office::kPowerPointName));
        return;
    }
    std::vector<int> moved;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) moved.push_back(to + i);
    selectSlides(moved);
}

int PresentationWindow::selectedChart() const { return static_cast<SlideView*>(m_view)->selectedChart(); }

void PresentationWindow::selectChart(int shapeId) { static_cast<SlideView*>(m_view)->selectChart(shapeId); }

QRectF PresentationWindow::chartRectInView(const engine::EmuRect& frame) const {
    return static_cast<SlideView*>(m_view)->toView(frame);
}

void PresentationWindow::setChartFrame(int shapeId, const engine::EmuRect& frame, const QString& text) {
    if (m_saving || m_document->isBusy() || m_document->selectedSlide() < 0) return;
    try {
        if (text.isEmpty()) m_document->nudgeChart(m_document->selectedSlide(), shapeId, frame);
        else m_document->setChartFrame(m_document->selectedSlide(), shapeId, frame, text);
    } catch (const engine::DocumentError& e) {
        m_application->dialogs().messageBox(e.message(), platform::box::kOkOnly + platform::box::kExclamation,
                                            QString::fromLatin1(office::kPowerPointName));
    }
}

void PresentationWindow::fitCharts(int index, int shapeId) {
    if (m_saving || m_document->isBusy() || (index < 0 && m_document->slideCount() == 0)) return;
    try {
        m_document->fitChartsToSlide(index, shapeId);
    } catch (const engine::DocumentError& e) {
        m_application->dialogs().messageBox(e.message(), platform::box::kOkOnly + platform::box::kExclamation,
                                            QString::fromLatin1(office::kPowerPointName));
    }
}

void PresentationWindow::chartsToOriginalSize(int index, int shapeId) {
    if (m_saving || m_document->isBusy() || (index < 0 && m_document->slideCount() == 0)) return;
    try {
        m_document->chartsToOriginalSize(index, shapeId);
    } catch (const engine::DocumentError& e) {
        m_application->dialogs().messageBox(e.message(), platform::box::kOkOnly + platform::box::kExclamation,
                                            QString::fromLatin1(office::kPowerPointName));
    }
}

void PresentationWindow::openInOfficeSuite() {
    if (m_saving || m_document->isBusy()) return;
    if (m_document->path().isEmpty() || m_document->isModified() || m_document->isReadOnly()) {
        if (!runSave(&PresentationDocument::save)) return;
    }
    const QString path = m_document->path();
    QString problem;
    switch (m_opener(path)) {
    case platform::DesktopOpenResult::Opened:
        return;
    case platform::DesktopOpenResult::NoApplication:
        problem = QStringLiteral("No application on this desktop opens presentations. %1 is saved and can be opened "
                                 "from an office suite.")
                      .arg(QDir::toNativeSeparators(path));
        break;
    case platform::DesktopOpenResult::Failed:
        problem = QStringLiteral("The desktop could not open %1.").arg(QDir::toNativeSeparators(path));
        break;
    }
    m_application->dialogs().messageBox(problem, platform::box::kOkOnly + platform::box::kExclamation,
                                        QString::fromLatin1(office::kPowerPointName));
}

void PresentationWindow::placeOnScreen() {
    QWidget* main = nullptr;
    QPointer<QWidget> last;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == this || !w->isVisible() || w->windowType() != Qt::Window) continue;
        if (qobject_cast<PresentationWindow*>(w)) continue;
        if (!main) main = w;
    }
    if (g_lastPlaced && g_lastPlaced != this && g_lastPlaced->isVisible()) last = g_lastPlaced;
    QScreen* screen = main ? main->screen() : this->screen();
    if (!screen) return;
    if (!main && !last) return;
    // The frame's margins are not known before the window is shown: the main window's stand in.
    const QSize margins = main ? main->frameGeometry().size() - main->size() : QSize();
    platform::WindowPlacementRequest request;
    request.screen = screen->availableGeometry();
    request.remembered = size() + margins;
    request.minimum = kSmallestPlacedWindow + margins;
    if (main) {
        request.mainWindow = main->frameGeometry();
        // What the user works with in the main window: whatever takes the keyboard, and the
        // progress bar that follows the run.
        for (QWidget* child : main->findChildren<QWidget*>()) {
            if (!child->isVisible() || (child->focusPolicy() == Qt::NoFocus && !qobject_cast<QProgressBar*>(child)))
                continue;
            request.controls.emplace_back(child->mapToGlobal(QPoint(0, 0)), child->size());
        }
    }
    if (last) request.last = last->frameGeometry();
    const QRect frame = platform::placeNewWindow(request);
    if (frame.size() != request.remembered) m_placedSmaller = frame.size() - margins;
    resize(frame.size() - margins);
    move(frame.topLeft());
    g_lastPlaced = this;
}

void PresentationWindow::rememberSize() {
    if (isMaximized() || isFullScreen() || size() == m_placedSmaller) return;
    platform::Settings::write(
        platform::Settings::Key::PresentationWindowSize,
        QStringLiteral("%1x%2").arg(QString::number(width()), QString::number(height())));
}

void PresentationWindow::showSelection(int index) {
    static_cast<SlideView*>(m_view)->selectChart(0);
    if (index >= 0 && m_strip->currentRow() != index) {
        const QSignalBlocker block(m_strip);
        m_strip->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    }
    if (index >= 0) m_strip->scrollToItem(m_strip->item(index));
    m_view->update();
}

double PresentationWindow::effectiveZoom() const {
    if (m_zoom > 0) return m_zoom;
    const QSizeF actual = actualSize(*m_document, m_view);
    const QSizeF room = QSizeF(m_scroll->viewport()->size()) - QSizeF(2 * kMargin, 2 * kMargin);
    return std::max(0.01, std::min(room.width() / actual.width(), room.height() / actual.height()));
}

void PresentationWindow::setZoom(double zoom) {
    m_zoom = zoom > 0 ? std::clamp(zoom, kZoomSteps[0], kZoomSteps[std::size(kZoomSteps) - 1]) : 0;
    layoutView();
}

void PresentationWindow::zoomBy(int steps) {
    const double now = effectiveZoom();
    double next = now;
    if (steps > 0) {
        next = kZoomSteps[std::size(kZoomSteps) - 1];
        for (double z : kZoomSteps)
            if (z > now + 1e-6) { next = z; break; }
    } else {
        next = kZoomSteps[0];
        for (double z : kZoomSteps)
            if (z < now - 1e-6) next = z;
    }
    setZoom(next);
}

void PresentationWindow::layoutView() {
    if (m_zoom <= 0) {
        m_scroll->setWidgetResizable(true);
        m_view->setMinimumSize(kSmallestView);
    } else {
        const QSizeF actual = actualSize(*m_document, m_view) * m_zoom;
        const QSize size = (actual + QSizeF(2 * kMargin, 2 * kMargin)).toSize();
        m_scroll->setWidgetResizable(false);
        m_view->setMinimumSize(size);
        m_view->resize(size);
    }
    m_view->update();
}

void PresentationWindow::save() { runSave(&PresentationDocument::save); }

void PresentationWindow::saveAs() { runSave(&PresentationDocument::saveAs); }

bool PresentationWindow::runSave(bool (PresentationDocument::*how)(platform::Dialogs&)) {
    // The window keeps handling events while the file is written, so a second Save (or a
    // close that would save) could arrive meanwhile: it is refused until this one is done.
    if (m_saving) return false;
    m_saving = true;
    m_save->setEnabled(false);
    m_saveAs->setEnabled(false);
    const bool saved = ((*m_document).*how)(m_application->dialogs());
    m_save->setEnabled(true);
    m_saveAs->setEnabled(true);
    m_saving = false;
    return saved;
}

void PresentationWindow::closeEvent(QCloseEvent* event) {
    // A paste or a chart update under way works on the document: it is not let go meanwhile.
    if (m_saving || m_document->isBusy()) {
        event->ignore();
        return;
    }
    if (m_document->isModified()) {
        const auto choice = m_application->dialogs().askSaveChanges(
            QStringLiteral("Do you want to save the changes you made to %1?").arg(m_document->name()),
            QString::fromLatin1(office::kPowerPointName));
        if (choice == platform::Dialogs::SaveChoice::Cancel ||
            (choice == platform::Dialogs::SaveChoice::Save && !runSave(&PresentationDocument::save))) {
            event->ignore();
            return;
        }
    }
    event->accept();
    rememberSize();
    m_closed = true;
    m_application->windowClosed(m_document.get());
}

void PresentationWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_closed)
        m_application->windowActivated(m_document.get());
    QMainWindow::changeEvent(event);
}

void PresentationWindow::updateCharts(bool replace) {
    if (m_saving || m_document->isBusy()) return;
    refresh::RefreshOptions options;
    options.replace = replace;
    platform::Dialogs& dialogs = m_application->dialogs();
    options.locate = [&dialogs](const QString& missing) {
        const QString name = QFileInfo(missing).fileName();
        return dialogs.openFileName(QStringLiteral("Where is %1 now?").arg(name),
                                    QStringLiteral("Excel Files (*.xl*;*.ods)|*.xl*;*.ods|"), name);
    };
    std::vector<refresh::ChartResult> results;
    try {
        results = m_document->refreshCharts(options);
    } catch (const engine::DocumentError& e) {
        dialogs.messageBox(e.message(), platform::box::kOkOnly | platform::box::kExclamation, QString());
        return;
    }
    auto* dialog = new ChartRefreshDialog(results, this);
    dialog->show();
}

}  // namespace servers
