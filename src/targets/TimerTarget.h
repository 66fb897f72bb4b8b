#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/CancellationToken.h"
#include "targets/CaptureTarget.h"

namespace qm {

class CaptureAnnouncer;
class MainLoop;
class NotificationScheduler;

// The "//timer" target: "25m tea" becomes a notification 25 minutes from now
// labelled "tea", confirmed with "Timer set — fires at " and the fire time.
class TimerTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "timer";

    // The scheduler lives on the main thread: the send hands it the timer
    // there and waits for its answer, unless `shutdown` is cancelled first.
    // The references must outlive the target.
    TimerTarget(NotificationScheduler& scheduler, MainLoop& mainLoop, CaptureAnnouncer& landing,
                CancellationToken shutdown = {});

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    // The duration parser's and the scheduler's errors pass through unchanged.
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;

private:
    NotificationScheduler& scheduler_;
    MainLoop& mainLoop_;
    CaptureAnnouncer& landing_;
    CancellationToken shutdown_;
};

}  // namespace qm
