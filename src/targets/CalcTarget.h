#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

// The "//calc" target. Evaluates the captured expression and copies its result.
// Until its delivery is built, every send fails with TargetUnavailableError.
class CalcTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "calc";

    CalcTarget();

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;
};

}  // namespace qm
