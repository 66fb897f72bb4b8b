#include "suggestions/views/SuggestionViewWidget.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "suggestions/AIPromptCard.h"
#include "suggestions/SuggestionViewModel.h"
#include "suggestions/views/AIPromptCardWidget.h"
#include "suggestions/views/GradientDivider.h"
#include "suggestions/views/OverlayToolbarButton.h"
#include "suggestions/views/SuggestionChipWidget.h"

namespace qm {

namespace {
// Chips keep a margin for their shadow; the layouts' spacing is what is left
// of the gaps between the chips themselves.
constexpr int kChipRowGap = 8 - 2 * SuggestionChipWidget::shadowMargin;
constexpr int kChipColumnGap = 6 - 2 * SuggestionChipWidget::shadowMargin;
}  // namespace

SuggestionViewWidget::SuggestionViewWidget(SuggestionViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    card_ = new AIPromptCardWidget(model_, this);
    layout->addWidget(card_);
    render();
}

SuggestionViewWidget::~SuggestionViewWidget() = default;

void SuggestionViewWidget::render()
{
    retireChipFace();
    if (model_.isAIPromptMode()) {
        card_->render(AIPromptCard::make(model_));
        card_->show();
    } else {
        card_->hide();
        QWidget* face = model_.isHorizontal() ? buildRow() : buildColumn();
        static_cast<QVBoxLayout*>(layout())->insertWidget(0, face);
        // Made after the panel was shown, it would otherwise stay hidden.
        face->show();
        chipFace_ = face;
    }
    layout()->invalidate();
    layout()->activate();
    if (contentChanged_) {
        contentChanged_();
    }
}

bool SuggestionViewWidget::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // A part shown or resized during the render reports its size only now.
    if (event->type() == QEvent::LayoutRequest && contentChanged_) {
        contentChanged_();
    }
    return handled;
}

void SuggestionViewWidget::retireChipFace()
{
    chips_.clear();
    orientationButton_ = nullptr;
    resetButton_ = nullptr;
    if (!chipFace_) {
        return;
    }
    // The old face may hold the button whose click got here: it goes once
    // the event is over, out of the layout and out of sight until then.
    layout()->removeWidget(chipFace_);
    chipFace_->hide();
    chipFace_->deleteLater();
    chipFace_ = nullptr;
}

void SuggestionViewWidget::makeToolbarButtons(QWidget* parent)
{
    orientationButton_ = new OverlayToolbarButton(
        std::string(model_.orientationIconName()), QStringLiteral("Toggle layout orientation"),
        [this] { model_.toggleOrientation(); }, parent);
    resetButton_ = new OverlayToolbarButton(
        "arrow.counterclockwise", QStringLiteral("Reset panel position to default centered"),
        [this] { model_.resetPosition(); }, parent);
}

void SuggestionViewWidget::makeChips(QWidget* parent)
{
    for (int i = 0; i < static_cast<int>(model_.suggestions().size()); ++i) {
        chips_.push_back(new SuggestionChipWidget(model_, i, parent));
    }
}

QWidget* SuggestionViewWidget::buildRow()
{
    auto* face = new QWidget(this);
    face->setFixedHeight(rowHeight);
    auto* row = new QHBoxLayout(face);
    row->setContentsMargins(10, 0, 10, 0);
    row->setSpacing(10);
    row->setAlignment(Qt::AlignVCenter);
    makeToolbarButtons(face);
    row->addWidget(orientationButton_, 0, Qt::AlignVCenter);
    row->addWidget(resetButton_, 0, Qt::AlignVCenter);
    row->addWidget(new GradientDivider(Qt::Vertical, face), 0, Qt::AlignVCenter);
    auto* chips = new QHBoxLayout;
    chips->setSpacing(kChipRowGap);
    makeChips(face);
    for (auto* chip : chips_) {
        chips->addWidget(chip, 0, Qt::AlignVCenter);
    }
    row->addLayout(chips);
    return face;
}

QWidget* SuggestionViewWidget::buildColumn()
{
    auto* face = new QWidget(this);
    auto* column = new QVBoxLayout(face);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(8);
    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(2, 0, 2, 0);
    toolbar->setSpacing(8);
    makeToolbarButtons(face);
    toolbar->addWidget(orientationButton_);
    toolbar->addWidget(resetButton_);
    toolbar->addStretch(1);
    column->addLayout(toolbar);
    column->addWidget(new GradientDivider(Qt::Horizontal, face));
    auto* chips = new QVBoxLayout;
    chips->setSpacing(kChipColumnGap);
    makeChips(face);
    for (auto* chip : chips_) {
        chips->addWidget(chip, 0, Qt::AlignLeft);
    }
    column->addLayout(chips);
    return face;
}

}  // namespace qm
