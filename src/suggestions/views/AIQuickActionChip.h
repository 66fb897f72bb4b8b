#pragma once

#include <functional>

#include <QAbstractButton>

#include "suggestions/AIPromptCard.h"

namespace qm {

// One quick action of the AI card: its symbol and label on a small rounded
// chip, violet with a glow when chosen, faint otherwise. A click chooses it
// (and generates nothing); the chip never takes the keyboard from the prompt.
// GUI thread.
class AIQuickActionChip final : public QAbstractButton {
public:
    AIQuickActionChip(AIPromptCard::Action action, std::function<void()> onClick, QWidget* parent = nullptr);

    void setAction(const AIPromptCard::Action& action);
    const AIPromptCard::Action& action() const { return action_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AIPromptCard::Action action_;
};

}  // namespace qm
