#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

// The "//slack" target. Posts the line to a Slack channel or person chosen in the picker.
// Until its delivery is built, every send fails with TargetUnavailableError.
class SlackTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "slack";

    SlackTarget();

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;
};

}  // namespace qm
