#include "targets/CalendarTarget.h"

#include <fmt/format.h>

#include "base/Log.h"
#include "base/Text.h"
#include "base/UtcTimestamp.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoopWait.h"
#include "records/CaptureAnnouncer.h"
#include "targets/CalendarTargetError.h"
#include "targets/CaptureDateParser.h"

namespace qm {

namespace {

// A day without a time of day starts at 09:00.
std::optional<double> resolveStartDate(const CaptureDateParseResult& parsed)
{
    if (!parsed.date) {
        return std::nullopt;
    }
    if (parsed.hasTime) {
        return parsed.date;
    }
    return CaptureDateParser::dateWithDefaultMorningTime(parsed, 9, 0);
}

}  // namespace

CalendarTarget::CalendarTarget(EventStore::Factory eventStores, AccessRequest requestAccess,
                               MainLoop& mainLoop, const Clock& clock, CaptureAnnouncer& landing,
                               CancellationToken shutdown)
    : CaptureTarget(kCommandName, /*needsPicker=*/false), eventStores_(std::move(eventStores)),
      requestAccess_(std::move(requestAccess)), mainLoop_(mainLoop), clock_(clock), landing_(landing),
      shutdown_(std::move(shutdown))
{
}

std::vector<PickerOption> CalendarTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void CalendarTarget::send(const std::string& text, const std::optional<PickerOption>&)
{
    const std::string line = text::trimmed(text);
    if (line.empty()) {
        throw CalendarTargetError(CalendarTargetError::emptyInput);
    }
    const bool granted =
        awaitOnMainLoop<bool>(mainLoop_, shutdown_, [this](std::function<void(bool)> answer) {
            requestAccess_(std::move(answer));
        });
    if (!granted) {
        throw CalendarTargetError(CalendarTargetError::permissionDenied);
    }
    const CaptureDateParseResult parsed = CaptureDateParser::parseTitleAndDate(line, clock_.now());
    const std::optional<double> start = resolveStartDate(parsed);
    if (!start) {
        throw CalendarTargetError(CalendarTargetError::noDateTime);
    }
    const std::unique_ptr<EventStore> store = eventStores_();
    const std::optional<EventStoreCalendar> calendar = store->defaultCalendarForNewEvents();
    if (!calendar) {
        throw CalendarTargetError(CalendarTargetError::noWritableCalendar);
    }
    CalendarEvent event;
    event.calendar = calendar;
    event.title = parsed.title;
    event.startDate = *start;
    event.endDate = *start + kEventLength;
    if (auto error = store->saveEvent(event)) {
        throw *error;
    }
    landing_.announce(commandName(), line,
                      "Calendar · " + calendar->title + " · " + CaptureDateParser::formatDateTime(*start),
                      std::string(kRevealPath), std::string("calendar"), /*parksLoop=*/true);
    Log::log(fmt::format("📅 CalendarTarget: Created event '{}' at {}", parsed.title,
                         UtcTimestamp::description(*start)));
}

}  // namespace qm
