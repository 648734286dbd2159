#pragma once

#include "office/Excel.h"
#include "office/PowerPoint.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace testsupport {

// Small scripted stand-ins for the two automation servers, for tests of the procedures that
// drive them. Both record every call in one shared log, in order, so that a test can check the
// order of the whole conversation ("ppt.create", "ppt.Visible=-1", "excel.create", ...).
//
// The Excel fake knows workbooks by path: each is a list of worksheets with a number of charts.
// Copy puts "<sheet>#<index>" on a shared clipboard. The PowerPoint fake is single-instance,
// keeps presentations as lists of slides, each slide the list of what was pasted on it, and
// pastes the clipboard onto the selected slide of its active window.
struct FakePresentation {
    QString name;
    QList<QStringList> slides;  // per slide, what was pasted on it
    int selected = 0;           // 1-based selected slide of its window, 0 when none
};

struct OfficeWorld {
    struct Sheet {
        QString name;
        int charts = 0;
    };
    QHash<QString, QList<Sheet>> workbooks;  // by path
    QHash<QString, int> presentationFiles;  // existing presentations by path: slide count

    QStringList log;
    QString clipboard;

    // What the PowerPoint fake has open. While it has a presentation open it keeps running
    // (the world holds it), as the real one runs while it has windows.
    QList<FakePresentation> presentations;
    int activeWindow = -1;  // index into presentations
    std::shared_ptr<office::AutomationObject> powerPointRunning;
    std::weak_ptr<office::AutomationObject> lastExcel;  // the last Excel instance created
    int excelCreated = 0;
    int excelQuit = 0;

    // Refusals the test arranges: a call whose log entry starts with one of these fails.
    QStringList refuse;
    // Runs after each log entry; stands in for something happening at that moment.
    std::function<void(const QString& entry)> onCall;

    // Records the call, then fails it (AutomationError) when an entry of refuse starts it.
    void record(const QString& entry);
    // Indices into log of the first entry starting with prefix, -1 if none.
    int indexOf(const QString& prefix) const;
    QStringList entriesStartingWith(const QString& prefix) const;
};

// Registers both fakes under their program identifiers, replacing what is registered. Every
// "Excel.Application" creation makes a new instance (published as running until Quit);
// "PowerPoint.Application" returns the running one while it runs. The world must outlive the
// registrations; call office::ServerRegistry::instance().reset() when done.
void registerFakeOffice(OfficeWorld& world);

// A running object that is neither fake, with the name given: something else that calls
// itself by that name, published under progId. Keep the returned object alive to keep it
// "running".
std::shared_ptr<office::AutomationObject> publishImpostor(const QString& progId,
                                                          const QString& name);

}  // namespace testsupport
