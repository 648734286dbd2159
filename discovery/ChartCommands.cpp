#include "ChartCommands.h"

#include "platform/ChartList.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/FormControls.h"
#include "platform/Services.h"

#include <QLineEdit>
#include <memory>

namespace charts {

namespace {

using platform::kEnd;
using platform::kNext;

constexpr const char* kPushButton1 = "in Ostrivane2021/08/31.Form1.PushButton1_Click ";
constexpr const char* kPushButton4 = "in Ostrivane2021/08/31.Form1.PushButton4_Click ";
constexpr const char* kPushButton5 = "in Ostrivane2021/08/31.Form1.PushButton5_Click ";
constexpr const char* kPushButton6 = "in Ostrivane2021/08/31.Form1.PushButton6_Click ";
constexpr const char* kPushButton7 = "in Ostrivane2021/08/31.Form1.PushButton7_Click ";
constexpr const char* kPushButton9 = "in Ostrivane2021/08/31.Form1.PushButton9_Click ";

QLineEdit& text1(platform::FormControls& controls) {
    QLineEdit* box = controls.Text1();
    if (!box) throw platform::Failure(platform::runtime::kObjectNotSet);
    return *box;
}

// The file dialog's properties as the browse command sets them before showing it.
struct OpenDialog {
    QString fileName;
    QString title;
    QString filter;
};

}  // namespace

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' ')) ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

ChartCommands::ChartCommands(platform::FormControls& controls, platform::Dialogs& dialogs,
                             platform::Files& files, const platform::StepRunner& runner)
    : m_controls(controls),
      m_dialogs(dialogs),
      m_files(files),
      m_runner(runner),
      m_excel1(controls, dialogs, runner) {}

void ChartCommands::PushButton1_Click() { m_runner.run(pushButton1Procedure()); }
void ChartCommands::PushButton4_Click() { m_runner.run(pushButton4Procedure()); }
void ChartCommands::PushButton5_Click() { m_runner.run(pushButton5Procedure()); }
void ChartCommands::PushButton6_Click() { m_runner.run(pushButton6Procedure()); }
void ChartCommands::PushButton7_Click() { m_runner.run(pushButton7Procedure()); }
void ChartCommands::PushButton9_Click() { m_runner.run(pushButton9Procedure()); }

platform::Procedure ChartCommands::pushButton1Procedure() {
    auto dialog = std::make_shared<OpenDialog>();
    platform::FormControls& controls = m_controls;
    platform::Dialogs& dialogs = m_dialogs;
    return {QString::fromLatin1(kPushButton1),
            {
                {100, [dialog] { dialog->fileName.clear(); return kNext; }},
                {102, [dialog] {
                     dialog->title = QString::fromLatin1(kBrowseTitle);
                     return kNext;
                 }},
                {104, [dialog] {
                     dialog->filter = QString::fromLatin1(kExcelFilter);
                     return kNext;
                 }},
                {106, [dialog, &dialogs] {
                     dialog->fileName =
                         dialogs.openFileName(dialog->title, dialog->filter, dialog->fileName);
                     return kNext;
                 }},
                {108, [dialog] { return dialog->fileName.isEmpty() ? kEnd : kNext; }},
                {110, [dialog, &controls] {
                     text1(controls).setText(dialog->fileName);
                     return kNext;
                 }},
            }};
}

platform::Procedure ChartCommands::pushButton4Procedure() {
    platform::FormControls& controls = m_controls;
    platform::Files& files = m_files;
    Excel1& excel1 = m_excel1;
    return {QString::fromLatin1(kPushButton4),
            {
                // While the hourglass shows another run is under way and its rows stay; the
                // rows found now are added after them.
                {100, [&controls] {
                     if (controls.MousePointer() != platform::pointer::kHourglass) {
                         platform::ChartList(controls.ListView1()).clear();
                     }
                     return kNext;
                 }},
                {102, [&controls] {
                     return trimBlanks(text1(controls).text()).isEmpty() ? kEnd : kNext;
                 }},
                // The box is matched as a file-name pattern, untrimmed: wildcards count, and
                // only plain, non-hidden files match.
                {104, [&controls, &files] {
                     return files.countMatchingFiles(text1(controls).text()) == 0 ? kEnd : kNext;
                 }},
                {106, [&controls, &excel1] {
                     excel1.ExtractChartByFile(text1(controls).text());
                     return kNext;
                 }},
            }};
}

platform::Procedure ChartCommands::pushButton5Procedure() {
    platform::FormControls& controls = m_controls;
    platform::Files& files = m_files;
    return {QString::fromLatin1(kPushButton5),
            {
                {100, [&controls, &files] {
                     text1(controls).setText(files.programFile(QString::fromLatin1(kSampleWorkbook)));
                     return kNext;
                 }},
            }};
}

platform::Procedure ChartCommands::pushButton6Procedure() {
    platform::FormControls& controls = m_controls;
    return {QString::fromLatin1(kPushButton6),
            {
                {100, [&controls] {
                     text1(controls).clear();
                     return kNext;
                 }},
            }};
}

platform::Procedure ChartCommands::pushButton7Procedure() {
    return setAllChecks(kPushButton7, false);
}

platform::Procedure ChartCommands::pushButton9Procedure() {
    return setAllChecks(kPushButton9, true);
}

platform::Procedure ChartCommands::setAllChecks(const char* location, bool on) {
    struct Loop {
        int position = 0;
        int count = 0;
    };
    auto loop = std::make_shared<Loop>();
    platform::FormControls& controls = m_controls;
    auto list = [&controls] { return platform::ChartList(controls.ListView1()); };
    return {QString::fromLatin1(location),
            {
                // The row count is read once; a failed start runs the body once with no rows,
                // and the advance then ends the loop.
                {100, [loop, list] {
                     loop->position = 1;
                     loop->count = 0;
                     loop->count = list().count();
                     return loop->position <= loop->count ? kNext : kEnd;
                 }},
                {102, [loop, list, on] {
                     list().setChecked(loop->position, on);
                     return kNext;
                 }},
                {104, [loop] {
                     ++loop->position;
                     return loop->position <= loop->count ? 102 : kEnd;
                 }},
            }};
}

}  // namespace charts
