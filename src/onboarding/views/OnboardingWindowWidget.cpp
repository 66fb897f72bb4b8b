#include "onboarding/views/OnboardingWindowWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "onboarding/views/CompleteScreenView.h"
#include "onboarding/views/OnboardingButton.h"
#include "onboarding/views/OnboardingHudView.h"
#include "onboarding/views/OnboardingStyle.h"
#include "onboarding/views/PermissionsScreenView.h"
#include "onboarding/views/ProgressDotsView.h"
#include "onboarding/views/SandboxScreenView.h"
#include "onboarding/views/WelcomeScreenView.h"
#include "platform/linux/display/QtWindow.h"
#include "platform/runtime/MainLoop.h"
#include "shell/OwnWindowKeyboardGuard.h"
#include "shell/views/KeyHandlingHostingView.h"

namespace qm {

using Style = OnboardingStyle;

// The window's backdrop: the dark gradient from the top-left corner and the
// faint gold glow beyond the top-right one.
class OnboardingWindowWidget::Background final : public QWidget {
public:
    explicit Background(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient gradient(rect().topLeft(), rect().bottomRight());
        gradient.setColorAt(0, QColor::fromRgbF(0.08f, 0.08f, 0.09f));
        gradient.setColorAt(1, QColor::fromRgbF(0.02f, 0.02f, 0.03f));
        painter.fillRect(rect(), gradient);
        // A 320-point gold circle, blurred by 120, at 0.08, moved 120 right and up.
        const QPointF centre(width() - 160 + 120, 160 - 120);
        QRadialGradient glow(centre, 160 + 120);
        glow.setColorAt(0, Style::withOpacity(Style::brandGold(), 0.08));
        glow.setColorAt(0.45, Style::withOpacity(Style::brandGold(), 0.05));
        glow.setColorAt(1, Qt::transparent);
        painter.fillRect(rect(), glow);
    }
};

OnboardingWindowWidget::OnboardingWindowWidget(OnboardingViewModel::Services services,
                                               NotificationCenter& center, OwnWindowKeyboardGuard* guard,
                                               Callbacks callbacks)
    : callbacks_(std::move(callbacks)), mainLoop_(services.mainLoop), model_(std::move(services),
                                                                             [this] {
                                                                                 finished_ = true;
                                                                                 if (callbacks_.completed) {
                                                                                     callbacks_.completed();
                                                                                 }
                                                                             }),
      guard_(guard)
{
    setWindowTitle(QStringLiteral("Welcome to Quillmarker"));
    setObjectName(QStringLiteral("onboardingWindow"));
    setFixedSize(contentWidth, contentHeight);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    host_ = new KeyHandlingHostingView(this);
    outer->addWidget(host_);

    background_ = new Background(nullptr);
    auto* column = new QVBoxLayout(background_);
    column->setContentsMargins(28, 16, 28, 16);
    column->setSpacing(24);
    dots_ = new ProgressDotsView(background_);
    column->addSpacing(14 - 0);
    column->addWidget(dots_, 0, Qt::AlignHCenter);
    steps_ = new QStackedLayout;
    welcome_ = new WelcomeScreenView(background_);
    permissions_ = new PermissionsScreenView(model_, background_);
    sandbox_ = new SandboxScreenView(model_, background_);
    complete_ = new CompleteScreenView(model_, background_);
    for (QWidget* screen : {static_cast<QWidget*>(welcome_), static_cast<QWidget*>(permissions_),
                            static_cast<QWidget*>(sandbox_), static_cast<QWidget*>(complete_)}) {
        steps_->addWidget(screen);
    }
    column->addLayout(steps_, 1);
    host_->setContent(background_);

    hud_ = new OnboardingHudView(background_);
    hud_->hide();

    connect(&welcome_->getStartedButton(), &QAbstractButton::clicked, this, [this] { model_.getStarted(); });
    model_.setOnChange([this] { render(); });

    window_ = std::make_unique<QtWindow>(*this, center);
    if (guard_) {
        guard_->registerEditableWindow(*window_);
    }
    render();
}

OnboardingWindowWidget::~OnboardingWindowWidget()
{
    model_.setOnChange(nullptr);
    if (guard_ && window_) {
        guard_->unregisterEditableWindow(*window_);
    }
    // The screens forward to the model: they go before it does.
    delete host_;
}

QWidget* OnboardingWindowWidget::currentScreen() const
{
    return steps_->currentWidget();
}

void OnboardingWindowWidget::present()
{
    show();
    raise();
    activateWindow();
    if (!appeared_) {
        appeared_ = true;
        model_.appear();
        focusStep();
    }
    // Windows shown at launch (the stand-in desktop's host) take the keyboard
    // back once their activation has gone round the window system; onboarding
    // comes first on a first start, so it asks again after them.
    mainLoop_.postAfter(launchSettleDelay, alive_.guard([this] { takeKeyboard(); }));
}

void OnboardingWindowWidget::dismiss()
{
    finished_ = true;
    close();
}

void OnboardingWindowWidget::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!finished_) {
        finished_ = true;
        if (callbacks_.closed) {
            callbacks_.closed();
        }
    }
}

void OnboardingWindowWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeHud();
}

void OnboardingWindowWidget::placeHud()
{
    const QSize size = hud_->sizeHint();
    hud_->setGeometry((background_->width() - size.width()) / 2, 16 - 8, size.width(), size.height());
}

void OnboardingWindowWidget::render()
{
    const int step = model_.currentStep();
    dots_->setCurrentStep(step);
    // Any step outside 1 to 4 shows the welcome screen.
    const int index = step >= 1 && step <= OnboardingViewModel::stepCount ? step - 1 : 0;
    const bool stepChanged = step != shownStep_;
    shownStep_ = step;
    steps_->setCurrentIndex(index);

    QWidget* focused = QApplication::focusWidget();
    permissions_->render();
    sandbox_->render();

    const SandboxViewModel& sandbox = model_.sandbox();
    hud_->setMessage(sandbox.hudMessage());
    hud_->setVisible(sandbox.showsHud());
    if (sandbox.showsHud()) {
        placeHud();
        hud_->raise();
    }
    // A granted card's button goes grey: the keyboard moves on to the next
    // thing to do rather than wherever Qt would send it.
    const bool lostFocus = focused && !focused->isEnabled();
    if (appeared_ && (stepChanged || lostFocus)) {
        focusStep();
    }
}

void OnboardingWindowWidget::takeKeyboard()
{
    if (!isVisible() || isActiveWindow()) {
        return;
    }
    raise();
    activateWindow();
    // Where the platform ignores activation requests (offscreen), Qt is told
    // directly which window has the keyboard.
    if (!isActiveWindow()) {
        QApplication::setActiveWindow(this);
    }
}

void OnboardingWindowWidget::focusStep()
{
    // A permission prompt that just closed hands the keyboard to whichever
    // window the platform picks once it is gone; it belongs back here.
    if (appeared_) {
        mainLoop_.postAfter(launchSettleDelay, alive_.guard([this] {
            if (QApplication::activeModalWidget() == nullptr) {
                takeKeyboard();
            }
        }));
    }
    switch (model_.currentStep()) {
    case 2:
        permissions_->focusNextAction();
        break;
    case 3:
        sandbox_->focusEditor();
        break;
    case 4:
        complete_->launchButton().setFocus(Qt::OtherFocusReason);
        break;
    default:
        welcome_->getStartedButton().setFocus(Qt::OtherFocusReason);
        break;
    }
}

}  // namespace qm
