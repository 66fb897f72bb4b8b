#include "onboarding/views/CompleteScreenView.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "onboarding/OnboardingViewModel.h"
#include "onboarding/views/OnboardingButton.h"
#include "onboarding/views/OnboardingStyle.h"
#include "shell/views/SymbolIcon.h"

namespace qm {

namespace {

using Style = OnboardingStyle;

// The seal on a faint gold disc.
class Badge final : public QWidget {
public:
    explicit Badge(QWidget* parent) : QWidget(parent) { setFixedSize(80, 80); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Style::withOpacity(Style::brandGold(), 0.15));
        painter.drawEllipse(rect());
        const int side = 42;
        painter.drawPixmap(
            (width() - side) / 2, (height() - side) / 2,
            SymbolIcon::pixmap("checkmark.seal.fill", Style::brandGold(), side, devicePixelRatioF()));
    }
};

}  // namespace

CompleteScreenView::CompleteScreenView(OnboardingViewModel& model, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(20);
    layout->addSpacing(24 - 20);
    layout->addWidget(new Badge(this), 0, Qt::AlignHCenter);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(8);
    titles->addWidget(Style::label("Quillmarker is Ready!", Style::font(22, true), Style::white(), this), 0,
                      Qt::AlignHCenter);
    titles->addWidget(Style::label("Instant keyboard-driven capture has been unlocked.", Style::font(12),
                                   Style::withOpacity(Style::brandGold(), 0.9), this),
                      0, Qt::AlignHCenter);
    layout->addLayout(titles);
    layout->addStretch(1);

    launch_ = OnboardingButton::makeStepButton("Launch Quillmarker", "launchQuillmarker", false, this);
    OnboardingButton::Look look = OnboardingButton::stepLook(true, 1.0, 0.25);
    look.shadowRadius = 8;
    launch_->setLook(look);
    connect(launch_, &QAbstractButton::clicked, this, [&model] { model.launch(); });
    layout->addWidget(launch_);
    layout->addSpacing(12);
}

}  // namespace qm
