#include "targets/TimerTarget.h"

#include <fmt/format.h>

#include "base/Log.h"
#include "base/Text.h"
#include "base/UtcTimestamp.h"
#include "records/CaptureAnnouncer.h"
#include "targets/CaptureDateParser.h"
#include "targets/DurationParser.h"
#include "targets/ScheduledCaptureWait.h"

namespace qm {

TimerTarget::TimerTarget(NotificationScheduler& scheduler, MainLoop& mainLoop, CaptureAnnouncer& landing,
                         CancellationToken shutdown)
    : CaptureTarget(kCommandName, /*needsPicker=*/false), scheduler_(scheduler), mainLoop_(mainLoop),
      landing_(landing), shutdown_(std::move(shutdown))
{
}

std::vector<PickerOption> TimerTarget::pickerOptions(const CancellationToken&)
{
    return {};
}

void TimerTarget::send(const std::string& text, const std::optional<PickerOption>&)
{
    const std::string line = text::trimmed(text);
    const DurationParseResult parsed = DurationParser::parse(line);
    const ScheduledNotificationResult scheduled =
        awaitScheduling(mainLoop_, shutdown_, [this, parsed](NotificationScheduler::ScheduleCompletion done) {
            scheduler_.scheduleTimer(parsed.interval, parsed.label, NotificationScheduler::newIdentifier(),
                                     std::move(done));
        });
    landing_.announce(commandName(), line,
                      "Timer set — fires at " + CaptureDateParser::formatTime(scheduled.fireDate),
                      std::nullopt, std::string("timer"), /*parksLoop=*/false);
    Log::log(fmt::format("⏱️ TimerTarget: Scheduled timer for {} ({}), fireDate={}",
                         parsed.displayDuration, parsed.label.value_or("no label"),
                         UtcTimestamp::description(scheduled.fireDate)));
}

}  // namespace qm
