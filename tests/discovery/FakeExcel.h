#pragma once

#include "office/Excel.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace chartstest {

// A scripted spreadsheet application for the discovery tests. Workbooks are described by the
// test (worksheets in order, each with its chart names); every member call is written to a log
// ("ActiveWorkbook", "Worksheets", "Item(2)", "ChartObjects", "Count", "Name", ...), and any
// call can be made to fail by naming it in `failures` with the description to throw. A call's
// key is its log entry prefixed by the position it was reached through, for example
// "sheet 2/ChartObjects.Count" or "sheet 1/chart 3/Chart.Name"; application-level calls are
// keyed by their own name ("Open", "Quit", "DisplayAlerts=", "Worksheets.Count").
struct FakeSheet {
    QString name;
    QStringList charts;  // names as Chart.Name reports them
};

struct FakeExcelState {
    QHash<QString, QList<FakeSheet>> workbooks;  // by path, exactly as given
    QHash<QString, QString> failures;             // call key -> description
    QStringList log;                              // every call, in order
    QStringList openedPaths;
    int created = 0;
    bool quit = false;
    bool displayAlerts = true;
    QString activePath;  // empty until a workbook opened
    // Runs on every call with its key, before the call answers.
    std::function<void(const QString& key)> onCall;
};

class FakeExcelApplication : public office::ExcelApplication {
public:
    explicit FakeExcelApplication(std::shared_ptr<FakeExcelState> state)
        : m_state(std::move(state)) {}

    QString Name() override;
    std::shared_ptr<office::ExcelWorkbooks> Workbooks() override;
    std::shared_ptr<office::ExcelWorkbook> ActiveWorkbook() override;
    bool DisplayAlerts() override;
    void setDisplayAlerts(bool on) override;
    bool Visible() override;
    void Quit() override;

private:
    std::shared_ptr<FakeExcelState> m_state;
};

// Registers a factory for "Excel.Application" that makes FakeExcelApplications over state;
// unregisters it again when destroyed.
class FakeExcelServer {
public:
    FakeExcelServer();
    ~FakeExcelServer();

    std::shared_ptr<FakeExcelState> state = std::make_shared<FakeExcelState>();
};

// Records a call: logs it, runs the hook, throws the scripted failure for key if there is one,
// and fails with "Object variable not set" after Quit, as every object of a quit instance does.
void fakeCall(FakeExcelState& state, const QString& key);

}  // namespace chartstest
