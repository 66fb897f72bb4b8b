#pragma once

#include <QWidget>

#include "platform/runtime/AliveToken.h"
#include "platform/sim/accessibility/SimTextField.h"

namespace qm {

class KeyboardDriver;

// The face of one stand-in text field in a real window. The stand-in field is
// the text's only home: the widget draws its value, selection and caret with
// the stand-in's text layout (so the caret bounds Accessibility reports are
// where the caret is drawn), keeps the field's frame equal to its own place
// on screen, and sends every key press through the stand-in keyboard, which
// passes it through the event taps before the field sees it. A click moves
// the caret. What changes the field (typing, Accessibility edits, the
// program's synthetic keys) is redrawn on the main loop.
//
// GUI thread; the desktop's main loop must be Qt's.
class HostTextFieldWidget final : public QWidget {
public:
    // `field` and `keyboard` belong to a desktop that outlives the widget.
    HostTextFieldWidget(SimTextField field, KeyboardDriver& keyboard, QWidget* parent = nullptr);
    ~HostTextFieldWidget() override;

    const SimTextField& field() const { return field_; }
    QSize sizeHint() const override;

    // Puts the field's frame at the widget's place on screen (Accessibility
    // coordinates). Runs by itself when the widget moves or is resized.
    void syncFrame();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void send(QKeyEvent* event);

    SimTextField field_;
    KeyboardDriver& keyboard_;
    AliveToken alive_;
};

}  // namespace qm
