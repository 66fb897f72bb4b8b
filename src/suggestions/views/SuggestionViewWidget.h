#pragma once

#include <functional>
#include <vector>

#include <QPointer>
#include <QWidget>

namespace qm {

class AIPromptCardWidget;
class OverlayToolbarButton;
class SuggestionChipWidget;
class SuggestionViewModel;

// The content of the suggestion panel, drawn from SuggestionViewModel: the
// chips in a row (the two toolbar buttons, a divider, then the chips, 48
// high) or a column (the toolbar, a divider, the chips under each other), or
// the AI prompt card while the prompt is up. It renders again on every
// change of the model; the content handler then runs, and again whenever Qt
// settles the content's layout later, so the panel always fits what it shows.
//
// GUI thread.
class SuggestionViewWidget final : public QWidget {
public:
    static constexpr int rowHeight = 48;

    // `model` must outlive the widget.
    explicit SuggestionViewWidget(SuggestionViewModel& model, QWidget* parent = nullptr);
    ~SuggestionViewWidget() override;

    void render();
    // Runs after each render and after each later layout of the content.
    void setContentHandler(std::function<void()> handler) { contentChanged_ = std::move(handler); }

    // The widgets of the chip face now shown (empty in prompt mode).
    const std::vector<SuggestionChipWidget*>& chips() const { return chips_; }
    OverlayToolbarButton* orientationButton() const { return orientationButton_; }
    OverlayToolbarButton* resetButton() const { return resetButton_; }
    AIPromptCardWidget& card() { return *card_; }

protected:
    bool event(QEvent* event) override;

private:
    void retireChipFace();
    QWidget* buildRow();
    QWidget* buildColumn();
    void makeToolbarButtons(QWidget* parent);
    void makeChips(QWidget* parent);

    SuggestionViewModel& model_;
    std::function<void()> contentChanged_;
    QPointer<QWidget> chipFace_;
    std::vector<SuggestionChipWidget*> chips_;
    OverlayToolbarButton* orientationButton_ = nullptr;
    OverlayToolbarButton* resetButton_ = nullptr;
    AIPromptCardWidget* card_ = nullptr;
};

}  // namespace qm
