#include "onboarding/views/SandboxCapturePopupView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "onboarding/SandboxViewModel.h"
#include "onboarding/views/OnboardingStyle.h"

namespace qm {

namespace {

using Style = OnboardingStyle;

}  // namespace

SandboxCapturePopupView::SandboxCapturePopupView(SandboxViewModel& model, QWidget* parent)
    : OnboardingCard(Style::withOpacity(Style::windowBackground(), 0.96), Style::white(0.15), 8, parent),
      model_(model)
{
    setObjectName(QStringLiteral("sandboxCapturePopup"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    auto* badge = Style::label("TO", Style::mono(9, true), Style::white(0.6), this);
    badge->setContentsMargins(5, 2, 5, 2);
    badge->setAutoFillBackground(false);
    badge->setStyleSheet(QStringLiteral("background: rgba(255,255,255,31); border-radius: 3px;"));
    header->addWidget(badge);
    destination_ = Style::label("", Style::mono(11, true), Style::white(), this);
    header->addWidget(destination_);
    header->addStretch(1);
    header->addWidget(Style::label("↵ capture · esc cancel", Style::mono(9), Style::white(0.35), this));
    layout->addLayout(header);

    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("sandboxCaptureField"));
    field_->setFrame(false);
    field_->setFont(Style::mono(12));
    QPalette colours = field_->palette();
    colours.setColor(QPalette::Text, Qt::white);
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::PlaceholderText, Style::white(0.3));
    field_->setPalette(colours);
    field_->installEventFilter(this);
    connect(field_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.editCaptureText(text.toStdString()); });
    connect(field_, &QLineEdit::returnPressed, this, [this] { model_.submitCapture(); });
    layout->addWidget(field_);
}

bool SandboxCapturePopupView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == field_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Esc belongs to the popup: it never reaches the window.
        model_.cancelCapture();
        return true;
    }
    return OnboardingCard::eventFilter(watched, event);
}

void SandboxCapturePopupView::render()
{
    destination_->setText(QString::fromStdString(model_.captureDestination()));
    field_->setPlaceholderText(QString::fromStdString(model_.capturePlaceholder()));
    const QString text = QString::fromStdString(model_.captureText());
    if (field_->text() != text) {
        field_->setText(text);
    }
    if (model_.isCaptureFocused() && isVisible() && !field_->hasFocus()) {
        field_->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace qm
