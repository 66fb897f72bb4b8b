#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

class CaptureAnnouncer;
class Clock;
class UserDefaults;

// The "//logseq" target. Appends each captured line as a bullet to today's
// journal page, <graph>/journals/yyyy_MM_dd.md, of the Logseq graph set under
// "logseqGraphPath" (created with its folders when missing), and confirms the
// capture as an open loop whose reveal path is the page. A line that begins
// with the word "todo" becomes a task bullet. Keeps nothing between captures.
class LogseqTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "logseq";
    // The errors: PlatformError values in this domain.
    static constexpr const char* kErrorDomain = "LogseqTarget";
    static constexpr long kNotConfiguredCode = 1;
    static constexpr const char* kNotConfiguredDescription =
        "Logseq Graph Path is not configured. Please set your Logseq Graph Path under Capture Targets in "
        "Quillmarker Settings.";
    // A page that can neither be appended to nor read as UTF-8 text is left as it was.
    static constexpr long kPageLeftUnchangedCode = 2;

    // The references must outlive the target.
    LogseqTarget(const UserDefaults& defaults, const Clock& clock, CaptureAnnouncer& landing);

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    // A blank line is nothing to do, whatever the settings. Otherwise a blank
    // graph setting throws kNotConfiguredCode before anything is written;
    // file-system failures throw FileError, and what
    // was created before them stays.
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;

    // The line written for the trimmed text, newline included:
    // "todo call back" -> "- TODO call back", "Todo" -> "- TODO ", else "- " + text.
    static std::string bulletLine(std::string_view trimmedText);

private:
    const UserDefaults& defaults_;
    const Clock& clock_;
    CaptureAnnouncer& landing_;
};

}  // namespace qm
