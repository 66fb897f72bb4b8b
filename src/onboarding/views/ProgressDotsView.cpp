#include "onboarding/views/ProgressDotsView.h"

#include <QPainter>

#include "onboarding/OnboardingViewModel.h"
#include "onboarding/views/OnboardingStyle.h"

namespace qm {

namespace {

constexpr int kSpacing = 8;
constexpr int kDot = 6;
constexpr int kCurrentSlot = 16;

}  // namespace

ProgressDotsView::ProgressDotsView(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ProgressDotsView::setCurrentStep(int step)
{
    if (step != step_) {
        step_ = step;
        update();
    }
}

QSize ProgressDotsView::sizeHint() const
{
    const int steps = OnboardingViewModel::stepCount;
    return {kCurrentSlot + (steps - 1) * kDot + (steps - 1) * kSpacing, kDot};
}

void ProgressDotsView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const int total = sizeHint().width();
    int x = (width() - total) / 2;
    const int y = (height() - kDot) / 2;
    for (int n = 1; n <= OnboardingViewModel::stepCount; ++n) {
        const bool current = n == step_;
        const int slot = current ? kCurrentSlot : kDot;
        painter.setBrush(current ? OnboardingStyle::brandGold()
                                 : OnboardingStyle::withOpacity(OnboardingStyle::gray(), 0.3));
        painter.drawEllipse(QRectF(x + (slot - kDot) / 2.0, y, kDot, kDot));
        x += slot + kSpacing;
    }
}

}  // namespace qm
