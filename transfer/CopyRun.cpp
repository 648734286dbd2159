#include "CopyRun.h"

#include "office/RunningChecks.h"
#include "office/ServerRegistry.h"
#include "platform/Clipboard.h"
#include "platform/ChartList.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/FormControls.h"
#include "platform/Services.h"
#include "transfer/Conversions.h"
#include "transfer/Main.h"
#include "transfer/ProgressText.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <cfenv>
#include <cmath>

namespace transfer {

namespace {

using platform::kEnd;
using platform::kNext;

// A call on an object that the run never obtained (its creation failed and was reported)
// fails as a call on an unset object variable does.
template <typename T>
T& use(T* object) {
    if (!object) throw platform::Failure(platform::runtime::kObjectNotSet);
    return *object;
}

template <typename T>
T& use(const std::shared_ptr<T>& object) {
    return use(object.get());
}

int progressPercent(int row, int rowCount) {
    if (rowCount == 0) throw platform::Failure(QStringLiteral("Division by zero"));
    const double percent = static_cast<double>(row) / rowCount * 100.0;
    // The bar takes whole numbers; the percentage is rounded as every number-to-integer
    // assignment is, halves to even.
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(percent);
    std::fesetround(previous);
    return static_cast<int>(rounded);
}

}  // namespace

CopyRunServices standardCopyRunServices(platform::Dialogs& dialogs) {
    CopyRunServices services;
    services.dialogs = &dialogs;
    services.events = &platform::systemEvents();
    services.fileExists = [](const QString& path) { return FileExists(path); };
    services.fileNameOfPath = [](const QString& path) { return FileNameOfPath(path); };
    services.waitSeconds = [](int seconds) { WaitSeconds(static_cast<float>(seconds)); };
    return services;
}

CopyRun::CopyRun(platform::FormControls& form, CopyRunServices services,
                 const platform::StepRunner& runner)
    : m_form(form), m_services(std::move(services)), m_runner(runner) {}

void CopyRun::PushButton2_Click() {
    // The run's values live here and are released when the handler returns, whether the run
    // ended at line 176 or was stopped because the main window closed during a wait. Nothing
    // after run() touches the window: it may be gone by then.
    Run run;
    // The charts go from the spreadsheet to the presentation on a clipboard of the run's own:
    // the user's clipboard keeps what it held, and a paste never takes what the user copies
    // in another program during a wait.
    platform::PrivateClipboard clipboard;
    const auto steps = procedure(run);
    m_runner.run(steps);
}

platform::Procedure CopyRun::procedure(Run& run) {
    platform::FormControls& form = m_form;
    const CopyRunServices& services = m_services;
    auto message = [&services](const char* text) {
        use(services.dialogs).messageBox(QString::fromLatin1(text), platform::box::kOkOnly, QString());
    };
    auto list = [&form] { return platform::ChartList(form.ListView1()); };

    platform::Procedure procedure{QString::fromLatin1(kPushButton2Location), {}};
    auto add = [&procedure](int line, std::function<int()> action, int onFailure) {
        procedure.steps.push_back({line, std::move(action), onFailure});
    };

    // Input checks, in their fixed order; only the first that fails speaks.
    add(100, [this] { return m_copyInProgress ? kEnd : kNext; }, kNext);
    add(102, [this] { m_copyInProgress = true; return kNext; }, kNext);
    add(104, [list] { return list().count() == 0 ? 174 : kNext; }, 106);
    add(106,
        [&form, &services] {
            // Both sides are evaluated: the path is tested whichever option is selected.
            const bool newPresentation = form.Option1()->isChecked();
            const bool exists = services.fileExists(form.Text2()->text());
            return (!newPresentation && !exists) ? 172 : kNext;
        },
        108);
    add(108, [&form] { return isNumeric(form.Text3()->text()) ? kNext : 170; }, 110);
    add(110,
        [&services] { return office::StopForOpenPowerPoint(use(services.dialogs)) ? 176 : kNext; },
        112);
    add(112, [&services] { return office::StopForOpenExcel(use(services.dialogs)) ? 176 : kNext; },
        114);

    // PowerPoint first and shown; then the hidden Excel with the workbook.
    add(114,
        [&run] {
            run.powerPoint = office::createObject<office::PptApplication>(
                QString::fromLatin1(office::kPowerPointProgId));
            return kNext;
        },
        116);
    add(116, [&run] { use(run.powerPoint).setVisible(office::msoTrue); return kNext; }, 118);
    add(118,
        [&run] {
            run.excel = office::createObject<office::ExcelApplication>(
                QString::fromLatin1(office::kExcelProgId));
            return kNext;
        },
        120);
    add(120,
        [&run, &form] {
            use(use(run.excel).Workbooks()).Open(form.Text1()->text());
            return kNext;
        },
        122);

    // The target: the existing presentation, or a new one.
    add(122, [&form] { return form.Option2()->isChecked() ? 124 : 128; }, 124);
    add(124,
        [&run, &form] {
            use(use(run.powerPoint).Presentations())
                .Open(form.Text2()->text(), office::msoFalse, office::msoFalse, office::msoTrue);
            return kNext;
        },
        126);
    add(126,
        [&run] {
            run.target = use(run.powerPoint).ActivePresentation();
            return 132;
        },
        132);
    add(128, [&form] { return form.Option1()->isChecked() ? 130 : 132; }, 130);
    add(130,
        [&run] {
            run.target = use(use(run.powerPoint).Presentations()).Add(office::msoTrue);
            return kNext;
        },
        132);

    // One pass per row; unchecked rows go straight to the advance.
    add(132,
        [&run, list] {
            run.row = 1;
            run.bound = 0;
            run.bound = toInteger16(static_cast<double>(list().count()));
            return run.row <= run.bound ? kNext : 158;
        },
        134);
    add(134, [&run, list] { return list().checked(run.row) ? kNext : 156; }, 136);
    add(136, [&form] { form.setMousePointer(platform::pointer::kHourglass); return kNext; },
        138);
    add(138,
        [&run, &form, list] {
            form.ProgressBar1()->setValue(progressPercent(run.row, list().count()));
            return kNext;
        },
        140);
    add(140, [&run, list] { run.sheetName = list().sheetName(run.row); return kNext; }, 142);
    add(142,
        [&run, &form, &services] {
            setProgressText(form.ProgressBar1(), QStringLiteral("Processing: ") +
                                                     services.fileNameOfPath(run.sheetName));
            return kNext;
        },
        144);
    add(144, [&services] { use(services.events).processEvents(); return kNext; }, 146);
    add(146,
        [&run, list] {
            const int position = toInteger16(list().chartIndex(run.row));
            auto worksheet =
                use(use(use(run.excel).ActiveWorkbook()).Worksheets()).Item(run.sheetName);
            auto chartObject = use(use(worksheet).ChartObjects()).Item(position);
            use(use(use(chartObject).Chart()).ChartArea()).Copy();
            return kNext;
        },
        // A chart that was not copied gets no slide and no paste, which would otherwise
        // leave a blank slide or paste the previous chart again: the row ends here.
        156);
    // A chart whose own slide could not be added or selected is not pasted: the paste would
    // land on the slide selected before, another chart's or one of the deck's own. A failed
    // add still goes on to the select, which reports its own failure when there is no deck,
    // and the row then ends, as after a failed copy.
    add(148,
        [&run] {
            run.slideAdded = false;
            auto slides = use(run.target).Slides();
            use(slides).Add(use(slides).Count() + 1, office::ppLayoutBlank);
            run.slideAdded = true;
            return kNext;
        },
        150);
    add(150,
        [&run] {
            auto slides = use(run.target).Slides();
            use(use(slides).Item(use(slides).Count())).Select();
            return run.slideAdded ? kNext : 156;
        },
        156);
    add(152,
        [&form, &services] {
            // Read afresh for every chart: a new delay applies from the next wait.
            services.waitSeconds(toInteger16(form.Text3()->text()));
            return kNext;
        },
        154);
    add(154,
        [&run] {
            use(use(use(run.powerPoint).ActiveWindow()).View()).Paste();
            return kNext;
        },
        156);
    add(156,
        [&run] {
            ++run.row;
            return run.row <= run.bound ? 134 : kNext;
        },
        158);

    // Excel goes; PowerPoint stays open with the result, unsaved.
    add(158, [&run] { use(run.excel).setDisplayAlerts(false); return kNext; }, 160);
    add(160, [&run] { use(run.excel).Quit(); return kNext; }, 162);
    add(162, [&form] { form.setMousePointer(platform::pointer::kDefault); return kNext; }, 164);
    add(164, [&form] { form.ProgressBar1()->setValue(0); return kNext; }, 166);
    add(166,
        [&form] {
            setProgressText(form.ProgressBar1(), QStringLiteral("Progress Bar"));
            return kNext;
        },
        168);
    add(168, [message] { message("Done."); return 176; }, 176);
    add(170, [message] { message("Delay must be a number."); return 176; }, 176);
    add(172, [message] { message("PowerPoint file not found."); return 176; }, 176);
    add(174, [message] { message("No charts."); return 176; }, 176);
    add(176,
        [this, &run] {
            m_copyInProgress = false;
            run.target.reset();
            run.excel.reset();
            run.powerPoint.reset();
            run.sheetName.clear();
            return kEnd;
        },
        kEnd);
    return procedure;
}

}  // namespace transfer
