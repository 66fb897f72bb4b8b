#include "platform/eventstore/EventStore.h"

#include <mutex>
#include <stdexcept>

namespace qm {

namespace {
std::mutex factoryMutex;
EventStore::Factory installedFactory;
}  // namespace

std::unique_ptr<EventStore> EventStore::make()
{
    Factory factory;
    {
        std::lock_guard lock(factoryMutex);
        factory = installedFactory;
    }
    if (!factory) {
        throw std::logic_error("EventStore::make(): no event store factory was installed");
    }
    return factory();
}

void EventStore::setFactory(Factory factory)
{
    std::lock_guard lock(factoryMutex);
    installedFactory = std::move(factory);
}

}  // namespace qm
