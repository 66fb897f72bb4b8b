#pragma once

namespace qm {

// This program's windows as a whole.
class ApplicationWindows {
public:
    virtual ~ApplicationWindows() = default;

    // The identity of the window of this program that is key now, whether or
    // not anything registered it (an alert, a menu); nullptr when none is.
    // Main thread.
    virtual const void* keyWindow() const = 0;
};

}  // namespace qm
