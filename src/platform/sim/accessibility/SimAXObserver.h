#pragma once

#include <cstdint>
#include <memory>

#include "platform/accessibility/AXObserver.h"

namespace qm {

class SimDesktopState;

// An observer of one stand-in application. The desktop queues a delivery on
// the main loop for each change a registration matches; whether the observer
// still lives, is still on the main loop and still registered is decided when
// the delivery runs.
class SimAXObserver final : public AXObserver, public std::enable_shared_from_this<SimAXObserver> {
public:
    static std::shared_ptr<SimAXObserver> create(std::shared_ptr<SimDesktopState> state, std::int32_t pid,
                                                 Callback callback);
    ~SimAXObserver() override;

    std::int32_t pid() const override { return pid_; }
    AXError addNotification(const AXUIElement& element, std::string_view notification) override;
    AXError removeNotification(const AXUIElement& element, std::string_view notification) override;
    void addToMainLoop() override;
    void removeFromMainLoop() override;

    // Main thread, by the desktop.
    void deliver(const AXUIElement& element, std::string_view notification) const;

private:
    SimAXObserver(std::shared_ptr<SimDesktopState> state, std::int32_t pid, Callback callback);
    AXError checkElement(const AXUIElement& element) const;

    std::shared_ptr<SimDesktopState> state_;
    std::int32_t pid_;
    Callback callback_;
    std::uint64_t id_ = 0;
};

}  // namespace qm
