#include "records/CaptureFailureGuide.h"

#include <array>

#include "base/Text.h"

namespace qm {

namespace {

// "accessibility" and "unauthorized access" count too: the words are matched as substrings.
bool isPermissionFailure(std::string_view detail)
{
    static constexpr std::array<std::string_view, 4> kWords = {"permission", "denied", "not authorized",
                                                               "access"};
    const std::string lowered = text::lowercased(detail);
    for (const auto word : kWords) {
        if (lowered.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

const CaptureFailureGuide& CaptureFailureGuide::recoveryLog()
{
    static const CaptureFailureGuide guide{"Error Logs", std::nullopt, "Show recovery log"};
    return guide;
}

CaptureFailureGuide CaptureFailureGuide::resolve(std::string_view command, std::string_view detail)
{
    if (command == "obsidian") {
        return {"Capture Targets", "obsidianVault", "Open Obsidian settings"};
    }
    if (command == "logseq") {
        return {"Capture Targets", "logseqGraph", "Open Logseq settings"};
    }
    if (command == "slack") {
        return {"Capture Targets", "slack", "Open Slack settings"};
    }
    const bool permission = isPermissionFailure(detail);
    if ((command == "timer" || command == "alarm") && permission) {
        return {"Privacy & Permissions", "notifications", "Open Notification settings"};
    }
    if ((command == "calendar" || command == "reminders") && permission) {
        return {"Privacy & Permissions", std::string(command), "Open permissions"};
    }
    return recoveryLog();
}

}  // namespace qm
