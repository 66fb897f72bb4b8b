#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

// The "//obsidian" target. Appends the line to today's daily note of the configured Obsidian vault.
// Until its delivery is built, every send fails with TargetUnavailableError.
class ObsidianTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "obsidian";

    ObsidianTarget();

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;
};

}  // namespace qm
