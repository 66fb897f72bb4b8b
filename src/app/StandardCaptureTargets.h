#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "capture/CaptureTargetRegistry.h"
#include "platform/eventstore/EventStore.h"
#include "platform/runtime/CancellationToken.h"

namespace qm {

class CaptureAnnouncer;
class Clock;
class HttpClient;
class MainLoop;
class NotificationScheduler;
class Pasteboard;
class UserDefaults;

// The app's table of capture targets.
class StandardCaptureTargets {
public:
    // The Slack Web API's host.
    static constexpr const char* kSlackAPIHost = "https://slack.com";

    // What the delivering targets work with; the references must outlive the targets.
    struct Services {
        const Clock& clock;
        // Where the scheduler and the access requests run; the sends wait for them.
        MainLoop& mainLoop;
        // Timers and alarms.
        NotificationScheduler& scheduler;
        // Reminders and calendar events: a store per send.
        EventStore::Factory eventStores;
        // Asks for access to calendar events (the permissions manager's request).
        std::function<void(std::function<void(bool)>)> requestCalendarAccess;
        // Cancelled when the program stops: sends waiting for the main loop give up.
        CancellationToken shutdown;
        // The note apps' folders.
        const UserDefaults& defaults;
        Pasteboard& pasteboard;
        HttpClient& http;
        // The bytes the secret store keeps under a service and key (the Slack token), or nothing.
        std::function<std::optional<std::string>(std::string_view service, std::string_view key)> loadSecret;
        CaptureAnnouncer& landing;
    };

    // The ten targets in their fixed order: note, reminders, copy, timer,
    // calc, alarm, calendar, obsidian, slack, logseq. Each call makes new ones.
    static CaptureTargetRegistry make(const Services& services);

    StandardCaptureTargets() = delete;
};

}  // namespace qm
