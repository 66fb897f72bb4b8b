#include "targets/TimerCompletionFallback.h"

#include <algorithm>
#include <cmath>

#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/Clock.h"
#include "targets/TargetsNotifications.h"

namespace qm {

struct TimerCompletionFallback::State {
    State(MainLoop& mainLoop, const Clock& clock, NotificationCenter& notificationCenter, ShowHUD showHUD)
        : mainLoop(mainLoop), clock(clock), notificationCenter(notificationCenter),
          showHUD(std::move(showHUD))
    {
    }

    MainLoop& mainLoop;
    const Clock& clock;
    NotificationCenter& notificationCenter;
    ShowHUD showHUD;
    mutable std::mutex lock;
    std::map<std::string, ScheduledTask> workItems;

    void cancel(const std::string& identifier)
    {
        std::lock_guard guard(lock);
        const auto found = workItems.find(identifier);
        if (found != workItems.end()) {
            found->second.cancel();
            workItems.erase(found);
        }
    }
};

TimerCompletionFallback::TimerCompletionFallback(MainLoop& mainLoop, const Clock& clock,
                                                 NotificationCenter& notificationCenter, ShowHUD showHUD)
    : state_(std::make_shared<State>(mainLoop, clock, notificationCenter, std::move(showHUD)))
{
}

TimerCompletionFallback::~TimerCompletionFallback()
{
    std::lock_guard guard(state_->lock);
    for (auto& [identifier, item] : state_->workItems) {
        item.cancel();
    }
}

void TimerCompletionFallback::schedule(const std::string& identifier, double fireDate,
                                       const std::string& title, const std::string& body)
{
    double delay = fireDate - state_->clock.now();
    if (std::isnan(delay)) {
        delay = 0;
    }
    delay = std::max(0.0, delay);
    state_->cancel(identifier);
    const std::optional<std::string> symbol = std::string(title == "Alarm" ? "alarm" : "timer");
    std::weak_ptr<State> weak = state_;
    ScheduledTask item = state_->mainLoop.postAfter(delay, [weak, identifier, body, symbol] {
        const auto state = weak.lock();
        if (!state) {
            return;
        }
        if (state->showHUD) {
            state->showHUD(body, symbol);
        }
        state->cancel(identifier);
        state->notificationCenter.post(TargetsNotifications::scheduledCapturesChanged);
    });
    // Arming happens on the main thread, so even a zero delay cannot run before this.
    std::lock_guard guard(state_->lock);
    state_->workItems[identifier] = item;
}

void TimerCompletionFallback::cancel(const std::string& identifier)
{
    state_->cancel(identifier);
}

std::size_t TimerCompletionFallback::armedCount() const
{
    std::lock_guard guard(state_->lock);
    return state_->workItems.size();
}

}  // namespace qm
