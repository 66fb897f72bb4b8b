#pragma once

#include <string>

#include <QAbstractButton>
#include <QColor>

namespace qm {

// The onboarding window's buttons, drawn as the designs give them (plain
// style: only the label with its own background): a rounded fill, an
// optional outline and shadow, the title and an optional symbol after it.
// Space and Return press a focused button; a focused button shows a ring.
class OnboardingButton final : public QAbstractButton {
public:
    struct Look {
        QColor fill;
        QColor textColour;
        QColor stroke = Qt::transparent;
        QColor shadow = Qt::transparent;
        qreal shadowRadius = 6;
        qreal shadowOffset = 3;
        qreal radius = 8;
    };

    OnboardingButton(const std::string& title, const QFont& font, QWidget* parent = nullptr);

    // A step's main button: bold 13-point black title on gold, as wide as the
    // column, with the arrow after the title where `arrow` says.
    static OnboardingButton* makeStepButton(const std::string& title, const char* objectName, bool arrow,
                                            QWidget* parent);
    // A step button's look: full gold with its shadow when `enabled`, else
    // gold at `disabledOpacity` without one.
    static Look stepLook(bool enabled, qreal disabledOpacity = 1.0, qreal shadowOpacity = 0.2);

    void setTitle(const std::string& title);
    // A symbol drawn after the title, in the title's colour ("arrow.right").
    void setTrailingSymbol(std::string symbol);
    void setPadding(int horizontal, int vertical);
    // The button may be narrower than its title, which then ends in "…".
    void setElidesTitle(bool elides);
    void setLook(const Look& look);
    const Look& look() const { return look_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Look look_;
    std::string symbol_;
    int horizontalPadding_ = 12;
    int verticalPadding_ = 11;
    bool elides_ = false;
};

}  // namespace qm
