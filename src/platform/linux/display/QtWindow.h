#pragma once

#include <memory>

#include "platform/display/Window.h"

class QWidget;

namespace qm {

class NotificationCenter;

// A top-level Qt widget of this program as a platform Window: it posts
// did-become-key and did-resign-key when Qt activates and deactivates it, and
// will-close when it is closed (an accepted close request) or destroyed
// without one. The identity is the widget. Main thread; the widget may go
// before the adapter, which then answers as a closed window.
class QtWindow final : public Window {
public:
    // `center` must outlive the adapter.
    QtWindow(QWidget& window, NotificationCenter& center);
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    const void* identity() const override { return identity_; }
    bool isKeyWindow() const override;

private:
    class Watcher;

    const void* identity_;
    std::unique_ptr<Watcher> watcher_;
};

}  // namespace qm
