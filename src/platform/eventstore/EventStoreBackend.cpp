#include "platform/eventstore/EventStoreBackend.h"

#include <stdexcept>

#include "platform/eventstore/BackendEventStore.h"

namespace qm {

std::unique_ptr<EventStore> EventStoreBackend::makeStore()
{
    return std::make_unique<BackendEventStore>(shared_from_this());
}

EventStore::Factory EventStoreBackend::factory()
{
    return [weak = weak_from_this()]() -> std::unique_ptr<EventStore> {
        const auto backend = weak.lock();
        if (!backend) {
            throw std::logic_error("EventStoreBackend: the backend behind this factory is gone");
        }
        return backend->makeStore();
    };
}

}  // namespace qm
