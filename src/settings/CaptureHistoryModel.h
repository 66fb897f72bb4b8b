#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"
#include "records/CaptureHistoryEntry.h"
#include "records/CaptureStats.h"
#include "settings/CopyMark.h"
#include "settings/StatCard.h"

namespace qm {

class CaptureHistoryStore;
class Clock;
class Pasteboard;

// The History page: statistics, a search over the capture history, the newest
// 200 captures, copy and clear. It follows the store while it lives
// ("CaptureHistoryChanged"). A fresh model starts empty; load() fills it when
// the page comes on screen. Main thread only.
class CaptureHistoryModel {
public:
    static constexpr std::int64_t kLimit = 200;
    static constexpr const char* clearAlertMessage = "Clear capture history?";
    static constexpr const char* clearAlertInformativeText =
        "This permanently removes all local capture history. This action cannot be undone.";

    CaptureHistoryModel(CaptureHistoryStore& store, Pasteboard& pasteboard,
                        NotificationCenter& notificationCenter, MainLoop& mainLoop, const Clock& clock);
    ~CaptureHistoryModel();
    CaptureHistoryModel(const CaptureHistoryModel&) = delete;
    CaptureHistoryModel& operator=(const CaptureHistoryModel&) = delete;

    void load() { reload(); }

    const std::vector<CaptureHistoryEntry>& entries() const { return entries_; }
    const CaptureStats& stats() const { return stats_; }
    std::vector<StatCard> statCards() const { return historyStatCards(stats_); }

    const std::string& searchQuery() const { return searchQuery_; }
    // Every change reloads at once.
    void setSearchQuery(const std::string& query);

    // The empty-state line while no entry is listed.
    std::string emptyStateText() const;

    // The time shown under a capture (the ICU medium date, short time).
    static std::string formatTime(double time);

    // Puts the capture's text on the clipboard and marks its row; a refused write
    // shows a HUD message and leaves the clipboard and the mark as they were.
    void copyEntry(const CaptureHistoryEntry& entry);
    const std::optional<std::int64_t>& copiedEntryId() const { return copied_.current(); }

    // Asks `confirm` (the alert), which answers later or never; a yes clears
    // the history, if this model still lives then.
    using Confirm = std::function<void(std::function<void(bool confirmed)> answer)>;
    void clearHistory(const Confirm& confirm);

    std::function<void()> onChange;

private:
    void reload();
    void changed();

    CaptureHistoryStore& store_;
    Pasteboard& pasteboard_;
    NotificationCenter& notificationCenter_;
    const Clock& clock_;
    std::vector<CaptureHistoryEntry> entries_;
    CaptureStats stats_;
    std::string searchQuery_;
    CopyMark<std::int64_t> copied_;
    NotificationCenter::ObserverToken observer_;
    AliveToken alive_;
};

}  // namespace qm
