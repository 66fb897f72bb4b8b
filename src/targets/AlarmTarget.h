#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

// The "//alarm" target. Schedules a notification at the time of day the line names.
// Until its delivery is built, every send fails with TargetUnavailableError.
class AlarmTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "alarm";

    AlarmTarget();

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;
};

}  // namespace qm
