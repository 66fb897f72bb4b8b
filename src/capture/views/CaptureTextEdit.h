#pragma once

#include <QPlainTextEdit>

#include "capture/CaptureTextFieldCommands.h"

namespace qm {

// The overlay's message field: plain text in the monospaced face at 13
// points, no frame and no background of its own. Return, Esc, Tab,
// Shift-Tab and the Up and Down arrows go to the field's command table
// first (CaptureTextFieldCommands); the Command key equivalents (Ctrl here:
// copy, paste, cut, select all, undo, redo) are performed by the field
// itself; every other key is ordinary typing.
class CaptureTextEdit final : public QPlainTextEdit {
public:
    // `commands` must outlive the field.
    explicit CaptureTextEdit(CaptureTextFieldCommands& commands, QWidget* parent = nullptr);

    // Which command a key press stands for (Command::other for ordinary keys).
    static CaptureTextFieldCommands::Command commandFor(const QKeyEvent& event);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CaptureTextFieldCommands& commands_;
};

}  // namespace qm
