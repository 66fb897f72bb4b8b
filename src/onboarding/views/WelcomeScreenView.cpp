#include "onboarding/views/WelcomeScreenView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "onboarding/OnboardingCatalog.h"
#include "onboarding/views/ElidedLabel.h"
#include "onboarding/views/OnboardingButton.h"
#include "onboarding/views/OnboardingCard.h"
#include "onboarding/views/OnboardingStyle.h"

namespace qm {

namespace {

using Style = OnboardingStyle;

// The logo: a dark tile with a gold outline holding a white bar and a gold block.
class LogoMark final : public QWidget {
public:
    explicit LogoMark(QWidget* parent) : QWidget(parent) { setFixedSize(68, 68); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF tile(0.5, 0.5, 67, 67);
        QPainterPath shape;
        shape.addRoundedRect(tile, 18, 18);
        QLinearGradient tileFill(tile.topLeft(), tile.bottomRight());
        tileFill.setColorAt(0, Style::withOpacity(QColor(40, 40, 40), 0.1));
        tileFill.setColorAt(1, Style::black(0.5));
        painter.fillPath(shape, tileFill);
        painter.setPen(QPen(Style::withOpacity(Style::brandGold(), 0.3), 1));
        painter.drawPath(shape);

        const qreal markWidth = 4 + 3 + 18;
        const qreal left = (68 - markWidth) / 2;
        QPainterPath bar;
        bar.addRoundedRect(QRectF(left, 34 - 13, 4, 26), 2, 2);
        painter.fillPath(bar, Style::white(0.9));
        const QRectF blockBox(left + 7, 34 - 6, 18, 12);
        QPainterPath block;
        block.addRoundedRect(blockBox, 3, 3);
        QLinearGradient blockFill(blockBox.topLeft(), blockBox.bottomLeft());
        blockFill.setColorAt(0, Style::brandGold());
        blockFill.setColorAt(1, Style::withOpacity(Style::brandGold(), 0.7));
        painter.fillPath(block, blockFill);
    }
};

QWidget* actionRow(const OnboardingCatalog::CaptureAction& action, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* trigger = Style::label(action.trigger, Style::mono(10.5, true), Style::white(), row);
    trigger->setFixedWidth(96);
    layout->addWidget(trigger, 0, Qt::AlignBaseline);
    auto* title = Style::label(action.title, Style::medium(10.5), Style::white(0.85), row);
    layout->addWidget(title, 0, Qt::AlignBaseline);
    layout->addWidget(Style::label("·", Style::font(10.5), Style::white(0.25), row), 0, Qt::AlignBaseline);
    auto* nuance = new ElidedLabel(QString::fromStdString(action.nuance), row);
    nuance->setFont(Style::font(10));
    Style::setColour(*nuance, Style::textMuted());
    layout->addWidget(nuance, 1, Qt::AlignBaseline);
    return row;
}

QWidget* captureCatalog(QWidget* parent)
{
    auto* card =
        new OnboardingCard(Style::white(0.03), Style::withOpacity(Style::brandGold(), 0.12), 10, parent);
    card->setObjectName(QStringLiteral("welcomeCaptureCatalog"));
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(Style::label("Capture actions", Style::font(11, true), Style::white(), card));
    auto* rows = new QVBoxLayout;
    rows->setSpacing(6);
    for (const auto& action : OnboardingCatalog::advertisedCaptureActions()) {
        rows->addWidget(actionRow(action, card));
    }
    layout->addLayout(rows);
    return card;
}

}  // namespace

WelcomeScreenView::WelcomeScreenView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(20);

    layout->addSpacing(24 - 20);
    layout->addWidget(new LogoMark(this), 0, Qt::AlignHCenter);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(10);
    auto* title = Style::label("Welcome to Quillmarker", Style::font(24, true), Style::white(), this);
    titles->addWidget(title, 0, Qt::AlignHCenter);
    auto* tagline = Style::label("The Ultra-Fast Local Quick Capture Utility", Style::semibold(13),
                                 Style::withOpacity(Style::brandGold(), 0.9), this);
    titles->addWidget(tagline, 0, Qt::AlignHCenter);
    layout->addLayout(titles);

    auto* paragraph =
        Style::label("Quillmarker is a privacy-first utility running 100% locally on your Mac. Type "
                     "'//' commands in any text editor to capture instantly.",
                     Style::font(11.5), Style::textMuted(), this);
    paragraph->setWordWrap(true);
    paragraph->setAlignment(Qt::AlignHCenter);
    paragraph->setContentsMargins(14, 0, 14, 0);
    layout->addWidget(paragraph);

    layout->addWidget(captureCatalog(this));
    layout->addStretch(1);

    getStarted_ = OnboardingButton::makeStepButton("Get Started", "getStarted", true, this);
    layout->addWidget(getStarted_);
    layout->addSpacing(12);
}

}  // namespace qm
