#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/keyboard/EventTapFactory.h"
#include "platform/keyboard/SyntheticEventPoster.h"

namespace qm {

class SimDesktopState;
class SimEventTapList;

// The keyboard stream of the stand-in desktop. An event enters at a location
// (the keyboard at the HID location, a synthetic event where it was posted),
// passes the enabled taps from there on, and what no tap swallowed reaches the
// frontmost application: its own key handler if it has one, else its focused
// element (SimKeyResponder).
//
// Everything happens synchronously on the sending thread. One event at a time
// goes through, so events from several threads arrive in the order they were
// sent; an event sent from inside a tap callback or a key handler on the same
// thread goes through at once, ahead of the event in hand. Blocks given to
// performAfterEvent while an event goes through run on the sending thread
// once it has been delivered or swallowed, before the next event goes through.
class SimEventStream final : public EventTapFactory, public SyntheticEventPoster {
public:
    // What reached an application; pid 0 when no application was in front.
    struct Delivery {
        std::int32_t pid = 0;
        KeyEvent event;
    };
    // How many deliveries the log keeps unless told otherwise.
    static constexpr std::size_t deliveryLogLimit = 4096;

    SimEventStream(std::shared_ptr<SimDesktopState> state, std::int32_t ownPid);
    ~SimEventStream() override;

    // Fails without Accessibility trust or when told to (setTapCreationFails).
    std::shared_ptr<EventTap> createTap(EventTap::Location location, EventTap::Placement placement,
                                        EventTap::Options options, EventMask eventsOfInterest,
                                        EventTap::Callback callback) override;
    void post(EventTap::Location location, KeyEvent event) override;
    void performAfterEvent(std::function<void()> block) override;

    // A key of the keyboard, untagged, entering at the HID location.
    void sendFromKeyboard(const KeyEvent& event);

    // Switches `tap` off as the system does after a slow callback
    // (KeyEventType::tapDisabledByTimeout) or on user input
    // (KeyEventType::tapDisabledByUserInput): its callback hears it on this
    // thread, then the tap is bypassed until enabled again.
    void disableTap(EventTap& tap, KeyEventType reason);

    void setTapCreationFails(bool fails) { creationFails_.store(fails); }
    std::size_t tapCount() const;

    // The last events that reached an application (deliveryLogLimit unless
    // set otherwise), oldest first.
    std::vector<Delivery> deliveries() const;
    void clearDeliveries();
    // Keeps at most `limit` deliveries from now on (0: none), dropping the
    // oldest beyond it. Only tests read the log: a program on the stand-in
    // desktop keeps none rather than its user's last keystrokes.
    void setDeliveryLogLimit(std::size_t limit);

private:
    void send(const KeyEvent& event, EventTap::Location entry);
    // The event as the taps from `entry` on leave it; nothing when one swallowed it.
    std::optional<KeyEvent> passTaps(KeyEvent event, EventTap::Location entry);
    void deliver(const KeyEvent& event);

    std::shared_ptr<SimDesktopState> state_;
    std::int32_t ownPid_;
    std::shared_ptr<SimEventTapList> taps_;
    std::atomic<bool> creationFails_{false};
    std::recursive_mutex streamMutex_;
    mutable std::mutex logMutex_;
    std::deque<Delivery> deliveries_;
    std::size_t deliveryLimit_ = deliveryLogLimit;
};

}  // namespace qm
