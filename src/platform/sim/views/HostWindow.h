#pragma once

#include <string>

#include <QWidget>

#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"
#include "platform/sim/accessibility/SimElement.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "platform/sim/accessibility/SimTextKind.h"
#include "platform/sim/workspace/SimApplication.h"

class QMenuBar;

namespace qm {

class HostTextFieldWidget;
class StandInDesktop;

// A real window of another application of the stand-in desktop, with one
// text field a person can type into (HostTextFieldWidget): the place to try
// "//note" with a real keyboard. The window is an application of the desktop
// of its own; Qt activating the window activates that application and
// focuses its field, and the desktop activating the application again (a
// capture ending) brings the window back to the front. Clicks in it count as
// another application's (QtMouseDownMonitor's global monitors hear them).
//
// GUI thread; the desktop's main loop must be Qt's.
class HostWindow final : public QWidget {
public:
    struct Spec {
        std::string bundleIdentifier = "com.example.notes";
        std::string applicationName = "Notes";
        std::string windowTitle = "Draft";
        SimTextKind kind = SimTextKind::singleLine;
        std::string value;
    };

    // `desktop` must outlive the window.
    HostWindow(StandInDesktop& desktop, const Spec& spec);
    ~HostWindow() override;

    SimApplication& application() { return application_; }
    const SimTextField& field() const { return field_; }
    HostTextFieldWidget& fieldWidget() { return *fieldWidget_; }
    // The window's menu bar, made on first use above the text field: where a
    // desktop without a system tray shows the status item's menu.
    QMenuBar& menuBar();

protected:
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void syncFrames();

    StandInDesktop& desktop_;
    SimApplication application_;
    SimElement window_;
    SimTextField field_;
    HostTextFieldWidget* fieldWidget_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    NotificationCenter::ObserverToken activationObserver_;
    AliveToken alive_;
};

}  // namespace qm
