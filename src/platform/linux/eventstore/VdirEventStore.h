#pragma once

#include <memory>

#include "platform/eventstore/EventStore.h"
#include "platform/linux/eventstore/VdirEventStoreBackend.h"

namespace qm {

// One store over the vdir collections; see VdirEventStoreBackend.
class VdirEventStore final : public EventStore {
public:
    explicit VdirEventStore(std::shared_ptr<VdirEventStoreBackend> backend);

    EventStoreAuthorizationStatus authorizationStatus(EventStoreEntityType type) const override;
    // There are no older systems to mimic here: access is always asked for in full.
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
    std::shared_ptr<VdirEventStoreBackend> backend_;
};

}  // namespace qm
