#include "platform/linux/eventstore/VdirEventStore.h"

namespace qm {

VdirEventStore::VdirEventStore(std::shared_ptr<VdirEventStoreBackend> backend) : backend_(std::move(backend))
{
}

EventStoreAuthorizationStatus VdirEventStore::authorizationStatus(EventStoreEntityType type) const
{
    return backend_->authorizationStatus(type);
}

bool VdirEventStore::supportsFullAccessRequests() const
{
    return true;
}

void VdirEventStore::requestFullAccessToEvents(AccessCompletion completion)
{
    backend_->requestAccess(EventStoreEntityType::event, std::move(completion));
}

void VdirEventStore::requestFullAccessToReminders(AccessCompletion completion)
{
    backend_->requestAccess(EventStoreEntityType::reminder, std::move(completion));
}

void VdirEventStore::requestAccess(EventStoreEntityType type, AccessCompletion completion)
{
    backend_->requestAccess(type, std::move(completion));
}

std::optional<EventStoreCalendar> VdirEventStore::defaultCalendarForNewEvents() const
{
    return backend_->defaultCalendar(EventStoreEntityType::event);
}

std::optional<EventStoreCalendar> VdirEventStore::defaultCalendarForNewReminders() const
{
    return backend_->defaultCalendar(EventStoreEntityType::reminder);
}

std::optional<PlatformError> VdirEventStore::saveReminder(Reminder& reminder)
{
    return backend_->saveReminder(reminder);
}

std::optional<PlatformError> VdirEventStore::saveEvent(CalendarEvent& event)
{
    return backend_->saveEvent(event);
}

std::vector<Reminder> VdirEventStore::fetchReminders() const
{
    return backend_->fetchReminders();
}

std::vector<CalendarEvent> VdirEventStore::fetchEvents(double start, double end) const
{
    return backend_->fetchEvents(start, end);
}

}  // namespace qm
