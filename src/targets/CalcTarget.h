#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

class CaptureAnnouncer;
class Pasteboard;

// The "//calc" target: evaluates the line ("15% of 847"), leaves the result
// ("127.05") as the only content of the clipboard and confirms "= 127.05".
class CalcTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "calc";
    // A refused clipboard write: a PlatformError in this domain, with this code and sentence.
    static constexpr const char* kErrorDomain = "CalcTarget";
    static constexpr long kWriteFailedCode = 1;
    static constexpr const char* kWriteFailedDescription = "Failed to write to the clipboard.";

    // Both must outlive the target.
    CalcTarget(Pasteboard& pasteboard, CaptureAnnouncer& landing);

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    // CalcExpressionError passes through unchanged, with the clipboard
    // untouched. A refused write fails too, so that the line is kept.
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;

private:
    Pasteboard& pasteboard_;
    CaptureAnnouncer& landing_;
};

}  // namespace qm
