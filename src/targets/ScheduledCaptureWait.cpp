#include "targets/ScheduledCaptureWait.h"

#include <utility>

#include "platform/runtime/MainLoopWait.h"

namespace qm {

ScheduledNotificationResult
awaitScheduling(MainLoop& mainLoop, const CancellationToken& shutdown,
                std::function<void(NotificationScheduler::ScheduleCompletion)> schedule)
{
    using Outcome = std::pair<std::optional<ScheduledNotificationResult>, std::exception_ptr>;
    Outcome outcome = awaitOnMainLoop<Outcome>(
        mainLoop, shutdown, [schedule = std::move(schedule)](std::function<void(Outcome)> done) {
            schedule([done](std::optional<ScheduledNotificationResult> result, std::exception_ptr error) {
                done({std::move(result), error});
            });
        });
    if (outcome.second) {
        std::rethrow_exception(outcome.second);
    }
    return *outcome.first;
}

}  // namespace qm
