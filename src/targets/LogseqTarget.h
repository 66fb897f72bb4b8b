#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

// The "//logseq" target. Appends the line to today's journal page of the configured Logseq graph.
// Until its delivery is built, every send fails with TargetUnavailableError.
class LogseqTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "logseq";

    LogseqTarget();

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;
};

}  // namespace qm
