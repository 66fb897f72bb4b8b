#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/CaptureTarget.h"

namespace qm {

class CaptureAnnouncer;
class Clock;
class UserDefaults;

// The "//obsidian" target. Appends each captured line, "- [HH:mm] text", to
// today's daily note in the user's Obsidian vault, following the vault's own
// daily-notes settings (folder, file-name format, template), and confirms the
// capture as an open loop whose reveal path is the note. Reads the settings
// and the vault afresh for every capture and keeps nothing between them.
//
// Settings: "obsidianVaultPath" (may name a folder inside the vault; blank:
// the first folder of "knowledgeFolders" holding ".obsidian") and
// "obsidianDailyNotesFolder" (wins over the vault's own folder setting).
class ObsidianTarget final : public CaptureTarget {
public:
    static constexpr const char* kCommandName = "obsidian";
    // A note that can neither be appended to nor read as UTF-8 text is left as
    // it was, and the capture fails with this code in ObsidianVaultPath's domain.
    static constexpr long kNoteLeftUnchangedCode = 4;

    // The references must outlive the target.
    ObsidianTarget(const UserDefaults& defaults, const Clock& clock, CaptureAnnouncer& landing);

    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    // Resolves the vault (its errors thrown before anything is written), makes
    // sure today's note exists (even for a blank line), then appends the
    // trimmed line; a blank one is nothing more to do. File-system failures
    // throw FileError; nothing is rolled back.
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;

private:
    std::string vaultSetting() const;

    const UserDefaults& defaults_;
    const Clock& clock_;
    CaptureAnnouncer& landing_;
};

}  // namespace qm
