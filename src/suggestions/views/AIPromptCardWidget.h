#pragma once

#include <vector>

#include <QWidget>

#include "suggestions/AIPromptCard.h"

class QScrollArea;

namespace qm {

class AIProgressIndicator;
class AIQuickActionChip;
class BlinkingCursorWidget;
class PlainTextLabel;
class RoundedBox;
class SuggestionViewModel;

// The AI prompt card, 380 wide: the header with the service in use, the
// quoted selection, the instruction with its blinking caret, the quick
// actions, and either the key hint or the streamed answer (or the error). It
// draws AIPromptCard and forwards quick-action clicks to the content's model.
// Every text is plain text. GUI thread.
class AIPromptCardWidget final : public QWidget {
public:
    static constexpr int cardWidth = 380;
    static constexpr int answerMaximumHeight = 120;
    static constexpr double cornerRadius = 12;

    // `model` must outlive the widget.
    explicit AIPromptCardWidget(SuggestionViewModel& model, QWidget* parent = nullptr);

    void render(const AIPromptCard& card);
    const AIPromptCard& card() const { return card_; }

    const BlinkingCursorWidget& cursor() const { return *cursor_; }
    // The quick-action chips, in order (for clicks in tests).
    const std::vector<AIQuickActionChip*>& actionChips() const { return actionChips_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void buildHeader();
    void buildContextLine();
    void buildInstruction();
    void buildActions();
    void buildBottom();

    SuggestionViewModel& model_;
    AIPromptCard card_;

    PlainTextLabel* serviceLine_ = nullptr;
    int serviceLineWidth_ = 0;
    int instructionWidth_ = 0;
    RoundedBox* contextRow_ = nullptr;
    PlainTextLabel* contextText_ = nullptr;
    PlainTextLabel* instruction_ = nullptr;
    BlinkingCursorWidget* cursor_ = nullptr;
    QScrollArea* actionScroll_ = nullptr;
    std::vector<AIQuickActionChip*> actionChips_;
    QWidget* composingHint_ = nullptr;
    QWidget* result_ = nullptr;
    PlainTextLabel* errorText_ = nullptr;
    QWidget* answerRow_ = nullptr;
    AIProgressIndicator* progress_ = nullptr;
    QWidget* doneMark_ = nullptr;
    QScrollArea* answerScroll_ = nullptr;
    PlainTextLabel* answer_ = nullptr;
    QWidget* insertHint_ = nullptr;
};

}  // namespace qm
