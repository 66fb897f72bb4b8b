#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

class CaptureAnnouncer;
class Pasteboard;

// The "//copy" target. Replaces the clipboard's content with the captured line
// as plain text and confirms it with the receipt "Copied".
class ClipboardTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "copy";
    // The one error: a PlatformError in this domain, with this code and sentence.
    static constexpr const char* kErrorDomain = "ClipboardTarget";
    static constexpr long kWriteFailedCode = 1;
    static constexpr const char* kWriteFailedDescription = "Failed to write to the clipboard.";

    // `pasteboard` is the general pasteboard; `landing` confirms the captures.
    // Both must outlive the target.
    ClipboardTarget(Pasteboard& pasteboard, CaptureAnnouncer& landing);

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    // Trims the text; a blank one leaves the clipboard alone. Otherwise the
    // clipboard is emptied and offered the text as its only type; a refused
    // write throws (the earlier content is gone by then) and confirms nothing.
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;

private:
    Pasteboard& pasteboard_;
    CaptureAnnouncer& landing_;
};

}  // namespace qm
