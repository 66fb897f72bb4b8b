#include "settings/ErrorLogsModel.h"

#include <exception>

#include "base/Calendar.h"
#include "base/Text.h"
#include "platform/workspace/Workspace.h"
#include "records/FallbackCaptureLogger.h"
#include "records/RecordsNotifications.h"
#include "settings/HUDMessage.h"
#include "settings/PasteboardWrite.h"

namespace qm {

ErrorLogsModel::ErrorLogsModel(FallbackCaptureLogger& log, Pasteboard& pasteboard, Workspace& workspace,
                               NotificationCenter& notificationCenter, MainLoop& mainLoop)
    : log_(log), pasteboard_(pasteboard), workspace_(workspace), notificationCenter_(notificationCenter),
      copied_(mainLoop, [this] { changed(); })
{
    observer_ = notificationCenter_.addObserver(RecordsNotifications::fallbackCaptureLogChanged, nullptr,
                                                [this](const Notification&) { reload(); });
}

ErrorLogsModel::~ErrorLogsModel()
{
    notificationCenter_.removeObserver(observer_);
}

void ErrorLogsModel::reload()
{
    entries_ = FallbackCaptureLogger::readEntries(log_.logFileURL(), kLimit);
    changed();
}

std::vector<FallbackCaptureLoggerEntry> ErrorLogsModel::filteredEntries() const
{
    const std::string query = text::lowercased(text::trimmed(searchQuery_));
    if (query.empty()) {
        return entries_;
    }
    std::vector<FallbackCaptureLoggerEntry> result;
    for (const auto& entry : entries_) {
        if (text::lowercased(entry.target).find(query) != std::string::npos ||
            text::lowercased(entry.errorDescription).find(query) != std::string::npos ||
            text::lowercased(entry.text).find(query) != std::string::npos) {
            result.push_back(entry);
        }
    }
    return result;
}

void ErrorLogsModel::setSearchQuery(const std::string& query)
{
    searchQuery_ = query;
    changed();
}

std::string ErrorLogsModel::emptyStateText() const
{
    if (searchQuery_.empty()) {
        return "No capture errors recorded. Failed // captures appear here automatically.";
    }
    return "No error log entries match \"" + searchQuery_ + "\".";
}

std::string ErrorLogsModel::logFilePath() const
{
    return log_.logFileURL().string();
}

std::string ErrorLogsModel::formatTime(double time)
{
    return Calendar::current().format(time, Calendar::Style::Medium, Calendar::Style::Medium, "en_US_POSIX");
}

std::string ErrorLogsModel::copyText(const FallbackCaptureLoggerEntry& entry)
{
    return "target: //" + entry.target + "\ntime: " + formatTime(entry.timestamp) +
           "\nerror: " + entry.errorDescription + "\ntext: " + entry.text;
}

void ErrorLogsModel::copyEntry(const FallbackCaptureLoggerEntry& entry)
{
    if (!replacePasteboardText(pasteboard_, copyText(entry))) {
        postHUDMessage(notificationCenter_, "Could not copy these error details. Try again.",
                       "exclamationmark.triangle");
        return;
    }
    copied_.mark(entry.id);
}

void ErrorLogsModel::revealInFileViewer()
{
    workspace_.activateFileViewerSelecting({logFilePath()});
}

void ErrorLogsModel::clearLog()
{
    try {
        log_.clearLog();
    } catch (const std::exception& error) {
        statusMessage_ = std::string("Could not clear log: ") + error.what();
        changed();
        return;
    }
    statusMessage_ = "Error log cleared.";
    reload();
}

void ErrorLogsModel::changed()
{
    if (onChange) {
        onChange();
    }
}

}  // namespace qm
