#pragma once

#include <functional>
#include <memory>

#include <QWidget>

#include "onboarding/OnboardingViewModel.h"
#include "platform/runtime/AliveToken.h"

class QStackedLayout;

namespace qm {

class CompleteScreenView;
class KeyHandlingHostingView;
class NotificationCenter;
class OnboardingHudView;
class OwnWindowKeyboardGuard;
class PermissionsScreenView;
class ProgressDotsView;
class QtWindow;
class SandboxScreenView;
class WelcomeScreenView;

// The first-run window, "Welcome to Quillmarker": 480 × 660, fixed, over
// the dark gradient with its gold glow; the progress dots, the current step's
// screen and the in-window HUD. It renders its view model and forwards input;
// the keyboard goes to each step's next action as the step comes. It
// registers with the own-window keyboard guard, so the event tap leaves
// typing in it alone.
//
// `completed` runs when the launch action hands over; `closed` when the user
// closes the window (never after dismiss()).
class OnboardingWindowWidget final : public QWidget {
public:
    static constexpr int contentWidth = 480;
    static constexpr int contentHeight = 660;
    // How long after being shown the window asks for the keyboard again.
    static constexpr double launchSettleDelay = 0.3;

    struct Callbacks {
        std::function<void()> completed;
        std::function<void()> closed;
    };

    // `center` is where the window posts its key notifications for `guard`;
    // every reference must outlive the window.
    OnboardingWindowWidget(OnboardingViewModel::Services services, NotificationCenter& center,
                           OwnWindowKeyboardGuard* guard, Callbacks callbacks);
    ~OnboardingWindowWidget() override;

    // Shows the window (the first time: the first permission check and the
    // poll start), brings it to the front and gives it the keyboard.
    void present();
    // Closes it without reporting a close.
    void dismiss();

    OnboardingViewModel& model() { return model_; }
    ProgressDotsView& dots() { return *dots_; }
    WelcomeScreenView& welcome() { return *welcome_; }
    PermissionsScreenView& permissions() { return *permissions_; }
    SandboxScreenView& sandbox() { return *sandbox_; }
    CompleteScreenView& complete() { return *complete_; }
    OnboardingHudView& hud() { return *hud_; }
    // The screen shown now.
    QWidget* currentScreen() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Background;

    void render();
    void placeHud();
    void focusStep();
    // Brings the window in front with the keyboard, unless it has it.
    void takeKeyboard();

    Callbacks callbacks_;
    MainLoop& mainLoop_;
    OnboardingViewModel model_;
    OwnWindowKeyboardGuard* guard_;
    std::unique_ptr<QtWindow> window_;
    KeyHandlingHostingView* host_ = nullptr;
    Background* background_ = nullptr;
    ProgressDotsView* dots_ = nullptr;
    QStackedLayout* steps_ = nullptr;
    WelcomeScreenView* welcome_ = nullptr;
    PermissionsScreenView* permissions_ = nullptr;
    SandboxScreenView* sandbox_ = nullptr;
    CompleteScreenView* complete_ = nullptr;
    OnboardingHudView* hud_ = nullptr;
    int shownStep_ = 0;
    bool appeared_ = false;
    bool finished_ = false;
    AliveToken alive_;
};

}  // namespace qm
