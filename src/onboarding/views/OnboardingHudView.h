#pragma once

#include <string>

#include <QWidget>

namespace qm {

// The in-window HUD: a card at the top of the window with a gold check and
// the message, shown while the sandbox confirms a practice capture.
class OnboardingHudView final : public QWidget {
public:
    explicit OnboardingHudView(QWidget* parent = nullptr);

    void setMessage(const std::string& message);
    const QString& message() const { return message_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString message_;
};

}  // namespace qm
