#include "settings/views/StatCardsRow.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "settings/views/SettingsSectionCard.h"
#include "settings/views/SettingsStyle.h"
#include "shell/views/ViewFonts.h"

namespace qm {

StatCardsRow::StatCardsRow(QWidget* parent) : QWidget(parent), layout_(new QHBoxLayout(this))
{
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(12);
}

void StatCardsRow::setCards(const std::vector<StatCard>& cards)
{
    using namespace SettingsStyle;
    // Every search keystroke hands the same figures again.
    if (cards == shown_ && layout_->count() > 0) {
        return;
    }
    shown_ = cards;
    clear(layout_);
    for (const auto& card : cards) {
        auto* panel = new SettingsSectionCard("", "");
        panel->setHighlighted(card.highlight);
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        const QColor iconColor = card.highlight ? brandGold()
                                 : card.alert   ? QColor(220, 40, 40, 190)
                                                : textMuted();
        row->addWidget(symbol(card.icon, iconColor, 15));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        texts->addWidget(plainLabel(card.value, ViewFonts::system(17, ViewFonts::Weight::bold)));
        texts->addWidget(plainLabel(card.label, ViewFonts::system(10), textMuted(), true));
        row->addLayout(texts);
        row->addStretch();
        panel->content()->addLayout(row);
        layout_->addWidget(panel, 1);
    }
}

}  // namespace qm
