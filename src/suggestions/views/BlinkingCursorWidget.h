#pragma once

#include <QPointer>
#include <QWidget>

class QVariantAnimation;

namespace qm {

// The AI prompt's caret on screen: BlinkingCursor's bar, fading in and out
// for as long as the widget is shown (Qt's animation clock drives it, and
// stops when it is hidden). GUI thread.
class BlinkingCursorWidget final : public QWidget {
public:
    explicit BlinkingCursorWidget(QWidget* parent = nullptr);
    ~BlinkingCursorWidget() override;

    // The bar's opacity now.
    double opacity() const;
    bool isBlinking() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QPointer<QVariantAnimation> clock_;
    double elapsed_ = 0;
};

}  // namespace qm
