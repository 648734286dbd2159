#include "servers/presentation/PresentationWindow.h"

#include "office/PowerPoint.h"
#include "platform/Dialogs.h"
#include "servers/presentation/PresentationApplication.h"
#include "servers/presentation/PresentationDocument.h"
#include "servers/presentation/SlideRenderer.h"

#include <QAction>
#include <QCloseEvent>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>

namespace servers {

namespace {

constexpr int kThumbnailWidth = 176;

// The selected slide, drawn as large as the view allows.
class SlideView : public QWidget {
public:
    explicit SlideView(const PresentationDocument& document, QWidget* parent)
        : QWidget(parent), m_document(document) {
        setObjectName(QStringLiteral("slideView"));
        setMinimumSize(320, 180);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(0xD8, 0xDC, 0xE2));
        setPalette(p);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int index = m_document.selectedSlide();
        if (index < 0) {
            painter.setPen(Qt::darkGray);
            painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No slides"));
            return;
        }
        renderSlide(painter, QRectF(rect()).adjusted(16, 16, -16, -16), m_document, index);
    }

private:
    const PresentationDocument& m_document;
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

    auto* splitter = new QSplitter(this);
    m_strip = new QListWidget(splitter);
    m_strip->setObjectName(QStringLiteral("slideStrip"));
    m_strip->setViewMode(QListView::ListMode);
    m_strip->setFlow(QListView::TopToBottom);
    m_strip->setIconSize(QSize(kThumbnailWidth, kThumbnailWidth * 9 / 16));
    m_strip->setSpacing(4);
    m_strip->setMinimumWidth(kThumbnailWidth + 48);
    m_view = new SlideView(*m_document, splitter);
    splitter->addWidget(m_strip);
    splitter->addWidget(m_view);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    for (int i = 0; i < m_document->slideCount(); ++i) insertThumbnail(i);
    if (m_document->selectedSlide() >= 0) m_strip->setCurrentRow(m_document->selectedSlide());

    connect(m_document.get(), &PresentationDocument::slideInserted, this, &PresentationWindow::insertThumbnail);
    connect(m_document.get(), &PresentationDocument::slideChanged, this, &PresentationWindow::refreshThumbnail);
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

QPixmap PresentationWindow::thumbnail(int index) const {
    const double ratio = double(m_document->presentation().slideHeight()) / m_document->presentation().slideWidth();
    QPixmap pixmap(kThumbnailWidth, std::max(1, int(kThumbnailWidth * ratio)));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderSlide(painter, QRectF(pixmap.rect()), *m_document, index);
    return pixmap;
}

void PresentationWindow::insertThumbnail(int index) {
    auto* item = new QListWidgetItem(QIcon(thumbnail(index)), QString::number(index + 1));
    m_strip->insertItem(index, item);
    for (int i = index + 1; i < m_strip->count(); ++i) m_strip->item(i)->setText(QString::number(i + 1));
}

void PresentationWindow::refreshThumbnail(int index) {
    if (auto* item = m_strip->item(index)) item->setIcon(QIcon(thumbnail(index)));
    if (index == m_document->selectedSlide()) m_view->update();
}

void PresentationWindow::showSelection(int index) {
    if (index >= 0 && m_strip->currentRow() != index) {
        const QSignalBlocker block(m_strip);
        m_strip->setCurrentRow(index);
    }
    if (index >= 0) m_strip->scrollToItem(m_strip->item(index));
    m_view->update();
}

void PresentationWindow::save() { runSave(&PresentationDocument::save); }

void PresentationWindow::saveAs() { runSave(&PresentationDocument::saveAs); }

void PresentationWindow::runSave(bool (PresentationDocument::*how)(platform::Dialogs&)) {
    if (m_saving) return;
    m_saving = true;
    m_save->setEnabled(false);
    m_saveAs->setEnabled(false);
    ((*m_document).*how)(m_application->dialogs());
    m_save->setEnabled(true);
    m_saveAs->setEnabled(true);
    m_saving = false;
}

void PresentationWindow::closeEvent(QCloseEvent* event) {
    if (m_document->isModified()) {
        const auto choice = m_application->dialogs().askSaveChanges(
            QStringLiteral("Do you want to save the changes you made to %1?").arg(m_document->name()),
            QString::fromLatin1(office::kPowerPointName));
        if (choice == platform::Dialogs::SaveChoice::Cancel ||
            (choice == platform::Dialogs::SaveChoice::Save && !m_document->save(m_application->dialogs()))) {
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
