#pragma once

#include <memory>

#include <QApplication>

#include "onboarding/OnboardingRig.h"
#include "onboarding/views/OnboardingWindowWidget.h"
#include "support/QtTestApplication.h"

namespace qm::test {

// The onboarding window on the stand-ins and the manual loop, headless.
struct OnboardingWindowRig {
    OnboardingWindowRig()
    {
        window = std::make_unique<OnboardingWindowWidget>(
            rig.services(), rig.center, nullptr,
            OnboardingWindowWidget::Callbacks{.completed = [this] { ++completed; },
                                              .closed = [this] { ++closed; }});
    }

    void present()
    {
        window->present();
        QApplication::setActiveWindow(window.get());
        settle();
    }

    // Runs what the loop has due and lets Qt draw it.
    void settle()
    {
        rig.loop.runUntilIdle();
        QApplication::processEvents();
    }

    // Grants everything, walks through the welcome and permissions steps.
    void walkToSandbox()
    {
        rig.grantAll();
        present();
        window->model().getStarted();
        settle();
        window->model().continueToSandbox();
        settle();
    }

    QApplication& application = qtApplication();
    OnboardingRig rig;
    int completed = 0;
    int closed = 0;
    std::unique_ptr<OnboardingWindowWidget> window;
};

}  // namespace qm::test
