#include "shell/views/KeyHandlingHostingView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "platform/linux/keyboard/QtKeyModifiers.h"
#include "shell/KeyEquivalents.h"
#include "shell/views/EditingActionSender.h"

namespace qm {

KeyHandlingHostingView::KeyHandlingHostingView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // Seen before the focused widget and before any shortcut.
    qApp->installEventFilter(this);
}

KeyHandlingHostingView::~KeyHandlingHostingView()
{
    qApp->removeEventFilter(this);
}

void KeyHandlingHostingView::setContent(QWidget* content)
{
    if (content_) {
        layout()->removeWidget(content_);
        delete content_;
    }
    content_ = content;
    if (content_) {
        content_->setParent(this);
        layout()->addWidget(content_);
    }
}

bool KeyHandlingHostingView::eventFilter(QObject* watched, QEvent* event)
{
    const bool keyEvent = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (!keyEvent || !watched->isWidgetType()) {
        return QWidget::eventFilter(watched, event);
    }
    auto* target = static_cast<QWidget*>(watched);
    if (target != this && !isAncestorOf(target)) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto action =
        KeyEquivalents::forHostingView(KeyEventType::keyDown, QtKeyModifiers::flags(key->modifiers()),
                                       QtKeyModifiers::charactersIgnoringModifiers(*key));
    if (!action) {
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Claims the key so no shortcut takes it; the press comes next.
        event->accept();
        return true;
    }
    if (EditingActionSender::send(*action, target)) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace qm
