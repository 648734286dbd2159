#include "ServerRegistry.h"

namespace office {

namespace {
const char* const kCannotCreate = "ActiveX component can't create object";
}

ServerRegistry& ServerRegistry::instance() {
    static ServerRegistry registry;
    return registry;
}

void ServerRegistry::registerServer(const QString& progId, Factory factory) {
    m_factories.insert(progId.toLower(), std::move(factory));
}

void ServerRegistry::unregisterServer(const QString& progId) {
    m_factories.remove(progId.toLower());
}

std::shared_ptr<AutomationObject> ServerRegistry::create(const QString& progId) {
    auto it = m_factories.constFind(progId.toLower());
    if (it == m_factories.constEnd() || !*it) throw AutomationError(kCannotCreate);
    auto object = (*it)();
    if (!object) throw AutomationError(kCannotCreate);
    return object;
}

std::shared_ptr<AutomationObject> ServerRegistry::getRunning(const QString& progId) {
    auto object = m_running.value(progId.toLower()).lock();
    if (!object) throw AutomationError(kCannotCreate);
    return object;
}

void ServerRegistry::publishRunning(const QString& progId,
                                    const std::shared_ptr<AutomationObject>& object) {
    m_running.insert(progId.toLower(), object);
}

void ServerRegistry::withdrawRunning(const QString& progId, const AutomationObject* object) {
    auto key = progId.toLower();
    auto it = m_running.find(key);
    if (it == m_running.end()) return;
    auto current = it->lock();
    if (!current || current.get() == object) m_running.erase(it);
}

bool ServerRegistry::isRunning(const QString& progId) {
    return !m_running.value(progId.toLower()).expired();
}

void ServerRegistry::reset() {
    m_factories.clear();
    m_running.clear();
}

}  // namespace office
