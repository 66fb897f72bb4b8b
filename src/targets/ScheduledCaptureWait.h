#pragma once

#include <exception>
#include <functional>
#include <optional>

#include "platform/runtime/CancellationToken.h"
#include "targets/NotificationScheduler.h"

namespace qm {

class MainLoop;

// Runs one scheduling call of the notification scheduler on the main thread
// and waits for it on the calling background thread: its result, or its
// error rethrown.
ScheduledNotificationResult
awaitScheduling(MainLoop& mainLoop, const CancellationToken& shutdown,
                std::function<void(NotificationScheduler::ScheduleCompletion)> schedule);

}  // namespace qm
