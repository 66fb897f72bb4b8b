#pragma once

#include "onboarding/views/OnboardingCard.h"

class QLabel;
class QLineEdit;

namespace qm {

class SandboxViewModel;

// The simulated capture popup: "TO" and the destination, the key hint, and
// one line whose placeholder is the command's example. Return routes the
// line; Esc cancels the popup and nothing else.
class SandboxCapturePopupView final : public OnboardingCard {
public:
    // `model` must outlive the view.
    explicit SandboxCapturePopupView(SandboxViewModel& model, QWidget* parent = nullptr);

    void render();

    QLineEdit& field() { return *field_; }
    const QLabel& destination() const { return *destination_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SandboxViewModel& model_;
    QLabel* destination_ = nullptr;
    QLineEdit* field_ = nullptr;
};

}  // namespace qm
