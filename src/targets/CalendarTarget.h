#pragma once

#include <functional>
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

// The "//calendar" target: "standup tomorrow 2pm" becomes a one-hour event in
// the default calendar (a day without a time starts at 09:00), confirmed with
// "Calendar · ", the calendar's title, " · " and the start.
class CalendarTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "calendar";
    static constexpr double kEventLength = 3600;
    static constexpr const char* kRevealPath = "/System/Applications/Calendar.app";

    // Asks for access to calendar events (the permissions manager's request);
    // answers once, on any thread.
    using AccessRequest = std::function<void(std::function<void(bool granted)>)>;

    // `requestAccess` runs on the main loop and the send waits for its answer,
    // unless `shutdown` is cancelled first. The references must outlive the target.
    CalendarTarget(EventStore::Factory eventStores, AccessRequest requestAccess, MainLoop& mainLoop,
                   const Clock& clock, CaptureAnnouncer& landing, CancellationToken shutdown = {});

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    // Throws CalendarTargetError; the store's save error passes through unchanged.
    // Access is asked for on every send with text, before the text is read.
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;

private:
    EventStore::Factory eventStores_;
    AccessRequest requestAccess_;
    MainLoop& mainLoop_;
    const Clock& clock_;
    CaptureAnnouncer& landing_;
    CancellationToken shutdown_;
};

}  // namespace qm
