#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "capture/CaptureOverlayState.h"
#include "targets/PickerOption.h"

namespace qm {

class UserDefaults;

// What the capture overlay shows, computed from the command word and one
// snapshot of the capture state; the widgets only draw it. Every choice that
// depends on the target compares the command word.
struct CaptureOverlayViewModel {
    // The picker shows at most this many rows.
    static constexpr std::size_t maxPickerRows = 5;

    struct Header {
        enum class Kind {
            // "TO" badge, the confirmed conversation, "esc to undo".
            confirmedTarget,
            // The Slack picker's heading; also the hint banner of other words.
            banner,
        };
        Kind kind = Kind::banner;
        std::string title;
        std::string subtitle;

        friend bool operator==(const Header&, const Header&) = default;
    };

    struct PickerRow {
        enum class Icon {
            channel,  // the name begins with "#"
            person,   // the name begins with "@"
            other,
        };
        PickerOption option;
        Icon icon = Icon::other;
        bool selected = false;

        friend bool operator==(const PickerRow&, const PickerRow&) = default;
    };

    // Shown alone, instead of everything below, when the target's folder
    // setting is empty.
    std::optional<std::string> configErrorMessage;
    std::optional<Header> header;
    std::string messageText;
    // Only while the message is empty.
    std::optional<std::string> placeholder;
    // "= " and the calculator's live result.
    std::optional<std::string> calcResultLine;
    std::vector<PickerRow> pickerRows;

    // Reads the Obsidian and Logseq folder settings from `defaults` (no file
    // system access).
    static CaptureOverlayViewModel make(const std::string& targetName, const CaptureOverlayState& state,
                                        const UserDefaults& defaults);

    // The configuration error of `targetName`: "obsidian" and "logseq" whose
    // folder setting is missing or blank; nothing for every other word.
    static std::optional<std::string> configErrorMessageFor(const std::string& targetName,
                                                            const UserDefaults& defaults);

    static PickerRow::Icon iconFor(const std::string& displayName);

    friend bool operator==(const CaptureOverlayViewModel&, const CaptureOverlayViewModel&) = default;
};

}  // namespace qm
