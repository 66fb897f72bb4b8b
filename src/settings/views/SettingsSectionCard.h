#pragma once

#include <string>

#include <QFrame>

class QVBoxLayout;

namespace qm {

// The titled panel of every settings page: an optional symbol and a title
// above the caller's content, on a translucent rounded panel; highlighted, it
// has a thicker gold border (the card a request pointed at). The border is
// drawn over the padding, so highlighting never moves the content.
class SettingsSectionCard : public QFrame {
public:
    SettingsSectionCard(const std::string& title, const std::string& icon, QWidget* parent = nullptr);

    // Where the caller puts the card's content.
    QVBoxLayout* content() const { return content_; }

    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* content_;
    bool highlighted_ = false;
};

}  // namespace qm
