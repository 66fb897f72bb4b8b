#include "platform/sim/eventstore/SimEventStore.h"

namespace qm {

SimEventStore::SimEventStore(std::shared_ptr<SimEventStoreBackend> backend) : backend_(std::move(backend)) {}

EventStoreAuthorizationStatus SimEventStore::authorizationStatus(EventStoreEntityType type) const
{
    return backend_->authorizationStatus(type);
}

bool SimEventStore::supportsFullAccessRequests() const
{
    return backend_->supportsFullAccessRequests();
}

void SimEventStore::requestFullAccessToEvents(AccessCompletion completion)
{
    backend_->requestAccess(EventStoreEntityType::event, true, std::move(completion));
}

void SimEventStore::requestFullAccessToReminders(AccessCompletion completion)
{
    backend_->requestAccess(EventStoreEntityType::reminder, true, std::move(completion));
}

void SimEventStore::requestAccess(EventStoreEntityType type, AccessCompletion completion)
{
    backend_->requestAccess(type, false, std::move(completion));
}

std::optional<EventStoreCalendar> SimEventStore::defaultCalendarForNewEvents() const
{
    return backend_->defaultCalendar(EventStoreEntityType::event);
}

std::optional<EventStoreCalendar> SimEventStore::defaultCalendarForNewReminders() const
{
    return backend_->defaultCalendar(EventStoreEntityType::reminder);
}

std::optional<PlatformError> SimEventStore::saveReminder(Reminder& reminder)
{
    return backend_->saveReminder(reminder);
}

std::optional<PlatformError> SimEventStore::saveEvent(CalendarEvent& event)
{
    return backend_->saveEvent(event);
}

std::vector<Reminder> SimEventStore::fetchReminders() const
{
    return backend_->fetchReminders();
}

std::vector<CalendarEvent> SimEventStore::fetchEvents(double start, double end) const
{
    return backend_->fetchEvents(start, end);
}

}  // namespace qm
