#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/runtime/MainLoop.h"

namespace qm {

class Clock;
class NotificationCenter;

// The in-process echo of a timer or alarm: when it comes due while the
// program runs, the HUD shows its text, whether or not the system showed its
// own notification. One armed item per request identifier; the table lives
// only in the process and starts empty at every launch.
class TimerCompletionFallback {
public:
    using ShowHUD =
        std::function<void(const std::string& message, const std::optional<std::string>& systemImage)>;

    // The references must outlive the fallback; items still armed when it goes never run.
    TimerCompletionFallback(MainLoop& mainLoop, const Clock& clock, NotificationCenter& notificationCenter,
                            ShowHUD showHUD);
    ~TimerCompletionFallback();
    TimerCompletionFallback(const TimerCompletionFallback&) = delete;
    TimerCompletionFallback& operator=(const TimerCompletionFallback&) = delete;

    // Main thread. Arms (or re-arms) `identifier` to show `body` on the HUD at
    // `fireDate`, with the "alarm" symbol when `title` is "Alarm" and "timer"
    // otherwise, then to post "ScheduledCapturesChanged".
    void schedule(const std::string& identifier, double fireDate, const std::string& title,
                  const std::string& body);
    // Any thread. Disarms `identifier`; an unknown one is ignored.
    void cancel(const std::string& identifier);

    // How many items are armed.
    std::size_t armedCount() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace qm
