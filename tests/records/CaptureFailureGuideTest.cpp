#include "records/CaptureFailureGuide.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace qm {
namespace {

struct GuideCase {
    const char* command;
    const char* detail;
    CaptureFailureGuide expected;
};

const CaptureFailureGuide kRecovery{"Error Logs", std::nullopt, "Show recovery log"};
const CaptureFailureGuide kNotifications{"Privacy & Permissions", "notifications",
                                         "Open Notification settings"};

TEST(CaptureFailureGuideTest, leadsToTheSettingThatFixesTheFailure)
{
    const GuideCase cases[] = {
        {"obsidian", "Disk full", {"Capture Targets", "obsidianVault", "Open Obsidian settings"}},
        {"obsidian", "Permission denied", {"Capture Targets", "obsidianVault", "Open Obsidian settings"}},
        {"logseq", "", {"Capture Targets", "logseqGraph", "Open Logseq settings"}},
        {"slack", "channel_not_found", {"Capture Targets", "slack", "Open Slack settings"}},
        {"timer", "Notifications are NOT AUTHORIZED.", kNotifications},
        {"alarm", "Permission to notify was refused", kNotifications},
        {"alarm", "Request DENIED", kNotifications},
        {"timer", "Could not parse 25q", kRecovery},
        {"calendar", "Access to Calendar is off", {"Privacy & Permissions", "calendar", "Open permissions"}},
        {"reminders", "Needs accessibility", {"Privacy & Permissions", "reminders", "Open permissions"}},
        {"reminders", "The list is gone", kRecovery},
        {"Timer", "not authorized", kRecovery},
        {"reminder", "access denied", kRecovery},
        {"note", "Permission denied", kRecovery},
        {"copy", "", kRecovery},
        {"calc", "Division by zero", kRecovery},
        {"", "access", kRecovery},
        // Unicode lower-casing: a dotted capital I becomes i and a combining dot, and full-width
        // letters stay full-width, so neither spells a permission word.
        {"calendar", "PERMİSSİON", kRecovery},
        {"calendar", "ＡＣＣＥＳＳ", kRecovery},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CaptureFailureGuide::resolve(c.command, c.detail), c.expected)
            << "command '" << c.command << "', detail '" << c.detail << "'";
    }
}

}  // namespace
}  // namespace qm
