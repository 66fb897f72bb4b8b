#pragma once

#include <memory>
#include <string>

#include <QPointer>
#include <QString>

#include "app/StatusItem.h"
#include "targets/CountdownTitleSink.h"

class QMenuBar;
class QSystemTrayIcon;

namespace qm {

class HostWindow;
class StatusMenuController;
class StatusMenuWidget;

// The status item on this desktop: an icon in the system tray with the status
// menu, or, where the desktop has no tray (the offscreen platform, a bare
// window manager), the same menu under "Quillmarker" in the host window's
// menu bar. Destroying it takes the icon or the menu away at once. GUI thread.
class QtStatusItem final : public StatusItem {
public:
    static constexpr const char* kToolTip = "Quillmarker";
    static constexpr const char* kUpdateToolTip = "Quillmarker — update available";

    // `controller` and `host` must outlive the item.
    QtStatusItem(StatusMenuController& controller, HostWindow& host);
    ~QtStatusItem() override;
    QtStatusItem(const QtStatusItem&) = delete;
    QtStatusItem& operator=(const QtStatusItem&) = delete;

    void rebuildMenu() override;
    void showUpdateAvailable() override;

    // Where the countdown of the next timer or alarm draws: the tray icon's
    // tooltip, and beside "Quillmarker" where the menu is in the menu bar. It
    // lives as long as the item.
    std::shared_ptr<CountdownTitleSink> countdownSink() const { return countdownSink_; }

    bool isInSystemTray() const { return tray_ != nullptr; }
    QString toolTip() const { return toolTip_; }
    StatusMenuWidget& menu();

private:
    class CountdownTitle;

    void setToolTip(const QString& text);
    void showCountdown(const std::string& title, const std::string& toolTip);

    QPointer<StatusMenuWidget> menu_;
    QSystemTrayIcon* tray_ = nullptr;
    // The host window's bar, when the menu is there.
    QPointer<QMenuBar> menuBar_;
    QString toolTip_;
    bool updateAvailable_ = false;
    std::shared_ptr<CountdownTitleSink> countdownSink_;
};

}  // namespace qm
