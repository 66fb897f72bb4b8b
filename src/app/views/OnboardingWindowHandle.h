#pragma once

#include <QPointer>

#include "app/OnboardingWindow.h"
#include "onboarding/views/OnboardingWindowWidget.h"

namespace qm {

// The onboarding window as the app delegate owns it. Letting go of the handle
// deletes the window once control is back in the event loop, so the delegate
// may drop it from inside the window's own signals.
class OnboardingWindowHandle final : public OnboardingWindow {
public:
    explicit OnboardingWindowHandle(OnboardingWindowWidget* window) : window_(window) {}
    ~OnboardingWindowHandle() override
    {
        if (window_) {
            window_->deleteLater();
        }
    }
    OnboardingWindowHandle(const OnboardingWindowHandle&) = delete;
    OnboardingWindowHandle& operator=(const OnboardingWindowHandle&) = delete;

    void raise() override
    {
        if (window_) {
            window_->present();
        }
    }
    void dismiss() override
    {
        if (window_) {
            window_->dismiss();
        }
    }

private:
    QPointer<OnboardingWindowWidget> window_;
};

}  // namespace qm
