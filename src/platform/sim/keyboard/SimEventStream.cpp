#include "platform/sim/keyboard/SimEventStream.h"

#include <array>
#include <functional>

#include "platform/sim/desktop/SimDesktopState.h"
#include "platform/sim/keyboard/SimEventTap.h"
#include "platform/sim/keyboard/SimEventTapAfterEvent.h"
#include "platform/sim/keyboard/SimEventTapList.h"
#include "platform/sim/keyboard/SimKeyResponder.h"

namespace qm {

SimEventStream::SimEventStream(std::shared_ptr<SimDesktopState> state, std::int32_t ownPid)
    : state_(std::move(state)), ownPid_(ownPid), taps_(std::make_shared<SimEventTapList>())
{
}

SimEventStream::~SimEventStream() = default;

std::shared_ptr<EventTap> SimEventStream::createTap(EventTap::Location location,
                                                    EventTap::Placement placement, EventTap::Options options,
                                                    EventMask eventsOfInterest, EventTap::Callback callback)
{
    {
        const auto lock = state_->lock();
        if (!state_->isAlive() || !state_->isTrusted() || creationFails_.load() || !callback) {
            return nullptr;
        }
    }
    auto state = std::make_shared<SimEventTap::State>();
    state->location = location;
    state->options = options;
    state->mask = eventsOfInterest;
    state->callback = std::move(callback);
    taps_->add(state, placement);
    return std::make_shared<SimEventTap>(std::move(state), taps_);
}

void SimEventStream::post(EventTap::Location location, KeyEvent event)
{
    event.setSourceUserData(KeyEvent::ourSourceUserData);
    event.setSourcePid(ownPid_);
    send(event, location);
}

void SimEventStream::sendFromKeyboard(const KeyEvent& event)
{
    send(event, EventTap::Location::hid);
}

void SimEventStream::performAfterEvent(std::function<void()> block)
{
    if (SimEventTapAfterEvent* frame = SimEventTapAfterEvent::innermost()) {
        frame->add(std::move(block));
    } else {
        block();
    }
}

void SimEventStream::send(const KeyEvent& event, EventTap::Location entry)
{
    // The blocks run before the stream is free for the next event, so work
    // they hand on keeps the order of the events, whichever thread sent them.
    std::lock_guard stream(streamMutex_);
    SimEventTapAfterEvent frame;
    if (const auto passed = passTaps(event, entry)) {
        deliver(*passed);
    }
    frame.finish();
}

std::optional<KeyEvent> SimEventStream::passTaps(KeyEvent event, EventTap::Location entry)
{
    static constexpr std::array order{EventTap::Location::hid, EventTap::Location::session,
                                      EventTap::Location::annotatedSession};
    bool reached = false;
    for (const EventTap::Location location : order) {
        reached = reached || location == entry;
        if (!reached) {
            continue;
        }
        for (const auto& tap : taps_->at(location)) {
            if (!tap->valid.load() || !tap->enabled.load() || (tap->mask & eventMaskBit(event.type())) == 0) {
                continue;
            }
            std::optional<KeyEvent> result = tap->callback(event);
            if (tap->options == EventTap::Options::listenOnly) {
                continue;
            }
            if (!result) {
                return std::nullopt;  // swallowed
            }
            event = *result;
        }
    }
    return event;
}

void SimEventStream::deliver(const KeyEvent& event)
{
    std::function<void(const KeyEvent&)> handler;
    std::int32_t pid = 0;
    {
        const auto lock = state_->lock();
        if (!state_->isAlive()) {
            return;
        }
        if (SimAppRecord* app = state_->application(state_->frontmostPid())) {
            pid = app->pid;
            if (app->keyHandler) {
                handler = app->keyHandler;
            } else {
                SimKeyResponder::handle(*state_, *app, event);
            }
        }
    }
    {
        std::lock_guard lock(logMutex_);
        if (deliveryLimit_ > 0) {
            deliveries_.push_back({pid, event});
            if (deliveries_.size() > deliveryLimit_) {
                deliveries_.pop_front();
            }
        }
    }
    if (handler) {
        handler(event);
    }
}

void SimEventStream::disableTap(EventTap& tap, KeyEventType reason)
{
    const auto& state = dynamic_cast<SimEventTap&>(tap).state();
    std::lock_guard stream(streamMutex_);
    SimEventTapAfterEvent frame;
    state->enabled.store(false);
    if (state->valid.load()) {
        state->callback(KeyEvent::tapDisabled(reason));
    }
    frame.finish();
}

std::size_t SimEventStream::tapCount() const
{
    return taps_->size();
}

std::vector<SimEventStream::Delivery> SimEventStream::deliveries() const
{
    std::lock_guard lock(logMutex_);
    return {deliveries_.begin(), deliveries_.end()};
}

void SimEventStream::clearDeliveries()
{
    std::lock_guard lock(logMutex_);
    deliveries_.clear();
}

void SimEventStream::setDeliveryLogLimit(std::size_t limit)
{
    std::lock_guard lock(logMutex_);
    deliveryLimit_ = limit;
    while (deliveries_.size() > deliveryLimit_) {
        deliveries_.pop_front();
    }
    if (deliveries_.empty()) {
        // Gives back the deque's blocks too.
        std::deque<Delivery>().swap(deliveries_);
    }
}

}  // namespace qm
