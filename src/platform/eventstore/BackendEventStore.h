#pragma once

#include <memory>

#include "platform/eventstore/EventStore.h"
#include "platform/eventstore/EventStoreBackend.h"

namespace qm {

// One store over a backend, which holds the data and the decisions every store shares.
class BackendEventStore final : public EventStore {
public:
    explicit BackendEventStore(std::shared_ptr<EventStoreBackend> backend);

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
    std::shared_ptr<EventStoreBackend> backend_;
};

}  // namespace qm
