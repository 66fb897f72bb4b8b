#include "settings/views/ShortcutsPage.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/keyboard/KeyEvent.h"
#include "settings/ShortcutRecorderModel.h"
#include "settings/views/SettingsSectionCard.h"
#include "settings/views/SettingsStyle.h"
#include "shell/views/ViewFonts.h"

namespace qm {
namespace {

EventFlags flagsOf(Qt::KeyboardModifiers modifiers)
{
    EventFlags flags = 0;
    // Qt names the keys as they are labelled on this keyboard: Ctrl is Control,
    // Alt is Option, Meta is Command.
    if (modifiers & Qt::ControlModifier) {
        flags |= KeyEventFlags::control;
    }
    if (modifiers & Qt::AltModifier) {
        flags |= KeyEventFlags::alternate;
    }
    if (modifiers & Qt::ShiftModifier) {
        flags |= KeyEventFlags::shift;
    }
    if (modifiers & Qt::MetaModifier) {
        flags |= KeyEventFlags::command;
    }
    return flags;
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Shift || key == Qt::Key_Meta;
}

}  // namespace

ShortcutsPage::ShortcutsPage(ShortcutRecorderModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    using namespace SettingsStyle;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* card = new SettingsSectionCard("Trigger Key Combination", "keyboard");
    record_ = new QPushButton;
    card->content()->addWidget(record_, 0, Qt::AlignRight);
    pills_ = new QHBoxLayout;
    pills_->setSpacing(8);
    card->content()->addLayout(pills_);
    message_ = plainLabel("", ViewFonts::system(10.5, ViewFonts::Weight::medium), textMuted(), true);
    card->content()->addWidget(message_);
    layout->addWidget(card);
    connect(record_, &QPushButton::clicked, this, [this] { model_.toggleRecording(); });
    model_.onChange = [this] { render(); };
    qApp->installEventFilter(this);
    render();
}

ShortcutsPage::~ShortcutsPage()
{
    // The recorder's model goes with its page, before it.
    qApp->removeEventFilter(this);
}

bool ShortcutsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        return QWidget::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat() || !model_.isRecording()) {
        return false;
    }
    KeyEvent translated;
    const bool modifierChange = isModifierKey(key->key()) || event->type() == QEvent::KeyRelease;
    translated.setType(modifierChange ? KeyEventType::flagsChanged : KeyEventType::keyDown);
    translated.setFlags(flagsOf(key->modifiers()));
    // Qt delivers one key event to several objects on its way; judge it once.
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched) != QApplication::focusWidget()) {
        return false;
    }
    return model_.handleEvent(translated);
}

void ShortcutsPage::render()
{
    using namespace SettingsStyle;
    record_->setText(QString::fromStdString(model_.recordButtonTitle()));
    clear(pills_);
    const auto& held = model_.modifiers();
    const std::pair<const char*, bool> pills[] = {{"\u2303 Control", held.control},
                                                  {"\u2325 Option", held.option},
                                                  {"\u21e7 Shift", held.shift},
                                                  {"\u2318 Command", held.command}};
    for (const auto& [name, active] : pills) {
        auto* pill = plainLabel(name, ViewFonts::system(11, ViewFonts::Weight::bold),
                                active ? QColor(Qt::black) : textMuted());
        pill->setAlignment(Qt::AlignCenter);
        pill->setMinimumSize(70, 38);
        // Room either side, so the longest name is not cut at the pill's edge.
        pill->setContentsMargins(10, 0, 10, 0);
        pill->setAutoFillBackground(true);
        QPalette palette = pill->palette();
        palette.setColor(QPalette::Window, active ? brandGold() : QColor(0, 0, 0, 10));
        pill->setPalette(palette);
        pills_->addWidget(pill);
    }
    pills_->addWidget(
        plainLabel("+  [1 \u2013 4]", ViewFonts::mono(14, ViewFonts::Weight::bold), textMuted()));
    pills_->addStretch();
    if (model_.errorMessage()) {
        message_->setText(QString::fromStdString(*model_.errorMessage()));
        QPalette palette = message_->palette();
        palette.setColor(QPalette::WindowText, QColor(220, 120, 0));
        message_->setPalette(palette);
    } else {
        message_->setText(QString::fromStdString(model_.hintText()));
        QPalette palette = message_->palette();
        palette.setColor(QPalette::WindowText, textMuted());
        message_->setPalette(palette);
    }
}

}  // namespace qm
