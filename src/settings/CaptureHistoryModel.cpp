#include "settings/CaptureHistoryModel.h"

#include "base/Calendar.h"
#include "platform/runtime/Clock.h"
#include "records/CaptureHistoryStore.h"
#include "records/RecordsNotifications.h"
#include "settings/HUDMessage.h"
#include "settings/PasteboardWrite.h"

namespace qm {

CaptureHistoryModel::CaptureHistoryModel(CaptureHistoryStore& store, Pasteboard& pasteboard,
                                         NotificationCenter& notificationCenter, MainLoop& mainLoop,
                                         const Clock& clock)
    : store_(store), pasteboard_(pasteboard), notificationCenter_(notificationCenter), clock_(clock),
      copied_(mainLoop, [this] { changed(); })
{
    observer_ = notificationCenter_.addObserver(RecordsNotifications::captureHistoryChanged, nullptr,
                                                [this](const Notification&) { reload(); });
}

CaptureHistoryModel::~CaptureHistoryModel()
{
    notificationCenter_.removeObserver(observer_);
}

void CaptureHistoryModel::setSearchQuery(const std::string& query)
{
    searchQuery_ = query;
    reload();
}

std::string CaptureHistoryModel::emptyStateText() const
{
    if (searchQuery_.empty()) {
        return "No captures yet. Type // anywhere to make your first one.";
    }
    return "No captures match \"" + searchQuery_ + "\".";
}

std::string CaptureHistoryModel::formatTime(double time)
{
    return Calendar::current().format(time, Calendar::Style::Medium, Calendar::Style::Short);
}

void CaptureHistoryModel::copyEntry(const CaptureHistoryEntry& entry)
{
    if (!replacePasteboardText(pasteboard_, entry.text)) {
        postHUDMessage(notificationCenter_, "Could not copy this capture. Try again.",
                       "exclamationmark.triangle");
        return;
    }
    copied_.mark(entry.id);
}

void CaptureHistoryModel::clearHistory(const Confirm& confirm)
{
    // The store's change notice reloads the page.
    confirm(alive_.guard([this](bool confirmed) {
        if (confirmed) {
            store_.clearAll();
        }
    }));
}

void CaptureHistoryModel::reload()
{
    entries_ = store_.recentEntries(searchQuery_, kLimit);
    stats_ = store_.stats(clock_.now());
    changed();
}

void CaptureHistoryModel::changed()
{
    if (onChange) {
        onChange();
    }
}

}  // namespace qm
