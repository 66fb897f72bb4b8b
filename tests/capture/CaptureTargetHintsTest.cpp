#include "capture/CaptureTargetHints.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace qm {
namespace {

struct HintCase {
    std::string command;
    bool slackFiltering;
    std::optional<CaptureTargetHints::Banner> banner;
    std::string placeholder;
};

class CaptureTargetHintsTable : public ::testing::TestWithParam<HintCase> {};

TEST_P(CaptureTargetHintsTable, GivesEachWordItsTexts)
{
    const HintCase& c = GetParam();
    EXPECT_EQ(CaptureTargetHints::banner(c.command), c.banner) << c.command;
    EXPECT_EQ(CaptureTargetHints::placeholder(c.command, c.slackFiltering), c.placeholder) << c.command;
}

using Banner = CaptureTargetHints::Banner;

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureTargetHintsTable,
    ::testing::Values(
        HintCase{
            "timer", false,
            Banner{"COUNTDOWN TIMER", "Notifies when done \u00B7 view pending in Settings \u2192 Scheduled"},
            "25m focus"},
        HintCase{"calc", false,
                 Banner{"QUICK CALCULATOR", "Live result while typing \u00B7 Enter copies answer"},
                 "15% of 847"},
        HintCase{"alarm", false,
                 Banner{"ONE-SHOT ALARM", "macOS notification at set time \u00B7 not Clock app"},
                 "7:30am take meds"},
        HintCase{"calendar", false,
                 Banner{"CALENDAR EVENT", "Natural language date/time \u00B7 1-hour block"},
                 "standup tomorrow 2pm"},
        HintCase{"reminders", false, Banner{"REMINDERS", "Optional due date \u2014 tomorrow 5pm works"},
                 "pick up dry cleaning tomorrow 8am"},
        HintCase{"note", false,
                 Banner{"QUICK CAPTURE", "Appends to ~/Documents/Quillmarker/Quick Capture.md"},
                 "buy milk on the way home"},
        HintCase{"copy", false, Banner{"CLIPBOARD", "Stages text on the system pasteboard"},
                 "ssh -i key.pem ubuntu@bastion"},
        HintCase{"obsidian", false, Banner{"OBSIDIAN", "Appends to today's daily note"},
                 "refactor this into a class"},
        HintCase{"logseq", false, Banner{"LOGSEQ", "Prefix TODO for task bullets"},
                 "TODO review competitor pricing"},
        HintCase{"slack", true, Banner{"SLACK TARGET SELECTION", "#channels or @contacts"},
                 "Filter target by typing (#channel or @user)..."},
        HintCase{"slack", false, Banner{"SLACK TARGET SELECTION", "#channels or @contacts"},
                 "deployment is live!"},
        HintCase{"note", true, Banner{"QUICK CAPTURE", "Appends to ~/Documents/Quillmarker/Quick Capture.md"},
                 "buy milk on the way home"},
        HintCase{"Note", false, std::nullopt, "Type message to capture..."},
        HintCase{"NOTE", false, std::nullopt, "Type message to capture..."},
        HintCase{"reminder", false, std::nullopt, "Type message to capture..."},
        HintCase{"", false, std::nullopt, "Type message to capture..."}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

}  // namespace
}  // namespace qm
