#pragma once

#include <array>
#include <string_view>

namespace qm {

// One line of the Help page's command reference.
struct CheatSheetRow {
    std::string_view trigger;
    std::string_view app;
    std::string_view description;
};

// The ten commands, in the order the Help page lists them.
inline constexpr std::array<CheatSheetRow, 10> kCheatSheet = {{
    {"//note", "Quick Capture", "Appends a timestamped line to ~/Documents/Quillmarker/Quick Capture.md."},
    {"//copy", "System Clipboard", "Copies captured text to your global clipboard."},
    {"//timer", "Countdown Timer",
     "Shows a macOS notification when done. View pending timers in Settings \u2192 Scheduled."},
    {"//calc", "Quick Calculator", "Evaluates math with a live preview and copies the result."},
    {"//reminders", "Apple Reminders", "Creates a reminder from natural language."},
    {"//obsidian", "Obsidian", "Appends to your configured daily note."},
    {"//logseq", "Logseq", "Appends a journal bullet."},
    {"//alarm", "One-Shot Alarm", "Schedules a local notification at a parsed time."},
    {"//calendar", "Calendar Event", "Creates a 1-hour calendar block from natural language."},
    {"//slack", "Slack Message", "Sends to your selected channel using a token held in Keychain."},
}};

}  // namespace qm
