#pragma once

#include <optional>
#include <string>
#include <vector>

#include "capture/CaptureTarget.h"

namespace qm {

// The "//copy" target. Puts the captured line on the clipboard.
// Until its delivery is built, every send fails with TargetUnavailableError.
class ClipboardTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "copy";

    ClipboardTarget();

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;
};

}  // namespace qm
