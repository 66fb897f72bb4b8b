#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

// The "//timer" target. Schedules a notification after the duration the line names.
// Until its delivery is built, every send fails with TargetUnavailableError.
class TimerTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "timer";

    TimerTarget();

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;
};

}  // namespace qm
