#pragma once

#include <array>

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

namespace qm {

class ShortcutKeyIndicator;
class ShortcutRecorderModel;

// The Shortcuts page: the trigger key combination recorder. While on screen it
// watches the key events delivered to this program (an application-wide event
// filter); keys typed in other programs never reach it. Modifiers are read as
// the event tap reads them (QtKeyModifiers: Ctrl is Command, Super is Control),
// so the set recorded is the set the tap matches.
class ShortcutsPage : public QWidget {
public:
    explicit ShortcutsPage(ShortcutRecorderModel& model, QWidget* parent = nullptr);
    ~ShortcutsPage() override;

    QPushButton* recordButton() const { return record_; }
    // Control, Option, Shift, Command.
    const std::array<ShortcutKeyIndicator*, 4>& pills() const { return pills_; }
    // The box of a refused set (hidden while there is none) and the hint.
    QFrame* errorBox() const { return errorBox_; }
    QLabel* hint() const { return hint_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render();

    ShortcutRecorderModel& model_;
    QFrame* control_;
    QPushButton* record_;
    std::array<ShortcutKeyIndicator*, 4> pills_{};
    QFrame* errorBox_;
    QLabel* errorText_;
    QLabel* hint_;
};

}  // namespace qm
