#include "Excel1.h"

#include "office/Excel.h"
#include "office/ServerRegistry.h"
#include "platform/ChartList.h"
#include "platform/Dialogs.h"
#include "platform/Failure.h"
#include "platform/FormControls.h"

#include <memory>

namespace charts {

namespace {

using platform::kEnd;
using platform::kNext;

// An object reference that the automation layer handed back empty is a missing object, as a
// reference that was never set.
template <typename T>
T& deref(const std::shared_ptr<T>& object) {
    if (!object) throw platform::Failure(platform::runtime::kObjectNotSet);
    return *object;
}

// The variables of one discovery run. Only the application object is held across steps;
// workbook, worksheet and chart object are reached afresh from it on every access.
struct Discovery {
    QString path;
    std::shared_ptr<office::ExcelApplication> excel;
    bool found = false;
    bool opened = false;  // whether Open at line 106 succeeded
    int sheetNumber = 0;
    int sheetCount = 0;
    int chartCount = 0;
    int chartNumber = 0;
    int row = 0;  // position of the row this pass of the chart loop added; 0 when none

    office::ExcelApplication& application() const { return deref(excel); }

    // Each returns the owning reference: a reference into an object whose last owner was a
    // temporary would outlive it.
    std::shared_ptr<office::ExcelWorksheets> worksheets() const {
        auto sheets = deref(application().ActiveWorkbook()).Worksheets();
        deref(sheets);
        return sheets;
    }

    std::shared_ptr<office::ExcelWorksheet> worksheet() const {
        auto sheet = deref(worksheets()).Item(sheetNumber);
        deref(sheet);
        return sheet;
    }

    int currentRow() const {
        if (row == 0) throw platform::Failure(platform::runtime::kObjectNotSet);
        return row;
    }
};

}  // namespace

Excel1::Excel1(platform::FormControls& controls, platform::Dialogs& dialogs,
               const platform::StepRunner& runner)
    : m_controls(controls), m_dialogs(dialogs), m_runner(runner) {}

void Excel1::ExtractChartByFile(const QString& path) {
    m_runner.run(extractChartByFileProcedure(path));
}

platform::Procedure Excel1::extractChartByFileProcedure(const QString& path) {
    auto run = std::make_shared<Discovery>();
    run->path = path;
    platform::FormControls& controls = m_controls;
    platform::Dialogs& dialogs = m_dialogs;
    auto list = [&controls] { return platform::ChartList(controls.ListView1()); };

    platform::Procedure procedure;
    procedure.location = QString::fromLatin1(kLocation);
    procedure.steps = {
        {100, [run] { run->found = false; return kNext; }},
        {102, [&controls] {
             controls.setMousePointer(platform::pointer::kHourglass);
             return kNext;
         }},
        {104, [run] {
             run->excel = office::createObject<office::ExcelApplication>(
                 QString::fromLatin1(office::kExcelProgId));
             return kNext;
         }},
        {106, [run] {
             deref(run->application().Workbooks()).Open(run->path);
             run->opened = true;
             return kNext;
         }},
        // Without a readable sheet count there is nothing to loop over: the run goes on after
        // the sheet loop. When the workbook did not open, its report at line 106 already says
        // why, so the loop is passed over without a second report that there is no workbook.
        {108, [run] {
             run->sheetCount = 0;
             if (!run->opened) return 138;
             run->sheetCount = deref(run->worksheets()).Count();
             run->sheetNumber = 1;
             return run->sheetNumber <= run->sheetCount ? kNext : 138;
         }, 138},
        // A chart count that cannot be read counts as none, so the sheet is passed over
        // instead of being walked with the previous sheet's count.
        {116, [run] {
             run->chartCount = 0;
             run->chartCount = deref(deref(run->worksheet()).ChartObjects()).Count();
             return kNext;
         }},
        {118, [run] {
             if (run->chartCount > 0) run->found = true;
             return kNext;
         }},
        {120, [run] { return run->chartCount != 0 ? kNext : 136; }},
        {122, [run] {
             run->chartNumber = 1;
             return run->chartNumber <= run->chartCount ? kNext : 136;
         }},
        // The row's cells are written only into the row this pass added: when the sheet's name
        // could not be read no row was added, and the earlier rows stay as they are.
        {124, [run, list] {
             run->row = 0;
             const QString sheetName = deref(run->worksheet()).Name();
             run->row = list().append(sheetName);
             return kNext;
         }},
        {126, [run, list] {
             const int row = run->currentRow();
             const QString chartName =
                 deref(deref(deref(deref(run->worksheet()).ChartObjects()).Item(run->chartNumber))
                           .Chart())
                     .Name();
             list().setChartName(row, chartName);
             return kNext;
         }},
        {128, [run, list] {
             list().setChartIndex(run->currentRow(), QString::number(run->chartNumber));
             return kNext;
         }},
        {130, [run, list] {
             list().setChecked(run->currentRow(), true);
             return kNext;
         }},
        {132, [run, list] {
             list().scrollTo(run->currentRow());
             return kNext;
         }},
        {134, [run] {
             ++run->chartNumber;
             return run->chartNumber <= run->chartCount ? 124 : kNext;
         }},
        {136, [run] {
             ++run->sheetNumber;
             return run->sheetNumber <= run->sheetCount ? 116 : kNext;
         }},
        {138, [run] {
             run->application().setDisplayAlerts(false);
             return kNext;
         }},
        {140, [run] {
             run->application().Quit();
             return kNext;
         }},
        {142, [&controls] {
             controls.setMousePointer(platform::pointer::kDefault);
             return kNext;
         }},
        {144, [run] { return run->found ? kEnd : kNext; }},
        {146, [&dialogs] {
             dialogs.messageBox(QString::fromLatin1(kNoChartsMessage), platform::box::kOkOnly,
                                QString());
             return kNext;
         }},
    };
    return procedure;
}

}  // namespace charts
