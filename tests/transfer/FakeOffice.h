#pragma once

#include "office/PowerPoint.h"
#include "tests/support/FakeSpreadsheet.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace testsupport {

// A small scripted PowerPoint beside the scripted spreadsheet application, for tests of the
// procedures that drive both. The spreadsheet's Copy puts "<sheet>#<position>" on its
// clipboard; the PowerPoint fake is single-instance, keeps presentations as lists of slides,
// each slide the list of what was pasted on it, and pastes that clipboard onto the selected
// slide of its active window. Both servers append their calls to one timeline (log), so that
// a test can check an order that matters ("the workbook is quit after the last paste").
struct FakePresentation {
    QString name;
    QList<QStringList> slides;  // per slide, what was pasted on it
    int selected = 0;           // 1-based selected slide of its window, 0 when none
    bool readOnly = false;      // as Open was asked to open it
    bool withWindow = true;
};

struct OfficeWorld {
    FakeSpreadsheet spreadsheet;
    QHash<QString, int> presentationFiles;  // existing presentations by path: slide count

    // Every PowerPoint call ("ppt.create", "ppt.Visible=-1", "slides.Add(3,12)", "paste"), the
    // spreadsheet's calls as "excel.<key>", and whatever the test adds, in order.
    QStringList log;

    // What the PowerPoint fake has open. While it has a presentation open it keeps running
    // (the world holds it), as the real one runs while it has windows.
    QList<FakePresentation> presentations;
    int activeWindow = -1;  // index into presentations
    int powerPointVisible = office::msoFalse;
    std::shared_ptr<office::AutomationObject> powerPointRunning;

    // Refusals the test arranges for PowerPoint: a call whose log entry starts with one of
    // these fails. (The spreadsheet's are scripted in spreadsheet.failures.)
    QStringList refuse;
    // Runs after each PowerPoint log entry; stands in for something happening at that moment.
    std::function<void(const QString& entry)> onCall;

    // Records the call, then fails it (AutomationError) when an entry of refuse starts it.
    void record(const QString& entry);
    // Index into log of the first (last) entry starting with prefix, -1 if none.
    int indexOf(const QString& prefix) const;
    int lastIndexOf(const QString& prefix) const;
    QStringList entriesStartingWith(const QString& prefix) const;
};

// Registers both fakes under their program identifiers, replacing what is registered. Every
// "Excel.Application" creation makes a new spreadsheet instance (published as running until
// Quit); "PowerPoint.Application" returns the running one while it runs. The world must outlive the
// registrations; call office::ServerRegistry::instance().reset() when done.
void registerFakeOffice(OfficeWorld& world);

// A running object that is neither fake, with the name given: something else that calls
// itself by that name, published under progId. Keep the returned object alive to keep it
// "running".
std::shared_ptr<office::AutomationObject> publishImpostor(const QString& progId,
                                                          const QString& name);

}  // namespace testsupport
