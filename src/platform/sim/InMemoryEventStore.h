#pragma once

#include <memory>

#include "platform/EventStore.h"
#include "platform/sim/InMemoryEventStoreBackend.h"

namespace qm {

// One store on the stand-in database; see InMemoryEventStoreBackend.
class InMemoryEventStore final : public EventStore {
public:
    explicit InMemoryEventStore(std::shared_ptr<InMemoryEventStoreBackend> backend);

    EventStoreAuthorizationStatus authorizationStatus(EventStoreEntityType type) const override;
    bool supportsFullAccessRequests() const override;
    void requestFullAccessToEvents(AccessCompletion completion) override;
    void requestFullAccessToReminders(AccessCompletion completion) override;
    void requestAccess(EventStoreEntityType type, AccessCompletion completion) override;
    std::optional<EventStoreCalendar> defaultCalendarForNewEvents() const override;
    std::optional<EventStoreCalendar> defaultCalendarForNewReminders() const override;
    [[nodiscard]] std::optional<PlatformError> saveReminder(Reminder& reminder) override;
    [[nodiscard]] std::optional<PlatformError> saveEvent(CalendarEvent& event) override;
    std::vector<Reminder> fetchReminders() const override;
    std::vector<CalendarEvent> fetchEvents(double start, double end) const override;

private:
    std::shared_ptr<InMemoryEventStoreBackend> backend_;
};

}  // namespace qm
