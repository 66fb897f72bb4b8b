#pragma once

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/notifications/NotificationRequest.h"

namespace qm {

// The pending notification requests that wait for their trigger. The
// freedesktop notification server shows a notification at once and has no
// scheduling, so the program keeps its own schedule in one JSON file, readable
// by the user alone and replaced atomically on every change:
//
//   {"version": 1, "requests": [{"identifier": "…", "title": "…", "body": "…",
//     "sound": "default", "categoryIdentifier": "QUILLMRKER_TIMER",
//     "userInfo": {"qm_fireAt": 1700000060.0},
//     "trigger": {"kind": "timeInterval", "interval": 60.0, "repeats": false,
//                 "registeredAt": 1700000000.0},
//     "fireAt": 1700000060.0}]}
//
// A calendar trigger is {"kind": "calendar", "repeats": …, "registeredAt": …,
// "match": {"year": …, "month": …, "day": …, "hour": …, "minute": …,
// "second": …, "timeZone": "…"}} with only the given components.
class NotificationScheduleFile {
public:
    struct Entry {
        NotificationRequest request;  // always with a trigger, its registration time set
        // When it fires next; nothing for a calendar match that never comes.
        std::optional<double> fireAt;
    };

    // The entries in the order they were added. No file is an empty schedule.
    // A file that cannot be read or parsed is moved aside ("<name>.corrupt")
    // and the schedule starts empty; a file with some unusable entries is
    // moved aside too, and the usable ones are written back at once so that
    // they stay scheduled. Never throws.
    static std::vector<Entry> load(const std::filesystem::path& file);

    // Replaces the file with `entries` (mode 0600, its folder created 0700).
    // Opaque userInfo values cannot be written and are left out.
    static std::error_code save(const std::filesystem::path& file, const std::vector<Entry>& entries);
};

}  // namespace qm
