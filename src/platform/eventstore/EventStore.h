#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/PlatformError.h"
#include "platform/eventstore/CalendarEvent.h"
#include "platform/eventstore/EventStoreAuthorizationStatus.h"
#include "platform/eventstore/EventStoreCalendar.h"
#include "platform/eventstore/EventStoreEntityType.h"
#include "platform/eventstore/Reminder.h"

namespace qm {

// The user's calendars and reminders lists. A caller makes a store for one job
// (with the Factory it was given) and lets it go afterwards; every store sees
// the same data and the same access decisions.
//
// Calls may be made from any thread. Access completions are called once,
// later, never inside the request; the stand-in calls them on the main loop.
class EventStore {
public:
    using AccessCompletion = std::function<void(bool granted, std::optional<PlatformError> error)>;
    using Factory = std::function<std::unique_ptr<EventStore>()>;

    // The platform's error domain and the codes this interface reports.
    static constexpr std::string_view errorDomain = "EKErrorDomain";
    static constexpr long errorNoCalendar = 1;
    static constexpr long errorNoStartDate = 2;
    static constexpr long errorNoEndDate = 3;
    static constexpr long errorDatesInverted = 4;
    static constexpr long errorInternalFailure = 5;
    static constexpr long errorCalendarReadOnly = 6;
    static constexpr long errorCalendarDoesNotAllowEvents = 22;
    static constexpr long errorCalendarDoesNotAllowReminders = 23;
    static constexpr long errorEventStoreNotAuthorized = 29;

    virtual ~EventStore() = default;

    // The decision for `type`; the same for every store of the process.
    virtual EventStoreAuthorizationStatus authorizationStatus(EventStoreEntityType type) const = 0;

    // True from macOS 14 on, where access is requested as full access (and
    // events may also be granted write-only); before, requestAccess is the only request.
    virtual bool supportsFullAccessRequests() const = 0;
    // macOS 14 and later only (std::logic_error before). Shows the prompt when
    // the user has not decided, or when events are write-only; answers at once
    // otherwise: granted exactly when the status is full access.
    virtual void requestFullAccessToEvents(AccessCompletion completion) = 0;
    virtual void requestFullAccessToReminders(AccessCompletion completion) = 0;
    // The request of systems before macOS 14, for either type.
    virtual void requestAccess(EventStoreEntityType type, AccessCompletion completion) = 0;

    // Where new items go when the caller names no calendar. Nothing when the
    // user has none or the program may not write there.
    virtual std::optional<EventStoreCalendar> defaultCalendarForNewEvents() const = 0;
    virtual std::optional<EventStoreCalendar> defaultCalendarForNewReminders() const = 0;

    // Saves and commits at once; a new item gets its identifier. Nothing on
    // success, otherwise the reason (this domain's codes, or the system's).
    [[nodiscard]] virtual std::optional<PlatformError> saveReminder(Reminder& reminder) = 0;
    // Saves this one event (no recurrence) and commits at once.
    [[nodiscard]] virtual std::optional<PlatformError> saveEvent(CalendarEvent& event) = 0;

    // Every reminder the program may read, in the order saved.
    virtual std::vector<Reminder> fetchReminders() const = 0;
    // The events the program may read that overlap [start, end), by start date.
    // Write-only access reads nothing.
    virtual std::vector<CalendarEvent> fetchEvents(double start, double end) const = 0;
};

}  // namespace qm
