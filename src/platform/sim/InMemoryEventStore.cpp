#include "platform/sim/InMemoryEventStore.h"

namespace qm {

InMemoryEventStore::InMemoryEventStore(std::shared_ptr<InMemoryEventStoreBackend> backend)
    : backend_(std::move(backend))
{
}

EventStoreAuthorizationStatus InMemoryEventStore::authorizationStatus(EventStoreEntityType type) const
{
    return backend_->authorizationStatus(type);
}

bool InMemoryEventStore::supportsFullAccessRequests() const
{
    return backend_->supportsFullAccessRequests();
}

void InMemoryEventStore::requestFullAccessToEvents(AccessCompletion completion)
{
    backend_->requestAccess(EventStoreEntityType::event, true, std::move(completion));
}

void InMemoryEventStore::requestFullAccessToReminders(AccessCompletion completion)
{
    backend_->requestAccess(EventStoreEntityType::reminder, true, std::move(completion));
}

void InMemoryEventStore::requestAccess(EventStoreEntityType type, AccessCompletion completion)
{
    backend_->requestAccess(type, false, std::move(completion));
}

std::optional<EventStoreCalendar> InMemoryEventStore::defaultCalendarForNewEvents() const
{
    return backend_->defaultCalendar(EventStoreEntityType::event);
}

std::optional<EventStoreCalendar> InMemoryEventStore::defaultCalendarForNewReminders() const
{
    return backend_->defaultCalendar(EventStoreEntityType::reminder);
}

std::optional<PlatformError> InMemoryEventStore::saveReminder(Reminder& reminder)
{
    return backend_->saveReminder(reminder);
}

std::optional<PlatformError> InMemoryEventStore::saveEvent(CalendarEvent& event)
{
    return backend_->saveEvent(event);
}

std::vector<Reminder> InMemoryEventStore::fetchReminders() const
{
    return backend_->fetchReminders();
}

std::vector<CalendarEvent> InMemoryEventStore::fetchEvents(double start, double end) const
{
    return backend_->fetchEvents(start, end);
}

}  // namespace qm
