#include "settings/StatCard.h"

#include <set>

namespace qm {

std::vector<StatCard> historyStatCards(const CaptureStats& stats)
{
    return {
        {std::to_string(stats.streakDays), "day streak", "flame.fill", stats.streakDays > 0, false},
        {std::to_string(stats.todayCount), "captured today", "sun.max.fill", false, false},
        {std::to_string(stats.weekCount), "this week", "calendar", false, false},
        {std::to_string(stats.bestStreakDays), "best streak", "trophy.fill", false, false},
        {std::to_string(stats.totalCount), "all time", "tray.full.fill", false, false},
    };
}

std::vector<StatCard> errorLogStatCards(const std::vector<FallbackCaptureLoggerEntry>& entries)
{
    std::set<std::string> targets;
    for (const auto& entry : entries) {
        targets.insert(entry.target);
    }
    const bool alert = !entries.empty();
    return {
        {std::to_string(entries.size()), "recorded errors", "exclamationmark.triangle.fill", false, alert},
        {std::to_string(targets.size()), targets.size() == 1 ? "target" : "targets", "arrow.triangle.branch",
         false, alert},
    };
}

}  // namespace qm
