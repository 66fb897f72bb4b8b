#pragma once

#include "platform/display/Window.h"

namespace qm {

class NotificationCenter;
class SimApplicationWindows;

// A window of this program on the stand-in desktop. Whether it is key is
// decided by its SimApplicationWindows, which also posts its notifications.
// Main thread.
class SimWindow final : public Window {
public:
    // Both must outlive the window.
    SimWindow(SimApplicationWindows& windows, NotificationCenter& center);
    ~SimWindow() override;
    SimWindow(const SimWindow&) = delete;
    SimWindow& operator=(const SimWindow&) = delete;

    const void* identity() const override { return this; }
    bool isKeyWindow() const override;

    // Posts will-close, then resigns key without a notification, as a
    // closing window does.
    void close();

private:
    SimApplicationWindows& windows_;
    NotificationCenter& center_;
};

}  // namespace qm
