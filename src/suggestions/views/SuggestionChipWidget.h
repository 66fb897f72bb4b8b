#pragma once

#include <QWidget>

#include "suggestions/SuggestionChip.h"

namespace qm {

class SuggestionViewModel;

// One chip of the panel, drawn from SuggestionChip: the key-hint badge, the
// category symbol (or the colour swatch), the title and the detail line on a
// rounded card, with the active gradient and shadow or the faint outline, a
// little larger while active or hovered. A click picks the suggestion.
//
// The widget leaves `shadowMargin` around the chip for its shadow and scale.
// GUI thread.
class SuggestionChipWidget final : public QWidget {
public:
    static constexpr int shadowMargin = 3;
    static constexpr double cornerRadius = 7;

    // `model` must outlive the widget.
    SuggestionChipWidget(SuggestionViewModel& model, int index, QWidget* parent = nullptr);

    SuggestionChip chip() const;
    bool isHovered() const { return hovered_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Metrics;
    Metrics metrics(const SuggestionChip& chip) const;

    SuggestionViewModel& model_;
    int index_;
    bool hovered_ = false;
    bool pressed_ = false;
};

}  // namespace qm
