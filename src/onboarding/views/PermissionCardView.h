#pragma once

#include <QColor>

#include "onboarding/OnboardingCatalog.h"
#include "onboarding/views/OnboardingCard.h"

class QLabel;

namespace qm {

class OnboardingButton;

// One permission card: the symbol on a tinted tile, the title and detail, the
// status dot and text, and the grant button ("Verified", disabled, once the
// permission is granted). Green when granted, the card's tint otherwise.
class PermissionCardView final : public OnboardingCard {
public:
    PermissionCardView(const OnboardingCatalog::PermissionCard& card, QColor tint, QWidget* parent = nullptr);

    void setGranted(bool granted);
    bool isGranted() const { return granted_; }

    OnboardingButton& grantButton() { return *grant_; }
    const QLabel& statusLabel() const { return *status_; }

private:
    class StatusDot;

    OnboardingCatalog::PermissionCard card_;
    QColor tint_;
    bool granted_ = true;
    StatusDot* dot_ = nullptr;
    QLabel* status_ = nullptr;
    OnboardingButton* grant_ = nullptr;
};

}  // namespace qm
