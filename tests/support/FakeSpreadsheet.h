#pragma once

#include "office/Excel.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace testsupport {

// One worksheet of a scripted workbook: its name and the names its charts report
// (Chart.Name), in the order of its ChartObjects collection.
struct FakeSheet {
    FakeSheet(QString sheetName, QStringList chartNames = {});
    // chartCount charts named as the spreadsheet application names a sheet's embedded charts:
    // "<sheet> Chart 1", "<sheet> Chart 2", ...
    FakeSheet(QString sheetName, int chartCount);

    QString name;
    QStringList charts;
};

// A scripted spreadsheet application, standing in for "Excel.Application" in the tests of the
// procedures that drive one (chart discovery, the copy run).
//
// The test describes workbooks by path and may change them at any time, also while a
// procedure runs (from onCall). Every instance the factory makes has its own state: the
// workbook it opened (its ActiveWorkbook), its DisplayAlerts, whether it quit. Objects are
// bound as the real ones are: a workbook object to its workbook, a worksheet to its place in
// that workbook, so that a reference kept across a step sees what a kept reference would.
// After Quit every call on the instance's objects fails with "Object variable not set".
//
// Each call has a key, by which a test makes it fail and by which onCall sees it:
// application calls by their own name ("create", "Workbooks", "Open", "ActiveWorkbook",
// "DisplayAlerts=", "Quit"), collection calls by collection ("Worksheets.Count",
// "Worksheets.Item(2)", "Worksheets.Item(\"Sales\")"), and calls below a worksheet by the
// position reached ("sheet 2/Name", "sheet 2/ChartObjects.Count", "sheet 1/chart 3/Chart.Name",
// "sheet 1/chart 3/Copy"). A sheet reached by name is keyed by its position too.
//
// What the procedures did is kept as the user would see its effects: the workbooks opened,
// the charts copied, the instances made and how they ended.
class FakeSpreadsheet {
public:
    // The state of one instance.
    struct Instance {
        QString activePath;  // the workbook Open opened; empty before
        bool alerts = true;
        bool alertsWhenOpened = true;  // DisplayAlerts while the last Open ran
        bool quit = false;
        bool alertsWhenQuit = true;
    };

    FakeSpreadsheet() = default;
    FakeSpreadsheet(const FakeSpreadsheet&) = delete;
    FakeSpreadsheet& operator=(const FakeSpreadsheet&) = delete;
    virtual ~FakeSpreadsheet() = default;

    // Registers the factory under "Excel.Application", replacing what is registered. Each
    // instance is published as running from its creation until Quit. This object must outlive
    // the registration and every object the instances hand out.
    void registerServer();
    void unregisterServer();

    // ---- what the test arranges ----
    QHash<QString, QList<FakeSheet>> workbooks;  // by path, exactly as given
    QHash<QString, QString> failures;             // call key -> description of the refusal
    // Runs on every call with its key, before the call answers (and before a scripted
    // failure): stands in for something happening at that moment.
    std::function<void(const QString& key)> onCall;
    // When set, every call is also appended to it as "excel.<key>", so that a test can place
    // it against another server's calls.
    QStringList* timeline = nullptr;

    // ---- what happened ----
    QList<std::shared_ptr<const Instance>> instances;  // every instance made, in order
    std::weak_ptr<office::ExcelApplication> lastApplication;
    QStringList openedPaths;  // every path Open was asked for, in order
    QStringList copied;       // every chart Copy put on the clipboard, as "<sheet>#<position>"
    QString clipboard;        // what the last Copy put there
    QStringList calls;        // every call key, in order

    int created() const { return int(instances.size()); }
    int quits() const;
    // Whether every instance made has quit (true when none was made).
    bool allQuit() const { return quits() == created(); }

    // Records a call of instance on key: logs it, runs the hook, then fails as the instance
    // has quit or as the test scripted it.
    void call(const Instance& instance, const QString& key);

private:
    bool m_registered = false;
};

// A FakeSpreadsheet registered for as long as it lives.
class ScopedFakeSpreadsheet : public FakeSpreadsheet {
public:
    ScopedFakeSpreadsheet() { registerServer(); }
    ~ScopedFakeSpreadsheet() override { unregisterServer(); }
};

}  // namespace testsupport
