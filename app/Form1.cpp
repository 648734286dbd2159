#include "Form1.h"

#include "app/ChartPreview.h"
#include "app/CommandLine.h"
#include "app/CursorFile.h"
#include "app/ProductIcon.h"
#include "discovery/ChartCommands.h"
#include "office/IsInstalled.h"
#include "platform/About.h"
#include "platform/ApplicationTitle.h"
#include "platform/ChartList.h"
#include "platform/ColourScheme.h"
#include "platform/ErrorReport.h"
#include "platform/Failure.h"
#include "platform/Services.h"
#include "platform/Settings.h"
#include "platform/Shutdown.h"
#include "transfer/CopyRun.h"
#include "transfer/Main.h"
#include "transfer/TargetChoice.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QWindow>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTreeWidget>
#include <cmath>

namespace app {

using platform::kEnd;
using platform::kNext;

namespace {

// 15 twips make one device-independent pixel.
int px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

QRect twipsRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

QFont arial(qreal points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setWeight(QFont::Bold);
    return font;
}

constexpr int kMaxTitleLength = 40;

}  // namespace

QString applicationTitleFromProductName(const QString& productName) {
    // Cut at the last blank at least once, then again while the text is too long. A name
    // without a blank to cut at keeps its first 40 characters: Quillmere stays "Quillmere".
    QString title = productName;
    do {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0) return title.left(kMaxTitleLength);
        title.truncate(blank);
    } while (title.size() > kMaxTitleLength);
    return title;
}

Form1::Form1(platform::Dialogs& dialogs, platform::Files& files, platform::Clock& clock,
             platform::Events& events, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_dialogs(dialogs),
      m_files(files),
      m_clock(clock),
      m_events(events),
      m_runner(
          [this](const QString& location, int line, const QString& description) {
              platform::ReportApplicationError(m_dialogs, location, line, description);
          },
          [] { return platform::mainWindowClosed(); }) {
    createControls();
    setTabOrder();
    installPointerHandlers();
    createModules();
    connectHandlers();
    // Workbooks and presentations may be dropped anywhere on the window; the boxes take no
    // drops of their own, so that a dropped file always does what the command line does.
    setAcceptDrops(true);
    for (QLineEdit* box : {m_text1, m_text2, m_text3}) box->setAcceptDrops(false);
}

Form1::~Form1() = default;

// ---------------------------------------------------------------------------------------
// The window's design. Controls are made in the order the window holds them, which is also
// their stacking order: each one made later lies above the ones before it.

void Form1::createControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setFixedSize(px(8040), px(8550));
    setFont(arial(9));
    // White as designed under any colour scheme, with light controls on it: a dark scheme's
    // text boxes and buttons would sit dark on the white panels.
    QPalette white = platform::lightPalette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setAutoFillBackground(true);

    auto frame = [this, white](const char* name, const char* caption, QRect geometry) {
        auto* box = new QGroupBox(QString::fromUtf8(caption), this);
        box->setObjectName(QString::fromUtf8(name));
        box->setGeometry(geometry);
        box->setPalette(white);
        box->setAutoFillBackground(true);
        return box;
    };
    auto textBox = [](const char* name, QWidget* parent, QRect geometry) {
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(QString::fromUtf8(name));
        edit->setGeometry(geometry);
        return edit;
    };
    auto option = [white](const char* name, const char* caption, QWidget* parent,
                          QRect geometry) {
        auto* radio = new QRadioButton(QString::fromUtf8(caption), parent);
        radio->setObjectName(QString::fromUtf8(name));
        radio->setGeometry(geometry);
        radio->setPalette(white);
        radio->setBackgroundRole(QPalette::Window);  // buttons fill with Button by default
        radio->setAutoFillBackground(true);
        return radio;
    };
    auto button = [this](int number, const char* caption, QWidget* parent, QRect geometry) {
        auto* push = new QPushButton(QString::fromUtf8(caption), parent);
        push->setObjectName(QStringLiteral("PushButton%1").arg(number));
        push->setGeometry(geometry);
        push->setFont(arial(11.25));
        push->setAutoDefault(false);
        m_pushButtons[number] = push;
        return push;
    };

    m_frame3 = frame("Frame3", "Delay For Each Chart To Prevent Error",
                     twipsRect(120, 6570, 7800, 795));
    m_text3 = textBox("Text3", m_frame3, twipsRect(240, 300, 7335, 345));
    m_text3->setText(QStringLiteral("Text3"));

    m_frame2 = frame("Frame2", "Copy Options", twipsRect(120, 5055, 7800, 1455));
    m_option1 = option("Option1", "Paste selected charts into new PowerPoint file", m_frame2,
                       twipsRect(240, 300, 4320, 285));
    m_option1->setChecked(true);
    m_text2 = textBox("Text2", m_frame2, twipsRect(480, 960, 6015, 345));
    m_option2 = option("Option2", "Paste selected charts into existing PowerPoint file", m_frame2,
                       twipsRect(240, 630, 5085, 285));
    button(3, "...", m_frame2, twipsRect(6600, 960, 765, 345));

    m_frame1 = frame("Frame1", "Excel File", twipsRect(120, 120, 7800, 825));
    m_text1 = textBox("Text1", m_frame1, twipsRect(240, 300, 6525, 345));
    button(1, "...", m_frame1, twipsRect(6840, 300, 720, 345));

    button(4, "1. Find Charts In Excel File", this, twipsRect(120, 1590, 7800, 405));
    button(2, "2. Start Copying", this, twipsRect(120, 7500, 7800, 405));
    button(7, "Uncheck All", this, twipsRect(4080, 4590, 3840, 405));
    button(9, "Check All", this, twipsRect(120, 4590, 3840, 405));

    m_listView1 = new QTreeWidget(this);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setGeometry(twipsRect(120, 2115, 7800, 2385));
    m_listView1->setFont(arial(9));
    m_listView1->setRootIsDecorated(false);
    m_listView1->setUniformRowHeights(true);
    // Columns may be as narrow as the design makes them (the index column is 1 twip).
    m_listView1->header()->setMinimumSectionSize(1);
    // The last column keeps its own width instead of filling the rest of the list.
    m_listView1->header()->setStretchLastSection(false);
    // Start-up adds the columns one by one, so the list starts without any.
    m_listView1->setColumnCount(0);
    m_listView1->setToolTip(QStringLiteral(
        "Double-click item to remove it. Move | line to right and out of window to reveal full "
        "names."));

    m_progressBar1 = new QProgressBar(this);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setGeometry(twipsRect(120, 8010, 7800, 405));
    m_progressBar1->setRange(0, 100);
    m_progressBar1->setValue(0);
    m_progressBar1->setTextVisible(true);
    m_progressBar1->setFormat(QStringLiteral("Progress Bar"));
    m_progressBar1->setAlignment(Qt::AlignCenter);

    button(5, "Load Sample/Example File", this, twipsRect(120, 1065, 3840, 405));
    button(6, "Clear File", this, twipsRect(4080, 1080, 3840, 405));

    // Each widget's own cursor, as its class chose it, for pointer 0 to give back.
    m_ownCursors.insert(this, std::nullopt);
    for (QWidget* child : findChildren<QWidget*>()) {
        m_ownCursors.insert(child, child->testAttribute(Qt::WA_SetCursor)
                                       ? std::optional<QCursor>(child->cursor())
                                       : std::nullopt);
    }
}

QPushButton* Form1::PushButton(int number) const {
    return number >= 1 && number <= 9 ? m_pushButtons[number] : nullptr;
}

void Form1::setTabOrder() {
    // The focus order of the design: it starts at the chart list and does not follow the
    // controls from top to bottom. Frames and the progress bar take no focus.
    const QList<QWidget*> order = {
        m_listView1,      m_pushButtons[9], m_pushButtons[7], m_pushButtons[2],
        m_pushButtons[4], m_text1,          m_pushButtons[1], m_option2,
        m_text2,          m_pushButtons[3], m_option1,        m_text3,
        m_pushButtons[5], m_pushButtons[6]};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }
}

void Form1::showCentered() {
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft() + (pos() - frameGeometry().topLeft()));
    }
    show();
    m_listView1->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------------------
// Pointer feedback.

void Form1::installPointerHandlers() {
    m_pointerHandlers = {
        {this, &Form1::Form_MouseMove},
        {m_frame1, &Form1::Frame1_MouseMove},
        {m_frame2, &Form1::Frame2_MouseMove},
        {m_frame3, &Form1::Frame3_MouseMove},
        {m_listView1, &Form1::ListView1_MouseMove},
        {m_option1, &Form1::Option1_MouseMove},
        {m_option2, &Form1::Option2_MouseMove},
        {m_text1, &Form1::Text1_MouseMove},
        {m_text2, &Form1::Text2_MouseMove},
    };
    for (int number : {1, 2, 3, 4, 5, 6, 7, 9}) {
        m_pointerHandlers.insert(m_pushButtons[number], &Form1::PushButton_MouseMove);
    }
    m_unhandledControls = {m_text3, m_progressBar1};

    for (auto it = m_pointerHandlers.constBegin(); it != m_pointerHandlers.constEnd(); ++it) {
        QWidget* control = it.key();
        control->setMouseTracking(true);
        control->installEventFilter(this);
    }
    // The list's moves arrive at its viewport, header and scroll bars.
    for (QWidget* part : m_listView1->findChildren<QWidget*>()) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
}

QWidget* Form1::designControlOf(QWidget* widget) const {
    for (QWidget* w = widget; w && w != this; w = w->parentWidget()) {
        if (m_pointerHandlers.contains(w) || m_unhandledControls.contains(w)) return w;
    }
    return nullptr;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // The space bar on the list previews the current row.
    if (event->type() == QEvent::KeyPress && watched == m_listView1) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && m_listView1->currentItem()) {
            openChartPreview();
            return true;
        }
    }
    if (event->type() == QEvent::MouseMove) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* move = static_cast<QMouseEvent*>(event);
        // A move that a control left unhandled travels on to its container; only the widget
        // actually under the pointer answers it, so a control without a handler (Text3, the
        // progress bar) does not borrow its frame's or the window's.
        QWidget* under = childAt(mapFromGlobal(move->globalPosition().toPoint()));
        if (!under) under = this;
        if (widget && widget == under) {
            QWidget* control = widget == this ? this : designControlOf(widget);
            const auto handler = m_pointerHandlers.value(control, nullptr);
            if (handler) (this->*handler)();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::pointerFeedback(int value) {
    if (MousePointer() == platform::pointer::kHourglass) return;
    setMousePointer(value);
}

void Form1::setMousePointer(int value) {
    m_mousePointer = value;
    applyPointer();
}

QCursor Form1::cursorForPointer(int value) const {
    if (value == platform::pointer::kHourglass) return QCursor(Qt::WaitCursor);
    if (value == platform::pointer::kHand && m_mouseIcon) return *m_mouseIcon;
    return QCursor(Qt::ArrowCursor);
}

void Form1::applyPointer() {
    // The setting covers the whole window, its controls included; the default gives each
    // control back its own pointer (the I-beam of a text box). A hand without a cursor file
    // shows the default pointer.
    const bool ownCursors = !(m_mousePointer == platform::pointer::kHourglass ||
                              (m_mousePointer == platform::pointer::kHand && m_mouseIcon));
    const QCursor shared = cursorForPointer(m_mousePointer);
    for (auto it = m_ownCursors.constBegin(); it != m_ownCursors.constEnd(); ++it) {
        QWidget* widget = it.key();
        if (!ownCursors) {
            widget->setCursor(shared);
        } else if (it.value()) {
            widget->setCursor(*it.value());
        } else {
            widget->unsetCursor();
        }
    }
}

// ---------------------------------------------------------------------------------------
// The command modules and the wiring of every control's events. Each button's click goes to
// a slot named after the handler, which hands it to the module that owns the command.

void Form1::createModules() {
    m_chartCommands = std::make_unique<charts::ChartCommands>(*this, m_dialogs, m_files, m_runner);

    transfer::CopyRunServices copyServices;
    copyServices.dialogs = &m_dialogs;
    copyServices.events = &m_events;
    copyServices.fileExists = [this](const QString& path) { return FileExists(path, m_files); };
    copyServices.fileNameOfPath = [](const QString& path) { return FileNameOfPath(path); };
    copyServices.waitSeconds = [this](int seconds) {
        WaitSeconds(static_cast<float>(seconds), m_clock, m_events);
    };
    m_copyRun = std::make_unique<transfer::CopyRun>(*this, std::move(copyServices), m_runner);
}

void Form1::connectHandlers() {
    connect(m_text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(m_text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(m_text3, &QLineEdit::textChanged, this, &Form1::Text3_Change);

    connect(m_pushButtons[1], &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(m_pushButtons[4], &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(m_pushButtons[5], &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(m_pushButtons[6], &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(m_pushButtons[7], &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(m_pushButtons[9], &QPushButton::clicked, this, &Form1::PushButton9_Click);

    connect(m_pushButtons[2], &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(m_pushButtons[3], &QPushButton::clicked, this, &Form1::PushButton3_Click);
    // An option's click comes with its selection, whether the user or start-up selected it;
    // clearing an option is no click.
    connect(m_option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) Option1_Click();
    });
    connect(m_option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) Option2_Click();
    });

    // The chart preview: a context menu on the rows and the space bar open it; while open it
    // follows the current row and the rows Find puts in.
    m_listView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listView1, &QWidget::customContextMenuRequested, this, &Form1::listContextMenu);
    connect(m_listView1, &QTreeWidget::currentItemChanged, this, &Form1::schedulePreview);
    connect(m_listView1->model(), &QAbstractItemModel::rowsInserted, this, &Form1::schedulePreview);
    connect(m_listView1->model(), &QAbstractItemModel::rowsRemoved, this, &Form1::schedulePreview);
    connect(m_listView1->model(), &QAbstractItemModel::modelReset, this, &Form1::schedulePreview);

    // About Quillmere: F1 anywhere in the window (the desktop's window menu takes no entries).
    auto* about = new QShortcut(QKeySequence(Qt::Key_F1), this);
    about->setObjectName(QStringLiteral("aboutShortcut"));
    about->setContext(Qt::WindowShortcut);
    connect(about, &QShortcut::activated, this, [this] { platform::showAbout(m_dialogs); });
}

void Form1::listContextMenu(const QPoint& position) {
    QTreeWidgetItem* item = m_listView1->itemAt(position);
    if (!item) return;
    m_listView1->setCurrentItem(item);
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("listContextMenu"));
    QAction* preview = menu.addAction(QStringLiteral("Preview Chart"));
    preview->setObjectName(QStringLiteral("actionPreviewChart"));
    connect(preview, &QAction::triggered, this, &Form1::openChartPreview);
    menu.exec(m_listView1->viewport()->mapToGlobal(position));
}

void Form1::openChartPreview() {
    if (!m_preview) {
        // A window of its own, owned here but no child of this window: the window's design
        // holds exactly its controls.
        m_preview = std::make_unique<ChartPreview>(m_dialogs);
        m_preview->setAttribute(Qt::WA_ShowWithoutActivating);
        m_preview->setWindowIcon(windowIcon());
        // Beside the window, on the side with more room, made narrower to fit when it must;
        // over the window's edge only when the screen has no room beside it at all.
        QPoint at = frameGeometry().topRight() + QPoint(8, 0);
        if (const QScreen* screen = this->screen()) {
            const QRect room = screen->availableGeometry();
            const int extra = m_preview->frameGeometry().width() - m_preview->width();
            const int right = room.right() - frameGeometry().right() - 8;
            const int left = frameGeometry().left() - room.left() - 8;
            const int wanted = m_preview->frameGeometry().width();
            const int side = std::max(right, left);
            if (side < wanted && side >= m_preview->minimumSizeHint().width() + extra)
                m_preview->resize(side - extra, m_preview->height());
            const int width = m_preview->frameGeometry().width();
            if (right >= width) at.setX(frameGeometry().right() + 8);
            else if (left >= width) at.setX(frameGeometry().left() - 8 - width);
            else at.setX(std::max(room.left(), room.right() - width));
            at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - m_preview->frameGeometry().height())));
        }
        m_preview->move(at);
        m_preview->winId();
        if (windowHandle() && m_preview->windowHandle())
            m_preview->windowHandle()->setTransientParent(windowHandle());
    }
    m_previewPending = false;
    showPreviewRow();
    m_preview->show();
    m_preview->raise();
}

void Form1::schedulePreview() {
    if (!m_preview || !m_preview->isVisible() || m_previewPending) return;
    m_previewPending = true;
    QTimer::singleShot(0, this, [this] {
        if (!m_previewPending) return;
        m_previewPending = false;
        if (m_preview && m_preview->isVisible()) showPreviewRow();
    });
}

void Form1::showPreviewRow() {
    platform::ChartList list(m_listView1);
    if (list.count() == 0) {
        m_preview->showNothing(QStringLiteral("No charts are listed."));
        return;
    }
    const QTreeWidgetItem* current = m_listView1->currentItem();
    const int position = current ? m_listView1->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(current)) + 1 : 1;
    m_preview->showChart(m_text1->text(), list.sheetName(position), list.chartIndex(position).toInt(),
                         list.chartName(position));
}

void Form1::PushButton1_Click() { m_chartCommands->PushButton1_Click(); }
void Form1::PushButton4_Click() { m_chartCommands->PushButton4_Click(); }
void Form1::PushButton5_Click() { m_chartCommands->PushButton5_Click(); }
void Form1::PushButton6_Click() { m_chartCommands->PushButton6_Click(); }
void Form1::PushButton7_Click() { m_chartCommands->PushButton7_Click(); }
void Form1::PushButton9_Click() { m_chartCommands->PushButton9_Click(); }
void Form1::PushButton2_Click() { m_copyRun->PushButton2_Click(); }
void Form1::PushButton3_Click() { transfer::PushButton3_Click(*this, m_dialogs, m_runner); }
void Form1::Option1_Click() { transfer::Option1_Click(*this); }
void Form1::Option2_Click() { transfer::Option2_Click(*this); }

void Form1::Text1_Change() {
    platform::Settings::write(platform::Settings::Key::WorkbookPath, m_text1->text());
}

void Form1::Text2_Change() {
    platform::Settings::write(platform::Settings::Key::PresentationPath, m_text2->text());
}

void Form1::Text3_Change() {
    platform::Settings::write(platform::Settings::Key::Delay, m_text3->text());
}

namespace {

// The local files a drag carries that the window takes.
QStringList droppedFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && fileKindOf(url.toLocalFile()) != FileKind::Other) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

}  // namespace

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).isEmpty() &&
        m_mousePointer != platform::pointer::kHourglass) {
        event->acceptProposedAction();
    }
}

void Form1::dropEvent(QDropEvent* event) {
    if (openFiles(droppedFiles(event->mimeData()))) event->acceptProposedAction();
}

bool Form1::openFiles(const QStringList& paths) {
    if (m_mousePointer == platform::pointer::kHourglass) return false;
    QString workbook;
    bool taken = false;
    for (const QString& path : paths) {
        switch (fileKindOf(path)) {
        case FileKind::Workbook:
            workbook = path;
            taken = true;
            break;
        case FileKind::Presentation:
            // Through the box's change handler and the option's click, as if typed and clicked.
            m_text2->setText(path);
            m_option2->setChecked(true);
            taken = true;
            break;
        case FileKind::Other:
            break;
        }
    }
    if (!workbook.isEmpty()) {
        m_text1->setText(workbook);
        PushButton4_Click();
    }
    return taken;
}

void Form1::closeEvent(QCloseEvent* event) {
    // Ends the program's work at once: a wait in progress returns and its handler runs no
    // further step. Nothing is saved here; every setting was stored when it changed.
    platform::markMainWindowClosed();
    if (m_preview) m_preview->close();
    event->accept();
}

// ---------------------------------------------------------------------------------------
// Start-up.

void Form1::addListColumn(const QString& header) {
    const int column = m_listView1->columnCount();
    m_listView1->setColumnCount(column + 1);
    m_listView1->headerItem()->setText(column, header);
}

void Form1::setListColumnWidth(int column, int twips) {
    if (column >= m_listView1->columnCount()) {
        throw platform::Failure(platform::runtime::kIndexOutOfBounds);
    }
    // At least one pixel, so that even the 1-twip column keeps a divider the user can drag.
    m_listView1->setColumnWidth(column, std::max(1, px(twips)));
}

void Form1::setOption(QRadioButton* option, bool selected) {
    if (option->isChecked() == selected) return;
    if (selected) {
        option->setChecked(true);  // clears the other option of the group
    } else {
        // An exclusive group refuses to clear its selected button; leaving both clear is what
        // the stored values may ask for.
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

void Form1::recolour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void Form1::ApplySkin() {
    const QString skinFile = m_files.programFile(QLatin1String(kSkinFile));
    if (m_files.countMatchingFiles(skinFile) == 0) return;

    // The button face of the window's light palette: the system's under a light scheme.
    const QColor buttonFace = platform::lightPalette().color(QPalette::Button);
    recolour(this, buttonFace);
    for (QWidget* child : findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) ||
            qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child)) {
            recolour(child, buttonFace);
        }
    }

    m_skinFramework1.invoke(SkinFramework::kLoadSkin, {skinFile, QString()});
    const int options = m_skinFramework1.property(SkinFramework::kOptions).toInt();
    m_skinFramework1.setProperty(SkinFramework::kOptions, options | 1);
    m_skinFramework1.setProperty(SkinFramework::kEnabled, true);
    m_skinFramework1.setProperty(SkinFramework::kRepaint, true);
    m_skinFramework1.invoke(SkinFramework::kApplyWindow,
                            {static_cast<qint32>(static_cast<quint32>(winId()))});
}

void Form1::SetApplicationTitle() {
    platform::setApplicationTitle(applicationTitleFromProductName(QLatin1String(kProductName)));
}

platform::Procedure Form1::formLoadProcedure() {
    const auto step = [](int line, std::function<void()> action) {
        return platform::Step{line, [action] {
                                  action();
                                  return kNext;
                              }};
    };
    const QString cursorFile = m_files.programFile(QLatin1String(kCursorFile));

    platform::Procedure load{QLatin1String(kFormLoadLocation), {}};
    auto& s = load.steps;
    s.push_back(step(104, [this] { ApplySkin(); }));
    s.push_back(step(106, [this] { setWindowTitle(QLatin1String(kProductName)); }));
    s.push_back(step(106, [this] { setWindowIcon(productIcon()); }));
    s.push_back(step(106, [this] { SetApplicationTitle(); }));
    // A failing test runs the step it guards, like a passing one.
    s.push_back({108, [this, cursorFile] {
                     return FileExists(cursorFile, m_files) ? kNext : 130;
                 }});
    s.push_back(step(110, [this, cursorFile] {
        m_mouseIcon = readCursorFile(cursorFile);
        applyPointer();
    }));
    s.push_back(step(130, [this] { addListColumn(QStringLiteral("Sheet Name")); }));
    s.push_back(step(132, [this] { addListColumn(QStringLiteral("Chart Name")); }));
    s.push_back(step(134, [this] { addListColumn(QStringLiteral("Chart Index")); }));
    s.push_back(step(136, [this] { setListColumnWidth(0, 3500); }));
    s.push_back(step(138, [this] { setListColumnWidth(1, 3500); }));
    s.push_back(step(140, [this] { setListColumnWidth(2, 1); }));
    // Restoring a box's text goes through its change handler, which stores it back.
    s.push_back(step(142, [this] {
        m_text1->setText(platform::Settings::read(platform::Settings::Key::WorkbookPath));
    }));
    s.push_back({144, [this] { return FileExists(m_text1->text(), m_files) ? 148 : kNext; }});
    s.push_back(step(146, [this] { m_text1->setText(QString()); }));
    s.push_back(step(148, [this] {
        m_text3->setText(platform::Settings::read(platform::Settings::Key::Delay));
    }));
    s.push_back(step(150, [this] {
        m_text2->setText(platform::Settings::read(platform::Settings::Key::PresentationPath));
    }));
    s.push_back({152, [this] { return FileExists(m_text2->text(), m_files) ? 156 : kNext; }});
    s.push_back(step(154, [this] { m_text2->setText(QString()); }));
    s.push_back(step(156, [this] {
        setOption(m_option1,
                  platform::Settings::readBoolean(platform::Settings::Key::NewPresentation));
    }));
    s.push_back(step(158, [this] {
        setOption(m_option2,
                  platform::Settings::readBoolean(platform::Settings::Key::ExistingPresentation));
    }));
    // Without Excel the program ends here: no later step, and the window is never shown.
    s.push_back({160, [this] {
                     if (office::RequireExcel(m_dialogs) == office::ExcelPresence::Missing) {
                         m_endRequested = true;
                         return kEnd;
                     }
                     return kNext;
                 }});
    return load;
}

bool Form1::Form_Load() {
    m_endRequested = false;
    m_runner.run(formLoadProcedure());
    return !m_endRequested;
}

}  // namespace app
