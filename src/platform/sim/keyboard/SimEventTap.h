#pragma once

#include <atomic>
#include <memory>

#include "platform/keyboard/EventTap.h"
#include "platform/keyboard/KeyEventType.h"

namespace qm {

class SimEventTapList;

// A tap of the stand-in keyboard stream. Its state is shared with the stream,
// which calls the callback on the sending thread.
class SimEventTap final : public EventTap {
public:
    struct State {
        Location location = Location::session;
        Options options = Options::defaultTap;
        EventMask mask = 0;
        Callback callback;
        std::atomic<bool> enabled{true};
        std::atomic<bool> valid{true};
    };

    SimEventTap(std::shared_ptr<State> state, std::weak_ptr<SimEventTapList> list);
    ~SimEventTap() override;

    void setEnabled(bool enabled) override;
    bool isEnabled() const override;
    void invalidate() override;
    bool isValid() const override;

    const std::shared_ptr<State>& state() const { return state_; }

private:
    std::shared_ptr<State> state_;
    std::weak_ptr<SimEventTapList> list_;
};

}  // namespace qm
