#pragma once

#include <array>
#include <memory>
#include <string>

#include <QWidget>

#include "capture/CaptureOverlayViewModel.h"
#include "capture/CaptureRouterController.h"
#include "capture/CaptureTextFieldCommands.h"
#include "platform/runtime/AliveToken.h"

class QLabel;

namespace qm {

class CaptureTextEdit;
class MainLoop;
class NotificationCenter;
class RoundedBox;
class UserDefaults;

// The content of the capture overlay: the header (the confirmed
// conversation, the Slack picker's heading or the target's banner), the
// message box with its placeholder and message field, the calculator's live
// result and up to five picker rows; or, when the target's folder setting is
// empty, only the red configuration error. It draws
// CaptureOverlayViewModel and nothing else: it holds no state of its own,
// renders again whenever the router publishes a change of the capture
// state, and forwards every edit, commit and cancel to the router. Every
// text it shows is plain text.
//
// GUI thread (the router's main thread).
class CaptureOverlayView final : public QWidget {
public:
    // Every reference must outlive the view.
    CaptureOverlayView(MainLoop& mainLoop, CaptureRouterController& router, NotificationCenter& center,
                       const UserDefaults& defaults, QWidget* parent = nullptr);
    ~CaptureOverlayView() override;

    // Shows the content for another capture: the command word it compares
    // against. The message field starts with a fresh undo history.
    void setTargetName(const std::string& targetName);
    const std::string& targetName() const { return targetName_; }

    // Renders the router's current state (also what a published change runs).
    void render();
    const CaptureOverlayViewModel& model() const { return model_; }

    CaptureTextEdit& messageField() { return *messageField_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct PickerRowWidgets;

    void buildConfigError();
    void buildHeader();
    void buildMessageBox();
    void buildPickerList();
    void applyHeader();
    void applyMessage();
    void applyPickerRows();
    void messageEdited();
    void scheduleFocusGrab();
    void postSizeUpdate();

    MainLoop& mainLoop_;
    CaptureRouterController& router_;
    NotificationCenter& center_;
    const UserDefaults& defaults_;
    std::string targetName_;
    CaptureOverlayViewModel model_;
    CaptureTextFieldCommands commands_;
    CaptureRouterController::CaptureStateObserverId observer_ = 0;
    bool applyingModel_ = false;
    bool focusGrabScheduled_ = false;

    RoundedBox* configError_ = nullptr;
    QLabel* configErrorText_ = nullptr;
    RoundedBox* confirmedHeader_ = nullptr;
    QLabel* confirmedName_ = nullptr;
    QWidget* bannerHeader_ = nullptr;
    QLabel* bannerTitle_ = nullptr;
    QLabel* bannerSubtitle_ = nullptr;
    RoundedBox* messageBox_ = nullptr;
    QLabel* placeholder_ = nullptr;
    CaptureTextEdit* messageField_ = nullptr;
    QLabel* calcLine_ = nullptr;
    QWidget* pickerList_ = nullptr;
    std::array<std::unique_ptr<PickerRowWidgets>, CaptureOverlayViewModel::maxPickerRows> pickerRows_;
    AliveToken alive_;
};

}  // namespace qm
