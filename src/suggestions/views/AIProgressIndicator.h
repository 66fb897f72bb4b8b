#pragma once

#include <QPointer>
#include <QWidget>

class QVariantAnimation;

namespace qm {

// The small purple spinner beside an answer that is still streaming: an arc
// turning once a second while shown. GUI thread.
class AIProgressIndicator final : public QWidget {
public:
    explicit AIProgressIndicator(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QPointer<QVariantAnimation> turn_;
    double angle_ = 0;
};

}  // namespace qm
