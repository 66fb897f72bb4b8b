#pragma once

namespace qm {

// The user's decision about the program's access to calendars or reminders,
// with the platform's raw values. From macOS 14 on, access to events can be
// full or write-only; before, raw value 3 was the only grant ("authorized").
enum class EventStoreAuthorizationStatus {
    notDetermined = 0,  // never asked: a request shows the prompt
    restricted = 1,     // a policy forbids it; the user cannot grant it
    denied = 2,
    fullAccess = 3,  // also "authorized" before macOS 14
    writeOnly = 4,   // events only: may add events, may not read any
};

}  // namespace qm
