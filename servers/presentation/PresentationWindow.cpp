#include "servers/presentation/PresentationWindow.h"

#include "office/PowerPoint.h"
#include "platform/About.h"
#include "platform/ColourScheme.h"
#include "platform/Dialogs.h"
#include "servers/presentation/PresentationApplication.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/SlideRenderer.h"

#include <QAction>
#include <QApplication>
#include <QScrollArea>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QCloseEvent>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>

namespace servers {

namespace {

constexpr int kThumbnailWidth = 176;
constexpr int kMargin = 16;  // around the large slide
// How long edits must pause before the window draws the slides they changed.
constexpr int kSettleMilliseconds = 60;
// The zoom steps of Zoom In and Zoom Out.
constexpr double kZoomSteps[] = {0.1, 0.25, 0.33, 0.5, 0.67, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};

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
// or the slide changes.
class SlideView : public QWidget {
public:
    explicit SlideView(const PresentationDocument& document, const bool& deferred, QWidget* parent)
        : QWidget(parent), m_document(document), m_deferred(deferred) {
        setObjectName(QStringLiteral("slideView"));
        setMinimumSize(320, 180);
    }

    void forget() {
        m_cache = QPixmap();
        update();
    }
    // How many times the large slide has been drawn (not counting repaints from the kept picture).
    int draws() const { return m_draws; }

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
        const QRectF page = fittedSlideRect(QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin), m_document);
        const qreal ratio = devicePixelRatioF();
        const QSize pixels = (page.size() * ratio).toSize();
        if (m_deferred && (m_cache.isNull() || m_cachedSlide != drawn)) {
            // Slides are changing fast (a copy run): an empty page until they settle.
            painter.fillRect(page, Qt::white);
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
    }

private:
    const PresentationDocument& m_document;
    const bool& m_deferred;
    QPixmap m_cache;
    std::shared_ptr<const DrawnSlide> m_cachedSlide;  // what m_cache shows
    int m_draws = 0;
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
    setWindowTitle(m_document->name());
    resize(1100, 640);

    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    m_save = file->addAction(QStringLiteral("&Save"), this, &PresentationWindow::save);
    m_save->setObjectName(QStringLiteral("actionSave"));
    m_save->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    m_saveAs = file->addAction(QStringLiteral("Save &As..."), this, &PresentationWindow::saveAs);
    m_saveAs->setObjectName(QStringLiteral("actionSaveAs"));
    m_saveAs->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    file->addSeparator();
    m_close = file->addAction(QStringLiteral("&Close"), this, &QWidget::close);
    m_close->setObjectName(QStringLiteral("actionClose"));
    m_close->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));

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

    auto* help = menuBar()->addMenu(QStringLiteral("&Help"));
    m_about = help->addAction(QStringLiteral("&About Quillmere"), this,
                              [this] { platform::showAbout(m_application->dialogs()); });
    m_about->setObjectName(QStringLiteral("actionAbout"));

    auto* splitter = new QSplitter(this);
    m_strip = new QListWidget(splitter);
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
    m_view = new SlideView(*m_document, m_deferred, m_scroll);
    m_scroll->setWidget(m_view);
    splitter->addWidget(m_strip);
    splitter->addWidget(m_scroll);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    for (int i = 0; i < m_document->slideCount(); ++i) insertThumbnail(i);
    if (m_document->selectedSlide() >= 0) m_strip->setCurrentRow(m_document->selectedSlide());

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
    connect(m_document.get(), &PresentationDocument::nameChanged, this, &QWidget::setWindowTitle);
    connect(m_strip, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) m_document->selectSlide(row);
    });
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

void PresentationWindow::showSelection(int index) {
    if (index >= 0 && m_strip->currentRow() != index) {
        const QSignalBlocker block(m_strip);
        m_strip->setCurrentRow(index);
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
        m_view->setMinimumSize(320, 180);
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
    if (m_saving) {
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
    m_closed = true;
    m_application->windowClosed(m_document.get());
}

void PresentationWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_closed)
        m_application->windowActivated(m_document.get());
    QMainWindow::changeEvent(event);
}

}  // namespace servers
