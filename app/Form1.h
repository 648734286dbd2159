#pragma once

#include "app/SkinFramework.h"
#include "platform/FormControls.h"
#include "platform/StepRunner.h"

#include <QCursor>
#include <QHash>
#include <QWidget>
#include <memory>
#include <optional>

class QGroupBox;
class QPushButton;

namespace platform {
class Clock;
class Dialogs;
class Events;
class Files;
}  // namespace platform

namespace charts {
class ChartCommands;
}
namespace transfer {
class CopyRun;
}

namespace app {

class ChartPreview;

// The application title made from a product name: cut at the last blank at least once, and
// again while longer than 40 characters. A name with no blank left to cut at keeps its first
// 40 characters, so "Quillmere" gives "Quillmere".
QString applicationTitleFromProductName(const QString& productName);

// The main window: every control of the window's design with its name, place, caption and
// font; the pointer feedback of its mouse-move handlers; start-up (Form_Load) as a table of
// numbered steps; the change handlers of the three text boxes. It holds no document logic:
// each button's click is handed to the module that owns that command, constructed in
// createModules() with this window (as FormControls), the dialogs, the services and the
// window's one step runner.
//
// The window owns its controls and the command modules. The dialogs and services are lent and
// must outlive it. Closing the window marks the program's main window closed, which ends any
// wait and stops every trapped handler before its next step.
class Form1 : public QWidget, public platform::FormControls {
    Q_OBJECT

public:
    static constexpr const char* kFormLoadLocation = "in Ostrivane2021/08/31.Form1.Form_Load ";
    static constexpr const char* kProductName = "Quillmere";
    static constexpr const char* kCursorFile = "/HAND-M.CUR";
    static constexpr const char* kSkinFile = "/x/o.cjs";

    Form1(platform::Dialogs& dialogs, platform::Files& files, platform::Clock& clock,
          platform::Events& events, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up, run once before the window is shown. Returns false when the program must end
    // without showing the window (Excel cannot be started).
    bool Form_Load();
    platform::Procedure formLoadProcedure();

    // Start-up helpers; no trap of their own.
    void ApplySkin();
    void SetApplicationTitle();

    // Shows the window centred on its screen.
    void showCentered();

    // platform::FormControls
    QWidget* window() override { return this; }
    QLineEdit* Text1() override { return m_text1; }
    QLineEdit* Text2() override { return m_text2; }
    QLineEdit* Text3() override { return m_text3; }
    QRadioButton* Option1() override { return m_option1; }
    QRadioButton* Option2() override { return m_option2; }
    QTreeWidget* ListView1() override { return m_listView1; }
    QProgressBar* ProgressBar1() override { return m_progressBar1; }
    int MousePointer() const override { return m_mousePointer; }
    void setMousePointer(int value) override;

    QGroupBox* Frame1() const { return m_frame1; }
    QGroupBox* Frame2() const { return m_frame2; }
    QGroupBox* Frame3() const { return m_frame3; }
    QPushButton* PushButton(int number) const;
    SkinFramework& SkinFramework1() { return m_skinFramework1; }
    const platform::StepRunner& runner() const { return m_runner; }
    // The custom pointer image read at start-up, if any.
    const std::optional<QCursor>& MouseIcon() const { return m_mouseIcon; }
    // Whether start-up asked for the program to end.
    bool endRequested() const { return m_endRequested; }

    // The chart preview beside the list: opened by "Preview Chart" in a row's context menu or
    // by the space bar on the current row; while open it follows the current row, and the
    // list when Find fills it again. It is no part of the window's design (a window of its
    // own) and of no numbered step. Null until first opened.
    ChartPreview* chartPreview() const { return m_preview.get(); }
    void openChartPreview();

    // Files handed to the program (its command line, a drop on the window), by kind: a
    // workbook goes into the Excel File box and Find lists its charts (once, for the last
    // workbook given); a presentation goes into the existing-presentation box and is chosen as
    // the target. Other files are left alone. Returns whether any file was taken; none is while
    // a search or a copy run is busy.
    bool openFiles(const QStringList& paths);

    // The change handlers of the three text boxes: each stores its box's text, nothing else.
    void Text1_Change();
    void Text2_Change();
    void Text3_Change();

public slots:
    // The clicks of the buttons, handed to the modules that own the commands.
    void PushButton1_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton9_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void Option1_Click();
    void Option2_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void setTabOrder();
    void installPointerHandlers();
    void createModules();
    void connectHandlers();

    // The mouse-move handlers, one per control that has one.
    void Form_MouseMove() { pointerFeedback(platform::pointer::kDefault); }
    void Frame1_MouseMove() { pointerFeedback(platform::pointer::kDefault); }
    void Frame2_MouseMove() { pointerFeedback(platform::pointer::kDefault); }
    void Frame3_MouseMove() { pointerFeedback(platform::pointer::kDefault); }
    void ListView1_MouseMove() { pointerFeedback(platform::pointer::kDefault); }
    void Option1_MouseMove() { pointerFeedback(platform::pointer::kDefault); }
    void Option2_MouseMove() { pointerFeedback(platform::pointer::kDefault); }
    void Text1_MouseMove() { pointerFeedback(platform::pointer::kDefault); }
    void Text2_MouseMove() { pointerFeedback(platform::pointer::kDefault); }
    void PushButton_MouseMove() { pointerFeedback(platform::pointer::kHand); }
    void pointerFeedback(int value);

    QCursor cursorForPointer(int value) const;
    void applyPointer();
    // The control of the window's design that holds widget (a list's viewport belongs to the
    // list), or nullptr for the window's bare background.
    QWidget* designControlOf(QWidget* widget) const;

    // Shows the current row (else the first) in the preview once the events now queued have
    // run, so that a Find that fills the list row by row reads the workbook once.
    void schedulePreview();
    void showPreviewRow();
    void listContextMenu(const QPoint& position);

    void addListColumn(const QString& header);
    void setListColumnWidth(int column, int twips);
    void setOption(QRadioButton* option, bool selected);
    void recolour(QWidget* widget, const QColor& colour);

    platform::Dialogs& m_dialogs;
    platform::Files& m_files;
    platform::Clock& m_clock;
    platform::Events& m_events;
    platform::StepRunner m_runner;

    QGroupBox* m_frame1 = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QGroupBox* m_frame3 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QPushButton* m_pushButtons[10] = {};  // by number; there is no PushButton8
    QTreeWidget* m_listView1 = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
    SkinFramework m_skinFramework1;

    int m_mousePointer = platform::pointer::kDefault;
    std::optional<QCursor> m_mouseIcon;
    // Each widget's own cursor as built (a text box's I-beam), restored by pointer 0.
    QHash<QWidget*, std::optional<QCursor>> m_ownCursors;
    // The controls whose mouse moves are handled, and those that deliberately have no handler.
    QHash<QWidget*, void (Form1::*)()> m_pointerHandlers;
    QList<QWidget*> m_unhandledControls;

    bool m_endRequested = false;

    // The command modules.
    std::unique_ptr<charts::ChartCommands> m_chartCommands;
    std::unique_ptr<transfer::CopyRun> m_copyRun;

    std::unique_ptr<ChartPreview> m_preview;
    bool m_previewPending = false;
};

}  // namespace app
