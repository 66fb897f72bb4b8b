#pragma once

#include <QWidget>

#include "app/OnboardingWindow.h"

namespace qm {

class NotificationCenter;
class UserDefaults;

// The first-start window: a welcome and one button that finishes onboarding
// (the onboarding keys stored, the shortcut change announced, then the
// completion). Closing it instead reports the close. Owned through
// OnboardingWindowHandle, since its owner lets go of it from its own button's
// signal.
class MinimalOnboardingWindow final : public QWidget {
public:
    MinimalOnboardingWindow(UserDefaults& defaults, NotificationCenter& center,
                            OnboardingWindow::Callbacks callbacks);

    void present();
    void dismiss();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void finish();

    UserDefaults& defaults_;
    NotificationCenter& center_;
    OnboardingWindow::Callbacks callbacks_;
    bool dismissed_ = false;
};

}  // namespace qm
