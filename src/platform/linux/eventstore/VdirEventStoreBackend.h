#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/eventstore/EventStore.h"
#include "platform/eventstore/EventStoreBackend.h"

namespace qm {

class Clock;
class MainLoop;

// The user's calendars and reminders lists as vdir collections, the layout
// vdirsyncer, khal and todoman read: under `folder`, "calendars/" and
// "reminders/" hold one folder per calendar or list, each with a
// "displayname" file and one iCalendar file per item ("<UID>.ics", a VEVENT
// or a VTODO, written by ICalendarWriter in the user's time zone).
//
// The default calendar ("calendars/default", named "Calendar") and the
// default list ("reminders/default", named "Reminders") are made on first
// use. Collections and items that other programs put there are read, never
// rewritten. Every item is written atomically (temporary file, fsync, rename)
// with mode 0600, folders 0700; a write that fails is reported as an error
// that names the file and the reason.
//
// Access: the program asks the user once per kind (`askForAccess`, on the main
// loop: a dialog in the app, a scripted answer in tests) and keeps the answer
// in `accessFile`. Access completions run on the main loop; everything else
// may be called from any thread.
//
// Build it with std::make_shared: stores keep it alive.
class VdirEventStoreBackend final : public EventStoreBackend {
public:
    // Shows the question for `type` and answers once: true to allow.
    using AccessPrompt = std::function<void(EntityType type, std::function<void(bool allow)> answer)>;

    struct Configuration {
        std::filesystem::path folder;
        std::filesystem::path accessFile;
        AccessPrompt askForAccess;
    };

    static constexpr const char* kDefaultCollection = "default";
    static constexpr const char* kDisplayNameFile = "displayname";

    // The references must outlive the backend and every store made from it.
    VdirEventStoreBackend(MainLoop& loop, const Clock& clock, Configuration configuration);

    // The folder of the collections of `type` ("calendars" or "reminders").
    std::filesystem::path collectionsFolder(EntityType type) const;

    // A decision taken elsewhere (a privacy pane), kept as an answer to the prompt would be.
    void setAuthorizationStatus(EntityType type, Status status) { remember(type, status); }

    Status authorizationStatus(EntityType type) const override;
    // There are no older systems to mimic here: access is always asked for in full.
    bool supportsFullAccessRequests() const override { return true; }
    void requestAccess(EntityType type, bool fullAccessRequest,
                       EventStore::AccessCompletion completion) override;
    // The default collection of `type`, made on first use.
    std::optional<EventStoreCalendar> defaultCalendar(EntityType type) const override;
    std::optional<PlatformError> saveReminder(Reminder& reminder) override;
    std::optional<PlatformError> saveEvent(CalendarEvent& event) override;
    std::vector<Reminder> fetchReminders() const override;
    std::vector<CalendarEvent> fetchEvents(double start, double end) const override;

private:
    struct Target {
        std::filesystem::path folder;
        EventStoreCalendar calendar;
    };
    std::optional<PlatformError> collectionFor(const std::optional<EventStoreCalendar>& calendar,
                                               EntityType type, Target& target) const;
    std::optional<PlatformError> write(const Target& target, std::string& identifier, const std::string& what,
                                       const std::function<std::string(const std::string& uid)>& text) const;
    EventStoreCalendar describe(EntityType type, const std::string& name) const;
    bool mayWrite(EntityType type) const;
    bool mayRead(EntityType type) const;
    void remember(EntityType type, Status status);

    MainLoop& loop_;
    const Clock& clock_;
    const Configuration configuration_;
    mutable std::mutex mutex_;
    std::map<EntityType, Status> statuses_;
};

}  // namespace qm
