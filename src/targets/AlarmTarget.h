#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/CancellationToken.h"
#include "targets/CaptureTarget.h"

namespace qm {

class CaptureAnnouncer;
class Clock;
class MainLoop;
class NotificationScheduler;

// The "//alarm" target: "7:30am take meds" becomes a notification at the next
// 07:30 titled "take meds", confirmed with "Alarm set — " and the date and time.
class AlarmTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "alarm";

    // The scheduler lives on the main thread: the send hands it the alarm
    // there and waits for its answer, unless `shutdown` is cancelled first.
    // The references must outlive the target.
    AlarmTarget(NotificationScheduler& scheduler, MainLoop& mainLoop, const Clock& clock,
                CaptureAnnouncer& landing, CancellationToken shutdown = {});

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    // Throws AlarmTargetError for an empty line, one without a date, or a date
    // without a time of day; the scheduler's errors pass through unchanged.
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;

private:
    NotificationScheduler& scheduler_;
    MainLoop& mainLoop_;
    const Clock& clock_;
    CaptureAnnouncer& landing_;
    CancellationToken shutdown_;
};

}  // namespace qm
