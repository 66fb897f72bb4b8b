#pragma once

#include <QColor>
#include <QWidget>

namespace qm {

// A container that paints a rounded rectangle behind its content and strokes
// its outline 1 point wide on top.
class OnboardingCard : public QWidget {
public:
    OnboardingCard(QColor fill, QColor stroke, qreal radius, QWidget* parent = nullptr);

    void setColours(QColor fill, QColor stroke);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    QColor stroke_;
    qreal radius_;
};

}  // namespace qm
