#include "settings/views/ShortcutsPage.h"

#include <QApplication>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/keyboard/KeyEvent.h"
#include "platform/linux/keyboard/QtKeyModifiers.h"
#include "settings/ShortcutRecorderModel.h"
#include "settings/views/SettingsStyle.h"
#include "settings/views/ShortcutKeyIndicator.h"
#include "shell/views/ViewFonts.h"

namespace qm {
namespace {

bool isModifierKey(int key)
{
    return key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Shift || key == Qt::Key_Meta ||
           key == Qt::Key_Super_L || key == Qt::Key_Super_R;
}

QString rgb(const QColor& color)
{
    return QString("%1, %2, %3").arg(color.red()).arg(color.green()).arg(color.blue());
}

}  // namespace

ShortcutsPage::ShortcutsPage(ShortcutRecorderModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    using namespace SettingsStyle;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    control_ = new QFrame;
    control_->setObjectName("shortcutControl");
    auto* content = new QVBoxLayout(control_);
    content->setContentsMargins(14, 14, 14, 14);
    content->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->addWidget(plainLabel("Trigger Key Combination", ViewFonts::system(12, ViewFonts::Weight::bold)));
    header->addStretch();
    record_ = new QPushButton;
    record_->setObjectName("recordShortcut");
    record_->setFont(ViewFonts::system(11, ViewFonts::Weight::bold));
    record_->setCursor(Qt::PointingHandCursor);
    auto* shadow = new QGraphicsDropShadowEffect(record_);
    shadow->setBlurRadius(8);
    shadow->setOffset(0, 2);
    record_->setGraphicsEffect(shadow);
    header->addWidget(record_);
    content->addLayout(header);

    auto* pills = new QHBoxLayout;
    pills->setSpacing(8);
    pills->setContentsMargins(0, 4, 0, 4);
    const std::pair<const char*, const char*> keys[] = {
        {"\u2303", "Control"}, {"\u2325", "Option"}, {"\u21e7", "Shift"}, {"\u2318", "Command"}};
    for (std::size_t i = 0; i < pills_.size(); ++i) {
        pills_[i] = new ShortcutKeyIndicator(keys[i].first, keys[i].second);
        pills->addWidget(pills_[i]);
    }
    auto* digits = plainLabel("+  [1 \u2013 4]", ViewFonts::mono(14, ViewFonts::Weight::bold), textMuted());
    digits->setContentsMargins(4, 0, 0, 0);
    pills->addWidget(digits);
    pills->addStretch();
    content->addLayout(pills);

    errorBox_ = new QFrame;
    errorBox_->setObjectName("shortcutError");
    errorBox_->setStyleSheet("#shortcutError { background: rgba(255, 149, 0, 26); border: 1px solid "
                             "rgba(255, 149, 0, 46); border-radius: 6px; }");
    auto* errorRow = new QHBoxLayout(errorBox_);
    errorRow->setContentsMargins(10, 10, 10, 10);
    errorRow->setSpacing(6);
    const QColor orange(255, 149, 0);
    auto* triangle = symbol("exclamationmark.triangle.fill", orange, 12);
    triangle->setContentsMargins(0, 1, 0, 0);
    errorRow->addWidget(triangle, 0, Qt::AlignTop);
    errorText_ = plainLabel("", ViewFonts::system(10.5, ViewFonts::Weight::semibold), orange, true);
    errorRow->addWidget(errorText_, 1, Qt::AlignTop);
    content->addWidget(errorBox_);
    hint_ = plainLabel("", ViewFonts::system(10.5, ViewFonts::Weight::medium), textMuted(), true);
    content->addWidget(hint_);

    layout->addWidget(control_);
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
    translated.setFlags(QtKeyModifiers::flags(key->modifiers()) & ~KeyEventFlags::numericPad);
    // Qt delivers one key event to several objects on its way; judge it once.
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched) != QApplication::focusWidget()) {
        return false;
    }
    return model_.handleEvent(translated);
}

void ShortcutsPage::render()
{
    using namespace SettingsStyle;
    const bool recording = model_.isRecording();
    const QString gold = rgb(brandGold());
    control_->setStyleSheet(QString("#shortcutControl { background: rgba(246, 246, 246, 102); border-radius: "
                                    "10px; border: 1px solid %1; }")
                                .arg(recording ? "rgba(255, 59, 48, 128)" : "rgba(0, 0, 0, 20)"));
    record_->setText(QString::fromStdString(model_.recordButtonTitle()));
    record_->setStyleSheet(
        recording
            ? QString("#recordShortcut { color: white; background: rgb(255, 59, 48); border: none; "
                      "border-radius: 6px; padding: 5px 12px; }")
            : QString("#recordShortcut { color: black; border: none; border-radius: 6px; padding: 5px 12px;"
                      " background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 rgb(%1),"
                      " stop: 1 rgba(%1, 217)); }")
                  .arg(gold));
    static_cast<QGraphicsDropShadowEffect*>(record_->graphicsEffect())
        ->setColor(recording ? QColor(255, 59, 48, 77)
                             : QColor(brandGold().red(), brandGold().green(), brandGold().blue(), 51));
    const auto& held = model_.modifiers();
    const bool active[] = {held.control, held.option, held.shift, held.command};
    for (std::size_t i = 0; i < pills_.size(); ++i) {
        if (pills_[i]->isActive() != active[i]) {
            pills_[i]->setActive(active[i]);
        }
    }
    const auto& error = model_.errorMessage();
    errorBox_->setVisible(error.has_value());
    hint_->setVisible(!error.has_value());
    errorText_->setText(QString::fromStdString(error.value_or("")));
    hint_->setText(QString::fromStdString(model_.hintText()));
}

}  // namespace qm
