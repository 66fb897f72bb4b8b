#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

// The "//calendar" target. Adds a timed event to the default calendar.
// Until its delivery is built, every send fails with TargetUnavailableError.
class CalendarTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "calendar";

    CalendarTarget();

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;
};

}  // namespace qm
