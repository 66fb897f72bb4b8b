#pragma once

#include <QWidget>

namespace qm {

class OnboardingButton;

// Step 1: the logo, the title, the tagline and paragraph, the catalog of the
// ten capture actions, and "Get Started".
class WelcomeScreenView final : public QWidget {
public:
    explicit WelcomeScreenView(QWidget* parent = nullptr);

    OnboardingButton& getStartedButton() { return *getStarted_; }

private:
    OnboardingButton* getStarted_ = nullptr;
};

}  // namespace qm
