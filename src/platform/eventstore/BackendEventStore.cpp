#include "platform/eventstore/BackendEventStore.h"

namespace qm {

BackendEventStore::BackendEventStore(std::shared_ptr<EventStoreBackend> backend)
    : backend_(std::move(backend))
{
}

EventStoreAuthorizationStatus BackendEventStore::authorizationStatus(EventStoreEntityType type) const
{
    return backend_->authorizationStatus(type);
}

bool BackendEventStore::supportsFullAccessRequests() const
{
    return backend_->supportsFullAccessRequests();
}

void BackendEventStore::requestFullAccessToEvents(AccessCompletion completion)
{
    backend_->requestAccess(EventStoreEntityType::event, true, std::move(completion));
}

void BackendEventStore::requestFullAccessToReminders(AccessCompletion completion)
{
    backend_->requestAccess(EventStoreEntityType::reminder, true, std::move(completion));
}

void BackendEventStore::requestAccess(EventStoreEntityType type, AccessCompletion completion)
{
    backend_->requestAccess(type, false, std::move(completion));
}

std::optional<EventStoreCalendar> BackendEventStore::defaultCalendarForNewEvents() const
{
    return backend_->defaultCalendar(EventStoreEntityType::event);
}

std::optional<EventStoreCalendar> BackendEventStore::defaultCalendarForNewReminders() const
{
    return backend_->defaultCalendar(EventStoreEntityType::reminder);
}

std::optional<PlatformError> BackendEventStore::saveReminder(Reminder& reminder)
{
    return backend_->saveReminder(reminder);
}

std::optional<PlatformError> BackendEventStore::saveEvent(CalendarEvent& event)
{
    return backend_->saveEvent(event);
}

std::vector<Reminder> BackendEventStore::fetchReminders() const
{
    return backend_->fetchReminders();
}

std::vector<CalendarEvent> BackendEventStore::fetchEvents(double start, double end) const
{
    return backend_->fetchEvents(start, end);
}

}  // namespace qm
