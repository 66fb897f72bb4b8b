#include "onboarding/views/PermissionsScreenView.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "onboarding/OnboardingViewModel.h"
#include "onboarding/views/OnboardingButton.h"
#include "onboarding/views/OnboardingStyle.h"
#include "onboarding/views/PermissionCardView.h"

namespace qm {

namespace {

using Style = OnboardingStyle;

QColor tintOf(OnboardingPermission permission)
{
    switch (permission) {
    case OnboardingPermission::notifications:
        return Style::orange();
    case OnboardingPermission::reminders:
        return Style::blue();
    case OnboardingPermission::calendar:
        return Style::purple();
    case OnboardingPermission::accessibility:
        break;
    }
    return Style::brandGold();
}

}  // namespace

PermissionsScreenView::PermissionsScreenView(OnboardingViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);

    auto* header = new QVBoxLayout;
    header->setSpacing(8);
    header->setContentsMargins(0, 8, 0, 0);
    header->addWidget(Style::label("Permissions Setup", Style::font(20, true), Style::white(), this), 0,
                      Qt::AlignHCenter);
    auto* subtitle =
        Style::label("Grant the four macOS permissions below so every capture action works on first try.",
                     Style::font(11.5), Style::textMuted(), this);
    subtitle->setWordWrap(true);
    subtitle->setAlignment(Qt::AlignHCenter);
    subtitle->setContentsMargins(8, 0, 8, 0);
    header->addWidget(subtitle);
    counter_ = Style::label("", Style::mono(10.5, true), Style::brandGold(), this);
    counter_->setObjectName(QStringLiteral("permissionsCounter"));
    header->addWidget(counter_, 0, Qt::AlignHCenter);
    layout->addLayout(header);

    auto* list = new QWidget;
    QScrollArea* scroll = Style::scrollArea(list, this);
    scroll->setMaximumHeight(340);
    auto* cards = new QVBoxLayout(list);
    cards->setContentsMargins(0, 4, 0, 4);
    cards->setSpacing(12);
    for (const auto& description : OnboardingCatalog::permissionCards()) {
        auto* card = new PermissionCardView(description, tintOf(description.permission), list);
        const OnboardingPermission permission = description.permission;
        connect(&card->grantButton(), &QAbstractButton::clicked, this,
                [this, permission] { model_.grant(permission); });
        cards->addWidget(card);
        cards_.push_back(card);
    }
    layout->addWidget(scroll);

    hint_ =
        Style::label("Each button opens the macOS permission prompt or System Settings. Return here — status "
                     "updates automatically.",
                     Style::font(10), Style::textMuted(), this);
    hint_->setWordWrap(true);
    hint_->setAlignment(Qt::AlignHCenter);
    hint_->setContentsMargins(6, 0, 6, 0);
    layout->addWidget(hint_);
    layout->addStretch(1);

    continue_ = OnboardingButton::makeStepButton("", "continueToSandbox", true, this);
    connect(continue_, &QAbstractButton::clicked, this, [this] { model_.continueToSandbox(); });
    layout->addWidget(continue_);
    layout->addSpacing(10);
    render();
}

void PermissionsScreenView::render()
{
    const int count = model_.permissionsGrantedCount();
    const bool all = count == 4;
    counter_->setText(QStringLiteral("%1 of 4 granted").arg(count));
    Style::setColour(*counter_, all ? Style::green() : Style::withOpacity(Style::brandGold(), 0.9));
    const auto& descriptions = OnboardingCatalog::permissionCards();
    for (std::size_t i = 0; i < cards_.size(); ++i) {
        cards_[i]->setGranted(model_.isGranted(descriptions[i].permission));
    }
    hint_->setVisible(!all);
    continue_->setTitle(all ? "Continue to Sandbox" : "Grant all permissions to continue");
    continue_->setLook(OnboardingButton::stepLook(all, 0.45));
    continue_->setEnabled(all);
}

void PermissionsScreenView::focusNextAction()
{
    for (auto* card : cards_) {
        if (card->grantButton().isEnabled()) {
            card->grantButton().setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    continue_->setFocus(Qt::OtherFocusReason);
}

}  // namespace qm
