#pragma once

#include <QPointer>
#include <QString>

#include "app/StatusItem.h"

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

    bool isInSystemTray() const { return tray_ != nullptr; }
    QString toolTip() const { return toolTip_; }
    StatusMenuWidget& menu();

private:
    void setToolTip(const QString& text);

    QPointer<StatusMenuWidget> menu_;
    QSystemTrayIcon* tray_ = nullptr;
    // The host window's bar, when the menu is there.
    QPointer<QMenuBar> menuBar_;
    QString toolTip_;
};

}  // namespace qm
