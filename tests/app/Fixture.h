#pragma once

// A main window on scripted dialogs and services, with a stand-in Excel registered so that
// start-up's presence test passes unless a test takes it away.

#include "app/Form1.h"
#include "office/Excel.h"
#include "office/ServerRegistry.h"
#include "platform/Shutdown.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TestSettings.h"

#include <memory>

namespace apptest {

class PresentExcel : public office::AutomationObject {
public:
    QString Name() override { return QString::fromLatin1(office::kExcelName); }
};

inline void registerExcel() {
    office::ServerRegistry::instance().registerServer(
        QString::fromLatin1(office::kExcelProgId),
        [] { return std::make_shared<PresentExcel>(); });
}

inline void unregisterExcel() {
    office::ServerRegistry::instance().unregisterServer(QString::fromLatin1(office::kExcelProgId));
}

struct Fixture {
    testsupport::FakeDialogs dialogs;
    testsupport::FakeFiles files;
    testsupport::FakeClock clock{43200.0};
    testsupport::FakeEvents events{&clock};
    std::unique_ptr<app::Form1> form;

    Fixture() {
        testsupport::useEmptyTestSettings();
        platform::resetMainWindowClosedForTests();
        registerExcel();
        form = std::make_unique<app::Form1>(dialogs, files, clock, events);
    }
    ~Fixture() { platform::resetMainWindowClosedForTests(); }

    template <typename T>
    T* control(const char* name) {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
};

}  // namespace apptest
