#include "targets/AlarmTarget.h"

#include <fmt/format.h>

#include "base/Log.h"
#include "base/Text.h"
#include "base/UtcTimestamp.h"
#include "platform/runtime/Clock.h"
#include "records/CaptureAnnouncer.h"
#include "targets/AlarmTargetError.h"
#include "targets/CaptureDateParser.h"
#include "targets/ScheduledCaptureWait.h"

namespace qm {

AlarmTarget::AlarmTarget(NotificationScheduler& scheduler, MainLoop& mainLoop, const Clock& clock,
                         CaptureAnnouncer& landing, CancellationToken shutdown)
    : CaptureTarget(kCommandName, /*needsPicker=*/false), scheduler_(scheduler), mainLoop_(mainLoop),
      clock_(clock), landing_(landing), shutdown_(std::move(shutdown))
{
}

std::vector<PickerOption> AlarmTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void AlarmTarget::send(const std::string& text, const std::optional<PickerOption>&)
{
    const std::string line = text::trimmed(text);
    if (line.empty()) {
        throw AlarmTargetError(AlarmTargetError::emptyInput);
    }
    const CaptureDateParseResult parsed = CaptureDateParser::parseAlarm(line, clock_.now());
    if (!parsed.date) {
        throw AlarmTargetError(AlarmTargetError::noDateTime);
    }
    if (!parsed.hasTime) {
        throw AlarmTargetError(AlarmTargetError::dateWithoutTime);
    }
    const ScheduledNotificationResult scheduled =
        awaitScheduling(mainLoop_, shutdown_, [this, parsed](NotificationScheduler::ScheduleCompletion done) {
            scheduler_.scheduleAlarm(*parsed.date, parsed.title, NotificationScheduler::newIdentifier(),
                                     std::move(done));
        });
    landing_.announce(commandName(), line,
                      "Alarm set — " + CaptureDateParser::formatDateTime(scheduled.fireDate), std::nullopt,
                      std::string("alarm"), /*parksLoop=*/false);
    Log::log(fmt::format("⏰ AlarmTarget: Scheduled alarm for {} — '{}'",
                         UtcTimestamp::description(scheduled.fireDate), parsed.title));
}

}  // namespace qm
