#include "platform/sim/eventstore/SimEventStoreBackend.h"

#include <algorithm>
#include <stdexcept>

namespace qm {

SimEventStoreBackend::SimEventStoreBackend(MainLoop& loop) : loop_(loop) {}

void SimEventStoreBackend::setSupportsFullAccessRequests(bool supported)
{
    std::lock_guard lock(mutex_);
    supportsFullAccessRequests_ = supported;
}

void SimEventStoreBackend::setAuthorizationStatus(EntityType type, Status status)
{
    std::lock_guard lock(mutex_);
    statuses_[type] = status;
}

void SimEventStoreBackend::answerNextAccessPrompt(EntityType type, bool allow)
{
    std::lock_guard lock(mutex_);
    promptAnswers_[type].push_back(allow);
}

void SimEventStoreBackend::failNextAccessRequest(EntityType type, PlatformError error)
{
    std::lock_guard lock(mutex_);
    accessErrors_[type].push_back(std::move(error));
}

void SimEventStoreBackend::addCalendar(EventStoreCalendar calendar)
{
    std::lock_guard lock(mutex_);
    std::erase_if(calendars_,
                  [&](const EventStoreCalendar& old) { return old.identifier == calendar.identifier; });
    calendars_.push_back(std::move(calendar));
}

void SimEventStoreBackend::setDefaultCalendar(EntityType type, std::optional<std::string> identifier)
{
    std::lock_guard lock(mutex_);
    if (identifier) {
        defaults_[type] = *identifier;
    } else {
        defaults_.erase(type);
    }
}

void SimEventStoreBackend::failNextSave(PlatformError error)
{
    std::lock_guard lock(mutex_);
    saveErrors_.push_back(std::move(error));
}

std::vector<Reminder> SimEventStoreBackend::reminders() const
{
    std::lock_guard lock(mutex_);
    return reminders_;
}

std::vector<CalendarEvent> SimEventStoreBackend::events() const
{
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<SimEventStoreBackend::EntityType> SimEventStoreBackend::accessPrompts() const
{
    std::lock_guard lock(mutex_);
    return prompts_;
}

SimEventStoreBackend::Status SimEventStoreBackend::authorizationStatus(EntityType type) const
{
    std::lock_guard lock(mutex_);
    const auto found = statuses_.find(type);
    return found == statuses_.end() ? Status::notDetermined : found->second;
}

bool SimEventStoreBackend::supportsFullAccessRequests() const
{
    std::lock_guard lock(mutex_);
    return supportsFullAccessRequests_;
}

void SimEventStoreBackend::setPromptPresenter(PromptPresenter presenter)
{
    std::lock_guard lock(mutex_);
    promptPresenter_ = std::move(presenter);
}

bool SimEventStoreBackend::prompts(EntityType type, bool fullAccessRequest)
{
    const Status status = statuses_.try_emplace(type, Status::notDetermined).first->second;
    // Write-only event access can be raised to full access by a new prompt.
    return status == Status::notDetermined ||
           (fullAccessRequest && type == EntityType::event && status == Status::writeOnly);
}

void SimEventStoreBackend::recordPromptAnswer(EntityType type, bool granted)
{
    prompts_.push_back(type);
    Status& status = statuses_[type];
    if (granted) {
        status = Status::fullAccess;
    } else if (status == Status::notDetermined) {
        status = Status::denied;
    }
}

void SimEventStoreBackend::presentPrompt(EntityType type, bool fullAccessRequest,
                                         EventStore::AccessCompletion completion)
{
    loop_.post(
        [weak = weakAs<SimEventStoreBackend>(), type, fullAccessRequest, completion = std::move(completion)] {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            PromptPresenter presenter;
            bool granted = false;
            {
                std::lock_guard lock(self->mutex_);
                // A prompt answered meanwhile decided this request too.
                if (self->prompts(type, fullAccessRequest)) {
                    presenter = self->promptPresenter_;
                } else {
                    granted = self->statuses_[type] == Status::fullAccess;
                }
            }
            if (presenter) {
                // The person may take their time: no lock is held while they do.
                granted = presenter(type);
                std::lock_guard lock(self->mutex_);
                self->recordPromptAnswer(type, granted);
            }
            if (completion) {
                completion(granted, std::nullopt);
            }
        });
}

void SimEventStoreBackend::requestAccess(EntityType type, bool fullAccessRequest,
                                         EventStore::AccessCompletion completion)
{
    bool granted = false;
    std::optional<PlatformError> failure;
    {
        std::lock_guard lock(mutex_);
        if (fullAccessRequest && !supportsFullAccessRequests_) {
            throw std::logic_error("SimEventStoreBackend: full-access requests do not exist before macOS 14");
        }
        auto& errors = accessErrors_[type];
        if (!errors.empty()) {
            failure = errors.front();
            errors.pop_front();
        } else if (prompts(type, fullAccessRequest)) {
            auto& answers = promptAnswers_[type];
            if (answers.empty()) {
                if (!promptPresenter_) {
                    throw std::logic_error(std::string("SimEventStoreBackend: the ") +
                                           (type == EntityType::event ? "calendar" : "reminders") +
                                           " access prompt was shown, but the test scripted no answer "
                                           "(answerNextAccessPrompt)");
                }
                presentPrompt(type, fullAccessRequest, std::move(completion));
                return;
            }
            granted = answers.front();
            answers.pop_front();
            recordPromptAnswer(type, granted);
        } else {
            granted = statuses_[type] == Status::fullAccess;
        }
    }
    if (completion) {
        loop_.post([completion = std::move(completion), granted, failure] { completion(granted, failure); });
    }
}

std::optional<EventStoreCalendar> SimEventStoreBackend::defaultCalendar(EntityType type) const
{
    std::lock_guard lock(mutex_);
    if (!mayWrite(type)) {
        return std::nullopt;
    }
    const auto id = defaults_.find(type);
    if (id == defaults_.end()) {
        return std::nullopt;
    }
    for (const auto& calendar : calendars_) {
        if (calendar.identifier == id->second && calendar.entityType == type) {
            return calendar;
        }
    }
    return std::nullopt;
}

std::optional<PlatformError> SimEventStoreBackend::saveReminder(Reminder& reminder)
{
    std::lock_guard lock(mutex_);
    if (!saveErrors_.empty()) {
        auto failure = saveErrors_.front();
        saveErrors_.pop_front();
        return failure;
    }
    if (!mayWrite(EntityType::reminder)) {
        return error(EventStore::errorEventStoreNotAuthorized, "Access to reminders was not granted.");
    }
    if (auto failure = checkCalendar(reminder.calendar, EntityType::reminder)) {
        return failure;
    }
    if (reminder.calendarItemIdentifier.empty()) {
        reminder.calendarItemIdentifier = "reminder-" + std::to_string(nextItemNumber_++);
    }
    const auto existing = std::find_if(reminders_.begin(), reminders_.end(), [&](const Reminder& stored) {
        return stored.calendarItemIdentifier == reminder.calendarItemIdentifier;
    });
    if (existing != reminders_.end()) {
        *existing = reminder;
    } else {
        reminders_.push_back(reminder);
    }
    return std::nullopt;
}

std::optional<PlatformError> SimEventStoreBackend::saveEvent(CalendarEvent& event)
{
    std::lock_guard lock(mutex_);
    if (!saveErrors_.empty()) {
        auto failure = saveErrors_.front();
        saveErrors_.pop_front();
        return failure;
    }
    if (!mayWrite(EntityType::event)) {
        return error(EventStore::errorEventStoreNotAuthorized, "Access to calendars was not granted.");
    }
    if (auto failure = checkCalendar(event.calendar, EntityType::event)) {
        return failure;
    }
    if (!event.startDate) {
        return error(EventStore::errorNoStartDate, "No start date has been set.");
    }
    if (!event.endDate) {
        return error(EventStore::errorNoEndDate, "No end date has been set.");
    }
    if (*event.endDate < *event.startDate) {
        return error(EventStore::errorDatesInverted, "The start date must be before the end date.");
    }
    if (event.eventIdentifier.empty()) {
        event.eventIdentifier = "event-" + std::to_string(nextItemNumber_++);
    }
    const auto existing = std::find_if(events_.begin(), events_.end(), [&](const CalendarEvent& stored) {
        return stored.eventIdentifier == event.eventIdentifier;
    });
    if (existing != events_.end()) {
        *existing = event;
    } else {
        events_.push_back(event);
    }
    return std::nullopt;
}

std::vector<Reminder> SimEventStoreBackend::fetchReminders() const
{
    std::lock_guard lock(mutex_);
    return mayRead(EntityType::reminder) ? reminders_ : std::vector<Reminder>{};
}

std::vector<CalendarEvent> SimEventStoreBackend::fetchEvents(double start, double end) const
{
    std::lock_guard lock(mutex_);
    std::vector<CalendarEvent> result;
    if (!mayRead(EntityType::event)) {
        return result;
    }
    for (const auto& event : events_) {
        if (*event.startDate<end&& * event.endDate> start) {
            result.push_back(event);
        }
    }
    std::stable_sort(result.begin(), result.end(), [](const CalendarEvent& a, const CalendarEvent& b) {
        return *a.startDate < *b.startDate;
    });
    return result;
}

PlatformError SimEventStoreBackend::error(long code, std::string description)
{
    return PlatformError(std::string(EventStore::errorDomain), code, std::move(description));
}

bool SimEventStoreBackend::mayWrite(EntityType type) const
{
    const auto found = statuses_.find(type);
    const Status status = found == statuses_.end() ? Status::notDetermined : found->second;
    return status == Status::fullAccess || (type == EntityType::event && status == Status::writeOnly);
}

bool SimEventStoreBackend::mayRead(EntityType type) const
{
    const auto found = statuses_.find(type);
    return found != statuses_.end() && found->second == Status::fullAccess;
}

std::optional<PlatformError>
SimEventStoreBackend::checkCalendar(const std::optional<EventStoreCalendar>& calendar, EntityType type) const
{
    if (!calendar) {
        return error(EventStore::errorNoCalendar, "No calendar has been set.");
    }
    const auto stored =
        std::find_if(calendars_.begin(), calendars_.end(), [&](const EventStoreCalendar& candidate) {
            return candidate.identifier == calendar->identifier;
        });
    if (stored == calendars_.end()) {
        return error(EventStore::errorNoCalendar, "The calendar does not exist in this store.");
    }
    if (stored->entityType != type) {
        return type == EntityType::event ? error(EventStore::errorCalendarDoesNotAllowEvents,
                                                 "This calendar does not allow events.")
                                         : error(EventStore::errorCalendarDoesNotAllowReminders,
                                                 "This list does not allow reminders.");
    }
    if (!stored->allowsContentModifications) {
        return error(EventStore::errorCalendarReadOnly, "That calendar may not be modified.");
    }
    return std::nullopt;
}

}  // namespace qm
