#include "targets/RemindersTarget.h"

#include <memory>
#include <utility>

#include <fmt/format.h>

#include "base/Calendar.h"
#include "base/Log.h"
#include "base/PlatformError.h"
#include "base/Text.h"
#include "base/UtcTimestamp.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoopWait.h"
#include "records/CaptureAnnouncer.h"
#include "targets/CaptureDateParser.h"

namespace qm {

namespace {

using AccessAnswer = std::pair<bool, std::optional<PlatformError>>;

void requestAccess(EventStore& store, std::function<void(AccessAnswer)> answer)
{
    auto completion = [answer = std::move(answer)](bool granted, std::optional<PlatformError> error) {
        answer({granted, std::move(error)});
    };
    if (store.supportsFullAccessRequests()) {
        store.requestFullAccessToReminders(std::move(completion));
    } else {
        store.requestAccess(EventStoreEntityType::reminder, std::move(completion));
    }
}

}  // namespace

RemindersTarget::RemindersTarget(EventStore::Factory eventStores, MainLoop& mainLoop, const Clock& clock,
                                 CaptureAnnouncer& landing, CancellationToken shutdown)
    : CaptureTarget(kCommandName, /*needsPicker=*/false), eventStores_(std::move(eventStores)),
      mainLoop_(mainLoop), clock_(clock), landing_(landing), shutdown_(std::move(shutdown))
{
}

std::vector<PickerOption> RemindersTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void RemindersTarget::send(const std::string& text, const std::optional<PickerOption>&)
{
    const std::string line = text::trimmed(text);
    if (line.empty()) {
        return;
    }
    const std::shared_ptr<EventStore> store = eventStores_();
    const AccessAnswer access = awaitOnMainLoop<AccessAnswer>(
        mainLoop_, shutdown_,
        [store](std::function<void(AccessAnswer)> answer) { requestAccess(*store, std::move(answer)); });
    if (access.second) {
        throw *access.second;
    }
    if (!access.first) {
        throw PlatformError(kErrorDomain, kAccessDeniedCode, kAccessDeniedDescription);
    }

    const CaptureDateParseResult parsed = CaptureDateParser::parseTitleAndDate(line, clock_.now());
    Reminder reminder;
    reminder.title = parsed.title;
    if (parsed.date) {
        DateComponents due = Calendar::current().components(*parsed.date);
        due.second = 0;
        due.weekday = 0;
        if (parsed.hasTime) {
            reminder.alarms.push_back(EventStoreAlarm{*parsed.date});
        } else {
            // The parser's time of a day-only date means nothing: due that day, no alarm.
            due.hour = 0;
            due.minute = 0;
            reminder.dueDateIsAllDay = true;
        }
        reminder.dueDateComponents = due;
    }
    const std::optional<EventStoreCalendar> list = store->defaultCalendarForNewReminders();
    if (!list) {
        throw PlatformError(kErrorDomain, kNoDefaultListCode, kNoDefaultListDescription);
    }
    reminder.calendar = list;
    if (auto error = store->saveReminder(reminder)) {
        throw *error;
    }
    landing_.announce(commandName(), line, "Reminders · " + list->title, std::string(kRevealPath),
                      std::nullopt,
                      /*parksLoop=*/true);
    Log::log(
        fmt::format("📝 RemindersTarget: Successfully scheduled native macOS Reminder: '{}' with due date: {}",
                    parsed.title, parsed.date ? UtcTimestamp::description(*parsed.date) : "nil"));
}

}  // namespace qm
