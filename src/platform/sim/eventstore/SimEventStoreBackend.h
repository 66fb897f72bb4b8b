#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/eventstore/EventStore.h"
#include "platform/eventstore/EventStoreBackend.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

// The stand-in for the system's calendar and reminders database and for the
// user's privacy decisions about it. Every store made from it (makeStore(), or
// through factory()) sees the same data.
//
// A test plays the user: it scripts the answer to each access prompt, sets
// decisions as System Settings would, adds calendars and lists, and makes a
// save fail. A prompt without a scripted answer goes to the prompt presenter
// (the program shows a real dialog), and without one throws std::logic_error
// from the request, so a forgotten answer fails the test instead of waiting.
// Access completions run on the main loop.
//
// Build it with std::make_shared: stores keep it alive.
class SimEventStoreBackend final : public EventStoreBackend {
public:
    // Shows the access prompt for `type` to a person, on the main loop, and
    // returns their answer (true: allowed).
    using PromptPresenter = std::function<bool(EntityType type)>;

    // Starts as a macOS 14 system where the program never asked for access and
    // the user has no calendars or lists.
    explicit SimEventStoreBackend(MainLoop& loop);

    // The system and the user, as a test plays them.

    // False: a system before macOS 14 (no full-access requests, no write-only access).
    void setSupportsFullAccessRequests(bool supported);
    void setAuthorizationStatus(EntityType type, Status status);
    void answerNextAccessPrompt(EntityType type, bool allow);
    void failNextAccessRequest(EntityType type, PlatformError error);
    // Who answers prompts that no test scripted; empty: nobody (they throw).
    void setPromptPresenter(PromptPresenter presenter);
    // Adds a calendar or list (by its entity type), or replaces one with its identifier.
    void addCalendar(EventStoreCalendar calendar);
    // Nothing: the user has no default for that type.
    void setDefaultCalendar(EntityType type, std::optional<std::string> identifier);
    void failNextSave(PlatformError error);

    // What was stored, whatever the program may read.
    std::vector<Reminder> reminders() const;
    std::vector<CalendarEvent> events() const;
    // The type of each access prompt shown, in order.
    std::vector<EntityType> accessPrompts() const;

    // The operations of the stores (see EventStore).

    Status authorizationStatus(EntityType type) const override;
    bool supportsFullAccessRequests() const override;
    void requestAccess(EntityType type, bool fullAccessRequest,
                       EventStore::AccessCompletion completion) override;
    std::optional<EventStoreCalendar> defaultCalendar(EntityType type) const override;
    // A save scripted to fail (failNextSave) fails before anything is checked.
    std::optional<PlatformError> saveReminder(Reminder& reminder) override;
    std::optional<PlatformError> saveEvent(CalendarEvent& event) override;
    std::vector<Reminder> fetchReminders() const override;
    std::vector<CalendarEvent> fetchEvents(double start, double end) const override;

private:
    static PlatformError error(long code, std::string description);
    // Whether a request of this kind shows a prompt now. Under the lock.
    bool prompts(EntityType type, bool fullAccessRequest);
    // Records the answer to a prompt that was shown. Under the lock.
    void recordPromptAnswer(EntityType type, bool granted);
    // The prompt as a person sees it: on the main loop, after the request returned.
    void presentPrompt(EntityType type, bool fullAccessRequest, EventStore::AccessCompletion completion);
    bool mayWrite(EntityType type) const;
    bool mayRead(EntityType type) const;
    // The stored calendar that `calendar` names, or the error that keeps an item from going there.
    std::optional<PlatformError> checkCalendar(const std::optional<EventStoreCalendar>& calendar,
                                               EntityType type) const;

    MainLoop& loop_;
    mutable std::mutex mutex_;
    bool supportsFullAccessRequests_ = true;
    std::map<EntityType, Status> statuses_;
    std::map<EntityType, std::deque<bool>> promptAnswers_;
    std::map<EntityType, std::deque<PlatformError>> accessErrors_;
    PromptPresenter promptPresenter_;
    std::vector<EntityType> prompts_;
    std::vector<EventStoreCalendar> calendars_;
    std::map<EntityType, std::string> defaults_;
    std::deque<PlatformError> saveErrors_;
    std::vector<Reminder> reminders_;
    std::vector<CalendarEvent> events_;
    int nextItemNumber_ = 1;
};

}  // namespace qm
