#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/eventstore/EventStore.h"
#include "platform/runtime/CancellationToken.h"
#include "targets/CaptureTarget.h"

namespace qm {

class CaptureAnnouncer;
class Clock;
class MainLoop;

// The "//reminders" target: the line becomes a reminder in the default list.
// A date in it becomes the due date: at a time of day with an alarm at that
// moment, or for a whole day (year, month and day only) without an alarm.
// Confirmed with "Reminders · " and the list's title, parked as an open loop.
class RemindersTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "reminders";
    // The target's own errors: PlatformErrors in this domain.
    static constexpr const char* kErrorDomain = "RemindersTarget";
    static constexpr long kAccessDeniedCode = 2;
    static constexpr long kNoDefaultListCode = 3;
    static constexpr const char* kAccessDeniedDescription =
        "Access to macOS Reminders was denied. Please grant access in System Settings -> Privacy & Security "
        "-> Reminders.";
    static constexpr const char* kNoDefaultListDescription =
        "No default calendar found for Reminders. Please open the Reminders app and configure at least one "
        "list.";
    static constexpr const char* kRevealPath = "/System/Applications/Reminders.app";

    // Each send makes its own store; the access request runs on the main loop
    // and the send waits for its answer, unless `shutdown` is cancelled first.
    // The references must outlive the target.
    RemindersTarget(EventStore::Factory eventStores, MainLoop& mainLoop, const Clock& clock,
                    CaptureAnnouncer& landing, CancellationToken shutdown = {});

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    // A blank line does nothing. The access request's and the save's errors
    // pass through unchanged.
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;

private:
    EventStore::Factory eventStores_;
    MainLoop& mainLoop_;
    const Clock& clock_;
    CaptureAnnouncer& landing_;
    CancellationToken shutdown_;
};

}  // namespace qm
