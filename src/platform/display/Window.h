#pragma once

#include <string_view>

namespace qm {

// One window of this program, as the code that watches the key window sees
// it. A window posts its three notifications on the default notification
// centre of the program, on the main thread, with itself (identity()) as the
// object: when it becomes the key window (the one that gets the keyboard),
// when it stops being key, and just before it closes.
class Window {
public:
    static constexpr std::string_view didBecomeKeyNotification = "NSWindowDidBecomeKeyNotification";
    static constexpr std::string_view didResignKeyNotification = "NSWindowDidResignKeyNotification";
    static constexpr std::string_view willCloseNotification = "NSWindowWillCloseNotification";

    virtual ~Window() = default;

    // What identifies the window: the object of its notifications and what
    // ApplicationWindows::keyWindow() answers while it is key.
    virtual const void* identity() const = 0;

    // Main thread.
    virtual bool isKeyWindow() const = 0;
};

}  // namespace qm
