#include "platform/sim/keyboard/SimEventTapAfterEvent.h"

namespace qm {

namespace {

thread_local SimEventTapAfterEvent* current = nullptr;

}  // namespace

SimEventTapAfterEvent::SimEventTapAfterEvent() : outer_(current)
{
    current = this;
}

SimEventTapAfterEvent::~SimEventTapAfterEvent()
{
    close();
}

SimEventTapAfterEvent* SimEventTapAfterEvent::innermost()
{
    return current;
}

void SimEventTapAfterEvent::add(std::function<void()> block)
{
    blocks_.push_back(std::move(block));
}

void SimEventTapAfterEvent::finish()
{
    close();
    // Moved out first, so the frame holds nothing while its blocks run.
    std::vector<std::function<void()>> blocks = std::move(blocks_);
    blocks_.clear();
    for (auto& block : blocks) {
        block();
    }
}

void SimEventTapAfterEvent::close()
{
    if (current == this) {
        current = outer_;
    }
}

}  // namespace qm
