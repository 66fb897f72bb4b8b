#pragma once

#include <QWidget>

namespace qm {

class OnboardingButton;
class OnboardingViewModel;

// Step 4: the gold seal, "Quillmarker is Ready!" and the launch button.
class CompleteScreenView final : public QWidget {
public:
    // `model` must outlive the view.
    explicit CompleteScreenView(OnboardingViewModel& model, QWidget* parent = nullptr);

    OnboardingButton& launchButton() { return *launch_; }

private:
    OnboardingButton* launch_ = nullptr;
};

}  // namespace qm
