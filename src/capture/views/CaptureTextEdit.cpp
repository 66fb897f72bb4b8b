#include "capture/views/CaptureTextEdit.h"

#include <QKeyEvent>

#include "platform/linux/keyboard/QtKeyModifiers.h"
#include "shell/KeyEquivalents.h"
#include "shell/views/EditingActionSender.h"
#include "shell/views/ViewFonts.h"

namespace qm {

using Command = CaptureTextFieldCommands::Command;

CaptureTextEdit::CaptureTextEdit(CaptureTextFieldCommands& commands, QWidget* parent)
    : QPlainTextEdit(parent), commands_(commands)
{
    setFont(ViewFonts::mono(13));
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBackgroundVisible(false);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    setTabChangesFocus(false);
    setUndoRedoEnabled(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    document()->setDocumentMargin(2);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Text, QColor(255, 255, 255, 230));
    setPalette(colours);
}

Command CaptureTextEdit::commandFor(const QKeyEvent& event)
{
    const bool shift = event.modifiers() & Qt::ShiftModifier;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Command::insertNewline;
    case Qt::Key_Escape:
        return Command::cancelOperation;
    case Qt::Key_Tab:
        return shift ? Command::insertBacktab : Command::insertTab;
    case Qt::Key_Backtab:
        return Command::insertBacktab;
    case Qt::Key_Up:
        return Command::moveUp;
    case Qt::Key_Down:
        return Command::moveDown;
    default:
        return Command::other;
    }
}

bool CaptureTextEdit::event(QEvent* event)
{
    // Tab and Shift-Tab belong to the field's commands, not to Qt's focus chain.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(static_cast<QKeyEvent*>(event));
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void CaptureTextEdit::keyPressEvent(QKeyEvent* event)
{
    const Command command = commandFor(*event);
    if (command != Command::other && commands_.perform(command, event->modifiers() & Qt::ShiftModifier)) {
        event->accept();
        return;
    }
    const auto action =
        KeyEquivalents::forCaptureTextView(KeyEventType::keyDown, QtKeyModifiers::flags(event->modifiers()),
                                           QtKeyModifiers::charactersIgnoringModifiers(*event));
    if (action && EditingActionSender::send(*action, this)) {
        event->accept();
        return;
    }
    if (command == Command::insertNewline) {
        // A line break, whatever the platform's Shift-Return would add.
        insertPlainText(QStringLiteral("\n"));
        event->accept();
        return;
    }
    if (command == Command::insertBacktab) {
        // Nothing to insert: Shift-Tab is only ever a command.
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace qm
