#pragma once

#include <optional>
#include <string>
#include <vector>

#include "capture/CaptureTarget.h"

namespace qm {

// The "//note" target. Appends captured lines to the quick-capture markdown file.
// Until its delivery is built, every send fails with TargetUnavailableError.
class LocalNoteTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "note";

    LocalNoteTarget();

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;
};

}  // namespace qm
