#include "app/StatusMenu.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using Look = StatusMenuItem::Look;

Calendar utc()
{
    return *Calendar::withTimeZone("UTC");
}

double at(const Calendar& calendar, const char* local)
{
    const auto time = calendar.parse(local, "yyyy-MM-dd HH:mm:ss");
    EXPECT_TRUE(time) << local;
    return time.value_or(0);
}

const char* actionName(StatusMenuAction action)
{
    switch (action) {
    case StatusMenuAction::openSettings:
        return "openSettings";
    case StatusMenuAction::openScheduledSettings:
        return "openScheduledSettings";
    case StatusMenuAction::openCaptureHistory:
        return "openCaptureHistory";
    case StatusMenuAction::checkForUpdates:
        return "checkForUpdates";
    case StatusMenuAction::restartToUpdate:
        return "restartToUpdate";
    case StatusMenuAction::quitApp:
        return "quitApp";
    case StatusMenuAction::revealLastCapture:
        return "revealLastCapture";
    case StatusMenuAction::markOpenLoopDone:
        return "markOpenLoopDone";
    case StatusMenuAction::leaveOpenLoopParked:
        return "leaveOpenLoopParked";
    }
    return "?";
}

const char* lookName(Look look)
{
    switch (look) {
    case Look::plain:
        return "";
    case Look::header:
        return " [header]";
    case Look::warning:
        return " [warning]";
    case Look::statistic:
        return " [statistic]";
    case Look::update:
        return " [update]";
    }
    return " [?]";
}

// One line per row: "title -> action ⌘key [look]", "title (disabled)",
// "---" for a separator, and submenu rows indented under their row.
std::vector<std::string> lines(const std::vector<StatusMenuItem>& items, const std::string& indent = "")
{
    std::vector<std::string> out;
    for (const StatusMenuItem& item : items) {
        if (item.isSeparator) {
            out.push_back(indent + "---");
            continue;
        }
        std::string line = indent + item.title;
        if (item.action) {
            line += std::string(" -> ") + actionName(*item.action);
        } else if (!item.isEnabled()) {
            line += " (disabled)";
        }
        if (!item.keyEquivalent.empty()) {
            line += " ⌘" + item.keyEquivalent;
        }
        line += lookName(item.look);
        out.push_back(line);
        for (const auto& sub : lines(item.submenu, indent + "  ")) {
            out.push_back(sub);
        }
    }
    return out;
}

OpenLoop loop(const std::string& action, const std::string& text = "the whole line")
{
    OpenLoop loop;
    loop.id = *Uuid::fromString("1b4e28ba-2fa1-11d2-883f-0016d3cca427");
    loop.action = action;
    loop.text = text;
    return loop;
}

StatusMenuInputs busyInputs(const Calendar& calendar)
{
    StatusMenuInputs inputs;
    inputs.now = at(calendar, "2024-03-20 10:00:00");
    inputs.shortVersion = "1.4.2";
    inputs.accessibilityTrusted = true;
    inputs.hasSelectedShortcut = true;
    inputs.stats = CaptureStats{.todayCount = 3,
                                .weekCount = 12,
                                .totalCount = 1234,
                                .streakDays = 5,
                                .bestStreakDays = 21,
                                .lastCaptureAt = inputs.now - 300,
                                .lastTarget = "note"};
    inputs.openLoops = {loop("call the plumber")};
    inputs.revealTitle = "Reveal Quick Capture.md";
    inputs.pendingUpdateVersion = "1.5.0";
    return inputs;
}

TEST(StatusMenuTest, EveryRowWithRecordsAnUpdateAndAnOpenLoop)
{
    const Calendar calendar = utc();
    const StatusMenu menu = StatusMenu::build(busyInputs(calendar), calendar, "en");
    EXPECT_THAT(
        lines(menu.items),
        ElementsAre(
            "Quillmarker 1.4.2 (disabled) [header]", "Capture ready · Type // in any app (disabled)", "---",
            "Open loops (disabled)", "call the plumber", "  Mark done -> markOpenLoopDone",
            "  Leave parked -> leaveOpenLoopParked", "---", "Reveal Quick Capture.md -> revealLastCapture",
            "---", "🔥 5-day streak · 3 today -> openCaptureHistory [statistic]",
            "12 this week · Best 21 days · 1234 total -> openCaptureHistory",
            "Last: //note · 5 min. ago -> openCaptureHistory", "---",
            "⬆ Install update 1.5.0… -> restartToUpdate [update]", "---", "Settings… -> openSettings ⌘,",
            "Capture History… -> openCaptureHistory", "Scheduled Timers & Alarms… -> openScheduledSettings",
            "Check for Updates… -> checkForUpdates", "---", "Quit Quillmarker -> quitApp ⌘q"));
    // "Mark done" names its loop by the upper-case UUID.
    EXPECT_EQ(menu.items[4].submenu[0].representedObject, "1B4E28BA-2FA1-11D2-883F-0016D3CCA427");
    EXPECT_TRUE(menu.items[4].isEnabled()) << "a loop row opens its submenu";
}

TEST(StatusMenuTest, EmptyRecordsOnAFirstRunWithoutAccessibilityOrShortcut)
{
    StatusMenuInputs inputs;
    inputs.now = at(utc(), "2024-03-20 10:00:00");
    const StatusMenu menu = StatusMenu::build(inputs, utc(), "en");
    EXPECT_THAT(lines(menu.items),
                ElementsAre("Quillmarker — (disabled) [header]",
                            "Capture needs Accessibility permission -> openSettings", "---",
                            "⚠️ Setup Required: Choose Shortcut Key -> openSettings [warning]", "---",
                            "No captures yet · Open History -> openCaptureHistory [statistic]", "---",
                            "Settings… -> openSettings ⌘,", "Capture History… -> openCaptureHistory",
                            "Scheduled Timers & Alarms… -> openScheduledSettings",
                            "Check for Updates… -> checkForUpdates", "---",
                            "Quit Quillmarker -> quitApp ⌘q"));
}

// The rows between the capture line's separator and the one before the
// settings entries, for the figures alone.
std::vector<std::string> statisticRows(const CaptureStats& stats, double now)
{
    StatusMenuInputs inputs;
    inputs.now = now;
    inputs.accessibilityTrusted = true;
    inputs.hasSelectedShortcut = true;
    inputs.stats = stats;
    auto all = lines(StatusMenu::build(inputs, utc(), "en").items);
    // Header, capture line, separator ... separator, then the five fixed rows and a separator.
    return {all.begin() + 3, all.end() - 7};
}

TEST(StatusMenuTest, CaptureFiguresCollapseWithWhatIsKnown)
{
    const double now = at(utc(), "2024-03-20 10:00:00");
    struct Case {
        const char* name;
        CaptureStats stats;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"none", {}, {"No captures yet · Open History -> openCaptureHistory [statistic]"}},
        {"no target or date",
         {.todayCount = 0,
          .weekCount = 0,
          .totalCount = 7,
          .streakDays = 0,
          .bestStreakDays = 2,
          .lastCaptureAt = {},
          .lastTarget = {}},
         {"🔥 0-day streak · 0 today -> openCaptureHistory [statistic]",
          "0 this week · Best 2 days · 7 total -> openCaptureHistory"}},
        {"a date without a target",
         {.totalCount = 1, .streakDays = 1, .bestStreakDays = 1, .lastCaptureAt = now - 60, .lastTarget = {}},
         {"🔥 1-day streak · 0 today -> openCaptureHistory [statistic]",
          "0 this week · Best 1 days · 1 total -> openCaptureHistory"}},
        {"a target without a date",
         {.totalCount = 1, .streakDays = 1, .bestStreakDays = 1, .lastCaptureAt = {}, .lastTarget = "clip"},
         {"🔥 1-day streak · 0 today -> openCaptureHistory [statistic]",
          "0 this week · Best 1 days · 1 total -> openCaptureHistory"}},
        {"no grouping of large numbers",
         {.todayCount = 1000,
          .weekCount = 25000,
          .totalCount = 1000000,
          .streakDays = 1200,
          .bestStreakDays = 1200,
          .lastCaptureAt = now - 7200,
          .lastTarget = "timer"},
         {"🔥 1200-day streak · 1000 today -> openCaptureHistory [statistic]",
          "25000 this week · Best 1200 days · 1000000 total -> openCaptureHistory",
          "Last: //timer · 2 hr. ago -> openCaptureHistory"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(statisticRows(c.stats, now), c.expected) << c.name;
    }
}

TEST(StatusMenuTest, LastCaptureShowsItsTimeRelativeToNow)
{
    const Calendar calendar = utc();
    const double now = at(calendar, "2024-03-20 10:00:00");
    struct Case {
        double ago;
        const char* expected;
    };
    const Case cases[] = {
        {0, "Last: //note · in 0 sec."},          {42, "Last: //note · 42 sec. ago"},
        {300, "Last: //note · 5 min. ago"},       {3 * 3600 + 1800, "Last: //note · 3 hr. ago"},
        {86400 * 2, "Last: //note · 2 days ago"}, {86400 * 9, "Last: //note · 1 wk. ago"},
        {86400 * 70, "Last: //note · 2 mo. ago"}, {86400 * 400, "Last: //note · 1 yr. ago"},
    };
    for (const Case& c : cases) {
        const CaptureStats stats{.totalCount = 1, .lastCaptureAt = now - c.ago, .lastTarget = "note"};
        const auto rows = statisticRows(stats, now);
        ASSERT_EQ(rows.size(), 3u) << c.ago;
        EXPECT_EQ(rows[2], std::string(c.expected) + " -> openCaptureHistory") << c.ago;
    }
}

TEST(StatusMenuTest, LongLoopTitlesAreCutToFortyFiveCharacters)
{
    const std::string sixty(60, 'a');
    const std::string flags = [] {
        std::string text;
        for (int i = 0; i < 50; ++i) {
            text += "🇩🇪";  // one character of two code points
        }
        return text;
    }();
    std::string flagsKept;
    for (int i = 0; i < 45; ++i) {
        flagsKept += "🇩🇪";
    }
    struct Case {
        std::string action;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {sixty, "", std::string(45, 'a') + "…"},
        {std::string(49, 'b'), "", std::string(45, 'b') + "…"},
        {std::string(48, 'c'), "", std::string(48, 'c')},
        {"", "buy milk", "buy milk"},
        {"", std::string(52, 'd'), std::string(45, 'd') + "…"},
        {flags, "", flagsKept + "…"},
        {"tidy the garage", "when home tidy the garage", "tidy the garage"},
    };
    const Calendar calendar = utc();
    for (const Case& c : cases) {
        StatusMenuInputs inputs;
        inputs.now = at(calendar, "2024-03-20 10:00:00");
        inputs.openLoops = {loop(c.action, c.text)};
        const StatusMenu menu = StatusMenu::build(inputs, calendar, "en");
        ASSERT_GT(menu.items.size(), 4u);
        EXPECT_EQ(menu.items[4].title, c.expected) << c.action << " / " << c.text;
    }
}

TEST(StatusMenuTest, OpenLoopHeaderSwitchesAtFiveInTheAfternoonLocalTime)
{
    const Calendar berlin = *Calendar::withTimeZone("Europe/Berlin");
    struct Case {
        const char* local;
        const char* header;
    };
    const Case cases[] = {
        {"2024-03-20 00:00:00", "Open loops"},
        {"2024-03-20 16:59:59", "Open loops"},
        {"2024-03-20 17:00:00", "Close today's loops"},
        {"2024-03-20 23:59:59", "Close today's loops"},
    };
    for (const Case& c : cases) {
        StatusMenuInputs inputs;
        inputs.now = at(berlin, c.local);
        inputs.openLoops = {loop("first"), loop("second")};
        const auto rows = lines(StatusMenu::build(inputs, berlin, "en").items);
        ASSERT_GT(rows.size(), 10u);
        EXPECT_EQ(rows[3], std::string(c.header) + " (disabled)") << c.local;
        EXPECT_EQ(rows[4], "first");
        EXPECT_EQ(rows[7], "second");
        EXPECT_EQ(rows[10], "---") << "one separator after the last loop";
    }
}

TEST(StatusMenuTest, UpdateRowOnlyWhileAnUpdateIsPending)
{
    const Calendar calendar = utc();
    StatusMenuInputs inputs = busyInputs(calendar);
    for (const auto& [pending, expected] :
         std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>>{
             {"2.0", "⬆ Install update 2.0…"},
             {"10.11.12", "⬆ Install update 10.11.12…"},
             {std::nullopt, {}}}) {
        inputs.pendingUpdateVersion = pending;
        const auto items = StatusMenu::build(inputs, calendar, "en").items;
        const auto update = std::find_if(items.begin(), items.end(),
                                         [](const auto& item) { return item.look == Look::update; });
        if (!expected) {
            EXPECT_EQ(update, items.end());
            EXPECT_EQ(std::count_if(items.begin(), items.end(), [](const auto& i) { return i.isSeparator; }),
                      5)
                << "no separator of its own";
            continue;
        }
        ASSERT_NE(update, items.end());
        EXPECT_EQ(update->title, *expected);
        EXPECT_EQ(update->action, StatusMenuAction::restartToUpdate);
        EXPECT_TRUE((update + 1)->isSeparator);
        EXPECT_EQ((update + 2)->title, "Settings…");
    }
}

}  // namespace
}  // namespace qm::test
