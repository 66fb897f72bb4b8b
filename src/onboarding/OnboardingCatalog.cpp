#include "onboarding/OnboardingCatalog.h"

namespace qm {

const std::vector<OnboardingCatalog::SandboxTrigger>& OnboardingCatalog::sandboxTriggers()
{
    static const std::vector<SandboxTrigger> table{
        {"note", "Quick Capture"},    {"reminders", "Apple Reminders"},
        {"copy", "System Clipboard"}, {"timer", "Countdown Timer"},
        {"calc", "Calculator"},       {"alarm", "Alarm"},
        {"calendar", "Calendar"},     {"obsidian", "Obsidian Daily Journal"},
        {"logseq", "Logseq Journal"}, {"slack", "Slack"},
    };
    return table;
}

const std::vector<OnboardingCatalog::CaptureAction>& OnboardingCatalog::advertisedCaptureActions()
{
    static const std::vector<CaptureAction> table{
        {"//note", "Quick Capture", "Local markdown, zero setup"},
        {"//copy", "System Clipboard", "Copy without switching apps"},
        {"//timer", "Countdown Timer", "Menu bar countdown · macOS alert"},
        {"//calc", "Quick Calculator", "Live preview · Enter copies"},
        {"//reminders", "Apple Reminders", "Natural-language dates"},
        {"//obsidian", "Obsidian", "Daily-note append"},
        {"//logseq", "Logseq Journal", "Journal bullets"},
        {"//alarm", "One-Shot Alarm", "Local notification"},
        {"//calendar", "Calendar Event", "1-hour block from natural language"},
        {"//slack", "Slack", "Channels & DMs"},
    };
    return table;
}

const std::vector<std::vector<OnboardingCatalog::Chip>>& OnboardingCatalog::sandboxChipRows()
{
    static const std::vector<std::vector<Chip>> rows{
        {{"note", "Quick thought"}, {"copy", "Clean project"}, {"reminders", "Buy apples tomorrow"}},
        {{"timer", "25m focus"}, {"calc", "15% of 200"}},
        {{"alarm", "7:30am meds"}, {"calendar", "standup tomorrow 2pm"}, {"obsidian", "Log progress"}},
        {{"logseq", "TODO Review PR"}, {"slack", "#general Ship it"}},
    };
    return rows;
}

const std::vector<OnboardingCatalog::PermissionCard>& OnboardingCatalog::permissionCards()
{
    static const std::vector<PermissionCard> cards{
        {OnboardingPermission::accessibility, "hand.tap.fill", "Accessibility",
         "Required — detects // triggers in any app and opens the capture overlay.", "Open Settings…"},
        {OnboardingPermission::notifications, "bell.badge.fill", "Notifications",
         "Required — //timer and //alarm alerts, plus menu bar countdown when active.",
         "Allow Notifications…"},
        {OnboardingPermission::reminders, "checklist", "Reminders",
         "Required — saves //reminders tasks to Apple Reminders with due dates.", "Allow Reminders…"},
        {OnboardingPermission::calendar, "calendar.badge.plus", "Calendar",
         "Required — creates //calendar events on your default calendar.", "Allow Calendar…"},
    };
    return cards;
}

}  // namespace qm
