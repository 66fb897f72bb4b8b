#include "capture/CaptureTargetHints.h"

#include <array>
#include <utility>

namespace qm {

namespace {

struct BannerRow {
    std::string_view command;
    std::string_view title;
    std::string_view subtitle;
};

constexpr std::array<BannerRow, 10> kBanners{{
    {"timer", "COUNTDOWN TIMER", "Notifies when done \u00B7 view pending in Settings \u2192 Scheduled"},
    {"calc", "QUICK CALCULATOR", "Live result while typing \u00B7 Enter copies answer"},
    {"alarm", "ONE-SHOT ALARM", "macOS notification at set time \u00B7 not Clock app"},
    {"calendar", "CALENDAR EVENT", "Natural language date/time \u00B7 1-hour block"},
    {"slack", "SLACK TARGET SELECTION", "#channels or @contacts"},
    {"reminders", "REMINDERS", "Optional due date \u2014 tomorrow 5pm works"},
    {"note", "QUICK CAPTURE", "Appends to ~/Documents/Quillmarker/Quick Capture.md"},
    {"copy", "CLIPBOARD", "Stages text on the system pasteboard"},
    {"obsidian", "OBSIDIAN", "Appends to today's daily note"},
    {"logseq", "LOGSEQ", "Prefix TODO for task bullets"},
}};

constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kPlaceholders{{
    {"timer", "25m focus"},
    {"calc", "15% of 847"},
    {"alarm", "7:30am take meds"},
    {"calendar", "standup tomorrow 2pm"},
    {"reminders", "pick up dry cleaning tomorrow 8am"},
    {"note", "buy milk on the way home"},
    {"copy", "ssh -i key.pem ubuntu@bastion"},
    {"obsidian", "refactor this into a class"},
    {"logseq", "TODO review competitor pricing"},
    {"slack", "deployment is live!"},
}};

constexpr std::string_view kSlackFilteringPlaceholder = "Filter target by typing (#channel or @user)...";
constexpr std::string_view kGenericPlaceholder = "Type message to capture...";

}  // namespace

std::optional<CaptureTargetHints::Banner> CaptureTargetHints::banner(std::string_view commandName)
{
    for (const BannerRow& row : kBanners) {
        if (row.command == commandName) {
            return Banner{std::string(row.title), std::string(row.subtitle)};
        }
    }
    return std::nullopt;
}

std::string CaptureTargetHints::placeholder(std::string_view commandName, bool isSlackFiltering)
{
    if (commandName == "slack" && isSlackFiltering) {
        return std::string(kSlackFilteringPlaceholder);
    }
    for (const auto& [command, text] : kPlaceholders) {
        if (command == commandName) {
            return std::string(text);
        }
    }
    return std::string(kGenericPlaceholder);
}

}  // namespace qm
