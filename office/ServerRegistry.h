#pragma once

#include "office/Automation.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>

namespace office {

// The program's registry of automation servers, standing in for the system's: program
// identifiers map to factories, and a table of running objects holds what each server
// publishes while it runs (Excel from creation until Quit; PowerPoint until its last
// presentation window closes). Servers register themselves at start-up; tests may register
// refusing or fake factories in their place.
//
// One registry per process (instance()); it lives on the user-interface thread.
class ServerRegistry {
public:
    using Factory = std::function<std::shared_ptr<AutomationObject>()>;

    static ServerRegistry& instance();

    // Replaces any factory already registered under progId.
    void registerServer(const QString& progId, Factory factory);
    void unregisterServer(const QString& progId);

    // A new object from progId's factory. Fails with "ActiveX component can't create object"
    // when nothing is registered, or with the factory's own failure.
    std::shared_ptr<AutomationObject> create(const QString& progId);

    // The running object published under progId. Fails with "ActiveX component can't create
    // object" when none runs. The table holds objects weakly: an object nobody holds is gone.
    std::shared_ptr<AutomationObject> getRunning(const QString& progId);

    // Servers publish and withdraw themselves. publish keeps only a weak reference.
    void publishRunning(const QString& progId, const std::shared_ptr<AutomationObject>& object);
    void withdrawRunning(const QString& progId, const AutomationObject* object);
    bool isRunning(const QString& progId);

    // Forgets every factory and running entry (tests only).
    void reset();

private:
    QHash<QString, Factory> m_factories;
    QHash<QString, std::weak_ptr<AutomationObject>> m_running;
};

// Typed creation: the object from progId cast to T; fails as create() does, and with "Type
// mismatch" when the object is not a T.
template <typename T>
std::shared_ptr<T> createObject(const QString& progId) {
    auto object = std::dynamic_pointer_cast<T>(ServerRegistry::instance().create(progId));
    if (!object) throw AutomationError(platform::runtime::kTypeMismatch);
    return object;
}

}  // namespace office
