#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

class CaptureAnnouncer;
class Clock;

// The "//note" target. Appends each captured line as a timestamped bullet,
// "- [HH:mm] text", to the quick-capture markdown file
// <Documents>/Quillmarker/Quick Capture.md, which it creates with the heading
// "# Quick Capture" on first use, then confirms the capture as an open loop
// whose reveal path is the file. Keeps no state: the file is the state, and
// nothing else writes it.
class LocalNoteTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "note";
    static constexpr const char* kFolderName = "Quillmarker";
    static constexpr const char* kFileName = "Quick Capture.md";
    // What a file this target creates begins with.
    static constexpr const char* kHeader = "# Quick Capture\n\n";

    // `clock` stamps the bullets; `landing` confirms the captures. Both must
    // outlive the target.
    LocalNoteTarget(const Clock& clock, CaptureAnnouncer& landing);

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    // Trims the text; a blank one is nothing to do. Throws the error of
    // appendCapture(), and nothing is confirmed then.
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;

    // Worked out afresh at every use, creating nothing: the Documents folder
    // (the home folder's "Documents" when none is known), then "Quillmarker",
    // then "Quick Capture.md".
    static std::filesystem::path captureFileURL();

    // Appends the bullet for `text` stamped with `now` (the clock's seconds,
    // formatted HH:mm in the current time zone whatever the user's locale),
    // creating the folder and the file as needed. A file that does not end
    // with a line feed gets one before the bullet. A file that cannot be
    // opened for writing is replaced by its content plus the bullet; one whose
    // content cannot be read as UTF-8 text either is left as it is and the
    // capture fails with a PlatformError of domain "LocalNoteTarget". Other
    // failures throw FileError; nothing is rolled back
    // (a header already written stays).
    static void appendCapture(std::string_view text, const std::filesystem::path& file, double now);

private:
    const Clock& clock_;
    CaptureAnnouncer& landing_;
};

}  // namespace qm
