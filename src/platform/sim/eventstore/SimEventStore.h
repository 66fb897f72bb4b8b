#pragma once

#include <memory>

#include "platform/eventstore/EventStore.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"

namespace qm {

// One store on the stand-in database; see SimEventStoreBackend.
class SimEventStore final : public EventStore {
public:
    explicit SimEventStore(std::shared_ptr<SimEventStoreBackend> backend);

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
    std::shared_ptr<SimEventStoreBackend> backend_;
};

}  // namespace qm
