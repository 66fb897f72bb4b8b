#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "base/PlatformError.h"
#include "platform/eventstore/EventStore.h"

namespace qm {

// The data and the access decisions that every store of one process shares:
// the vdir collections on Linux, an in-memory database in the stand-in. The
// stores it makes (BackendEventStore) hand each operation to it and keep it
// alive.
//
// Build one with std::make_shared.
class EventStoreBackend : public std::enable_shared_from_this<EventStoreBackend> {
public:
    using EntityType = EventStoreEntityType;
    using Status = EventStoreAuthorizationStatus;

    virtual ~EventStoreBackend() = default;

    std::unique_ptr<EventStore> makeStore();
    // Makes stores of this backend while it lives; afterwards it throws std::logic_error.
    EventStore::Factory factory();

    // The operations of the stores (see EventStore).
    virtual Status authorizationStatus(EntityType type) const = 0;
    virtual bool supportsFullAccessRequests() const = 0;
    // `fullAccessRequest`: asked as full access (macOS 14 on) rather than as the older request.
    virtual void requestAccess(EntityType type, bool fullAccessRequest,
                               EventStore::AccessCompletion completion) = 0;
    virtual std::optional<EventStoreCalendar> defaultCalendar(EntityType type) const = 0;
    virtual std::optional<PlatformError> saveReminder(Reminder& reminder) = 0;
    virtual std::optional<PlatformError> saveEvent(CalendarEvent& event) = 0;
    virtual std::vector<Reminder> fetchReminders() const = 0;
    virtual std::vector<CalendarEvent> fetchEvents(double start, double end) const = 0;

protected:
    // This backend as the derived type, for completions that must not keep it alive.
    template <class Derived> std::weak_ptr<Derived> weakAs()
    {
        return std::static_pointer_cast<Derived>(shared_from_this());
    }
};

}  // namespace qm
