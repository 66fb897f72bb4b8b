#pragma once

#include <QAbstractButton>

#include "suggestions/SuggestionChip.h"

namespace qm {

class SuggestionViewModel;

// One chip of the panel, drawn from SuggestionChip: the key-hint badge, the
// category symbol (or the colour swatch), the title and the detail line on a
// rounded card, with the active gradient and shadow or the faint outline, a
// little larger while active or hovered. A click picks the suggestion; the
// chip never takes the keyboard from the field being typed in.
//
// The widget leaves `shadowMargin` around the chip for its shadow and scale.
// GUI thread.
class SuggestionChipWidget final : public QAbstractButton {
public:
    static constexpr int shadowMargin = 3;
    static constexpr double cornerRadius = 7;

    // `model` must outlive the widget.
    SuggestionChipWidget(SuggestionViewModel& model, int index, QWidget* parent = nullptr);

    // As drawn now: hovered while the pointer is over the widget.
    SuggestionChip chip() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Metrics;
    Metrics metrics(const SuggestionChip& chip) const;

    SuggestionViewModel& model_;
    int index_;
};

}  // namespace qm
