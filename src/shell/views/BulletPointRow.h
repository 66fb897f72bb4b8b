#pragma once

#include <string>

#include <QWidget>

class QLabel;

namespace qm {

// A gold bullet and a text beside it that wraps over as many lines as it
// needs, the bullet on the first line; the settings pages list their notes
// with it.
class BulletPointRow final : public QWidget {
public:
    explicit BulletPointRow(const std::string& text, QWidget* parent = nullptr);

    const QLabel& bullet() const { return *bullet_; }
    const QLabel& text() const { return *text_; }

private:
    QLabel* bullet_ = nullptr;
    QLabel* text_ = nullptr;
};

}  // namespace qm
