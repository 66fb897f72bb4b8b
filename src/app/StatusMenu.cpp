#include "app/StatusMenu.h"

#include <string>
#include <utility>

#include "base/Text.h"

namespace qm {

namespace {

using Look = StatusMenuItem::Look;

StatusMenuItem row(std::string title, std::optional<StatusMenuAction> action = std::nullopt,
                   Look look = Look::plain, std::string keyEquivalent = {})
{
    StatusMenuItem item;
    item.title = std::move(title);
    item.action = action;
    item.look = look;
    item.keyEquivalent = std::move(keyEquivalent);
    return item;
}

std::string loopTitle(const OpenLoop& loop)
{
    const std::string& title = loop.action.empty() ? loop.text : loop.action;
    if (text::graphemeCount(title) >= StatusMenu::kLoopTitleCutLength) {
        return text::truncateGraphemes(title, StatusMenu::kLoopTitleKept) + "…";
    }
    return title;
}

void addOpenLoopItems(std::vector<StatusMenuItem>& items, const StatusMenuInputs& inputs,
                      const Calendar& calendar)
{
    if (!inputs.openLoops.empty()) {
        items.push_back(row(calendar.components(inputs.now).hour < StatusMenu::kLoopHeaderSwitchHour
                                ? "Open loops"
                                : "Close today's loops"));
        for (const OpenLoop& loop : inputs.openLoops) {
            StatusMenuItem item = row(loopTitle(loop));
            StatusMenuItem done = row("Mark done", StatusMenuAction::markOpenLoopDone);
            done.representedObject = loop.id.string();
            item.submenu = {std::move(done), row("Leave parked", StatusMenuAction::leaveOpenLoopParked)};
            items.push_back(std::move(item));
        }
        items.push_back(StatusMenuItem::separator());
    }
    if (inputs.revealTitle) {
        items.push_back(row(*inputs.revealTitle, StatusMenuAction::revealLastCapture));
        items.push_back(StatusMenuItem::separator());
    }
}

void addStatistics(std::vector<StatusMenuItem>& items, const StatusMenuInputs& inputs,
                   const Calendar& calendar, std::string_view localeId)
{
    const CaptureStats& stats = inputs.stats;
    if (stats.totalCount == 0) {
        items.push_back(
            row("No captures yet · Open History", StatusMenuAction::openCaptureHistory, Look::statistic));
        return;
    }
    items.push_back(row("🔥 " + std::to_string(stats.streakDays) + "-day streak · " +
                            std::to_string(stats.todayCount) + " today",
                        StatusMenuAction::openCaptureHistory, Look::statistic));
    if (stats.totalCount < 0) {
        return;
    }
    items.push_back(row(std::to_string(stats.weekCount) + " this week · Best " +
                            std::to_string(stats.bestStreakDays) + " days · " +
                            std::to_string(stats.totalCount) + " total",
                        StatusMenuAction::openCaptureHistory));
    if (stats.lastTarget && stats.lastCaptureAt) {
        items.push_back(row("Last: //" + *stats.lastTarget + " · " +
                                calendar.relativeTime(*stats.lastCaptureAt, inputs.now, localeId),
                            StatusMenuAction::openCaptureHistory));
    }
}

}  // namespace

StatusMenu StatusMenu::build(const StatusMenuInputs& inputs, const Calendar& calendar,
                             std::string_view localeId)
{
    std::vector<StatusMenuItem> items;
    items.push_back(row("Quillmarker " + inputs.shortVersion.value_or("—"), std::nullopt, Look::header));
    if (inputs.accessibilityTrusted) {
        items.push_back(row("Capture ready · Type // in any app"));
    } else {
        items.push_back(row("Capture needs Accessibility permission", StatusMenuAction::openSettings));
    }
    items.push_back(StatusMenuItem::separator());

    addOpenLoopItems(items, inputs, calendar);

    if (!inputs.hasSelectedShortcut) {
        items.push_back(
            row("⚠️ Setup Required: Choose Shortcut Key", StatusMenuAction::openSettings, Look::warning));
        items.push_back(StatusMenuItem::separator());
    }

    addStatistics(items, inputs, calendar, localeId);
    items.push_back(StatusMenuItem::separator());

    if (inputs.pendingUpdateVersion) {
        items.push_back(row("⬆ Install update " + *inputs.pendingUpdateVersion + "…",
                            StatusMenuAction::restartToUpdate, Look::update));
        items.push_back(StatusMenuItem::separator());
    }

    items.push_back(row("Settings…", StatusMenuAction::openSettings, Look::plain, ","));
    items.push_back(row("Capture History…", StatusMenuAction::openCaptureHistory));
    items.push_back(row("Scheduled Timers & Alarms…", StatusMenuAction::openScheduledSettings));
    items.push_back(row("Check for Updates…", StatusMenuAction::checkForUpdates));
    items.push_back(StatusMenuItem::separator());
    items.push_back(row("Quit Quillmarker", StatusMenuAction::quitApp, Look::plain, "q"));
    return StatusMenu{std::move(items)};
}

}  // namespace qm
