#include "onboarding/views/PermissionCardView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "onboarding/views/OnboardingButton.h"
#include "onboarding/views/OnboardingStyle.h"
#include "shell/views/SymbolIcon.h"

namespace qm {

namespace {

using Style = OnboardingStyle;

// The symbol in white on a 32-point tile of the tint.
class IconTile final : public QWidget {
public:
    IconTile(std::string symbol, QColor tint, QWidget* parent)
        : QWidget(parent), symbol_(std::move(symbol)), tint_(tint)
    {
        setFixedSize(32, 32);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Style::withOpacity(tint_, 0.28));
        painter.drawRoundedRect(rect(), 8, 8);
        const int side = 18;
        painter.drawPixmap((width() - side) / 2, (height() - side) / 2,
                           SymbolIcon::pixmap(symbol_, Qt::white, side, devicePixelRatioF()));
    }

private:
    std::string symbol_;
    QColor tint_;
};

}  // namespace

class PermissionCardView::StatusDot final : public QWidget {
public:
    explicit StatusDot(QWidget* parent) : QWidget(parent) { setFixedSize(8, 8); }
    void setColour(QColor colour)
    {
        colour_ = colour;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour_);
        painter.drawEllipse(rect());
    }

private:
    QColor colour_;
};

PermissionCardView::PermissionCardView(const OnboardingCatalog::PermissionCard& card, QColor tint,
                                       QWidget* parent)
    : OnboardingCard(Style::white(0.04), Style::withOpacity(tint, 0.15), 10, parent), card_(card), tint_(tint)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(10);

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addWidget(new IconTile(card.icon, tint, this), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(Style::label(card.title, Style::font(13, true), Style::white(), this));
    auto* detail = Style::label(card.detail, Style::font(10.5), Style::textMuted(), this);
    detail->setWordWrap(true);
    texts->addWidget(detail);
    top->addLayout(texts, 1);
    layout->addLayout(top);

    auto* bottom = new QHBoxLayout;
    dot_ = new StatusDot(this);
    bottom->addWidget(dot_, 0, Qt::AlignVCenter);
    status_ = Style::label("", Style::font(11, true), tint, this);
    bottom->addWidget(status_);
    bottom->addStretch(1);
    grant_ = new OnboardingButton(card.grantLabel, Style::font(11, true), this);
    grant_->setPadding(12, 5);
    bottom->addWidget(grant_);
    layout->addLayout(bottom);

    setGranted(false);
}

void PermissionCardView::setGranted(bool granted)
{
    if (granted == granted_) {
        return;
    }
    granted_ = granted;
    const QColor green = Style::green();
    dot_->setColour(granted ? green : Style::withOpacity(tint_, 0.8));
    status_->setText(granted ? QStringLiteral("Granted") : QStringLiteral("Not yet granted"));
    Style::setColour(*status_, granted ? green : Style::withOpacity(tint_, 0.95));
    grant_->setTitle(granted ? "Verified" : card_.grantLabel);
    grant_->setLook({.fill = granted ? Style::white(0.1) : Style::withOpacity(tint_, 0.95),
                     .textColour = granted ? Style::white(0.5) : QColor(Qt::black),
                     .radius = 6});
    grant_->setEnabled(!granted);
    setColours(Style::white(0.04),
               granted ? Style::withOpacity(green, 0.25) : Style::withOpacity(tint_, 0.15));
}

}  // namespace qm
