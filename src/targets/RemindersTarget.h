#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

// The "//reminders" target. Turns a captured line into a reminder, with its due date when the line names one.
// Until its delivery is built, every send fails with TargetUnavailableError.
class RemindersTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "reminders";

    RemindersTarget();

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;
};

}  // namespace qm
