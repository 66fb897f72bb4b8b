#pragma once

#include <string>
#include <vector>

#include "records/CaptureStats.h"
#include "records/FallbackCaptureLoggerEntry.h"

namespace qm {

// One small statistic card above the History and Error Logs lists.
struct StatCard {
    std::string value;  // plain decimal digits, no grouping
    std::string label;
    std::string icon;
    bool highlight = false;  // gold icon and border (History's day streak only)
    bool alert = false;      // red icon (Error Logs, while any entry is loaded)

    bool operator==(const StatCard&) const = default;
};

// The History page's five cards: day streak, today, this week, best streak, all time.
std::vector<StatCard> historyStatCards(const CaptureStats& stats);

// The Error Logs page's two cards over every loaded entry (never the search result).
std::vector<StatCard> errorLogStatCards(const std::vector<FallbackCaptureLoggerEntry>& entries);

}  // namespace qm
