#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace qm {

class ShortcutRecorderModel;

// The Shortcuts page: the trigger key combination recorder. While on screen it
// watches the key events delivered to this program (an application-wide event
// filter); keys typed in other programs never reach it.
class ShortcutsPage : public QWidget {
public:
    explicit ShortcutsPage(ShortcutRecorderModel& model, QWidget* parent = nullptr);
    ~ShortcutsPage() override;

    QPushButton* recordButton() const { return record_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render();

    ShortcutRecorderModel& model_;
    QPushButton* record_;
    QHBoxLayout* pills_;
    QLabel* message_;
};

}  // namespace qm
