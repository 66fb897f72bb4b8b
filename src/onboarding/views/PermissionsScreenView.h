#pragma once

#include <vector>

#include <QWidget>

class QLabel;

namespace qm {

class OnboardingButton;
class OnboardingViewModel;
class PermissionCardView;

// Step 2: the four permission cards with the count of those granted, the hint
// while some are missing, and the Continue button, enabled once all four are.
class PermissionsScreenView final : public QWidget {
public:
    // `model` must outlive the view.
    explicit PermissionsScreenView(OnboardingViewModel& model, QWidget* parent = nullptr);

    void render();
    // Gives the keyboard to the first card still to grant, else to Continue.
    void focusNextAction();

    PermissionCardView& card(std::size_t index) { return *cards_.at(index); }
    OnboardingButton& continueButton() { return *continue_; }
    const QLabel& counter() const { return *counter_; }
    const QLabel& hint() const { return *hint_; }

private:
    OnboardingViewModel& model_;
    QLabel* counter_ = nullptr;
    std::vector<PermissionCardView*> cards_;
    QLabel* hint_ = nullptr;
    OnboardingButton* continue_ = nullptr;
};

}  // namespace qm
