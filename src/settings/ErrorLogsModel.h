#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/notifications/NotificationCenter.h"
#include "records/FallbackCaptureLoggerEntry.h"
#include "settings/CopyMark.h"
#include "settings/StatCard.h"

namespace qm {

class FallbackCaptureLogger;
class Pasteboard;
class Workspace;

// The Error Logs page over the recovery log: the newest 500 failed captures, a
// search over target, error and text, copy, reveal and clear (no
// confirmation). It follows the log while it lives ("FallbackCaptureLogChanged").
// Main thread only.
class ErrorLogsModel {
public:
    static constexpr std::size_t kLimit = 500;

    ErrorLogsModel(FallbackCaptureLogger& log, Pasteboard& pasteboard, Workspace& workspace,
                   NotificationCenter& notificationCenter, MainLoop& mainLoop);
    ~ErrorLogsModel();
    ErrorLogsModel(const ErrorLogsModel&) = delete;
    ErrorLogsModel& operator=(const ErrorLogsModel&) = delete;

    // Reads the log again; the search, the status line and the copy mark stay.
    void reload();

    const std::vector<FallbackCaptureLoggerEntry>& entries() const { return entries_; }
    std::vector<FallbackCaptureLoggerEntry> filteredEntries() const;
    std::vector<StatCard> statCards() const { return errorLogStatCards(entries_); }

    const std::string& searchQuery() const { return searchQuery_; }
    void setSearchQuery(const std::string& query);

    std::string emptyStateText() const;
    const std::string& statusMessage() const { return statusMessage_; }
    // The log file's path, as the banner shows it.
    std::string logFilePath() const;

    // The time on a card and in the copied text (ICU, en_US_POSIX, medium date and time).
    static std::string formatTime(double time);
    // The four labelled lines that Copy puts on the clipboard.
    static std::string copyText(const FallbackCaptureLoggerEntry& entry);

    // Marks the card only when the clipboard took the text; otherwise a HUD says so.
    void copyEntry(const FallbackCaptureLoggerEntry& entry);
    const std::optional<std::string>& copiedEntryId() const { return copied_.current(); }

    void revealInFileViewer();
    void clearLog();

    std::function<void()> onChange;

private:
    void changed();

    FallbackCaptureLogger& log_;
    Pasteboard& pasteboard_;
    Workspace& workspace_;
    NotificationCenter& notificationCenter_;
    std::vector<FallbackCaptureLoggerEntry> entries_;
    std::string searchQuery_;
    std::string statusMessage_;
    CopyMark<std::string> copied_;
    NotificationCenter::ObserverToken observer_;
};

}  // namespace qm
