#pragma once

#include <string>

#include <QFrame>

class QLabel;

namespace qm {

// One modifier key's pill on the Shortcuts page: its symbol over its name,
// filled with the accent while the key is in the set.
class ShortcutKeyIndicator : public QFrame {
public:
    ShortcutKeyIndicator(const std::string& symbol, const std::string& name, QWidget* parent = nullptr);

    bool isActive() const { return active_; }
    void setActive(bool active);

private:
    QLabel* symbol_;
    QLabel* name_;
    bool active_ = false;
};

}  // namespace qm
