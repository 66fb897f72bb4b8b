#pragma once

#include <functional>

namespace qm {

// The window shown on a first start until onboarding is done.
class OnboardingWindow {
public:
    // `completed` runs once when the user finished the last step (which has
    // already stored the onboarding keys); `closed` when the user closed the
    // window instead. Both on the main thread.
    struct Callbacks {
        std::function<void()> completed;
        std::function<void()> closed;
    };

    virtual ~OnboardingWindow() = default;

    // Brings the window to the front and gives it the keyboard.
    virtual void raise() = 0;
    // Closes the window without calling `closed`.
    virtual void dismiss() = 0;
};

}  // namespace qm
